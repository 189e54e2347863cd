#pragma once

#include "coverage/PlanningMeasures.h"
#include "project/JsonText.h"
#include "coverage/QualityDisplay.h"
#include "coverage/TargetCoverage.h"
#include "scene/ShownDisplay.h"
#include "scene/Vec3d.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CCoverageVolume;
struct CoverageInput;

// A plan as the shared files show it to people without the program: the
// glTF scene and the offline web page. Everything is in the files' frame:
// right-handed, +Y up, metres, origin at the room corner; a point at (X, Y, Z)
// of the program's user frame is (X, Y, -Z) here.

// The report's title block; what is empty is left out.
struct PlanTitle {
    std::string projectName;
    std::string client;
    std::string site;
    std::string author;
    std::string date;
};

// The display whose voxels are shared, as the window shows it.
struct ShareDisplay {
    WindowDisplay shown = WindowDisplay::Quality;
    PlanningMeasure measure = PlanningMeasure::Cameras;
    std::optional<QualityThreshold> threshold;
};

// The plan's figures, each from its home (coverage/CoverageFigures,
// coverage/TargetCoverage, the planning measures); the writers only print them.
struct ShareFigures {
    std::vector<double> seenAtLeastM3; // by at least 0, 1, ... cameras
    std::optional<double> triangulableM3;
    std::optional<double> withinSigmaM3;
    double sigmaBoundMm = 0.0;
    std::optional<double> obstacleM3; // with obstacles computed
    std::optional<TargetCoverage> target;
    double requiredShare = 0.0;
};

// Everything a shared file is made of, taken as values.
struct ShareSource {
    const CoverageInput& input;
    const CCoverageVolume& volume;
    const CPlanningMeasures* planning; // null when not computed
    const ShareFigures& figures;
    const PlanTitle& title;
    ShareDisplay display;
    std::vector<TargetBox> target; // user frame
};

// The figures of a computation from their homes; the target's share only
// with planning measures and a target.
ShareFigures CollectShareFigures(const CoverageInput& input, const CCoverageVolume& volume,
                                 const CPlanningMeasures* planning, const TargetRule* target);

struct SharedCamera {
    uint32_t number = 0; // 1-based
    std::string label;
    Vec3d user;     // user frame, as the program shows it
    Vec3d position; // file frame
    // Unit vectors, file frame: the optical axis, the image's up and right.
    Vec3d axis, up, right;
    bool aimed = false; // false for a camera without frustum edges (test mode beyond the calibration)
    std::array<double, 4> rotation{0, 0, 0, 1}; // quaternion x, y, z, w taking -Z to the axis and +Y to up
    double yfovRad = 0.0;
    double aspectRatio = 1.0;
    float panDeg = 0.0f;  // the dialog's horizontal tilt
    float tiltDeg = 0.0f; // its vertical tilt
    float focalMm = 0.0f;
    float fNumber = 0.0f;
    double reachM = 0.0; // NaN without a usable lens or sensor
    // How far the frustum is drawn: the reach, else the room's diagonal.
    double frustumM = 0.0;
};

// A group of voxels drawn in one colour and switched on and off together.
struct SharedBand {
    std::string label;
    std::array<uint8_t, 3> rgb{};
    uint64_t voxels = 0; // after thinning
};

struct SharedVoxel {
    std::array<float, 3> centre; // file frame
    std::array<uint8_t, 3> rgb;  // the display's own colour
    uint32_t band;
};

struct SharedBox {
    std::string name;
    Vec3d min, max; // file frame
};

struct SharedPlan {
    PlanTitle title;
    double lengthM = 0.0, widthM = 0.0, heightM = 0.0;
    float voxelCm = 0.0f;
    std::vector<SharedCamera> cameras; // the enabled cameras of the active range
    std::vector<SharedBox> obstacleBoxes;
    std::vector<std::array<Vec3d, 3>> obstacleTriangles; // imported meshes, file frame
    std::vector<SharedBox> target;
    std::string displayName;
    std::string legendTitle;
    std::vector<SharedBand> bands;
    std::vector<SharedVoxel> voxels;
    float voxelEdgeM = 0.0f;  // of the grid
    uint64_t shownVoxels = 0; // the display's voxels before thinning
    uint32_t stride = 1;      // every stride-th voxel along each axis is kept
    // Why the display shows nothing, when it does not.
    std::string emptyNote;
    // Figures as label and text, in the order they are printed.
    std::vector<std::pair<std::string, std::string>> figureRows;
};

// The plan of a source with the display's voxels thinned to at most
// `maxVoxels`: every s-th voxel along each axis for the least s that fits.
SharedPlan MakeSharedPlan(const ShareSource& source, uint64_t maxVoxels);

// "6750 of the display's 54000 voxels shown, one in 2 along each axis";
// empty when nothing was thinned.
std::string ThinningNote(const SharedPlan& plan);

// What both files say of the plan besides the geometry: the frame, the title
// block, the room, the display and its legend, the figures (as numbers and as
// printed rows) and the thinning. The glTF scene's extras hold it.
Json SharedPlanFacts(const SharedPlan& plan, const ShareFigures& figures);
