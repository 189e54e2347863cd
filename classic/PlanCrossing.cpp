#include "classic/PlanCrossing.h"

#include "cameras/CameraSet.h"
#include "classic/ClassicParameters.h"
#include "classic/RoomState.h"
#include "project/ProjectFile.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

Plan CapturePlan(const std::string& unit, uint32_t resolutionCamera, const Json& previous)
{
    Plan plan;
    plan.kept = previous.is_object() ? previous : Json::object();
    plan.unit = unit;
    const SceneSettings& settings = *GetSceneSettings();
    plan.length = settings.GetRoomLength();
    plan.width = settings.GetRoomWidth();
    plan.height = settings.GetRoomHeight();
    plan.scaleX = g_fSceneScaleX;
    plan.scaleY = g_fSceneScaleY;
    plan.scaleZ = g_fSceneScaleZ;
    plan.voxelCm = GetVoxelSize();
    plan.firstCamera = settings.GetFirstCamera() + 1;
    plan.rangeCount = settings.GetEndCamera() - settings.GetFirstCamera();
    plan.isoOp = GetIsoOperator();
    plan.isoThreshold = GetIsoThreshold();
    plan.resOp1 = GetResOperator1();
    plan.resBound1 = GetResBound1();
    plan.resOp2 = GetResOperator2();
    plan.resBound2 = GetResBound2();
    plan.resolutionCamera = resolutionCamera;
    plan.planning = GetPlanningSettings();
    const CCameraSet* set = CCameraSet::Current();
    if (set && set->IsAllocated())
        plan.cameras = PlanCamerasOf(*set, settings.GetCameraCount());
    return plan;
}

void ApplyPlan(const Plan& p, CRoomBox& room)
{
    SceneSettings& settings = *GetSceneSettings();
    // A plan file holds its room in metres.
    RoomState{"m", p.length, p.width, p.height, p.scaleX, p.scaleY, p.scaleZ, p.voxelCm}.Apply();
    room.Update();

    const auto n = static_cast<uint32_t>(p.cameras.size());
    settings.SetCameraCount(n);
    FillCameraSet(p.cameras, room.Corner(3), CCameraSet::Instance());
    settings.SetFirstCamera(p.firstCamera - 1);
    settings.SetEndCamera(p.firstCamera - 1 + p.rangeCount);
    SetIsoOperator(p.isoOp);
    SetIsoThreshold(p.isoThreshold);
    SetResOperator1(p.resOp1);
    SetResBound1(p.resBound1);
    SetResOperator2(p.resOp2);
    SetResBound2(p.resBound2);
    SetPlanningSettings(p.planning);
}
