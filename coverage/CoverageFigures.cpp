#include "coverage/CoverageFigures.h"

#include "coverage/CoverageVolume.h"
#include "coverage/obstacles/Occlusion.h"

std::vector<uint64_t> SeenHistogram(const CCoverageVolume& volume, uint32_t enabled)
{
    std::vector<uint64_t> histogram(enabled + 1, 0);
    const size_t n = volume.GetVoxelCount();
    for (size_t t = 0; t < n; ++t) {
        // A voxel inside an obstacle counts in no figure.
        if (volume.InsideObstacle(t))
            continue;
        const uint32_t seen = volume.SeenCount(t);
        if (seen >= histogram.size())
            histogram.resize(seen + 1, 0);
        ++histogram[seen];
    }
    return histogram;
}

uint64_t InsideObstacleVoxels(const CCoverageVolume& volume)
{
    const COcclusion* occlusion = volume.GetOcclusion();
    return occlusion ? occlusion->InsideCount() : 0;
}

double ObstacleVolumeM3(const CCoverageVolume& volume)
{
    const double edge = volume.GetVoxelEdge();
    return static_cast<double>(InsideObstacleVoxels(volume)) * (edge * edge * edge);
}

std::vector<double> VolumeSeenAtLeast(const std::vector<uint64_t>& histogram, size_t voxels, float voxelEdge)
{
    const double edge = voxelEdge;
    const double voxelVolume = edge * edge * edge;
    std::vector<double> atLeast;
    uint64_t cumulative = voxels;
    for (const uint64_t count : histogram) {
        atLeast.push_back(static_cast<double>(cumulative) * voxelVolume);
        cumulative -= count;
    }
    return atLeast;
}
