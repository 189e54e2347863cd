// volume-planner-calibration: `rig` with calibration files, which
// `volume-planner-cli rig --as-built` and `--export-calibration` run. It
// alone links the calibration readers and OpenCV's library.
#include "cli/AsBuiltOptions.h"
#include "cli/Commands.h"

#include <CLI/CLI.hpp>

#include <string>

int main(int argc, char** argv)
{
    CLI::App app{"Volume Planner: a rig read from or written as calibration files, without the window"};
    app.set_version_flag("--version", std::string("Volume Planner ") + VP_VERSION);
    app.require_subcommand(1);
    AddRigCommand(app, MakeRigAsBuilt());
    return RunCommandLine(app, argc, argv);
}
