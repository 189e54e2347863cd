#include "report/AsBuiltSection.h"

#include "report/ReportDocument.h"

#include <cstdio>
#include <sstream>

namespace
{

std::string Fixed(double v, int decimals)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

} // namespace

std::string AsBuiltSectionHtml(const ReportAsBuilt& asBuilt)
{
    const RigComparison& c = *asBuilt.comparison;
    const CCoverageDifference& d = *asBuilt.difference;
    const CPlanningMeasures& planned = d.Planned();
    std::ostringstream html;
    html << "<p>The rig as built, from its calibration, against the plan: cameras paired by "
         << (c.matching == RigMatching::Labels ? "label" : "nearest centres") << ", alignment "
         << RigAlignmentKey(c.alignment) << " (scale " << Fixed(c.scale, 4) << ", RMS residual " << Fixed(c.rmsMm, 1)
         << " mm over " << c.fitted << " cameras).</p>\n";
    html << "<table class=\"cameras\" border=\"1\" cellpadding=\"3\"><tr><th>No</th><th>As built</th>"
            "<th>Position (mm)</th><th>Aim (deg)</th><th>Roll (deg)</th><th>Focal planned (mm)</th>"
            "<th>Focal found (mm)</th></tr>\n";
    for (const CameraDelta& delta : c.cameras)
        html << "<tr><td>" << delta.planNumber << "</td><td>" << HtmlText(delta.asBuiltName) << "</td><td>"
             << Fixed(delta.positionMm, 1) << "</td><td>" << Fixed(delta.aimDeg, 2) << "</td><td>"
             << Fixed(delta.rollDeg, 2) << "</td><td>" << Fixed(delta.focalPlannedMm, 2) << "</td><td>"
             << Fixed(delta.focalFoundMm, 2) << "</td></tr>\n";
    html << "</table>\n";
    if (!c.unmatchedPlan.empty() || !c.unmatchedAsBuilt.empty())
        html << "<p>Without a pair: " << c.unmatchedPlan.size() << " plan cameras, " << c.unmatchedAsBuilt.size()
             << " cameras as built.</p>\n";
    html << "<table class=\"figures\" border=\"1\"><tr><th></th><th>planned (m³)</th><th>as built (m³)</th>"
            "<th>gained (m³)</th><th>lost (m³)</th></tr>\n";
    html << "<tr><td>Triangulable</td><td>" << VolumeText(planned.VolumeOf(planned.TriangulableCount())) << "</td><td>"
         << VolumeText(planned.VolumeOf(d.AsBuilt().TriangulableCount())) << "</td><td>"
         << VolumeText(planned.VolumeOf(d.GainedTriangulable())) << "</td><td>"
         << VolumeText(planned.VolumeOf(d.LostTriangulable())) << "</td></tr>\n";
    const std::vector<uint64_t> plannedMarker = d.MarkerAtLeast(planned), builtMarker = d.MarkerAtLeast(d.AsBuilt());
    for (size_t k = 2; k < plannedMarker.size() && k <= 3; ++k)
        html << "<tr><td>Marker seen by at least " << k << " cameras</td><td>"
             << VolumeText(planned.VolumeOf(plannedMarker[k])) << "</td><td>"
             << VolumeText(planned.VolumeOf(builtMarker[k])) << "</td><td>"
             << VolumeText(planned.VolumeOf(d.GainedMarkerAtLeast()[k])) << "</td><td>"
             << VolumeText(planned.VolumeOf(d.LostMarkerAtLeast()[k])) << "</td></tr>\n";
    html << "</table>\n<p>In the views below the voxels triangulable only as built are green, those only in the "
            "plan red; the others are hidden.</p>\n";
    return html.str();
}
