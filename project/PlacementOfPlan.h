#pragma once

#include "coverage/placement/AutoPlacement.h"
#include "project/Plan.h"

#include <cstddef>
#include <memory>
#include <vector>

class CObstacleSet;

// Auto-placement of a plan, as the command line's `place` and the window's
// Auto-Place run it.

// The placement of new cameras beside the plan: its room and lattice, voxel
// size, planning settings, the obstacles given (the plan's, built), the
// enabled cameras of its active range fixed where they are, its target
// (PlanTarget) and its mounts (every wall and the ceiling when it has none).
// The caller adds what to place: the count, the camera model and the search.
PlacementRequest PlacementRequestOf(const Plan& plan, std::shared_ptr<const CObstacleSet> obstacles);

// The cameras placed as the plan holds them, numbered on from `firstNumber`
// ("Camera 7"): their poses, lens, frame and sensor, enabled.
std::vector<PlanCamera> PlanCamerasOfPlaced(const std::vector<PlacedCamera>& placed, size_t firstNumber);
