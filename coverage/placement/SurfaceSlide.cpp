#include "coverage/placement/SurfaceSlide.h"

#include "cameras/Angles.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace
{

double Coord(const Vec3d& p, int axis)
{
    return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

double& Coord(Vec3d& p, int axis)
{
    return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

double Extent(const RoomSize& room, int axis)
{
    return axis == 0 ? room.length : axis == 1 ? room.height : room.width;
}

Vec3d Along(const Vec3d& from, const Vec3d& direction, double t)
{
    return {from.x + direction.x * t, from.y + direction.y * t, from.z + direction.z * t};
}

double Snap(double v, double step)
{
    return step > 0.0 ? std::round(v / step) * step : v;
}

} // namespace

SlidePlane SurfaceOf(const Vec3d& camera, const RoomSize& room)
{
    // The ceiling first, so a camera in a ceiling corner slides over the ceiling.
    const std::array<SlidePlane, 5> surfaces{{
        {1, room.height},
        {0, 0.0},
        {0, room.length},
        {2, 0.0},
        {2, room.width},
    }};
    const SlidePlane* nearest = nullptr;
    double best = kMountTolerance;
    for (const SlidePlane& s : surfaces) {
        const double d = std::abs(Coord(camera, s.axis) - s.value);
        if (d <= best && (!nearest || d < best)) {
            nearest = &s;
            best = d;
        }
    }
    return {nearest ? nearest->axis : 1, Coord(camera, nearest ? nearest->axis : 1)};
}

std::optional<Vec3d> SlideOnPlane(const SlidePlane& plane, const Vec3d& origin, const Vec3d& direction,
                                  const RoomSize& room, double snap)
{
    const double along = Coord(direction, plane.axis);
    if (std::abs(along) < 1e-12)
        return std::nullopt;
    const double t = (plane.value - Coord(origin, plane.axis)) / along;
    if (!(t > 0.0) || !std::isfinite(t))
        return std::nullopt;
    Vec3d p = Along(origin, direction, t);
    for (int axis = 0; axis < 3; ++axis) {
        if (axis == plane.axis)
            Coord(p, axis) = plane.value;
        else
            Coord(p, axis) = std::clamp(Snap(Coord(p, axis), snap), 0.0, Extent(room, axis));
    }
    return p;
}

Vec3d AimedFloorPoint(const Vec3d& camera, float hTilt, float vTilt, const RoomSize& room)
{
    // The axis as AimTowards reads it: (cos a cos b, -sin b, sin a cos b).
    const double a = hTilt * kRadiansPerDegree, b = vTilt * kRadiansPerDegree;
    const Vec3d axis{std::cos(a) * std::cos(b), -std::sin(b), std::sin(a) * std::cos(b)};
    Vec3d p{camera.x, 0.0, camera.z};
    if (axis.y < -1e-9 && camera.y > 0.0)
        p = Along(camera, axis, camera.y / -axis.y);
    return {std::clamp(p.x, 0.0, room.length), 0.0, std::clamp(p.z, 0.0, room.width)};
}
