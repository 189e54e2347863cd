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
    return VoxelVolumeM3(InsideObstacleVoxels(volume), volume.GetVoxelEdge());
}

std::vector<uint64_t> CountAtLeast(const std::vector<uint64_t>& histogram)
{
    std::vector<uint64_t> atLeast(histogram.size(), 0);
    uint64_t sum = 0;
    for (size_t k = histogram.size(); k-- > 0;)
        atLeast[k] = sum += histogram[k];
    return atLeast;
}

double VoxelVolumeM3(uint64_t voxels, float voxelEdge)
{
    const double edge = voxelEdge;
    return static_cast<double>(voxels) * (edge * edge * edge);
}

std::vector<double> VolumeSeenAtLeast(const std::vector<uint64_t>& histogram, float voxelEdge)
{
    std::vector<double> atLeast;
    for (const uint64_t voxels : CountAtLeast(histogram))
        atLeast.push_back(VoxelVolumeM3(voxels, voxelEdge));
    return atLeast;
}
