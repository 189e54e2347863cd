// Grid building, the coverage computation and the display data the drawing
// layer compiles, for three stage sizes and a 57.6 M-voxel one. The
// computation is measured alone: each iteration first resets the fields of
// view and rebuilds the grid outside the timing, as the view does. Beside it
// the literal pass (one thread, every camera's values held, acos in every
// edge test) runs on a small stage; the table printed at the end gives each
// computation's time per voxel-camera pair against it, and the peak resident
// memory of each run. One run takes the portable vector path, for the gain
// of the wider ones.
#include "cameras/Angles.h"
#include "cameras/CameraSet.h"
#include "coverage/CoverageInput.h"
#include "coverage/CoverageVolume.h"
#include "coverage/PlanningMeasures.h"
#include "scene/RoomBox.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace
{

struct Stage {
    float length, width, height;
    uint32_t cameras;
    float voxelCm;
};

constexpr Stage kStages[] = {
    {5.0f, 5.0f, 5.0f, 4, 20.0f},    // the default room and rig
    {12.0f, 10.0f, 4.0f, 24, 5.0f},  // a studio stage
    {20.0f, 20.0f, 6.0f, 64, 10.0f}, // a large hall
    {30.0f, 30.0f, 8.0f, 64, 5.0f},  // a large hall at fine voxels
    {20.0f, 20.0f, 6.0f, 64, 40.0f}, // the hall at coarse voxels, for the literal pass
};
constexpr int kLiteralStage = 4;

// The stage's input: the default rig, with the cameras beyond the four
// ceiling corners spread along the walls just below the ceiling, each aimed
// at a point 1 m above the room's centre; every camera in the range, the
// filters at their start values and the display ceiling half the height, as
// the window has them.
CoverageInput StageInput(const Stage& stage)
{
    CoverageInput input;
    input.roomLength = stage.length;
    input.roomWidth = stage.width;
    input.roomHeight = stage.height;
    input.voxelSizeCm = stage.voxelCm;
    input.cameraCount = stage.cameras;
    input.firstCamera = 0;
    input.endCamera = stage.cameras;
    input.filters.displayCeiling = stage.height * 0.5f;
    CRoomBox room;
    room.Update(stage.length, stage.width, stage.height);
    CCameraSet& rig = input.cameras;
    rig.Allocate(stage.cameras);
    rig.SetDefaults(room);
    rig.SetUserOrigin(room.Corner(3));

    const double hl = stage.length * 0.5 - 0.1, hw = stage.width * 0.5 - 0.1;
    const double y = stage.height * 0.5 - 0.3;
    const double targetY = -stage.height * 0.5 + 1.0;
    const double perimeter = 4.0 * (hl + hw);
    const uint32_t extra = stage.cameras > 4 ? stage.cameras - 4 : 0;
    for (uint32_t n = 0; n < extra; ++n) {
        // Walk the wall rectangle at an even spacing, starting mid-way along the first wall.
        double s = (n + 0.5) * perimeter / extra;
        double x = 0, z = 0;
        if (s < 2 * hl) {
            x = -hl + s, z = hw;
        } else if ((s -= 2 * hl) < 2 * hw) {
            x = hl, z = hw - s;
        } else if ((s -= 2 * hw) < 2 * hl) {
            x = hl - s, z = -hw;
        } else {
            s -= 2 * hl;
            x = -hl, z = -hw + s;
        }
        const int c = static_cast<int>(4 + n);
        rig.SetX(c, static_cast<float>(x));
        rig.SetY(c, static_cast<float>(y));
        rig.SetZ(c, static_cast<float>(z));
        // A horizontal tilt a turns +x towards -z; the vertical tilt tips down.
        const double toDegrees = 180.0 / std::numbers::pi;
        rig.SetHTilt(c, static_cast<float>(std::atan2(z, -x) * toDegrees));
        rig.SetVTilt(c, static_cast<float>(std::atan2(y - targetY, std::hypot(x, z)) * toDegrees));
    }
    return input;
}

// A fresh copy of the stage, its fields of view reset, and the volume's grid
// for it: what the view prepares before a computation.
CoverageInput PrepareComputation(const CoverageInput& stage, CCoverageVolume& volume)
{
    CoverageInput input = stage;
    input.cameras.RecomputeFieldOfView();
    volume.Release();
    volume.BuildGrid(input);
    return input;
}

// Peak resident memory since the last reset, in MiB.
double PeakResidentMiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0.0;
}

// Lets the next PeakResidentMiB start from what is resident now.
void ResetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Timing {
    int stage;
    int threads;
    double seconds; // the fastest run
    double pairs;
    double peakMiB;
};
std::map<std::string, Timing> g_timings;

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Record(const std::string& name, int stage, int threads, double seconds, double pairs)
{
    auto [it, fresh] = g_timings.try_emplace(name, Timing{stage, threads, seconds, pairs, 0.0});
    it->second.seconds = std::min(it->second.seconds, seconds);
    it->second.peakMiB = std::max(it->second.peakMiB, PeakResidentMiB());
}

void Label(benchmark::State& state, const Stage& stage, const CCoverageVolume& volume)
{
    state.counters["voxels"] = static_cast<double>(volume.GetVoxelCount());
    state.counters["cameras"] = stage.cameras;
    state.counters["iso_list"] = volume.GetIsoCount();
}

void BuildGrid(benchmark::State& state)
{
    const Stage& stage = kStages[state.range(0)];
    const CoverageInput input = StageInput(stage);
    CCoverageVolume volume;
    for (auto _ : state) {
        volume.Release();
        benchmark::DoNotOptimize(volume.BuildGrid(input));
    }
    Label(state, stage, volume);
}

// state.range(1) threads, 0 for every core; state.range(2) 1 for the
// portable vector path instead of the fastest.
void ComputeCoverage(benchmark::State& state)
{
    const int index = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    const bool portable = state.range(2) != 0;
    const Stage& stage = kStages[index];
    const CoverageInput input = StageInput(stage);
    ResetPeakResident();
    CCoverageVolume volume;
    volume.SetThreadCount(threads);
    if (portable)
        volume.SetVectorPath(VectorPath::Portable);
    const std::string name = "ComputeCoverage/" + std::to_string(index) +
                             (threads == 1 ? " one thread" : " every core") + ", " +
                             VectorPathName(volume.GetVectorPath());
    for (auto _ : state) {
        state.PauseTiming();
        CoverageInput computed = PrepareComputation(input, volume);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(volume.ComputeCoverage(computed));
        Record(name, index, threads, Seconds(start), static_cast<double>(volume.GetVoxelCount()) * stage.cameras);
    }
    Label(state, stage, volume);
}

// The pass as first written: one thread, the values of every camera in one
// array pre-filled with NaN, the unit vector by three divisions and acos in
// every edge test. Its counts are checked against the computation's.
void LiteralCoverage(benchmark::State& state)
{
    const Stage& stage = kStages[kLiteralStage];
    const CoverageInput input = StageInput(stage);
    ResetPeakResident();
    CCoverageVolume volume;
    CoverageInput computed = PrepareComputation(input, volume);
    volume.ComputeCoverage(computed);
    // The cameras with the edges the computation derived.
    const CCameraSet& set = computed.cameras;
    const size_t n = volume.GetVoxelCount();
    const int cameras = static_cast<int>(stage.cameras);
    std::vector<uint32_t> seen(n);
    size_t mismatches = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        std::vector<float> resolution(n * static_cast<size_t>(cameras), std::nanf(""));
        for (size_t t = 0; t < n; ++t) {
            const auto centre = volume.Centre(t);
            const Vec3d p{centre[0], centre[1], centre[2]};
            uint32_t count = 0;
            for (int c = 0; c < cameras; ++c) {
                const Vec3d d = p - set.GetPosition(c);
                const double dist = Length(d);
                resolution[static_cast<size_t>(c) * n + t] = static_cast<float>(
                    (1.0 + set.GetFocalLength(c) / (dist * 1000.0)) * CCoverageVolume::ApertureFactor(set, c));
                const Vec3d u = dist != 0.0 ? Vec3d{d.x / dist, d.y / dist, d.z / dist} : Vec3d{};
                const Vec3d edges[] = {Normalized(set.GetEdgeHPlus(c)), Normalized(set.GetEdgeHMinus(c)),
                                       Normalized(set.GetEdgeVPlus(c)), Normalized(set.GetEdgeVMinus(c))};
                bool within = true;
                for (int e = 0; e < 4 && within; ++e) {
                    const double field = e < 2 ? set.GetHFov(c) : set.GetVFov(c);
                    within = !(field < std::acos(Dot(edges[e], u)) * kDegreesPerRadian);
                }
                count += within ? 1 : 0;
            }
            seen[t] = count;
        }
        benchmark::DoNotOptimize(resolution.data());
        Record("LiteralCoverage/" + std::to_string(kLiteralStage), kLiteralStage, 1, Seconds(start),
               static_cast<double>(n) * cameras);
        for (size_t t = 0; t < n; ++t)
            mismatches += seen[t] != volume.SeenCount(t) ? 1 : 0;
    }
    Label(state, stage, volume);
    state.counters["mismatches"] = static_cast<double>(mismatches);
}

// The planning measures over a computed coverage, beside the coverage pass
// of the same stage: the counter `vs_coverage` is their time over its time.
void PlanningMeasures(benchmark::State& state)
{
    const int index = static_cast<int>(state.range(0));
    const Stage& stage = kStages[index];
    const CoverageInput input = StageInput(stage);
    ResetPeakResident();
    CCoverageVolume volume;
    CPlanningMeasures planning;
    double coverageSeconds = 0.0, planningSeconds = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        CoverageInput computed = PrepareComputation(input, volume);
        auto start = std::chrono::steady_clock::now();
        volume.ComputeCoverage(computed);
        coverageSeconds += Seconds(start);
        state.ResumeTiming();
        start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(planning.Compute(volume, computed));
        const double seconds = Seconds(start);
        planningSeconds += seconds;
        Record("PlanningMeasures/" + std::to_string(index) + " every core", index, 0, seconds,
               static_cast<double>(volume.GetVoxelCount()) * stage.cameras);
    }
    Label(state, stage, volume);
    state.counters["vs_coverage"] = planningSeconds / coverageSeconds;
    state.counters["triangulable"] = static_cast<double>(planning.TriangulableCount());
}

// Each computation against the literal pass, per voxel-camera pair; the
// literal time of a stage is its pairs at the literal pass's rate.
void PrintRatios()
{
    const auto literal = std::find_if(g_timings.begin(), g_timings.end(),
                                      [](const auto& entry) { return entry.first.rfind("LiteralCoverage", 0) == 0; });
    if (literal == g_timings.end())
        return;
    const double literalPerPair = literal->second.seconds / literal->second.pairs;
    std::printf("\n%-50s %12s %9s %12s %12s %10s %9s\n", "computation", "voxels", "threads", "seconds", "literal s",
                "ratio", "peak MiB");
    for (const auto& [name, timing] : g_timings) {
        const Stage& stage = kStages[timing.stage];
        const double literalSeconds = literalPerPair * timing.pairs;
        std::printf("%-50s %12.0f %9d %12.3f %12.3f %10.1f %9.0f\n", name.c_str(), timing.pairs / stage.cameras,
                    timing.threads, timing.seconds, literalSeconds, literalSeconds / timing.seconds, timing.peakMiB);
    }
}

// How soon a raised cancel flag stops the coverage pass (0) or the planning
// pass (1) of the hall at 10 cm, from the flag to the return: what Cancel in
// the window waits for. The window's tests only check that it stops.
void CancelLatency(benchmark::State& state)
{
    const bool planningPass = state.range(0) == 1;
    const Stage& stage = kStages[2];
    const CoverageInput input = StageInput(stage);
    CCoverageVolume volume;
    CPlanningMeasures planning;
    std::atomic<bool> cancel{false};
    volume.SetCancelFlag(&cancel);
    planning.SetCancelFlag(&cancel);
    for (auto _ : state) {
        cancel = false;
        CoverageInput computed = PrepareComputation(input, volume);
        if (planningPass)
            volume.ComputeCoverage(computed);
        std::thread worker([&] {
            if (planningPass)
                benchmark::DoNotOptimize(planning.Compute(volume, computed));
            else
                benchmark::DoNotOptimize(volume.ComputeCoverage(computed));
        });
        // Well into the pass, as a user's click would be.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const auto raised = std::chrono::steady_clock::now();
        cancel = true;
        worker.join();
        state.SetIterationTime(Seconds(raised));
    }
    Label(state, stage, volume);
}

// Every voxel of the map and count layers and the iso list, as one
// recompilation of the three displays reads them.
void DisplayData(benchmark::State& state)
{
    const Stage& stage = kStages[state.range(0)];
    CCoverageVolume volume;
    CoverageInput computed = PrepareComputation(StageInput(stage), volume);
    volume.ComputeCoverage(computed);
    const CoverageFilters& filters = computed.filters;
    for (auto _ : state) {
        size_t painted = volume.IsoListPaint(filters).size();
        for (uint32_t j = 0; j < volume.GetCountY(); ++j)
            painted += volume.MapLayerPaint(j, filters).size() + volume.CountLayerPaint(j, filters).size();
        benchmark::DoNotOptimize(painted);
    }
    Label(state, stage, volume);
}

} // namespace

BENCHMARK(BuildGrid)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(LiteralCoverage)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ComputeCoverage)->ArgsProduct({{kLiteralStage, 0}, {1, 0}, {0}})->Unit(benchmark::kMillisecond);
BENCHMARK(ComputeCoverage)->ArgsProduct({{1, 2}, {1, 0}, {0}})->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ComputeCoverage)->Args({2, 1, 1})->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(ComputeCoverage)->Args({3, 0, 0})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(PlanningMeasures)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(PlanningMeasures)->DenseRange(1, 2)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(CancelLatency)->DenseRange(0, 1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(DisplayData)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(DisplayData)->DenseRange(1, 2)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintRatios();
    return 0;
}
