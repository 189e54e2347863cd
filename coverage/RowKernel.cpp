#include "coverage/RowKernel.h"

#include "coverage/FieldTest.h"

#include <cmath>
#include <cstring>

// The same loops once per vector width. Each copy is defined under its
// target, since GCC lowers vector code to the instruction set of the
// function that holds it, before inlining. No fused multiply-add on any
// path: -ffp-contract=off holds for these too.
namespace {

namespace portable {
constexpr int kLanes = 2;
#include "coverage/RowKernelLanes.inc"
} // namespace portable

#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {
constexpr int kLanes = 4;
#include "coverage/RowKernelLanes.inc"
} // namespace avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f,avx512dq,prefer-vector-width=512")
namespace avx512 {
constexpr int kLanes = 8;
#include "coverage/RowKernelLanes.inc"
} // namespace avx512
#pragma GCC pop_options

} // namespace

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

bool ClassifyRow(VectorPath path, const RowCamera& camera, const double* ys, uint32_t n, int64_t* seen,
                 int64_t* open)
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
