#pragma once

#include "project/Plan.h"

#include <cstdint>
#include <string>

class CRoomBox;

// The classic window's crossing between its process-wide state and the plan:
// the one place where the plan is read from the scene settings, scale
// factors, coverage parameters, planning settings and camera set, and
// written into them.

// The plan as the shared state holds it now (scene settings in metres, scale
// factors, coverage parameters, camera set, planning settings). `unit` is
// the unit the room was entered in, which the converted scene no longer says.
// Keeps `kept` from `previous` so a saved project writes back what it read.
Plan CapturePlan(const std::string& unit, uint32_t resolutionCamera, const Json& previous = Json::object());
// Replaces the shared state with the project: room, scale factors, voxel
// size, criteria, planning settings and a new camera set with its user
// origin at the new room's corner 3 (`room` is updated). Needs the scene
// settings; the plan must have come from ReadProjectFile or CheckPlan.
void ApplyPlan(const Plan& plan, CRoomBox& room);
