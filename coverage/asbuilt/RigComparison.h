#pragma once

#include "coverage/CoverageInput.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// How the rig as built is brought into the plan's frame before comparing:
// not at all (both measured from the room corner), by a turn and a shift,
// or by a turn, a shift and a scale (a calibration of unknown unit).
enum class RigAlignment { None, Rigid, Similarity };
// How its cameras are paired with the plan's: by label (the camera's name in
// the calibration), or by nearest centres, one to one.
enum class RigMatching { Labels, Nearest };

// "none", "rigid", "similarity"; "labels", "nearest" (the command-line words).
const char* RigAlignmentKey(RigAlignment alignment);
std::optional<RigAlignment> RigAlignmentFromKey(const std::string& key);
const char* RigMatchingKey(RigMatching matching);
std::optional<RigMatching> RigMatchingFromKey(const std::string& key);

struct RigComparisonOptions {
    RigAlignment alignment = RigAlignment::Rigid;
    RigMatching matching = RigMatching::Labels;
};

// A plan camera and the camera as built paired with it, once aligned.
struct CameraDelta {
    uint32_t planNumber = 0;    // 1-based
    uint32_t asBuiltNumber = 0; // 1-based, in the calibration's order
    std::string asBuiltName;
    double positionMm = 0.0; // distance between the centres
    double aimDeg = 0.0;     // angle between the optical axes
    // Turn of the image about the optical axis, right-handed about the plan's
    // axis, once the axes are brought together; -180 to 180.
    double rollDeg = 0.0;
    double focalPlannedMm = 0.0;
    // The camera's focal length in pixels times the plan camera's pixel
    // pitch (frame width over sensor pixels across).
    double focalFoundMm = 0.0;
};

struct RigComparison {
    RigAlignment alignment = RigAlignment::Rigid;
    RigMatching matching = RigMatching::Labels;
    // plan = scale * turn * as built + shift.
    double scale = 1.0;
    // Root mean square distance of the fitted centres after alignment, and
    // how many the fit kept: cameras far off the others' fit (moved) are
    // left out of it, so that they do not pull the rest.
    double rmsMm = 0.0;
    uint32_t fitted = 0;
    std::vector<CameraDelta> cameras;       // in the plan's order
    std::vector<uint32_t> unmatchedPlan;    // 1-based numbers
    std::vector<uint32_t> unmatchedAsBuilt; // 1-based numbers
    // The plan's computation with the rig as built in its stead: aligned into
    // the plan's frame, every camera in the active range, a camera paired with
    // a plan camera counted only when that one is (enabled and in the plan's
    // range), the others enabled.
    CoverageInput asBuilt;
};

struct RigComparisonResult {
    std::optional<RigComparison> comparison;
    std::string error;
};

// Pairs, aligns and compares the first `asBuiltCount` cameras of `asBuilt`
// (placed in the plan's room, user origin at its corner) with the plan's
// rig. Refused: no pair by label; an alignment with fewer than three pairs,
// or with their centres on a line.
RigComparisonResult CompareRigs(const CoverageInput& plan, const CCameraSet& asBuilt, uint32_t asBuiltCount,
                                const RigComparisonOptions& options);
