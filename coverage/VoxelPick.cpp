#include "coverage/VoxelPick.h"

#include "coverage/CoverageVolume.h"
#include "coverage/PlanningMeasures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

std::optional<size_t> FirstVoxelAlong(const CCoverageVolume& volume, const Vec3d& origin, const Vec3d& direction,
                                      const std::function<bool(size_t)>& drawn)
{
    if (!volume.HasResults() || volume.GetVoxelCount() == 0)
        return std::nullopt;
    const double edge = volume.GetVoxelEdge();
    const std::array<uint32_t, 3> count{volume.GetCountX(), volume.GetCountY(), volume.GetCountZ()};
    // In cell units along each axis, from the grid's first face: the grid
    // runs up along x and y and down along z from its first voxel.
    const std::array<float, 3> first = volume.Centre(volume.VoxelIndex(0, 0, 0));
    const std::array<float, 3> next =
        volume.Centre(volume.VoxelIndex(count[0] > 1 ? 1 : 0, count[1] > 1 ? 1 : 0, count[2] > 1 ? 1 : 0));
    const double p[3] = {origin.x, origin.y, origin.z};
    const double v[3] = {direction.x, direction.y, direction.z};
    std::array<double, 3> o{};
    std::array<double, 3> d{};
    for (int a = 0; a < 3; ++a) {
        const double sign = next[a] < first[a] ? -1.0 : 1.0;
        o[a] = sign * (p[a] - first[a]) / edge + 0.5;
        d[a] = sign * v[a] / edge;
    }
    // The slab test: where the ray enters and leaves the grid's box.
    double enter = 0.0;
    double leave = std::numeric_limits<double>::infinity();
    for (int a = 0; a < 3; ++a) {
        if (d[a] == 0.0) {
            if (o[a] < 0.0 || o[a] > count[a])
                return std::nullopt;
            continue;
        }
        double t0 = -o[a] / d[a];
        double t1 = (count[a] - o[a]) / d[a];
        if (t0 > t1)
            std::swap(t0, t1);
        enter = std::max(enter, t0);
        leave = std::min(leave, t1);
    }
    if (!(enter <= leave))
        return std::nullopt;
    // From the cell the ray enters through, one cell boundary at a time.
    std::array<int64_t, 3> cell{};
    std::array<int64_t, 3> step{};
    std::array<double, 3> boundary{};
    std::array<double, 3> delta{};
    for (int a = 0; a < 3; ++a) {
        const double at = o[a] + d[a] * enter;
        cell[a] = std::clamp<int64_t>(static_cast<int64_t>(std::floor(at)), 0, count[a] - 1);
        if (d[a] == 0.0) {
            boundary[a] = delta[a] = std::numeric_limits<double>::infinity();
            continue;
        }
        // A ray entering through a face runs into the cell beyond it.
        if (d[a] < 0.0 && at == std::floor(at) && at > 0.0 && cell[a] == static_cast<int64_t>(at))
            --cell[a];
        step[a] = d[a] > 0.0 ? 1 : -1;
        boundary[a] = ((cell[a] + (d[a] > 0.0 ? 1 : 0)) - o[a]) / d[a];
        delta[a] = 1.0 / std::abs(d[a]);
    }
    for (;;) {
        const size_t t = volume.VoxelIndex(static_cast<uint32_t>(cell[0]), static_cast<uint32_t>(cell[1]),
                                           static_cast<uint32_t>(cell[2]));
        if (drawn(t))
            return t;
        const int a =
            boundary[0] < boundary[1] ? (boundary[0] < boundary[2] ? 0 : 2) : (boundary[1] < boundary[2] ? 1 : 2);
        if (boundary[a] > leave)
            return std::nullopt;
        cell[a] += step[a];
        if (cell[a] < 0 || cell[a] >= count[a])
            return std::nullopt;
        boundary[a] += delta[a];
    }
}

std::optional<size_t> FirstQualityVoxel(const CCoverageVolume& volume, const CPlanningMeasures& planning,
                                        PlanningMeasure measure, const std::optional<QualityThreshold>& threshold,
                                        int shownLayers, const Vec3d& origin, const Vec3d& direction)
{
    if (!planning.HasResults() || planning.GetVoxelCount() != volume.GetVoxelCount())
        return std::nullopt;
    const size_t layers = volume.GetCountY();
    const auto shown = static_cast<size_t>(std::max(shownLayers, 0));
    return FirstVoxelAlong(volume, origin, direction, [&](size_t t) {
        return t % layers < shown && QualityVoxelShown(planning, measure, threshold, t);
    });
}
