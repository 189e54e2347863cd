#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The figures of a comparison of the plan with its rig as built, as the
// calibration partner's `compare` printed them (RigComparison and
// CCoverageDifference computed them there): the window shows them as they
// are and computes none of them again.
struct AsBuiltFigures {
    struct Camera {
        uint32_t planNumber = 0;
        uint32_t asBuiltNumber = 0;
        std::string asBuiltName;
        double positionMm = 0.0;
        double aimDeg = 0.0;
        double rollDeg = 0.0;
        double focalPlannedMm = 0.0;
        double focalFoundMm = 0.0;
    };
    std::string method;
    std::string matching;
    double scale = 1.0;
    double rmsMm = 0.0;
    uint32_t fitted = 0;
    std::vector<Camera> cameras;
    std::vector<uint32_t> unmatchedPlan;
    std::vector<uint32_t> unmatchedAsBuilt;
    double plannedM3 = 0.0;
    double asBuiltM3 = 0.0;
    double gainedM3 = 0.0;
    double lostM3 = 0.0;
    // Marker seen by at least k cameras, k = 0, 1, ...
    std::vector<double> markerPlannedM3;
    std::vector<double> markerAsBuiltM3;
    std::vector<double> markerGainedM3;
    std::vector<double> markerLostM3;
    std::vector<std::string> notes;
};

struct AsBuiltFiguresResult {
    std::optional<AsBuiltFigures> figures;
    std::string error;
};
// The output of `compare`; a refusal names the key that is missing or of the wrong kind.
AsBuiltFiguresResult ParseComparisonOutput(const std::string& text);
