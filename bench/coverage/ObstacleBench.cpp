// The coverage pass with obstacles against the same pass without, on the
// default room (4 cameras, 10 boxes) and the 20 x 20 x 6 m hall at 10 cm
// (2.4 M voxels, 64 cameras, 20 boxes), each box tested by its slabs or
// binned on the occupancy grid and walked. The table at the end gives each
// time against the pass without obstacles measured in the same run.
#include "cameras/CameraSet.h"
#include "coverage/CoverageInput.h"
#include "coverage/CoverageVolume.h"
#include "coverage/obstacles/Occlusion.h"
#include "scene/RoomBox.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <string>

namespace
{

struct Stage {
    float length, width, height;
    uint32_t cameras;
    float voxelCm;
    int boxes;
};

constexpr Stage kStages[] = {
    {5.0f, 5.0f, 5.0f, 4, 20.0f, 10},
    {20.0f, 20.0f, 6.0f, 64, 10.0f, 20},
};

// The stage's input: the default rig, cameras past the four corners along
// the walls below the ceiling, aimed at a point 1 m above the room's centre;
// every camera in the range, the filters as the window starts with them.
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
    const double y = stage.height * 0.5 - 0.3, targetY = -stage.height * 0.5 + 1.0;
    const uint32_t extra = stage.cameras > 4 ? stage.cameras - 4 : 0;
    for (uint32_t n = 0; n < extra; ++n) {
        const double a = 2.0 * std::numbers::pi * (n + 0.5) / extra;
        const double x = std::clamp(1.5 * hl * std::cos(a), -hl, hl), z = std::clamp(1.5 * hw * std::sin(a), -hw, hw);
        const int c = static_cast<int>(4 + n);
        rig.SetX(c, static_cast<float>(x));
        rig.SetY(c, static_cast<float>(y));
        rig.SetZ(c, static_cast<float>(z));
        const double toDegrees = 180.0 / std::numbers::pi;
        rig.SetHTilt(c, static_cast<float>(std::atan2(z, -x) * toDegrees));
        rig.SetVTilt(c, static_cast<float>(std::atan2(y - targetY, std::hypot(x, z)) * toDegrees));
    }
    return input;
}

// Pillars, crates and desks standing on the floor, the same every run.
std::shared_ptr<CObstacleSet> Boxes(const Stage& stage)
{
    auto set = std::make_shared<CObstacleSet>();
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int b = 0; b < stage.boxes; ++b) {
        const double sx = 0.2 + 0.8 * unit(random), sz = 0.2 + 0.8 * unit(random), sy = 0.5 + 2.0 * unit(random);
        const double x = (stage.length - sx) * unit(random), z = (stage.width - sz) * unit(random);
        set->AddBox({"", {x, 0.0, z}, {x + sx, sy, z + sz}});
    }
    return set;
}

std::map<std::string, double> g_seconds;

enum Method { kNone, kSlabs, kGrid };
const char* const kMethodNames[] = {"none", "slabs", "grid"};

void Coverage(benchmark::State& state)
{
    const int index = static_cast<int>(state.range(0));
    const auto method = static_cast<Method>(state.range(1));
    const Stage& stage = kStages[index];
    CoverageInput input = StageInput(stage);
    if (method != kNone)
        input.obstacles = Boxes(stage);
    CCoverageVolume volume;
    volume.SetBoxTest(method == kGrid ? BoxTest::Grid : BoxTest::Slabs);
    double fastest = 1e300;
    for (auto _ : state) {
        state.PauseTiming();
        CoverageInput computed = input;
        computed.cameras.RecomputeFieldOfView();
        volume.BuildGrid(computed);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        volume.ComputeCoverage(computed);
        fastest = std::min(fastest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const std::string key = std::to_string(index) + "/" + kMethodNames[method];
    g_seconds[key] = fastest;
    state.SetLabel(
        std::to_string(volume.GetVoxelCount()) + " voxels, " + std::to_string(stage.cameras) + " cameras, " +
        (method == kNone ? "no obstacles" : std::to_string(stage.boxes) + " boxes, " + kMethodNames[method]));
}

void PrintRatios()
{
    std::printf("\nObstacles against the same pass without, fastest run of each:\n");
    std::printf("%-8s %-7s %10s %8s\n", "stage", "boxes", "seconds", "ratio");
    for (int index = 0; index < 2; ++index) {
        const auto reference = g_seconds.find(std::to_string(index) + "/none");
        if (reference == g_seconds.end())
            continue;
        const double none = reference->second;
        for (int method = kNone; method <= kGrid; ++method) {
            const auto it = g_seconds.find(std::to_string(index) + "/" + kMethodNames[method]);
            if (it == g_seconds.end())
                continue;
            const double seconds = it->second;
            std::printf("%-8d %-7s %10.4f %8.2f\n", index, kMethodNames[method], seconds, seconds / none);
        }
    }
}

} // namespace

BENCHMARK(Coverage)->ArgsProduct({{0}, {kNone, kSlabs, kGrid}})->Unit(benchmark::kMillisecond);
BENCHMARK(Coverage)->ArgsProduct({{1}, {kNone, kSlabs, kGrid}})->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintRatios();
    return 0;
}
