#pragma once

#include <cstdint>
#include <string>

// What a voxel grid needs in memory against what the system can give now.
// MemAvailable counts caches the kernel must first drop, and other programs
// on a shared machine go on allocating: a grid may take half of it.
struct GridBudget {
    uint64_t voxels = 0;
    uint64_t neededBytes = 0;
    uint64_t freeBytes = 0;
    bool fits = true;
};

// voxels * bytesPerVoxel (saturating) against half of `availableBytes`.
GridBudget CheckGridBudget(uint64_t voxels, uint64_t bytesPerVoxel, uint64_t availableBytes);

// Voxels of a room of length, width and height (metres) at a voxel size
// (cm), counted as the grid counts them; saturates instead of wrapping.
uint64_t GridVoxels(float length, float width, float height, float voxelSizeCm);

// The smallest whole voxel size in centimetres at which that room fits the
// budget; 0 when none up to the room's own size does.
int SmallestFittingVoxelCm(float length, float width, float height, uint64_t bytesPerVoxel, uint64_t availableBytes);

// "15.4 GB".
std::string GigabytesText(uint64_t bytes);

// "The grid needs 15.4 GB, 6.7 GB are free: try a voxel size of 9 cm or more".
std::string GridBudgetAdvice(const GridBudget& budget, int suggestedVoxelCm);
