#include "cli/Commands.h"

#include "scene/AtomicFile.h"

#include <CLI/CLI.hpp>

int RunCommandLine(CLI::App& app, int argc, char** argv)
{
    AtomicFile::RemoveTemporariesOnSignal();
    app.footer(kExitStatusHelp);
    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
        command->footer(kExitStatusHelp);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::RuntimeError& e) {
        // Thrown by a command after it printed its own message.
        return e.get_exit_code() == 0 ? kExitDone : kExitRefused;
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }
    return kExitDone;
}
