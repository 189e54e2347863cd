#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

// Number text of the camera data and calibration files. Locale-independent
// (the decimal point is always "."), whatever locale the GUI toolkit set.

// A whole token as a finite single-precision number in decimal notation,
// optional sign and exponent; false for anything else ("1.5abc", "nan",
// "+-8.5").
bool ParseFloatToken(std::string_view token, float& value);
// A whole token of decimal digits (an optional '+' allowed).
bool ParseUnsignedToken(std::string_view token, uint32_t& value);
// printf's %g with precision 6: six significant digits, no trailing zeros.
std::string FormatG6(double value);

// Why a file cannot be read as a number file: it is missing, not a regular
// file (a device or a pipe could be read for ever) or unreadable. Empty for
// a file that may be opened.
std::string CheckNumberFile(const std::string& path);

// Reads whitespace-separated tokens from a stream. A token longer than any
// number could be (a binary file, say) ends the stream as unreadable instead
// of being gathered into memory.
class TokenReader
{
  public:
    // Longest token Next takes, and longest word Skip passes over.
    static constexpr size_t kMaxTokenLength = 256;
    static constexpr size_t kMaxWordLength = 65536;

    explicit TokenReader(std::istream& in) : m_in(in) {}
    bool Next(std::string& token);
    // Passes over one word of up to kMaxWordLength characters; false at the
    // end of the stream or for a longer word.
    bool Skip();
    bool NextFloat(float& value);
    bool NextUnsigned(uint32_t& value);

    // Why the last read failed, with its line, as in `line 3: "abc" is not
    // a number`; `what` names what was expected there ("a number").
    std::string Failure(const std::string& what) const;
    bool AtEnd() const { return m_bAtEnd; }

  private:
    int Get();
    int FirstNonSpace();

    std::istream& m_in;
    std::string m_strLast;
    int m_nLine = 1;
    int m_nTokenLine = 1;
    bool m_bAtEnd = false;
    bool m_bTooLong = false;
};
