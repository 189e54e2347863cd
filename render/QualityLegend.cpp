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

    glBegin(GL_QUAD_STRIP);
    for (int s = 0; s <= kBarSegments; ++s) {
        const double f = static_cast<double>(s) / kBarSegments;
        glColor3fv(QualityColor(f).data());
        const double y = layout.barBottom + f * (layout.barTop - layout.barBottom);
        glVertex2d(layout.barLeft, y);
        glVertex2d(layout.barRight, y);
    }
    glEnd();

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
    DrawLabel(layout.titleX, layout.titleBaseline, QualityLegendTitle(measure));
    if (threshold)
        DrawLabel(layout.titleX, layout.thresholdBaseline, QualityThresholdText(threshold));

    glEnable(GL_LIGHTING);
    if (depthTest)
        glEnable(GL_DEPTH_TEST);
}
