#pragma once

#include "coverage/placement/MountPlaces.h"
#include "coverage/placement/PlacementCandidates.h"
#include "coverage/placement/PlacementFigures.h"
#include "coverage/placement/PlacementMemory.h"
#include "coverage/placement/PlacementSearch.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CObstacleSet;

// Everything one placement reads: the room and its lattice, the planning
// settings and obstacles, the cameras that stay, what to add, where and for
// which volume. A value: any number of placements may run at once.
struct PlacementRequest {
    RoomSize room;
    Vec3d userOrigin;       // the camera set's (internal = user-frame conversion)
    Vec3d latticeCorner;    // the room corner of the voxel lattice (internal frame)
    double voxelEdge = 0.2; // metres; the obstacles' meshes are binned on this lattice
    PlanningSettings planning;
    std::shared_ptr<const CObstacleSet> obstacles;
    std::vector<FixedCamera> fixed;
    CameraModel model;         // lens, frame, sensor and f-stop of the new cameras
    std::vector<float> lenses; // focal lengths cycled over the new cameras; empty: the model's
    // Focal lengths the search chooses each new camera's from; empty: `lenses` cycled.
    std::vector<float> lensKit;
    PlacementObjective objective = PlacementObjective::Coverage;
    int count = 0; // cameras to add; 0 only scores the fixed ones
    MountSurfaces mounts;
    std::vector<TargetBox> target; // empty: DefaultTargetBox
    uint32_t minCameras = 2;
    bool robust = false;
    double wallStep = 0.25;   // metres between candidate places along walls and segments
    double ceilingStep = 0.5; // on the ceiling
    double sampleStep = 0.25; // between the target samples the figures are scored at
    int aimGrid = 2;          // aim points per axis of each target box, besides its centre
    SearchSettings search;
    double timeLimitSeconds = 60.0;
    bool refine = true;
    int refineEvaluations = 60; // per camera and round
    // How a refusal names what the user can change.
    PlacementRemedyNames remedyNames;
};

// The coarser lattices a large placement searches on, so that its time and
// memory stay within bounds: the target samples and the mount places spread
// out evenly until they number at most these; the figures are scored at the
// requested step all the same, and the refinement moves each camera off the
// places' lattice.
inline constexpr double kSearchSampleBudget = 16384;
inline constexpr double kSearchPlaceBudget = 3000;

struct SearchLattice {
    double sampleStep = 0.25;
    double wallStep = 0.25;
    double ceilingStep = 0.5;
};
SearchLattice SearchLatticeOf(const PlacementRequest& request, const std::vector<TargetBox>& target);

// One camera the placement adds.
struct PlacedCamera {
    MountPlace place;
    std::string mount; // the place's surface, as CMountGeometry::Name gives it
    CameraPose pose;   // snapped: 1 cm along the surface, 0.5 degree
    CameraModel model;
};

struct PlacementProgress {
    std::string stage; // "candidates", "search", "refinement"
    int restartsDone = 0;
    int restarts = 0;
    double bestObjective = 0.0; // weighted share, the search's estimate
    std::vector<PlacedCamera> best;
};

struct PlacementResult {
    bool ok = false;
    std::string error; // why nothing was placed, naming the input
    PlacementFigures before;
    PlacementFigures after;
    PlacementFigures unrefined; // the search's rig, snapped, before the refinement
    std::vector<PlacedCamera> placed;
    uint64_t evaluations = 0;
    uint64_t candidates = 0;
    uint64_t places = 0;
    uint64_t samples = 0;
    SearchLattice lattice; // as searched
    // Seconds each stage took, in order: "samples", "candidates", "search",
    // "refinement", "figures".
    std::vector<std::pair<std::string, double>> stageSeconds;
    int restartsDone = 0;
    int restarts = 0;
    bool stopped = false; // the time limit or a cancel ended the search early
    bool cancelled = false;
    double seconds = 0.0;
};

// Threads for a search run beside a window: every core but one, which the
// window keeps for itself.
int WindowSearchThreads();

// Why the request cannot be placed (naming the input); nullopt when it can.
std::optional<std::string> CheckPlacementRequest(const PlacementRequest& request);
// Why it would not fit the memory available (CheckPlacementMemory of its
// estimate), counted without allocating; nullopt when it fits.
std::optional<std::string> CheckPlacementFits(const PlacementRequest& request);

// The placement: candidates, greedy and swap search with restarts, then
// each new camera refined along its surface and in its aim with BOBYQA,
// snapped to mountable steps and the rig scored again with the exact test.
// Refuses, before it allocates, a request whose estimate exceeds the memory
// available or kMaxPlacementBytes; the time limit covers every stage.
PlacementResult RunPlacement(const PlacementRequest& request,
                             const std::function<void(const PlacementProgress&)>& progress = {});

// The points the candidates aim at: each box's centre and a grid of `perAxis`
// points along each axis at the centres of equal parts (a quarter and three
// quarters for 2).
std::vector<Vec3d> AimPoints(const std::vector<TargetBox>& boxes, int perAxis = 2);
// The target as used: the request's boxes, or the default box.
std::vector<TargetBox> TargetOf(const PlacementRequest& request);
