// Cost of the view's frames on the offscreen llvmpipe context: compiling the
// volume's display lists after a computation, and an ordinary frame that only
// replays them, for the default 25 x 25 x 25 grid (20 cm voxels in the 5 m
// room) and a 50 x 50 x 50 grid (10 cm voxels), with the resident memory.

#include "coverage/CoverageVolume.h"
#include "render/OffscreenContext.h"
#include "render/SceneRenderer.h"
#include "render/VolumeLists.h"
#include "scene/SceneSettings.h"

#include <benchmark/benchmark.h>
#include <GL/gl.h>

#include <fstream>
#include <memory>
#include <string>

namespace {

// Resident memory of the process in MiB, from /proc/self/status.
double ResidentMiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0.0;
}

COffscreenContext& Context()
{
    static COffscreenContext context;
    if (!context.IsValid())
        context.Create();
    return context;
}

// The default four-camera rig after RENDER, with voxels of `voxelCm`.
class CBenchScene {
public:
    explicit CBenchScene(float voxelCm)
    {
        CreateSceneSettings();
        GetSceneSettings()->SetCameraCount(4);
        m_renderer.InitGL();
        m_renderer.ResetCameras();
        SetIsoThreshold(4);
        SetVoxelSize(voxelCm);
        GetSceneSettings()->SetRecalculate(true);
        m_renderer.Render();
        glFinish();
    }
    ~CBenchScene()
    {
        m_renderer.ReleaseGL();
        SetVoxelSize(20.0f);
    }
    CSceneRenderer& Renderer() { return m_renderer; }

private:
    CSceneRenderer m_renderer;
};

enum Display { kMap = 0, kCountLayers = 1, kSelective = 2 };

bool Ready(benchmark::State& state)
{
    if (Context().IsValid() && Context().MakeCurrent())
        return true;
    state.SkipWithError(("no offscreen OpenGL context: " + Context().GetError()).c_str());
    return false;
}

void SetCounters(benchmark::State& state, const CCoverageVolume& volume)
{
    state.counters["voxels"] = static_cast<double>(volume.GetVoxelCount());
    state.counters["rss_MiB"] = ResidentMiB();
}

// All three kinds of list, as after a computation or a change of resolution camera.
void BM_CompileLists(benchmark::State& state)
{
    if (!Ready(state))
        return;
    CBenchScene scene(static_cast<float>(state.range(0)));
    const CCoverageVolume& volume = scene.Renderer().GetVolume();
    for (auto _ : state) {
        CVolumeLists lists;
        lists.BuildIsoList(volume);
        lists.BuildMapLists(volume);
        lists.BuildCountLists(volume);
        glFinish();
        state.PauseTiming();
        lists.DeleteLists();
        state.ResumeTiming();
    }
    SetCounters(state, volume);
}
BENCHMARK(BM_CompileLists)->ArgName("voxel_cm")->Arg(20)->Arg(10)->Unit(benchmark::kMillisecond);

// One frame with no flag set: lists replayed, room, rulers, glyphs and texts drawn.
void BM_OrdinaryFrame(benchmark::State& state)
{
    if (!Ready(state))
        return;
    CBenchScene scene(static_cast<float>(state.range(0)));
    SceneSettings& settings = *GetSceneSettings();
    settings.Set2DView(state.range(1) == kCountLayers);
    settings.SetSelectiveCameras(state.range(1) == kSelective);
    if (state.range(2) != 0)
        scene.Renderer().ToggleSeeThrough();
    for (auto _ : state) {
        scene.Renderer().Render();
        glFinish();
    }
    SetCounters(state, scene.Renderer().GetVolume());
}
BENCHMARK(BM_OrdinaryFrame)
    ->ArgNames({"voxel_cm", "display", "points"})
    ->ArgsProduct({{20, 10}, {kMap, kCountLayers, kSelective}, {0}})
    ->Args({10, kCountLayers, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
