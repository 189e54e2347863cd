#include "app/BoxNumber.h"

#include "app/DialogText.h"
#include "cameras/NumberText.h"

#include <algorithm>
#include <cstdint>

namespace
{

std::string Trimmed(const std::string& text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

// Fixed notation never needs more than this to tell two floats apart.
constexpr int kMostDecimals = 50;

} // namespace

std::optional<float> ReadBoxNumber(const std::string& text)
{
    std::string token = Trimmed(text);
    const auto commas = std::count(token.begin(), token.end(), ',');
    if (commas > 1 || (commas == 1 && token.find('.') != std::string::npos))
        return std::nullopt;
    std::replace(token.begin(), token.end(), ',', '.');
    float value = 0.0f;
    if (token.empty() || !ParseFloatToken(token, value))
        return std::nullopt;
    return value;
}

std::optional<long long> ReadBoxCount(const std::string& text)
{
    const std::string token = Trimmed(text);
    const bool negative = !token.empty() && token[0] == '-';
    const std::string_view digits = negative ? std::string_view(token).substr(1) : std::string_view(token);
    uint32_t value = 0;
    if ((negative && !digits.empty() && digits[0] == '+') || !ParseUnsignedToken(digits, value))
        return std::nullopt;
    return negative ? -static_cast<long long>(value) : static_cast<long long>(value);
}

std::string FormatBoxNumber(double value, const std::function<bool(float typed)>& readsBack)
{
    for (int decimals = 2; decimals <= kMostDecimals; ++decimals) {
        std::string text = FormatFixed(value, decimals);
        if (const std::optional<float> typed = ReadBoxNumber(text); typed && readsBack(*typed))
            return text;
    }
    // Not a value a box can hold (nan, inf): shown as the classic box showed it.
    return FormatFixed(value, 2);
}

std::string FormatBoxNumber(float value)
{
    return FormatBoxNumber(value, [value](float typed) { return typed == value; });
}
