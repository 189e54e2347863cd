#include "report/ReportBuilder.h"

#include "coverage/CoverageInput.h"
#include "coverage/CoverageVolume.h"
#include "report/FloorMaps.h"
#include "report/ReportCharts.h"
#include "coverage/CoverageInput.h"
#include "report/ReportViewer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

// Widths on the page: two views or two maps to a page, three histograms.
constexpr int kViewWidthPx = 540;
constexpr int kMapWidthPx = 470;
constexpr int kChartWidthPx = 600;

std::string Metres(float m)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", m);
    return text;
}

} // namespace

std::optional<std::string> CheckReportHeights(const ReportRequest& request)
{
    const float roomHeightM = request.plan.height;
    const float from = request.bandFromM, to = request.bandToM;
    if (!std::isfinite(from) || !std::isfinite(to) || from > to)
        return "--heights A,B: two heights in metres, A not above B";
    if (to < 0.0f || from > roomHeightM)
        return "--heights: the band " + Metres(from) + "-" + Metres(to) + " m lies outside the room (0-" +
               Metres(roomHeightM) + " m)";
    for (const float h : request.slicesM)
        if (!(h >= 0.0f && h <= roomHeightM))
            return "--slices: " + Metres(h) + " m lies outside the room (0-" + Metres(roomHeightM) + " m)";
    return std::nullopt;
}

std::optional<std::string> MakeReport(const ReportRequest& request,
                                      const std::function<void(int, const std::string&)>& progress)
{
    if (auto error = CheckReportHeights(request))
        return error;
    // An HTML report shows the plan in 3D first: three.js must be there.
    WebScripts scripts;
    if (request.format == ReportFormat::Html)
        if (auto error = ReadWebScripts(DefaultThreeDir(), scripts))
            return error;
    ReportContents contents;
    CReportScene scene;
    progress(0, "computing the coverage and the planning measures");
    if (auto error = scene.Compute(request.plan, request.calibration, request.display, request.obstacles))
        return error;

    progress(40, "collecting the figures");
    const CCoverageVolume& volume = scene.Volume();
    const float heightM = scene.Input().roomHeight;
    contents.figures = CollectReportFigures(volume, scene.Planning(), scene.Input(), request.heading, request.target,
                                            volume.GetOcclusion() ? request.obstacles.get() : nullptr);
    const ReportFigures& f = contents.figures;
    const auto band = LayersInBand(volume, heightM, request.bandFromM, request.bandToM);
    if (!band)
        return "--heights: no voxel layer has its centre between " + Metres(request.bandFromM) + " and " +
               Metres(request.bandToM) + " m; choose a wider band or smaller voxels";

    if (request.format == ReportFormat::Html) {
        contents.viewerPage = ReportViewerPage(scene.Input(), volume, scene.Planning(), f, request.display, scripts);
    }

    progress(50, "drawing the views");
    const std::string display = DisplayName(request.display);
    contents.views.push_back(
        {"perspective", "Perspective view from above at an angle: " + display, scene.DrawPerspective(), kViewWidthPx});
    const std::vector<PlanMark> marks = PlanMarks(f.cameras);
    contents.views.push_back({"plan",
                              "Plan from above, orthographic, cut at the top of the capture height band (" +
                                  Metres(std::min(request.bandToM, heightM)) + " m): " + display +
                                  "; camera numbers, aims as arrows, rulers along X and Z",
                              scene.DrawPlan(marks, static_cast<int>(band->second) + 1), kViewWidthPx});

    if (request.asBuilt) {
        contents.asBuilt = request.asBuilt;
        const std::vector<QImage> difference = scene.DrawDifference(request.asBuilt->difference);
        contents.differenceViews.push_back({"difference",
                                            "The rig as built against the plan: triangulable lost red, gained green",
                                            difference[0], kViewWidthPx});
        contents.differenceViews.push_back(
            {"difference-plan", "The same from above, orthographic", difference[1], kViewWidthPx});
    }

    progress(70, "drawing the floor maps");
    const uint32_t most = f.enabledInRange;
    const FloorMap worst = *CaptureBandMap(volume, heightM, request.bandFromM, request.bandToM);
    contents.floorMaps.push_back({"worst-case", "Least camera count over the capture height band",
                                  DrawFloorMap(worst, most, f.lengthM, f.widthM), kMapWidthPx});
    const FloorMap freeTurn =
        FreeTurnMap(volume, scene.Planning(), band->first, band->second,
                    "Least free turn from " + Metres(request.bandFromM) + " to " + Metres(request.bandToM) + " m");
    contents.floorMaps.push_back({"free-turn",
                                  "Turn of a performer free of occlusion (360 degrees less the occluded angle), "
                                  "least over the capture height band, in steps of 45 degrees",
                                  DrawFloorMap(freeTurn, 360 / kFreeTurnStepDeg, f.lengthM, f.widthM), kMapWidthPx});
    for (size_t s = 0; s < request.slicesM.size(); ++s) {
        const float h = request.slicesM[s];
        const auto layer = LayerAt(volume, heightM, h);
        if (!layer)
            return "--slices: " + Metres(h) + " m lies outside the grid";
        const FloorMap slice = WorstCaseMap(volume, *layer, *layer, "Slice at " + Metres(h) + " m");
        contents.floorMaps.push_back({"slice-" + std::to_string(s + 1), "Camera count at " + Metres(h) + " m",
                                      DrawFloorMap(slice, most, f.lengthM, f.widthM), kMapWidthPx});
    }

    progress(80, "drawing the histograms");
    const double edge = volume.GetVoxelEdge();
    const double voxelM3 = edge * edge * edge;
    contents.histograms.push_back({"seen", "Volume by the number of cameras that see it",
                                   DrawHistogram("Volume by camera count", "cameras that see the voxel",
                                                 CameraCountBars(f.seenHistogram), voxelM3),
                                   kChartWidthPx});
    if (!f.markerPxBars.empty())
        contents.histograms.push_back(
            {"marker", "Volume by the best marker image",
             DrawHistogram("Volume by best marker size", "largest marker image (px)", f.markerPxBars, voxelM3),
             kChartWidthPx});
    if (!f.sigmaBars.empty())
        contents.histograms.push_back(
            {"sigma", "Volume by the expected 3D error",
             DrawHistogram("Volume by expected 3D error", "sigma3d (mm)", f.sigmaBars, voxelM3), kChartWidthPx});

    progress(90, "laying out and writing the report");
    const SaveResult written = request.format == ReportFormat::Pdf
                                   ? WriteReportPdf(request.outPath, contents, request.pageSize)
                                   : WriteReportHtml(request.outPath, contents);
    if (!written)
        return "Unable to write file: " + request.outPath + ": " + written.reason;
    progress(100, "done");
    return std::nullopt;
}
