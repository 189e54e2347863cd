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

struct Project;

// Adds --voxel, --iso, --res, --resolution-camera and --calibration.
void AddCoverageOptions(CLI::App& command, CoverageOptions& options);

// Stores the voxel size, the iso condition and the resolution filter in the
// coverage parameters, checks the resolution camera against the rig and
// imports the calibration file into the camera set. Needs the scene built
// (BuildRigScene). With a project, which BuildRigScene has applied, only the
// options given change its criteria and resolution camera. Returns the
// message for standard error on a refusal.
std::optional<std::string> ApplyCoverageOptions(const CoverageOptions& options, uint32_t cameraCount,
                                                const Project* project = nullptr);
// The resolution camera (1-based) the options and the project name.
long long ResolutionCameraOf(const CoverageOptions& options, const Project* project);
