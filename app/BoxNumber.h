#pragma once

#include <functional>
#include <optional>
#include <string>

// Numbers typed into the window's boxes, read whole: where the classic
// reading takes what it can ("abc" as 0, "13,5" as 13), a box that stores
// into the plan takes the whole text as a number or refuses it.

// The whole text, blanks around it allowed, as a finite float in decimal
// notation. The decimal separator is the point or, as many locales write
// it, a single comma; nothing for any other text ("abc", "1,5.2", "1 000").
std::optional<float> ReadBoxNumber(const std::string& text);

// The whole text as a whole number with an optional sign.
std::optional<long long> ReadBoxCount(const std::string& text);

// The value in "%.2f" when that text reads back as the value, else with as
// many more decimals as it needs: a box never shows a number cut short, so
// storing what it shows changes nothing. `readsBack` says whether a typed
// value would be stored as the value shown.
std::string FormatBoxNumber(double value, const std::function<bool(float typed)>& readsBack);
std::string FormatBoxNumber(float value);
