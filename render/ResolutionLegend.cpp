#include "render/ResolutionLegend.h"

#include "coverage/CoverageVolume.h"
#include "render/BitmapText.h"

#include <GL/gl.h>

#include <cstdio>

namespace
{

std::string FormatValue(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<double>(RoundTo(value, 2, 10)));
    return text;
}

} // namespace

std::array<LegendRow, 9> ComputeLegendRows(double resolutionMin, double bandWidth, double resolutionMax)
{
    const double min = resolutionMin;
    const double band = bandWidth;
    const double max = resolutionMax;
    return {{
        {-3.0, ColorName::DarkViolet, FormatValue("%.2f", min)},
        {-2.0, ColorName::Indigo, FormatValue("%.2f", min + 2 * band)},
        {-1.0, ColorName::Blue, FormatValue("%.2f", min + 3 * band)},
        {0.0, ColorName::Green, FormatValue("%.2f", min + 4 * band)},
        {1.0, ColorName::Yellow, FormatValue("%.2f", min + 5 * band)},
        {2.0, ColorName::Orange, FormatValue("%.2f", min + 6 * band)},
        {3.0, ColorName::Red, FormatValue("%.2f", min + 7 * band)},
        {4.0, ColorName::Grey, FormatValue("%.2f", max)},
        {5.0, ColorName::Chocolate, FormatValue(">%.2f", max)},
    }};
}

void DrawLegendSwatch(double x, double y, double z, const double* color)
{
    glColor3dv(color);
    glBegin(GL_QUADS);
    glVertex3d(x - 0.5, y - 0.5, z);
    glVertex3d(x + 0.5, y - 0.5, z);
    glVertex3d(x + 0.5, y + 0.5, z);
    glVertex3d(x - 0.5, y + 0.5, z);
    glEnd();
}

void DrawResolutionLegend(const CCoverageVolume& volume, double x, double y, double z)
{
    DrawColor* colors = GetDrawColor();
    if (!colors || !volume.HasResults())
        return;
    glDisable(GL_LIGHTING);
    for (const LegendRow& row :
         ComputeLegendRows(volume.GetResolutionMin(), volume.GetBandWidth(), volume.GetResolutionMax())) {
        const double ry = y + row.centreY;
        DrawLegendSwatch(x, ry, z, ApplyColor(*colors, row.color));
        glRasterPos3d(x + 1.0, ry - 0.5, z);
        DrawBitmapText(row.label.c_str());
    }
    glEnable(GL_LIGHTING);
}
