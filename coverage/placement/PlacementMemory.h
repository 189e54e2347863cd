#pragma once

#include "coverage/placement/PlacementSetup.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a placement will allocate, counted from the request alone before any
// of it is: the target points (scored and searched), the candidate cameras'
// rows and the search's per-thread state.
struct PlacementMemoryEstimate {
    double sampleBytes = 0.0;
    double candidateBytes = 0.0;
    double searchBytes = 0.0;
    double Total() const { return sampleBytes + candidateBytes + searchBytes; }
};

// At most this much, whatever the machine has free.
inline constexpr double kMaxPlacementBytes = 4.0 * 1024 * 1024 * 1024;

// How the front end calls what the user can change, for the refusal to name.
struct PlacementRemedyNames {
    std::string sampleStep = "the sample step";
    std::string room = "the room";
    std::string count = "the cameras to add";
};

// Target points of the boxes on lattices `step` apart, as CTargetSamples
// lays them out (each box padded to 64).
double TargetSampleCount(const std::vector<TargetBox>& boxes, double step);
// The most places Places(step, ceilingStep) can give.
double MountPlaceCount(const MountSurfaces& mounts, const RoomSize& room, double step, double ceilingStep);

PlacementMemoryEstimate EstimatePlacementMemory(double scoredSamples, double searchSamples, double candidates,
                                                size_t rigCameras, int threads);
// Why the estimate cannot be allocated, naming what to change (the part that
// weighs most first); nullopt when it fits both `availableBytes` and
// kMaxPlacementBytes.
std::optional<std::string> CheckPlacementMemory(const PlacementMemoryEstimate& estimate, double availableBytes,
                                                const PlacementRemedyNames& names);
// The refusal when an allocation failed all the same.
std::string OutOfMemoryText(const PlacementRemedyNames& names);
