#include "cli/CoverageOptions.h"

#include "cli/OptionValues.h"
#include "cli/RigOptions.h"

#include "cameras/CameraSet.h"
#include "coverage/CoverageVolume.h"
#include "project/ProjectFile.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>
#include <vector>

namespace
{

constexpr const char* kOperatorList = "one of < <= == >= > !=";

std::optional<unsigned> ParseOperator(const std::string& text)
{
    for (unsigned i = 0; i < static_cast<unsigned>(kComparisonOpCount); ++i) {
        if (text == kComparisonOps[i])
            return i;
    }
    return std::nullopt;
}

template <typename T> std::optional<T> ParseNumber(const std::string& text)
{
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::vector<std::string> SplitCommas(const std::string& text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
        parts.push_back(text.substr(start, comma - start));
    parts.push_back(text.substr(start));
    return parts;
}

// The default is "==" and the camera count, as after the count is entered
// (held to the end of the active range).
std::optional<std::string> ApplyIso(const std::string& iso, Plan& plan)
{
    const uint32_t rangeEnd = plan.firstCamera - 1 + plan.rangeCount;
    if (iso.empty()) {
        plan.isoOp = 2;
        plan.isoThreshold = std::min(static_cast<uint32_t>(plan.cameras.size()), rangeEnd);
        return std::nullopt;
    }
    const std::vector<std::string> parts = SplitCommas(iso);
    const std::optional<unsigned> op = parts.size() == 2 ? ParseOperator(parts[0]) : std::nullopt;
    const std::optional<unsigned> threshold = parts.size() == 2 ? ParseNumber<unsigned>(parts[1]) : std::nullopt;
    if (!op || !threshold)
        return "--iso OP,T: OP " + std::string(kOperatorList) + ", T a camera count, e.g. --iso '>=,2'";
    if (*threshold > rangeEnd)
        return "--iso: the threshold " + std::to_string(*threshold) + " is above the end of the active camera range (" +
               std::to_string(rangeEnd) + ")";
    plan.isoOp = *op;
    plan.isoThreshold = *threshold;
    return std::nullopt;
}

std::optional<std::string> ApplyRes(const std::string& res, Plan& plan)
{
    const std::vector<std::string> parts = SplitCommas(res);
    std::optional<unsigned> op1, op2;
    std::optional<float> b1, b2;
    if (parts.size() == 4) {
        op1 = ParseOperator(parts[0]);
        b1 = ParseNumber<float>(parts[1]);
        op2 = ParseOperator(parts[2]);
        b2 = ParseNumber<float>(parts[3]);
    }
    if (!op1 || !b1 || !op2 || !b2 || !std::isfinite(*b1) || !std::isfinite(*b2))
        return "--res OP1,B1,OP2,B2: operators " + std::string(kOperatorList) +
               ", bounds numbers, e.g. --res '>=,0.7,<=,0.8'";
    plan.resOp1 = *op1;
    plan.resBound1 = *b1;
    plan.resOp2 = *op2;
    plan.resBound2 = *b2;
    return std::nullopt;
}

} // namespace

void AddCoverageOptions(CLI::App& command, CoverageOptions& options)
{
    DecimalNumbers(command.add_option("--voxel", options.voxelCm, "voxel size in centimetres"))
        ->type_name("CM")
        ->capture_default_str();
    command.add_option("--iso", options.iso, "iso condition, OP one of < <= == >= > != (default ==,camera count)")
        ->type_name("OP,T");
    command.add_option("--res", options.res, "resolution filter")->type_name("OP1,B1,OP2,B2")->capture_default_str();
    DecimalWholeNumbers(command.add_option("--resolution-camera", options.resolutionCamera,
                                           "camera (from 1) of the resolution map and the colour scale"))
        ->type_name("K")
        ->capture_default_str();
    command.add_option("--calibration", options.calibrationFile, "compute in test mode from this calibration file")
        ->type_name("FILE");
    options.command = &command;
}

std::optional<std::string> ApplyCoverageOptions(const CoverageOptions& options, Plan& plan, bool fromProject)
{
    const auto given = [&](const char* name) { return !fromProject || OptionGiven(options.command, name); };
    if (given("--voxel")) {
        if (options.voxelCm > kMaxVoxelCm) {
            char bound[32];
            std::snprintf(bound, sizeof bound, "%g cm", kMaxVoxelCm);
            return "--voxel: the voxel size must be at most " + std::string(bound);
        }
        plan.voxelCm = options.voxelCm;
    }
    // A rig other than the project's resets the iso condition as a new rig does.
    const bool newRig = OptionGiven(options.command, "--cameras") || OptionGiven(options.command, "--default-rig");
    if (given("--iso") || newRig) {
        if (auto error = ApplyIso(options.iso, plan))
            return error;
    }
    if (given("--res")) {
        if (auto error = ApplyRes(options.res, plan))
            return error;
    }
    const auto cameraCount = static_cast<long long>(plan.cameras.size());
    const long long resolutionCamera =
        given("--resolution-camera") ? options.resolutionCamera : static_cast<long long>(plan.resolutionCamera);
    if (resolutionCamera < 1 || resolutionCamera > cameraCount)
        return "--resolution-camera: there is no camera " + std::to_string(resolutionCamera) +
               "; the rig has cameras 1 to " + std::to_string(cameraCount);
    plan.resolutionCamera = static_cast<uint32_t>(resolutionCamera);
    return std::nullopt;
}

std::optional<std::string> ImportCalibrationOption(const CoverageOptions& options, CCameraSet& cameras)
{
    if (!options.calibrationFile.empty() && !cameras.ImportCalibration(options.calibrationFile))
        return "File Not Found or Invalid File\n" + cameras.GetFileError();
    return std::nullopt;
}
