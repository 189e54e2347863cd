#pragma once

#include "coverage/PlanningCamera.h"
#include "coverage/placement/RigScorer.h"
#include "coverage/placement/TargetSamples.h"

#include <cstdint>
#include <vector>

// A rig judged at the target samples with the planning measures' own
// decisions: the per-point test with the obstacles, pair angles in true
// degrees, sigma3d from the full information matrix.
struct PlacementFigures {
    double objective = 0.0;         // weighted share of samples that count under the rule
    double plainObjective = 0.0;    // the same without the robust condition
    double robustObjective = 0.0;   // the same, still so with any one camera lost
    double meanMarkerCameras = 0.0; // weighted
    double medianSigmaMm = 0.0;     // nearest rank over the samples that count; NaN for none
    double shareAtLeastK = 0.0;     // weighted share seen by at least K marker cameras
    uint32_t minMarkerCameras = 0;  // over every sample
    uint32_t minSeenCameras = 0;    // the same for the classic test: inside the field, not blocked
    // Cameras the classic test puts short of the rule's views, per sample (weighted mean).
    double viewsLacking = 0.0;
    // The occluded angle (OccludedAngleDeg) over the samples, weighted mean,
    // and the weighted share where it is 0.
    double meanOccludedDeg = 0.0;
    double shareUnoccluded = 0.0;
    uint64_t samples = 0;
    // Marker cameras per sample (0 for samples that do not count as target points).
    std::vector<uint16_t> markerCounts;
};

PlacementFigures EvaluateRig(const std::vector<PlanningCamera>& cameras, const CTargetSamples& samples,
                             const ScoreRule& rule);

// What a placement seeks: the share of target points that count, or the
// least mean occluded angle; both after the views each point lacks.
enum class PlacementObjective { Coverage, Occlusion };
const char* PlacementObjectiveKey(PlacementObjective objective); // "coverage", "occlusion"

// Lexicographic: the fewer views lacking, objective, mean marker cameras,
// then the lower median sigma3d; for the occlusion objective the lower mean
// occluded angle comes before the objective.
bool BetterFigures(const PlacementFigures& a, const PlacementFigures& b,
                   PlacementObjective objective = PlacementObjective::Coverage);
