#pragma once

#include "render/planner/PlannerProjection.h"
#include "scene/Vec3d.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Labels of the planner view, drawn over the scene in window pixels: white
// (no display draws in white) inside a black outline, so they read over any
// voxel colour.
inline constexpr std::array<float, 3> kPlannerLabelColor{1.0f, 1.0f, 1.0f};
inline constexpr std::array<float, 3> kPlannerOutlineColor{0.0f, 0.0f, 0.0f};
inline constexpr std::array<float, 3> kPlannerHighlightColor{1.0f, 0.85f, 0.1f};
// Rulers, their ticks and values, in pale blue: a ruler's "4" never reads as camera 4.
inline constexpr std::array<float, 3> kPlannerRulerColor{0.55f, 0.8f, 1.0f};

// The bitmap font's metrics: 10 pixels a character, 11 above the baseline, 2 below.
inline constexpr int kGlyphAdvance = 10;
inline constexpr int kGlyphAscent = 11;
inline constexpr int kGlyphDescent = 2;

int TextWidth(const std::string& text);
// The pixels a text covers with its outline, its baseline starting at (x, y).
PixelRect TextRect(double x, double y, const std::string& text);
bool Overlaps(const PixelRect& a, const PixelRect& b, double gap = 0.0);

// Cameras standing at one point share one label.
struct CameraLabel {
    Vec3d position;
    std::vector<uint32_t> numbers; // 1-based, ascending
    std::string text;              // "5-8", "1,3"
};
// Groups the cameras by position (within a millimetre), in the order of
// their first number. numbers[i] belongs to positions[i].
std::vector<CameraLabel> GroupCameraLabels(const std::vector<Vec3d>& positions, const std::vector<uint32_t>& numbers);
// "1-3,5" of ascending numbers.
std::string NumberRanges(const std::vector<uint32_t>& numbers);

// The labels already placed in a frame, so later ones keep clear of them.
class CLabelBoard
{
  public:
    bool IsFree(const PixelRect& rect, double gap = 2.0) const;
    void Add(const PixelRect& rect) { m_aRects.push_back(rect); }
    const std::vector<PixelRect>& Rects() const { return m_aRects; }

  private:
    std::vector<PixelRect> m_aRects;
};

// The baseline start of a label set off from `anchor` in the direction
// (dx, dy) (a unit vector in pixels) by `offset`: the label's nearest corner
// or edge is that far from the anchor.
std::array<double, 2> OffsetLabel(double ax, double ay, double dx, double dy, double offset, const std::string& text);

// Drawing, in a window-pixel projection (see BeginPixelOverlay).
void BeginPixelOverlay(int width, int height);
void EndPixelOverlay();
void DrawOutlinedText(double x, double y, const std::string& text,
                      const std::array<float, 3>& color = kPlannerLabelColor);
// A dark filled rectangle with a thin light border.
void DrawBacking(const PixelRect& rect);
// The aim target: a ring of `radius` with a cross, outlined in black.
void DrawTargetMark(double cx, double cy, double radius, const std::array<float, 3>& color = kPlannerHighlightColor);
// A dashed line from a camera to its target.
void DrawAimLine(double x0, double y0, double x1, double y1,
                 const std::array<float, 3>& color = kPlannerHighlightColor);
// A white ring outlined in black, or in `color` (the camera the window has selected).
void DrawRing(double cx, double cy, double radius, const std::array<float, 3>& color = kPlannerLabelColor);
