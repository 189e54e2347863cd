#include "coverage/GridBudget.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace
{

constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
// The advice stops where a voxel would be larger than any room dimension.
constexpr int kLargestAdvisedVoxelCm = 100000;

uint64_t SaturatingProduct(uint64_t a, uint64_t b)
{
    return a != 0 && b > kMax / a ? kMax : a * b;
}

// floor(extent * 100 / size) in float, as the grid sizes its axes.
uint64_t CellsAlong(float extent, float voxelSizeCm)
{
    const float cells = extent * (100.0f / voxelSizeCm);
    if (!std::isfinite(cells) || cells >= 1.8e19f)
        return kMax;
    return cells > 0.0f ? static_cast<uint64_t>(std::floor(cells)) : 0;
}

} // namespace

std::string GigabytesText(uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / 1e9);
    return text;
}

GridBudget CheckGridBudget(uint64_t voxels, uint64_t bytesPerVoxel, uint64_t availableBytes)
{
    GridBudget budget;
    budget.voxels = voxels;
    budget.neededBytes = SaturatingProduct(voxels, bytesPerVoxel);
    budget.freeBytes = availableBytes;
    budget.fits = budget.neededBytes <= availableBytes / 2;
    return budget;
}

uint64_t GridVoxels(float length, float width, float height, float voxelSizeCm)
{
    return SaturatingProduct(SaturatingProduct(CellsAlong(length, voxelSizeCm), CellsAlong(height, voxelSizeCm)),
                             CellsAlong(width, voxelSizeCm));
}

int SmallestFittingVoxelCm(float length, float width, float height, uint64_t bytesPerVoxel, uint64_t availableBytes)
{
    // The count falls with the cube of the size: doubling finds a fitting
    // size quickly, halving back finds the smallest.
    const auto voxelsAt = [&](int cm) { return GridVoxels(length, width, height, static_cast<float>(cm)); };
    const auto fits = [&](int cm) { return CheckGridBudget(voxelsAt(cm), bytesPerVoxel, availableBytes).fits; };
    int high = 1;
    while (!fits(high)) {
        if (high >= kLargestAdvisedVoxelCm)
            return 0;
        high *= 2;
    }
    int low = high / 2; // does not fit, or 0
    while (high - low > 1) {
        const int mid = low + (high - low) / 2;
        (fits(mid) ? high : low) = mid;
    }
    // A size past a room dimension "fits" with no voxel at all: no advice.
    return voxelsAt(high) > 0 ? high : 0;
}

std::string GridBudgetAdvice(const GridBudget& budget, int suggestedVoxelCm)
{
    std::string text =
        "The grid needs " + GigabytesText(budget.neededBytes) + ", " + GigabytesText(budget.freeBytes) + " are free";
    if (suggestedVoxelCm > 0)
        text += ": try a voxel size of " + std::to_string(suggestedVoxelCm) + " cm or more";
    return text;
}
