#include "coverage/placement/PlacementCamera.h"

#include "cameras/Angles.h"
#include "cameras/CameraSet.h"

#include <cmath>

std::pair<float, float> FieldsOfView(const CameraModel& model)
{
    return {FieldOfViewDegrees(model.frameWidthMm, model.focalMm),
            FieldOfViewDegrees(model.frameHeightMm, model.focalMm)};
}

Vec3d InternalPosition(const Vec3d& user, const Vec3d& userOrigin)
{
    // As CCameraSet::SetFilePosition: user and origin in single precision, X = x - o.x, Y = y + o.y, Z = o.z - z.
    const Vec3d u{static_cast<float>(user.x), static_cast<float>(user.y), static_cast<float>(user.z)};
    const Vec3d o{static_cast<float>(userOrigin.x), static_cast<float>(userOrigin.y), static_cast<float>(userOrigin.z)};
    return {u.x + o.x, u.y - o.y, o.z - u.z};
}

std::pair<float, float> AimTowards(const Vec3d& from, const Vec3d& to)
{
    // The optical axis of h-tilt a and v-tilt b points along (cos a cos b,
    // -sin b, -sin a cos b) in the internal frame, whose z runs against the
    // user's Z; the angles are the program's degrees.
    const double dx = to.x - from.x, dy = to.y - from.y, dz = to.z - from.z;
    const double a = std::atan2(dz, dx);
    const double b = std::atan2(-dy, std::hypot(dx, dz));
    return {static_cast<float>(a * kDegreesPerRadian), static_cast<float>(b * kDegreesPerRadian)};
}

PlanningCamera PlacedPlanningCamera(const CameraModel& model, const CameraPose& pose, const Vec3d& userOrigin,
                                    const PlanningSettings& settings)
{
    const auto [hFov, vFov] = FieldsOfView(model);
    const FrustumEdges edges = AimedFrustumEdges({hFov, vFov, pose.hTilt, pose.vTilt, 0.0f});
    const double pitch = PixelPitchMm(model.frameWidthMm, model.frameHeightMm, model.pixelsX, model.pixelsY);
    return MakePlanningCamera(InternalPosition(pose.position, userOrigin), edges, hFov, vFov, model.focalMm, pitch,
                              settings);
}
