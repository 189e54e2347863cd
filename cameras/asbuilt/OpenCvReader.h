#pragma once

#include "cameras/asbuilt/AsBuiltCalibration.h"

#include <string>

// An OpenCV FileStorage pair, YAML or XML: intri.yml with names, K_<n>,
// dist_<n> (or D_<n>) and optional H_<n> / W_<n>, and extri.yml with R_<n>
// (Rodrigues, 3 x 1 or 1 x 3) or Rot_<n> (3 x 3) and T_<n>. Without H and W
// the image is taken as twice the principal point, with a note. Read with
// yaml-cpp and tinyxml2 (OpenCvStorage.h), not OpenCV's own parser.
AsBuiltReadResult ReadOpenCvCalibration(const std::string& intriPath, const std::string& extriPath,
                                        double metresPerUnit);

// The partner of one file of the pair: "intri" and "extri" swapped in its
// name (the last one found); nullopt when the name holds neither.
std::optional<std::string> OpenCvPartnerFile(const std::string& path);
// Whether the file's name marks it as the intrinsics of its pair.
bool IsOpenCvIntrinsicsFile(const std::string& path);
