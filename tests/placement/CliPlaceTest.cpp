// `volume-planner-cli place` run as a user runs it: the same seed gives the
// same project byte for byte whatever the threads, a plan's cameras stay as
// they were, the project's mounts are used, and refusals name the option.
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
using nlohmann::json;

// A small problem that runs in a second or two.
constexpr const char* kSmall = "--room 6,5,3 --sample-step 0.5 --restarts 2";

class CliPlaceTest : public ::testing::Test
{
  protected:
    CliRun Cli(const std::string& arguments) { return RunCli(VP_CLI_PATH, arguments, m_dir.Path()); }
    std::string Path(const std::string& name) const { return (m_dir.Path() / name).string(); }
    json Read(const std::string& name) const { return json::parse(ReadText(m_dir.Path() / name)); }

    TempDir m_dir;
};

TEST_F(CliPlaceTest, TheSameSeedGivesTheSameProjectByteForByteWithAnyThreads)
{
    const std::string place = std::string("place ") + kSmall + " --count 4 --seed 7 --save-project ";
    const CliRun one = Cli(place + Path("one.vplan") + " --threads 1");
    ASSERT_EQ(one.status, 0) << one.err;
    const CliRun two = Cli(place + Path("two.vplan") + " --threads 2");
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(ReadText(m_dir.Path() / "one.vplan"), ReadText(m_dir.Path() / "two.vplan"));
    EXPECT_NE(one.err.find("place:"), std::string::npos);

    const json report = json::parse(one.out);
    ASSERT_EQ(report["placed"].size(), 4u);
    EXPECT_EQ(report["fixed_cameras"], 0);
    EXPECT_GT(report["after"]["objective"].get<double>(), report["before"]["objective"].get<double>());
    EXPECT_GT(report["evaluations"].get<long long>(), 0);
    // The project holds just the placed cameras, where the report says, and the mounts and target used.
    const json plan = Read("one.vplan");
    ASSERT_EQ(plan["cameras"].size(), 4u);
    EXPECT_EQ(plan["active_range"]["count"], 4);
    for (size_t c = 0; c < 4; ++c) {
        EXPECT_EQ(plan["cameras"][c]["position_m"], report["placed"][c]["position"]);
        EXPECT_EQ(plan["cameras"][c]["h_tilt_deg"], report["placed"][c]["pan_deg"]);
        EXPECT_EQ(plan["cameras"][c]["v_tilt_deg"], report["placed"][c]["tilt_deg"]);
    }
    EXPECT_EQ(plan["placement"]["target"][0]["min"], json::parse("[0.5, 0.0, 0.5]"));
    EXPECT_EQ(plan["placement"]["mounts"]["walls"].size(), 4u);

    // Scored again as a plan, the rig has the figures the placement gave it.
    const CliRun again = Cli("place --project " + Path("one.vplan") + " --count 0 --sample-step 0.5");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(json::parse(again.out)["before"], report["after"]);
}

TEST_F(CliPlaceTest, APlansCamerasStayAndItsMountsAreUsed)
{
    ASSERT_EQ(Cli("rig --room 6,5,3 --default-rig 3 --disable 2 --save-project " + Path("plan.vplan")).status, 0);
    json plan = Read("plan.vplan");
    plan["placement"] = json::parse(R"({"mounts": {"walls": [], "ceiling": false,
        "segments": [{"name": "truss", "a": [1, 2.8, 2.5], "b": [5, 2.8, 2.5]}]}})");
    std::ofstream(m_dir.Path() / "truss.vplan") << plan.dump(2);
    const CliRun run = Cli("place --project " + Path("truss.vplan") +
                           " --sample-step 0.5 --restarts 2 --count 2 --save-project " + Path("placed.vplan"));
    ASSERT_EQ(run.status, 0) << run.err;
    const json report = json::parse(run.out);
    EXPECT_EQ(report["fixed_cameras"], 2);
    for (const json& camera : report["placed"])
        EXPECT_EQ(camera["mount"], "segment 1 (truss)");
    const json placed = Read("placed.vplan");
    ASSERT_EQ(placed["cameras"].size(), 5u);
    for (size_t c = 0; c < 3; ++c)
        EXPECT_EQ(placed["cameras"][c], plan["cameras"][c]) << "camera " << c + 1;
    EXPECT_EQ(placed["cameras"][3]["label"], "Camera 4");
    EXPECT_EQ(placed["active_range"]["count"], 5);
    EXPECT_EQ(placed["placement"]["mounts"]["segments"], plan["placement"]["mounts"]["segments"]);
    EXPECT_EQ(placed["placement"]["mounts"]["ceiling"], false);

    // --mount replaces the project's walls and ceiling, not its segments.
    const CliRun walls = Cli("place --project " + Path("truss.vplan") +
                             " --sample-step 0.5 --restarts 2 --count 2 "
                             "--mount z0 --mount-height 2,2.5");
    ASSERT_EQ(walls.status, 0) << walls.err;
    const json wallReport = json::parse(walls.out);
    EXPECT_EQ(wallReport["mounts"]["walls"], json::parse(R"(["z0"])"));
    EXPECT_EQ(wallReport["mounts"]["segments"].size(), 1u);
    for (const json& camera : wallReport["placed"]) {
        const std::string mount = camera["mount"];
        EXPECT_TRUE(mount == "wall z0" || mount == "segment 1 (truss)") << mount;
        if (mount == "wall z0") {
            EXPECT_EQ(camera["position"][2], 0.0);
            EXPECT_GE(camera["position"][1].get<double>(), 2.0);
            EXPECT_LE(camera["position"][1].get<double>(), 2.5);
        }
    }
}

TEST_F(CliPlaceTest, RefusalsNameTheOptionAndWriteNothing)
{
    const std::pair<const char*, const char*> cases[] = {
        {"--count -1", "--count -1: must be 0 to 1000"},
        {"--count 0", "--count 0: no camera of the plan stays"},
        {"--count 2 --lens 0", "--lens 0: each focal length must be above 0"},
        {"--count 2 --lens 8.5,x", "--lens 8.5,x: needs focal lengths"},
        {"--count 2 --frame 6.5", "--frame 6.5: needs the film frame W,H"},
        {"--count 2 --mount roof", "--mount roof: \"roof\" is not a mount"},
        {"--count 2 --mount-height 2.5,2", "--mount-height 2.5,2: wall height band 2.5 to 2"},
        {"--count 2 --mount-height 2,9", "--mount-height 2,9: wall height band 2 to 9: must lie within the walls"},
        {"--count 2 --target 1,0,1,2,1", "--target 1,0,1,2,1: needs six numbers"},
        {"--count 2 --target 1,0,1,7,1,2", "--target 1,0,1,7,1,2: must lie in the room"},
        {"--count 2 --target 2,0,1,1,1,2", "--target 2,0,1,1,1,2: each value of min must be below the max's"},
        {"--count 2 --min-cameras 0", "--min-cameras 0: K must be 1 to 1000"},
        {"--count 2 --min-cameras 3", "--min-cameras 3: the rig would have only 2 cameras"},
        {"--count 2 --time-limit 0", "--time-limit: must be a number of seconds above 0"},
        {"--count 2 --sample-step 0", "--sample-step: must be 0.01 to 100 metres"},
        {"--count 2 --restarts 0", "--restarts 0: must be 1 to 10000"},
        {"--count 2 --camera-type 5", "--camera-type: K must be 0 to 2"},
        {"--count 2 --marker-mm -1", "planning settings: marker diameter"},
        {"--count 2 --mount ceiling --obstacle-box 0,2.9,0,6,3,5", "place: mounts: every place on them lies in"},
        {"--count 2 --marker-mm 0.5", "place: no candidate camera sees a marker"},
        {"--count 2 --lens-kit 6,0", "--lens-kit 6,0: each focal length must be above 0"},
        // The whole room at 1 cm: refused before anything is allocated, naming what to change.
        {"--count 2 --target 0,0,0,6,3,5 --sample-step 0.01", "GB for the target points"},
        {"--count 2 --target 0,0,0,6,3,5 --sample-step 0.01", "use a coarser --sample-step"},
    };
    for (const auto& [options, message] : cases) {
        const std::string step =
            std::string(options).find("--sample-step") == std::string::npos ? "--sample-step 0.5 " : "";
        const CliRun run = Cli("place --room 6,5,3 " + step + options + " --save-project " + Path("refused.vplan"));
        EXPECT_EQ(run.status, 1) << options << ": " << run.err;
        EXPECT_NE(run.err.find(message), std::string::npos) << options << " gave: " << run.err;
        EXPECT_TRUE(run.out.empty()) << options;
        EXPECT_FALSE(fs::exists(m_dir.Path() / "refused.vplan")) << options;
    }
    // Without --count the command line is not one `place` can run.
    EXPECT_EQ(Cli("place --room 6,5,3").status, 2);

    std::string boxes;
    for (int b = 0; b <= 256; ++b)
        boxes += " --target 1,0,1,2,1,2";
    const CliRun many = Cli("place --room 6,5,3 --count 2" + boxes);
    EXPECT_EQ(many.status, 1);
    EXPECT_NE(many.err.find("--target: at most 256 boxes (257 given)"), std::string::npos) << many.err;
}

TEST_F(CliPlaceTest, ProjectTargetsBeyondTheBoundsAreRefusedNamingTheKey)
{
    ASSERT_EQ(Cli("rig --room 6,5,3 --default-rig 2 --save-project " + Path("plan.vplan")).status, 0);
    json plan = Read("plan.vplan");
    const std::pair<const char*, const char*> cases[] = {
        {R"({"target": []})", "placement.target: the list is empty; leave the key out for the default target"},
        {R"({"target": [{"min": [1, 0, 1], "max": [2, 1, 2], "weight": 1e307}]})",
         "placement.target[0]: weight: must be a number above 0 and at most 1e+06"},
        {R"({"mounts": {"keep_outs": [)", "placement.mounts.keep_outs: at most 1024 entries (1025 given)"},
    };
    for (const auto& [placement, message] : cases) {
        std::string text = placement;
        if (text.find("keep_outs") != std::string::npos) {
            for (int k = 0; k <= 1024; ++k)
                text += std::string(k ? "," : "") + R"({"min": [0, 0, 0], "max": [1, 1, 1]})";
            text += "]}}";
        }
        plan["placement"] = json::parse(text);
        std::ofstream(m_dir.Path() / "bounded.vplan") << plan.dump();
        const CliRun run = Cli("place --project " + Path("bounded.vplan") + " --count 2 --sample-step 0.5");
        EXPECT_EQ(run.status, 1) << placement;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    }
}

TEST_F(CliPlaceTest, TheOcclusionObjectiveLowersTheMeanOccludedAngle)
{
    const std::string place = "place --room 8,6,3.5 --count 8 --target 1,0,1,7,2,5 --sample-step 0.5 --restarts 2";
    const CliRun coverage = Cli(place);
    ASSERT_EQ(coverage.status, 0) << coverage.err;
    const CliRun occlusion = Cli(place + " --objective occlusion");
    ASSERT_EQ(occlusion.status, 0) << occlusion.err;
    const json a = json::parse(coverage.out), b = json::parse(occlusion.out);
    EXPECT_EQ(a["settings"]["objective"], "coverage");
    EXPECT_EQ(b["settings"]["objective"], "occlusion");
    EXPECT_LT(b["after"]["mean_occluded_deg"].get<double>(), a["after"]["mean_occluded_deg"].get<double>() - 1.0);
    // Both report both figures.
    EXPECT_GT(a["after"]["objective"].get<double>(), 0.9);
    EXPECT_GT(b["after"]["objective"].get<double>(), 0.9);
}

TEST_F(CliPlaceTest, DefaultMountsAreAboveTheHeadsAndTheKitAndReplaceWork)
{
    ASSERT_EQ(Cli("rig --room 6,5,3 --default-rig 3 --iso '>=,3' --save-project " + Path("plan.vplan")).status, 0);
    const CliRun run = Cli("place --project " + Path("plan.vplan") +
                           " --sample-step 0.5 --restarts 2 --count 4 --lens-kit 6,12.5 --replace --save-project " +
                           Path("placed.vplan"));
    ASSERT_EQ(run.status, 0) << run.err;
    const json report = json::parse(run.out);
    EXPECT_EQ(report["fixed_cameras"], 0);
    EXPECT_EQ(report["settings"]["replace"], true);
    for (const json& camera : report["placed"]) {
        // A wall camera sits from 2.2 m up to the ceiling; each lens is one of the kit.
        EXPECT_GE(camera["position"][1].get<double>(), 2.2 - 1e-6) << camera.dump();
        const double lens = camera["lens_mm"];
        EXPECT_TRUE(lens == 6.0 || lens == 12.5) << lens;
    }
    for (const char* figures : {"before", "after"}) {
        EXPECT_TRUE(report[figures].contains("mean_occluded_deg"));
        EXPECT_TRUE(report[figures].contains("share_unoccluded"));
    }
    EXPECT_LT(report["after"]["mean_occluded_deg"].get<double>(), 360.0);
    // The plan's three cameras gave way to the four placed ones.
    EXPECT_EQ(Read("placed.vplan")["cameras"].size(), 4u);
    // Two cameras in place of three: the criteria fit the new rig, as the window's Replace the rig does.
    const CliRun two = Cli("place --project " + Path("plan.vplan") +
                           " --sample-step 0.5 --restarts 1 --count 2 --replace --save-project " + Path("two.vplan"));
    ASSERT_EQ(two.status, 0) << two.err;
    const json replaced = Read("two.vplan");
    EXPECT_EQ(replaced["cameras"].size(), 2u);
    EXPECT_EQ(replaced["active_range"], json({{"first", 1}, {"count", 2}}));
    EXPECT_EQ(replaced["iso"]["threshold"], 2);
    // In a room lower than 2.5 m the walls' upper half.
    const CliRun low = Cli("place --room 6,5,2 --sample-step 0.5 --restarts 2 --count 2");
    ASSERT_EQ(low.status, 0) << low.err;
    for (const json& camera : json::parse(low.out)["placed"])
        EXPECT_GE(camera["position"][1].get<double>(), 1.0 - 1e-6) << camera.dump();
}

} // namespace
