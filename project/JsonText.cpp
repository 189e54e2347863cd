#include "project/JsonText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <iterator>
#include <system_error>

namespace
{

template <typename T> std::string Shortest(T value)
{
    std::array<char, 64> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return ec == std::errc{} ? std::string(buffer.data(), end) : std::string();
}

void Write(std::string& out, const Json& value, int depth)
{
    const std::string indent(2 * static_cast<size_t>(depth), ' ');
    if (value.is_object() && !value.empty()) {
        out += "{\n";
        for (auto it = value.begin(); it != value.end(); ++it) {
            out += indent + "  " + Json(it.key()).dump() + ": ";
            Write(out, it.value(), depth + 1);
            out += std::next(it) == value.end() ? "\n" : ",\n";
        }
        out += indent + '}';
    } else if (value.is_array() && !value.empty()) {
        out += "[\n";
        for (auto it = value.begin(); it != value.end(); ++it) {
            out += indent + "  ";
            Write(out, *it, depth + 1);
            out += std::next(it) == value.end() ? "\n" : ",\n";
        }
        out += indent + ']';
    } else if (value.is_number_float()) {
        const std::string text = Shortest(value.get<double>());
        out += text;
        if (text.find_first_of(".e") == std::string::npos)
            out += ".0";
    } else {
        out += value.dump();
    }
}

} // namespace

std::string ShortestText(float value)
{
    return Shortest(value);
}

std::string ShortestText(double value)
{
    return Shortest(value);
}

Json FloatJson(float value)
{
    if (!std::isfinite(value))
        return nullptr;
    const std::string text = Shortest(value);
    double parsed = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), parsed);
    return parsed;
}

Json DoubleJson(double value)
{
    return std::isfinite(value) ? Json(value) : Json(nullptr);
}

std::string JsonText(const Json& value)
{
    std::string out;
    Write(out, value, 0);
    return out;
}
