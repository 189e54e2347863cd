#pragma once

#include "cameras/asbuilt/AsBuiltPlacement.h"

#include <cstdint>
#include <optional>
#include <string>

namespace CLI {
class App;
}
class CCameraSet;
struct RigOptions;

// `rig`'s options for a rig as built: read from calibration files, and
// written as one.
struct AsBuiltOptions {
    std::string path;   // --as-built FILE|FOLDER
    std::string format; // --as-built-format; empty: found from the content
    std::string units = "m";
    std::string up;         // --as-built-up +x|-x|+y|-y|+z|-z; empty: the cameras' mean image up
    std::string exportPath; // --export-calibration FILE
};

// Adds --as-built, --as-built-format, --as-built-units, --as-built-up and
// --export-calibration. --as-built excludes --cameras, --default-rig and --project.
void AddAsBuiltOptions(CLI::App& command, AsBuiltOptions& options);

// With --as-built: the calibration read and planned, and `rig` changed to
// build a room of the plan's size (in metres, unless --room was given) with
// as many cameras. Nullopt without --as-built; a refusal as the message.
struct AsBuiltSetup {
    std::optional<AsBuiltPlan> plan;
    std::string error;
};
AsBuiltSetup PrepareAsBuilt(const AsBuiltOptions& options, RigOptions& rig);

// With --export-calibration: the first `count` cameras written; the reason
// when that failed.
std::optional<std::string> ExportCalibrationOption(const AsBuiltOptions& options, const CCameraSet& cameras,
                                                   uint32_t count);
