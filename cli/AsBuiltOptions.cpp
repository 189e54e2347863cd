#include "cli/AsBuiltOptions.h"

#include "cli/RigOptions.h"

#include "cameras/asbuilt/AsBuiltReader.h"
#include "cameras/asbuilt/CalibrationExport.h"
#include "project/ProjectFile.h"
#include "scene/SceneSettings.h"

#include <CLI/CLI.hpp>

void AddAsBuiltOptions(CLI::App& command, AsBuiltOptions& options)
{
    CLI::Option* asBuilt =
        command
            .add_option("--as-built", options.path,
                        "build the rig from calibration files: a FILE, or a FOLDER with intri.yml + extri.yml or "
                        "cameras.txt + images.txt")
            ->type_name("FILE|FOLDER");
    for (const char* other : {"--cameras", "--default-rig", "--project"})
        if (CLI::Option* option = command.get_option_no_throw(other))
            asBuilt->excludes(option);
    command.add_option("--as-built-format", options.format, "format of --as-built (default: found from the content)")
        ->check(CLI::IsMember({"anipose", "caliscope", "opencv", "colmap"}))
        ->type_name("anipose|caliscope|opencv|colmap")
        ->needs(asBuilt);
    command.add_option("--as-built-units", options.units, "unit of the translations in --as-built: m or mm")
        ->check(CLI::IsMember({"m", "mm"}))
        ->capture_default_str()
        ->needs(asBuilt);
    command
        .add_option("--as-built-up", options.up,
                    "the world axis that is up in --as-built (default: the cameras' mean image up)")
        ->check(CLI::IsMember({"+x", "-x", "+y", "-y", "+z", "-z"}))
        ->type_name("AXIS")
        ->needs(asBuilt);
    command
        .add_option("--export-calibration", options.exportPath,
                    "write the rig as calibration files: .toml (Anipose family) or .yml (extri.yml and its intri.yml)")
        ->type_name("FILE");
}

AsBuiltSetup PrepareAsBuilt(const AsBuiltOptions& options, RigOptions& rig)
{
    if (options.path.empty())
        return {};
    const double metresPerUnit = options.units == "mm" ? 0.001 : 1.0;
    AsBuiltReadResult read = ReadAsBuilt(options.path, AsBuiltFormatNamed(options.format), metresPerUnit);
    if (!read.rig)
        return {std::nullopt, "Calibration not loaded: " + read.error};
    AsBuiltPlacementOptions placement;
    if (!options.up.empty()) {
        std::array<double, 3> up{};
        up[static_cast<size_t>(options.up[1] - 'x')] = options.up[0] == '-' ? -1.0 : 1.0;
        placement.up = up;
    }
    const bool roomGiven = OptionGiven(rig.command, "--room");
    if (roomGiven && rig.room.size() == 3) {
        const bool feet = rig.units == "f" || rig.units == "F";
        const double scale = feet ? kMetresPerFoot : 1.0;
        placement.room = {rig.room[0] * scale, rig.room[1] * scale, rig.room[2] * scale};
    }
    AsBuiltPlanResult plan = PlanAsBuilt(*read.rig, placement);
    if (!plan.plan)
        return {std::nullopt, "Calibration not placed: " + CalibrationFileName(options.path) + ": " + plan.error};
    if (!roomGiven) {
        rig.units = "m";
        rig.room = {static_cast<float>(plan.plan->room[0]), static_cast<float>(plan.plan->room[1]),
                    static_cast<float>(plan.plan->room[2])};
    }
    rig.defaultRig = static_cast<long long>(plan.plan->cameras.size());
    return {std::move(plan.plan), {}};
}

std::optional<std::string> ExportCalibrationOption(const AsBuiltOptions& options, const CCameraSet& cameras,
                                                   uint32_t count)
{
    if (options.exportPath.empty())
        return std::nullopt;
    if (const SaveResult saved = ExportCalibration(options.exportPath, cameras, count); !saved)
        return "Unable to Create File: " + saved.reason;
    return std::nullopt;
}
