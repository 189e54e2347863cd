// Obstacles on the command line: the options, the JSON and CSV they add,
// their refusals, and the project file that stores them.
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* kBoxes = "--obstacle-box 2,0,2,3,1.5,3 --obstacle-box 0.5,0,0.5,1,4,1";

class CliObstacleTest : public ::testing::Test
{
  protected:
    CliRun Cli(const std::string& arguments) { return RunCli(VP_CLI_PATH, arguments, m_dir.Path()); }
    std::string Path(const std::string& name) const { return (m_dir.Path() / name).string(); }
    void Write(const std::string& name, const std::string& text) { std::ofstream(m_dir.Path() / name) << text; }

    TempDir m_dir;
};

TEST_F(CliObstacleTest, AnEmptyListChangesNoOutputByte)
{
    Write("none.json", "[]");
    for (const std::string command : {"coverage --planning", "coverage --iso '>=,2'", "rig --default-rig 3"}) {
        SCOPED_TRACE(command);
        const bool voxels = command.rfind("coverage", 0) == 0;
        const CliRun classic = Cli(command + (voxels ? " --voxels '" + Path("a.csv") + "'" : ""));
        const CliRun empty = Cli(command + " --obstacles '" + Path("none.json") + "'" +
                                 (voxels ? " --voxels '" + Path("b.csv") + "'" : ""));
        ASSERT_EQ(classic.status, 0) << classic.err;
        ASSERT_EQ(empty.status, 0) << empty.err;
        EXPECT_EQ(empty.out, classic.out);
        if (voxels) {
            EXPECT_EQ(ReadText(m_dir.Path() / "b.csv"), ReadText(m_dir.Path() / "a.csv"));
        }
    }
}

TEST_F(CliObstacleTest, ObstacleVolumeIsReportedAndCountsInNoOtherVolume)
{
    const CliRun classic = Cli("coverage");
    const CliRun run = Cli(std::string("coverage ") + kBoxes + " --voxels '" + Path("v.csv") + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    const json report = json::parse(run.out), before = json::parse(classic.out);
    ASSERT_TRUE(report.contains("obstacles"));
    EXPECT_FALSE(before.contains("obstacles"));
    EXPECT_EQ(report["obstacles"]["count"], 2);
    const double edge = report["grid"]["voxel_edge"], voxel = edge * edge * edge;
    const double obstacleVolume = report["obstacles"]["volume_m3"];
    // The crate's 5 x 8 x 5 centres and the pillar's 3 x 20 x 3.
    EXPECT_NEAR(obstacleVolume, (200 + 180) * voxel, 1e-6);
    const double all = report["volume_m3"]["seen_by_at_least"][0], room = before["volume_m3"]["seen_by_at_least"][0];
    EXPECT_NEAR(all + obstacleVolume, room, 1e-9 * room);
    uint64_t counted = 0;
    for (const auto& n : report["seen_histogram"])
        counted += n.get<uint64_t>();
    EXPECT_EQ(counted + 380, report["grid"]["voxels"].get<uint64_t>());
    // Less is seen by four cameras: the crate stands in the middle.
    EXPECT_LT(report["volume_m3"]["seen_by_at_least"][4], before["volume_m3"]["seen_by_at_least"][4]);

    std::istringstream csv(ReadText(m_dir.Path() / "v.csv"));
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line.rfind("t,i,j,k,x,y,z,seen,iso_list,iso_condition,map_band,inside_obstacle,r1", 0), 0u) << line;
    size_t inside = 0;
    while (std::getline(csv, line)) {
        std::vector<std::string> cells;
        std::stringstream row(line);
        for (std::string cell; std::getline(row, cell, ',');)
            cells.push_back(cell);
        ASSERT_GE(cells.size(), 12u);
        if (cells[11] == "1") {
            ++inside;
            EXPECT_EQ(cells[7], "0") << "a voxel inside an obstacle is seen: " << line;
            EXPECT_EQ(cells[10], "-1") << "a voxel inside an obstacle is on the map: " << line;
        }
    }
    EXPECT_EQ(inside, 380u);
}

// An iso condition that a count of 0 meets would take in every voxel inside
// an obstacle: the map, its bands, the CSV and the JSON figures leave them
// out alike, and their sums agree.
TEST_F(CliObstacleTest, AnIsoConditionAcceptingZeroLeavesObstacleVoxelsOffTheMap)
{
    const CliRun run =
        Cli("coverage --default-rig 4 --obstacle-box 1,0,1,2,2.5,2 --iso '<,2' --voxels '" + Path("v.csv") + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    const json report = json::parse(run.out);
    std::istringstream csv(ReadText(m_dir.Path() / "v.csv"));
    std::string line;
    std::getline(csv, line);
    ASSERT_EQ(line.rfind("t,i,j,k,x,y,z,seen,iso_list,iso_condition,map_band,inside_obstacle,", 0), 0u) << line;
    uint64_t inside = 0, isoCondition = 0, onMap = 0;
    while (std::getline(csv, line)) {
        std::vector<std::string> cells;
        std::stringstream row(line);
        for (std::string cell; std::getline(row, cell, ',');)
            cells.push_back(cell);
        ASSERT_GE(cells.size(), 12u);
        isoCondition += cells[9] == "1";
        onMap += cells[10] != "-1";
        if (cells[11] == "1") {
            ++inside;
            EXPECT_EQ(cells[9], "0") << line;
            EXPECT_EQ(cells[10], "-1") << line;
        }
    }
    EXPECT_EQ(inside, 300u);
    EXPECT_EQ(isoCondition, report["iso_condition"].get<uint64_t>());
    EXPECT_EQ(onMap, report["map_voxels"].get<uint64_t>());
    uint64_t banded = 0;
    for (const auto& n : report["map_bands"])
        banded += n.get<uint64_t>();
    EXPECT_EQ(banded, onMap);
    // Outside the box the same voxels as without it meet the condition: the
    // box only takes its own voxels off.
    EXPECT_GT(onMap, 0u);
}

TEST_F(CliObstacleTest, UnusableObstaclesAreRefusedWithTheirReason)
{
    Write("notjson.json", "[{");
    Write("flat.json", R"([{"name": "desk", "min": [0, 1, 0], "max": [1, 1, 1]}])");
    Write("typo.json", R"([{"name": "a", "min": [0, 0, 0], "max": [1, 1, 1]},
                           {"name": "b", "min": [0, 0, 0], "max_m": [1, 1, 1]}])");
    Write("short.json", R"([{"name": "c", "min": [0, 0], "max": [1, 1, 1]}])");
    Write("noscale.json", R"([{"name": "m", "file": "cube.obj", "offset": [0, 0, 0]}])");
    Write("nomesh.json", R"([{"name": "m", "file": "absent.obj", "offset": [0, 0, 0], "scale": 1}])");
    Write("broken.obj", "v 0 0 0\nf 1 2 3\n");
    Write("badmesh.json", R"([{"name": "m", "file": "broken.obj", "offset": [0, 0, 0], "scale": 1}])");
    const struct {
        std::string options;
        const char* reason;
    } rows[] = {
        {"--obstacle-box 1,2,3,4,5", "needs six numbers"},
        {"--obstacle-box 1,2,3,4,5,x", "needs six numbers"},
        {"--obstacle-box 1,2,3,4,2,6", "below its max"},
        {"--obstacles '" + Path("absent.json") + "'", "does not exist"},
        {"--obstacles '" + Path("notjson.json") + "'", "not JSON"},
        {"--obstacles '" + Path("flat.json") + "'", "obstacles[0]: obstacle \"desk\": each min value must be below"},
        {"--obstacles '" + Path("typo.json") + "'", "obstacles[1].max: missing"},
        {"--obstacles '" + Path("short.json") + "'", "obstacles[0].min: must be a list of 3 numbers"},
        {"--obstacles '" + Path("noscale.json") + "'", "obstacles[0].scale: missing"},
        {"--obstacles '" + Path("nomesh.json") + "'", "absent.obj: not a readable file"},
        {"--obstacles '" + Path("badmesh.json") + "'", "broken.obj"},
    };
    for (const auto& row : rows) {
        for (const char* command : {"coverage", "rig"}) {
            const CliRun run = Cli(std::string(command) + " " + row.options);
            EXPECT_EQ(run.status, 1) << row.options;
            EXPECT_TRUE(run.out.empty()) << row.options;
            EXPECT_NE(run.err.find(row.reason), std::string::npos) << row.options << "\n" << run.err;
        }
    }
}

TEST_F(CliObstacleTest, ProjectStoresTheObstaclesAndItsMeshesBesideIt)
{
    fs::create_directories(m_dir.Path() / "plans");
    std::ofstream(m_dir.Path() / "plans" / "cube.obj")
        << "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\n"
           "v 0 1 1\nf 1 3 2\nf 1 4 3\nf 5 6 7\nf 5 7 8\nf 1 2 6\nf 1 6 5\n"
           "f 4 8 7\nf 4 7 3\nf 1 5 8\nf 1 8 4\nf 2 3 7\nf 2 7 6\n";
    Write("plans/list.json",
          R"([{"name": "crate", "min": [2, 0, 2], "max": [3, 1.5, 3]},
              {"name": "block", "file": "cube.obj", "offset": [0.5, 0, 0.5], "scale": 0.5}])");
    const std::string plan = Path("plans/stage.vplan");
    ASSERT_EQ(Cli("rig --obstacles '" + Path("plans/list.json") + "' --save-project '" + plan + "'").status, 0);
    const json saved = json::parse(ReadText(plan));
    ASSERT_EQ(saved["obstacles"].size(), 2u);
    EXPECT_EQ(saved["obstacles"][1]["file"], "cube.obj");

    // Another key added by hand to the project and to an entry survive a load and a save.
    json edited = saved;
    edited["obstacles"][0]["colour"] = "red";
    edited["stage_notes"] = "truss at 4 m";
    std::ofstream(plan) << edited.dump(2);
    const std::string again = Path("plans/again.vplan");
    ASSERT_EQ(Cli("rig --project '" + plan + "' --save-project '" + again + "'").status, 0);
    const json reread = json::parse(ReadText(again));
    EXPECT_EQ(reread["obstacles"][0]["colour"], "red");
    EXPECT_EQ(reread["stage_notes"], "truss at 4 m");
    EXPECT_EQ(reread["obstacles"], edited["obstacles"]);

    // Run from elsewhere, the mesh is found beside the project.
    const CliRun fromProject = Cli("coverage --project '" + plan + "'");
    const CliRun fromList = Cli("coverage --obstacles '" + Path("plans/list.json") + "'");
    ASSERT_EQ(fromProject.status, 0) << fromProject.err;
    ASSERT_EQ(fromList.status, 0) << fromList.err;
    EXPECT_EQ(fromProject.out, fromList.out);
    EXPECT_EQ(json::parse(fromProject.out)["obstacles"]["count"], 2);

    // Obstacle options given as well replace the project's.
    const CliRun replaced = Cli("coverage --project '" + plan + "' --obstacle-box 2,0,2,3,1.5,3");
    ASSERT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(json::parse(replaced.out)["obstacles"]["count"], 1);

    // A plan without obstacles has no such key at all.
    ASSERT_EQ(Cli("rig --save-project '" + Path("plain.vplan") + "'").status, 0);
    EXPECT_FALSE(json::parse(ReadText(m_dir.Path() / "plain.vplan")).contains("obstacles"));
}

// The mesh named from a list elsewhere is written relative to the project:
// saved beside its mesh, the plan opens after its folder moved.
TEST_F(CliObstacleTest, AProjectSavedBesideItsMeshOpensAfterItsFolderMoved)
{
    fs::create_directories(m_dir.Path() / "stage");
    fs::create_directories(m_dir.Path() / "lists");
    std::ofstream(m_dir.Path() / "stage" / "cube.obj")
        << "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\n"
           "v 0 1 1\nf 1 3 2\nf 1 4 3\nf 5 6 7\nf 5 7 8\nf 1 2 6\nf 1 6 5\n"
           "f 4 8 7\nf 4 7 3\nf 1 5 8\nf 1 8 4\nf 2 3 7\nf 2 7 6\n";
    Write("lists/far.json", R"([{"name": "block", "file": "../stage/cube.obj", "offset": [0.5, 0, 0.5], "scale": 2}])");
    const std::string plan = Path("stage/plan.vplan");
    const CliRun saved = Cli("rig --obstacles '" + Path("lists/far.json") + "' --save-project '" + plan + "'");
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(json::parse(ReadText(plan))["obstacles"][0]["file"], "cube.obj");
    const CliRun before = Cli("coverage --project '" + plan + "'");
    ASSERT_EQ(before.status, 0) << before.err;

    fs::rename(m_dir.Path() / "stage", m_dir.Path() / "moved");
    const CliRun after = Cli("coverage --project '" + Path("moved/plan.vplan") + "'");
    ASSERT_EQ(after.status, 0) << after.err;
    EXPECT_EQ(after.out, before.out);
    EXPECT_EQ(json::parse(after.out)["obstacles"]["count"], 1);
}

} // namespace
