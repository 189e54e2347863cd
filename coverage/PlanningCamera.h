#pragma once

#include "cameras/CameraSet.h"
#include "coverage/FieldTest.h"
#include "coverage/FrustumEdges.h"
#include "coverage/PlanningMeasures.h"
#include "scene/Vec3d.h"

#include <limits>

// One camera as the planning measures test it, with the settings' marker
// size and least image size: whether it sees a marker at a point decides as
// the planning measures decide it for a voxel centre. Obstacles are left to
// the caller: a point the camera sees a marker at may still be hidden.
struct PlanningCamera {
    Vec3d position; // internal scene frame, metres
    Vec3d edges[4]; // unit, in FrustumEdges order
    double fov[4];  // program degrees, horizontal pair then vertical
    double cosFov[4];
    Vec3d axis;           // OpticalAxis of the edges; zero for a camera without edges
    double focal;         // mm
    double pitch;         // mm
    double sigmaPerDepth; // sigma_c / z
    double markerMm;
    double minImagePx;
};

// From a camera's values: position, the edges a computation derived, fields
// of view, focal length, the sensor's pixel pitch (PixelPitchMm).
PlanningCamera MakePlanningCamera(const Vec3d& position, const FrustumEdges& edges, float hFov, float vFov,
                                  float focalMm, double pitchMm, const PlanningSettings& settings);
// Camera i of a set, as it holds its values (its edges derived).
PlanningCamera MakePlanningCamera(const CCameraSet& cameras, int i, const PlanningSettings& settings);

// Camera i's reach (CameraReachMm) with its lens, sensor pixels and the
// settings' marker; NaN without a usable lens or sensor pixels.
double CameraReachOf(const CCameraSet& cameras, int i, const PlanningSettings& settings);

// What one camera makes of a point.
struct MarkerSight {
    bool inField = false; // inside the four edges (the classic test)
    bool marker = false;  // and a marker there images at the least size or more, in front of the focal plane
    Vec3d ray;            // unit direction from the camera to the point; zero at the camera itself
    double depthMm = std::numeric_limits<double>::quiet_NaN();  // along the optical axis; set when inField
    double markerPx = std::numeric_limits<double>::quiet_NaN(); // image diameter; set when inField
};

// The unit ray from `from` to p, as SightOf takes it.
inline Vec3d RayTo(const Vec3d& from, const Vec3d& p)
{
    const Vec3d d = p - from;
    const double dist = Length(d);
    return dist != 0.0 ? Vec3d{d.x / dist, d.y / dist, d.z / dist} : Vec3d{};
}

// SightOf with the ray already found (RayTo of the camera's position): many
// cameras at one place share their rays.
inline MarkerSight SightAlong(const PlanningCamera& cam, const Vec3d& p, const Vec3d& ray)
{
    MarkerSight sight;
    const Vec3d d = p - cam.position;
    sight.ray = ray;
    bool seen = cam.axis != Vec3d{};
    for (int e = 0; e < 4 && seen; ++e)
        seen = WithinField(Dot(cam.edges[e], sight.ray), cam.fov[e], cam.cosFov[e]);
    if (!seen)
        return sight;
    sight.inField = true;
    sight.depthMm = 1000.0 * Dot(d, cam.axis);
    sight.markerPx = MarkerImagePx(cam.focal, cam.markerMm, sight.depthMm, cam.pitch);
    sight.marker = sight.markerPx >= cam.minImagePx;
    return sight;
}

// Inline: the planning pass asks it for every voxel and camera.
inline MarkerSight SightOf(const PlanningCamera& cam, const Vec3d& p)
{
    return SightAlong(cam, p, RayTo(cam.position, p));
}
