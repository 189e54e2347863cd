#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Scans made before a text reaches its parser, which recurses once a level:
// each gives the reason the text nests deeper than kMaxCalibrationNesting
// (with the line), or nullopt. They may count a level too many, never too few.

// TOML: arrays, inline tables and dotted keys, outside strings and comments.
// The same pass counts what the parser's time grows with: the tables (table
// headers, inline tables, the tables dotted keys open), refused past
// kMaxCameras and a few more, and each list's items, refused past
// kMaxCalibrationListItems. It may count an item or a table too many, never too few.
struct TomlShape {
    size_t tables = 0;
    std::optional<std::string> error; // "line N: ..."
};
TomlShape ScanToml(std::string_view text);

// The cameras an OpenCV FileStorage text names (the items of its top-level
// `names`), and the values it holds (lines, list items, elements), which a
// parser makes a node of each; counted without parsing.
struct OpenCvShape {
    std::optional<size_t> names; // nullopt without a `names` key
    size_t values = 0;
};
OpenCvShape ScanOpenCv(std::string_view text, bool xml);
// YAML as OpenCV's FileStorage files have it: flow lists and maps outside quotes and comments,
// and block nesting, bounded through the indentation of every line.
std::optional<std::string> YamlNestingError(std::string_view text);
// XML: elements opened and not yet closed.
std::optional<std::string> XmlNestingError(std::string_view text);
