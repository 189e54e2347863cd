#pragma once

#include "cameras/Angles.h"

#include <cmath>
#include <limits>

// The edge test of the coverage pass: a direction u is outside an edge's
// field F when F < acos(edge . u) in the program's degrees. Far from the
// boundary the cosine of F decides the same without acos; the margin dwarfs
// every rounding on either side, so the outcome is unchanged.
inline constexpr double kCosineMargin = 1e-9;

// cos(F) for a field F whose cosine decides monotonically (0 < F < 177
// degrees); NaN otherwise, which sends every test down the exact path.
inline double FieldCosine(double fovDegrees)
{
    const double radians = fovDegrees / kDegreesPerRadian;
    return radians > 0.0 && radians < 3.09 ? std::cos(radians) : std::numeric_limits<double>::quiet_NaN();
}

inline bool WithinField(double dot, double fovDegrees, double cosFov)
{
    if (dot > cosFov + kCosineMargin)
        return true;
    if (dot < cosFov - kCosineMargin && dot >= -1.0)
        return false;
    // An angle that is not a number (the dot product left [-1, 1] by
    // rounding) does not reject.
    return !(fovDegrees < std::acos(dot) * kDegreesPerRadian);
}

// The same test from q = edge . d and the squared length s = d . d, with no
// square root or division: "q above cos(F) |d|" and "q below it" decide as
// WithinField does wherever they hold, the doubled margin leaving far more
// than any rounding between the squared comparison and edge . (d / |d|).
// Where neither holds, or the dot product may lie below -1, only WithinField
// on the unit vector can tell. A bound that is not a number decides nothing.
inline constexpr double kDotFloor = -1.0 + 2 * kCosineMargin;
inline double FieldAbove(double cosFov)
{
    return cosFov + 2 * kCosineMargin;
}
inline double FieldBelow(double cosFov)
{
    return cosFov - 2 * kCosineMargin;
}

// q > b |d| and q < b |d| for a bound b > 0, given bb = b * b.
inline bool DotExceedsPositive(double q, double s, double bb)
{
    return (q > 0.0) & (q * q > bb * s);
}
inline bool DotFallsShortOfPositive(double q, double s, double bb)
{
    return (q < 0.0) | (q * q < bb * s);
}
// q > kDotFloor |d|
inline bool DotAboveFloor(double q, double s)
{
    return (q >= 0.0) | (q * q < kDotFloor * kDotFloor * s);
}

// q > b |d|
inline bool DotExceeds(double q, double s, double b)
{
    const double qq = q * q, bb = b * b * s;
    return ((b > 0.0) & DotExceedsPositive(q, s, b * b)) | ((b == 0.0) & (q > 0.0)) |
           ((b < 0.0) & ((q >= 0.0) | (qq < bb)));
}

// q < b |d|
inline bool DotFallsShort(double q, double s, double b)
{
    const double qq = q * q, bb = b * b * s;
    return ((b > 0.0) & DotFallsShortOfPositive(q, s, b * b)) | ((b <= 0.0) & (q < 0.0) & (qq > bb));
}

inline bool DotWithin(double q, double s, double above)
{
    return DotExceeds(q, s, above);
}
inline bool DotOutside(double q, double s, double below)
{
    return DotFallsShort(q, s, below) & DotAboveFloor(q, s);
}
