#include "report/ReportViewer.h"

#include "coverage/CoverageInput.h"
#include "report/ReportFigures.h"
#include "report/ReportPictures.h"

namespace
{

ShareDisplay ShareDisplayOf(const ReportDisplay& display)
{
    if (display.quality)
        return {WindowDisplay::Quality, display.measure, display.threshold};
    const WindowDisplay shown = display.selective ? WindowDisplay::SelectiveCameras
                                : display.view2d  ? WindowDisplay::CameraCount2D
                                                  : WindowDisplay::ResolutionMap;
    return {shown, display.measure, display.threshold};
}

} // namespace

std::string ReportViewerPage(const CoverageInput& input, const CCoverageVolume& volume,
                             const CPlanningMeasures& planning, const ReportFigures& figures,
                             const ReportDisplay& display, const WebScripts& scripts)
{
    // The report's figures as it prints them, not computed again.
    ShareFigures shared;
    shared.seenAtLeastM3 = figures.seenAtLeastM3;
    shared.triangulableM3 = figures.triangulableM3;
    shared.withinSigmaM3 = figures.withinSigmaM3;
    shared.sigmaBoundMm = figures.planningSettings.sigmaBoundMm;
    if (!figures.obstacles.empty())
        shared.obstacleM3 = figures.obstacleM3;
    shared.target = figures.targetCoverage;
    shared.requiredShare = figures.target.requiredShare;
    const ReportHeading& h = figures.heading;
    const PlanTitle title{h.projectName, h.client, h.site, h.author, h.date};
    return WebPageHtml({input, volume, &planning, shared, title, ShareDisplayOf(display), figures.target.boxes},
                       scripts);
}

std::string ViewerFigureHtml(const std::string& page)
{
    // The page goes whole into the frame's srcdoc attribute: only the
    // characters that would end or break the attribute are escaped.
    std::string attribute;
    attribute.reserve(page.size() + page.size() / 16);
    for (const char c : page) {
        if (c == '&')
            attribute += "&amp;";
        else if (c == '"')
            attribute += "&quot;";
        else
            attribute += c;
    }
    return "<figure id=\"viewer\"><iframe title=\"The plan in 3D\" style=\"width: 100%; height: 620px; border: 1px "
           "solid #999\" srcdoc=\"" +
           attribute +
           "\"></iframe><figcaption>The plan in 3D: drag to turn, right-drag to pan, wheel to zoom, click a camera "
           "for its numbers. It works offline; the same page is what <code>coverage --web</code> writes."
           "</figcaption></figure>\n";
}
