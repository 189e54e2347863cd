// The command-line tool's refusals and warnings as a user meets them: how
// fast, how much memory, what is left on disk, which exit status.
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace
{

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
    long peakKib = 0;
    double seconds = 0.0;
};

class CliSafetyTest : public ::testing::Test
{
  protected:
    static std::string Read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Starts the tool through the shell, which then becomes the tool.
    pid_t Start(const std::string& arguments)
    {
        const std::string command = std::string("exec '") + VP_CLI_PATH + "' " + arguments + " >'" +
                                    (m_dir.Path() / "out").string() + "' 2>'" + (m_dir.Path() / "err").string() + "'";
        const pid_t pid = fork();
        if (pid == 0) {
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        return pid;
    }

    ToolRun Finish(pid_t pid, std::chrono::steady_clock::time_point start)
    {
        ToolRun run;
        int raw = 0;
        rusage usage{};
        wait4(pid, &raw, 0, &usage);
        run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        run.peakKib = usage.ru_maxrss;
        run.out = Read(m_dir.Path() / "out");
        run.err = Read(m_dir.Path() / "err");
        fs::remove(m_dir.Path() / "out");
        fs::remove(m_dir.Path() / "err");
        return run;
    }

    ToolRun Cli(const std::string& arguments)
    {
        const auto start = std::chrono::steady_clock::now();
        return Finish(Start(arguments), start);
    }

    TempDir m_dir;
};

TEST_F(CliSafetyTest, AnEmptyMapIsAWarningInTheReportAndOnStandardError)
{
    const ToolRun run = Cli("coverage --disable 2");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string warning = "Map empty: no voxel is seen by 4 cameras (3 enabled in the range)";
    EXPECT_EQ(run.err, "warning: " + warning + "\n");
    const auto report = nlohmann::ordered_json::parse(run.out);
    EXPECT_EQ(report["warnings"], nlohmann::ordered_json::array({warning}));
    EXPECT_EQ(std::prev(report.end()).key(), "warnings");

    const ToolRun clean = Cli("coverage");
    EXPECT_EQ(clean.err, "");
    EXPECT_EQ(nlohmann::json::parse(clean.out)["warnings"], nlohmann::json::array());
}

TEST_F(CliSafetyTest, AGridBeyondTheFreeMemoryIsRefusedAtOnceWithWhatWouldFit)
{
    // 1935 x 645 x 1612 voxels at 12 bytes each: beyond what this machine frees.
    const ToolRun run = Cli("coverage --room 12,10,4 --voxel 0.62");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Not Enough Memory Pool\nThe grid needs 24.1 GB, "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(" GB are free: try a voxel size of "), std::string::npos) << run.err;
    EXPECT_LT(run.seconds, 1.0);
    EXPECT_LT(run.peakKib, 100 * 1024);
}

TEST_F(CliSafetyTest, InputThatNeverEndsOrIsNotAFileFailsAtOnceAndSaysWhy)
{
    const ToolRun zero = Cli("coverage --calibration /dev/zero");
    EXPECT_EQ(zero.status, 1);
    EXPECT_EQ(zero.err, "File Not Found or Invalid File\n/dev/zero is not a regular file\n");
    EXPECT_LT(zero.seconds, 1.0);

    std::ofstream(m_dir.Path() / "rig.txt") << "2\r\n\r\n1\t2\t3\t8.5\t12\t6.5\t4.8\t0\t45\t45\r\n";
    const ToolRun shortRig = Cli("rig --cameras '" + (m_dir.Path() / "rig.txt").string() + "'");
    EXPECT_EQ(shortRig.status, 1);
    EXPECT_NE(shortRig.err.find("File Not Found or Invalid File\nthe file ends after 1 of the 2 cameras it announces"),
              std::string::npos)
        << shortRig.err;
}

TEST_F(CliSafetyTest, ExitStatusTellsRefusedInputFromUsage)
{
    struct Case {
        std::string arguments;
        int status;
    };
    const Case cases[] = {
        {"rig", 0},
        {"coverage --help", 0},
        {"coverage --voxel 0", 1},
        {"rig --default-rig 0", 1},
        {"coverage --no-such-option", 2},
        {"coverage --voxel abc", 2},
        {"rig --units ft", 2},
        {"", 2},
    };
    for (const Case& c : cases) {
        const ToolRun run = Cli(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << ": " << run.err;
    }
    EXPECT_NE(Cli("coverage --help").out.find("Exit status: 0 done, 1 refused input"), std::string::npos);
}

TEST_F(CliSafetyTest, AnInterruptedWriteLeavesNoFileBesideTheTarget)
{
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        // Some 300 MB of CSV: the write takes seconds.
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid =
            Start("coverage --room 10,10,4 --voxel 5 --voxels '" + (m_dir.Path() / "v.csv").string() + "'");
        bool writing = false;
        while (!writing && std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
            for (const auto& entry : fs::directory_iterator(m_dir.Path()))
                writing = writing || entry.path().filename().string().rfind("v.csv.tmp-", 0) == 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ASSERT_TRUE(writing);
        kill(pid, signal);
        const ToolRun run = Finish(pid, start);
        EXPECT_EQ(run.status, 128 + signal);
        EXPECT_FALSE(fs::exists(m_dir.Path() / "v.csv"));
        EXPECT_TRUE(fs::is_empty(m_dir.Path()));
    }
}

} // namespace
