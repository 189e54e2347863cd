#include "cli/CalibrationPlan.h"

#include "cameras/CameraSet.h"
#include "cameras/asbuilt/AsBuiltReader.h"
#include "coverage/CoverageVolume.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "scene/RoomBox.h"
#include "project/PlanInput.h"
#include "scene/PrintableText.h"
#include "scene/ReaderGuard.h"

AsBuiltPlanResult PlanCalibration(const AsBuiltOptions& options, const std::optional<std::array<double, 3>>& roomMetres)
{
    const double metresPerUnit = options.units == "mm" ? 0.001 : 1.0;
    AsBuiltReadResult read = ReadAsBuilt(options.path, AsBuiltFormatNamed(options.format), metresPerUnit);
    if (!read.rig)
        return {std::nullopt, "Calibration not loaded: " + read.error};
    AsBuiltPlacementOptions placement;
    if (!options.up.empty()) {
        std::array<double, 3> up{};
        up[static_cast<size_t>(options.up[1] - 'x')] = options.up[0] == '-' ? -1.0 : 1.0;
        placement.up = up;
    }
    placement.room = roomMetres;
    AsBuiltPlanResult plan = PlanAsBuilt(*read.rig, placement);
    if (!plan.plan)
        return {std::nullopt, "Calibration not placed: " + CalibrationFileName(options.path) + ": " + plan.error};
    return plan;
}

void BuildAsBuiltCameras(const AsBuiltPlan& plan, const CRoomBox& room, CCameraSet& cameras)
{
    cameras.Release();
    cameras.Allocate(static_cast<uint32_t>(plan.cameras.size()));
    cameras.SetUserOrigin(room.Corner(3));
    cameras.SetDefaults(room);
    ApplyAsBuiltPlan(plan, cameras);
}

PlanComparison CompareWithCalibration(const AsBuiltOptions& options, const RigComparisonOptions& how,
                                      const Plan& planned, std::shared_ptr<const CObstacleSet> obstacles)
{
    PlanComparison result;
    GuardTheReader("the calibration " + PrintableText(options.path), kCalibrationReadSeconds);
    // With no alignment the calibration's origin is the room corner; else the fit moves it there.
    const AsBuiltPlanResult placed =
        PlanCalibration(options, std::array<double, 3>{planned.length, planned.width, planned.height});
    EndReaderGuard();
    if (!placed.plan) {
        result.error = placed.error;
        return result;
    }
    result.notes = placed.plan->notes;
    CoverageInput plan = CoverageInputOf(planned, obstacles && !obstacles->IsEmpty() ? std::move(obstacles) : nullptr);
    CRoomBox room;
    room.Update(planned.length, planned.width, planned.height);
    CCameraSet built;
    BuildAsBuiltCameras(*placed.plan, room, built);
    RigComparisonResult compared = CompareRigs(plan, built, static_cast<uint32_t>(placed.plan->cameras.size()), how);
    if (!compared.comparison) {
        result.error = "Rigs not compared: " + compared.error;
        return result;
    }
    auto difference = std::make_shared<CCoverageDifference>();
    switch (difference->Compute(plan, compared.comparison->asBuilt)) {
    case CCoverageDifference::Status::Ok:
        break;
    case CCoverageDifference::Status::OutOfMemory:
        result.error = kNotEnoughMemoryMessage;
        return result;
    case CCoverageDifference::Status::InvalidGrid:
        result.error = "Invalid room or voxel size: the voxel size and every room dimension must be positive";
        return result;
    }
    result.comparison = std::make_shared<const RigComparison>(std::move(*compared.comparison));
    result.difference = std::move(difference);
    return result;
}
