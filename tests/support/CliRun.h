#pragma once

// Runs one of the program's command-line tools as a separate process, as a
// user would, and reads what it printed.
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

struct CliRun {
    int status = -1; // exit status; -1 when the tool did not exit normally
    std::string out;
    std::string err;
    double seconds = 0.0; // wall time of the run
};

inline std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// `tool arguments`, with the arguments as a shell would read them; the
// printed text passes through files in `scratch`.
inline CliRun RunCli(const std::string& tool, const std::string& arguments, const std::filesystem::path& scratch)
{
    const std::filesystem::path out = scratch / "stdout", err = scratch / "stderr";
    const std::string command = "'" + tool + "' " + arguments + " >'" + out.string() + "' 2>'" + err.string() + "'";
    const auto start = std::chrono::steady_clock::now();
    const int raw = std::system(command.c_str());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    CliRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadText(out), ReadText(err), seconds};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return run;
}
