#include "document/PlanEdits.h"

#include "cameras/CameraSet.h"
#include "coverage/CoverageVolume.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "project/JsonText.h"
#include "project/PlanInput.h"
#include "project/ProjectFile.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace
{

// The first cameras of a default rig stand at the ceiling corners; the rest
// at the room's centre.
constexpr size_t kCornerCameras = 4;
// Steps of the search for a free place when the centre is blocked, metres.
constexpr double kFreeStepMetres = 0.1;
constexpr int kFreeGridCells = 40;

bool PositiveFinite(float v)
{
    return std::isfinite(v) && v > 0.0f;
}

struct Extent {
    Vec3d min;
    Vec3d max;
    bool Holds(const Vec3d& p) const
    {
        return p.x >= min.x && p.x <= max.x && p.y >= min.y && p.y <= max.y && p.z >= min.z && p.z <= max.z;
    }
};

// Each obstacle's box in the user frame: a box as it is, a mesh as the box
// round its placed triangles (a camera is kept out of the whole of it).
std::vector<Extent> ExtentsOf(const CObstacleSet& obstacles)
{
    std::vector<Extent> extents;
    for (const ObstacleBox& box : obstacles.GetBoxes())
        extents.push_back({box.min, box.max});
    for (size_t m = 0; m < obstacles.GetMeshes().size(); ++m) {
        constexpr double kInf = std::numeric_limits<double>::infinity();
        Extent e{{kInf, kInf, kInf}, {-kInf, -kInf, -kInf}};
        for (const auto& triangle : obstacles.PlacedTriangles(m)) {
            for (const Vec3d& v : triangle) {
                e.min = {std::min(e.min.x, v.x), std::min(e.min.y, v.y), std::min(e.min.z, v.z)};
                e.max = {std::max(e.max.x, v.x), std::max(e.max.y, v.y), std::max(e.max.z, v.z)};
            }
        }
        extents.push_back(e);
    }
    return extents;
}

bool Blocked(const std::vector<Extent>& extents, const Vec3d& p)
{
    return std::any_of(extents.begin(), extents.end(), [&p](const Extent& e) { return e.Holds(p); });
}

// The free point nearest `centre`: on the vertical through it first (a
// table or a set piece in the middle of the room), else anywhere in the
// room; the centre itself when the room has no free point at all.
Vec3d FreePlace(const std::vector<Extent>& extents, const Vec3d& centre, const Plan& plan)
{
    for (double d = kFreeStepMetres; d <= plan.height; d += kFreeStepMetres) {
        for (const double y : {centre.y + d, centre.y - d}) {
            const Vec3d p{centre.x, y, centre.z};
            if (y >= 0.0 && y <= plan.height && !Blocked(extents, p))
                return p;
        }
    }
    Vec3d best = centre;
    double bestDistance = std::numeric_limits<double>::infinity();
    const double sides[3] = {plan.length, plan.height, plan.width};
    for (int i = 0; i <= kFreeGridCells; ++i)
        for (int j = 0; j <= kFreeGridCells; ++j)
            for (int k = 0; k <= kFreeGridCells; ++k) {
                const Vec3d p{sides[0] * i / kFreeGridCells, sides[1] * j / kFreeGridCells,
                              sides[2] * k / kFreeGridCells};
                const Vec3d d = p - centre;
                const double distance = Dot(d, d);
                if (distance < bestDistance && !Blocked(extents, p)) {
                    best = p;
                    bestDistance = distance;
                }
            }
    return best;
}

std::string CameraName(size_t index)
{
    return "camera " + std::to_string(index + 1);
}

// After the rig changed: the range, the iso threshold and the map camera
// held to it.
void FitCriteriaToRig(Plan& plan)
{
    const auto count = static_cast<uint32_t>(plan.cameras.size());
    plan.firstCamera = 1;
    plan.rangeCount = count;
    plan.isoThreshold = std::min(plan.isoThreshold, count);
    if (plan.resolutionCamera < 1 || plan.resolutionCamera > count)
        plan.resolutionCamera = 1;
}

std::optional<std::string> CheckCameras(const Plan& plan)
{
    for (size_t i = 0; i < plan.cameras.size(); ++i)
        if (const auto error = CheckCameraPlace(plan.cameras[i], plan))
            return CameraName(i) + ": " + *error;
    return std::nullopt;
}

} // namespace

RoomValues RoomValuesOf(const Plan& plan)
{
    const float toUnit = plan.unit == "ft" ? 1.0f / kMetresPerFoot : 1.0f;
    return {plan.unit,   plan.length * toUnit, plan.width * toUnit, plan.height * toUnit,
            plan.scaleX, plan.scaleY,          plan.scaleZ,         plan.voxelCm};
}

std::optional<std::string> SetRoom(Plan& plan, const RoomValues& typed)
{
    if (typed.unit != "m" && typed.unit != "ft")
        return "Units: must be m or ft";
    const bool feet = typed.unit == "ft";
    const std::pair<const char*, float> sides[] = {
        {"Room Length", typed.length}, {"Room Width", typed.width}, {"Room Height", typed.height}};
    for (const auto& [name, value] : sides) {
        if (!PositiveFinite(value) || value * (feet ? kMetresPerFoot : 1.0f) > kMaxRoomMetres)
            return std::string(name) + ": must be a number above 0 and at most " + ShortestText(kMaxRoomMetres) + " m";
    }
    const std::pair<const char*, float> scales[] = {
        {"X Scale", typed.scaleX}, {"Y Scale", typed.scaleY}, {"Z Scale", typed.scaleZ}};
    for (const auto& [name, value] : scales)
        if (!PositiveFinite(value))
            return std::string(name) + ": must be a number above 0";
    if (!PositiveFinite(typed.voxelCm) || typed.voxelCm > kMaxVoxelCm)
        return "Voxel Size: must be a number above 0 and at most " + ShortestText(kMaxVoxelCm) + " cm";

    // Converted as the window converts a room typed in feet.
    SceneSettings room;
    room.SetUnits(feet ? "f" : "m");
    room.SetRoomLength(typed.length);
    room.SetRoomWidth(typed.width);
    room.SetRoomHeight(typed.height);
    room.ConvertToMetres();
    Plan changed = plan;
    changed.unit = typed.unit;
    changed.length = room.GetRoomLength();
    changed.width = room.GetRoomWidth();
    changed.height = room.GetRoomHeight();
    changed.scaleX = typed.scaleX;
    changed.scaleY = typed.scaleY;
    changed.scaleZ = typed.scaleZ;
    changed.voxelCm = typed.voxelCm;
    if (const auto error = CheckCameras(changed))
        return "The room would leave " + *error;
    plan = std::move(changed);
    return std::nullopt;
}

std::optional<std::string> ResetRig(Plan& plan, uint32_t count, const CObstacleSet* obstacles)
{
    if (!IsValidCameraCount(count))
        return "Invalid Number of Cameras";
    CRoomBox room;
    room.Update(plan.length, plan.width, plan.height);
    CCameraSet set;
    set.Allocate(count);
    set.SetUserOrigin(room.Corner(3));
    set.SetDefaults(room);
    std::vector<PlanCamera> cameras = PlanCamerasOf(set, count);
    if (obstacles && !obstacles->IsEmpty()) {
        const std::vector<Extent> extents = ExtentsOf(*obstacles);
        for (size_t i = kCornerCameras; i < cameras.size(); ++i) {
            PlanCamera& camera = cameras[i];
            const Vec3d at{camera.x, camera.y, camera.z};
            if (!Blocked(extents, at)) {
                continue;
            }
            const Vec3d free = FreePlace(extents, at, plan);
            camera.x = static_cast<float>(free.x);
            camera.y = static_cast<float>(free.y);
            camera.z = static_cast<float>(free.z);
        }
    }
    plan.cameras = std::move(cameras);
    plan.firstCamera = 1;
    plan.rangeCount = count;
    plan.isoThreshold = count;
    if (plan.resolutionCamera > count)
        plan.resolutionCamera = 1;
    return std::nullopt;
}

std::optional<std::string> ReplaceCameras(Plan& plan, std::vector<PlanCamera> cameras)
{
    if (!IsValidCameraCount(static_cast<long long>(cameras.size())))
        return "Invalid Number of Cameras";
    Plan changed = plan;
    changed.cameras = std::move(cameras);
    FitCriteriaToRig(changed);
    if (const auto error = CheckCameras(changed))
        return *error;
    plan = std::move(changed);
    return std::nullopt;
}

std::optional<std::string> ImportCalibratedRig(Plan& plan, const Plan& calibrated, bool boxAsRoom)
{
    Plan changed = plan;
    if (boxAsRoom) {
        changed.cameras.clear();
        RoomValues room = RoomValuesOf(changed);
        room.unit = "m";
        room.length = calibrated.length;
        room.width = calibrated.width;
        room.height = calibrated.height;
        if (auto error = SetRoom(changed, room))
            return error;
    }
    if (auto error = ReplaceCameras(changed, calibrated.cameras))
        return error;
    plan = std::move(changed);
    return std::nullopt;
}

std::optional<std::string> AddCameras(Plan& plan, std::vector<PlanCamera> cameras)
{
    if (!IsValidCameraCount(static_cast<long long>(plan.cameras.size() + cameras.size())))
        return "Invalid Number of Cameras: a rig holds at most " + std::to_string(kMaxCameras) + " cameras";
    Plan changed = plan;
    const bool hadRig = !changed.cameras.empty();
    changed.cameras.insert(changed.cameras.end(), std::make_move_iterator(cameras.begin()),
                           std::make_move_iterator(cameras.end()));
    if (!hadRig)
        changed.firstCamera = 1;
    changed.rangeCount = static_cast<uint32_t>(changed.cameras.size()) - (changed.firstCamera - 1);
    if (changed.resolutionCamera < 1)
        changed.resolutionCamera = 1;
    if (const auto error = CheckCameras(changed))
        return *error;
    plan = std::move(changed);
    return std::nullopt;
}

std::optional<std::string> SetCamera(Plan& plan, size_t index, const PlanCamera& camera)
{
    if (index >= plan.cameras.size())
        return "There is no " + CameraName(index);
    if (const auto error = CheckCameraPlace(camera, plan))
        return CameraName(index) + ": " + *error;
    plan.cameras[index] = camera;
    return std::nullopt;
}

std::optional<std::string> PlaceCamera(Plan& plan, size_t index, const Vec3d& position, float hTilt, float vTilt)
{
    if (index >= plan.cameras.size())
        return "There is no " + CameraName(index);
    PlanCamera camera = plan.cameras[index];
    camera.x = static_cast<float>(position.x);
    camera.y = static_cast<float>(position.y);
    camera.z = static_cast<float>(position.z);
    camera.hTilt = hTilt;
    camera.vTilt = vTilt;
    if (!std::isfinite(camera.x) || !std::isfinite(camera.y) || !std::isfinite(camera.z) || !std::isfinite(hTilt) ||
        !std::isfinite(vTilt))
        return CameraName(index) + ": the position and aim must be numbers";
    return SetCamera(plan, index, camera);
}

std::optional<std::string> AddDefaultCamera(Plan& plan, const CObstacleSet* obstacles)
{
    const auto count = static_cast<uint32_t>(plan.cameras.size()) + 1;
    if (!IsValidCameraCount(count))
        return "Invalid Number of Cameras: a rig holds at most " + std::to_string(kMaxCameras) + " cameras";
    Plan rig = plan;
    if (auto error = ResetRig(rig, count, obstacles))
        return error;
    return AddCameras(plan, {rig.cameras.back()});
}

std::optional<std::string> RemoveCamera(Plan& plan, size_t index)
{
    if (index >= plan.cameras.size())
        return "There is no " + CameraName(index);
    if (plan.cameras.size() == 1)
        return "A plan keeps at least one camera";
    Plan changed = plan;
    changed.cameras.erase(changed.cameras.begin() + static_cast<std::ptrdiff_t>(index));
    const auto count = static_cast<uint32_t>(changed.cameras.size());
    // The range keeps its cameras but the one taken out; a range of that
    // camera alone becomes the whole rig.
    uint32_t first = changed.firstCamera - 1;
    uint32_t end = RangeEnd(plan);
    if (index < first)
        --first;
    if (index < end)
        --end;
    if (first >= end) {
        first = 0;
        end = count;
    }
    changed.firstCamera = first + 1;
    changed.rangeCount = end - first;
    changed.isoThreshold = std::min(changed.isoThreshold, RangeEnd(changed));
    if (changed.resolutionCamera > index + 1)
        --changed.resolutionCamera;
    if (changed.resolutionCamera < 1 || changed.resolutionCamera > count)
        changed.resolutionCamera = 1;
    plan = std::move(changed);
    return std::nullopt;
}

std::optional<std::string> RemoveObstacle(Plan& plan, size_t index)
{
    ObstacleList& list = plan.obstacles;
    if (index >= list.boxes.size() + list.meshes.size())
        return "There is no obstacle " + std::to_string(index + 1);
    if (index < list.boxes.size())
        list.boxes.erase(list.boxes.begin() + static_cast<std::ptrdiff_t>(index));
    else
        list.meshes.erase(list.meshes.begin() + static_cast<std::ptrdiff_t>(index - list.boxes.size()));
    return std::nullopt;
}

std::optional<std::string> AddTargetBox(Plan& plan)
{
    plan.placement.target.push_back(DefaultTargetBox({plan.length, plan.width, plan.height}));
    return std::nullopt;
}

std::optional<std::string> RemoveTargetBox(Plan& plan, size_t index)
{
    std::vector<TargetBox>& target = plan.placement.target;
    if (index >= target.size())
        return "There is no target box " + std::to_string(index + 1);
    target.erase(target.begin() + static_cast<std::ptrdiff_t>(index));
    return std::nullopt;
}

std::optional<std::string> SetPlanningSettings(Plan& plan, const PlanningSettings& settings)
{
    if (auto error = CheckPlanningSettings(settings))
        return "Planning settings: " + *error;
    plan.planning = settings;
    return std::nullopt;
}

std::optional<std::string> SetObstacles(Plan& plan, ObstacleList obstacles)
{
    CObstacleSet set;
    for (const ObstacleBox& box : obstacles.boxes)
        if (auto error = set.AddBox(box))
            return error;
    for (const ObstacleMesh& mesh : obstacles.meshes)
        if (auto error = set.AddMesh(mesh))
            return error;
    plan.obstacles = std::move(obstacles);
    return std::nullopt;
}

std::optional<std::string> SetPlacement(Plan& plan, ProjectPlacement placement)
{
    Plan changed = plan;
    changed.placement = std::move(placement);
    if (const auto error = CheckEditedPlan(changed))
        return error;
    plan = std::move(changed);
    return std::nullopt;
}

std::optional<std::string> CheckEditedPlan(const Plan& plan)
{
    return plan.cameras.empty() ? CheckPlanRoom(plan) : CheckPlan(plan);
}
