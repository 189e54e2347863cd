#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace CLI
{
class App;
}

// The coverage options the commands that compute share, as parsed.
struct CoverageOptions {
    float voxelCm = 20.0f;
    std::string iso;                   // "OP,T"; empty for "==" and the camera count
    std::string res = ">=,0.7,<=,0.8"; // "OP1,B1,OP2,B2"
    long long resolutionCamera = 1;    // 1-based
    std::string calibrationFile;       // empty: normal mode
    const CLI::App* command = nullptr; // where they were parsed: tells given options from defaults
};

class CCameraSet;
struct Plan;

// Adds --voxel, --iso, --res, --resolution-camera and --calibration.
void AddCoverageOptions(CLI::App& command, CoverageOptions& options);

// Sets the plan's voxel size, iso condition, resolution filter and
// resolution camera, checked against its rig. A plan read from a project
// changes only by the options given. Returns the message for standard error
// on a refusal.
std::optional<std::string> ApplyCoverageOptions(const CoverageOptions& options, Plan& plan, bool fromProject);
// The calibration of --calibration into the computation's cameras; the
// message when the file cannot be used.
std::optional<std::string> ImportCalibrationOption(const CoverageOptions& options, CCameraSet& cameras);
