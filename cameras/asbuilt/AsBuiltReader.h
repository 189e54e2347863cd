#pragma once

#include "cameras/asbuilt/AsBuiltCalibration.h"

#include <optional>
#include <string>

enum class AsBuiltFormat { Anipose, Caliscope, OpenCv, Colmap };

// "anipose", "caliscope", "opencv", "colmap"; nullopt for any other word.
std::optional<AsBuiltFormat> AsBuiltFormatNamed(const std::string& word);

// The rig of a calibration FILE or FOLDER (intri.yml + extri.yml, or
// cameras.txt + images.txt, or one camera_array.toml or calibration TOML).
// Without a format it is found from the names and the content: YAML or XML
// is OpenCV's, a TOML with a [cameras] table Caliscope's, another TOML the
// Anipose family's, cameras.txt or images.txt COLMAP's. Translations are
// multiplied by `metresPerUnit`.
AsBuiltReadResult ReadAsBuilt(const std::string& path, std::optional<AsBuiltFormat> format, double metresPerUnit);
