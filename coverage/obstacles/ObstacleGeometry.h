#pragma once

#include "scene/Vec3d.h"

#include <array>

using Triangle = std::array<Vec3d, 3>;

// Narrows [t0, t1] to the part of a + t d whose coordinate c + t dc lies
// within [lo, hi] on one axis (the slab test); false once it is empty. A
// direction of 0 keeps the interval or empties it, never divides.
inline bool ClipToSlab(double c, double dc, double lo, double hi, double& t0, double& t1)
{
    if (dc == 0.0) {
        if (c < lo || c > hi)
            return false;
        return t0 <= t1;
    }
    double ta = (lo - c) / dc, tb = (hi - c) / dc;
    if (ta > tb)
        std::swap(ta, tb);
    if (ta > t0)
        t0 = ta;
    if (tb < t1)
        t1 = tb;
    return t0 <= t1;
}

// Whether the segment a + t d, t in [0, 1], meets the closed box [lo, hi].
bool SegmentMeetsBox(const Vec3d& a, const Vec3d& d, const Vec3d& lo, const Vec3d& hi);

// Whether the segment a + t d, t in [0, 1], meets the triangle (edges and
// corners included). A segment in the triangle's plane only grazes it.
bool SegmentMeetsTriangle(const Vec3d& a, const Vec3d& d, const Triangle& triangle);

// Whether the triangle and the closed box [lo, hi] share a point
// (separating axis test on the box axes, the triangle normal and the nine
// edge cross products).
bool TriangleOverlapsBox(const Triangle& triangle, const Vec3d& lo, const Vec3d& hi);

// Whether the vertical line through (x, z) crosses the triangle below y:
// counted once where the line meets an edge or corner two triangles share,
// so the crossings of a closed mesh have the right parity.
bool CrossesBelow(const Triangle& triangle, double x, double y, double z);
