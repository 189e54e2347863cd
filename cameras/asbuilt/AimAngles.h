#pragma once

#include "scene/Vec3d.h"

// A camera's aim in the program's angles (degrees, as the camera set holds
// them) and the directions they stand for in the internal scene frame: the
// optical axis and the image's up. The frustum edges turn the axis (1, 0, 0)
// and up (0, 1, 0) by the spin about x, then by -vTilt about z, then by
// hTilt about y.
struct AimAngles {
    double hTilt = 0.0; // 0 to a whole turn (2 pi radians in the program's degrees)
    double vTilt = 0.0; // -90 to 90, positive looking down
    double spin = 0.0;  // -180 to 180
};

// From two directions (any length; up need not be square to the axis, its
// part along the axis is dropped). Looking straight up or down the
// horizontal tilt is 0 and the spin carries the turn.
AimAngles AimAnglesFromAxes(const Vec3d& axis, const Vec3d& up);
// The unit axis and up of the angles.
void AxesFromAimAngles(const AimAngles& angles, Vec3d& axis, Vec3d& up);
