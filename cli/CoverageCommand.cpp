#include "cli/Commands.h"
#include "cli/CoverageOptions.h"
#include "cli/RigOptions.h"

#include "cameras/CameraSet.h"
#include "coverage/CoverageVolume.h"
#include "scene/AtomicFile.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace {

using Json = nlohmann::ordered_json;

// The shortest text that reads back to the same value; floats as floats.
template <typename T> std::string Shortest(T value)
{
    std::array<char, 64> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return ec == std::errc{} ? std::string(buffer.data(), end) : std::string();
}

// The JSON writer prints doubles in their shortest form; a float widened to
// double would show its binary tail (0.20000000298023224), so it is stored as
// the double nearest its own shortest text (0.2).
Json FloatJson(float value)
{
    if (!std::isfinite(value))
        return nullptr;
    const std::string text = Shortest(value);
    double parsed = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), parsed);
    return parsed;
}

// Writes the report as the library's dump(2) does, but every floating-point
// number in its shortest round-trip form: the library's own writer keeps to
// round-trip yet now and then prints a digit more (17.415000778511178 for
// 17.41500077851118). An integral value keeps its ".0", so it stays a float.
void WriteJson(std::string& out, const Json& value, int depth)
{
    const std::string indent(2 * static_cast<size_t>(depth), ' ');
    if (value.is_object() && !value.empty()) {
        out += "{\n";
        for (auto it = value.begin(); it != value.end(); ++it) {
            out += indent + "  " + Json(it.key()).dump() + ": ";
            WriteJson(out, it.value(), depth + 1);
            out += std::next(it) == value.end() ? "\n" : ",\n";
        }
        out += indent + '}';
    } else if (value.is_array() && !value.empty()) {
        out += "[\n";
        for (auto it = value.begin(); it != value.end(); ++it) {
            out += indent + "  ";
            WriteJson(out, *it, depth + 1);
            out += std::next(it) == value.end() ? "\n" : ",\n";
        }
        out += indent + ']';
    } else if (value.is_number_float()) {
        const std::string text = Shortest(value.get<double>());
        out += text;
        if (text.find_first_of(".e") == std::string::npos)
            out += ".0";
    } else {
        out += value.dump();
    }
}

Json DoubleJson(double value)
{
    return std::isfinite(value) ? Json(value) : Json(nullptr);
}

Json VecJson(const Vec3d& v)
{
    return Json::array({DoubleJson(v.x), DoubleJson(v.y), DoubleJson(v.z)});
}

[[noreturn]] void Fail(const std::string& message)
{
    std::cerr << message << '\n';
    DestroyRigScene();
    throw CLI::RuntimeError(1);
}

// Progress on a terminal, once the computation has taken more than a second.
class ProgressLine {
public:
    ProgressLine() : m_start(std::chrono::steady_clock::now()), m_enabled(isatty(STDERR_FILENO) == 1) {}
    ~ProgressLine()
    {
        if (m_shown >= 0)
            std::fputs("\n", stderr);
    }
    void operator()(double done)
    {
        if (!m_enabled || std::chrono::steady_clock::now() - m_start < std::chrono::seconds(1))
            return;
        const int percent = static_cast<int>(done * 100.0);
        if (percent == m_shown)
            return;
        m_shown = percent;
        std::fprintf(stderr, "\rComputing coverage: %3d%%", percent);
        std::fflush(stderr);
    }

private:
    std::chrono::steady_clock::time_point m_start;
    bool m_enabled;
    int m_shown = -1;
};

// Per-voxel display facts the JSON counts and the CSV lists.
struct VoxelFacts {
    std::vector<bool> inIsoList;
    std::vector<int8_t> mapBand; // -1 where the map does not draw the voxel
};

VoxelFacts CollectFacts(const CCoverageVolume& volume)
{
    VoxelFacts facts;
    const size_t n = volume.GetVoxelCount();
    facts.inIsoList.assign(n, false);
    facts.mapBand.assign(n, -1);
    for (uint32_t e = 0; e < volume.GetIsoCount(); ++e)
        facts.inIsoList[volume.IsoIndex(e)] = true;
    const int camera = volume.GetResolutionCamera();
    for (uint32_t j = 0; j < volume.GetCountY(); ++j) {
        for (const VoxelPaint& paint : volume.MapLayerPaint(j))
            facts.mapBand[paint.voxel] =
                static_cast<int8_t>(volume.ResolutionBand(volume.Resolution(camera, paint.voxel)));
    }
    return facts;
}

Json BuildReport(const CCoverageVolume& volume, const VoxelFacts& facts, bool calibration)
{
    const SceneSettings& settings = *GetSceneSettings();
    const CCameraSet& cameras = *CCameraSet::Current();
    const uint32_t cameraCount = settings.GetCameraCount();
    const uint32_t enabled = cameras.CountEnabledInRange();
    const size_t n = volume.GetVoxelCount();

    Json report;
    report["room"] = {{"length", FloatJson(settings.GetRoomLength())},
                      {"width", FloatJson(settings.GetRoomWidth())},
                      {"height", FloatJson(settings.GetRoomHeight())},
                      {"units", settings.GetUnits()}};
    report["grid"] = {{"nx", volume.GetCountX()},
                      {"ny", volume.GetCountY()},
                      {"nz", volume.GetCountZ()},
                      {"voxels", n},
                      {"voxel_cm", FloatJson(GetVoxelSize())},
                      {"voxel_edge", FloatJson(volume.GetVoxelEdge())},
                      {"half_edge", FloatJson(volume.GetHalfEdge())}};
    report["range"] = {{"first", settings.GetFirstCamera() + 1},
                       {"count", settings.GetEndCamera() - settings.GetFirstCamera()},
                       {"enabled", enabled}};
    report["mode"] = calibration ? "calibration" : "normal";
    report["resolution_camera"] = volume.GetResolutionCamera() + 1;
    report["scale"] = {{"min", DoubleJson(volume.GetResolutionMin())},
                       {"max", DoubleJson(volume.GetResolutionMax())},
                       {"band", DoubleJson(volume.GetBandWidth())}};
    report["filters"] = {{"iso", {{"op", ComparisonOpText(GetIsoOperator())}, {"threshold", GetIsoThreshold()}}},
                         {"res",
                          {{"op1", ComparisonOpText(GetResOperator1())},
                           {"bound1", FloatJson(GetResBound1())},
                           {"op2", ComparisonOpText(GetResOperator2())},
                           {"bound2", FloatJson(GetResBound2())}}}};

    Json list = Json::array();
    for (uint32_t c = 0; c < cameraCount; ++c) {
        const int i = static_cast<int>(c);
        list.push_back({{"number", c + 1},
                        {"label", cameras.GetLabel(i)},
                        {"enabled", cameras.GetEnabled(i) == 1},
                        {"position", VecJson(cameras.ToUser(cameras.GetPosition(i)))},
                        {"hfov", FloatJson(cameras.GetHFov(i))},
                        {"vfov", FloatJson(cameras.GetVFov(i))},
                        {"edges",
                         {{"h_plus", VecJson(cameras.GetEdgeHPlus(i))},
                          {"h_minus", VecJson(cameras.GetEdgeHMinus(i))},
                          {"v_plus", VecJson(cameras.GetEdgeVPlus(i))},
                          {"v_minus", VecJson(cameras.GetEdgeVMinus(i))}}}});
    }
    report["cameras"] = std::move(list);

    std::vector<uint64_t> histogram(enabled + 1, 0);
    uint64_t isoCondition = 0, mapVoxels = 0;
    std::array<uint64_t, 10> bands{};
    for (size_t t = 0; t < n; ++t) {
        const uint32_t seen = volume.SeenCount(t);
        if (seen >= histogram.size())
            histogram.resize(seen + 1, 0);
        ++histogram[seen];
        isoCondition += IsoConditionHolds(seen) ? 1 : 0;
        if (const int band = facts.mapBand[t]; band >= 0) {
            ++mapVoxels;
            ++bands[band == kBandBlack ? 9 : static_cast<size_t>(band - 1)];
        }
    }
    report["seen_histogram"] = histogram;
    report["iso_list"] = volume.GetIsoCount();
    report["iso_condition"] = isoCondition;
    report["map_voxels"] = mapVoxels;
    report["map_bands"] = bands;

    const double edge = volume.GetVoxelEdge();
    const double voxelVolume = edge * edge * edge;
    Json atLeast = Json::array();
    uint64_t cumulative = n;
    for (size_t k = 0; k < histogram.size(); ++k) {
        atLeast.push_back(DoubleJson(static_cast<double>(cumulative) * voxelVolume));
        cumulative -= histogram[k];
    }
    report["volume_m3"] = {{"seen_by_at_least", std::move(atLeast)}};
    return report;
}

void WriteVoxels(const std::string& path, const CCoverageVolume& volume, const VoxelFacts& facts)
{
    const uint32_t cameraCount = GetSceneSettings()->GetCameraCount();
    AtomicFile file(path);
    if (!file.Open())
        Fail("Unable to Create File: " + path);
    std::string text = "t,i,j,k,x,y,z,seen,iso_list,iso_condition,map_band";
    for (uint32_t c = 1; c <= cameraCount; ++c)
        text += ",r" + std::to_string(c);
    text += '\n';
    const uint32_t nx = volume.GetCountX(), ny = volume.GetCountY();
    const size_t n = volume.GetVoxelCount();
    // Only the resolution camera's values are held: the others are computed
    // a block of voxels at a time.
    constexpr size_t kBlock = 4096;
    std::vector<float> values(static_cast<size_t>(cameraCount) * kBlock);
    bool ok = true;
    for (size_t first = 0; first < n && ok; first += kBlock) {
        const size_t count = std::min(kBlock, n - first);
        for (uint32_t c = 0; c < cameraCount; ++c)
            volume.FillResolution(static_cast<int>(c), first, count, &values[c * kBlock]);
        for (size_t t = first; t < first + count; ++t) {
            const size_t j = t % ny, i = (t / ny) % nx, k = t / ny / nx;
            const auto centre = volume.Centre(t);
            text += std::to_string(t) + ',' + std::to_string(i) + ',' + std::to_string(j) + ',' + std::to_string(k) +
                    ',' + Shortest(centre[0]) + ',' + Shortest(centre[1]) + ',' + Shortest(centre[2]) + ',' +
                    std::to_string(volume.SeenCount(t)) + ',' + (facts.inIsoList[t] ? '1' : '0') + ',' +
                    (IsoConditionHolds(volume.SeenCount(t)) ? '1' : '0') + ',' + std::to_string(facts.mapBand[t]);
            for (uint32_t c = 0; c < cameraCount; ++c) {
                text += ',';
                const float r = values[c * kBlock + (t - first)];
                if (!std::isnan(r))
                    text += Shortest(r);
            }
            text += '\n';
        }
        if (text.size() > (1u << 20)) {
            ok = file.Write(text);
            text.clear();
        }
    }
    if (!ok || !file.Write(text) || !file.Commit())
        Fail("Unable to write file: " + path);
}

void RunCoverage(const RigOptions& rig, const CoverageOptions& options, const std::string& voxelsFile)
{
    CRoomBox room;
    const RigSceneResult scene = BuildRigScene(rig, room);
    if (!scene.ok)
        Fail(scene.error);
    CCameraSet& cameras = *CCameraSet::Current();

    if (const auto error = ApplyCoverageOptions(options, scene.cameraCount))
        Fail(*error);
    const bool calibration = !options.calibrationFile.empty();

    CCoverageVolume volume;
    volume.SetResolutionCamera(static_cast<int>(options.resolutionCamera - 1));
    {
        ProgressLine progress;
        volume.SetProgressCallback([&progress](double done) { progress(done); });
        // Test mode keeps the fields of view as the rig has them.
        if (!calibration)
            cameras.RecomputeFieldOfView();
        CCoverageVolume::GridStatus status = volume.BuildGrid();
        if (status == CCoverageVolume::GridStatus::Ok)
            status = calibration ? volume.ComputeCoverageFromCalibration() : volume.ComputeCoverage();
        if (status == CCoverageVolume::GridStatus::OutOfMemory)
            Fail(kNotEnoughMemoryMessage);
        if (status != CCoverageVolume::GridStatus::Ok)
            Fail("Invalid room or voxel size: the voxel size and every room dimension must be positive");
    }

    const VoxelFacts facts = CollectFacts(volume);
    if (!voxelsFile.empty())
        WriteVoxels(voxelsFile, volume, facts);
    std::string text;
    WriteJson(text, BuildReport(volume, facts, calibration), 0);
    std::cout << text << '\n';
    DestroyRigScene();
}

} // namespace

void AddCoverageCommand(CLI::App& app)
{
    CLI::App* command = app.add_subcommand("coverage", "Compute the coverage of the room and print it as JSON");
    auto rig = std::make_shared<RigOptions>();
    auto options = std::make_shared<CoverageOptions>();
    auto voxelsFile = std::make_shared<std::string>();
    AddRigOptions(*command, *rig);
    AddCoverageOptions(*command, *options);
    command->add_option("--voxels", *voxelsFile, "also write every voxel as a CSV file")->type_name("FILE");
    command->callback([rig, options, voxelsFile]() { RunCoverage(*rig, *options, *voxelsFile); });
}
