#include "project/PlacementOfPlan.h"

#include "cameras/CameraSet.h"
#include "cameras/CameraTypes.h"
#include "coverage/CoverageVolume.h"
#include "coverage/FrustumEdges.h"
#include "coverage/PlanningCamera.h"
#include "project/PlanInput.h"
#include "scene/SceneSettings.h"

#include <algorithm>
#include <string>

PlacementRequest PlacementRequestOf(const Plan& plan, std::shared_ptr<const CObstacleSet> obstacles)
{
    PlacementRequest request;
    request.room = {plan.length, plan.width, plan.height};
    CCameraSet cameras = CameraSetOf(plan);
    request.userOrigin = {cameras.GetUserOriginX(), cameras.GetUserOriginY(), cameras.GetUserOriginZ()};
    request.latticeCorner = RoomCornerOf(plan.length, plan.width, plan.height);
    request.voxelEdge = plan.voxelCm / kCmPerMetre;
    request.planning = plan.planning;
    request.obstacles = std::move(obstacles);
    // The enabled cameras of the active range, the rig the coverage computes, stay where they are.
    const uint32_t end = std::min(RangeEnd(plan), static_cast<uint32_t>(plan.cameras.size()));
    for (uint32_t c = plan.firstCamera - 1; c < end; ++c) {
        const int i = static_cast<int>(c);
        if (cameras.GetEnabled(i) != 1)
            continue;
        SetEdges(cameras, i, AimedFrustumEdges(AnglesOf(cameras, i)));
        request.fixed.push_back({MakePlanningCamera(cameras, i, request.planning), cameras.GetFilePosition(i)});
    }
    request.mounts = plan.placement.mounts.value_or(MountSurfaces{});
    request.target = PlanTarget(plan);
    return request;
}

std::vector<PlanCamera> PlanCamerasOfPlaced(const std::vector<PlacedCamera>& placed, size_t firstNumber)
{
    std::vector<PlanCamera> cameras;
    cameras.reserve(placed.size());
    for (const PlacedCamera& camera : placed) {
        PlanCamera entry;
        entry.label = "Camera " + std::to_string(firstNumber + cameras.size());
        const Vec3d& p = camera.pose.position;
        entry.x = static_cast<float>(p.x);
        entry.y = static_cast<float>(p.y);
        entry.z = static_cast<float>(p.z);
        entry.focalLength = camera.model.focalMm;
        entry.fNumber = camera.model.fNumber;
        entry.frameWidth = camera.model.frameWidthMm;
        entry.frameHeight = camera.model.frameHeightMm;
        entry.hTilt = camera.pose.hTilt;
        entry.vTilt = camera.pose.vTilt;
        entry.cameraType = camera.model.cameraType;
        entry.pixelsX = camera.model.cameraType == kCustomCameraType ? camera.model.pixelsX : 0;
        entry.pixelsY = camera.model.cameraType == kCustomCameraType ? camera.model.pixelsY : 0;
        cameras.push_back(std::move(entry));
    }
    return cameras;
}
