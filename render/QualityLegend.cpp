#include "render/QualityLegend.h"

#include "coverage/CoverageVolume.h"
#include "render/BitmapText.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>

namespace
{

constexpr float kBackingGrey = 0.08f;
// One colour band per map sample interval keeps the bar's shading the map's
// own linear interpolation.
constexpr int kBarSegments = 8;

void DrawLabel(double x, double y, const std::string& text)
{
    glRasterPos2d(x, y);
    DrawBitmapText(text.c_str());
}

} // namespace

double QualityLegendLayout::BarY(const QualityScale& scale, double v) const
{
    // A count stands in the middle of its swatch.
    if (scale.whole)
        return barBottom + (v - scale.low + 0.5) / (scale.high - scale.low + 1.0) * (barTop - barBottom);
    return barBottom + (v - scale.low) / (scale.high - scale.low) * (barTop - barBottom);
}

std::string QualityLegendTitle(PlanningMeasure measure)
{
    const std::string unit = PlanningMeasureUnit(measure);
    std::string title = PlanningMeasureName(measure);
    if (!unit.empty())
        title += " (" + unit + ")";
    return title;
}

std::string QualityThresholdText(const std::optional<QualityThreshold>& threshold)
{
    if (!threshold)
        return {};
    char value[32];
    std::snprintf(value, sizeof value, "%g", static_cast<double>(threshold->value));
    return "shown where " + ComparisonOpText(threshold->op) + " " + value;
}

void DrawQualityLegend(PlanningMeasure measure, const QualityScale& scale,
                       const std::optional<QualityThreshold>& threshold)
{
    const QualityLegendLayout layout;
    const GLboolean depthTest = glIsEnabled(GL_DEPTH_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, kQualityLegendViewport[2], 0.0, kQualityLegendViewport[3], -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    glColor3f(kBackingGrey, kBackingGrey, kBackingGrey);
    glRectd(0.0, 0.0, kQualityLegendViewport[2], kQualityLegendViewport[3]);

    if (scale.whole) {
        // One flat swatch per count, each the colour its voxels have.
        const double counts = scale.high - scale.low + 1.0;
        const double h = (layout.barTop - layout.barBottom) / counts;
        for (double k = 0.0; k < counts; k += 1.0) {
            glColor3fv(scale.ColorOf(static_cast<float>(scale.low + k)).data());
            glRectd(layout.barLeft, std::round(layout.barBottom + k * h), layout.barRight,
                    std::round(layout.barBottom + (k + 1.0) * h) - (k + 1.0 < counts ? 1.0 : 0.0));
        }
    } else {
        glBegin(GL_QUAD_STRIP);
        for (int s = 0; s <= kBarSegments; ++s) {
            const double f = static_cast<double>(s) / kBarSegments;
            glColor3fv(scale.ColorAt(f).data());
            const double y = layout.barBottom + f * (layout.barTop - layout.barBottom);
            glVertex2d(layout.barLeft, y);
            glVertex2d(layout.barRight, y);
        }
        glEnd();
    }

    // Each tick mark fills the pixel row its value falls in.
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_LINES);
    for (const double tick : scale.ticks) {
        const double y = std::floor(layout.BarY(scale, tick)) + 0.5;
        glVertex2d(layout.barRight, y);
        glVertex2d(layout.tickRight, y);
    }
    glEnd();
    // Text centred on its tick: the glyphs stand 11 pixels above the baseline.
    for (const double tick : scale.ticks)
        DrawLabel(layout.labelLeft, std::floor(layout.BarY(scale, tick)) - 5.0, scale.TickLabel(tick));
    DrawLabel(layout.bestLeft, std::floor(layout.BarY(scale, QualityBestValue(measure, scale))) - 5.0,
              kQualityBestText);
    DrawLabel(layout.titleX, layout.titleBaseline, QualityLegendTitle(measure));
    if (threshold)
        DrawLabel(layout.titleX, layout.thresholdBaseline, QualityThresholdText(threshold));

    glEnable(GL_LIGHTING);
    if (depthTest)
        glEnable(GL_DEPTH_TEST);
}
