#pragma once

#include "cameras/CalibratedLens.h"
#include "cameras/asbuilt/AsBuiltCalibration.h"
#include "scene/Vec3d.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

class CCameraSet;

// The pixel pitch a calibrated camera's lens and frame are given in: the
// default camera's (its 6.5241 mm frame over the 1280 pixels of the first
// camera type). The fields of view do not depend on it, only the millimetres.
inline constexpr double kAsBuiltPixelPitchMm = 6.5241 / 1280.0;
// Without a room, the smallest box holding every camera, this far beyond them.
inline constexpr double kAsBuiltRoomMarginM = 0.5;

struct AsBuiltPlacementOptions {
    // The world direction that is up; without one, the file's own record of
    // it, else the cameras' mean image up.
    std::optional<std::array<double, 3>> up;
    // Length, width and height in metres; the world origin is then the room
    // corner. Without one, the file's own room, else the box round the cameras.
    std::optional<std::array<double, 3>> room;
    double pixelPitchMm = kAsBuiltPixelPitchMm;
};

// One camera as the plan holds it.
struct AsBuiltPlacedCamera {
    std::string label;
    Vec3d user;               // user frame, metres from the room corner
    float focalLength = 0.0f; // mm
    float frameWidth = 0.0f;
    float frameHeight = 0.0f;
    float hTilt = 0.0f; // the program's degrees
    float vTilt = 0.0f;
    float spin = 0.0f;
    int pixelsX = 0; // the image size, as custom sensor pixels
    int pixelsY = 0;
    CalibratedLens lens; // the principal point and distortion, kept as read
};

struct AsBuiltPlan {
    std::array<double, 3> room{}; // length, width, height in metres
    std::vector<AsBuiltPlacedCamera> cameras;
    std::vector<std::string> notes;
};

struct AsBuiltPlanResult {
    std::optional<AsBuiltPlan> plan;
    std::string error;
};

// The rig in the plan's terms. The world is turned so that the vertical is
// Y (the shortest turn; a vertical straight down turns about x) into the
// scene frame; the user frame's Z runs against the scene's z, so a world
// with z up has X = x, Y = z, Z = y. A camera's aim comes from its optical
// axis and its image up (the sensor's -y, not the turned image's). Refused:
// more cameras than a rig may have, a vertical the cameras do not decide, a
// room beyond the largest.
AsBuiltPlanResult PlanAsBuilt(const AsBuiltRig& rig, const AsBuiltPlacementOptions& options);

// Into a set of plan.cameras.size() cameras, allocated, with its user origin
// set: labels, positions, lens, frame, aim, sensor pixels and the calibrated
// principal point and distortion, the fields of view derived. Enabled flags and f-stops stay as they are.
void ApplyAsBuiltPlan(const AsBuiltPlan& plan, CCameraSet& cameras);
