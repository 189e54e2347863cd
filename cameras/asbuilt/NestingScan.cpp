#include "cameras/asbuilt/NestingScan.h"

#include "cameras/asbuilt/AsBuiltCalibration.h"

#include <vector>

namespace {

std::string TooDeep(size_t line)
{
    return "line " + std::to_string(line) + ": lists and tables nested more than " +
           std::to_string(kMaxCalibrationNesting) + " levels deep";
}

bool StartsWith(std::string_view text, size_t at, std::string_view what)
{
    return text.substr(at, what.size()) == what;
}

} // namespace

std::optional<std::string> TomlNestingError(std::string_view text)
{
    int depth = 0;
    size_t line = 1;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (c == '#') {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (c == '"' || c == '\'') {
            const std::string_view fence = StartsWith(text, i, c == '"' ? "\"\"\"" : "'''")
                                               ? text.substr(i, 3)
                                               : text.substr(i, 1);
            i += fence.size();
            while (i < text.size() && !StartsWith(text, i, fence)) {
                if (text[i] == '\n')
                    ++line;
                // Only basic strings escape; a backslash before the end quote keeps the string open.
                i += (c == '"' && text[i] == '\\') ? 2 : 1;
            }
            i += fence.size();
        } else {
            if (c == '[' || c == '{') {
                if (++depth > kMaxCalibrationNesting)
                    return TooDeep(line);
            } else if ((c == ']' || c == '}') && depth > 0) {
                --depth;
            }
            ++i;
        }
    }
    return std::nullopt;
}

std::optional<std::string> YamlNestingError(std::string_view text)
{
    // Four columns a level is generous: OpenCV writes three.
    constexpr size_t kMaxIndent = 4 * kMaxCalibrationNesting;
    int depth = 0;
    size_t line = 1;
    bool lineStart = true;
    size_t indent = 0;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            lineStart = true;
            indent = 0;
            ++i;
            continue;
        }
        if (lineStart) {
            // Spaces and sequence dashes ("- - -") both open block levels.
            if (c == ' ' || c == '\t' || c == '-') {
                if (++indent > kMaxIndent)
                    return TooDeep(line);
                ++i;
                continue;
            }
            lineStart = false;
        }
        if (c == '#') {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (c == '"' || c == '\'') {
            ++i;
            while (i < text.size() && text[i] != c) {
                if (text[i] == '\n')
                    ++line;
                i += (c == '"' && text[i] == '\\') ? 2 : 1;
            }
            ++i;
        } else {
            if (c == '[' || c == '{') {
                if (++depth > kMaxCalibrationNesting)
                    return TooDeep(line);
            } else if ((c == ']' || c == '}') && depth > 0) {
                --depth;
            }
            ++i;
        }
    }
    return std::nullopt;
}

std::optional<std::string> XmlNestingError(std::string_view text)
{
    int depth = 0;
    size_t line = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
        } else if (c == '<') {
            const char next = i + 1 < text.size() ? text[i + 1] : '\0';
            if (next == '/') {
                if (depth > 0)
                    --depth;
            } else if (next != '?' && next != '!') {
                if (++depth > kMaxCalibrationNesting)
                    return TooDeep(line);
            }
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '>' && depth > 0) {
            --depth;
        }
    }
    return std::nullopt;
}

namespace {

bool IsNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsNameChar(char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

} // namespace

std::optional<std::string> XmlMarkupError(std::string_view text)
{
    std::vector<std::string_view> open;
    bool rooted = false;
    size_t line = 1;
    size_t i = 0;
    const auto fail = [&line](const std::string& what) {
        return std::optional<std::string>("line " + std::to_string(line) + ": " + what);
    };
    const auto skip = [&](size_t to) {
        for (; i < to; ++i)
            line += text[i] == '\n';
    };
    const auto skipSpace = [&]() {
        while (i < text.size() && IsXmlSpace(text[i]))
            skip(i + 1);
    };
    const auto name = [&]() {
        const size_t start = i;
        if (i < text.size() && IsNameStart(text[i]))
            while (i < text.size() && IsNameChar(text[i]))
                ++i;
        return text.substr(start, i - start);
    };
    while (i < text.size()) {
        if (text[i] != '<') {
            skip(i + 1);
            continue;
        }
        if (text.substr(i, 4) == "<!--" || text.substr(i, 2) == "<?") {
            const bool comment = text[i + 1] == '!';
            const size_t end = text.find(comment ? "-->" : "?>", i + 2);
            if (end == std::string_view::npos)
                return fail(comment ? "a comment that does not end" : "a declaration that does not end");
            skip(end + (comment ? 3 : 2));
            continue;
        }
        if (text.substr(i, 2) == "<!")
            return fail("a document type or CDATA section, which a calibration does not hold");
        const bool closing = text.substr(i, 2) == "</";
        i += closing ? 2 : 1;
        const std::string_view tag = name();
        if (tag.empty())
            return fail("a '<' that starts no element");
        if (closing) {
            skipSpace();
            if (i >= text.size() || text[i] != '>')
                return fail("the end tag of <" + std::string(tag) + "> does not end");
            if (open.empty() || open.back() != tag)
                return fail("</" + std::string(tag) + "> closes no open element of that name");
            open.pop_back();
            ++i;
            continue;
        }
        if (open.empty() && rooted)
            return fail("a second root element <" + std::string(tag) + ">");
        for (;;) {
            const size_t before = i;
            skipSpace();
            if (i >= text.size())
                return fail("the tag <" + std::string(tag) + "> does not end");
            if (text[i] == '>' || text.substr(i, 2) == "/>")
                break;
            if (i == before || name().empty())
                return fail("an attribute of <" + std::string(tag) + "> is not name=\"value\"");
            skipSpace();
            if (i >= text.size() || text[i] != '=')
                return fail("an attribute of <" + std::string(tag) + "> has no value");
            ++i;
            skipSpace();
            if (i >= text.size() || (text[i] != '"' && text[i] != '\''))
                return fail("an attribute value of <" + std::string(tag) + "> is not quoted");
            const size_t end = text.find(text[i], i + 1);
            if (end == std::string_view::npos || text.substr(i, end - i).find('<') != std::string_view::npos)
                return fail("an attribute value of <" + std::string(tag) + "> does not end");
            skip(end + 1);
        }
        rooted = true;
        if (text[i] == '>') {
            open.push_back(tag);
            ++i;
        } else {
            i += 2;
        }
    }
    if (!open.empty())
        return fail("<" + std::string(open.back()) + "> is not closed");
    if (!rooted)
        return fail("no element");
    return std::nullopt;
}
