#include "cameras/NumberText.h"

#include <charconv>
#include <cmath>

namespace {
std::string_view StripPlus(std::string_view token)
{
    if (!token.empty() && token.front() == '+')
        token.remove_prefix(1);
    return token;
}
}

bool ParseFloatToken(std::string_view token, float& value)
{
    token = StripPlus(token);
    if (token.empty() || token.front() == '+')
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
    token = StripPlus(token);
    if (token.empty() || token.front() == '-' || token.front() == '+')
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

namespace {
constexpr size_t kMaxTokenLength = 256;
bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
}

int TokenReader::FirstNonSpace()
{
    int c = m_in.get();
    while (c != std::char_traits<char>::eof() && IsSpace(c))
        c = m_in.get();
    return c;
}

bool TokenReader::Next(std::string& token)
{
    token.clear();
    int c = FirstNonSpace();
    while (c != std::char_traits<char>::eof() && !IsSpace(c)) {
        if (token.size() == kMaxTokenLength)
            return false;
        token.push_back(static_cast<char>(c));
        c = m_in.get();
    }
    return !token.empty();
}

bool TokenReader::Skip()
{
    int c = FirstNonSpace();
    if (c == std::char_traits<char>::eof())
        return false;
    while (c != std::char_traits<char>::eof() && !IsSpace(c))
        c = m_in.get();
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
