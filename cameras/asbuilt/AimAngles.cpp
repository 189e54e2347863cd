#include "cameras/asbuilt/AimAngles.h"

#include "cameras/Angles.h"

#include <cmath>
#include <numbers>

AimAngles AimAnglesFromAxes(const Vec3d& axis, const Vec3d& up)
{
    const Vec3d f = Normalized(axis);
    double a = std::atan2(-f.z, f.x);
    const double b = std::atan2(-f.y, std::hypot(f.x, f.z));
    // Undo the horizontal and the vertical tilt: up is then (0, cos s, sin s).
    const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
    const Vec3d w{ca * up.x - sa * up.z, up.y, sa * up.x + ca * up.z};
    const double uy = sb * w.x + cb * w.y;
    const double uz = w.z;
    const double s = std::atan2(uz, uy);
    // A whole turn in radians: the program's degrees rest on its own pi, so 360 of them are not one.
    if (a < 0.0)
        a += 2.0 * std::numbers::pi;
    AimAngles angles;
    angles.hTilt = a * kDegreesPerRadian;
    angles.vTilt = b * kDegreesPerRadian;
    angles.spin = s * kDegreesPerRadian;
    return angles;
}

void AxesFromAimAngles(const AimAngles& angles, Vec3d& axis, Vec3d& up)
{
    const double a = angles.hTilt * kRadiansPerDegree, b = angles.vTilt * kRadiansPerDegree,
                 s = angles.spin * kRadiansPerDegree;
    const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b), cs = std::cos(s),
                 ss = std::sin(s);
    axis = {ca * cb, -sb, -sa * cb};
    up = {ca * sb * cs + sa * ss, cb * cs, -sa * sb * cs + ca * ss};
}
