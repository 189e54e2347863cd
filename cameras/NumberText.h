#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

// Number text of the camera data and calibration files. Locale-independent
// (the decimal point is always "."), whatever locale the GUI toolkit set.

// A whole token as a finite single-precision number in decimal notation,
// optional sign and exponent; false for anything else ("1.5abc", "nan").
bool ParseFloatToken(std::string_view token, float& value);
// A whole token of decimal digits (an optional '+' allowed).
bool ParseUnsignedToken(std::string_view token, uint32_t& value);
// printf's %g with precision 6: six significant digits, no trailing zeros.
std::string FormatG6(double value);

// Reads whitespace-separated tokens from a stream. A token longer than any
// number could be (a binary file, say) ends the stream as unreadable instead
// of being gathered into memory.
class TokenReader {
public:
    explicit TokenReader(std::istream& in) : m_in(in) {}
    bool Next(std::string& token);
    // Passes over one token of any length; false at the end of the stream.
    bool Skip();
    bool NextFloat(float& value);
    bool NextUnsigned(uint32_t& value);

private:
    int FirstNonSpace();

    std::istream& m_in;
};
