// The render and report commands draw with OpenGL and Qt; each is built as a
// binary of its own beside this one, so that the rig and coverage commands
// load no graphics library and run on machines without one. `render` and
// `report` here hand their arguments over, and so does a `rig` with
// calibration files, whose parsers run in a process of their own.
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

namespace
{

std::string PartnerPath(const std::string& binary)
{
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return binary;
    std::string path(self, static_cast<size_t>(length));
    return path.substr(0, path.rfind('/') + 1) + binary;
}

[[noreturn]] void ForwardToPartner(const std::string& binary, const std::string& command,
                                   const std::vector<std::string>& arguments)
{
    const std::string path = PartnerPath(binary);
    // Usage and messages then name the command the user typed.
    std::vector<std::string> words{"volume-planner-cli", command};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    std::cerr << "The " << command << " command is not available: cannot run " << path << " (" << std::strerror(errno)
              << ")." << (binary == "volume-planner-calibration" ? "" : " It is built together with the window.")
              << '\n';
    std::exit(1);
}

void AddForwarder(CLI::App& app, const std::string& name, const std::string& description, const std::string& binary)
{
    CLI::App* command = app.add_subcommand(name, description);
    // Everything after the command's name, --help included, belongs to the partner.
    command->prefix_command();
    command->set_help_flag();
    command->allow_extras();
    command->callback([command, name, binary]() { ForwardToPartner(binary, name, command->remaining()); });
}

} // namespace

void ForwardAsBuiltRig(int argc, char** argv)
{
    if (argc < 2 || std::string(argv[1]) != "rig")
        return;
    std::vector<std::string> arguments;
    bool asBuilt = false;
    for (int k = 2; k < argc; ++k) {
        const std::string word = argv[k];
        asBuilt = asBuilt || word.rfind("--as-built", 0) == 0 || word.rfind("--export-calibration", 0) == 0;
        arguments.push_back(word);
    }
    if (asBuilt)
        ForwardToPartner("volume-planner-calibration", "rig", arguments);
}

void AddRenderForwarder(CLI::App& app)
{
    AddForwarder(
        app, "render",
        "Draw the view of the computed coverage, as the window shows it, into a PNG file (see `render --help`)",
        "volume-planner-render");
}

void AddReportForwarder(CLI::App& app)
{
    AddForwarder(app, "report", "Write a printable coverage report of the plan, PDF or HTML (see `report --help`)",
                 "volume-planner-report");
}

void AddCompareForwarder(CLI::App& app)
{
    AddForwarder(app, "compare",
                 "Compare the rig as built, from its calibration files, with the plan (see `compare --help`)",
                 "volume-planner-calibration");
}
