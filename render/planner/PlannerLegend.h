#pragma once

#include "coverage/QualityDisplay.h"
#include "render/planner/PlannerProjection.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

// The planner's legend: a backed panel with a title (the measure and its
// unit), a line on what is shown, and one whole colour square per row.
struct LegendEntry {
    std::array<float, 3> color{};
    std::string text;
};
struct LegendPanel {
    std::string title;
    std::string note;
    std::vector<LegendEntry> rows; // top row first
};

// The resolution bands of a scale, highest on top, each with its range;
// printed with as few decimals (two at least) as keep the bounds apart.
// An empty band (the top band when min + 7 band reaches max) is left out.
LegendPanel ResolutionLegendPanel(double resolutionMin, double bandWidth, double resolutionMax, int cameraNumber);
// The 2D count view's key: red where the iso condition holds.
LegendPanel CountLegendPanel(unsigned isoOperator, unsigned isoThreshold);
// The Quality display's ticks (every count for a whole scale), highest on top, "best" beside the best.
LegendPanel QualityLegendPanel(PlanningMeasure measure, const QualityScale& scale,
                               const std::optional<QualityThreshold>& threshold);
// The Difference display's key: what the rig as built lost and gained.
LegendPanel DifferenceLegendPanel();
// Decimals (from `least`, at most 6) that print every value apart.
int DistinctDecimals(const std::vector<double>& values, int least = 2);

// Layout in window pixels: the panel's right and bottom edges at the given
// corner. Squares, text and backing as the drawing places them.
struct LegendLayout {
    PixelRect panel;
    std::vector<PixelRect> squares;
};
LegendLayout LayoutLegendPanel(const LegendPanel& legend, double right, double bottom);
void DrawLegendPanel(const LegendPanel& legend, double right, double bottom);
