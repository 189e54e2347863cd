// The command line's boundary: whatever a command throws ends the run with
// status 1 and a message, never in an abort.
#include "cli/Commands.h"

#include <CLI/CLI.hpp>
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

int RunWords(CLI::App& app, std::vector<std::string> words)
{
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    return RunCommandLine(app, static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLineBoundaryTest, AnExceptionFromACommandEndsItWithStatus1AndAMessage)
{
    CLI::App app;
    app.add_subcommand("logic")->callback([] { throw std::logic_error("a reader's assumption failed"); });
    app.add_subcommand("memory")->callback([] { throw std::bad_alloc(); });

    testing::internal::CaptureStderr();
    EXPECT_EQ(RunWords(app, {"tool", "logic"}), kExitRefused);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "The command stopped on an unexpected error: a reader's assumption failed\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunWords(app, {"tool", "memory"}), kExitRefused);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "The command stopped on an unexpected error: std::bad_alloc\n");
}

} // namespace
