#include "cli/Commands.h"
#include "cli/OptionValues.h"

#include "scene/AtomicFile.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>

namespace
{

int StoppedOnUnexpectedError(const char* what)
{
    std::cerr << "The command stopped on an unexpected error: " << what << '\n';
    return kExitRefused;
}

} // namespace

int RunCommandLine(CLI::App& app, int argc, char** argv)
{
    AtomicFile::RemoveTemporariesOnSignal();
    app.footer(kExitStatusHelp);
    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
        command->footer(kExitStatusHelp);
    RefuseEmptyValues(app);
    const CWholeNumberCheck wholeNumbers(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::RuntimeError& e) {
        // Thrown by a command after it printed its own message.
        return e.get_exit_code() == 0 ? kExitDone : kExitRefused;
    } catch (const CLI::ConversionError& e) {
        if (const auto refusal = wholeNumbers.Refusal(e)) {
            std::cerr << *refusal << '\n';
            return kExitRefused;
        }
        app.exit(e);
        return kExitUsage;
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    } catch (const COptionRefusal& e) {
        std::cerr << e.what() << '\n';
        return kExitRefused;
    } catch (const std::exception& e) {
        // Whatever a command did not foresee ends it here, with the files it
        // was writing removed as the stack unwound, rather than in an abort.
        return StoppedOnUnexpectedError(e.what());
    }
    return kExitDone;
}

int RunGuarded(const std::function<int()>& body) noexcept
{
    try {
        return body();
    } catch (const std::exception& e) {
        return StoppedOnUnexpectedError(e.what());
    } catch (...) {
        return StoppedOnUnexpectedError("not a standard exception");
    }
}
