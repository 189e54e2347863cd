#pragma once

#include "cameras/asbuilt/AsBuiltCalibration.h"

#include <string>

// A camera_array.toml: one table [cameras.N] per camera with size, matrix,
// distortions, rotation (a Rodrigues vector or a 3 x 3 matrix, both occur),
// translation, ignore and rotation_count (the images shown turned by that
// many quarter turns, clockwise). A camera marked ignore, or one without a
// pose (intrinsics only), is skipped with a note.
AsBuiltReadResult ReadCaliscopeCalibration(const std::string& path, double metresPerUnit);
