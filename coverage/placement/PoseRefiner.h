#pragma once

#include "coverage/placement/PlacementCandidates.h"
#include "coverage/placement/RigScorer.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

// A new camera during refinement: its place, pose, camera model and the
// matrix row that holds its samples.
struct RefinedCamera {
    MountPlace place;
    CameraPose pose;
    uint32_t model = 0;
    uint32_t row = 0;
};

// Moves each new camera in turn along its surface and turns it (pan and
// tilt) with BOBYQA, the others held still, each trial scored with its
// exact marker samples. A camera keeps a trial only if it scores better.
class CPoseRefiner
{
  public:
    CPoseRefiner(CPlacementCandidates& candidates, const ScoreRule& rule, double minSpacing);

    // One round over `cameras`; whether any improved. `maxEvaluations` trials per camera.
    bool Round(std::vector<RefinedCamera>& cameras, const std::vector<uint32_t>& fixedRows, int maxEvaluations,
               std::chrono::steady_clock::time_point deadline, const std::atomic<bool>* cancel);
    uint64_t Evaluations() const { return m_nEvaluations; }

    // The pose a camera at `place` has with the given pan and tilt.
    CameraPose PoseAt(const MountPlace& place, double hTilt, double vTilt) const;
    // Whether `place` holds a camera at least the spacing from each of `others` (internal-frame rows).
    bool Fits(const MountPlace& place, const std::vector<uint32_t>& others) const;
    // Puts a camera's samples into its row.
    void StoreRow(const RefinedCamera& camera);

  private:
    CPlacementCandidates& m_candidates;
    ScoreRule m_rule;
    double m_dMinSpacing;
    uint32_t m_nScratchRow;
    uint64_t m_nEvaluations = 0;
};
