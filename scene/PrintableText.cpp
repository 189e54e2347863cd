#include "scene/PrintableText.h"

#include <cstdint>

namespace
{

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

bool IsHidden(uint32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The length of the well-formed sequence at `p`, its code point in `c`; 0
// when it is ill-formed, with `bad` the bytes that make up its longest
// well-formed start (at least 1), which one U+FFFD replaces.
size_t Decode(const unsigned char* p, size_t left, uint32_t& c, size_t& bad)
{
    bad = 1;
    const unsigned char b = p[0];
    if (b < 0x80) {
        c = b;
        return 1;
    }
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        c = b & 0x1Fu;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        c = b & 0x0Fu;
        low = b == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        high = b == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        c = b & 0x07u;
        low = b == 0xF0 ? 0x90 : 0x80;
        high = b == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        const unsigned char lo = i == 1 ? low : 0x80, hi = i == 1 ? high : 0xBF;
        if (i >= left || p[i] < lo || p[i] > hi) {
            bad = i;
            return 0;
        }
        c = (c << 6) | (p[i] & 0x3Fu);
    }
    return length;
}

} // namespace

std::string PrintableText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();) {
        uint32_t c = 0;
        size_t bad = 1;
        const size_t length = Decode(bytes + i, text.size() - i, c, bad);
        if (length == 0 || IsHidden(c)) {
            out += kReplacement;
            i += length == 0 ? bad : length;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::optional<size_t> FirstNonTextByte(std::string_view text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();) {
        uint32_t c = 0;
        size_t bad = 1;
        const size_t length = Decode(bytes + i, text.size() - i, c, bad);
        const bool whitespace = c == '\t' || c == '\n' || c == '\r';
        if (length == 0 || (c < 0x20 && !whitespace) || (c >= 0x7F && c <= 0x9F))
            return i;
        i += length;
    }
    return std::nullopt;
}

std::string HtmlText(std::string_view text)
{
    std::string out;
    for (const char c : PrintableText(text)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}
