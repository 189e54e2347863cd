#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the planner's status strip reports about the frame.
struct PlannerStatus {
    std::string display;  // "Resolution map, camera 3"
    std::string criteria; // "count == 4; resolution >= 0.70 and <= 0.80"
    bool layered = true;  // the display is cut by the shown layers
    int shownLayers = 0;
    int layerTotal = 0;
    double cutHeight = 0.0; // in `unit`, above the floor
    std::string unit = "m";
    double voxelCm = 0.0;
    uint64_t voxelsDrawn = 0;
    double voxelEdgeM = 0.0;
    bool testMode = false;
    bool computed = false;
};

// Two lines: the display and its criteria; the layers, voxels and test mode.
std::vector<std::string> PlannerStatusLines(const PlannerStatus& status);

// The strip's lines made to fit `width` pixels: a line too wide breaks at
// the last of its "   " separators that fits (a part without one stays
// whole), so that a narrow view reads every figure. The strip holds three
// lines: a break is made only while every line after it still has its own.
inline constexpr size_t kPlannerStatusLines = 3;
std::vector<std::string> WrapPlannerStatus(const std::vector<std::string>& lines, int width);

// Up to three lines on a backing over the given rectangle.
void DrawPlannerStatus(const std::vector<std::string>& lines, int left, int bottom, int width, int height);
