#include "report/ReportDocument.h"

#include "report/ReportViewer.h"
#include "scene/PrintableText.h"
#include "scene/SceneSettings.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace
{

std::string Fixed(double v, int decimals)
{
    if (!std::isfinite(v))
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::string Row(std::initializer_list<std::string> cells, bool header = false)
{
    const char* tag = header ? "th" : "td";
    std::string row = "<tr>";
    for (const std::string& cell : cells)
        row += std::string("<") + tag + ">" + cell + "</" + tag + ">";
    return row + "</tr>\n";
}

std::string Picture(const ReportImage& image, const std::function<std::string(const ReportImage&)>& source)
{
    return "<p class=\"picture\"><img src=\"" + source(image) + "\" width=\"" + std::to_string(image.widthPx) +
           "\" alt=\"" + HtmlText(image.caption) + "\"><br>" + HtmlText(image.caption) + "</p>\n";
}

std::string RoomText(const ReportFigures& f)
{
    const std::string metres =
        MetresText(f.lengthM) + " x " + MetresText(f.widthM) + " x " + MetresText(f.heightM) + " m";
    if (f.heading.enteredUnit != "ft")
        return metres + " (length x width x height)";
    const auto feet = [](float m) { return Fixed(m / kMetresPerFoot, 2); };
    return feet(f.lengthM) + " x " + feet(f.widthM) + " x " + feet(f.heightM) + " ft, " + metres +
           " (length x width x height)";
}

std::string PointText(const Vec3d& p)
{
    return MetresText(p.x) + ", " + MetresText(p.y) + ", " + MetresText(p.z);
}

std::string TargetText(const ReportFigures& f)
{
    std::string boxes;
    for (const TargetBox& box : f.target.boxes)
        boxes += (boxes.empty() ? "" : "; ") + PointText(box.min) + " to " + PointText(box.max) + " m";
    return "at least " + Fixed(100.0 * f.target.requiredShare, 1) + " % of " + (boxes.empty() ? "-" : boxes) +
           " triangulable by at least " + std::to_string(f.target.minCameras) + " cameras within the 3D error bound";
}

std::string TitleBlock(const ReportFigures& f)
{
    const PlanningSettings& p = f.planningSettings;
    std::ostringstream html;
    html << "<table class=\"title\" cellspacing=\"0\" cellpadding=\"3\">\n"
         << Row({"Project", HtmlText(f.heading.projectName)});
    const std::pair<const char*, const std::string*> given[] = {
        {"Client", &f.heading.client}, {"Site", &f.heading.site}, {"Author", &f.heading.author}};
    for (const auto& [name, value] : given)
        if (!value->empty())
            html << Row({name, HtmlText(*value)});
    html << Row({"Date", HtmlText(f.heading.date)}) << Row({"Room", RoomText(f)})
         << Row({"Voxel size", Fixed(f.voxelCm, 1) + " cm (" + std::to_string(f.nx) + " x " + std::to_string(f.ny) +
                                   " x " + std::to_string(f.nz) + " = " + std::to_string(f.voxels) + " voxels)"})
         << Row({"Cameras", std::to_string(f.cameraCount) + " in the rig; active range: " +
                                std::to_string(f.rangeCount) + " from camera " + std::to_string(f.firstCamera) + ", " +
                                std::to_string(f.enabledInRange) + " of them enabled"})
         << Row({"Criteria", "camera count " + HtmlText(f.isoText) + "; resolution " + HtmlText(f.resText)})
         << Row({"Planning", "marker " + Fixed(p.markerDiameterMm, 1) + " mm, at least " + Fixed(p.minImagePx, 1) +
                                 " px; pair angles " + Fixed(p.minAngleDeg, 0) + "-" + Fixed(p.maxAngleDeg, 0) +
                                 " deg; image noise " + Fixed(p.pixelNoisePx, 2) + " px; 3D error bound " +
                                 Fixed(p.sigmaBoundMm, 2) + " mm"})
         << Row({"Target", TargetText(f)}) << "</table>\n";
    return html.str();
}

std::string Summary(const ReportFigures& f)
{
    const double whole = f.seenAtLeastM3.empty() ? 0.0 : f.seenAtLeastM3[0];
    std::ostringstream html;
    html << "<p class=\"verdict\"><b>" << VerdictText(f) << "</b></p>\n"
         << "<table class=\"figures\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n"
         << Row({"Seen by", "Volume (m&#179;)", "Share of the room"}, true);
    for (size_t k = 1; k < f.seenAtLeastM3.size(); ++k)
        html << Row({"&gt;= " + std::to_string(k) + (k == 1 ? " camera" : " cameras"), VolumeText(f.seenAtLeastM3[k]),
                     ShareText(f.seenAtLeastM3[k], whole)});
    html << "</table>\n";

    html << "<p>With the planning settings above:</p>\n"
         << "<table class=\"figures\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n"
         << Row({"Planning figure", "Value", "Share of the room"}, true);
    for (size_t k = 2; k <= 3; ++k) {
        const double v = k < f.markerAtLeastM3.size() ? f.markerAtLeastM3[k] : 0.0;
        html << Row({"Marker seen by &gt;= " + std::to_string(k) + " cameras", VolumeText(v) + " m&#179;",
                     ShareText(v, whole)});
    }
    html << Row({"Triangulable volume", VolumeText(f.triangulableM3) + " m&#179;", ShareText(f.triangulableM3, whole)})
         << Row({"Triangulable within " + Fixed(f.planningSettings.sigmaBoundMm, 2) + " mm",
                 VolumeText(f.withinSigmaM3) + " m&#179;", ShareText(f.withinSigmaM3, whole)})
         << Row({"Expected 3D error, median", Fixed(f.sigmaMedianMm, 3) + " mm", ""})
         << Row({"Expected 3D error, 95th percentile", Fixed(f.sigmaP95Mm, 3) + " mm", ""})
         << Row({"Occluded angle of a performer, mean", Fixed(f.occludedMeanDeg, 1) + " deg", ""})
         << Row({"Never occluded by a performer", VolumeText(f.unoccludedM3) + " m&#179;",
                 ShareText(f.unoccludedM3, whole)})
         << Row({"Occluded 45 deg or less", VolumeText(f.occludedWithin45M3) + " m&#179;",
                 ShareText(f.occludedWithin45M3, whole)})
         << "</table>\n"
         << "<p>Occluded angle: of a performer's whole turn at a point, the degrees in which their body hides "
            "every pair of cameras that would triangulate a marker there.</p>\n";
    if (!std::isfinite(f.sigmaMedianMm))
        html << "<p>No voxel is triangulable: the expected 3D error is not defined anywhere.</p>\n";
    return html.str();
}

std::string CameraTable(const ReportFigures& f)
{
    std::ostringstream html;
    html << "<p>Positions in metres from the room corner: X along the length, Y (the height) above the floor, Z "
            "across the width. Pan from the inward normal of the nearest wall (for a camera on the ceiling, the "
            "wall it is nearest), positive turning right seen from above (L the length, W the width); tilt of the "
            "optical axis below the horizontal.</p>\n"
         << "<table class=\"cameras\" border=\"1\" cellspacing=\"0\" cellpadding=\"2\">\n"
         << Row({"No.", "Label", "X (m)", "Z (m)", "Height Y (m)", "Mount", "Pan (deg)", "Tilt down (deg)", "Lens (mm)",
                 "FOV h / v (deg)", "Reach (m)", "Voxels seen", "Unique (m&#179;)", "f-stop", "Spin (deg)", "Sensor"},
                true);
    for (const CameraRow& c : f.cameras) {
        const bool counted = c.counted;
        html << Row({std::to_string(c.number), HtmlText(c.label) + (counted ? "" : " (off)"), MetresText(c.position.x),
                     MetresText(c.position.z), MetresText(c.position.y), c.wall, Fixed(c.panDeg, 1),
                     Fixed(c.tiltDownDeg, 1), Fixed(c.focalMm, 1), Fixed(c.hFovDeg, 1) + " / " + Fixed(c.vFovDeg, 1),
                     Fixed(c.reachM, 2), counted ? std::to_string(c.voxelsSeen) : "-",
                     counted ? VolumeText(c.uniqueM3) : "-", Fixed(c.fNumber, 1), Fixed(c.spinDeg, 1),
                     HtmlText(c.sensor)});
    }
    html << "</table>\n<p>(off): disabled or outside the active range; the figures do not count it.</p>\n"
         << "<p>Unique: the triangulable volume lost when this camera alone is switched off, where no pair of the "
            "other cameras triangulates.</p>\n";
    return html.str();
}

std::string ObstacleTable(const ReportFigures& f)
{
    std::ostringstream html;
    html << "<p>Positions in metres from the room corner, X, Y (the height), Z as on the installation sheet. A mesh "
            "file's point p lies at offset + scale p.</p>\n"
         << "<table class=\"figures\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n"
         << Row({"Name", "Kind", "Min corner (m)", "Max corner (m)", "File", "Offset (m)", "Scale"}, true);
    for (const ObstacleRow& o : f.obstacles) {
        if (o.mesh)
            html << Row({HtmlText(o.name), "mesh", "-", "-", HtmlText(o.file), PointText(o.offset), Fixed(o.scale, 3)});
        else
            html << Row({HtmlText(o.name), "box", PointText(o.min), PointText(o.max), "-", "-", "-"});
    }
    html << "</table>\n<p>Obstacle volume: " << VolumeText(f.obstacleM3) << " m&#179; (" << f.insideObstacleVoxels
         << " voxels inside obstacles). No camera sees through an obstacle; the voxels inside one count in no "
            "figure, so the room's share is of the volume outside them.</p>\n";
    return html.str();
}

std::string Pictures(const std::vector<ReportImage>& images,
                     const std::function<std::string(const ReportImage&)>& source)
{
    std::string html;
    for (const ReportImage& image : images)
        html += Picture(image, source);
    return html;
}

} // namespace

std::string VerdictText(const ReportFigures& f)
{
    const TargetCoverage& t = f.targetCoverage;
    const std::string criterion = "triangulable by at least " + std::to_string(f.target.minCameras) +
                                  " cameras within " + Fixed(f.planningSettings.sigmaBoundMm, 2) + " mm";
    const std::string asked = Fixed(100.0 * f.target.requiredShare, 1) + " %";
    if (t.targetVoxels == 0)
        return "FAIL: no voxel centre lies in the target, so nothing of it can be " + criterion + ".";
    return std::string(t.Passes(f.target.requiredShare) ? "PASS" : "FAIL") + ": " + ShareText(t.metM3, t.targetM3) +
           " of the target (" + VolumeText(t.metM3) + " of " + VolumeText(t.targetM3) + " m&#179;) is " + criterion +
           "; " + asked + " asked.";
}

std::string VolumeText(double cubicMetres)
{
    return Fixed(cubicMetres, 2);
}

std::string ShareText(double part, double whole)
{
    return whole > 0.0 ? Fixed(100.0 * part / whole, 1) + " %" : "-";
}

std::string MetresText(double metres)
{
    return Fixed(metres, 2);
}

std::vector<ReportSection> ReportSections(const ReportContents& contents)
{
    const ReportFigures& f = contents.figures;
    std::vector<ReportSection> sections;
    sections.push_back({"Plan", false, [&f](const auto&) { return TitleBlock(f); }});
    sections.push_back({"Summary", false, [&f](const auto&) { return Summary(f); }});
    if (!f.obstacles.empty())
        sections.push_back({"Obstacles", false, [&f](const auto&) { return ObstacleTable(f); }});
    sections.push_back({"Views", true, [&contents](const auto& source) {
                            return (contents.viewerPage.empty() ? std::string()
                                                                : ViewerFigureHtml(contents.viewerPage)) +
                                   Pictures(contents.views, source);
                        }});
    sections.push_back(
        {"Floor maps", true, [&contents](const auto& source) {
             return "<p>Cameras that see each column of the room: the worst case over the capture height band, then "
                    "single heights.</p>\n" +
                    Pictures(contents.floorMaps, source);
         }});
    sections.push_back(
        {"Histograms", true, [&contents](const auto& source) { return Pictures(contents.histograms, source); }});
    sections.push_back({"Installation sheet", true, [&f](const auto&) { return CameraTable(f); }});
    if (contents.asBuilt)
        sections.push_back({"As built", true, [&contents](const auto& source) {
                                return AsBuiltSectionHtml(*contents.asBuilt) +
                                       Pictures(contents.differenceViews, source);
                            }});
    return sections;
}

std::string ReportHtml(const ReportContents& contents, const std::function<std::string(const ReportImage&)>& source)
{
    const std::string title = "Coverage report: " + HtmlText(contents.figures.heading.projectName);
    std::ostringstream html;
    html << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" << title << "</title>\n"
         << "<style>\n"
            "body { font-family: 'DejaVu Sans', sans-serif; font-size: 10pt; }\n"
            "h1 { font-size: 18pt; }\n"
            "h2 { font-size: 13pt; margin-top: 12px; }\n"
            "table { border-collapse: collapse; }\n"
            "th { background-color: #e8e8e8; }\n"
            "table.figures td, table.figures th { padding: 3px 8px; }\n"
            "table.cameras { font-size: 7pt; }\n"
            "table.cameras td { white-space: nowrap; }\n"
            "p.picture { text-align: center; }\n"
            "</style></head>\n<body>\n<h1>"
         << title << "</h1>\n";
    for (const ReportSection& section : ReportSections(contents)) {
        html << (section.newPage ? "<h2 style=\"page-break-before: always\">" : "<h2>") << HtmlText(section.title)
             << "</h2>\n"
             << section.body(source);
    }
    html << "</body></html>\n";
    return html.str();
}
