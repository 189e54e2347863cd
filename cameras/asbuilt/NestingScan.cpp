#include "cameras/asbuilt/NestingScan.h"

#include "cameras/asbuilt/AsBuiltCalibration.h"

namespace
{

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
            const std::string_view fence =
                StartsWith(text, i, c == '"' ? "\"\"\"" : "'''") ? text.substr(i, 3) : text.substr(i, 1);
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
