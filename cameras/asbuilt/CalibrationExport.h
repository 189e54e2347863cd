#pragma once

#include "cameras/asbuilt/AsBuiltCalibration.h"
#include "scene/AtomicFile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class CCameraSet;

// The first `count` cameras of the set as a calibration in a world with z
// up, in metres from the room corner: x = X, y = Z, z = Y of the user frame
// (read back with z up, the same rig). Each camera at its position with its aim (the
// sensor's -y its image up), an image of its sensor pixels, K from the lens,
// the frame and those pixels, and the principal point and distortion the
// camera kept from a calibration, else the point at the image centre and no
// distortion (five zeros, also for a calibration that listed none). Named by
// their labels. The world's up (z) is recorded with them, and the room
// (length, width, height in metres) when given, so that the file reads back
// as the same rig with no reader options at all.
AsBuiltRig CalibrationOfCameraSet(const CCameraSet& cameras, uint32_t count,
                                  const std::optional<std::array<double, 3>>& room = std::nullopt);

// Anipose-family TOML: one table cam_<k> per camera, then the metadata table
// (with "up" and "room_m" when the rig records them).
std::string AniposeCalibrationText(const AsBuiltRig& rig);
// The OpenCV YAML pair as its FileStorage writes it, the cameras named 01, 02, ...
// (their keys K_01, R_01, ...): intrinsics (names, K, dist, H, W) and
// extrinsics (names, R as Rodrigues, Rot, T, then "up" and "room_m" as 3 x 1
// matrices when the rig records them).
std::string OpenCvIntrinsicsText(const AsBuiltRig& rig);
std::string OpenCvExtrinsicsText(const AsBuiltRig& rig);

// By the extension: `.toml` one file, `.yml` / `.yaml` the extrinsics in
// `path` (its name holding "extri") and the intrinsics in its partner with
// "intri" in its stead. Each file is replaced only once written whole, the
// pair together (AtomicFilePair); a refusal or failure names the file and the reason.
SaveResult ExportCalibration(const std::string& path, const CCameraSet& cameras, uint32_t count,
                             const std::optional<std::array<double, 3>>& room = std::nullopt);
// The reason ExportCalibration would refuse before creating any file (the
// extension, the pair's naming, a camera without sensor pixels); nullopt when it would write.
std::optional<std::string> CalibrationExportRefusal(const std::string& path, const CCameraSet& cameras, uint32_t count);
