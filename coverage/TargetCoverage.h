#pragma once

#include "coverage/placement/PlacementSetup.h"
#include <cstdint>
#include <vector>

class CCameraSet;
class CCoverageVolume;
class CPlanningMeasures;

// How well a rig covers the plan's target volume: a target voxel is met when
// at least `minCameras` cameras see a marker there, a pair of them
// triangulates and the expected 3D error is within the planning bound. The
// plan passes when the met share reaches the share asked for.
struct TargetRule {
    std::vector<TargetBox> boxes; // user frame, metres; closed boxes
    uint32_t minCameras = 2;
    double requiredShare = 0.95; // 0 .. 1
};

struct TargetCoverage {
    uint64_t targetVoxels = 0; // centres inside a box and outside every obstacle
    uint64_t metVoxels = 0;
    double targetM3 = 0.0;
    double metM3 = 0.0;
    // NaN without target voxels.
    double Share() const;
    // A target with no voxel in it cannot be met.
    bool Passes(double requiredShare) const;
};

// Over the voxels of a computed coverage and its planning measures; the
// camera set gives the user frame the boxes are in.
TargetCoverage ComputeTargetCoverage(const CCoverageVolume& volume, const CPlanningMeasures& planning,
                                     const TargetRule& rule, const CCameraSet& cameras);
