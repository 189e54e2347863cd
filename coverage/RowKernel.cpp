#include "coverage/RowKernel.h"

#include "coverage/FieldTest.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

// The same loops once per vector width. Each copy is defined under its
// target, since GCC lowers vector code to the instruction set of the
// function that holds it, before inlining. No fused multiply-add on any
// path: -ffp-contract=off holds for these too.
namespace
{

namespace portable
{
constexpr int kLanes = 2;
#include "coverage/RowKernelLanes.inc"
} // namespace portable

#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2
{
constexpr int kLanes = 4;
#include "coverage/RowKernelLanes.inc"
} // namespace avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f,avx512dq,prefer-vector-width=512")
namespace avx512
{
constexpr int kLanes = 8;
#include "coverage/RowKernelLanes.inc"
} // namespace avx512
#pragma GCC pop_options

} // namespace

namespace
{

// The field widened by this much in its cosine: every voxel the squared test
// may see or leave open lies inside the widened field by at least that.
constexpr double kSpanWidening = 1e-6;
// Bounds on the rounding of the plane directions below: their components
// are off by less than kDirectionError wherever the widened field can hold
// a voxel; a component below kVertical is taken as pointing straight up or down.
constexpr double kDirectionError = 1e-10;
constexpr double kVertical = 1e-8;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The range of tan(elevation) = dy / h over which the direction (w, y) of
// the row's plane lies inside one edge's widened field; false when it never does.
bool EdgeSlopes(double ew, double ey, double bound, double& low, double& high)
{
    const double rr = ew * ew + ey * ey;
    if (rr <= bound * bound)
        return false;
    const double s = std::sqrt(rr - bound * bound);
    // The field's two boundary directions, |v| = rr; the arc between them
    // spans less than half a turn, counter-clockwise from "lower" to "upper".
    const double lowerW = bound * ew + s * ey, lowerY = bound * ey - s * ew;
    const double upperW = bound * ew - s * ey, upperY = bound * ey + s * ew;
    if (lowerW < -kVertical && upperW < -kVertical)
        return false; // all of it behind the camera's vertical through the row
    const double e = kDirectionError;
    low = lowerW > kVertical ? (lowerY - e) / (lowerY - e >= 0.0 ? lowerW + e : lowerW - e) : -kInfinity;
    high = upperW > kVertical ? (upperY + e) / (upperY + e >= 0.0 ? upperW - e : upperW + e) : kInfinity;
    return true;
}

} // namespace

bool NarrowRowSpan(const RowCamera& c, const double* ys, uint32_t n, uint32_t& first, uint32_t& end)
{
    const double hh = c.dxx + c.dzz;
    if (hh < 1e-12)
        return false;
    const double h = std::sqrt(hh);
    double low = -kInfinity, high = kInfinity;
    bool empty = false;
    for (int e = 0; e < 4; ++e) {
        const double bound = c.below[e / 2] - kSpanWidening;
        const double ew = c.rowDot[e] / h, ey = c.ey[e];
        // Directions almost opposite an edge escape its test (FieldTest.h):
        // the plane must keep away from the edge's line.
        if (!(bound >= 1e-3) || !(ew * ew + ey * ey < 0.999998))
            return false;
        double l = 0.0, u = 0.0;
        if (!EdgeSlopes(ew, ey, bound, l, u)) {
            empty = true;
            continue;
        }
        low = std::max(low, l);
        high = std::min(high, u);
    }
    if (empty || !(low <= high)) {
        first = end = 0;
        return true;
    }
    // Heights of the row's voxels above the camera, widened once more for
    // the rounding of the products.
    const double dyLow = low * h - (std::abs(low * h) * 1e-12 + 1e-12);
    const double dyHigh = high * h + (std::abs(high * h) * 1e-12 + 1e-12);
    first = static_cast<uint32_t>(std::partition_point(ys, ys + n, [&](double y) { return y - c.py < dyLow; }) - ys);
    end = static_cast<uint32_t>(std::partition_point(ys, ys + n, [&](double y) { return y - c.py <= dyHigh; }) - ys);
    return true;
}

bool VectorPathRuns(VectorPath path)
{
    switch (path) {
    case VectorPath::Portable:
        return true;
    case VectorPath::Avx2:
        return __builtin_cpu_supports("avx2");
    case VectorPath::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq");
    }
    return false;
}

VectorPath FastestVectorPath()
{
    static const VectorPath fastest = VectorPathRuns(VectorPath::Avx512) ? VectorPath::Avx512
                                      : VectorPathRuns(VectorPath::Avx2) ? VectorPath::Avx2
                                                                         : VectorPath::Portable;
    return fastest;
}

const char* VectorPathName(VectorPath path)
{
    switch (path) {
    case VectorPath::Portable:
        return "portable";
    case VectorPath::Avx2:
        return "avx2";
    case VectorPath::Avx512:
        return "avx512";
    }
    return "?";
}

bool ClassifyRow(VectorPath path, const RowCamera& camera, const double* ys, uint32_t n, int64_t* seen, int64_t* open)
{
    switch (path) {
    case VectorPath::Avx512:
        return avx512::Classify(camera, ys, n, seen, open);
    case VectorPath::Avx2:
        return avx2::Classify(camera, ys, n, seen, open);
    case VectorPath::Portable:
        break;
    }
    return portable::Classify(camera, ys, n, seen, open);
}

void ResolveRow(VectorPath path, double dxx, double dzz, double py, double focal, double a, const double* ys,
                uint32_t n, float* out)
{
    switch (path) {
    case VectorPath::Avx512:
        return avx512::Resolve(dxx, dzz, py, focal, a, ys, n, out);
    case VectorPath::Avx2:
        return avx2::Resolve(dxx, dzz, py, focal, a, ys, n, out);
    case VectorPath::Portable:
        break;
    }
    portable::Resolve(dxx, dzz, py, focal, a, ys, n, out);
}
