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

// The same test without dividing d by its length l: with q = edge . d,
// "q above cos(F) l" and "q below it" decide as WithinField does wherever
// they hold, the doubled margin leaving far more than any rounding between
// q / l and edge . (d / l). Where neither holds, or the dot product may lie
// below -1, only WithinField on the unit vector can tell.
inline constexpr double kDotFloor = -1.0 + 2 * kCosineMargin;
inline double FieldAbove(double cosFov) { return cosFov + 2 * kCosineMargin; }
inline double FieldBelow(double cosFov) { return cosFov - 2 * kCosineMargin; }
inline bool DotWithin(double q, double l, double above) { return q > above * l; }
inline bool DotOutside(double q, double l, double below) { return (q < below * l) & (q > kDotFloor * l); }
