// `render --display difference` as a user runs it: a plan against its own
// export draws no voxel, against a rig with a camera moved it draws the
// voxels lost in red and those gained in green.
#include "GlTestSupport.h"

#include "coverage/asbuilt/CoverageDifference.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace
{

namespace fs = std::filesystem;

// A lit face of colour `rgb`: every channel scaled by one factor.
bool IsLitShadeOf(const std::array<std::uint8_t, 4>& p, const std::array<float, 3>& rgb)
{
    double lo = 1e9, hi = 0.0;
    for (int c = 0; c < 3; ++c) {
        const double k = (p[c] + 0.5) / (255.0 * rgb[c]);
        lo = std::min(lo, k);
        hi = std::max(hi, k);
    }
    return lo > 0.2 && hi / lo < 1.3;
}

int CountShades(const CFrameImage& frame, const std::array<float, 3>& rgb)
{
    int count = 0;
    // Below the status strip, where only the scene is drawn.
    for (int y = 0; y < 680; ++y)
        for (int x = 0; x < frame.m_nWidth; ++x)
            count += IsLitShadeOf(frame.Pixel(x, y), rgb) ? 1 : 0;
    return count;
}

class CliDifferenceRenderTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("cli_difference_" + std::to_string(getpid()));
        fs::create_directories(m_dir);
        ASSERT_EQ(Cli("rig --room 8,6,3 --default-rig 4 --voxel 10 --save-project '" + File("plan.vplan") + "'"), 0);
        ASSERT_EQ(Cli("rig --project '" + File("plan.vplan") + "' --export-calibration '" + File("own.toml") + "'"), 0);
        // Camera 3 mounted 10 cm off along X and panned 2 degrees further.
        nlohmann::json plan = nlohmann::json::parse(std::ifstream(File("plan.vplan")));
        nlohmann::json& camera = plan["cameras"][2];
        camera["position_m"][0] = camera["position_m"][0].get<double>() - 0.1;
        camera["h_tilt_deg"] = camera["h_tilt_deg"].get<double>() + 2.0;
        std::ofstream(File("mounted.vplan")) << plan.dump();
        ASSERT_EQ(
            Cli("rig --project '" + File("mounted.vplan") + "' --export-calibration '" + File("mounted.toml") + "'"),
            0);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string File(const std::string& name) const { return (m_dir / name).string(); }
    int Cli(const std::string& arguments)
    {
        return std::system(("'" + std::string(VP_CLI_PATH) + "' " + arguments + " >/dev/null 2>&1").c_str()) == 0 ? 0
                                                                                                                  : 1;
    }
    CFrameImage Difference(const std::string& calibration, const std::string& style = "--pitch -35 --yaw 20 --zoom -4")
    {
        const std::string png = File("difference.png");
        fs::remove(png);
        EXPECT_EQ(RunRenderCommand("--project '" + File("plan.vplan") + "' --display difference --as-built '" +
                                       File(calibration) + "' --as-built-up +z " + style + " --png '" + png + "'",
                                   File("stderr"), m_strErr),
                  0)
            << m_strErr;
        return ReadPngFrame(png);
    }

    fs::path m_dir;
    std::string m_strErr;
};

TEST_F(CliDifferenceRenderTest, LostRedGainedGreenAndNothingForTheSameRig)
{
    const CFrameImage same = Difference("own.toml");
    ASSERT_EQ(same.m_nWidth, 1000);
    EXPECT_EQ(CountShades(same, kLostColor), 0);
    EXPECT_EQ(CountShades(same, kGainedColor), 0);

    const CFrameImage moved = Difference("mounted.toml");
    EXPECT_GT(CountShades(moved, kGainedColor), 500);
    EXPECT_GT(CountShades(moved, kLostColor), 5);

    // The Planner view draws it too, with its key.
    const CFrameImage planner = Difference("mounted.toml", "--style planner");
    EXPECT_GT(CountShades(planner, kGainedColor), 500);
    EXPECT_GT(CountShades(planner, kLostColor), 5);
    EXPECT_EQ(CountShades(Difference("own.toml", "--style planner --no-legend"), kLostColor), 0);
}

TEST_F(CliDifferenceRenderTest, DifferenceNeedsTheRigAsBuilt)
{
    const std::string png = File("keep.png");
    EXPECT_NE(RunRenderCommand("--project '" + File("plan.vplan") + "' --display difference --png '" + png + "'",
                               File("stderr"), m_strErr),
              0);
    EXPECT_NE(m_strErr.find("--display difference and --as-built go together"), std::string::npos) << m_strErr;
    EXPECT_NE(RunRenderCommand("--project '" + File("plan.vplan") + "' --display difference --as-built '" +
                                   File("missing.toml") + "' --png '" + png + "'",
                               File("stderr"), m_strErr),
              0);
    EXPECT_NE(m_strErr.find("Calibration not loaded"), std::string::npos) << m_strErr;
    EXPECT_FALSE(fs::exists(png));
}

} // namespace
