#include "cli/Commands.h"

#include <CLI/CLI.hpp>

int main(int argc, char** argv)
{
    CLI::App app{"Volume Planner: camera rigs and their coverage of a room, without the window"};
    app.require_subcommand(1);
    AddRigCommand(app);
    AddCoverageCommand(app);
    AddRenderForwarder(app);
    return RunCommandLine(app, argc, argv);
}
