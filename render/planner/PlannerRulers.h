#pragma once

#include "render/ViewStyle.h"
#include "render/planner/PlannerLabels.h"
#include "render/planner/PlannerProjection.h"

#include <functional>
#include <string>
#include <vector>

const char* RulerUnitText(LengthUnit unit);
double MetresPerRulerUnit(LengthUnit unit);

struct RulerLabel {
    double value = 0.0; // distance from the ruler's start, in the ruler's unit
    std::string text;
};

// The next step of the 1, 2, 5, 10, 20 ... series.
double NextRulerStep(double step);
// The largest step of the series at or below a value (the smallest one for 0 or less).
double RulerStepAtMost(double value);
int RulerDecimals(double step);
// A label at every multiple of the step up to the length (the start has
// none); the last one carries the unit.
std::vector<RulerLabel> RulerLabels(double length, double step, const std::string& unit);
// The smallest step of the series whose labels, put where `place` puts
// them, keep clear of one another; the largest step that fits the length
// when none does.
double ChooseRulerStep(double length, const std::string& unit,
                       const std::function<PixelRect(const RulerLabel&)>& place);

// One ruler along a room edge from `start` to `end` (scene frame, metres),
// its ticks and labels square to the edge on screen, on the side away from
// `inside` (or the room's middle, when `inside` lies on the edge's line). Labels that would meet those on the board
// are left out, the last one first; when the last is left out the unit
// moves to the next one drawn.
struct RulerEdge {
    Vec3d start;
    Vec3d end;
    Vec3d inside;
};
// Returns the labels it drew.
std::vector<LabelPlacement> DrawPlannerRuler(const CPlannerProjection& projection, const RulerEdge& edge,
                                             LengthUnit unit, CLabelBoard& board);
