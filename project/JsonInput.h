#pragma once

#include "project/JsonText.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// JSON read from a file a user may have been sent: bounded before anything is
// built from it. A document nested deeper than this is refused while it is
// scanned, so that no tree is built, copied or destroyed deeper than the
// stack allows; the project file itself nests four levels.
inline constexpr int kMaxJsonDepth = 64;
// Numbers, strings, lists and objects in one document: a project of 1000
// cameras holds some 25,000. The tree of a million takes some 100 MB; of a
// file of nothing but zeros, 64 MiB long, it would take over a gigabyte.
inline constexpr size_t kMaxJsonValues = 1000000;
// A project file is a few kilobytes a camera, an obstacle list less; anything
// far beyond is not one.
inline constexpr std::uintmax_t kLargestJsonFileBytes = 64ull << 20;

struct JsonReadResult {
    std::optional<Json> document;
    std::string error;
};

// One JSON document, all or nothing. A refusal names the place, from `root`
// (what the document is called, e.g. "obstacles"), and the reason:
// "room.unit: the key is given twice", "extra: lists and objects nested more
// than 64 levels deep", "(document): more than 1000000 values"; text that is
// not JSON gives "the file is not JSON".
// Keys and numbers quoted in a message are made printable.
JsonReadResult ParseJsonDocument(std::string_view text, const std::string& root = "");

// The text of a file that holds a JSON document. A file that is missing, not
// a regular file, unreadable or above kLargestJsonFileBytes is refused by a
// message that starts with its path ("stage.vplan is too large for a project
// file: more than 64 MiB"); `what` names the kind of file.
struct JsonFileText {
    std::optional<std::string> text;
    std::string error;
};
JsonFileText ReadJsonFileText(const std::string& path, const char* what);
