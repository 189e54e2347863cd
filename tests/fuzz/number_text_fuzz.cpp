// The number reader: a token it takes is finite and prints back, through
// the file format, to a token it takes again.
#include "cameras/NumberText.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    float value = 0.0f;
    if (ParseFloatToken(text, value)) {
        float again = 0.0f;
        if (!std::isfinite(value) || !ParseFloatToken(FormatG6(value), again))
            std::abort();
    }
    uint32_t count = 0;
    ParseUnsignedToken(text, count);

    std::istringstream in(text);
    TokenReader reader(in);
    std::string token;
    while (reader.Next(token) || !reader.AtEnd()) {
        if (token.size() > TokenReader::kMaxTokenLength)
            std::abort();
        if (reader.Failure("a number").empty())
            std::abort();
        reader.NextFloat(value);
    }
    return 0;
}
