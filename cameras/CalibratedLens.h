#pragma once

#include <vector>

// What a calibration measured of a camera's lens beyond the plan's lens and
// frame: the principal point in pixels of the camera's sensor and the
// distortion coefficients in the order the calibration listed them (perhaps
// none). Kept with the camera to be shown and written back; no computation
// reads them.
struct CalibratedLens {
    double cx = 0.0;
    double cy = 0.0;
    std::vector<double> distortion;
    bool operator==(const CalibratedLens&) const = default;
};
