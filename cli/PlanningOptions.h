#pragma once

#include "coverage/QualityDisplay.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace CLI
{
class App;
}
struct PlanCamera;

// The planning options of the commands that compute, as parsed. Without any
// of them the planning measures are not computed and every output is the
// classic one.
struct PlanningOptions {
    bool planning = false;            // --planning
    std::optional<double> markerMm;   // --marker-mm D
    std::optional<double> minPx;      // --min-px N
    std::string angleRange;           // --angle-range A,B
    std::optional<double> pixelNoise; // --pixel-noise S
    std::optional<double> sigmaMax;   // --sigma-max MM
    std::optional<int> cameraType;    // --camera-type K (index into the camera-type table)
    std::string sensorPx;             // --sensor-px W,H
    // Whether any planning option was given.
    bool Requested() const;
};

void AddPlanningOptions(CLI::App& command, PlanningOptions& options);

// Sets the planning settings and the sensor pixels of `cameras` (a plan's,
// or none). Returns the message for standard error on a refusal, with
// nothing changed.
std::optional<std::string> ApplyPlanningOptions(const PlanningOptions& options, PlanningSettings& planning,
                                                std::vector<PlanCamera>& cameras);

// "OP,V" with OP one of the comparison operators and V a finite number, as
// --quality-threshold takes it; nullopt for any other text.
std::optional<QualityThreshold> ParseQualityThreshold(const std::string& text);
