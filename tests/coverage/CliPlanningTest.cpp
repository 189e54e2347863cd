// `volume-planner-cli coverage` with the planning options: the planning
// object, the CSV columns that back it, the refusals, and the classic output
// left exactly as it was.
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

class CliPlanningTest : public ::testing::Test
{
  protected:
    // Runs `coverage ARGUMENTS`; the exit status, standard output in m_out, standard error in m_err.
    int Coverage(const std::string& arguments)
    {
        const CliRun run = RunCli(VP_CLI_PATH, "coverage " + arguments, m_dir.Path());
        m_out = run.out;
        m_err = run.err;
        return run.status;
    }
    std::string Path(const std::string& name) const { return (m_dir.Path() / name).string(); }
    static std::vector<std::string> Fields(const std::string& line)
    {
        std::vector<std::string> fields;
        size_t start = 0;
        for (size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
            fields.push_back(line.substr(start, comma - start));
        fields.push_back(line.substr(start));
        return fields;
    }

    TempDir m_dir;
    std::string m_out, m_err;
};

TEST_F(CliPlanningTest, PlanningObjectFollowsTheClassicReportUnchanged)
{
    ASSERT_EQ(Coverage("--voxels " + Path("classic.csv")), 0) << m_err;
    const std::string classic = m_out;
    ASSERT_EQ(Coverage("--planning"), 0) << m_err;
    // The classic report, then the planning object as its last key.
    const size_t close = classic.rfind("\n}");
    ASSERT_NE(close, std::string::npos);
    EXPECT_EQ(m_out.substr(0, close), classic.substr(0, close));
    EXPECT_EQ(m_out.substr(close, 16), ",\n  \"planning\": ");

    const auto report = nlohmann::json::parse(m_out);
    const auto& planning = report["planning"];
    EXPECT_EQ(planning["settings"]["marker_mm"], 14.0);
    EXPECT_EQ(planning["settings"]["min_px"], 3.0);
    EXPECT_EQ(planning["settings"]["angle_range"], nlohmann::json::array({40.0, 140.0}));
    EXPECT_EQ(planning["settings"]["pixel_noise_px"], 0.5);
    EXPECT_EQ(planning["settings"]["sensors"][0]["pixels"], nlohmann::json::array({1280, 1024}));
    EXPECT_EQ(planning["volume_m3"]["seen_by_at_least"], report["volume_m3"]["seen_by_at_least"]);
    ASSERT_EQ(planning["per_camera"].size(), 4u);
    for (const auto& camera : planning["per_camera"]) {
        EXPECT_NEAR(camera["reach_m"].get<double>(), 7.7909, 1e-4);
        EXPECT_GT(camera["voxels_marker"].get<long long>(), 0);
        EXPECT_LE(camera["voxels_marker"].get<long long>(), camera["voxels_seen"].get<long long>());
    }
    const double median = planning["sigma3d_mm"]["median"], p95 = planning["sigma3d_mm"]["p95"];
    EXPECT_GT(median, 0.0);
    EXPECT_GE(p95, median);
    EXPECT_LE(planning["volume_m3"]["triangulable_within_sigma"].get<double>(),
              planning["volume_m3"]["triangulable"].get<double>());
}

TEST_F(CliPlanningTest, VoxelColumnsSumToTheReportedVolumes)
{
    ASSERT_EQ(Coverage("--voxels " + Path("classic.csv")), 0) << m_err;
    ASSERT_EQ(Coverage("--planning --min-px 4 --voxels " + Path("planning.csv")), 0) << m_err;
    const auto report = nlohmann::json::parse(m_out);
    const auto& planning = report["planning"];

    std::ifstream classic(Path("classic.csv")), csv(Path("planning.csv"));
    std::string classicLine, line;
    ASSERT_TRUE(std::getline(classic, classicLine) && std::getline(csv, line));
    EXPECT_EQ(line, "t,i,j,k,x,y,z,seen,iso_list,iso_condition,map_band,"
                    "marker_px_best,cameras_marker,best_angle_deg,sigma3d_mm,triangulable,r1,r2,r3,r4");
    std::vector<long long> markerAtLeast(5, 0);
    long long triangulable = 0, within = 0;
    while (std::getline(csv, line)) {
        ASSERT_TRUE(std::getline(classic, classicLine));
        std::vector<std::string> f = Fields(line);
        ASSERT_EQ(f.size(), 20u) << line;
        const int cameras = std::stoi(f[12]);
        for (int k = 0; k <= cameras; ++k)
            ++markerAtLeast[static_cast<size_t>(k)];
        EXPECT_EQ(f[11].empty(), cameras == 0) << line;
        EXPECT_EQ(f[13].empty(), cameras < 2) << line;
        if (f[15] == "1") {
            ++triangulable;
            within += std::stod(f[14]) <= 1.0;
        }
        // Without the five planning columns the row is the classic one.
        f.erase(f.begin() + 11, f.begin() + 16);
        std::string rebuilt;
        for (const std::string& field : f)
            rebuilt += (rebuilt.empty() ? "" : ",") + field;
        ASSERT_EQ(rebuilt, classicLine);
    }
    EXPECT_FALSE(std::getline(classic, classicLine));

    const double edge = report["grid"]["voxel_edge"];
    const double voxel =
        static_cast<double>(static_cast<float>(edge)) * static_cast<float>(edge) * static_cast<float>(edge);
    for (size_t k = 0; k < markerAtLeast.size(); ++k)
        EXPECT_DOUBLE_EQ(planning["volume_m3"]["marker_by_at_least"][k].get<double>(),
                         static_cast<double>(markerAtLeast[k]) * voxel);
    EXPECT_EQ(planning["voxels"]["triangulable"], triangulable);
    EXPECT_EQ(planning["voxels"]["triangulable_within_sigma"], within);
    EXPECT_DOUBLE_EQ(planning["volume_m3"]["triangulable"].get<double>(), static_cast<double>(triangulable) * voxel);
    EXPECT_EQ(planning["settings"]["min_px"], 4.0);
}

TEST_F(CliPlanningTest, SensorAndMarkerOptionsReachTheModel)
{
    ASSERT_EQ(Coverage("--marker-mm 7 --sensor-px 640,512"), 0) << m_err;
    auto report = nlohmann::json::parse(m_out);
    // Half the marker on pixels twice as large: a quarter of the imaging reach.
    const double f = 8.5, quarter = (7.7909274123864725 - f / 1000.0) / 4.0 + f / 1000.0;
    EXPECT_NEAR(report["planning"]["per_camera"][0]["reach_m"].get<double>(), quarter, 1e-3);
    EXPECT_EQ(report["planning"]["settings"]["sensors"][1]["type"], "custom");

    ASSERT_EQ(Coverage("--camera-type 1 --disable 2"), 0) << m_err;
    report = nlohmann::json::parse(m_out);
    EXPECT_EQ(report["planning"]["settings"]["sensors"][3]["pixels"], nlohmann::json::array({659, 493}));
    EXPECT_EQ(report["planning"]["per_camera"][1]["counted"], false);
    EXPECT_EQ(report["planning"]["per_camera"][1]["voxels_seen"], 0);
}

TEST_F(CliPlanningTest, BadPlanningValuesAreRefusedAndWriteNothing)
{
    const char* refused[] = {"--marker-mm 0",        "--min-px nan",
                             "--angle-range 150,40", "--angle-range 40",
                             "--pixel-noise -1",     "--sigma-max 0",
                             "--camera-type 3",      "--sensor-px 0,512",
                             "--sensor-px 640x512",  "--camera-type 1 --sensor-px 640,512"};
    for (const char* options : refused) {
        EXPECT_NE(Coverage(std::string(options) + " --voxels " + Path("refused.csv")), 0) << options;
        EXPECT_TRUE(m_out.empty()) << options;
        EXPECT_FALSE(m_err.empty()) << options;
        EXPECT_FALSE(fs::exists(Path("refused.csv"))) << options;
    }
}

} // namespace
