#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Text read from a file, made safe to show on a terminal or in a report: every
// control character (C0, DEL, C1), every bidirectional override or isolate
// (U+202A..U+202E, U+2066..U+2069) and every ill-formed UTF-8 sequence becomes
// U+FFFD, so a label cannot move the cursor, retitle the terminal, clear the
// screen or reverse the text after it. Other text comes back unchanged.
std::string PrintableText(std::string_view text);

// Text for HTML: printable as above, with & < > " written as entities.
std::string HtmlText(std::string_view text);

// Where a file stops being text: the offset of its first ill-formed UTF-8
// sequence or control character other than tab, line feed and carriage
// return; nullopt for text. Parsers of text formats are not all safe on
// other bytes, and no such file needs them.
std::optional<size_t> FirstNonTextByte(std::string_view text);
