#include "cli/CommandFailure.h"
#include "cli/Commands.h"
#include "cli/CoverageOptions.h"
#include "cli/PlanningOptions.h"
#include "cli/RigOptions.h"
#include "cli/ShareOptions.h"

#include "cameras/CameraSet.h"
#include "coverage/CoverageFigures.h"
#include "coverage/CoverageInput.h"
#include "coverage/CoverageVolume.h"
#include "coverage/MapDiagnostics.h"
#include "coverage/PlanningMeasures.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "coverage/obstacles/Occlusion.h"
#include "document/PlanDocument.h"
#include "exports/VoxelExport.h"
#include "project/JsonText.h"
#include "project/PlanInput.h"
#include "scene/AtomicFile.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace
{

Json VecJson(const Vec3d& v)
{
    return Json::array({DoubleJson(v.x), DoubleJson(v.y), DoubleJson(v.z)});
}

// Progress on a terminal, once the computation has taken more than a second.
class ProgressLine
{
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

// The report of a volume computed from `input`; `units` names the unit of
// the room in it, which is in metres.
Json BuildReport(const CCoverageVolume& volume, const CoverageInput& input, const std::string& units, bool calibration,
                 size_t obstacleCount)
{
    const CCameraSet& cameras = input.cameras;
    const CoverageFilters& filters = input.filters;
    const uint32_t cameraCount = input.cameraCount;
    const uint32_t enabled = cameras.CountEnabledInRange(input.firstCamera, input.endCamera);
    const size_t n = volume.GetVoxelCount();
    // Every voxel's map band, -1 where the map does not draw it.
    const std::vector<int8_t> mapBand = volume.MapBands(filters);

    Json report;
    report["room"] = {{"length", FloatJson(input.roomLength)},
                      {"width", FloatJson(input.roomWidth)},
                      {"height", FloatJson(input.roomHeight)},
                      {"units", units}};
    report["grid"] = {{"nx", volume.GetCountX()},
                      {"ny", volume.GetCountY()},
                      {"nz", volume.GetCountZ()},
                      {"voxels", n},
                      {"voxel_cm", FloatJson(input.voxelSizeCm)},
                      {"voxel_edge", FloatJson(volume.GetVoxelEdge())},
                      {"half_edge", FloatJson(volume.GetHalfEdge())}};
    report["range"] = {
        {"first", input.firstCamera + 1}, {"count", input.endCamera - input.firstCamera}, {"enabled", enabled}};
    report["mode"] = calibration ? "calibration" : "normal";
    report["resolution_camera"] = volume.GetResolutionCamera() + 1;
    // A grid without a voxel has no value to scale: its bounds are those of
    // no data, so none is printed.
    if (n == 0)
        report["scale"] = {{"min", nullptr}, {"max", nullptr}, {"band", nullptr}};
    else
        report["scale"] = {{"min", DoubleJson(volume.GetResolutionMin())},
                           {"max", DoubleJson(volume.GetResolutionMax())},
                           {"band", DoubleJson(volume.GetBandWidth())}};
    report["filters"] = {{"iso", {{"op", ComparisonOpText(filters.isoOperator)}, {"threshold", filters.isoThreshold}}},
                         {"res",
                          {{"op1", ComparisonOpText(filters.resOperator1)},
                           {"bound1", FloatJson(filters.resBound1)},
                           {"op2", ComparisonOpText(filters.resOperator2)},
                           {"bound2", FloatJson(filters.resBound2)}}}};

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

    const std::vector<uint64_t> histogram = SeenHistogram(volume, enabled);
    uint64_t isoCondition = 0, mapVoxels = 0;
    std::array<uint64_t, 10> bands{};
    const COcclusion* occlusion = volume.GetOcclusion();
    for (size_t t = 0; t < n; ++t) {
        isoCondition += volume.IsoHoldsAt(t, filters) ? 1 : 0;
        // A band number from -1 to 10, not a character.
        if (const int band = mapBand[t]; band >= 0) { // NOLINT(bugprone-signed-char-misuse)
            ++mapVoxels;
            ++bands[band == kBandBlack ? 9 : static_cast<size_t>(band - 1)];
        }
    }
    report["seen_histogram"] = histogram;
    report["iso_list"] = volume.GetIsoCount();
    report["iso_condition"] = isoCondition;
    report["map_voxels"] = mapVoxels;
    report["map_bands"] = bands;

    Json atLeast = Json::array();
    for (const double cubicMetres : VolumeSeenAtLeast(histogram, volume.GetVoxelEdge()))
        atLeast.push_back(DoubleJson(cubicMetres));
    report["volume_m3"] = {{"seen_by_at_least", std::move(atLeast)}};
    if (occlusion)
        report["obstacles"] = {{"count", obstacleCount}, {"volume_m3", DoubleJson(ObstacleVolumeM3(volume))}};

    // What the numbers above leave unsaid; also on standard error.
    Json warnings = Json::array();
    if (const auto emptyMap = ExplainEmptyMap(volume, input))
        warnings.push_back(*emptyMap);
    for (const auto& warning : warnings)
        std::cerr << "warning: " << warning.get<std::string>() << '\n';
    report["warnings"] = std::move(warnings);
    return report;
}

Json PlanningJson(const CPlanningMeasures& planning, const CCameraSet& cameras)
{
    const PlanningSettings& s = planning.GetSettings();
    Json types = Json::array();
    for (const CPlanningMeasures::CameraFigures& figures : planning.GetCameraFigures()) {
        const int i = static_cast<int>(figures.number - 1);
        types.push_back(
            {{"number", figures.number},
             {"type", cameras.GetCameraType(i) == kCustomCameraType ? Json("custom")
                                                                    : Json(CameraTypeName(cameras.GetCameraType(i)))},
             {"pixels", {cameras.GetSensorPixelsX(i), cameras.GetSensorPixelsY(i)}}});
    }
    auto volumes = [&planning](const std::vector<uint64_t>& counts) {
        Json list = Json::array();
        for (const uint64_t count : counts)
            list.push_back(DoubleJson(planning.VolumeOf(count)));
        return list;
    };
    Json perCamera = Json::array();
    for (const CPlanningMeasures::CameraFigures& figures : planning.GetCameraFigures()) {
        perCamera.push_back({{"number", figures.number},
                             {"counted", figures.counted},
                             {"reach_m", DoubleJson(figures.reachMm / 1000.0)},
                             {"voxels_seen", figures.voxelsSeen},
                             {"voxels_marker", figures.voxelsMarker},
                             {"unique_triangulable_m3", DoubleJson(planning.VolumeOf(figures.uniqueTriangulable))}});
    }
    Json json;
    json["settings"] = {{"marker_mm", DoubleJson(s.markerDiameterMm)},
                        {"min_px", DoubleJson(s.minImagePx)},
                        {"angle_range", {DoubleJson(s.minAngleDeg), DoubleJson(s.maxAngleDeg)}},
                        {"pixel_noise_px", DoubleJson(s.pixelNoisePx)},
                        {"sigma_max_mm", DoubleJson(s.sigmaBoundMm)},
                        {"sensors", std::move(types)}};
    json["volume_m3"] = {{"seen_by_at_least", volumes(planning.SeenAtLeast())},
                         {"marker_by_at_least", volumes(planning.MarkerAtLeast())},
                         {"triangulable", DoubleJson(planning.VolumeOf(planning.TriangulableCount()))},
                         {"triangulable_within_sigma", DoubleJson(planning.VolumeOf(planning.WithinSigmaCount()))}};
    json["voxels"] = {{"triangulable", planning.TriangulableCount()},
                      {"triangulable_within_sigma", planning.WithinSigmaCount()}};
    json["sigma3d_mm"] = {{"median", DoubleJson(planning.Sigma3dMedian())}, {"p95", DoubleJson(planning.Sigma3dP95())}};
    json["occlusion"] = {{"mean_deg", DoubleJson(planning.OccludedMeanDeg())},
                         {"unoccluded_m3", DoubleJson(planning.VolumeOf(planning.UnoccludedCount()))},
                         {"within_45_m3", DoubleJson(planning.VolumeOf(planning.OccludedWithin45Count()))}};
    json["per_camera"] = std::move(perCamera);
    return json;
}

// Where the voxels go besides the report.
struct VoxelFiles {
    std::string csv;
    std::string vtk;
    std::string ply;
};

void RunCoverage(const RigOptions& rig, const CoverageOptions& options, const PlanningOptions& planningOptions,
                 const VoxelFiles& files, const ShareFiles& share)
{
    WebScripts scripts;
    if (const auto error = PrepareShareFiles(share, scripts))
        Fail(*error);
    RigPlanResult built = BuildRigPlan(rig);
    if (!built.plan)
        Fail(built.error);
    Plan plan = std::move(*built.plan);
    if (const auto error = ApplyCoverageOptions(options, plan, built.fromProject))
        Fail(*error);
    CCameraSet calibrationFile;
    if (const auto error = ImportCalibrationOption(options, calibrationFile))
        Fail(*error);
    if (const auto error = ApplyPlanningOptions(planningOptions, plan.planning, plan.cameras))
        Fail(*error);
    const bool calibration = !options.calibrationFile.empty();
    // The unit as typed: a room given in metres keeps the case it was typed in.
    const bool roomTyped = !built.fromProject || OptionGiven(rig.command, "--room");
    const std::string units = roomTyped && rig.units == "M" ? "M" : "m";
    const CPlanDocument document(std::move(plan));
    const std::shared_ptr<const CObstacleSet> obstacles = document.Obstacles();

    CCoverageVolume volume;
    volume.SetResolutionCamera(static_cast<int>(document.GetPlan().resolutionCamera) - 1);
    CoverageInput input = document.Input();
    input.cameras.TakeCalibration(calibrationFile);
    {
        ProgressLine progress;
        volume.SetProgressCallback([&progress](double done) { progress(done); });
        CCoverageVolume::GridStatus status = volume.BuildGrid(input);
        if (status == CCoverageVolume::GridStatus::Ok)
            status = calibration ? volume.ComputeCoverageFromCalibration(input) : volume.ComputeCoverage(input);
        if (status == CCoverageVolume::GridStatus::OutOfMemory)
            Fail(std::string(kNotEnoughMemoryMessage) + '\n' + volume.GetMemoryAdvice());
        if (status != CCoverageVolume::GridStatus::Ok)
            Fail("Invalid room or voxel size: the voxel size and every room dimension must be positive");
    }

    // Without a planning option every output stays the classic one; the
    // shared files show the planning measures.
    std::unique_ptr<CPlanningMeasures> planning;
    if (planningOptions.Requested() || share.Any()) {
        planning = std::make_unique<CPlanningMeasures>();
        if (planning->Compute(volume, input) == CPlanningMeasures::Status::OutOfMemory)
            Fail(kNotEnoughMemoryMessage);
    }

    const auto write = [&](const std::string& path, auto writer) {
        if (path.empty())
            return;
        if (const SaveResult saved = writer(path, volume, input, planning.get()); !saved)
            Fail("Unable to write file: " + path + ": " + saved.reason);
    };
    write(files.csv, WriteVoxelTable);
    write(files.vtk, WriteVtk);
    write(files.ply, WritePly);
    if (const auto error =
            WriteShareFiles(share, scripts, input, volume, planning.get(), rig, document.GetPlan(), built.fromProject))
        Fail(*error);
    Json report = BuildReport(volume, input, units, calibration, obstacles ? obstacles->GetCount() : 0);
    if (planning && planningOptions.Requested())
        report["planning"] = PlanningJson(*planning, input.cameras);
    std::cout << JsonText(report) << '\n';
}

} // namespace

void AddCoverageCommand(CLI::App& app)
{
    CLI::App* command = app.add_subcommand("coverage", "Compute the coverage of the room and print it as JSON");
    auto rig = std::make_shared<RigOptions>();
    auto options = std::make_shared<CoverageOptions>();
    auto planning = std::make_shared<PlanningOptions>();
    auto files = std::make_shared<VoxelFiles>();
    auto share = std::make_shared<ShareFiles>();
    AddRigOptions(*command, *rig);
    AddCoverageOptions(*command, *options);
    AddPlanningOptions(*command, *planning);
    command->add_option("--voxels", files->csv, "also write every voxel as a CSV file")->type_name("FILE");
    command->add_option("--vtk", files->vtk, "also write the grid as a binary VTK legacy volume")->type_name("FILE");
    command->add_option("--ply", files->ply, "also write the voxels seen as a binary PLY point cloud")
        ->type_name("FILE");
    AddShareOptions(*command, *share);
    command->callback(
        [rig, options, planning, files, share]() { RunCoverage(*rig, *options, *planning, *files, *share); });
}
