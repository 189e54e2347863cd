#pragma once

#include "project/ProjectFile.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace CLI
{
class App;
}

// The rig options every command shares, as parsed from the command line.
struct RigOptions {
    std::vector<float> room{5.0f, 5.0f, 5.0f}; // length, width, height in `units`
    std::string units = "m";                   // "m"/"M" metres, "f"/"F" feet
    std::string camerasFile;                   // camera data file; empty for the default rig
    long long defaultRig = 4;                  // cameras of the default rig
    std::vector<long long> range;              // {first camera (1-based), count}; empty for all
    std::vector<long long> disable;            // 1-based camera numbers
    std::string projectFile;                   // plan to start from; rig options given as well override it
    std::string obstaclesFile;                 // JSON list of obstacles, in the project file's form
    std::vector<std::string> obstacleBoxes;    // X0,Y0,Z0,X1,Y1,Z1 each, user frame, metres
    const CLI::App* command = nullptr;         // where they were parsed: tells given options from defaults
};

// Whether the option was given on the command line (not just defaulted).
bool OptionGiven(const CLI::App* command, const std::string& name);

// What building the plan gave. Each command changes the plan by its own
// options, then hands it to the document it computes and saves (as the
// window's is, a CPlanDocument): the plan lists its obstacles, meshes read.
struct RigPlanResult {
    std::optional<Plan> plan; // the plan the options make; none on a refusal
    std::string error;        // the message for standard error when refused
    bool fromProject = false; // started from --project: only the options given change it
};

// Adds --room, --units, --cameras, --default-rig, --range, --disable, --project,
// --obstacles and --obstacle-box.
void AddRigOptions(CLI::App& command, RigOptions& options);

// The plan of the options: room in metres (the unit it was given in noted),
// the default rig or the loaded file, then the range and the disabled
// cameras. With --project the project is read first and the rig options
// given as well change it: a room keeps the cameras at their user-frame
// places, a camera file or default rig replaces its cameras and the range.
// On failure the result carries the program's message.
RigPlanResult BuildRigPlan(const RigOptions& options);
