#pragma once

#include "coverage/placement/RigScorer.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

// How long and how widely the discrete search looks.
struct SearchSettings {
    int restarts = 8; // restart 0 is plain greedy, the others choose among the best few
    uint64_t seed = 1;
    int threads = 0;    // 0: every core
    int maxPasses = 50; // swap passes of one restart at most
    int choices = 4;    // a randomised greedy step picks among this many best
    // Rigs up to this many are all tried instead (the slots' candidate
    // combinations); 0 never.
    double exhaustiveLimit = 2e5;
    double minSpacing = 0.2; // metres between two cameras at least
    // Stop, keeping the best rig found, once this passes or the flag is raised.
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    const std::atomic<bool>* cancel = nullptr;
};

struct SearchResult {
    std::vector<uint32_t> rows; // per slot, the row placed there
    RigScore score;
    double medianSigmaMm = 0.0; // over the samples that count; NaN for none
    uint64_t evaluations = 0;
    int restartsDone = 0; // restarts that ran to their end
    int bestRestart = -1; // -1: no rig found; 0 as well for the exhaustive search
    bool exhaustive = false;
    bool stopped = false; // the deadline or the flag cut the search short
};

// What the search has found so far, after each restart.
struct SearchProgress {
    int restartsDone = 0;
    int restarts = 0;
    RigScore best;
    std::vector<uint32_t> bestRows;
};

// Chooses one row per slot (each slot has its own candidate rows: its lens)
// beside fixed rows that stay: greedy by marginal gain, then swap passes
// (each slot in turn replaced by the candidate that scores best in its
// place, until a pass changes nothing), from several restarts shared out
// over the threads. The result depends on the seed and the settings only:
// the restarts are seeded by their index and compared in index order.
class CPlacementSearch
{
  public:
    CPlacementSearch(const CSightMatrix& matrix, const ScoreRule& rule, std::vector<uint32_t> fixedRows,
                     std::vector<std::vector<uint32_t>> slotCandidates);

    SearchResult Run(const SearchSettings& settings, const std::function<void(const SearchProgress&)>& progress = {});
    // Every combination of the slots' candidates, slots of one candidate list
    // taking them in increasing order; the first best in that order wins.
    SearchResult Exhaustive(const SearchSettings& settings) const;
    // How many rigs Exhaustive tries.
    double CombinationCount() const;

    // One restart's greedy rig (slot rows), scored into `scorer`.
    std::vector<uint32_t> Greedy(CRigScorer& scorer, int restart, const SearchSettings& settings) const;
    // One pass over the slots; whether it improved the rig.
    bool SwapPass(CRigScorer& scorer, std::vector<uint32_t>& slots, const SearchSettings& settings) const;
    // Median sigma3d over the samples the scorer's rig covers.
    double MedianSigma(const CRigScorer& scorer) const;

  private:
    // Whether `row` keeps the spacing from every member of the scorer's rig but `skip`.
    bool Spaced(const CRigScorer& scorer, uint32_t row, double minSpacing) const;
    static bool Stopped(const SearchSettings& settings);

    const CSightMatrix& m_matrix;
    ScoreRule m_rule;
    std::vector<uint32_t> m_aFixed;
    std::vector<std::vector<uint32_t>> m_aSlots;
};
