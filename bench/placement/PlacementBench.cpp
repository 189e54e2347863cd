// Auto-placement on the 12 x 10 x 4 m stage (16 cameras, 8.5 mm lenses on
// the type 0 sensor, walls 2.0 to 3.8 m and the ceiling, the target the
// floor 1 m in from the walls, 0 to 2 m high): candidate scoring, a swap
// pass and whole runs, then a table of the placed rigs against a ring of 16
// cameras evenly round the walls at 3.5 m aimed at the target's centre,
// scored the same way, and of the incremental score against a full
// recomputation timed in the same run. The halls (64 cameras in 30 x 20 x 8 m,
// 100 in 40 x 30 x 10 m, K = 3, a kit of 6, 8.5 and 12.5 mm, the target 1 m in
// from the walls, 0 to 2 m high) run within their time limits only when
// asked for (--benchmark_filter=Hall): each takes minutes.
#include "coverage/placement/AutoPlacement.h"
#include "coverage/placement/PoseRefiner.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace
{

constexpr RoomSize kStage{12.0, 10.0, 4.0};
constexpr int kStageCameras = 16;
const TargetBox kStageTarget{{1.0, 0.0, 1.0}, {11.0, 2.0, 9.0}, 1.0};

PlacementRequest StageRequest(uint32_t minCameras)
{
    PlacementRequest request;
    request.room = kStage;
    // The camera set's origin, room corner 3, and the voxel lattice's corner.
    request.userOrigin = {-0.5 * kStage.length, 0.5 * kStage.height, 0.5 * kStage.width};
    request.latticeCorner = {-0.5 * kStage.length, -0.5 * kStage.height, 0.5 * kStage.width};
    request.count = kStageCameras;
    request.mounts.wallBand = std::array<double, 2>{2.0, 3.8};
    request.target = {kStageTarget};
    request.minCameras = minCameras;
    return request;
}

// Sixteen cameras at even steps round the walls, 3.5 m up, aimed at the target's centre.
std::vector<PlanningCamera> Ring(const PlacementRequest& request)
{
    const double perimeter = 2.0 * (kStage.length + kStage.width);
    const Vec3d centre{6.0, 1.0, 5.0};
    std::vector<PlanningCamera> ring;
    for (int c = 0; c < kStageCameras; ++c) {
        double s = (c + 0.5) * perimeter / kStageCameras;
        Vec3d p;
        if (s < kStage.length)
            p = {s, 3.5, 0.0};
        else if ((s -= kStage.length) < kStage.width)
            p = {kStage.length, 3.5, s};
        else if ((s -= kStage.width) < kStage.length)
            p = {kStage.length - s, 3.5, kStage.width};
        else
            p = {0.0, 3.5, kStage.width - (s - kStage.length)};
        const auto [hTilt, vTilt] = AimTowards(p, centre);
        ring.push_back(PlacedPlanningCamera(request.model, {p, hTilt, vTilt}, request.userOrigin, request.planning));
    }
    return ring;
}

// The stage's candidates and a rig of the first eight slots' greedy picks, built once.
struct StageMatrix {
    PlacementRequest request = StageRequest(3);
    CMountGeometry geometry{request.mounts, request.room, nullptr};
    CTargetSamples samples{request.userOrigin, nullptr, request.latticeCorner, request.voxelEdge};
    std::unique_ptr<CPlacementCandidates> candidates;
    ScoreRule rule{3, false, 40.0, 140.0, 3};
    std::vector<uint32_t> rows;
    std::vector<uint32_t> rig;

    StageMatrix()
    {
        samples.AddBox(kStageTarget, request.sampleStep);
        candidates = std::make_unique<CPlacementCandidates>(geometry, samples, request.userOrigin, request.planning);
        candidates->Build({}, geometry.Places(request.wallStep, request.ceilingStep), AimPoints({kStageTarget}),
                          {request.model});
        rows = candidates->RowsOfLens(0);
        CPlacementSearch search(candidates->Matrix(), rule, {}, std::vector<std::vector<uint32_t>>(8, rows));
        CRigScorer scorer(candidates->Matrix(), rule);
        rig = search.Greedy(scorer, 0, SearchSettings{});
    }
};

StageMatrix& Stage()
{
    static StageMatrix stage;
    return stage;
}

std::map<std::string, double> g_seconds;

void Record(benchmark::State& state, const std::string& name, double seconds)
{
    g_seconds[name] = seconds / static_cast<double>(state.iterations());
}

// Every candidate scored against an eight-camera rig, as a greedy step does.
void BM_CandidateScoring(benchmark::State& state)
{
    StageMatrix& stage = Stage();
    CRigScorer scorer(stage.candidates->Matrix(), stage.rule);
    scorer.Assign(stage.rig);
    const bool pruned = state.range(0) != 0;
    double seconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        RigScore best = RigScore::Worst();
        for (const uint32_t row : stage.rows) {
            RigScore score;
            if (!pruned)
                best = std::max(best, scorer.ScoreWith(row));
            else if (scorer.ScoresAbove(row, best, score))
                best = score;
        }
        benchmark::DoNotOptimize(best);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(stage.rows.size()));
    Record(state, pruned ? "scan pruned" : "scan", seconds);
}
BENCHMARK(BM_CandidateScoring)->ArgName("pruned")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The score of the rig with one more camera recomputed from nothing, the
// reference of the incremental score.
void BM_FullRecomputation(benchmark::State& state)
{
    StageMatrix& stage = Stage();
    CRigScorer scorer(stage.candidates->Matrix(), stage.rule);
    std::vector<uint32_t> rig = stage.rig;
    rig.push_back(stage.rows[stage.rows.size() / 2]);
    double seconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        scorer.Assign(rig);
        benchmark::DoNotOptimize(scorer.Score());
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    Record(state, "full", seconds);
}
BENCHMARK(BM_FullRecomputation)->Unit(benchmark::kMillisecond);

// One swap pass over the eight slots.
void BM_SwapPass(benchmark::State& state)
{
    StageMatrix& stage = Stage();
    CPlacementSearch search(stage.candidates->Matrix(), stage.rule, {},
                            std::vector<std::vector<uint32_t>>(8, stage.rows));
    CRigScorer scorer(stage.candidates->Matrix(), stage.rule);
    for (auto _ : state) {
        state.PauseTiming();
        scorer.Assign(stage.rig);
        std::vector<uint32_t> slots = stage.rig;
        state.ResumeTiming();
        benchmark::DoNotOptimize(search.SwapPass(scorer, slots, SearchSettings{}));
    }
}
BENCHMARK(BM_SwapPass)->Unit(benchmark::kMillisecond)->Iterations(3);

std::map<std::string, PlacementResult> g_runs;

// A whole `place` run on the stage: candidates, search, refinement.
void BM_StageRun(benchmark::State& state)
{
    const auto k = static_cast<uint32_t>(state.range(0));
    const bool robust = state.range(1) != 0;
    PlacementRequest request = StageRequest(k);
    request.robust = robust;
    PlacementResult result;
    for (auto _ : state)
        result = RunPlacement(request);
    state.counters["objective"] = result.after.objective;
    g_runs["K=" + std::to_string(k) + (robust ? " robust" : "")] = result;
}
BENCHMARK(BM_StageRun)
    ->ArgNames({"K", "robust"})
    ->Args({2, 0})
    ->Args({3, 0})
    ->Args({2, 1})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

PlacementRequest HallRequest(int cameras)
{
    const RoomSize room = cameras <= 64 ? RoomSize{30.0, 20.0, 8.0} : RoomSize{40.0, 30.0, 10.0};
    PlacementRequest request;
    request.room = room;
    request.userOrigin = {-0.5 * room.length, 0.5 * room.height, 0.5 * room.width};
    request.latticeCorner = {-0.5 * room.length, -0.5 * room.height, 0.5 * room.width};
    request.count = cameras;
    request.target = {{{1.0, 0.0, 1.0}, {room.length - 1.0, 2.0, room.width - 1.0}, 1.0}};
    request.minCameras = 3;
    request.lensKit = {6.0f, 8.5f, 12.5f};
    return request;
}

// A hall placed within the time limit given, as `place` places it.
void BM_Hall(benchmark::State& state)
{
    PlacementRequest request = HallRequest(static_cast<int>(state.range(0)));
    request.timeLimitSeconds = static_cast<double>(state.range(1));
    PlacementResult result;
    for (auto _ : state)
        result = RunPlacement(request);
    state.counters["objective"] = result.after.objective;
    g_runs["hall " + std::to_string(state.range(0)) + " in " + std::to_string(state.range(1)) + " s"] = result;
}
BENCHMARK(BM_Hall)
    ->ArgNames({"cameras", "seconds"})
    ->Args({64, 120})
    ->Args({100, 240})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

// Where each run's time went.
void PrintStageShares()
{
    std::printf("\nShare of each run's time per stage:\n");
    for (const auto& [name, result] : g_runs) {
        std::printf("  %-22s %7.1f s, objective %.4f, %d restarts done:", name.c_str(), result.seconds,
                    result.after.objective, result.restartsDone);
        for (const auto& [stage, seconds] : result.stageSeconds)
            std::printf(" %s %.0f %%", stage.c_str(), result.seconds > 0.0 ? 100.0 * seconds / result.seconds : 0.0);
        std::printf("\n");
    }
}

void PrintTables()
{
    PrintStageShares();
    std::printf("\nIncremental score of one more camera against a full recomputation (same run):\n");
    const double full = g_seconds["full"], scan = g_seconds["scan"], pruned = g_seconds["scan pruned"];
    const size_t n = Stage().rows.size();
    if (full > 0.0 && scan > 0.0 && n > 0)
        std::printf("  full %.3f ms, incremental %.2f us (%.0f x), pruned scan %.2f us a candidate (%.0f x)\n",
                    full * 1e3, scan / n * 1e6, full / (scan / n), pruned / n * 1e6, full / (pruned / n));
    // No rig of the stage's cameras can see more marker cameras on average
    // than its cameras that see the most samples, each on its own.
    StageMatrix& stage = Stage();
    std::vector<int64_t> seen;
    for (const uint32_t row : stage.rows)
        seen.push_back(stage.candidates->Matrix().SeenWeight(row));
    std::sort(seen.begin(), seen.end(), std::greater<>());
    int64_t most = 0;
    for (size_t c = 0; c < std::min<size_t>(kStageCameras, seen.size()); ++c)
        most += seen[c];
    std::printf("\nCandidates %zu; the %d that see the most target points see %.3f marker cameras per point at most\n",
                stage.rows.size(), kStageCameras,
                static_cast<double>(most) / static_cast<double>(stage.candidates->Matrix().TotalWeight()));
    std::printf("\nStage against the ring (same samples, same exact scorer):\n");
    std::printf("  %-10s %9s %9s %9s %9s %9s %9s %9s %9s\n", "rule", "ring", "placed", "search", "mean cams",
                "ring mean", "min seen", "ring seen", "seconds");
    for (const auto& [name, result] : g_runs) {
        if (name.rfind("K=", 0) != 0)
            continue;
        const uint32_t k = name[2] - '0';
        PlacementRequest request = StageRequest(k);
        request.robust = name.find("robust") != std::string::npos;
        CTargetSamples samples(request.userOrigin, nullptr, request.latticeCorner, request.voxelEdge);
        samples.AddBox(kStageTarget, request.sampleStep);
        const PlacementFigures ring = EvaluateRig(Ring(request), samples,
                                                  {k, request.robust, request.planning.minAngleDeg,
                                                   request.planning.maxAngleDeg, request.robust ? k + 1 : k});
        std::printf("  %-10s %9.4f %9.4f %9.4f %9.3f %9.3f %9u %9u %9.1f\n", name.c_str(), ring.objective,
                    result.after.objective, result.unrefined.objective, result.after.meanMarkerCameras,
                    ring.meanMarkerCameras, result.after.minSeenCameras, ring.minSeenCameras, result.seconds);
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintTables();
    return 0;
}
