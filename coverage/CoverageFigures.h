#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CCoverageVolume;

// The summary figures every output of a computed coverage states: what the
// `coverage` command prints is what the report shows.

// Voxels seen by 0, 1, ..., n cameras, n at least `enabled`; those inside an
// obstacle left out.
std::vector<uint64_t> SeenHistogram(const CCoverageVolume& volume, uint32_t enabled);
// Voxels counted k times or more, k = 0 .. histogram.size() - 1, from the
// voxels counted exactly k times: the one way every "seen by at least k"
// figure is formed, in voxels or (VolumeSeenAtLeast) cubic metres.
std::vector<uint64_t> CountAtLeast(const std::vector<uint64_t>& histogram);
// Cubic metres of `voxels` voxels of edge `voxelEdge`.
double VoxelVolumeM3(uint64_t voxels, float voxelEdge);
// Cubic metres seen by at least 0, 1, ... cameras, from SeenHistogram.
std::vector<double> VolumeSeenAtLeast(const std::vector<uint64_t>& histogram, float voxelEdge);
// Voxels inside an obstacle and their cubic metres; 0 without obstacles.
uint64_t InsideObstacleVoxels(const CCoverageVolume& volume);
double ObstacleVolumeM3(const CCoverageVolume& volume);
