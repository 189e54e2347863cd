#include "cli/Commands.h"

#include <CLI/CLI.hpp>

#include <string>

int main(int argc, char** argv)
{
    return RunGuarded([&] {
        ForwardAsBuiltRig(argc, argv);
        // Named as installed, not by the path it was started through: the help
        // then reads the same everywhere, as the partners' does (docs/cli.md).
        CLI::App app{"Volume Planner: camera rigs and their coverage of a room, without the window",
                     "volume-planner-cli"};
        app.set_version_flag("--version", std::string("Volume Planner ") + VP_VERSION);
        app.require_subcommand(1);
        AddRigCommand(app);
        AddCoverageCommand(app);
        AddPlaceCommand(app);
        AddRenderForwarder(app);
        AddReportForwarder(app);
        AddCompareForwarder(app);
        return RunCommandLine(app, argc, argv);
    });
}
