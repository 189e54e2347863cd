#include "cli/AsBuiltOptions.h"

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
    AddAsBuiltReaderOptions(command, options, asBuilt);
    command
        .add_option("--export-calibration", options.exportPath,
                    "write the rig as calibration files: .toml (Anipose family) or .yml (extri.yml and its intri.yml)")
        ->type_name("FILE");
}

void AddAsBuiltReaderOptions(CLI::App& command, AsBuiltOptions& options, CLI::Option* asBuilt)
{
    command.add_option("--as-built-format", options.format, "format of --as-built (default: found from the content)")
        ->check(CLI::IsMember({"anipose", "caliscope", "opencv", "colmap"}))
        ->type_name("anipose|caliscope|opencv|colmap")
        ->needs(asBuilt);
    command.add_option("--as-built-units", options.units, "unit of the translations in --as-built: m or mm")
        ->check(CLI::IsMember({"m", "mm"}))
        ->capture_default_str()
        ->needs(asBuilt);
    command
        .add_option(
            "--as-built-up", options.up,
            "the world axis that is up in --as-built (default: the file's own, else the cameras' mean image up)")
        ->check(CLI::IsMember({"+x", "-x", "+y", "-y", "+z", "-z"}))
        ->type_name("AXIS")
        ->needs(asBuilt);
}
