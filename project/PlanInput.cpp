#include "project/PlanInput.h"

#include "coverage/CoverageVolume.h"
#include "project/ProjectFile.h"
#include "scene/RoomBox.h"

#include <algorithm>

CCameraSet CameraSetOf(const Plan& plan)
{
    CRoomBox room;
    room.Update(plan.length, plan.width, plan.height);
    CCameraSet set;
    FillCameraSet(plan.cameras, room.Corner(3), set);
    return set;
}

std::vector<TargetBox> PlanTarget(const Plan& plan)
{
    if (!plan.placement.target.empty())
        return plan.placement.target;
    return {DefaultTargetBox({plan.length, plan.width, plan.height})};
}

CoverageInput CoverageInputOf(const Plan& plan, std::shared_ptr<const CObstacleSet> obstacles)
{
    CoverageInput input;
    input.roomLength = plan.length;
    input.roomWidth = plan.width;
    input.roomHeight = plan.height;
    input.voxelSizeCm = plan.voxelCm;
    input.cameras = CameraSetOf(plan);
    input.cameraCount = input.cameras.IsAllocated() ? static_cast<uint32_t>(plan.cameras.size()) : 0;
    input.firstCamera = plan.firstCamera - 1;
    input.endCamera = plan.firstCamera - 1 + plan.rangeCount;
    CoverageFilters& filters = input.filters;
    // An operator beyond the table is ignored and a threshold beyond the
    // range is held to its end, as the window's boxes store them.
    if (plan.isoOp < static_cast<unsigned>(kComparisonOpCount))
        filters.isoOperator = plan.isoOp;
    filters.isoThreshold = std::min(plan.isoThreshold, input.endCamera);
    filters.resOperator1 = plan.resOp1;
    filters.resBound1 = plan.resBound1;
    filters.resOperator2 = plan.resOp2;
    filters.resBound2 = plan.resBound2;
    filters.displayCeiling = plan.height * 0.5f;
    if (!CheckPlanningSettings(plan.planning))
        input.planning = plan.planning;
    input.obstacles = std::move(obstacles);
    return input;
}
