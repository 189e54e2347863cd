#pragma once

#include "coverage/PlanningCamera.h"
#include "scene/Vec3d.h"

#include <utility>

// Lens and sensor of a camera the placement adds, in the values a plan holds.
struct CameraModel {
    float focalMm = 8.5f;
    float frameWidthMm = 6.5241f;
    float frameHeightMm = 4.8807f;
    float fNumber = 12.0f;
    int cameraType = 0; // index into kCameraTypes, or kCustomCameraType with the pixels below
    int pixelsX = 1280;
    int pixelsY = 1024;
};

// Where a camera sits (user frame, metres) and how it is aimed (program degrees, as a plan holds them).
struct CameraPose {
    Vec3d position;
    float hTilt = 0.0f;
    float vTilt = 0.0f;
};

// The horizontal and vertical field of view, as the camera set derives them from lens and frame.
std::pair<float, float> FieldsOfView(const CameraModel& model);
// The internal-frame position a plan gives a camera at user position p
// (each coordinate in single precision, as the plan stores it), with
// `userOrigin` the camera set's.
Vec3d InternalPosition(const Vec3d& user, const Vec3d& userOrigin);
// The h-tilt and v-tilt that aim a camera at `from` towards `to` (user frame):
// the pan about the vertical and the tilt below the horizontal.
std::pair<float, float> AimTowards(const Vec3d& from, const Vec3d& to);
// The camera as the planning measures would test it once put in the plan.
PlanningCamera PlacedPlanningCamera(const CameraModel& model, const CameraPose& pose, const Vec3d& userOrigin,
                                    const PlanningSettings& settings);
