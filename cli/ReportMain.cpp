// volume-planner-report: the report command of the command-line tool, which
// `volume-planner-cli report` runs. It lays out pages with Qt Gui and draws
// with OpenGL, and needs no display.
#include "cli/Commands.h"

#include <CLI/CLI.hpp>
#include <QGuiApplication>

#include <string>

int main(int argc, char** argv)
{
    return RunGuarded([&] {
        // Fonts and painting need the application object, not a screen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // Qt would take options such as -platform out of the arguments it is given.
        int qtArgc = 1;
        QGuiApplication application(qtArgc, argv);

        CLI::App app{"Volume Planner: a printable coverage report of a plan, without the window"};
        app.set_version_flag("--version", std::string("Volume Planner ") + VP_VERSION);
        app.require_subcommand(1);
        AddReportCommand(app);
        return RunCommandLine(app, argc, argv);
    });
}
