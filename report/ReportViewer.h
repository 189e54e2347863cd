#pragma once

#include "exports/WebPage.h"

#include <string>

class CCoverageVolume;
class CPlanningMeasures;
struct ReportFigures;
struct ReportDisplay;
struct CoverageInput;

// The web page of the plan (exports/WebPage) that an HTML report shows as its
// first figure: the report's own figures, title block, target and display,
// over the computation the report made from `input`.
std::string ReportViewerPage(const CoverageInput& input, const CCoverageVolume& volume,
                             const CPlanningMeasures& planning, const ReportFigures& figures,
                             const ReportDisplay& display, const WebScripts& scripts);

// The page as a figure of the report, framed so that its styles and scripts
// stay its own.
std::string ViewerFigureHtml(const std::string& page);
