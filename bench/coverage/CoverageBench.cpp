// Grid building, the coverage computation and the display data the drawing
// layer compiles, for three stage sizes. The computation is measured alone:
// each iteration first resets the fields of view and rebuilds the grid
// outside the timing, as the view does.
#include "cameras/CameraSet.h"
#include "coverage/CoverageVolume.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

namespace {

struct Stage {
    float length, width, height;
    uint32_t cameras;
    float voxelCm;
};

constexpr Stage kStages[] = {
    {5.0f, 5.0f, 5.0f, 4, 20.0f},    // the default room and rig
    {12.0f, 10.0f, 4.0f, 24, 5.0f},  // a studio stage
    {20.0f, 20.0f, 6.0f, 64, 10.0f}, // a large hall
};

// The default rig, with the cameras beyond the four ceiling corners spread
// along the walls just below the ceiling, each aimed at a point 1 m above the
// room's centre.
void SetUpStage(const Stage& stage)
{
    DestroySceneSettings();
    CCameraSet::DestroyInstance();
    CreateSceneSettings();
    SceneSettings& settings = *GetSceneSettings();
    settings.SetRoomLength(stage.length);
    settings.SetRoomWidth(stage.width);
    settings.SetRoomHeight(stage.height);
    settings.SetCameraCount(stage.cameras);
    CRoomBox room;
    room.Update();
    CCameraSet& rig = CCameraSet::Instance();
    rig.Allocate();
    rig.SetDefaults(room);
    rig.SetUserOrigin(room.Corner(3));
    SetVoxelSize(stage.voxelCm);

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
    SetUpStage(stage);
    CCoverageVolume volume;
    for (auto _ : state) {
        volume.Release();
        benchmark::DoNotOptimize(volume.BuildGrid());
    }
    Label(state, stage, volume);
}

void ComputeCoverage(benchmark::State& state)
{
    const Stage& stage = kStages[state.range(0)];
    SetUpStage(stage);
    CCoverageVolume volume;
    for (auto _ : state) {
        state.PauseTiming();
        CCameraSet::Current()->RecomputeFieldOfView();
        volume.Release();
        volume.BuildGrid();
        state.ResumeTiming();
        benchmark::DoNotOptimize(volume.ComputeCoverage());
    }
    Label(state, stage, volume);
}

// Every voxel of the map and count layers and the iso list, as one
// recompilation of the three displays reads them.
void DisplayData(benchmark::State& state)
{
    const Stage& stage = kStages[state.range(0)];
    SetUpStage(stage);
    CCoverageVolume volume;
    CCameraSet::Current()->RecomputeFieldOfView();
    volume.BuildGrid();
    volume.ComputeCoverage();
    for (auto _ : state) {
        size_t painted = volume.IsoListPaint().size();
        for (uint32_t j = 0; j < volume.GetCountY(); ++j)
            painted += volume.MapLayerPaint(j).size() + volume.CountLayerPaint(j).size();
        benchmark::DoNotOptimize(painted);
    }
    Label(state, stage, volume);
}

} // namespace

BENCHMARK(BuildGrid)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(ComputeCoverage)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(ComputeCoverage)->DenseRange(1, 2)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(DisplayData)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(DisplayData)->DenseRange(1, 2)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
