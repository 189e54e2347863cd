#pragma once

#include "cameras/CalibratedLens.h"
#include "coverage/PlanningMeasures.h"
#include "project/JsonText.h"
#include "project/ProjectObstacles.h"
#include "scene/AtomicFile.h"
#include "project/ProjectPlacement.h"
#include "project/ProjectReport.h"
#include "project/ProjectWindowState.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CCameraSet;
class CRoomBox;
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

struct ProjectCamera {
    std::string label;
    bool enabled = true;
    double x = 0.0, y = 0.0, z = 0.0; // user frame, metres, each a float value
    float focalLength = 0.0f;         // mm
    float fNumber = 0.0f;
    float frameWidth = 0.0f; // mm
    float frameHeight = 0.0f;
    float spin = 0.0f; // degrees
    float hTilt = 0.0f;
    float vTilt = 0.0f;
    int cameraType = 0; // index into kCameraTypes, or kCustomCameraType
    int pixelsX = 0;    // custom sensor pixels (kCustomCameraType only)
    int pixelsY = 0;
    // A camera built from a calibration: its principal point and distortion
    // ("principal_point_px", "distortion"), written only then.
    std::optional<CalibratedLens> lens;
};

struct Project {
    std::string unit = "m"; // the unit the room was entered in: "m" or "ft"
    float length = 5.0f;    // metres
    float width = 5.0f;
    float height = 5.0f;
    float scaleX = 1.0f, scaleY = 1.0f, scaleZ = 1.0f;
    float voxelCm = 20.0f;
    std::vector<ProjectCamera> cameras;
    uint32_t firstCamera = 1; // active range: 1-based first camera and count
    uint32_t rangeCount = 0;
    unsigned isoOp = 2; // indices into kComparisonOps
    unsigned isoThreshold = 1;
    unsigned resOp1 = 3;
    float resBound1 = 0.7f;
    unsigned resOp2 = 1;
    float resBound2 = 0.8f;
    uint32_t resolutionCamera = 1; // 1-based
    PlanningSettings planning;
    // Written only when there is one, so plans without obstacles read as before.
    ObstacleList obstacles;
    // The view drawn in the Planner style; written only then, so a classic
    // plan's file stays as it was, and a file without it reads as classic.
    bool plannerView = false;
    // What the window showed, in the "view" object; written only when set,
    // as the window sets it, so a plan saved elsewhere stays as it was.
    std::optional<ProjectWindowState> window;
    // Mounts and target of auto-placement. Written when set; when not, the
    // "placement" key of `kept` is written back as it was.
    ProjectPlacement placement;
    // The report's title block; written when set, else as `kept` has it.
    ProjectReport report;
    // The document as it was read: written back with the known keys
    // replaced, so what a newer program added survives.
    Json kept = Json::object();
};

// The plan as the shared state holds it now (scene settings in metres, scale
// factors, coverage parameters, camera set, planning settings). `unit` is
// the unit the room was entered in, which the converted scene no longer says.
// Keeps `kept` from `previous` so a saved project writes back what it read.
Project CaptureProject(const std::string& unit, uint32_t resolutionCamera, const Json& previous = Json::object());
// Replaces the shared state with the project: room, scale factors, voxel
// size, criteria, planning settings and a new camera set with its user
// origin at the new room's corner 3 (`room` is updated). Needs the scene
// settings; the project must have come from ReadProject or CheckProject.
void ApplyProject(const Project& project, CRoomBox& room);

// A new set of these cameras, placed from `userOrigin` (the room's corner
// 3), their fields of view derived. The cameras must have passed CheckProject.
void FillCameraSet(const std::vector<ProjectCamera>& cameras, const Vec3d& userOrigin, CCameraSet& set);

// The reason a project cannot be used, naming the key ("cameras[3].focal_length_mm:
// must be a number above 0"); nullopt when it can.
std::optional<std::string> CheckProject(const Project& project);

std::string ProjectText(const Project& project);
// All or nothing: a project, or the reason with the key it concerns.
struct ProjectReadResult {
    std::optional<Project> project;
    std::string error;
};
ProjectReadResult ParseProject(const std::string& text);
ProjectReadResult ReadProjectFile(const std::string& path);
// Through the safe writer: a failed save leaves the previous file whole and says why.
SaveResult WriteProjectFile(const std::string& path, const Project& project);
