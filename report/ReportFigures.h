#pragma once

#include "coverage/PlanningMeasures.h"
#include "coverage/TargetCoverage.h"
#include "scene/Vec3d.h"

#include <cstdint>
#include <string>
#include <vector>

class CCoverageVolume;
class CObstacleSet;
struct CoverageInput;

// What the report says about the plan besides the computed volume.
struct ReportHeading {
    std::string projectName;
    std::string client; // the title block leaves out what is empty
    std::string site;
    std::string author;
    std::string date;              // as printed
    std::string enteredUnit = "m"; // "m" or "ft": the unit the room was entered in
};

// One row of the installation sheet, in the user frame.
struct CameraRow {
    uint32_t number = 0; // 1-based
    std::string label;
    bool counted = false; // enabled and inside the active range
    Vec3d position;       // metres from the room corner
    // The wall the camera is closest to, or "ceiling, near X=0" where the
    // ceiling is closer than any wall, and the pan from that wall's inward
    // normal, positive turning right as seen from above.
    std::string wall;
    double panDeg = 0.0;
    double tiltDownDeg = 0.0;      // of the optical axis below the horizontal
    double aimX = 0.0, aimZ = 1.0; // the optical axis across the floor plan, unit length (0, 0 straight down)
    float spinDeg = 0.0f;
    float focalMm = 0.0f;
    float fNumber = 0.0f;
    std::string sensor; // "W x H px", and the camera type's name
    float hFovDeg = 0.0f;
    float vFovDeg = 0.0f;
    double reachM = 0.0; // NaN without usable sensor pixels
    uint64_t voxelsSeen = 0;
    double uniqueM3 = 0.0;
};

// One row of the obstacles table, user frame, metres.
struct ObstacleRow {
    std::string name;
    bool mesh = false;
    Vec3d min, max;   // a box's corners
    std::string file; // a mesh's file and its placement
    Vec3d offset;
    double scale = 1.0;
};

// A bar of a histogram: its label and how many voxels fall in it.
struct HistogramBar {
    std::string label;
    uint64_t voxels = 0;
};

// Every number the report prints, taken from the same computations the
// `coverage` command reports.
struct ReportFigures {
    ReportHeading heading;
    float lengthM = 0.0f, widthM = 0.0f, heightM = 0.0f;
    float voxelCm = 0.0f;
    uint32_t nx = 0, ny = 0, nz = 0;
    size_t voxels = 0;
    uint32_t cameraCount = 0;
    uint32_t firstCamera = 1; // 1-based
    uint32_t rangeCount = 0;
    uint32_t enabledInRange = 0;
    std::string isoText; // "OP T"
    std::string resText; // "OP1 B1 and OP2 B2"

    std::vector<uint64_t> seenHistogram;
    std::vector<double> seenAtLeastM3; // by at least 0, 1, ... cameras

    PlanningSettings planningSettings;
    std::vector<double> markerAtLeastM3;
    double triangulableM3 = 0.0;
    double withinSigmaM3 = 0.0;
    double sigmaMedianMm = 0.0; // NaN without triangulable voxels
    double sigmaP95Mm = 0.0;
    double occludedMeanDeg = 0.0; // NaN without a voxel outside obstacles
    double unoccludedM3 = 0.0;
    double occludedWithin45M3 = 0.0;
    std::vector<HistogramBar> markerPxBars;
    std::vector<HistogramBar> sigmaBars;

    std::vector<CameraRow> cameras;

    // The plan's target and how much of it the rig meets.
    TargetRule target;
    TargetCoverage targetCoverage;

    // Empty without obstacles; the voxels inside them count in no figure above.
    std::vector<ObstacleRow> obstacles;
    uint64_t insideObstacleVoxels = 0;
    double obstacleM3 = 0.0;
};

// The figures of a volume computed from `input` (room, grid, range,
// filters, the rig with what the computation derived); `obstacles` are those
// it computed with.
ReportFigures CollectReportFigures(const CCoverageVolume& volume, const CPlanningMeasures& planning,
                                   const CoverageInput& input, const ReportHeading& heading, const TargetRule& target,
                                   const CObstacleSet* obstacles = nullptr);

// The wall nearest a point of the floor plan (user frame, metres) and the pan
// of a horizontal direction (dx, dz) from that wall's inward normal, degrees
// in (-180, 180], positive turning right as seen from above.
struct WallPan {
    std::string wall;
    double panDeg = 0.0;
};
WallPan PanFromNearestWall(double x, double z, double lengthM, double widthM, double dx, double dz);

// Where the installation sheet says a camera at `position` (user frame,
// metres) is mounted: `nearestWall`, or "ceiling, near " it when the
// ceiling is closer than every wall.
std::string MountText(const Vec3d& position, double lengthM, double widthM, double heightM,
                      const std::string& nearestWall);

// Histogram of finite values in bars [edges[i], edges[i+1]); the last bar
// also takes everything above. Labels are "a-b" and ">= last".
std::vector<HistogramBar> BarsOf(const std::vector<float>& values, const std::vector<double>& edges, int decimals);
