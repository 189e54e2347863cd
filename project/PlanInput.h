#pragma once

#include "coverage/CoverageInput.h"
#include "project/Plan.h"

#include <memory>

class CObstacleSet;

// The rig of a plan as a camera set: user origin at the room's corner 3
// (-L/2, +H/2, +W/2), each camera's values, fields of view derived. The plan
// must have passed CheckPlan.
CCameraSet CameraSetOf(const Plan& plan);

// The plan's target volume: the boxes of its placement target, or the
// default box of its room when it has none. The report judges the plan
// against it and auto-placement places cameras for it.
std::vector<TargetBox> PlanTarget(const Plan& plan);

// What a computation of the plan reads: its room, voxel size, active range,
// filters (the display ceiling half the room's height), planning settings,
// rig and the obstacles given (the plan's, built by the caller; null for
// none). The same values the classic window computes with after opening the
// plan, to the bit.
CoverageInput CoverageInputOf(const Plan& plan, std::shared_ptr<const CObstacleSet> obstacles = nullptr);
