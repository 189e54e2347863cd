#pragma once

#include "coverage/placement/SightMatrix.h"

#include <compare>
#include <cstdint>
#include <limits>
#include <vector>

// What a target sample needs to count: at least `minCameras` cameras see a
// marker there and some pair of them lies within the angle range; robust,
// still so with any one camera of the rig lost. Before that, every sample
// should be in view (the classic field test) of `minViews` cameras: a marker
// too small to see may still be tracked from its neighbours, but a point
// outside every field is lost, so the views a rig lacks of that need come
// first, and only rigs that lack as few compare by the marker objective.
// 0 asks for no views.
struct ScoreRule {
    uint32_t minCameras = 2;
    bool robust = false;
    double minAngleDeg = 40.0;
    double maxAngleDeg = 140.0;
    uint32_t minViews = 0;
};

// A rig's score in the matrix's integer weights: the weight of the samples
// that count, then the weight summed over every camera's marker samples (the
// mean number of marker cameras, unnormalised). Before both, the views the
// samples lack of the rule's need, each weighing its sample's weight: fewer
// is better.
struct RigScore {
    int64_t covered = 0;
    int64_t seen = 0;
    int64_t lacking = 0;
    // Below every score a rig can have: the start of a search for the best.
    static constexpr RigScore Worst() { return {0, 0, std::numeric_limits<int64_t>::max()}; }
    friend bool operator==(const RigScore&, const RigScore&) = default;
    friend std::strong_ordering operator<=>(const RigScore& a, const RigScore& b)
    {
        if (a.lacking != b.lacking)
            return b.lacking <=> a.lacking;
        if (a.covered != b.covered)
            return a.covered <=> b.covered;
        return a.seen <=> b.seen;
    }
};

// The score of a rig of matrix rows, kept up to date as rows are added and
// removed, and the score a rig would have with one more row, found from the
// samples that row could change alone. One scorer per thread.
class CRigScorer
{
  public:
    CRigScorer(const CSightMatrix& matrix, const ScoreRule& rule);

    void Assign(const std::vector<uint32_t>& rows);
    const std::vector<uint32_t>& Rows() const { return m_aRows; }
    RigScore Score() const { return m_score; }
    // The score with `row` added; counts one evaluation.
    RigScore ScoreWith(uint32_t row) const;
    // Whether the score with `row` added exceeds `floor`, and if so that score
    // in `score`. Gives up as soon as the samples left cannot get it there,
    // so that most candidates of a scan cost a pass over their words (and one
    // over the words with samples short of views).
    bool ScoresAbove(uint32_t row, const RigScore& floor, RigScore& score) const;
    // The same with the views set aside: whether the samples that count and
    // the marker cameras with `row` added exceed `floor`'s.
    bool MarkersScoreAbove(uint32_t row, const RigScore& floor, RigScore& score) const;
    void Add(uint32_t row);
    // Takes out the member at `slot` (an index into Rows()); the others keep their order.
    void RemoveAt(size_t slot);
    // The weight of the samples `row` sees that are still short of marker
    // cameras: what it adds to coverage capped at the need, the greedy's
    // guide while no sample can count yet.
    int64_t ShortfallGain(uint32_t row) const;
    uint64_t Evaluations() const { return m_nEvaluations; }
    // Whether sample s counts now.
    bool Covered(size_t s) const { return (m_aCovered[s >> 6] >> (s & 63)) & 1u; }
    uint32_t MarkerCount(size_t s) const { return m_aCount[s]; }
    // Cameras that have sample s in view.
    uint32_t ViewCount(size_t s) const { return m_aViews[s]; }

  private:
    static constexpr uint16_t kNoMember = 0xffff;

    bool PairInRange(const std::array<float, 3>& a, const std::array<float, 3>& b) const;
    // Whether adding `row` makes sample s count, given that it is ready and
    // its pairs alone do not settle it.
    bool Completes(uint32_t row, size_t s) const;
    // The score with `row` added, without counting an evaluation.
    RigScore Exact(uint32_t row) const;
    // Whether (covered, seen) with `row` added exceed `floor`'s, pruned; `lacking` goes into `score`.
    bool MarkersAbove(uint32_t row, const RigScore& floor, int64_t lacking, RigScore& score) const;
    // The views `row` adds where samples lack them, weighted.
    int64_t ViewGain(uint32_t row) const;
    void UpdateBits(size_t s);
    void Recompute();

    const CSightMatrix& m_matrix;
    ScoreRule m_rule;
    uint32_t m_nNeed; // marker cameras a sample needs
    double m_dCosLow, m_dCosHigh;
    std::vector<uint32_t> m_aRows;
    // Per member, the unit ray to every sample.
    std::vector<std::vector<std::array<float, 3>>> m_aRays;
    // Per sample: marker cameras, pairs in range, and the members every such pair shares.
    std::vector<uint16_t> m_aCount;
    std::vector<uint32_t> m_aPairs;
    std::vector<std::array<uint16_t, 2>> m_aShared;
    std::vector<uint8_t> m_aSharedCount;
    // Per sample, the members that see a marker there, m_nMemberWords words
    // each: a sample's pairs are found among them alone.
    std::vector<uint64_t> m_aMembers;
    size_t m_nMemberWords = 0;
    // Per sample, the cameras that have it in view; the words with a sample short of the need.
    std::vector<uint16_t> m_aViews;
    std::vector<uint32_t> m_aShortWords;
    // Per sample bits: counts now; one marker camera short of the need; its
    // pairs already do what the rule asks of them; enough marker cameras;
    // in view of fewer cameras than the rule asks.
    std::vector<uint64_t> m_aCovered, m_aReady, m_aSettled, m_aFull, m_aShort;
    RigScore m_score;
    mutable uint64_t m_nEvaluations = 0;
};
