#include "cameras/asbuilt/NestingScan.h"

#include "cameras/asbuilt/AsBuiltCalibration.h"
#include "cameras/CameraSet.h"

#include <algorithm>
#include <vector>

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

TomlShape ScanToml(std::string_view text)
{
    // Past this many tables the parser's time (which grows with their square)
    // is out of proportion to a rig's: the cameras, and a few more for
    // metadata and the keys of other programs.
    constexpr size_t kMaxTables = kMaxCameras + 64;
    TomlShape shape;
    const auto refuse = [&shape](std::string reason) {
        shape.error = std::move(reason);
        return shape;
    };
    const auto tooManyTables = [](size_t line) {
        return "line " + std::to_string(line) + ": more than " + std::to_string(kMaxTables) +
               " tables; a calibration holds at most " + std::to_string(kMaxCameras) + " cameras";
    };
    // The open lists ('[') and inline tables ('{'), with the commas of each
    // and the dots of the key that opened it.
    struct Open {
        char bracket;
        size_t commas;
        int keyDots;
    };
    std::vector<Open> open;
    int keyDots = 0, openDots = 0;
    bool inKey = true, lineStart = true;
    size_t line = 1;
    size_t i = 0;
    const auto depth = [&] { return static_cast<int>(open.size()) + openDots + keyDots; };
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            ++i;
            lineStart = true;
            if (open.empty()) {
                inKey = true;
                keyDots = 0;
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') {
            while (i < text.size() && text[i] != '\n')
                ++i;
            continue;
        }
        if (c == '"' || c == '\'') {
            lineStart = false;
            const std::string_view fence =
                StartsWith(text, i, c == '"' ? "\"\"\"" : "\'\'\'") ? text.substr(i, 3) : text.substr(i, 1);
            i += fence.size();
            while (i < text.size() && !StartsWith(text, i, fence)) {
                if (text[i] == '\n')
                    ++line;
                // Only basic strings escape; a backslash before the end quote keeps the string open.
                i += (c == '"' && text[i] == '\\') ? 2 : 1;
            }
            i += fence.size();
            continue;
        }
        if (lineStart && open.empty() && c == '[') {
            // A table header: each dot names a table inside the one before.
            int dots = 0;
            char quote = 0;
            for (; i < text.size() && text[i] != '\n'; ++i) {
                const char h = text[i];
                if (quote) {
                    quote = h == quote ? 0 : quote;
                } else if (h == '"' || h == '\'') {
                    quote = h;
                } else if (h == '#') {
                    break;
                } else if (h == '.') {
                    ++dots;
                }
            }
            if (dots + 1 > kMaxCalibrationNesting)
                return refuse(TooDeep(line));
            shape.tables += static_cast<size_t>(dots) + 1;
            if (shape.tables > kMaxTables)
                return refuse(tooManyTables(line));
            continue;
        }
        lineStart = false;
        ++i;
        if (inKey) {
            if (c == '.') {
                ++keyDots;
                if (++shape.tables > kMaxTables)
                    return refuse(tooManyTables(line));
                if (depth() > kMaxCalibrationNesting)
                    return refuse(TooDeep(line));
            } else if (c == '=') {
                inKey = false;
            } else if (c == '}' && !open.empty()) {
                // An empty inline table, or a comma before its end.
                keyDots = open.back().keyDots;
                openDots -= keyDots;
                open.pop_back();
                inKey = false;
            }
            continue;
        }
        if (c == '[' || c == '{') {
            open.push_back({c, 0, keyDots});
            openDots += keyDots;
            keyDots = 0;
            if (depth() > kMaxCalibrationNesting)
                return refuse(TooDeep(line));
            if (c == '{') {
                inKey = true;
                if (++shape.tables > kMaxTables)
                    return refuse(tooManyTables(line));
            }
        } else if ((c == ']' || c == '}') && !open.empty()) {
            keyDots = open.back().keyDots;
            openDots -= keyDots;
            open.pop_back();
        } else if (c == ',' && !open.empty()) {
            if (open.back().bracket == '{') {
                inKey = true;
                keyDots = 0;
            } else if (++open.back().commas > kMaxCalibrationListItems) {
                return refuse("line " + std::to_string(line) + ": a list of more than " +
                              std::to_string(kMaxCalibrationListItems) + " items, longer than any a calibration holds");
            }
        }
    }
    return shape;
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

namespace
{

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// The items of a YAML value starting at `at` (past "names:"): a flow list's,
// a block list's on the lines below, or 1 for a scalar.
size_t YamlListItems(std::string_view text, size_t at)
{
    while (at < text.size() && IsSpace(text[at]))
        ++at;
    if (at < text.size() && text[at] == '[') {
        size_t commas = 0;
        bool any = false;
        for (++at; at < text.size() && text[at] != ']'; ++at) {
            const char c = text[at];
            if (c == '"' || c == '\'') {
                at = std::min(text.find(c, at + 1), text.size() - 1);
                any = true;
            } else if (c == ',') {
                ++commas;
            } else if (!IsSpace(c) && c != '\n') {
                any = true;
            }
        }
        return any ? commas + 1 : commas;
    }
    if (at < text.size() && text[at] != '\n' && text[at] != '#')
        return 1;
    // A block list: the lines below that start with a dash, until a line that does not.
    size_t items = 0;
    for (at = text.find('\n', at); at != std::string_view::npos && at + 1 < text.size(); at = text.find('\n', at + 1)) {
        size_t first = at + 1;
        while (first < text.size() && IsSpace(text[first]))
            ++first;
        if (first >= text.size() || text[first] == '\n' || text[first] == '#')
            continue;
        if (text[first] != '-')
            break;
        ++items;
    }
    return items;
}

// The words of an XML element's text, a quoted name one word, or its "_" elements.
size_t XmlListItems(std::string_view content)
{
    size_t elements = 0;
    for (size_t at = content.find("<_>"); at != std::string_view::npos; at = content.find("<_>", at + 3))
        ++elements;
    if (elements)
        return elements;
    size_t words = 0;
    for (size_t at = 0; at < content.size();) {
        if (IsSpace(content[at]) || content[at] == '\n') {
            ++at;
            continue;
        }
        ++words;
        if (content[at] == '"') {
            at = content.find('"', at + 1);
            at = at == std::string_view::npos ? content.size() : at + 1;
        } else {
            while (at < content.size() && !IsSpace(content[at]) && content[at] != '\n')
                ++at;
        }
    }
    return words;
}

} // namespace

OpenCvShape ScanOpenCv(std::string_view text, bool xml)
{
    OpenCvShape shape;
    if (xml) {
        for (const char c : text)
            shape.values += c == '<' ? 1 : 0;
        const size_t begin = text.find("<names>");
        if (begin != std::string_view::npos) {
            const size_t from = begin + 7;
            const size_t end = std::min(text.find("</names>", from), text.size());
            shape.names = XmlListItems(text.substr(from, end - from));
        }
        return shape;
    }
    bool lineHasValue = false;
    char quote = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            shape.values += lineHasValue ? 1 : 0;
            lineHasValue = false;
            if (i + 6 < text.size() && text.substr(i + 1, 6) == "names:" && !shape.names)
                shape.names = YamlListItems(text, i + 7);
        } else if (quote) {
            quote = c == quote ? 0 : quote;
        } else if (c == '#') {
            while (i + 1 < text.size() && text[i + 1] != '\n')
                ++i;
        } else if (c == '"' || c == '\'') {
            quote = c;
            lineHasValue = true;
        } else if (c == ',') {
            ++shape.values;
        } else if (!IsSpace(c)) {
            lineHasValue = true;
        }
    }
    shape.values += lineHasValue ? 1 : 0;
    if (!shape.names && text.substr(0, 6) == "names:")
        shape.names = YamlListItems(text, 6);
    return shape;
}
