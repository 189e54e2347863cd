#include "coverage/placement/PlacementSearch.h"

#include "coverage/PlanningMeasures.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <random>
#include <thread>

namespace
{

constexpr uint32_t kNoRow = std::numeric_limits<uint32_t>::max();
// How often the candidate loops look at the clock and the flag.
constexpr uint32_t kStopCheckEvery = 256;

struct Ranked {
    RigScore score;
    uint32_t row;
    int64_t shortfall = 0;
};

// The greedy's order: samples that come to count, then the views still
// lacking, coverage up to the need, then the rest of the score; the lower row
// on a tie. The views come after the markers here: first they would fill the
// rig with the cameras that see farthest, which few swaps undo, whereas a
// rig built for the markers lacks few views, and the swap passes, which
// take the views first, give them back.
bool GreedyBefore(const Ranked& a, const Ranked& b)
{
    if (a.score.covered != b.score.covered)
        return a.score.covered > b.score.covered;
    if (a.score.lacking != b.score.lacking)
        return a.score.lacking < b.score.lacking;
    if (a.shortfall != b.shortfall)
        return a.shortfall > b.shortfall;
    return a.score.seen != b.score.seen ? a.score.seen > b.score.seen : a.row < b.row;
}

// Lower is better; a rig without any sigma ranks last.
bool SigmaBefore(double a, double b)
{
    if (std::isnan(b))
        return !std::isnan(a);
    return !std::isnan(a) && a < b;
}

struct RestartOutcome {
    bool complete = false; // every slot filled
    std::vector<uint32_t> rows;
    RigScore score;
    double sigma = std::numeric_limits<double>::quiet_NaN();
    bool finished = false; // ran to its end
};

} // namespace

CPlacementSearch::CPlacementSearch(const CSightMatrix& matrix, const ScoreRule& rule, std::vector<uint32_t> fixedRows,
                                   std::vector<std::vector<uint32_t>> slotCandidates)
    : m_matrix(matrix), m_rule(rule), m_aFixed(std::move(fixedRows)), m_aSlots(std::move(slotCandidates))
{
}

bool CPlacementSearch::Stopped(const SearchSettings& settings)
{
    if (settings.cancel && settings.cancel->load(std::memory_order_relaxed))
        return true;
    return settings.deadline != std::chrono::steady_clock::time_point::max() &&
           std::chrono::steady_clock::now() >= settings.deadline;
}

bool CPlacementSearch::Spaced(const CRigScorer& scorer, uint32_t row, double minSpacing) const
{
    const std::array<float, 3>& p = m_matrix.Camera(row).position;
    const double limit = minSpacing * minSpacing;
    for (const uint32_t member : scorer.Rows()) {
        const std::array<float, 3>& q = m_matrix.Camera(member).position;
        const double dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
        if (dx * dx + dy * dy + dz * dz < limit)
            return false;
    }
    return true;
}

std::vector<uint32_t> CPlacementSearch::Greedy(CRigScorer& scorer, int restart, const SearchSettings& settings) const
{
    scorer.Assign(m_aFixed);
    std::seed_seq seeds{static_cast<uint32_t>(settings.seed), static_cast<uint32_t>(settings.seed >> 32),
                        static_cast<uint32_t>(restart)};
    std::mt19937_64 random(seeds);
    const size_t choices = restart == 0 ? 1 : static_cast<size_t>(std::max(1, settings.choices));
    std::vector<uint32_t> slots(m_aSlots.size(), kNoRow);
    std::vector<Ranked> best;
    uint32_t sinceCheck = 0;
    for (size_t k = 0; k < m_aSlots.size(); ++k) {
        best.clear();
        for (const uint32_t row : m_aSlots[k]) {
            if (++sinceCheck == kStopCheckEvery) {
                sinceCheck = 0;
                if (Stopped(settings))
                    return slots;
            }
            if (!Spaced(scorer, row, settings.minSpacing))
                continue;
            // A row whose samples that come to count fall short of the list's last cannot enter a full list.
            Ranked ranked{{}, row};
            if (best.size() == choices) {
                const RigScore floor{best.back().score.covered - 1, std::numeric_limits<int64_t>::max()};
                if (!scorer.MarkersScoreAbove(row, floor, ranked.score))
                    continue;
            } else {
                ranked.score = scorer.ScoreWith(row);
            }
            ranked.shortfall = scorer.ShortfallGain(row);
            if (best.size() == choices && !GreedyBefore(ranked, best.back()))
                continue;
            best.insert(std::upper_bound(best.begin(), best.end(), ranked, GreedyBefore), ranked);
            if (best.size() > choices)
                best.pop_back();
        }
        if (best.empty())
            return slots;
        const uint32_t pick = best[best.size() == 1 ? 0 : random() % best.size()].row;
        slots[k] = pick;
        scorer.Add(pick);
    }
    return slots;
}

bool CPlacementSearch::SwapPass(CRigScorer& scorer, std::vector<uint32_t>& slots, const SearchSettings& settings) const
{
    bool improved = false;
    uint32_t sinceCheck = 0;
    for (size_t k = 0; k < slots.size(); ++k) {
        const uint32_t current = slots[k];
        const RigScore now = scorer.Score();
        const auto& rows = scorer.Rows();
        const size_t member = static_cast<size_t>(std::find(rows.begin(), rows.end(), current) - rows.begin());
        scorer.RemoveAt(member);
        Ranked best{now, current};
        bool stopped = false;
        for (const uint32_t row : m_aSlots[k]) {
            if (++sinceCheck == kStopCheckEvery) {
                sinceCheck = 0;
                if ((stopped = Stopped(settings)))
                    break;
            }
            if (row == current || !Spaced(scorer, row, settings.minSpacing))
                continue;
            RigScore score;
            if (scorer.ScoresAbove(row, best.score, score))
                best = {score, row};
        }
        scorer.Add(best.row);
        if (best.row != current) {
            slots[k] = best.row;
            improved = true;
        }
        if (stopped)
            return false;
    }
    return improved;
}

double CPlacementSearch::MedianSigma(const CRigScorer& scorer) const
{
    std::vector<double> sigmas;
    std::vector<std::array<double, 3>> rays;
    std::vector<double> noise;
    for (size_t s = 0; s < m_matrix.SampleCount(); ++s) {
        if (!scorer.Covered(s))
            continue;
        rays.clear();
        noise.clear();
        const std::array<float, 3>& q = m_matrix.Sample(s);
        for (const uint32_t row : scorer.Rows()) {
            if (!m_matrix.Sees(row, s))
                continue;
            const CSightMatrix::RowCamera& camera = m_matrix.Camera(row);
            const double d[3] = {static_cast<double>(q[0]) - camera.position[0],
                                 static_cast<double>(q[1]) - camera.position[1],
                                 static_cast<double>(q[2]) - camera.position[2]};
            const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            const double depthMm = 1000.0 * (d[0] * camera.axis[0] + d[1] * camera.axis[1] + d[2] * camera.axis[2]);
            rays.push_back({d[0] / length, d[1] / length, d[2] / length});
            noise.push_back(camera.sigmaPerDepthMm * depthMm);
        }
        const double sigma = Sigma3dMm(rays, noise);
        if (!std::isnan(sigma))
            sigmas.push_back(sigma);
    }
    if (sigmas.empty())
        return std::numeric_limits<double>::quiet_NaN();
    const auto middle = sigmas.begin() + static_cast<std::ptrdiff_t>((sigmas.size() - 1) / 2);
    std::nth_element(sigmas.begin(), middle, sigmas.end());
    return *middle;
}

double CPlacementSearch::CombinationCount() const
{
    // Slots of one list choose a set: n over k for a run of k such slots.
    double count = 1.0;
    for (size_t k = 0; k < m_aSlots.size();) {
        size_t run = 1;
        while (k + run < m_aSlots.size() && m_aSlots[k + run] == m_aSlots[k])
            ++run;
        const double n = static_cast<double>(m_aSlots[k].size());
        for (size_t i = 0; i < run; ++i)
            count *= std::max(0.0, n - static_cast<double>(i)) / static_cast<double>(i + 1);
        k += run;
    }
    return count;
}

SearchResult CPlacementSearch::Exhaustive(const SearchSettings& settings) const
{
    SearchResult result;
    result.exhaustive = true;
    CRigScorer scorer(m_matrix, m_rule);
    scorer.Assign(m_aFixed);
    std::vector<uint32_t> slots(m_aSlots.size(), kNoRow);
    bool any = false;
    uint32_t sinceCheck = 0;
    // Depth first; a slot of the same list as the one before takes only later candidates.
    auto visit = [&](auto&& self, size_t k) -> void {
        if (result.stopped)
            return;
        const bool sameList = k > 0 && m_aSlots[k] == m_aSlots[k - 1];
        const std::vector<uint32_t>& list = m_aSlots[k];
        size_t first = 0;
        if (sameList)
            first = static_cast<size_t>(std::find(list.begin(), list.end(), slots[k - 1]) - list.begin()) + 1;
        for (size_t i = first; i < list.size(); ++i) {
            if (++sinceCheck == kStopCheckEvery) {
                sinceCheck = 0;
                if ((result.stopped = Stopped(settings)))
                    return;
            }
            const uint32_t row = list[i];
            if (!Spaced(scorer, row, settings.minSpacing))
                continue;
            slots[k] = row;
            if (k + 1 == m_aSlots.size()) {
                RigScore score;
                if (!any) {
                    score = scorer.ScoreWith(row);
                } else if (!scorer.ScoresAbove(row, result.score, score)) {
                    continue;
                }
                any = true;
                result.score = score;
                result.rows = slots;
                continue;
            }
            scorer.Add(row);
            self(self, k + 1);
            scorer.RemoveAt(scorer.Rows().size() - 1);
            if (result.stopped)
                return;
        }
    };
    if (!m_aSlots.empty())
        visit(visit, 0);
    result.evaluations = scorer.Evaluations();
    result.bestRestart = any ? 0 : -1;
    result.restartsDone = result.stopped ? 0 : 1;
    if (any) {
        scorer.Assign(m_aFixed);
        for (const uint32_t row : result.rows)
            scorer.Add(row);
        result.medianSigmaMm = MedianSigma(scorer);
    }
    return result;
}

SearchResult CPlacementSearch::Run(const SearchSettings& settings,
                                   const std::function<void(const SearchProgress&)>& progress)
{
    if (CombinationCount() <= settings.exhaustiveLimit) {
        SearchResult result = Exhaustive(settings);
        if (progress && result.bestRestart == 0)
            progress({result.restartsDone, 1, result.score, result.rows});
        return result;
    }
    const int restarts = std::max(1, settings.restarts);
    std::vector<RestartOutcome> outcomes(static_cast<size_t>(restarts));
    std::atomic<int> next{0};
    std::atomic<uint64_t> evaluations{0};
    std::mutex progressMutex;
    SearchProgress shown;
    shown.restarts = restarts;
    bool anyShown = false;

    auto work = [&]() {
        CRigScorer scorer(m_matrix, m_rule);
        for (int r = next++; r < restarts; r = next++) {
            if (Stopped(settings))
                break;
            RestartOutcome& outcome = outcomes[static_cast<size_t>(r)];
            std::vector<uint32_t> slots = Greedy(scorer, r, settings);
            outcome.complete = std::find(slots.begin(), slots.end(), kNoRow) == slots.end();
            if (outcome.complete) {
                for (int pass = 0; pass < settings.maxPasses && SwapPass(scorer, slots, settings); ++pass) {
                }
                outcome.rows = slots;
                outcome.score = scorer.Score();
                outcome.sigma = MedianSigma(scorer);
            }
            outcome.finished = !Stopped(settings);
            if (progress && outcome.complete) {
                std::lock_guard<std::mutex> lock(progressMutex);
                shown.restartsDone += outcome.finished ? 1 : 0;
                if (!anyShown || outcome.score > shown.best) {
                    shown.best = outcome.score;
                    shown.bestRows = outcome.rows;
                    anyShown = true;
                }
                progress(shown);
            }
        }
        evaluations += scorer.Evaluations();
    };
    const int threads = std::clamp(
        settings.threads > 0 ? settings.threads : static_cast<int>(std::thread::hardware_concurrency()), 1, restarts);
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (std::thread& thread : pool)
        thread.join();

    SearchResult result;
    result.evaluations = evaluations;
    for (int r = 0; r < restarts; ++r) {
        const RestartOutcome& outcome = outcomes[static_cast<size_t>(r)];
        result.restartsDone += outcome.finished ? 1 : 0;
        result.stopped = result.stopped || !outcome.finished;
        if (!outcome.complete)
            continue;
        const bool better = result.bestRestart < 0 || outcome.score > result.score ||
                            (outcome.score == result.score && SigmaBefore(outcome.sigma, result.medianSigmaMm));
        if (better) {
            result.rows = outcome.rows;
            result.score = outcome.score;
            result.medianSigmaMm = outcome.sigma;
            result.bestRestart = r;
        }
    }
    return result;
}
