// Cost of the view's frames on the offscreen llvmpipe context: compiling a
// volume display's lists after a computation, and an ordinary frame that only
// replays them, for a 50 x 50 x 50 grid (10 cm voxels in the 5 m room, 125,000
// voxels) and a 100 x 100 x 100 grid (5 cm, 1,000,000 voxels). Each is
// measured twice in the same run: with the lists as compiled now and with the
// classic lists (every face of every box, one draw per box) as the reference;
// the table after Google Benchmark's lines gives the ratios and the memory
// the lists take per drawn voxel.

#include "ClassicVolumeLists.h"
#include "classic/ClassicParameters.h"
#include "classic/ClassicState.h"
#include "coverage/CoverageVolume.h"
#include "render/OffscreenContext.h"
#include "render/SceneRenderer.h"
#include "render/VolumeLists.h"
#include "scene/SceneSettings.h"

#include <benchmark/benchmark.h>
#include <GL/gl.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace
{

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

// Bytes the heap has handed out and not taken back: unlike the resident
// size, it does not hide a compilation that reuses memory freed before.
double HeapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

COffscreenContext& Context()
{
    static COffscreenContext context;
    if (!context.IsValid())
        context.Create();
    return context;
}

// The default four-camera rig after RENDER, with voxels of `voxelCm`.
class CBenchScene
{
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

enum Way { kClassic = 0, kFilled = 1, kPoints = 2 };
constexpr const char* kDisplayNames[3] = {"selective", "map", "count layers"};

bool Ready(benchmark::State& state)
{
    if (Context().IsValid() && Context().MakeCurrent())
        return true;
    state.SkipWithError(("no offscreen OpenGL context: " + Context().GetError()).c_str());
    return false;
}

size_t DrawnVoxels(const CCoverageVolume& volume, VolumeDisplay display)
{
    const CoverageFilters filters = ClassicFilters();
    if (display == VolumeDisplay::Selective)
        return volume.IsoListPaint(filters).size();
    size_t drawn = 0;
    for (uint32_t j = 0; j < volume.GetCountY(); ++j)
        drawn += display == VolumeDisplay::Map ? volume.MapLayerPaint(j, filters).size()
                                               : volume.CountLayerPaint(j, filters).size();
    return drawn;
}

// Mean seconds and list bytes per drawn voxel, by (kind, voxel cm, display, points) and way.
struct Measure {
    double seconds = 0.0;
    double bytesPerVoxel = 0.0;
};
using MeasureKey = std::tuple<std::string, int, int, int>;
std::map<MeasureKey, std::map<int, Measure>> g_measures;

void SetCounters(benchmark::State& state, const CCoverageVolume& volume)
{
    state.counters["voxels"] = static_cast<double>(volume.GetVoxelCount());
    state.counters["rss_MiB"] = ResidentMiB();
}

// What the lists of one display hold on to once compiled and drawn, per
// box: the resident growth while the count layers (a box for every voxel)
// are compiled on their first showing and drawn, as the window's memory
// check before a computation counts it.
void BM_ListResidentBytes(benchmark::State& state)
{
    if (!Ready(state))
        return;
    CBenchScene scene(static_cast<float>(state.range(0)));
    CSceneRenderer& renderer = scene.Renderer();
    const double boxes = static_cast<double>(renderer.GetVolume().GetVoxelCount());
    double perBox = 0.0;
    for (auto _ : state) {
        GetSceneSettings()->Set2DView(false);
        GetSceneSettings()->SetRecalculate(true);
        renderer.Render();
        glFinish();
        const double before = ResidentMiB();
        GetSceneSettings()->Set2DView(true);
        renderer.Render();
        glFinish();
        perBox = (ResidentMiB() - before) * 1024.0 * 1024.0 / boxes;
    }
    state.counters["voxels"] = boxes;
    state.counters["resident_B_per_box"] = perBox;
}
BENCHMARK(BM_ListResidentBytes)->ArgName("voxel_cm")->Arg(10)->Arg(5)->Iterations(1)->Unit(benchmark::kMillisecond);

// One display's lists as a computation (or its first showing) compiles
// them: the classic way, or the way the view now compiles them filled or as points.
void BM_CompileLists(benchmark::State& state)
{
    if (!Ready(state))
        return;
    const auto cm = static_cast<int>(state.range(0));
    const auto display = static_cast<VolumeDisplay>(state.range(1));
    const auto way = static_cast<Way>(state.range(2));
    CBenchScene scene(static_cast<float>(cm));
    const CCoverageVolume& volume = scene.Renderer().GetVolume();
    const size_t drawn = DrawnVoxels(volume, display);
    double seconds = 0.0;
    double bytes = 0.0;
    for (auto _ : state) {
        CVolumeLists lists;
        GLuint classic = 0;
        const double heap = HeapBytes();
        const auto start = std::chrono::steady_clock::now();
        if (way == kClassic) {
            classic = CompileClassicLists(volume, display);
        } else {
            lists.Start(volume);
            lists.Compile(volume, display, way == kPoints ? VoxelFaces::Every : VoxelFaces::Outer);
        }
        glFinish();
        seconds += Seconds(start);
        state.PauseTiming();
        bytes = HeapBytes() - heap;
        lists.DeleteLists();
        if (classic != 0)
            glDeleteLists(classic, static_cast<GLsizei>(CVolumeLists::ListCount(volume, display)));
        state.ResumeTiming();
    }
    const double perVoxel = drawn > 0 ? bytes / static_cast<double>(drawn) : 0.0;
    const Measure measure{seconds / static_cast<double>(state.iterations()), perVoxel};
    // The classic lists are the reference of both the filled and the points lists.
    if (way == kClassic) {
        g_measures[{"compile", cm, static_cast<int>(display), 0}][0] = measure;
        g_measures[{"compile", cm, static_cast<int>(display), 1}][0] = measure;
    } else {
        g_measures[{"compile", cm, static_cast<int>(display), way == kPoints}][1] = measure;
    }
    SetCounters(state, volume);
    state.counters["drawn"] = static_cast<double>(drawn);
    state.counters["list_B_per_voxel"] = perVoxel;
}
BENCHMARK(BM_CompileLists)
    ->ArgNames({"voxel_cm", "display", "way"})
    ->ArgsProduct({{10}, {0, 1, 2}, {kClassic, kFilled, kPoints}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompileLists)
    ->ArgNames({"voxel_cm", "display", "way"})
    ->ArgsProduct({{5}, {1, 2}, {kClassic, kFilled, kPoints}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// One frame with no flag set: lists replayed, room, rulers, glyphs and texts
// drawn. The classic reference replays lists compiled the classic way under
// the same names.
void BM_OrdinaryFrame(benchmark::State& state)
{
    if (!Ready(state))
        return;
    const auto cm = static_cast<int>(state.range(0));
    const auto display = static_cast<VolumeDisplay>(state.range(1));
    const bool points = state.range(2) != 0;
    const bool classic = state.range(3) == 0;
    CBenchScene scene(static_cast<float>(cm));
    CSceneRenderer& renderer = scene.Renderer();
    SceneSettings& settings = *GetSceneSettings();
    settings.Set2DView(display == VolumeDisplay::CountLayers);
    settings.SetSelectiveCameras(display == VolumeDisplay::Selective);
    if (points)
        renderer.ToggleSeeThrough();
    renderer.Render();
    const CCoverageVolume& volume = renderer.GetVolume();
    if (classic) {
        const GLuint base =
            renderer.GetVolumeLists().GetListBase(display, points ? VoxelFaces::Every : VoxelFaces::Outer);
        for (uint32_t n = 0; n < CVolumeLists::ListCount(volume, display); ++n)
            CompileClassicList(volume, display, n, base + n);
    }
    glFinish();
    double seconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        renderer.Render();
        glFinish();
        seconds += Seconds(start);
    }
    g_measures[{"frame", cm, static_cast<int>(display), points}][classic ? 0 : 1].seconds =
        seconds / static_cast<double>(state.iterations());
    SetCounters(state, volume);
}
BENCHMARK(BM_OrdinaryFrame)
    ->ArgNames({"voxel_cm", "display", "points", "new"})
    ->ArgsProduct({{10, 5}, {0, 1, 2}, {0}, {0, 1}})
    ->Args({10, 2, 1, 0})
    ->Args({10, 2, 1, 1})
    ->Unit(benchmark::kMillisecond);

// Each compilation and frame against its classic reference of the same run.
void PrintRatios()
{
    std::printf("\n%-8s %10s %-13s %-7s %12s %12s %8s %12s %12s\n", "what", "voxels", "display", "faces", "classic ms",
                "now ms", "ratio", "classic B/vx", "now B/vx");
    for (const auto& [key, ways] : g_measures) {
        const auto& [kind, cm, display, points] = key;
        if (ways.count(0) == 0 || ways.count(1) == 0)
            continue;
        const Measure& before = ways.at(0);
        const Measure& now = ways.at(1);
        const int side = 500 / cm;
        std::printf("%-8s %10d %-13s %-7s %12.1f %12.1f %8.2f", kind.c_str(), side * side * side,
                    kDisplayNames[display], points ? "points" : "filled", 1000.0 * before.seconds, 1000.0 * now.seconds,
                    before.seconds / now.seconds);
        if (kind == "compile")
            std::printf(" %12.0f %12.0f", before.bytesPerVoxel, now.bytesPerVoxel);
        std::printf("\n");
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
    PrintRatios();
    return 0;
}
