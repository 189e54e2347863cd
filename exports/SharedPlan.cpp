#include "exports/SharedPlan.h"

#include "cameras/Angles.h"
#include "coverage/CoverageFigures.h"
#include "coverage/CoverageInput.h"
#include "coverage/CoverageVolume.h"
#include "coverage/FrustumEdges.h"
#include "coverage/PlanningCamera.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "scene/DrawColor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace
{

std::string Fixed(double v, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::string CubicMetres(double m3)
{
    return Fixed(m3, 2) + " m\u00b3";
}

// The user frame's Z runs the other way in the files.
Vec3d FileFrame(const Vec3d& user)
{
    return {user.x, user.y, -user.z};
}

Vec3d Cross(const Vec3d& a, const Vec3d& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The part of v across the unit vector f; zero when v lies along it.
Vec3d Across(const Vec3d& v, const Vec3d& f)
{
    const double along = Dot(v, f);
    return {v.x - along * f.x, v.y - along * f.y, v.z - along * f.z};
}

// The quaternion (x, y, z, w) of the rotation whose columns are r, u, -f.
std::array<double, 4> Quaternion(const Vec3d& r, const Vec3d& u, const Vec3d& f)
{
    const double m00 = r.x, m01 = u.x, m02 = -f.x;
    const double m10 = r.y, m11 = u.y, m12 = -f.y;
    const double m20 = r.z, m21 = u.z, m22 = -f.z;
    const double trace = m00 + m11 + m22;
    std::array<double, 4> q{};
    if (trace > 0.0) {
        const double s = 2.0 * std::sqrt(trace + 1.0);
        q = {(m21 - m12) / s, (m02 - m20) / s, (m10 - m01) / s, 0.25 * s};
    } else if (m00 > m11 && m00 > m22) {
        const double s = 2.0 * std::sqrt(1.0 + m00 - m11 - m22);
        q = {0.25 * s, (m01 + m10) / s, (m02 + m20) / s, (m21 - m12) / s};
    } else if (m11 > m22) {
        const double s = 2.0 * std::sqrt(1.0 + m11 - m00 - m22);
        q = {(m01 + m10) / s, 0.25 * s, (m12 + m21) / s, (m02 - m20) / s};
    } else {
        const double s = 2.0 * std::sqrt(1.0 + m22 - m00 - m11);
        q = {(m02 + m20) / s, (m12 + m21) / s, 0.25 * s, (m10 - m01) / s};
    }
    const double n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    for (double& c : q)
        c /= n;
    return q;
}

SharedCamera CameraOf(const CoverageInput& input, int i, double diagonalM)
{
    const CCameraSet& cameras = input.cameras;
    SharedCamera cam;
    cam.number = static_cast<uint32_t>(i) + 1;
    cam.label = cameras.GetLabel(i);
    cam.user = cameras.ToUser(cameras.GetPosition(i));
    cam.position = FileFrame(cam.user);
    // Directions keep their components: the files' frame is the scene frame
    // moved to the room corner.
    const FrustumEdges edges = EdgesOf(cameras, i);
    const Vec3d f = OpticalAxis(edges);
    cam.aimed = Length(f) > 0.5;
    if (cam.aimed) {
        cam.axis = f;
        // The upper vertical edge marks the image's top; looking straight up
        // or down with no vertical spread, the room's up or its -Z stand in.
        Vec3d up = Across(edges.vPlus - edges.vMinus, f);
        if (Length(up) < 1e-9)
            up = Across({0, 1, 0}, f);
        if (Length(up) < 1e-9)
            up = Across({0, 0, -1}, f);
        cam.up = Normalized(up);
        cam.right = Cross(f, cam.up);
        cam.rotation = Quaternion(cam.right, cam.up, f);
    } else {
        cam.axis = {0, 0, -1};
        cam.up = {0, 1, 0};
        cam.right = {1, 0, 0};
    }
    const double h = cameras.GetHFov(i) * kRadiansPerDegree;
    const double v = cameras.GetVFov(i) * kRadiansPerDegree;
    cam.yfovRad = v;
    cam.aspectRatio = std::tan(v / 2.0) > 0.0 ? std::tan(h / 2.0) / std::tan(v / 2.0) : 1.0;
    cam.panDeg = cameras.GetHTilt(i);
    cam.tiltDeg = cameras.GetVTilt(i);
    cam.focalMm = cameras.GetFocalLength(i);
    cam.fNumber = cameras.GetFNumber(i);
    cam.reachM = CameraReachOf(cameras, i, input.planning) / 1000.0;
    cam.frustumM = std::isfinite(cam.reachM) && cam.reachM > 0.0 ? cam.reachM : diagonalM;
    return cam;
}

std::array<uint8_t, 3> Bytes(const QualityRgb& rgb)
{
    std::array<uint8_t, 3> bytes{};
    for (size_t c = 0; c < 3; ++c)
        bytes[c] = static_cast<uint8_t>(std::lround(std::clamp(rgb[c], 0.0f, 1.0f) * 255.0f));
    return bytes;
}

std::array<uint8_t, 3> Bytes(ColorName name)
{
    DrawColor color;
    const double* rgb = ApplyColor(color, name);
    return Bytes(QualityRgb{static_cast<float>(rgb[0]), static_cast<float>(rgb[1]), static_cast<float>(rgb[2])});
}

// One voxel of the display: its index, colour and band.
struct DisplayVoxel {
    size_t t;
    std::array<uint8_t, 3> rgb;
    uint32_t band;
};

struct DisplayVoxels {
    std::string name;
    std::string legendTitle;
    std::vector<SharedBand> bands;
    std::vector<DisplayVoxel> voxels;
    std::string emptyNote;
};

DisplayVoxels QualityVoxels(const ShareSource& source)
{
    DisplayVoxels out;
    const std::string unit = PlanningMeasureUnit(source.display.measure);
    out.name = std::string("Quality display: ") + PlanningMeasureName(source.display.measure);
    out.legendTitle = PlanningMeasureName(source.display.measure) + (unit.empty() ? "" : " (" + unit + ")");
    const CPlanningMeasures* planning = source.planning;
    if (!planning || !planning->HasResults()) {
        out.emptyNote = "The Quality display needs the planning measures, which were not computed.";
        return out;
    }
    const QualityScale scale = ComputeQualityScale(*planning, source.display.measure);
    // Whole counts get a band each, as the legend gives each a swatch; other
    // measures one band per interval between the legend's ticks.
    const double step = scale.whole ? 1.0 : scale.step;
    const size_t bandCount =
        std::max<size_t>(1, static_cast<size_t>(std::lround((scale.high - scale.low) / step)) + (scale.whole ? 1 : 0));
    for (size_t b = 0; b < bandCount; ++b) {
        const double low = scale.low + static_cast<double>(b) * step;
        if (scale.whole)
            out.bands.push_back({scale.TickLabel(low), Bytes(scale.ColorOf(static_cast<float>(low))), 0});
        else
            out.bands.push_back({scale.TickLabel(low) + "\u2013" + scale.TickLabel(low + step),
                                 Bytes(scale.ColorOf(static_cast<float>(low + step / 2.0))), 0});
    }
    for (uint32_t j = 0; j < source.volume.GetCountY(); ++j) {
        for (const QualityVoxelPaint& paint :
             QualityLayerPaint(source.volume, *planning, source.display.measure, scale, source.display.threshold, j)) {
            const double v = planning->Value(source.display.measure, paint.voxel);
            const double at = std::floor((v - scale.low) / step + (scale.whole ? 0.5 : 0.0));
            const uint32_t band = static_cast<uint32_t>(std::clamp(at, 0.0, static_cast<double>(bandCount - 1)));
            out.voxels.push_back({paint.voxel, Bytes(paint.color), band});
        }
    }
    return out;
}

// The classic displays paint with the resolution bands' colours, or red and
// green for the iso condition.
DisplayVoxels ClassicVoxels(const ShareSource& source)
{
    const CCoverageVolume& volume = source.volume;
    const CoverageFilters& filters = source.input.filters;
    DisplayVoxels out;
    std::vector<VoxelPaint> paint;
    const std::string camera = "camera " + std::to_string(volume.GetResolutionCamera() + 1);
    switch (source.display.shown) {
    case WindowDisplay::SelectiveCameras:
        out.name = "Selective cameras";
        out.legendTitle = "Resolution of " + camera;
        paint = volume.IsoListPaint(filters);
        break;
    case WindowDisplay::CameraCount2D:
        out.name = "Camera count";
        out.legendTitle = "Seen by " + ComparisonOpText(filters.isoOperator) + " " +
                          std::to_string(filters.isoThreshold) + " cameras";
        for (uint32_t j = 0; j < volume.GetCountY(); ++j)
            for (const VoxelPaint& p : volume.CountLayerPaint(j, filters))
                paint.push_back(p);
        break;
    default:
        out.name = "Resolution map of " + camera;
        out.legendTitle = "Resolution of " + camera;
        for (uint32_t j = 0; j < volume.GetCountY(); ++j)
            for (const VoxelPaint& p : volume.MapLayerPaint(j, filters))
                paint.push_back(p);
        break;
    }
    const bool count = source.display.shown == WindowDisplay::CameraCount2D;
    struct Named {
        ColorName color;
        const char* label;
    };
    // Bands from the bottom of the scale to the top, as the legend stacks them.
    const std::vector<Named> order =
        count
            ? std::vector<Named>{{ColorName::Red, "as the iso condition asks"}, {ColorName::Green, "otherwise"}}
            : std::vector<Named>{{ColorName::Black, "below the scale"}, {ColorName::DarkViolet, "band 1"},
                                 {ColorName::Indigo, "band 2"},         {ColorName::Blue, "band 3"},
                                 {ColorName::Green, "band 4"},          {ColorName::Yellow, "band 5"},
                                 {ColorName::Orange, "band 6"},         {ColorName::Red, "band 7"},
                                 {ColorName::Grey, "band 8"},           {ColorName::Chocolate, "at or above the top"}};
    std::map<ColorName, uint32_t> bandOf;
    for (const Named& named : order) {
        bandOf[named.color] = static_cast<uint32_t>(out.bands.size());
        out.bands.push_back({named.label, Bytes(named.color), 0});
    }
    for (const VoxelPaint& p : paint)
        if (const auto band = bandOf.find(p.color); band != bandOf.end())
            out.voxels.push_back({p.voxel, out.bands[band->second].rgb, band->second});
    return out;
}

void AddFigureRows(SharedPlan& plan, const ShareFigures& figures)
{
    for (size_t k = 1; k < figures.seenAtLeastM3.size(); ++k)
        plan.figureRows.push_back({"Seen by at least " + std::to_string(k) + (k == 1 ? " camera" : " cameras"),
                                   CubicMetres(figures.seenAtLeastM3[k])});
    if (figures.triangulableM3)
        plan.figureRows.push_back({"Triangulable", CubicMetres(*figures.triangulableM3)});
    if (figures.withinSigmaM3)
        plan.figureRows.push_back(
            {"Triangulable within " + Fixed(figures.sigmaBoundMm, 2) + " mm", CubicMetres(*figures.withinSigmaM3)});
    if (figures.obstacleM3)
        plan.figureRows.push_back({"Inside obstacles (seen by none)", CubicMetres(*figures.obstacleM3)});
    if (figures.target) {
        const double share = figures.target->Share();
        plan.figureRows.push_back({"Target met", std::isnan(share) ? std::string("no voxel in the target")
                                                                   : Fixed(100.0 * share, 1) + " % of " +
                                                                         CubicMetres(figures.target->targetM3)});
        plan.figureRows.push_back({"Plan", figures.target->Passes(figures.requiredShare)
                                               ? "passes (" + Fixed(100.0 * figures.requiredShare, 1) + " % asked)"
                                               : "fails (" + Fixed(100.0 * figures.requiredShare, 1) + " % asked)"});
    }
}

SharedBox FileBox(const std::string& name, const Vec3d& min, const Vec3d& max)
{
    return {name, {min.x, min.y, -max.z}, {max.x, max.y, -min.z}};
}

} // namespace

ShareFigures CollectShareFigures(const CoverageInput& input, const CCoverageVolume& volume,
                                 const CPlanningMeasures* planning, const TargetRule* target)
{
    uint32_t enabled = 0;
    for (uint32_t c = input.firstCamera; c < input.endCamera && c < input.cameraCount; ++c)
        enabled += input.cameras.GetEnabled(static_cast<int>(c)) == 1 ? 1 : 0;
    ShareFigures figures;
    figures.seenAtLeastM3 = VolumeSeenAtLeast(SeenHistogram(volume, enabled), volume.GetVoxelEdge());
    if (volume.GetOcclusion())
        figures.obstacleM3 = ObstacleVolumeM3(volume);
    if (planning && planning->HasResults()) {
        figures.triangulableM3 = planning->VolumeOf(planning->TriangulableCount());
        figures.withinSigmaM3 = planning->VolumeOf(planning->WithinSigmaCount());
        figures.sigmaBoundMm = planning->GetSettings().sigmaBoundMm;
        if (target) {
            figures.target = ComputeTargetCoverage(volume, *planning, *target, input.cameras);
            figures.requiredShare = target->requiredShare;
        }
    }
    return figures;
}

SharedPlan MakeSharedPlan(const ShareSource& source, uint64_t maxVoxels)
{
    const CoverageInput& input = source.input;
    const CCoverageVolume& volume = source.volume;
    SharedPlan plan;
    plan.title = source.title;
    plan.lengthM = input.roomLength;
    plan.widthM = input.roomWidth;
    plan.heightM = input.roomHeight;
    plan.voxelCm = input.voxelSizeCm;
    const double diagonal =
        std::sqrt(plan.lengthM * plan.lengthM + plan.widthM * plan.widthM + plan.heightM * plan.heightM);
    for (uint32_t c = input.firstCamera; c < input.endCamera && c < input.cameraCount; ++c)
        if (input.cameras.GetEnabled(static_cast<int>(c)) == 1)
            plan.cameras.push_back(CameraOf(input, static_cast<int>(c), diagonal));

    if (input.obstacles) {
        for (const ObstacleBox& box : input.obstacles->GetBoxes())
            plan.obstacleBoxes.push_back(FileBox(box.name, box.min, box.max));
        for (size_t m = 0; m < input.obstacles->GetMeshes().size(); ++m)
            for (const auto& tri : input.obstacles->PlacedTriangles(m))
                // Mirroring Z turns the winding: two corners swap to keep the faces outward.
                plan.obstacleTriangles.push_back({FileFrame(tri[0]), FileFrame(tri[2]), FileFrame(tri[1])});
    }
    for (size_t b = 0; b < source.target.size(); ++b)
        plan.target.push_back(FileBox("target " + std::to_string(b + 1), source.target[b].min, source.target[b].max));

    DisplayVoxels shown =
        source.display.shown == WindowDisplay::Quality ? QualityVoxels(source) : ClassicVoxels(source);
    plan.displayName = shown.name;
    plan.legendTitle = shown.legendTitle;
    plan.bands = std::move(shown.bands);
    plan.voxelEdgeM = volume.GetVoxelEdge();
    plan.shownVoxels = shown.voxels.size();
    plan.emptyNote =
        shown.voxels.empty() && shown.emptyNote.empty() ? "The display's filters take no voxel." : shown.emptyNote;

    const uint32_t nx = volume.GetCountX(), ny = volume.GetCountY();
    const auto kept = [&](size_t t, uint32_t s) {
        const size_t j = t % ny, i = (t / ny) % nx, k = t / (static_cast<size_t>(ny) * nx);
        return i % s == 0 && j % s == 0 && k % s == 0;
    };
    uint64_t count = shown.voxels.size();
    while (count > maxVoxels) {
        ++plan.stride;
        count = 0;
        for (const DisplayVoxel& v : shown.voxels)
            count += kept(v.t, plan.stride) ? 1 : 0;
    }
    plan.voxels.reserve(count);
    for (const DisplayVoxel& v : shown.voxels) {
        if (plan.stride > 1 && !kept(v.t, plan.stride))
            continue;
        const std::array<float, 3> c = volume.Centre(v.t);
        const Vec3d file = FileFrame(input.cameras.ToUser({c[0], c[1], c[2]}));
        plan.voxels.push_back(
            {{static_cast<float>(file.x), static_cast<float>(file.y), static_cast<float>(file.z)}, v.rgb, v.band});
        ++plan.bands[v.band].voxels;
    }
    AddFigureRows(plan, source.figures);
    return plan;
}

std::string ThinningNote(const SharedPlan& plan)
{
    if (plan.stride <= 1)
        return {};
    return std::to_string(plan.voxels.size()) + " of the display's " + std::to_string(plan.shownVoxels) +
           " voxels shown, one in " + std::to_string(plan.stride) + " along each axis";
}

Json SharedPlanFacts(const SharedPlan& plan, const ShareFigures& figures)
{
    Json facts;
    facts["frame"] = "right-handed, +Y up, metres, origin at the room corner; the program's (X, Y, Z) is (X, Y, -Z)";
    facts["title"] = {{"project", plan.title.projectName},
                      {"client", plan.title.client},
                      {"site", plan.title.site},
                      {"author", plan.title.author},
                      {"date", plan.title.date}};
    facts["room_m"] = {
        {"length", DoubleJson(plan.lengthM)}, {"width", DoubleJson(plan.widthM)}, {"height", DoubleJson(plan.heightM)}};
    facts["voxel_cm"] = FloatJson(plan.voxelCm);
    Json bands = Json::array();
    for (const SharedBand& band : plan.bands)
        bands.push_back({{"label", band.label}, {"rgb", band.rgb}, {"voxels", band.voxels}});
    facts["display"] = {{"name", plan.displayName}, {"legend", plan.legendTitle}, {"bands", std::move(bands)}};
    if (!plan.emptyNote.empty())
        facts["display"]["empty"] = plan.emptyNote;
    Json seen = Json::array();
    for (const double m3 : figures.seenAtLeastM3)
        seen.push_back(DoubleJson(m3));
    Json numbers;
    numbers["seen_by_at_least_m3"] = std::move(seen);
    if (figures.triangulableM3)
        numbers["triangulable_m3"] = DoubleJson(*figures.triangulableM3);
    if (figures.withinSigmaM3) {
        numbers["triangulable_within_sigma_m3"] = DoubleJson(*figures.withinSigmaM3);
        numbers["sigma_bound_mm"] = DoubleJson(figures.sigmaBoundMm);
    }
    if (figures.obstacleM3)
        numbers["occlusion"] = {{"inside_obstacles_m3", DoubleJson(*figures.obstacleM3)}};
    if (figures.target)
        numbers["target"] = {{"target_m3", DoubleJson(figures.target->targetM3)},
                             {"met_m3", DoubleJson(figures.target->metM3)},
                             {"share", DoubleJson(figures.target->Share())},
                             {"required_share", DoubleJson(figures.requiredShare)},
                             {"passes", figures.target->Passes(figures.requiredShare)}};
    facts["figures"] = std::move(numbers);
    Json rows = Json::array();
    for (const auto& [label, text] : plan.figureRows)
        rows.push_back({label, text});
    facts["figure_rows"] = std::move(rows);
    facts["thinning"] = {{"thinned", plan.stride > 1},
                         {"display_voxels", plan.shownVoxels},
                         {"written_voxels", plan.voxels.size()},
                         {"stride", plan.stride},
                         {"note", ThinningNote(plan)}};
    return facts;
}
