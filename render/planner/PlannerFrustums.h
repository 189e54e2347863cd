#pragma once

#include "render/planner/PlannerProjection.h"
#include "scene/Vec3d.h"

#include <array>
#include <optional>
#include <vector>

// A camera's field of view as the pyramid of its sensor rectangle: the apex
// at the camera, the base corners `distance` out along the optical axis.
struct CameraPyramid {
    Vec3d apex;
    Vec3d axis;
    std::array<Vec3d, 4> base;
};

// From the four edge directions of the coverage computation (the middles of
// the frustum's sides); none while they do not span a field of view (before
// the first computation, or a camera without one).
std::optional<CameraPyramid> MakeCameraPyramid(const Vec3d& apex, const Vec3d& hPlus, const Vec3d& hMinus,
                                               const Vec3d& vPlus, const Vec3d& vMinus, double distance);
// The optical axis of those edges (OpticalAxis), or none.
std::optional<Vec3d> PyramidAxis(const Vec3d& hPlus, const Vec3d& hMinus, const Vec3d& vPlus, const Vec3d& vMinus);
// How far along the axis from p the ray leaves the room box (half extents
// about the origin); 0 when it never enters.
double FarWallDistance(const Vec3d& p, const Vec3d& axis, const Vec3d& halfExtents);

struct PlannerCamera {
    Vec3d position;
    uint32_t number = 0; // 1-based
    bool enabled = true;
    std::optional<CameraPyramid> pyramid;
};

// Spheres and pyramids in the scene frame (under the scene's model-view):
// thin lines cut at the room's walls (half extents about the origin), no
// faces, so the voxels keep the colours the legend gives them; disabled
// cameras hollow and grey.
void DrawPlannerCameras(const std::vector<PlannerCamera>& cameras, double sphereRadius, const Vec3d& roomHalf);
