#include "coverage/MapDiagnostics.h"

#include "cameras/CameraSet.h"
#include "coverage/CoverageInput.h"
#include "coverage/CoverageVolume.h"

#include <cmath>
#include <cstdio>

namespace
{

std::string Cameras(unsigned n)
{
    return std::to_string(n) + (n == 1 ? " camera" : " cameras");
}

std::string Bound(float b)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(b));
    return text;
}

} // namespace

std::string DescribeIsoCondition(const CoverageFilters& filters)
{
    const unsigned t = filters.isoThreshold;
    switch (filters.isoOperator) {
    case 0:
        return "fewer than " + Cameras(t);
    case 1:
        return Cameras(t) + " or fewer";
    case 3:
        return Cameras(t) + " or more";
    case 4:
        return "more than " + Cameras(t);
    case 5:
        return "a number of cameras other than " + std::to_string(t);
    default:
        return Cameras(t);
    }
}

std::optional<std::string> ExplainEmptyMap(const CCoverageVolume& volume, const CoverageInput& input)
{
    if (input.cameraCount == 0)
        return std::nullopt;
    if (volume.HasResults() && volume.GetVoxelCount() == 0)
        return "Map empty: the grid has no voxel, the voxel size of " + Bound(input.voxelSizeCm) +
               " cm is larger than a room dimension";
    if (!volume.HasResults())
        return std::nullopt;
    const CoverageFilters& filters = input.filters;
    if (!volume.MapIsEmpty(filters))
        return std::nullopt;

    const int camera = volume.GetResolutionCamera();
    const std::string name = "camera " + std::to_string(camera + 1);
    if (input.cameras.GetEnabled(camera) != 1)
        return "Map empty: " + name + " is disabled";
    const uint32_t first = input.firstCamera, end = input.endCamera;
    if (static_cast<uint32_t>(camera) < first || static_cast<uint32_t>(camera) >= end)
        return "Map empty: " + name + " is outside the active range (cameras " + std::to_string(first + 1) + " to " +
               std::to_string(end) + ")";

    bool isoHolds = false;
    const size_t n = volume.GetVoxelCount();
    for (size_t t = 0; t < n && !isoHolds; ++t)
        isoHolds = volume.IsoHoldsAt(t, filters);
    if (!isoHolds) {
        std::string text = "Map empty: no voxel is seen by " + DescribeIsoCondition(filters);
        const uint32_t enabled = input.cameras.CountEnabledInRange(first, end);
        if (enabled < filters.isoThreshold)
            text += " (" + std::to_string(enabled) + " enabled in the range)";
        return text;
    }
    return "Map empty: no value of " + name + " lies in the band " + ComparisonOpText(filters.resOperator1) + " " +
           Bound(filters.resBound1) + ", " + ComparisonOpText(filters.resOperator2) + " " + Bound(filters.resBound2);
}
