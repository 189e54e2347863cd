#include "cli/PlanningOptions.h"
#include "cli/OptionValues.h"

#include "project/Plan.h"
#include "cameras/CameraTypes.h"
#include "coverage/CoverageVolume.h"
#include "coverage/PlanningMeasures.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <system_error>

namespace
{

// "A,B" as two numbers of type T; nullopt unless the whole text is exactly that.
template <typename T> std::optional<std::pair<T, T>> ParsePair(const std::string& text)
{
    const size_t comma = text.find(',');
    if (comma == std::string::npos)
        return std::nullopt;
    T a{}, b{};
    const char* end = text.data() + text.size();
    const auto first = std::from_chars(text.data(), text.data() + comma, a);
    const auto second = std::from_chars(text.data() + comma + 1, end, b);
    if (first.ec != std::errc{} || first.ptr != text.data() + comma || second.ec != std::errc{} || second.ptr != end)
        return std::nullopt;
    return std::make_pair(a, b);
}

} // namespace

bool PlanningOptions::Requested() const
{
    return planning || markerMm || minPx || !angleRange.empty() || pixelNoise || sigmaMax || cameraType ||
           !sensorPx.empty();
}

void AddPlanningOptions(CLI::App& command, PlanningOptions& options)
{
    command.add_flag("--planning", options.planning, "also compute the planning measures");
    DecimalNumbers(command.add_option("--marker-mm", options.markerMm, "marker diameter in millimetres (default 14)"))
        ->type_name("D");
    DecimalNumbers(command.add_option("--min-px", options.minPx, "least marker image diameter in pixels (default 3)"))
        ->type_name("N");
    command.add_option("--angle-range", options.angleRange, "triangulation angle range in degrees (default 40,140)")
        ->type_name("A,B");
    DecimalNumbers(command.add_option("--pixel-noise", options.pixelNoise, "image noise in pixels (default 0.5)"))
        ->type_name("S");
    DecimalNumbers(command.add_option("--sigma-max", options.sigmaMax, "3D error bound in millimetres (default 1)"))
        ->type_name("MM");
    DecimalWholeNumbers(command.add_option("--camera-type", options.cameraType,
                                           "camera type of every camera: 0 T4, 1 Q, 2 KX (default 0)"))
        ->type_name("K");
    command.add_option("--sensor-px", options.sensorPx, "custom sensor pixels of every camera")->type_name("W,H");
}

std::optional<std::string> ApplyPlanningOptions(const PlanningOptions& options, PlanningSettings& planning,
                                                std::vector<PlanCamera>& cameras)
{
    // Each option given in turn, so that a refusal names the one refused.
    PlanningSettings settings = planning;
    const auto refused = [&settings](const char* option) -> std::optional<std::string> {
        if (const auto error = CheckPlanningSettings(settings))
            return std::string(option) + ": planning settings: " + *error;
        return std::nullopt;
    };
    struct NumberOption {
        const char* name;
        const std::optional<double>& value;
        double PlanningSettings::*setting;
    };
    const NumberOption numbers[] = {
        {"--marker-mm", options.markerMm, &PlanningSettings::markerDiameterMm},
        {"--min-px", options.minPx, &PlanningSettings::minImagePx},
        {"--pixel-noise", options.pixelNoise, &PlanningSettings::pixelNoisePx},
        {"--sigma-max", options.sigmaMax, &PlanningSettings::sigmaBoundMm},
    };
    for (const NumberOption& number : numbers) {
        if (!number.value)
            continue;
        settings.*number.setting = *number.value;
        if (auto error = refused(number.name))
            return error;
    }
    if (!options.angleRange.empty()) {
        const auto range = ParsePair<double>(options.angleRange);
        if (!range)
            return "--angle-range A,B: two angles in degrees, e.g. --angle-range 40,140";
        settings.minAngleDeg = range->first;
        settings.maxAngleDeg = range->second;
        if (auto error = refused("--angle-range"))
            return error;
    }

    if (options.cameraType && (*options.cameraType < 0 || *options.cameraType >= kCameraTypeCount))
        return "--camera-type: K must be 0 to " + std::to_string(kCameraTypeCount - 1);
    std::optional<std::pair<int, int>> pixels;
    if (!options.sensorPx.empty()) {
        pixels = ParsePair<int>(options.sensorPx);
        if (!pixels || pixels->first < 1 || pixels->second < 1)
            return "--sensor-px W,H: two pixel counts of at least 1, e.g. --sensor-px 2048,1088";
        if (options.cameraType)
            return "--camera-type and --sensor-px exclude each other";
    }

    planning = settings;
    for (PlanCamera& camera : cameras) {
        if (options.cameraType)
            SetCameraType(camera, *options.cameraType);
        if (pixels)
            SetCustomPixels(camera, pixels->first, pixels->second);
    }
    return std::nullopt;
}

std::optional<QualityThreshold> ParseQualityThreshold(const std::string& text)
{
    const size_t comma = text.find(',');
    if (comma == std::string::npos)
        return std::nullopt;
    const std::string op = text.substr(0, comma);
    const std::string value = text.substr(comma + 1);
    for (unsigned k = 0; k < kComparisonOpCount; ++k) {
        if (op != kComparisonOps[k])
            continue;
        float v = 0.0f;
        const char* end = value.data() + value.size();
        const auto [ptr, ec] = std::from_chars(value.data(), end, v);
        if (ec != std::errc{} || ptr != end || value.empty() || !std::isfinite(v))
            return std::nullopt;
        return QualityThreshold{k, v};
    }
    return std::nullopt;
}
