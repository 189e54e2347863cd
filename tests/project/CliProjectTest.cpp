// `--project` on the command line: a plan saved by `rig --save-project`
// computes exactly what its options computed, rig options given as well
// override it, and a project that cannot be used is refused.
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <string>

namespace
{

namespace fs = std::filesystem;

constexpr const char* kPlan = "--room 30,20,12 --units f --default-rig 6 --disable 2 --range 2,4 "
                              "--voxel 25 --iso '>=,2' --res '>,0.705,<,0.75' --resolution-camera 3 --marker-mm 9";

class CliProjectTest : public ::testing::Test
{
  protected:
    CliRun Cli(const std::string& arguments) { return RunCli(VP_CLI_PATH, arguments, m_dir.Path()); }
    std::string Path(const std::string& name) const { return (m_dir.Path() / name).string(); }

    TempDir m_dir;
};

TEST_F(CliProjectTest, ProjectComputesWhatItsOptionsComputed)
{
    ASSERT_EQ(Cli(std::string("rig ") + kPlan + " --save-project " + Path("plan.vplan")).status, 0);
    const CliRun direct = Cli(std::string("coverage --planning ") + kPlan);
    ASSERT_EQ(direct.status, 0) << direct.err;
    const CliRun fromProject = Cli("coverage --planning --project " + Path("plan.vplan"));
    ASSERT_EQ(fromProject.status, 0) << fromProject.err;
    EXPECT_EQ(fromProject.out, direct.out);

    // Loaded and saved again, the file is the same byte for byte.
    ASSERT_EQ(Cli("rig --project " + Path("plan.vplan") + " --save-project " + Path("again.vplan")).status, 0);
    EXPECT_EQ(ReadText(Path("again.vplan")), ReadText(Path("plan.vplan")));
}

TEST_F(CliProjectTest, RigOptionsGivenAsWellOverrideTheProject)
{
    ASSERT_EQ(Cli(std::string("rig ") + kPlan + " --save-project " + Path("plan.vplan")).status, 0);
    // Another room: the cameras keep their places from the room corner.
    CliRun run = Cli("coverage --project " + Path("plan.vplan") + " --room 12,8,4 --voxel 50");
    ASSERT_EQ(run.status, 0) << run.err;
    auto report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["room"]["length"], 12.0);
    EXPECT_EQ(report["grid"]["voxel_cm"], 50.0);
    EXPECT_EQ(report["range"]["first"], 2);
    EXPECT_EQ(report["resolution_camera"], 3);
    EXPECT_EQ(report["cameras"][1]["enabled"], false);
    EXPECT_NEAR(report["cameras"][0]["position"][1].get<double>(), 12 * 0.3048, 1e-6);
    // Another rig: its cameras, the whole range, the iso condition of a new rig.
    run = Cli("coverage --project " + Path("plan.vplan") + " --default-rig 3 --resolution-camera 1");
    ASSERT_EQ(run.status, 0) << run.err;
    report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["cameras"].size(), 3u);
    EXPECT_EQ(report["range"]["first"], 1);
    EXPECT_EQ(report["filters"]["iso"]["op"], "==");
    EXPECT_EQ(report["filters"]["res"]["op1"], ">");
}

TEST_F(CliProjectTest, UnusableProjectIsRefusedWithItsReason)
{
    ASSERT_EQ(Cli(std::string("rig ") + kPlan + " --save-project " + Path("plan.vplan")).status, 0);
    auto document = nlohmann::json::parse(ReadText(Path("plan.vplan")));
    document["cameras"][3]["focal_length_mm"] = -2.0;
    {
        std::ofstream out(Path("bad.vplan"));
        out << document.dump();
    }
    const CliRun run = Cli("coverage --project " + Path("bad.vplan"));
    EXPECT_NE(run.status, 0);
    EXPECT_TRUE(run.out.empty());
    EXPECT_EQ(run.err,
              "Project not loaded: " + Path("bad.vplan") + ": cameras[3].focal_length_mm: must be a number above 0\n");
    // A failed save leaves the earlier project whole.
    const std::string before = ReadText(Path("plan.vplan"));
    EXPECT_NE(Cli("rig --project " + Path("bad.vplan") + " --save-project " + Path("plan.vplan")).status, 0);
    EXPECT_EQ(ReadText(Path("plan.vplan")), before);
}

} // namespace
