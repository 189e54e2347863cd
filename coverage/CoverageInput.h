#pragma once

#include "cameras/CameraSet.h"
#include "coverage/CoverageFilters.h"
#include "coverage/PlanningMeasures.h"
#include "scene/SceneSettings.h"
#include "scene/Vec3d.h"

#include <cstdint>
#include <memory>

class CObstacleSet;

// Everything one computation reads: the room, the grid, the active camera
// range, the display filters, the planning settings, the obstacles and a copy
// of the cameras. The voxel pass, the planning measures and the displays take
// it as an argument and read nothing process-wide, so computations of
// different inputs may run on many threads at once. The window and the
// command line build one per computation from the plan they hold.
struct CoverageInput {
    // Metres, internal scene frame: the room is centred on the origin.
    float roomLength = 5.0f;
    float roomWidth = 5.0f;
    float roomHeight = 5.0f;
    float voxelSizeCm = 20.0f;
    // The rig's size (0 while the cameras are not allocated) and the active
    // range, cameras firstCamera .. endCamera - 1.
    uint32_t cameraCount = 0;
    uint32_t firstCamera = 0;
    uint32_t endCamera = 0;
    CoverageFilters filters;
    PlanningSettings planning;
    // Null or empty for the classic coverage.
    std::shared_ptr<const CObstacleSet> obstacles;
    // The computation derives the frustum edges into this copy;
    // CCameraSet::TakeDerivedValues hands them back to the rig.
    CCameraSet cameras;

    // Floor corner with the smallest x and the largest z: the grid's corner.
    Vec3d RoomCorner() const { return RoomCornerOf(roomLength, roomWidth, roomHeight); }
};
