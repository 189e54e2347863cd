#pragma once

#include "cameras/CalibratedLens.h"
#include "coverage/PlanningMeasures.h"
#include "project/JsonText.h"
#include "project/ProjectObstacles.h"
#include "project/ProjectPlacement.h"
#include "project/ProjectReport.h"
#include "project/ProjectWindowState.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The plan: everything the user plans and saves, as one value. The project
// file reads and writes exactly it; the window and the command line each
// hold one, and every computation, report and export takes it (or the
// CoverageInput made of it, PlanInput.h).

// One camera in the user frame, as a project file holds it.
struct PlanCamera {
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
    friend bool operator==(const PlanCamera&, const PlanCamera&) = default;
};

// The sensor pixels of a camera: its type's, or its own for a custom sensor.
int SensorPixelsX(const PlanCamera& camera);
int SensorPixelsY(const PlanCamera& camera);
// A camera type (an index into kCameraTypes) or custom pixel counts (both at
// least 1); a calibrated lens of other pixel counts no longer applies and
// goes. False, and nothing changed, for values out of range.
bool SetCameraType(PlanCamera& camera, int type);
bool SetCustomPixels(PlanCamera& camera, int pixelsX, int pixelsY);

// Room sides in metres in float, as the classic window converts them.
struct Plan {
    std::string unit = "m"; // the unit the room was entered in: "m" or "ft"
    float length = 5.0f;    // metres
    float width = 5.0f;
    float height = 5.0f;
    float scaleX = 1.0f, scaleY = 1.0f, scaleZ = 1.0f;
    float voxelCm = 20.0f;
    std::vector<PlanCamera> cameras;
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

    friend bool operator==(const Plan&, const Plan&) = default;
};

// The end (exclusive, 0-based) of the plan's active camera range.
inline uint32_t RangeEnd(const Plan& plan)
{
    return plan.firstCamera - 1 + plan.rangeCount;
}
