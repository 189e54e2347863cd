#pragma once

#include <cstdint>
#include <string>

// How the dialog reads and writes its controls: the C library's atoi/atof and
// printf formats, always with a decimal point whatever locale the toolkit chose.

// atoi: leading blanks skipped, digits up to the first misfit, 0 for no number.
// Values beyond int are clamped instead of wrapping, so a huge count can never
// read as a small one.
int ReadIntText(const std::string& text);
// atof: the same rules for decimals; "nan" and "inf" read as themselves.
double ReadDoubleText(const std::string& text);

// "%.Nf"
std::string FormatFixed(double value, int decimals);
// "%u"
std::string FormatUnsigned(uint32_t value);
