// The placement's scoring and search on sight matrices made up for the
// purpose: the incremental scores against a plain count, the exhaustive and
// the heuristic search against brute force over every rig.
#include "coverage/placement/PlacementSearch.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>

namespace
{

// Samples on a floor patch and cameras round it at random heights, each
// seeing a random share of the samples, and with `viewShare` of the others
// in view besides.
CSightMatrix RandomMatrix(uint32_t seed, size_t samples, size_t rows, double seenShare, double viewShare = 0.0)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const size_t padded = (samples + 63) / 64 * 64;
    std::vector<std::array<float, 3>> points(padded, {0.0f, 0.0f, 0.0f});
    std::vector<uint64_t> valid(padded / 64, 0);
    for (size_t s = 0; s < samples; ++s) {
        points[s] = {4.0f * unit(random) - 2.0f, unit(random), 4.0f * unit(random) - 2.0f};
        valid[s / 64] |= uint64_t{1} << (s % 64);
    }
    std::vector<int64_t> weights(padded / 64);
    for (size_t w = 0; w < weights.size(); ++w)
        weights[w] = 1 + static_cast<int64_t>(w % 3);
    CSightMatrix matrix(points, weights, valid);
    for (size_t r = 0; r < rows; ++r) {
        const float angle = 2.0f * std::numbers::pi_v<float> * unit(random);
        CSightMatrix::RowCamera camera;
        camera.position = {3.0f * std::cos(angle), 2.0f + unit(random), 3.0f * std::sin(angle)};
        camera.axis = CSightMatrix::UnitRay(-camera.position[0], -camera.position[1], -camera.position[2]);
        camera.sigmaPerDepthMm = 1e-4;
        std::vector<uint64_t> bits(padded / 64, 0), view(padded / 64, 0);
        for (size_t s = 0; s < samples; ++s) {
            if (unit(random) < seenShare)
                bits[s / 64] |= uint64_t{1} << (s % 64);
        }
        if (viewShare > 0.0) {
            for (size_t s = 0; s < samples; ++s) {
                if (unit(random) < viewShare)
                    view[s / 64] |= uint64_t{1} << (s % 64);
            }
        }
        matrix.AddRow(bits.data(), camera, view.data());
    }
    return matrix;
}

// The rule applied sample by sample to a whole rig, without any bookkeeping.
RigScore PlainScore(const CSightMatrix& matrix, const ScoreRule& rule, const std::vector<uint32_t>& rig)
{
    const double cosLow = std::cos(rule.maxAngleDeg * std::numbers::pi / 180.0);
    const double cosHigh = std::cos(rule.minAngleDeg * std::numbers::pi / 180.0);
    auto inRange = [&](uint32_t a, uint32_t b, size_t s) {
        const auto u = matrix.Ray(a, s), v = matrix.Ray(b, s);
        const double dot =
            static_cast<double>(u[0]) * v[0] + static_cast<double>(u[1]) * v[1] + static_cast<double>(u[2]) * v[2];
        return dot >= cosLow && dot <= cosHigh;
    };
    // At least `need` cameras and a pair in range among those left after taking out `lost`.
    auto counts = [&](size_t s, int lost, uint32_t need) {
        std::vector<uint32_t> seeing;
        for (size_t m = 0; m < rig.size(); ++m) {
            if (static_cast<int>(m) != lost && matrix.Sees(rig[m], s))
                seeing.push_back(rig[m]);
        }
        if (seeing.size() < need)
            return false;
        for (size_t a = 0; a < seeing.size(); ++a)
            for (size_t b = a + 1; b < seeing.size(); ++b)
                if (inRange(seeing[a], seeing[b], s))
                    return true;
        return false;
    };
    RigScore score;
    for (const uint32_t row : rig)
        score.seen += matrix.SeenWeight(row);
    for (size_t s = 0; s < matrix.SampleCount(); ++s) {
        if (!((matrix.Valid()[s / 64] >> (s % 64)) & 1u))
            continue;
        uint32_t views = 0;
        for (const uint32_t row : rig)
            views += (matrix.ViewBits(row)[s / 64] >> (s % 64)) & 1u;
        if (views < rule.minViews)
            score.lacking += matrix.WordWeight(s / 64) * (rule.minViews - views);
        bool ok = counts(s, -1, rule.minCameras);
        for (size_t m = 0; ok && rule.robust && m < rig.size(); ++m)
            ok = counts(s, static_cast<int>(m), rule.minCameras);
        if (ok)
            score.covered += matrix.WordWeight(s / 64);
    }
    return score;
}

// The best rig of `slots` rows from the first `candidates` rows, every set tried.
RigScore BruteForce(const CSightMatrix& matrix, const ScoreRule& rule, uint32_t candidates, int slots)
{
    RigScore best = RigScore::Worst();
    std::vector<uint32_t> rig;
    auto visit = [&](auto&& self, uint32_t from) -> void {
        if (static_cast<int>(rig.size()) == slots) {
            best = std::max(best, PlainScore(matrix, rule, rig));
            return;
        }
        for (uint32_t r = from; r < candidates; ++r) {
            rig.push_back(r);
            self(self, r + 1);
            rig.pop_back();
        }
    };
    visit(visit, 0);
    return best;
}

TEST(RigScorerTest, IncrementalScoresEqualThePlainCount)
{
    for (const bool robust : {false, true}) {
        for (const uint32_t k : {2u, 3u}) {
            const CSightMatrix matrix = RandomMatrix(7 + k, 300, 12, 0.45);
            const ScoreRule rule{k, robust, 40.0, 140.0};
            CRigScorer scorer(matrix, rule);
            std::vector<uint32_t> rig;
            for (uint32_t r = 0; r < matrix.RowCount(); ++r) {
                SCOPED_TRACE(::testing::Message() << "robust " << robust << ", K " << k << ", row " << r);
                std::vector<uint32_t> with = rig;
                with.push_back(r);
                const RigScore expected = PlainScore(matrix, rule, with);
                EXPECT_EQ(scorer.ScoreWith(r), expected);
                // The pruned score agrees on either side of it.
                RigScore pruned;
                EXPECT_TRUE(scorer.ScoresAbove(r, {expected.covered, expected.seen - 1}, pruned));
                EXPECT_EQ(pruned, expected);
                EXPECT_FALSE(scorer.ScoresAbove(r, expected, pruned));
                EXPECT_FALSE(scorer.ScoresAbove(r, {expected.covered + 1, 0}, pruned));
                scorer.Add(r);
                EXPECT_EQ(scorer.Score(), expected);
                rig = with;
            }
            // Taking a member out gives the smaller rig's count again.
            scorer.RemoveAt(3);
            rig.erase(rig.begin() + 3);
            EXPECT_EQ(scorer.Score(), PlainScore(matrix, rule, rig));
            EXPECT_GT(scorer.Score().covered, 0);
        }
    }
}

TEST(PlacementSearchTest, ExhaustiveAndHeuristicSearchesFindTheBruteForceOptimum)
{
    for (const bool robust : {false, true}) {
        SCOPED_TRACE(robust ? "robust" : "plain");
        const CSightMatrix matrix = RandomMatrix(robust ? 21 : 12, 256, 40, 0.35);
        const ScoreRule rule{2, robust, 40.0, 140.0};
        std::vector<uint32_t> all(40);
        for (uint32_t r = 0; r < 40; ++r)
            all[r] = r;
        const RigScore optimum = BruteForce(matrix, rule, 40, 3);
        ASSERT_GT(optimum.covered, 0);

        CPlacementSearch search(matrix, rule, {}, {all, all, all});
        EXPECT_EQ(search.CombinationCount(), 9880.0);
        SearchSettings settings;
        settings.minSpacing = 0.0;
        const SearchResult exhaustive = search.Run(settings);
        EXPECT_TRUE(exhaustive.exhaustive);
        EXPECT_EQ(exhaustive.score, optimum);
        EXPECT_EQ(PlainScore(matrix, rule, exhaustive.rows), optimum);

        // The greedy and swap search with its restarts reaches it too.
        settings.exhaustiveLimit = 0;
        settings.restarts = 6;
        const SearchResult heuristic = search.Run(settings);
        EXPECT_FALSE(heuristic.exhaustive);
        EXPECT_EQ(heuristic.score, optimum);
        EXPECT_EQ(PlainScore(matrix, rule, heuristic.rows), heuristic.score);
        EXPECT_EQ(heuristic.restartsDone, 6);
        EXPECT_LT(heuristic.evaluations, exhaustive.evaluations);
    }
}

TEST(PlacementSearchTest, FixedRowsStayAndTheResultDoesNotDependOnTheThreads)
{
    const CSightMatrix matrix = RandomMatrix(5, 500, 60, 0.3);
    const ScoreRule rule{3, false, 40.0, 140.0};
    std::vector<uint32_t> candidates;
    for (uint32_t r = 2; r < 60; ++r)
        candidates.push_back(r);
    CPlacementSearch search(matrix, rule, {0, 1}, std::vector<std::vector<uint32_t>>(5, candidates));
    SearchSettings settings;
    settings.exhaustiveLimit = 0;
    settings.minSpacing = 0.0;
    settings.seed = 99;
    settings.threads = 1;
    const SearchResult one = search.Run(settings);
    settings.threads = 3;
    const SearchResult three = search.Run(settings);
    EXPECT_EQ(one.rows, three.rows);
    EXPECT_EQ(one.score, three.score);
    ASSERT_EQ(one.rows.size(), 5u);
    for (const uint32_t row : one.rows)
        EXPECT_GE(row, 2u);
    std::vector<uint32_t> rig{0, 1};
    rig.insert(rig.end(), one.rows.begin(), one.rows.end());
    EXPECT_EQ(PlainScore(matrix, rule, rig), one.score);

    // A spacing that rows closer than it cannot keep: no two placed rows that close.
    settings.minSpacing = 1.0;
    const SearchResult spaced = search.Run(settings);
    rig = {0, 1};
    for (const uint32_t row : spaced.rows) {
        for (const uint32_t other : rig) {
            const auto& p = matrix.Camera(row).position;
            const auto& q = matrix.Camera(other).position;
            EXPECT_GE(std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]), 1.0);
        }
        rig.push_back(row);
    }
}

TEST(RigScorerTest, ViewsLackingCountAsThePlainCountDoesAndComeFirst)
{
    for (const bool robust : {false, true}) {
        const CSightMatrix matrix = RandomMatrix(31, 300, 10, 0.3, 0.25);
        const ScoreRule rule{2, robust, 40.0, 140.0, robust ? 3u : 2u};
        CRigScorer scorer(matrix, rule);
        // The empty rig lacks every view of every sample.
        EXPECT_EQ(scorer.Score(), PlainScore(matrix, rule, {}));
        EXPECT_GT(scorer.Score().lacking, 0);
        std::vector<uint32_t> rig;
        for (uint32_t r = 0; r < matrix.RowCount(); ++r) {
            SCOPED_TRACE(::testing::Message() << "robust " << robust << ", row " << r);
            std::vector<uint32_t> with = rig;
            with.push_back(r);
            const RigScore expected = PlainScore(matrix, rule, with);
            EXPECT_EQ(scorer.ScoreWith(r), expected);
            RigScore pruned;
            // One view fewer lacking beats any coverage; one more loses to none.
            EXPECT_TRUE(scorer.ScoresAbove(r, {expected.covered + 1000, 0, expected.lacking + 1}, pruned));
            EXPECT_EQ(pruned, expected);
            EXPECT_FALSE(scorer.ScoresAbove(r, {0, 0, expected.lacking - 1}, pruned));
            EXPECT_TRUE(scorer.ScoresAbove(r, {expected.covered, expected.seen - 1, expected.lacking}, pruned));
            EXPECT_EQ(pruned, expected);
            EXPECT_FALSE(scorer.ScoresAbove(r, expected, pruned));
            scorer.Add(r);
            rig = with;
        }
        EXPECT_LT(scorer.Score().lacking, PlainScore(matrix, rule, {}).lacking);
        scorer.RemoveAt(2);
        rig.erase(rig.begin() + 2);
        EXPECT_EQ(scorer.Score(), PlainScore(matrix, rule, rig));
    }
}

// Forty candidates: thirty-six that see many markers but none of them has
// the last sixteen samples (a target's high edge, say) in view, and four that
// see few markers and have every sample in view.
CSightMatrix EdgeMatrix()
{
    CSightMatrix random = RandomMatrix(44, 256, 36, 0.35, 0.2);
    std::vector<std::array<float, 3>> points;
    for (size_t s = 0; s < random.SampleCount(); ++s)
        points.push_back(random.Sample(s));
    std::vector<int64_t> weights;
    for (size_t w = 0; w < random.WordCount(); ++w)
        weights.push_back(random.WordWeight(w));
    const std::vector<uint64_t> valid(random.Valid(), random.Valid() + random.WordCount());
    CSightMatrix matrix(points, weights, valid);
    const uint64_t edge = ~uint64_t{0} << 48; // samples 240 to 255
    for (uint32_t r = 0; r < 36; ++r) {
        std::vector<uint64_t> bits(random.Bits(r), random.Bits(r) + 4),
            view(random.ViewBits(r), random.ViewBits(r) + 4);
        bits[3] &= ~edge;
        view[3] &= ~edge;
        matrix.AddRow(bits.data(), random.Camera(r), view.data());
    }
    std::mt19937 pick(3);
    for (uint32_t r = 0; r < 4; ++r) {
        std::vector<uint64_t> bits(4, 0), view(valid);
        for (size_t s = 0; s < 256; ++s) {
            if (pick() % 20 == 0)
                bits[s / 64] |= uint64_t{1} << (s % 64);
        }
        CSightMatrix::RowCamera camera = random.Camera(r);
        camera.position[1] += 3.0f;
        matrix.AddRow(bits.data(), camera, view.data());
    }
    return matrix;
}

TEST(PlacementSearchTest, TheSearchKeepsEverySampleInViewWhereTheMarkerObjectiveAloneLeavesSomeOut)
{
    const CSightMatrix matrix = EdgeMatrix();
    std::vector<uint32_t> all(40);
    for (uint32_t r = 0; r < 40; ++r)
        all[r] = r;
    auto leastViews = [&](const std::vector<uint32_t>& rig) {
        uint32_t least = std::numeric_limits<uint32_t>::max();
        for (size_t s = 0; s < matrix.SampleCount(); ++s) {
            uint32_t views = 0;
            for (const uint32_t row : rig)
                views += (matrix.ViewBits(row)[s / 64] >> (s % 64)) & 1u;
            least = std::min(least, views);
        }
        return least;
    };
    // Every row sits apart from the others: the spacing only keeps a row from being placed twice.
    SearchSettings settings;
    settings.minSpacing = 1e-3;
    for (const uint32_t k : {2u, 3u}) {
        SCOPED_TRACE(::testing::Message() << "K " << k);
        // The marker objective alone leaves the edge out of every field.
        const ScoreRule markers{k, false, 40.0, 140.0};
        CPlacementSearch markerSearch(matrix, markers, {}, {all, all, all, all});
        settings.exhaustiveLimit = 0;
        const SearchResult markerRig = markerSearch.Run(settings);
        ASSERT_EQ(markerRig.rows.size(), 4u);
        EXPECT_EQ(leastViews(markerRig.rows), 0u);

        // With the views first, both searches reach the brute-force optimum, every sample in K views.
        const ScoreRule rule{k, false, 40.0, 140.0, k};
        const RigScore optimum = BruteForce(matrix, rule, 40, 4);
        EXPECT_EQ(optimum.lacking, 0);
        CPlacementSearch search(matrix, rule, {}, {all, all, all, all});
        settings.exhaustiveLimit = 2e5;
        const SearchResult exhaustive = search.Run(settings);
        ASSERT_TRUE(exhaustive.exhaustive);
        EXPECT_EQ(exhaustive.score, optimum);
        settings.exhaustiveLimit = 0;
        const SearchResult heuristic = search.Run(settings);
        EXPECT_EQ(heuristic.score, optimum);
        EXPECT_EQ(PlainScore(matrix, rule, heuristic.rows), heuristic.score);
        EXPECT_GE(leastViews(heuristic.rows), k);
        // It gives up markers for the views.
        EXPECT_LT(heuristic.score.covered, markerRig.score.covered);
        EXPECT_GT(heuristic.score.covered, 0);
    }
}

} // namespace
