#include "report/ReportFigures.h"

#include "cameras/CameraSet.h"
#include "cameras/CameraTypes.h"
#include "coverage/CoverageFigures.h"
#include "coverage/CoverageVolume.h"
#include "coverage/FrustumEdges.h"
#include "coverage/QualityDisplay.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "coverage/CoverageInput.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>

namespace
{

// Bars of a measure's histogram over the span of its colours, about.
constexpr int kBarsPerSpan = 10;

double Degrees(double radians)
{
    return radians * 180.0 / std::numbers::pi;
}

std::string Fixed(double v, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::vector<HistogramBar> MeasureBars(const CCoverageVolume& volume, const CPlanningMeasures& planning,
                                      PlanningMeasure measure)
{
    std::vector<float> values;
    values.reserve(volume.GetVoxelCount());
    for (size_t t = 0; t < planning.GetVoxelCount(); ++t)
        if (const float v = planning.Value(measure, t); std::isfinite(v))
            values.push_back(v);
    if (values.empty())
        return {};
    // The span the Quality display colours, cut finer than its legend's ticks.
    const QualityScale scale = ComputeQualityScale(planning, measure);
    const double step = RoundTickStep(scale.high - scale.low, kBarsPerSpan, false);
    std::vector<double> edges;
    for (int k = 0; scale.low + k * step <= scale.high + step * 1e-6; ++k)
        edges.push_back(scale.low + k * step);
    const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
    return BarsOf(values, edges, decimals);
}

CameraRow RowOf(const CCameraSet& cameras, const CPlanningMeasures& planning, int i, float lengthM, float widthM,
                float heightM)
{
    CameraRow row;
    row.number = static_cast<uint32_t>(i) + 1;
    row.label = cameras.GetLabel(i);
    row.position = cameras.ToUser(cameras.GetPosition(i));
    // The user frame's Z runs against the scene's z.
    const Vec3d axis = OpticalAxis(EdgesOf(cameras, i));
    const WallPan pan = PanFromNearestWall(row.position.x, row.position.z, lengthM, widthM, axis.x, -axis.z);
    row.wall = MountText(row.position, lengthM, widthM, heightM, pan.wall);
    row.panDeg = pan.panDeg;
    row.tiltDownDeg = Degrees(std::asin(std::clamp(-axis.y, -1.0, 1.0)));
    const double across = std::hypot(axis.x, axis.z);
    row.aimX = across > 1e-9 ? axis.x / across : 0.0;
    row.aimZ = across > 1e-9 ? -axis.z / across : 0.0;
    row.spinDeg = cameras.GetSpin(i);
    row.focalMm = cameras.GetFocalLength(i);
    row.fNumber = cameras.GetFNumber(i);
    const int type = cameras.GetCameraType(i);
    row.sensor = std::to_string(cameras.GetSensorPixelsX(i)) + " x " + std::to_string(cameras.GetSensorPixelsY(i)) +
                 " px, " + (type == kCustomCameraType ? std::string("custom") : CameraTypeName(type));
    row.hFovDeg = cameras.GetHFov(i);
    row.vFovDeg = cameras.GetVFov(i);
    for (const CPlanningMeasures::CameraFigures& figures : planning.GetCameraFigures()) {
        if (figures.number != row.number)
            continue;
        row.counted = figures.counted;
        row.reachM = figures.reachMm / 1000.0;
        row.voxelsSeen = figures.voxelsSeen;
        row.uniqueM3 = planning.VolumeOf(figures.uniqueTriangulable);
    }
    return row;
}

} // namespace

WallPan PanFromNearestWall(double x, double z, double lengthM, double widthM, double dx, double dz)
{
    struct Wall {
        const char* name;
        double distance;
        double nx, nz; // inward normal
    };
    const Wall walls[] = {
        {"X=0", x, 1.0, 0.0}, {"X=L", lengthM - x, -1.0, 0.0}, {"Z=0", z, 0.0, 1.0}, {"Z=W", widthM - z, 0.0, -1.0}};
    const Wall* nearest = &walls[0];
    for (const Wall& wall : walls)
        if (wall.distance < nearest->distance)
            nearest = &wall;
    // Seen from above X runs right and Z up, so a positive cross product
    // turns left.
    const double cross = nearest->nx * dz - nearest->nz * dx;
    const double dot = nearest->nx * dx + nearest->nz * dz;
    double pan = -Degrees(std::atan2(cross, dot));
    if (pan <= -180.0)
        pan += 360.0;
    return {nearest->name, pan == 0.0 ? 0.0 : pan};
}

std::string MountText(const Vec3d& position, double lengthM, double widthM, double heightM,
                      const std::string& nearestWall)
{
    const double wall = std::min({position.x, lengthM - position.x, position.z, widthM - position.z});
    return heightM - position.y < wall ? "ceiling, near " + nearestWall : nearestWall;
}

std::vector<HistogramBar> BarsOf(const std::vector<float>& values, const std::vector<double>& edges, int decimals)
{
    if (edges.size() < 2)
        return {};
    std::vector<HistogramBar> bars(edges.size() - 1);
    for (size_t b = 0; b + 1 < edges.size(); ++b)
        bars[b].label = b + 2 < edges.size() ? Fixed(edges[b], decimals) + "-" + Fixed(edges[b + 1], decimals)
                                             : ">= " + Fixed(edges[b], decimals);
    for (const float v : values) {
        if (!std::isfinite(v))
            continue;
        // upper_bound: a value on an edge belongs to the bar that starts there.
        const auto above = std::upper_bound(edges.begin(), edges.end() - 1, static_cast<double>(v));
        const size_t bar = above == edges.begin() ? 0 : static_cast<size_t>(above - edges.begin()) - 1;
        ++bars[std::min(bar, bars.size() - 1)].voxels;
    }
    return bars;
}

ReportFigures CollectReportFigures(const CCoverageVolume& volume, const CPlanningMeasures& planning,
                                   const CoverageInput& input, const ReportHeading& heading, const TargetRule& target,
                                   const CObstacleSet* obstacles)
{
    const CCameraSet& cameras = input.cameras;
    const CoverageFilters& filters = input.filters;
    ReportFigures f;
    f.heading = heading;
    f.lengthM = input.roomLength;
    f.widthM = input.roomWidth;
    f.heightM = input.roomHeight;
    f.voxelCm = input.voxelSizeCm;
    f.nx = volume.GetCountX();
    f.ny = volume.GetCountY();
    f.nz = volume.GetCountZ();
    f.voxels = volume.GetVoxelCount();
    f.cameraCount = input.cameraCount;
    f.firstCamera = input.firstCamera + 1;
    f.rangeCount = input.endCamera - input.firstCamera;
    f.enabledInRange = cameras.CountEnabledInRange(input.firstCamera, input.endCamera);
    f.isoText = ComparisonOpText(filters.isoOperator) + " " + std::to_string(filters.isoThreshold);
    f.resText = ComparisonOpText(filters.resOperator1) + " " + Fixed(filters.resBound1, 2) + " and " +
                ComparisonOpText(filters.resOperator2) + " " + Fixed(filters.resBound2, 2);

    f.seenHistogram = SeenHistogram(volume, f.enabledInRange);
    f.insideObstacleVoxels = InsideObstacleVoxels(volume);
    f.obstacleM3 = ObstacleVolumeM3(volume);
    f.seenAtLeastM3 = VolumeSeenAtLeast(f.seenHistogram, volume.GetVoxelEdge());

    f.planningSettings = planning.GetSettings();
    for (const uint64_t count : planning.MarkerAtLeast())
        f.markerAtLeastM3.push_back(planning.VolumeOf(count));
    f.triangulableM3 = planning.VolumeOf(planning.TriangulableCount());
    f.withinSigmaM3 = planning.VolumeOf(planning.WithinSigmaCount());
    f.sigmaMedianMm = planning.Sigma3dMedian();
    f.sigmaP95Mm = planning.Sigma3dP95();
    f.occludedMeanDeg = planning.OccludedMeanDeg();
    f.unoccludedM3 = planning.VolumeOf(planning.UnoccludedCount());
    f.occludedWithin45M3 = planning.VolumeOf(planning.OccludedWithin45Count());
    f.markerPxBars = MeasureBars(volume, planning, PlanningMeasure::MarkerPx);
    f.sigmaBars = MeasureBars(volume, planning, PlanningMeasure::Sigma);

    f.target = target;
    f.targetCoverage = ComputeTargetCoverage(volume, planning, target, cameras);

    for (uint32_t c = 0; c < f.cameraCount; ++c)
        f.cameras.push_back(RowOf(cameras, planning, static_cast<int>(c), f.lengthM, f.widthM, f.heightM));
    if (obstacles) {
        for (const ObstacleBox& box : obstacles->GetBoxes())
            f.obstacles.push_back({box.name, false, box.min, box.max, {}, {}, 1.0});
        for (const ObstacleMesh& mesh : obstacles->GetMeshes())
            // The file's name: where it lies on the planner's disk is nothing to a client.
            f.obstacles.push_back({mesh.name,
                                   true,
                                   {},
                                   {},
                                   std::filesystem::path(mesh.file).filename().string(),
                                   mesh.offset,
                                   mesh.scale});
    }
    return f;
}
