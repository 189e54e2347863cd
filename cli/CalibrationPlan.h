#pragma once

#include "cameras/asbuilt/AsBuiltPlacement.h"
#include "cli/AsBuiltOptions.h"
#include "coverage/asbuilt/CoverageDifference.h"
#include "coverage/asbuilt/RigComparison.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class CObstacleSet;
class CRoomBox;
struct Plan;

// How long the calibration parsers may take before the reading is refused.
inline constexpr unsigned kCalibrationReadSeconds = 10;

// The calibration of --as-built read with the reader options and placed in
// the plan's terms: in `roomMetres` with the world's origin at its corner,
// or in the box round the cameras without one. Refusals start "Calibration
// not loaded: " or "Calibration not placed: " and name the file.
AsBuiltPlanResult PlanCalibration(const AsBuiltOptions& options,
                                  const std::optional<std::array<double, 3>>& roomMetres);

// The placed cameras as a rig of their own: the default rig's values (f-stop,
// enabled) under the plan's lens, frame, aim and sensor, with its user origin
// at `room`'s corner, as `rig --as-built` builds it.
void BuildAsBuiltCameras(const AsBuiltPlan& plan, const CRoomBox& room, CCameraSet& cameras);

// The plan against the rig as built of the calibration, placed in the
// plan's room: paired, aligned, both coverages computed with the plan's
// settings and the obstacles given (the plan's, built). The files are read
// under the reader's guard (scene/ReaderGuard.h): a parser that faults or
// runs past kCalibrationReadSeconds ends the process with a refusal. The
// refusal's message in `error`.
struct PlanComparison {
    std::shared_ptr<const RigComparison> comparison;
    std::shared_ptr<const CCoverageDifference> difference;
    std::vector<std::string> notes; // what placing the calibration assumed
    std::string error;
};
PlanComparison CompareWithCalibration(const AsBuiltOptions& options, const RigComparisonOptions& how, const Plan& plan,
                                      std::shared_ptr<const CObstacleSet> obstacles);
