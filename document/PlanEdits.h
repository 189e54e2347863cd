#pragma once

#include "project/Plan.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CObstacleSet;

// The changes a user makes to a plan, each a function of the plan: it
// changes the plan, or says why it cannot and leaves it as it was. The plan
// document runs them as the steps of its history; the window and the
// command line call the same ones.

// The room as typed: its sides in `unit` ("m" or "ft"), the drawing scales
// and the voxel size in centimetres.
struct RoomValues {
    std::string unit = "m";
    float length = 5.0f;
    float width = 5.0f;
    float height = 5.0f;
    float scaleX = 1.0f, scaleY = 1.0f, scaleZ = 1.0f;
    float voxelCm = 20.0f;
};

// The plan's room as typed values in its unit, converted back from metres.
RoomValues RoomValuesOf(const Plan& plan);

// A new room: sides in feet converted to metres as the classic window
// converts them; the cameras keep their places in the user frame (their
// distances from the room corner). Refused, naming the value, for a side,
// scale or voxel size that is not a number above 0 or beyond the largest
// room or voxel, and for a room that leaves a camera more than
// kMaxCameraOutsideMetres outside it.
std::optional<std::string> SetRoom(Plan& plan, const RoomValues& room);

// The default rig of `count` cameras in the plan's room, as a camera count
// entered in the window makes it: the first four at the ceiling corners
// aimed into the room, the rest at the room's centre; the whole rig active,
// the iso threshold at the count. A camera the default would stand inside
// an obstacle of `obstacles` stands at the nearest free point above or below
// the centre instead. The room, the criteria otherwise and everything else
// of the plan stay.
std::optional<std::string> ResetRig(Plan& plan, uint32_t count, const CObstacleSet* obstacles = nullptr);

// The plan's cameras replaced by `cameras` (a generated rig, an imported
// calibration, a placement that replaces the rig): the whole rig active, the
// iso threshold held to its end and the map camera to the rig.
std::optional<std::string> ReplaceCameras(Plan& plan, std::vector<PlanCamera> cameras);

// The rig of a calibration made the plan's (as ReplaceCameras); with
// `boxAsRoom` the room becomes the box round the calibrated cameras, in
// metres (`calibrated`'s room), the old rig gone first so that it cannot
// stand in the way of the new room.
std::optional<std::string> ImportCalibratedRig(Plan& plan, const Plan& calibrated, bool boxAsRoom);

// `cameras` after the plan's own, the active range taking them in.
std::optional<std::string> AddCameras(Plan& plan, std::vector<PlanCamera> cameras);

// Camera `index` (from 0) replaced by `camera`.
std::optional<std::string> SetCamera(Plan& plan, size_t index, const PlanCamera& camera);

// Camera `index` moved to a user-frame position and aimed anew, as a drag
// in the view leaves it; the position is held as float values, as a plan
// holds every camera's.
std::optional<std::string> PlaceCamera(Plan& plan, size_t index, const Vec3d& position, float hTilt, float vTilt);

// One camera more: the one a default rig of one more camera has last (at the
// next ceiling corner, or at the room's centre), kept out of `obstacles` as
// ResetRig keeps it; the active range takes it in.
std::optional<std::string> AddDefaultCamera(Plan& plan, const CObstacleSet* obstacles = nullptr);

// Camera `index` taken out; the range, the iso threshold and the map camera
// held to the rig that is left. A plan keeps at least one camera.
std::optional<std::string> RemoveCamera(Plan& plan, size_t index);

// Obstacle `index` (the boxes first, then the meshes) taken out.
std::optional<std::string> RemoveObstacle(Plan& plan, size_t index);

// A target box more: the default box of the room (the one the plan is
// judged against while it has none of its own).
std::optional<std::string> AddTargetBox(Plan& plan);
// Target box `index` taken out; without any, the plan is judged against the default box.
std::optional<std::string> RemoveTargetBox(Plan& plan, size_t index);

// The planning settings, refused as CheckPlanningSettings refuses them.
std::optional<std::string> SetPlanningSettings(Plan& plan, const PlanningSettings& settings);

// The plan's obstacles replaced; their meshes' triangles come with the list.
std::optional<std::string> SetObstacles(Plan& plan, ObstacleList obstacles);

// The plan's mounts and target for auto-placement.
std::optional<std::string> SetPlacement(Plan& plan, ProjectPlacement placement);

// Why the plan cannot stand as it is after an edit (CheckPlan, which a plan
// without a rig meets when its room does); nullopt when it can.
std::optional<std::string> CheckEditedPlan(const Plan& plan);
