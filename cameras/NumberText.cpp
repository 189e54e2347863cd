#include "cameras/NumberText.h"

#include "scene/PrintableText.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

namespace
{
// One leading '+' is dropped; from_chars takes no '+' but a '-' of its own,
// which after a '+' would be a second sign ("+-8.5").
bool StripPlus(std::string_view& token)
{
    if (token.empty() || token.front() != '+')
        return true;
    token.remove_prefix(1);
    return token.empty() || (token.front() != '+' && token.front() != '-');
}
} // namespace

bool ParseFloatToken(std::string_view token, float& value)
{
    if (!StripPlus(token) || token.empty())
        return false;
    float parsed = 0.0f;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), parsed);
    if (ec != std::errc() || end != token.data() + token.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

bool ParseUnsignedToken(std::string_view token, uint32_t& value)
{
    if (!StripPlus(token) || token.empty() || token.front() == '-')
        return false;
    uint32_t parsed = 0;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), parsed);
    if (ec != std::errc() || end != token.data() + token.size())
        return false;
    value = parsed;
    return true;
}

std::string FormatG6(double value)
{
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

std::string CheckNumberFile(const std::string& path)
{
    struct stat info {
    };
    if (stat(path.c_str(), &info) != 0)
        return errno == ENOENT ? path + " does not exist" : path + " cannot be read: " + std::strerror(errno);
    if (!S_ISREG(info.st_mode))
        return path + " is not a regular file";
    return {};
}

namespace
{
bool IsSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
constexpr int kEnd = std::char_traits<char>::eof();
} // namespace

int TokenReader::Get()
{
    const int c = m_in.get();
    if (c == '\n')
        ++m_nLine;
    return c;
}

int TokenReader::FirstNonSpace()
{
    int c = Get();
    while (c != kEnd && IsSpace(c))
        c = Get();
    m_nTokenLine = m_nLine;
    m_bAtEnd = c == kEnd;
    m_bTooLong = false;
    return c;
}

bool TokenReader::Next(std::string& token)
{
    token.clear();
    int c = FirstNonSpace();
    while (c != kEnd && !IsSpace(c)) {
        if (token.size() == kMaxTokenLength) {
            m_bTooLong = true;
            m_strLast = token;
            return false;
        }
        token.push_back(static_cast<char>(c));
        c = Get();
    }
    m_strLast = token;
    return !token.empty();
}

bool TokenReader::Skip()
{
    int c = FirstNonSpace();
    if (c == kEnd)
        return false;
    for (size_t length = 0; c != kEnd && !IsSpace(c); ++length) {
        if (length == kMaxWordLength) {
            m_bTooLong = true;
            m_strLast.clear();
            return false;
        }
        c = Get();
    }
    return true;
}

bool TokenReader::NextFloat(float& value)
{
    std::string token;
    return Next(token) && ParseFloatToken(token, value);
}

bool TokenReader::NextUnsigned(uint32_t& value)
{
    std::string token;
    return Next(token) && ParseUnsignedToken(token, value);
}

std::string TokenReader::Failure(const std::string& what) const
{
    if (m_bAtEnd)
        return "the file ends where " + what + " belongs";
    const std::string place = "line " + std::to_string(m_nTokenLine) + ": ";
    if (m_bTooLong)
        return place + "a word too long to be " + what;
    // Only the start of a long token: it may be binary.
    constexpr size_t kShown = 20;
    std::string shown = PrintableText(std::string_view(m_strLast).substr(0, kShown));
    if (m_strLast.size() > kShown)
        shown += "...";
    return place + "\"" + shown + "\" is not " + what;
}
