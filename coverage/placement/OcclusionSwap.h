#pragma once

#include "coverage/placement/PlacementSearch.h"

#include <array>
#include <cstdint>
#include <vector>

// Swap passes for the occlusion objective: each slot of a rig the search
// found takes, in turn, the candidate of its list that frees the most of a
// performer's turn at the target samples (weighted), among those that keep
// the spacing and lack no more views than the rig did. The turn is judged on
// 72 arcs of 5 degrees, a performer's normal at each arc's middle (the
// figures then measure the angle exactly); a pass that frees nothing more ends it.
class COcclusionSwap
{
  public:
    static constexpr int kArcs = 72;
    using ArcMask = std::array<uint64_t, 2>;

    COcclusionSwap(const CSightMatrix& matrix, const ScoreRule& rule);

    // Passes over `slots` (a row per slot, beside `fixed`) until one changes
    // nothing, the deadline passes or the flag is raised.
    void Run(const std::vector<uint32_t>& fixed, std::vector<uint32_t>& slots,
             const std::vector<std::vector<uint32_t>>& slotCandidates, const SearchSettings& settings);
    // The weighted count of arcs free at the samples, for the rig the last Run left.
    int64_t FreeArcs() const { return m_nFree; }

  private:
    // The arcs in which a camera whose ray has this azimuth stays visible.
    const ArcMask& HalfTurn(const std::array<float, 3>& ray) const;
    bool PairInRange(const std::array<float, 3>& a, const std::array<float, 3>& b) const;
    // Sample s's free arcs from the members that see it.
    ArcMask MaskAt(size_t s) const;
    void Rebuild();
    int64_t Gain(uint32_t row) const;
    // How the weighted views lacking change when `in` takes the place of
    // `out`, the rig's counts being those without `out`.
    int64_t ViewDelta(uint32_t in, uint32_t out) const;

    const CSightMatrix& m_matrix;
    ScoreRule m_rule;
    double m_dCosLow, m_dCosHigh;
    std::vector<ArcMask> m_aHalfTurns; // per whole degree of azimuth, and one for overhead
    std::vector<uint32_t> m_aRows;     // the rig
    std::vector<ArcMask> m_aMask;      // per sample
    std::vector<uint16_t> m_aViews;    // per sample
    int64_t m_nFree = 0;
};
