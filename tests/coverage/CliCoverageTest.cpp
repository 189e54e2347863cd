// Runs `volume-planner-cli coverage` as a user would: its JSON, its CSV, its
// refusals.
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Split(const std::string& line, char separator)
{
    std::vector<std::string> fields;
    std::stringstream stream(line);
    for (std::string field; std::getline(stream, field, separator);)
        fields.push_back(field);
    if (!line.empty() && line.back() == separator)
        fields.emplace_back();
    return fields;
}

class CliCoverageTest : public ::testing::Test
{
  protected:
    CliRun Cli(const std::string& arguments)
    {
        const fs::path out = m_dir.Path() / "stdout", err = m_dir.Path() / "stderr";
        const std::string command = std::string("'") + VP_CLI_PATH + "' coverage " + arguments + " >'" + out.string() +
                                    "' 2>'" + err.string() + "'";
        const int raw = std::system(command.c_str());
        CliRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out), ReadFile(err)};
        fs::remove(out);
        fs::remove(err);
        return run;
    }
    std::string Path(const std::string& name) const { return (m_dir.Path() / name).string(); }

    TempDir m_dir;
};

TEST_F(CliCoverageTest, DefaultRigReportsTheGridScaleAndConsistentCounts)
{
    const CliRun run = Cli("");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const auto report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["grid"]["nx"], 25);
    EXPECT_EQ(report["grid"]["ny"], 25);
    EXPECT_EQ(report["grid"]["nz"], 25);
    EXPECT_EQ(report["grid"]["voxels"], 15625);
    EXPECT_EQ(report["scale"]["min"].get<double>(), 0.7090285804131802);
    EXPECT_EQ(report["scale"]["max"].get<double>(), 0.7685416886738191);
    EXPECT_EQ(report["scale"]["band"].get<double>(), 0.008501872608662704);
    // Floats are printed as floats: the voxel edge reads 0.2, not its double widening.
    EXPECT_NE(run.out.find("\"voxel_edge\": 0.2,"), std::string::npos);
    EXPECT_EQ(static_cast<float>(report["grid"]["voxel_edge"].get<double>()), 0.2f);
    EXPECT_EQ(report["room"]["units"], "m");
    EXPECT_EQ(report["range"]["enabled"], 4);
    EXPECT_EQ(report["filters"]["iso"]["threshold"], 4);

    const auto cameras = report["cameras"];
    ASSERT_EQ(cameras.size(), 4u);
    EXPECT_EQ(cameras[1]["position"], nlohmann::json::parse("[5.0, 5.0, 0.0]"));
    EXPECT_EQ(cameras[2]["number"], 3);
    EXPECT_EQ(static_cast<float>(cameras[0]["hfov"].get<double>()), 41.995735f);
    for (const auto& camera : cameras) {
        for (const char* edge : {"h_plus", "h_minus", "v_plus", "v_minus"}) {
            const auto e = camera["edges"][edge];
            EXPECT_NEAR(std::hypot(e[0].get<double>(), e[1].get<double>(), e[2].get<double>()), 1.0, 1e-12);
        }
    }

    const auto histogram = report["seen_histogram"].get<std::vector<long long>>();
    ASSERT_EQ(histogram.size(), 5u);
    long long total = 0;
    for (long long h : histogram)
        total += h;
    EXPECT_EQ(total, 15625);
    // Default iso condition "==" 4: the iso list and the condition agree.
    EXPECT_EQ(report["iso_list"], histogram[4]);
    EXPECT_EQ(report["iso_condition"], histogram[4]);
    const auto bands = report["map_bands"].get<std::vector<long long>>();
    ASSERT_EQ(bands.size(), 10u);
    long long mapped = 0;
    for (long long b : bands)
        mapped += b;
    EXPECT_EQ(report["map_voxels"], mapped);
    EXPECT_GT(mapped, 0);
    const auto volume = report["volume_m3"]["seen_by_at_least"].get<std::vector<double>>();
    ASSERT_EQ(volume.size(), 5u);
    const double edge = 0.2f;
    EXPECT_DOUBLE_EQ(volume[0], 15625 * edge * edge * edge);
    EXPECT_DOUBLE_EQ(volume[4], histogram[4] * edge * edge * edge);
}

// A voxel larger than the room leaves the grid empty: the map's warning says
// why, and the scale, which has no value to span, is null rather than bounds
// of nothing.
TEST_F(CliCoverageTest, AGridWithoutVoxelsHasNoScale)
{
    const CliRun run = Cli("--voxel 600");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["grid"]["voxels"], 0);
    for (const char* key : {"min", "max", "band"})
        EXPECT_TRUE(report["scale"][key].is_null()) << key << ": " << report["scale"][key];
    EXPECT_EQ(report["map_voxels"], 0);
    EXPECT_NE(run.err.find("the grid has no voxel"), std::string::npos) << run.err;
}

TEST_F(CliCoverageTest, NumbersPrintInTheirShortestRoundTripForm)
{
    // 15 x 27 x 43 voxels of 10 cm: the room's volume, 17415 voxels of
    // 0.1f cubed, is a double that a round-trip writer may print with a digit
    // too many.
    const CliRun run = Cli("--room 1.5,4.3,2.7 --voxel 10");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["grid"]["voxels"], 17415);
    EXPECT_NE(run.out.find("17.41500077851118,\n"), std::string::npos);
    const std::regex number(R"((?:[^\w"]|^)(-?\d+\.\d+(?:e[-+]?\d+)?))");
    int checked = 0;
    for (auto it = std::sregex_iterator(run.out.begin(), run.out.end(), number); it != std::sregex_iterator(); ++it) {
        const std::string text = (*it)[1];
        double value = 0;
        std::from_chars(text.data(), text.data() + text.size(), value);
        std::array<char, 64> shortest{};
        const auto end = std::to_chars(shortest.data(), shortest.data() + shortest.size(), value).ptr;
        std::string expected(shortest.data(), end);
        if (expected.find_first_of(".e") == std::string::npos)
            expected += ".0"; // an integral value stays a float
        EXPECT_EQ(text, expected);
        ++checked;
    }
    EXPECT_GT(checked, 50);
}

TEST_F(CliCoverageTest, VoxelFileListsEveryVoxelAndAgreesWithTheReport)
{
    const CliRun run = Cli("--voxel 50 --disable 2 --iso '>=,1' --res '>=,0.7,<,0.72' --resolution-camera 3 --voxels " +
                           Path("v.csv"));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["resolution_camera"], 3);
    std::ifstream csv(Path("v.csv"));
    std::string line;
    ASSERT_TRUE(std::getline(csv, line));
    EXPECT_EQ(line, "t,i,j,k,x,y,z,seen,iso_list,iso_condition,map_band,r1,r2,r3,r4");
    long long rows = 0, inIso = 0, condition = 0, mapped = 0;
    while (std::getline(csv, line)) {
        const auto f = Split(line, ',');
        ASSERT_EQ(f.size(), 15u) << line;
        const long long t = std::stoll(f[0]), i = std::stoll(f[1]), j = std::stoll(f[2]), k = std::stoll(f[3]);
        ASSERT_EQ(t, rows);
        EXPECT_EQ(t, j + 10 * (i + 10 * k));
        // The centre reads back to the float the grid holds.
        float x = 0;
        std::from_chars(f[4].data(), f[4].data() + f[4].size(), x);
        EXPECT_EQ(x, -2.5f + 0.25f + static_cast<float>(i) * 0.5f);
        inIso += f[8] == "1";
        condition += f[9] == "1";
        EXPECT_EQ(f[9] == "1", std::stoi(f[7]) >= 1);
        const int band = std::stoi(f[10]);
        mapped += band >= 0;
        if (band >= 0) {
            const float r3 = std::stof(f[13]);
            EXPECT_TRUE(r3 >= 0.7f && r3 < 0.725f) << line;
        }
        EXPECT_EQ(f[12], ""); // camera 2 is disabled: no values
        EXPECT_FALSE(f[11].empty());
        ++rows;
    }
    EXPECT_EQ(rows, 1000);
    EXPECT_EQ(report["iso_list"], inIso);
    EXPECT_EQ(report["iso_condition"], condition);
    EXPECT_EQ(report["map_voxels"], mapped);
    EXPECT_GT(mapped, 0);
}

TEST_F(CliCoverageTest, CalibrationFileComputesInTestMode)
{
    std::ofstream file(Path("calibration.txt"));
    file << "rig 1 2 3 4 5 6 7\n";
    for (int k = 0; k < 12; ++k) {
        file << "1 0 0 0 1 0 0 0 1\n";
        for (int skip = 0; k < 11 && skip < 25; ++skip)
            file << "0 ";
    }
    file.close();
    const CliRun run = Cli("--calibration " + Path("calibration.txt"));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["mode"], "calibration");
    // Camera 1's slot turns the up vector, flipped to point down.
    EXPECT_LT(report["cameras"][0]["edges"]["h_plus"][1].get<double>(), -0.9);
}

TEST_F(CliCoverageTest, RefusalsSayWhyAndWriteNothing)
{
    std::ofstream(Path("keep.csv")) << "earlier result\n";
    struct Case {
        std::string arguments;
        std::string message;
    };
    const Case cases[] = {
        {"--voxel 0", "Invalid room or voxel size"},
        {"--voxel -5", "Invalid room or voxel size"},
        {"--voxel 0.0001", "Not Enough Memory Pool"},
        {"--room 5,5,0", "--room"},
        {"--iso '==,5'", "above the end of the active camera range"},
        {"--iso '=<,2'", "--iso OP,T"},
        {"--iso '==,x'", "--iso OP,T"},
        {"--res '>=,0.7,<='", "--res OP1,B1,OP2,B2"},
        {"--res '>=,0.7x,<=,0.8'", "--res OP1,B1,OP2,B2"},
        {"--resolution-camera 5", "no camera 5"},
        {"--resolution-camera 0", "no camera 0"},
        {"--calibration " + Path("missing.txt"), "File Not Found or Invalid File"},
        {"--default-rig 0", "Invalid Number of Cameras"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        for (const char* target : {"new.csv", "keep.csv"}) {
            const CliRun run = Cli(c.arguments + " --voxels " + Path(target));
            EXPECT_NE(run.status, 0);
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        }
        EXPECT_FALSE(fs::exists(Path("new.csv")));
        EXPECT_EQ(ReadFile(Path("keep.csv")), "earlier result\n");
    }
    // Only the earlier file remains: no temporaries left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.Path()), fs::directory_iterator{}), 1);

    const CliRun unwritable = Cli("--voxels " + Path("no/such/folder/v.csv"));
    EXPECT_NE(unwritable.status, 0);
    EXPECT_EQ(unwritable.out, "");
    EXPECT_NE(unwritable.err.find("v.csv"), std::string::npos);
}

} // namespace
