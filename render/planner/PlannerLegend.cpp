#include "render/planner/PlannerLegend.h"

#include "coverage/asbuilt/CoverageDifference.h"

#include "coverage/CoverageVolume.h"
#include "render/QualityLegend.h"
#include "render/planner/PlannerLabels.h"
#include "scene/DrawColor.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

constexpr double kPadding = 8.0;
constexpr double kSquare = 14.0;
constexpr double kRowHeight = 19.0;
constexpr double kTextGap = 8.0;
// Counts up to this many rows fit the scene above the legend's corner.
constexpr double kMaxCountRows = 24.0;
constexpr double kLineHeight = 16.0;

std::string Fixed(double value, int decimals)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value == 0.0 ? 0.0 : value);
    return text;
}

std::array<float, 3> NamedColor(ColorName name)
{
    // A colour of its own: the process-wide current colour is left alone.
    DrawColor color;
    const double* rgb = ApplyColor(color, name);
    return {static_cast<float>(rgb[0]), static_cast<float>(rgb[1]), static_cast<float>(rgb[2])};
}

} // namespace

int DistinctDecimals(const std::vector<double>& values, int least)
{
    int decimals = least;
    for (; decimals < 6; ++decimals) {
        std::vector<std::string> texts;
        texts.reserve(values.size());
        for (const double v : values)
            texts.push_back(Fixed(v, decimals));
        std::sort(texts.begin(), texts.end());
        if (std::adjacent_find(texts.begin(), texts.end()) == texts.end())
            break;
    }
    return decimals;
}

LegendPanel ResolutionLegendPanel(double resolutionMin, double bandWidth, double resolutionMax, int cameraNumber)
{
    LegendPanel legend;
    legend.title = "Resolution, camera " + std::to_string(cameraNumber) + " (mm)";
    legend.note = "f/N x (1 + f/d), by band";
    // The bounds of bands 1 to 8 and the top of the scale.
    std::vector<double> bounds;
    for (int k = 0; k <= 7; ++k)
        bounds.push_back(resolutionMin + k * bandWidth);
    const bool topBand = bounds.back() < resolutionMax;
    if (topBand)
        bounds.push_back(resolutionMax);
    const int decimals = DistinctDecimals(bounds);
    legend.rows.push_back({NamedColor(BandColor(kBandChocolate)), ">= " + Fixed(resolutionMax, decimals)});
    for (int band = topBand ? 8 : 7; band >= 1; --band)
        legend.rows.push_back(
            {NamedColor(BandColor(band)), Fixed(bounds[band - 1], decimals) + " to " + Fixed(bounds[band], decimals)});
    return legend;
}

LegendPanel CountLegendPanel(unsigned isoOperator, unsigned isoThreshold)
{
    LegendPanel legend;
    legend.title = "Cameras seeing a voxel";
    legend.note = "iso condition: count " + ComparisonOpText(isoOperator) + " " + std::to_string(isoThreshold);
    legend.rows.push_back({NamedColor(ColorName::Red),
                           "meets: count " + ComparisonOpText(isoOperator) + " " + std::to_string(isoThreshold)});
    legend.rows.push_back({NamedColor(ColorName::Green), "does not"});
    return legend;
}

LegendPanel DifferenceLegendPanel()
{
    LegendPanel legend;
    legend.title = "As built against the plan";
    legend.note = "voxels triangulable in one rig only";
    legend.rows.push_back({kLostColor, "lost"});
    legend.rows.push_back({kGainedColor, "gained"});
    return legend;
}

LegendPanel QualityLegendPanel(PlanningMeasure measure, const QualityScale& scale,
                               const std::optional<QualityThreshold>& threshold)
{
    LegendPanel legend;
    const std::string unit = PlanningMeasureUnit(measure);
    legend.title = std::string(PlanningMeasureName(measure)) + (unit.empty() ? "" : " (" + unit + ")");
    if (threshold) {
        char value[32];
        std::snprintf(value, sizeof value, "%g", static_cast<double>(threshold->value));
        legend.note = "shown where " + ComparisonOpText(threshold->op) + " " + value;
    } else {
        legend.note = "every voxel with a value";
    }
    std::vector<double> values = scale.ticks;
    if (scale.whole && scale.high - scale.low < kMaxCountRows) {
        // A swatch for every count, not only for the ticks; a rig too large for that keeps the ticks.
        values.clear();
        for (double k = scale.low; k <= scale.high + 0.5; k += 1.0)
            values.push_back(k);
    }
    const double best = QualityBestValue(measure, scale);
    const double span = scale.high - scale.low;
    for (auto it = values.rbegin(); it != values.rend(); ++it) {
        const double f = span > 0.0 ? (*it - scale.low) / span : 0.0;
        std::string text = scale.TickLabel(*it);
        if (std::abs(*it - best) < 1e-9 * std::max(1.0, std::abs(best)))
            text += std::string("  ") + kQualityBestText;
        legend.rows.push_back({scale.ColorAt(f), text});
    }
    return legend;
}

LegendLayout LayoutLegendPanel(const LegendPanel& legend, double right, double bottom)
{
    double width = std::max(TextWidth(legend.title), TextWidth(legend.note));
    for (const LegendEntry& row : legend.rows)
        width = std::max(width, kSquare + kTextGap + TextWidth(row.text));
    const double height = 2.0 * kLineHeight + legend.rows.size() * kRowHeight + 2.0 * kPadding;
    LegendLayout layout;
    layout.panel = {right - width - 2.0 * kPadding, bottom, right, bottom + height};
    double top = layout.panel.top - kPadding - 2.0 * kLineHeight;
    for (size_t i = 0; i < legend.rows.size(); ++i) {
        const double rowTop = top - i * kRowHeight - (kRowHeight - kSquare) * 0.5;
        const double left = layout.panel.left + kPadding;
        layout.squares.push_back({left, rowTop - kSquare, left + kSquare, rowTop});
    }
    return layout;
}

void DrawLegendPanel(const LegendPanel& legend, double right, double bottom)
{
    const LegendLayout layout = LayoutLegendPanel(legend, right, bottom);
    DrawBacking(layout.panel);
    const double left = layout.panel.left + kPadding;
    const double titleBaseline = layout.panel.top - kPadding - kGlyphAscent;
    DrawOutlinedText(left, titleBaseline, legend.title);
    DrawOutlinedText(left, titleBaseline - kLineHeight, legend.note);
    for (size_t i = 0; i < legend.rows.size(); ++i) {
        const PixelRect& s = layout.squares[i];
        glColor3fv(legend.rows[i].color.data());
        glRectd(s.left, s.bottom, s.right, s.top);
        DrawOutlinedText(s.right + kTextGap, s.bottom + 2.0, legend.rows[i].text);
    }
}
