#pragma once

#include "exports/WebPage.h"

#include <optional>
#include <string>

namespace CLI
{
class App;
}

class CCoverageVolume;
class CPlanningMeasures;
struct CoverageInput;
struct Plan;
struct RigOptions;

// The shared files `coverage` writes besides its report: the glTF scene and
// the offline web page.
struct ShareFiles {
    std::string gltf;
    std::string web;
    bool Any() const { return !gltf.empty() || !web.empty(); }
};

// Adds --gltf and --web.
void AddShareOptions(CLI::App& command, ShareFiles& files);

// Before any computation: refuses a glTF name of another extension and reads
// the web page's scripts into `scripts`. The message for standard error.
std::optional<std::string> PrepareShareFiles(const ShareFiles& files, WebScripts& scripts);

// Writes the files asked for from a computation: its input, volume and
// planning measures, the plan's target (PlanTarget) and title block (the
// project's, else its file's name), and the display the project's window showed (else the Quality display of cameras
// seeing a marker). The message for standard error when one cannot be written.
std::optional<std::string> WriteShareFiles(const ShareFiles& files, const WebScripts& scripts,
                                           const CoverageInput& input, const CCoverageVolume& volume,
                                           const CPlanningMeasures* planning, const RigOptions& rig, const Plan& plan,
                                           bool fromProject);
