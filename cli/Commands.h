#pragma once

#include <functional>
#include <memory>

namespace CLI
{
class App;
}
class CRigAsBuilt;

// Exit status of both binaries: 0 done, 1 refused input (a file, a value
// or a size the program cannot use), 2 a usage error (an unknown option, a
// value of the wrong form).
inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;
inline constexpr const char* kExitStatusHelp =
    "Exit status: 0 done, 1 refused input (a file, value or size the program cannot use), 2 usage error.";

// Parses and runs the command line with the exit status above; an interrupt
// leaves no temporary file behind, and no exception escapes: one that a
// command did not catch is shown on standard error with status 1.
int RunCommandLine(CLI::App& app, int argc, char** argv);
// A program's main body, which nothing escapes: what it throws before or
// after RunCommandLine ends the program with a message and exit status 1.
int RunGuarded(const std::function<int()>& body) noexcept;

// One registration function per subcommand; main() calls each once.
// `rig` reads and writes calibration files only with a handler of them.
void AddRigCommand(CLI::App& app, const std::shared_ptr<CRigAsBuilt>& asBuilt = nullptr);
void AddCoverageCommand(CLI::App& app);
void AddRenderCommand(CLI::App& app);
void AddReportCommand(CLI::App& app);
void AddPlaceCommand(CLI::App& app);
// `compare` reads calibration files: volume-planner-calibration has it, and
// volume-planner-cli hands it over.
void AddCompareCommand(CLI::App& app);
// A `rig` that reads or writes calibration files (an option starting
// --as-built or --export-calibration) runs volume-planner-calibration
// with the same arguments; returns for any other command line.
void ForwardAsBuiltRig(int argc, char** argv);
// `render` and `report` in the core tool: run the command's own binary.
void AddRenderForwarder(CLI::App& app);
void AddReportForwarder(CLI::App& app);
void AddCompareForwarder(CLI::App& app);
