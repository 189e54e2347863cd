#pragma once

#include <optional>
#include <string>
#include <string_view>

// Scans made before a text reaches its parser, which recurses once a level:
// each gives the reason the text nests deeper than kMaxCalibrationNesting
// (with the line), or nullopt. They may count a level too many, never too few.

// TOML: arrays and inline tables, outside strings and comments.
std::optional<std::string> TomlNestingError(std::string_view text);
// YAML as OpenCV's FileStorage files have it: flow lists and maps outside quotes and comments,
// and block nesting, bounded through the indentation of every line.
std::optional<std::string> YamlNestingError(std::string_view text);
// XML: elements opened and not yet closed.
std::optional<std::string> XmlNestingError(std::string_view text);
