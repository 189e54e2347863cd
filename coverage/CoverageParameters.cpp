#include "coverage/CoverageVolume.h"

#include <cmath>

std::string ComparisonOpText(unsigned i)
{
    return i < static_cast<unsigned>(kComparisonOpCount) ? kComparisonOps[i] : "Invalid Control";
}

namespace
{

// Shifting by 5 one decimal below the kept ones and truncating rounds half
// away from zero; extended precision keeps a double just below a half (0.705
// is 0.70499999...) from being rounded up by the scaling itself.
long double RoundExtended(long double v, bool nonNegativeOrNaN, int digits, int base)
{
    const long double p = std::pow(static_cast<double>(base), digits + 1);
    long double x = v * p;
    x += nonNegativeOrNaN ? 5.0L : -5.0L;
    x /= base;
    return std::trunc(x) / static_cast<long double>(std::pow(static_cast<double>(base), digits));
}

} // namespace

long double RoundTo(float v, int digits, int base)
{
    return RoundExtended(v, v >= 0.0f || std::isnan(v), digits, base);
}

long double RoundTo(double v, int digits, int base)
{
    return RoundExtended(v, v >= 0.0 || std::isnan(v), digits, base);
}

ColorName BandColor(int band)
{
    static constexpr ColorName kBands[] = {ColorName::Black, ColorName::DarkViolet, ColorName::Indigo, ColorName::Blue,
                                           ColorName::Green, ColorName::Yellow,     ColorName::Orange, ColorName::Red,
                                           ColorName::Grey,  ColorName::Chocolate};
    return band >= 0 && band <= kBandChocolate ? kBands[band] : ColorName::Black;
}
