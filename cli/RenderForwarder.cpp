// The render command draws with OpenGL; it is built as a binary of its own
// beside this one, so that the rig and coverage commands load no GL library
// and run on machines without one. `render` here hands its arguments over.
#include "cli/Commands.h"

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char* kRenderBinary = "volume-planner-render";

std::string RenderBinaryPath()
{
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return kRenderBinary;
    std::string path(self, static_cast<size_t>(length));
    return path.substr(0, path.rfind('/') + 1) + kRenderBinary;
}

[[noreturn]] void ForwardToRenderBinary(const std::vector<std::string>& arguments)
{
    const std::string binary = RenderBinaryPath();
    // Usage and messages then name the command the user typed.
    std::vector<std::string> words{"volume-planner-cli", "render"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(binary.c_str(), argv.data());
    std::cerr << "The render command is not available: cannot run " << binary << " (" << std::strerror(errno)
              << "). It is built together with the window.\n";
    std::exit(1);
}

} // namespace

void AddRenderForwarder(CLI::App& app)
{
    CLI::App* command =
        app.add_subcommand("render", "Draw the view of the computed coverage, as the window shows it, into a PNG "
                                     "file (see `render --help`)");
    // Everything after `render`, --help included, belongs to the render binary.
    command->prefix_command();
    command->set_help_flag();
    command->allow_extras();
    command->callback([command]() { ForwardToRenderBinary(command->remaining()); });
}
