#include "render/planner/PlannerRulers.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

constexpr double kTickPx = 6.0;
constexpr double kLabelOffsetPx = 9.0;
constexpr double kLabelGapPx = 6.0;
// Shorter on screen than this, a ruler says nothing readable.
constexpr double kShortestRulerPx = 30.0;
// Nearer to the edge's line than this, a point tells no side of it.
constexpr double kEdgeOnPx = 2.0;

struct Mantissa {
    int digit;
    int exponent;
};

Mantissa Split(double step)
{
    const int e = static_cast<int>(std::floor(std::log10(step) + 1e-9));
    const double m = step / std::pow(10.0, e);
    return {m < 1.5 ? 1 : m < 3.5 ? 2 : 5, e};
}

} // namespace

const char* RulerUnitText(LengthUnit unit)
{
    return unit == LengthUnit::Feet ? "ft" : "m";
}

double MetresPerRulerUnit(LengthUnit unit)
{
    return unit == LengthUnit::Feet ? 0.3048 : 1.0;
}

double NextRulerStep(double step)
{
    const Mantissa m = Split(step);
    const int next = m.digit == 1 ? 2 : m.digit == 2 ? 5 : 10;
    return next * std::pow(10.0, m.exponent);
}

double RulerStepAtMost(double value)
{
    if (!(value > 0.0))
        return 1e-3;
    const int e = static_cast<int>(std::floor(std::log10(value) + 1e-9));
    const double m = value / std::pow(10.0, e);
    return (m >= 5.0 - 1e-9 ? 5 : m >= 2.0 - 1e-9 ? 2 : 1) * std::pow(10.0, e);
}

int RulerDecimals(double step)
{
    return std::max(0, -Split(step).exponent);
}

std::vector<RulerLabel> RulerLabels(double length, double step, const std::string& unit)
{
    std::vector<RulerLabel> labels;
    if (!(step > 0.0) || !(length > 0.0))
        return labels;
    const int decimals = RulerDecimals(step);
    const long count = static_cast<long>(std::floor(length / step + 1e-6));
    for (long k = 1; k <= count; ++k) {
        char text[48];
        std::snprintf(text, sizeof text, "%.*f", decimals, k * step);
        labels.push_back({k * step, text});
    }
    if (!labels.empty())
        labels.back().text += " " + unit;
    return labels;
}

double ChooseRulerStep(double length, const std::string& unit, const std::function<PixelRect(const RulerLabel&)>& place)
{
    const double largest = RulerStepAtMost(length);
    for (double step = RulerStepAtMost(length / 100.0); step < largest * 1.001; step = NextRulerStep(step)) {
        const std::vector<RulerLabel> labels = RulerLabels(length, step, unit);
        bool clear = true;
        for (size_t i = 0; clear && i < labels.size(); ++i)
            for (size_t j = i + 1; clear && j < labels.size(); ++j)
                clear = !Overlaps(place(labels[i]), place(labels[j]), kLabelGapPx);
        if (clear)
            return step;
    }
    return largest;
}

std::vector<LabelPlacement> DrawPlannerRuler(const CPlannerProjection& projection, const RulerEdge& edge,
                                             LengthUnit unit, CLabelBoard& board)
{
    std::vector<LabelPlacement> drawn;
    const double lengthM = Length(edge.end - edge.start);
    const Vec3d a = projection.Plan(edge.start);
    const Vec3d b = projection.Plan(edge.end);
    if (!(lengthM > 0.0) || a.z <= 0.0 || b.z <= 0.0 || std::hypot(b.x - a.x, b.y - a.y) < kShortestRulerPx)
        return drawn;
    const double length = lengthM / MetresPerRulerUnit(unit);
    const Vec3d along{(edge.end.x - edge.start.x) / lengthM, (edge.end.y - edge.start.y) / lengthM,
                      (edge.end.z - edge.start.z) / lengthM};
    auto at = [&](double value) {
        const double m = value * MetresPerRulerUnit(unit);
        return Vec3d{edge.start.x + along.x * m, edge.start.y + along.y * m, edge.start.z + along.z * m};
    };
    // Square to the edge on screen, away from the room's middle.
    double dx = a.y - b.y;
    double dy = b.x - a.x;
    const double dl = std::hypot(dx, dy);
    dx /= dl;
    dy /= dl;
    auto side = [&](const Vec3d& p) {
        const Vec3d s = projection.Plan(p);
        return dx * (0.5 * (a.x + b.x) - s.x) + dy * (0.5 * (a.y + b.y) - s.y);
    };
    // A floor seen edge-on gives no side: the room's middle does.
    double away = side(edge.inside);
    if (std::abs(away) < kEdgeOnPx)
        away = side({});
    if (away < 0.0) {
        dx = -dx;
        dy = -dy;
    }
    auto anchor = [&](double value) { return projection.Plan(at(value)); };
    auto place = [&](const RulerLabel& label) {
        const Vec3d p = anchor(label.value);
        const auto o = OffsetLabel(p.x, p.y, dx, dy, kLabelOffsetPx, label.text);
        return TextRect(o[0], o[1], label.text);
    };
    const std::string unitText = RulerUnitText(unit);
    const double step = ChooseRulerStep(length, unitText, place);
    const std::vector<RulerLabel> labels = RulerLabels(length, step, unitText);

    glColor3fv(kPlannerRulerColor.data());
    glBegin(GL_LINES);
    glVertex2d(a.x, a.y);
    glVertex2d(b.x, b.y);
    glVertex2d(a.x, a.y);
    glVertex2d(a.x + dx * kTickPx, a.y + dy * kTickPx);
    for (const RulerLabel& label : labels) {
        const Vec3d p = anchor(label.value);
        glVertex2d(p.x, p.y);
        glVertex2d(p.x + dx * kTickPx, p.y + dy * kTickPx);
    }
    glEnd();
    bool unitPending = false;
    for (auto it = labels.rbegin(); it != labels.rend(); ++it) {
        RulerLabel label = *it;
        if (unitPending)
            label.text += " " + unitText;
        const PixelRect rect = place(label);
        if (!board.IsFree(rect)) {
            unitPending = unitPending || it == labels.rbegin();
            continue;
        }
        unitPending = false;
        board.Add(rect);
        drawn.push_back({rect, label.text, false});
        const Vec3d p = anchor(label.value);
        const auto o = OffsetLabel(p.x, p.y, dx, dy, kLabelOffsetPx, label.text);
        DrawOutlinedText(o[0], o[1], label.text, kPlannerRulerColor);
    }
    return drawn;
}
