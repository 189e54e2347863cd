#pragma once

#include "coverage/placement/PlacementSetup.h"
#include "scene/Vec3d.h"

#include <optional>

// Moving a camera by hand: the surface it slides on, the point a pointer
// ray reaches on it, and the aim at a target point. All in the user frame
// (metres from the room corner, X along the length, Y up, Z across).

// A plane of constant X (axis 0), Y (1) or Z (2).
struct SlidePlane {
    int axis = 1;
    double value = 0.0;
    friend bool operator==(const SlidePlane&, const SlidePlane&) = default;
};

// A camera within this distance of a wall or the ceiling is taken to hang on it.
inline constexpr double kMountTolerance = 0.3;
inline constexpr double kSlideSnap = 0.05;

// The plane through the camera along the wall or ceiling nearest it, when
// it is within kMountTolerance of one (the ceiling wins a tie), so it keeps
// its distance from that surface; otherwise the level it stands at, so a
// camera on a stand slides sideways and keeps its height.
SlidePlane SurfaceOf(const Vec3d& camera, const RoomSize& room);

// Where a ray from `origin` along `direction` meets the plane, with the two
// coordinates in the plane snapped to `snap` and kept inside the room; the
// plane's own coordinate stays as it is. None when the ray runs parallel to
// the plane or away from it.
std::optional<Vec3d> SlideOnPlane(const SlidePlane& plane, const Vec3d& origin, const Vec3d& direction,
                                  const RoomSize& room, double snap = kSlideSnap);

// The point on the floor a camera of h-tilt and v-tilt (program degrees) looks
// at; when its axis does not reach the floor, the point below the camera.
// Always inside the room.
Vec3d AimedFloorPoint(const Vec3d& camera, float hTilt, float vTilt, const RoomSize& room);
