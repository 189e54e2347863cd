#pragma once

#include <optional>
#include <string>
#include <string_view>

// Scans made before a text reaches its parser, which recurses once a level:
// each gives the reason the text nests deeper than kMaxCalibrationNesting
// (with the line), or nullopt. They may count a level too many, never too few.

// TOML: arrays and inline tables, outside strings and comments.
std::optional<std::string> TomlNestingError(std::string_view text);
// YAML as OpenCV reads it: flow lists and maps outside quotes and comments,
// and block nesting, bounded through the indentation of every line.
std::optional<std::string> YamlNestingError(std::string_view text);
// XML: elements opened and not yet closed.
std::optional<std::string> XmlNestingError(std::string_view text);
// XML that is not well formed, with the line: a tag, comment, declaration or
// attribute that does not end, an end tag that closes no element of its name,
// an element left open, a document type. OpenCV's parser reads through null
// pointers on such text.
std::optional<std::string> XmlMarkupError(std::string_view text);
