#include "render/planner/PlannerLabels.h"

#include "render/BitmapText.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace
{

constexpr double kSamePointM = 1e-3;
constexpr float kBackingGrey = 0.08f;
constexpr float kBorderGrey = 0.45f;

} // namespace

int TextWidth(const std::string& text)
{
    return text.empty() ? 0 : static_cast<int>(text.size()) * kGlyphAdvance - 2;
}

PixelRect TextRect(double x, double y, const std::string& text)
{
    return {x - 1.0, y - kGlyphDescent - 1.0, x + TextWidth(text) + 1.0, y + kGlyphAscent + 1.0};
}

bool Overlaps(const PixelRect& a, const PixelRect& b, double gap)
{
    return a.left < b.right + gap && b.left < a.right + gap && a.bottom < b.top + gap && b.bottom < a.top + gap;
}

std::string NumberRanges(const std::vector<uint32_t>& numbers)
{
    std::string text;
    for (size_t i = 0; i < numbers.size();) {
        size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        if (!text.empty())
            text += ',';
        text += std::to_string(numbers[i]);
        if (j > i)
            text += '-' + std::to_string(numbers[j]);
        i = j + 1;
    }
    return text;
}

std::vector<CameraLabel> GroupCameraLabels(const std::vector<Vec3d>& positions, const std::vector<uint32_t>& numbers)
{
    std::vector<CameraLabel> labels;
    for (size_t i = 0; i < positions.size() && i < numbers.size(); ++i) {
        auto same = std::find_if(labels.begin(), labels.end(), [&](const CameraLabel& l) {
            return Length(l.position - positions[i]) <= kSamePointM;
        });
        if (same == labels.end())
            labels.push_back({positions[i], {numbers[i]}, {}});
        else
            same->numbers.push_back(numbers[i]);
    }
    for (CameraLabel& l : labels) {
        std::sort(l.numbers.begin(), l.numbers.end());
        l.text = NumberRanges(l.numbers);
    }
    return labels;
}

bool CLabelBoard::IsFree(const PixelRect& rect, double gap) const
{
    return std::none_of(m_aRects.begin(), m_aRects.end(), [&](const PixelRect& r) { return Overlaps(r, rect, gap); });
}

std::array<double, 2> OffsetLabel(double ax, double ay, double dx, double dy, double offset, const std::string& text)
{
    const double w = TextWidth(text);
    const double h = kGlyphAscent + kGlyphDescent;
    // The box's centre moves out until the box stands `offset` clear of the
    // anchor along the direction.
    const double reach = 0.5 * (std::abs(dx) * w + std::abs(dy) * h) + offset;
    const double cx = ax + dx * reach;
    const double cy = ay + dy * reach;
    return {std::round(cx - 0.5 * w), std::round(cy - 0.5 * h + kGlyphDescent)};
}

void BeginPixelOverlay(int width, int height)
{
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    // Whole pixels: a smoothed line bleeds into the row beside it.
    glDisable(GL_LINE_SMOOTH);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void EndPixelOverlay()
{
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
}

void DrawOutlinedText(double x, double y, const std::string& text, const std::array<float, 3>& color)
{
    glColor3fv(kPlannerOutlineColor.data());
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            if (dx == 0 && dy == 0)
                continue;
            glRasterPos2d(x + dx, y + dy);
            DrawBitmapText(text.c_str());
        }
    glColor3fv(color.data());
    glRasterPos2d(x, y);
    DrawBitmapText(text.c_str());
}

void DrawBacking(const PixelRect& rect)
{
    glColor3f(kBackingGrey, kBackingGrey, kBackingGrey);
    glRectd(rect.left, rect.bottom, rect.right, rect.top);
    glColor3f(kBorderGrey, kBorderGrey, kBorderGrey);
    glBegin(GL_LINE_LOOP);
    glVertex2d(rect.left + 0.5, rect.bottom + 0.5);
    glVertex2d(rect.right - 0.5, rect.bottom + 0.5);
    glVertex2d(rect.right - 0.5, rect.top - 0.5);
    glVertex2d(rect.left + 0.5, rect.top - 0.5);
    glEnd();
}

void DrawRing(double cx, double cy, double radius, const std::array<float, 3>& color)
{
    constexpr int kSegments = 48;
    auto circle = [&](double r) {
        glBegin(GL_LINE_LOOP);
        for (int i = 0; i < kSegments; ++i) {
            const double a = 2.0 * 3.14159265358979323846 * i / kSegments;
            glVertex2d(cx + r * std::cos(a), cy + r * std::sin(a));
        }
        glEnd();
    };
    glColor3fv(kPlannerOutlineColor.data());
    circle(radius - 1.0);
    circle(radius + 1.0);
    glColor3fv(color.data());
    circle(radius);
}

void DrawTargetMark(double cx, double cy, double radius, const std::array<float, 3>& color)
{
    DrawRing(cx, cy, radius, color);
    const auto cross = [&](double half) {
        glBegin(GL_LINES);
        glVertex2d(cx - half, cy);
        glVertex2d(cx + half, cy);
        glVertex2d(cx, cy - half);
        glVertex2d(cx, cy + half);
        glEnd();
    };
    glLineWidth(3.0f);
    glColor3fv(kPlannerOutlineColor.data());
    cross(radius + 3.0);
    glLineWidth(1.0f);
    glColor3fv(color.data());
    cross(radius + 2.0);
}

void DrawAimLine(double x0, double y0, double x1, double y1, const std::array<float, 3>& color)
{
    glEnable(GL_LINE_STIPPLE);
    glLineStipple(1, 0x0F0F);
    glColor3fv(color.data());
    glBegin(GL_LINES);
    glVertex2d(x0, y0);
    glVertex2d(x1, y1);
    glEnd();
    glDisable(GL_LINE_STIPPLE);
}
