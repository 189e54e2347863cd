#include "scene/ReaderGuard.h"

#include <csignal>

#include <unistd.h>

namespace
{

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

} // namespace

void GuardTheReader(const std::string& what, unsigned seconds)
{
    g_faultText = "could not read " + what + ": the reader stopped (a fault in the file's parser)\n";
    g_lateText = "could not read " + what + ": the reader ran for more than " + std::to_string(seconds) + " s\n";
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
    alarm(seconds);
}

void EndReaderGuard()
{
    alarm(0);
    for (const int signal : kGuardedSignals)
        std::signal(signal, SIG_DFL);
}
