#pragma once

#include "project/JsonText.h"
#include "project/Plan.h"
#include "scene/AtomicFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CCameraSet;
struct Vec3d;

// The project file (.vplan): the whole plan in one JSON document, where the
// camera data file holds ten numbers per camera. Readers of format 1.x take
// any 1.y file; keys they do not know are kept and written back, so later
// minor versions add keys without breaking older programs.
inline constexpr const char* kProjectFormatName = "volume-planner-project";
inline constexpr int kProjectMajorVersion = 1;
inline constexpr int kProjectMinorVersion = 0;
inline constexpr const char* kProjectExtension = ".vplan";
// The largest room side and voxel edge a plan read from a file or the command
// line may have: a hall, not a city; beyond them a size is a typing error.
// Small voxels are left to the grid's memory check.
inline constexpr float kMaxRoomMetres = 1000.0f;
inline constexpr float kMaxVoxelCm = 10000.0f;

// The first `count` cameras of a set as a plan holds them: user-frame
// positions as files hold them, every value of each camera.
std::vector<PlanCamera> PlanCamerasOf(const CCameraSet& set, uint32_t count);
// A new set of these cameras, placed from `userOrigin` (the room's corner
// 3), their fields of view derived. The cameras must have passed CheckProject.
void FillCameraSet(const std::vector<PlanCamera>& cameras, const Vec3d& userOrigin, CCameraSet& set);

// A camera may stand at most this far outside the room: beyond, a position
// is a typing error (1e9 for 1.9), not a plan.
inline constexpr double kMaxCameraOutsideMetres = 10.0;
// Why a camera cannot stand where it is in the plan's room (more than
// kMaxCameraOutsideMetres outside it); nullopt when it can.
std::optional<std::string> CheckCameraPlace(const PlanCamera& camera, const Plan& plan);
// The reason the plan's room, scales or voxel size cannot be used, naming the
// key; nullopt when they can. CheckPlan checks them too.
std::optional<std::string> CheckPlanRoom(const Plan& plan);
// The reason a project cannot be used, naming the key ("cameras[3].focal_length_mm:
// must be a number above 0"); nullopt when it can.
std::optional<std::string> CheckPlan(const Plan& project);

std::string ProjectText(const Plan& project);
// All or nothing: a project, or the reason with the key it concerns.
struct ProjectReadResult {
    std::optional<Plan> plan;
    std::string error;
};
ProjectReadResult ParseProject(const std::string& text);
ProjectReadResult ReadProjectFile(const std::string& path);
// Through the safe writer: a failed save leaves the previous file whole and says why.
SaveResult WriteProjectFile(const std::string& path, const Plan& project);
