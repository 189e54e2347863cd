#pragma once

#include "scene/DrawColor.h"

#include <array>
#include <string>

class CCoverageVolume;

// One square of the legend: its centre's height above the legend's origin,
// its band colour and the value printed beside it.
struct LegendRow {
    double centreY = 0.0;
    ColorName color = ColorName::White;
    std::string label;
};

// The nine rows from the bottom up: the bottom of the scale, the upper ends
// of bands 2 to 7, the top, and ">top" for the values at or above it; each
// value rounded half away from zero to two decimals before it is printed.
std::array<LegendRow, 9> ComputeLegendRows(double resolutionMin, double bandWidth, double resolutionMax);

// One filled unit square centred on (x, y, z) in the given colour.
void DrawLegendSwatch(double x, double y, double z, const double* color);

// The column of band squares centred on x with their values, unlit; nothing
// before the volume has results.
void DrawResolutionLegend(const CCoverageVolume& volume, double x, double y, double z);
