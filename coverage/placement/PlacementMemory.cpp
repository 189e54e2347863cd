#include "coverage/placement/PlacementMemory.h"

#include "coverage/PlanningCamera.h"
#include "coverage/placement/PlacementCandidates.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

// Lattice points along one axis, as TargetSamples and MountPlaces space them.
double AxisCount(double a, double b, double step)
{
    if (!(b - a > 1e-9))
        return 1.0;
    return std::max(1.0, std::ceil((b - a) / step - 1e-9)) + 1.0;
}

std::string Gigabytes(double bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f GB", bytes / (1024.0 * 1024.0 * 1024.0));
    return text;
}

// Per target point: its coordinates, the figures' marker count and what
// they judge of it, the valid and weight words, and the obstacles' lattice index.
constexpr double kBytesPerSample = 3 * sizeof(float) + sizeof(uint16_t) + 32.0 + 8.0;
// Per target point and search thread: the scorer's counts and bits.
constexpr double kScorerBytesPerSample = 2 * sizeof(uint16_t) + sizeof(uint32_t) + 2 * sizeof(uint16_t) + 2.0;
// Per candidate besides its rows: the candidate, its camera while it is built, its row camera.
constexpr double kBytesPerCandidate =
    sizeof(Candidate) + sizeof(PlanningCamera) + sizeof(CSightMatrix::RowCamera) + sizeof(int64_t);

} // namespace

double TargetSampleCount(const std::vector<TargetBox>& boxes, double step)
{
    double count = 0.0;
    for (const TargetBox& box : boxes) {
        const double n = AxisCount(box.min.x, box.max.x, step) * AxisCount(box.min.y, box.max.y, step) *
                         AxisCount(box.min.z, box.max.z, step);
        count += std::ceil(n / 64.0) * 64.0;
    }
    return count;
}

double MountPlaceCount(const MountSurfaces& mounts, const RoomSize& room, double step, double ceilingStep)
{
    double count = 0.0;
    const double band = AxisCount(WallBottom(mounts, room), WallTop(mounts, room), step);
    for (int w = 0; w < kWallCount; ++w) {
        if (mounts.walls[static_cast<size_t>(w)])
            count += band * AxisCount(0.0, w < 2 ? room.width : room.length, step);
    }
    if (mounts.ceiling)
        count +=
            std::max(1.0, std::round(room.length / ceilingStep)) * std::max(1.0, std::round(room.width / ceilingStep));
    for (const MountSegment& segment : mounts.segments)
        count += AxisCount(0.0, Length(segment.b - segment.a), step);
    return count + static_cast<double>(mounts.points.size());
}

PlacementMemoryEstimate EstimatePlacementMemory(double scoredSamples, double searchSamples, double candidates,
                                                size_t rigCameras, int threads)
{
    PlacementMemoryEstimate estimate;
    estimate.sampleBytes = (scoredSamples + searchSamples) * kBytesPerSample;
    const double words = searchSamples / 64.0;
    // Marker and view bits, held twice while the matrix is filled.
    estimate.candidateBytes = candidates * (4.0 * 8.0 * words + kBytesPerCandidate);
    const double rays = static_cast<double>(rigCameras) * 3 * sizeof(float);
    estimate.searchBytes = std::max(1, threads) * searchSamples * (kScorerBytesPerSample + rays);
    return estimate;
}

std::optional<std::string> CheckPlacementMemory(const PlacementMemoryEstimate& estimate, double availableBytes,
                                                const PlacementRemedyNames& names)
{
    const double limit = std::min(availableBytes, kMaxPlacementBytes);
    if (estimate.Total() <= limit)
        return std::nullopt;
    const bool candidatesFirst = estimate.candidateBytes >= estimate.sampleBytes + estimate.searchBytes;
    const std::string remedy = candidatesFirst ? "a smaller room or fewer mounts (" + names.room + "), a coarser " +
                                                     names.sampleStep + " or fewer cameras (" + names.count + ")"
                                               : "a coarser " + names.sampleStep + ", fewer cameras (" + names.count +
                                                     ") or a smaller room (" + names.room + ")";
    return "the placement would need about " + Gigabytes(estimate.Total()) + " of memory (" +
           Gigabytes(estimate.sampleBytes) + " for the target points, " + Gigabytes(estimate.candidateBytes) +
           " for the candidate cameras, " + Gigabytes(estimate.searchBytes) + " for the search), more than the " +
           Gigabytes(limit) + (availableBytes < kMaxPlacementBytes ? " available now" : " a placement may take") +
           "; use " + remedy;
}

std::string OutOfMemoryText(const PlacementRemedyNames& names)
{
    return "the placement ran out of memory; use a coarser " + names.sampleStep + ", fewer cameras (" + names.count +
           ") or a smaller room (" + names.room + ")";
}
