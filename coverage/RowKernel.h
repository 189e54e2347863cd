#pragma once

#include <cstdint>

// The inner loops of the voxel pass, along one row of voxels (x and z fixed,
// the layer j running), at the vector width the processor offers. Every path
// performs the same double operations in the same order on each voxel, so
// they give the same results to the bit; only the number of voxels handled
// per instruction differs.
enum class VectorPath { Portable, Avx2, Avx512 };

// The widest path this processor runs.
VectorPath FastestVectorPath();
bool VectorPathRuns(VectorPath path);
const char* VectorPathName(VectorPath path);

// Row buffers (layer heights, counts, open flags) hold this many entries past
// the last layer, so that the vector loops never need a scalar tail.
inline constexpr uint32_t kRowPadding = 8;
// Entries of a row buffer for n layers.
inline constexpr uint32_t PaddedRow(uint32_t n)
{
    return (n + kRowPadding - 1) / kRowPadding * kRowPadding;
}

// One camera seen from one row: d = (dx, y - py, dz) is the voxel's offset
// from the camera, q_e = rowDot[e] + ey[e] (y - py) its dot product with
// edge e (H+, H-, V+, V-), and above/below the bounds of the squared edge
// test of the horizontal and the vertical pair (see FieldTest.h).
struct RowCamera {
    double dxx = 0.0; // dx * dx
    double dzz = 0.0; // dz * dz
    double py = 0.0;
    double rowDot[4] = {};
    double ey[4] = {};
    double above[2] = {};
    double below[2] = {};
};

// Layers first .. end-1 of a row outside which every voxel fails a narrow
// camera's squared edge test (below the bound of some edge, and not the
// direction opposite it): the camera neither sees them nor leaves them open.
// Found from the two directions in the row's vertical plane at which each
// edge's field, widened by far more than any rounding, meets the plane.
// False where that cannot be told safely (a bound at or below 0.001, a row
// through the camera, an edge almost in the row's plane): then every layer
// must be tested. ys holds n increasing heights.
bool NarrowRowSpan(const RowCamera& camera, const double* ys, uint32_t n, uint32_t& first, uint32_t& end);

// The squared edge test for layers 0 .. n-1 of a row. Where the camera
// certainly sees the voxel, seen[j] grows by one; where only the exact test
// can tell, open[j] is set non-zero (else zero). Returns whether any is open.
// ys, seen and open hold PaddedRow(n) entries.
bool ClassifyRow(VectorPath path, const RowCamera& camera, const double* ys, uint32_t n, int64_t* seen, int64_t* open);

// A camera's resolution values for layers 0 .. n-1 of a row, at the distance
// sqrt((dxx + dy dy) + dzz) with dy = ys[j] - py: out holds n entries.
void ResolveRow(VectorPath path, double dxx, double dzz, double py, double focal, double a, const double* ys,
                uint32_t n, float* out);
