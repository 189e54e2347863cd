// volume-planner-render: the render command of the command-line tool, which
// `volume-planner-cli render` runs. It is the only command that needs OpenGL.
#include "cli/Commands.h"

#include <CLI/CLI.hpp>

#include <string>

int main(int argc, char** argv)
{
    return RunGuarded([&] {
        CLI::App app{"Volume Planner: draw the computed view into a PNG file, without the window"};
        app.set_version_flag("--version", std::string("Volume Planner ") + VP_VERSION);
        app.require_subcommand(1);
        AddRenderCommand(app);
        return RunCommandLine(app, argc, argv);
    });
}
