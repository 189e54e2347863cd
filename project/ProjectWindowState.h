#pragma once

#include "coverage/PlanningMeasures.h"
#include "coverage/QualityDisplay.h"
#include "project/JsonText.h"
#include "scene/ShownDisplay.h"

#include <optional>
#include <string>

// What the window showed when the plan was saved, so that opening it shows
// the same again. Held in the project file's "view" object beside "style":
//   "display": "resolution_map" | "camera_count_2d" | "selective_cameras" | "quality",
//   "quality_measure": "cameras" | "marker-px" | "angle" | "sigma",
//   "quality_threshold": null | {"op": ">=", "value": 2},
//   "pose": {"yaw_deg": 40, "pitch_deg": -10, "pan": [0, 0.5], "zoom": -2},
//   "planning_panel": true
// Each key is optional (a missing one takes the window's start value); a view
// with none of them holds no window state, and none is written then.

struct ProjectWindowState {
    WindowDisplay display = WindowDisplay::ResolutionMap;
    PlanningMeasure qualityMeasure = PlanningMeasure::Cameras;
    std::optional<QualityThreshold> qualityThreshold;
    // Turn and tilt in degrees, pan and zoom in scene units, as the view keeps them.
    float yawDeg = 0.0f;
    float pitchDeg = 0.0f;
    float panX = 0.0f;
    float panY = 0.0f;
    float zoom = 0.0f;
    bool planningPanel = false;
    friend bool operator==(const ProjectWindowState&, const ProjectWindowState&) = default;
};

// All or nothing from the "view" object; a refusal names the key
// ("view.display: must be one of ..."). Nothing when it holds no window key.
struct ProjectWindowStateResult {
    std::optional<ProjectWindowState> state;
    std::string error;
};
ProjectWindowStateResult ReadProjectWindowState(const Json& view);
// The state's keys written into the "view" object.
void WriteProjectWindowState(const ProjectWindowState& state, Json& view);
