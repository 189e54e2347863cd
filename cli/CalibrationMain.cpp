// volume-planner-calibration: `rig` with calibration files, which
// `volume-planner-cli rig --as-built` and `--export-calibration` run. It
// alone links the calibration readers and their TOML, YAML and XML parsers.
#include "cli/AsBuiltOptions.h"
#include "cli/Commands.h"
#include "cli/ReaderGuard.h"
#include "scene/PrintableText.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <string>

#include <unistd.h>

namespace
{

// The parsers are libraries of others, run on files anyone may hand in: the
// readers bound what reaches them, and this process guards what is left. It
// reads one rig and writes nothing until it is whole, so a fault or a run
// past the time limit ends it with a refusal instead of a crash or a hang.
constexpr unsigned kReadSeconds = 10;
char g_altStack[64 * 1024];
// Made before the guard is set: a signal handler may only write them out.
std::string g_faultText, g_lateText;

constexpr int kGuardedSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGALRM};

extern "C" void OnReaderFault(int signal)
{
    const std::string& text = signal == SIGALRM ? g_lateText : g_faultText;
    (void)!write(STDERR_FILENO, text.data(), text.size());
    _exit(1);
}

// `what` names the file of --as-built when there is one.
void GuardTheReader(const std::string& what)
{
    g_faultText = "could not read " + what + ": the reader stopped (a fault in the file's parser)\n";
    g_lateText = "could not read " + what + ": the reader ran for more than " + std::to_string(kReadSeconds) + " s\n";
    stack_t stack{};
    stack.ss_sp = g_altStack;
    stack.ss_size = sizeof g_altStack;
    sigaltstack(&stack, nullptr);
    struct sigaction action {
    };
    action.sa_handler = OnReaderFault;
    action.sa_flags = SA_ONSTACK;
    for (const int signal : kGuardedSignals)
        sigaction(signal, &action, nullptr);
    alarm(kReadSeconds);
}

std::string CalibrationNamed(int argc, char** argv)
{
    const std::string option = "--as-built";
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == option && i + 1 < argc)
            return "the calibration " + PrintableText(argv[i + 1]);
        if (word.rfind(option + "=", 0) == 0)
            return "the calibration " + PrintableText(word.substr(option.size() + 1));
    }
    return "the calibration";
}

} // namespace

void EndReaderGuard()
{
    alarm(0);
    for (const int signal : kGuardedSignals)
        std::signal(signal, SIG_DFL);
}

int main(int argc, char** argv)
{
    return RunGuarded([&] {
        GuardTheReader(CalibrationNamed(argc, argv));
        CLI::App app{"Volume Planner: a rig read from or written as calibration files, without the window"};
        app.set_version_flag("--version", std::string("Volume Planner ") + VP_VERSION);
        app.require_subcommand(1);
        AddRigCommand(app, MakeRigAsBuilt());
        AddCompareCommand(app);
        return RunCommandLine(app, argc, argv);
    });
}
