#pragma once

#include "cameras/asbuilt/AsBuiltCalibration.h"

#include <string>

// The TOML calibration of the Anipose family (also written by Pose2Sim and
// FreeMoCap): one table per camera with name, size [w, h], matrix (3 x 3),
// distortions, rotation (a Rodrigues vector, also as a column [[x], [y], [z]]),
// translation and an optional fisheye; the metadata table and keys of no
// meaning here are passed over. Cameras keep the order of the file: some
// tools sort the table names as text (cam_10 before cam_2).
AsBuiltReadResult ReadAniposeCalibration(const std::string& path, double metresPerUnit);
