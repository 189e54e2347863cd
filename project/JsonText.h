#pragma once

#include <nlohmann/json.hpp>

#include <string>

// JSON as the program writes it: two-space indents, keys in insertion order,
// and every floating-point number in its shortest round-trip form.
using Json = nlohmann::ordered_json;

// The shortest text that reads back to the same value (floats as floats);
// empty for a value to_chars cannot write.
std::string ShortestText(float value);
std::string ShortestText(double value);

// A float as the double nearest its own shortest text (0.2f as 0.2 rather
// than 0.20000000298023224); null when not finite.
Json FloatJson(float value);
// A double; null when not finite.
Json DoubleJson(double value);

// The library's dump(2), but with shortest numbers: its own writer keeps to
// round-trip yet now and then prints a digit more (17.415000778511178 for
// 17.41500077851118). An integral value keeps its ".0", so it stays a float.
std::string JsonText(const Json& value);
