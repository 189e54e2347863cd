#pragma once

#include "coverage/QualityDisplay.h"

#include <optional>
#include <string>

// Where the Quality legend sits in the 1000 x 725 frame (origin bottom left),
// in the classic legend inset's corner but wider, so that every measure's
// name fits on one line.
inline constexpr int kQualityLegendViewport[4] = {740, 0, 260, 250};

// The legend's layout in its own pixels (origin at its bottom left): the
// colour bar runs from low at the bottom to high at the top; a scale of whole
// counts has a swatch per count instead.
struct QualityLegendLayout {
    int barLeft = 16;
    int barRight = 46;
    int barBottom = 16;
    int barTop = 194;
    int tickRight = 52;
    int labelLeft = 58;
    int titleX = 10;
    int titleBaseline = 230;
    int thresholdBaseline = 210;
    // Where the word for the best end starts, right of the longest tick label.
    int bestLeft = 150;
    // Height in legend pixels of a value's place on the bar.
    double BarY(const QualityScale& scale, double v) const;
};

// Beside the value where the measure is best (QualityBestValue), in both legends.
inline constexpr const char* kQualityBestText = "best";

// "Expected 3D error (mm)"; the name alone for a measure without a unit.
std::string QualityLegendTitle(PlanningMeasure measure);
// "shown where >= 2", or empty without a threshold.
std::string QualityThresholdText(const std::optional<QualityThreshold>& threshold);

// Draws the legend into the current viewport, which must be
// kQualityLegendViewport's size: a dark backing, the title, the colour bar
// (or swatches) and its ticks, and "best" at the measure's best value. Leaves lighting on and the depth test as it
// found it.
void DrawQualityLegend(PlanningMeasure measure, const QualityScale& scale,
                       const std::optional<QualityThreshold>& threshold);
