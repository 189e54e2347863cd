// Runs `volume-planner-cli render` as a user would and reads its picture back.
#include "GlTestSupport.h"

#include "scene/DrawColor.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace
{

namespace fs = std::filesystem;

bool IsViolet(const std::array<std::uint8_t, 4>& p)
{
    return p[0] > p[1] + 40 && p[2] > p[1] + 40;
}

int CountViolet(const CFrameImage& frame, int x0, int y0, int x1, int y1)
{
    int count = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            count += IsViolet(frame.Pixel(x, y)) ? 1 : 0;
    return count;
}

bool IsCyan(const std::array<std::uint8_t, 4>& p)
{
    return p[0] == 0 && p[1] > 60 && p[2] > 60;
}
bool IsGreen(const std::array<std::uint8_t, 4>& p)
{
    return p[0] == 0 && p[1] > 60 && p[2] == 0;
}

template <typename Test> int CountMain(const CFrameImage& frame, Test test)
{
    int count = 0;
    for (int y = 0; y < 680; ++y)
        for (int x = 0; x < 1000; ++x)
            count += test(frame.Pixel(x, y)) ? 1 : 0;
    return count;
}

bool HasText(const CFrameImage& frame, int x0, int y0, int x1, int y1)
{
    return CountPixelsNear(frame, x0, y0, x1, y1, kBackgroundRgb8, 3) < (x1 - x0 + 1) * (y1 - y0 + 1);
}

class CliRenderTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("cli_render_" + std::to_string(getpid()));
        fs::create_directories(m_dir);
        CreateDrawColor();
    }
    void TearDown() override
    {
        fs::remove_all(m_dir);
        DestroyDrawColor();
    }

    // Exit status of the tool; its standard error is kept in m_strErr.
    int Render(const std::string& arguments)
    {
        return RunRenderCommand(arguments, (m_dir / "stderr").string(), m_strErr);
    }

    fs::path m_dir;
    std::string m_strErr;
};

TEST_F(CliRenderTest, DefaultRigPictureShowsLegendStatusStripAndMap)
{
    const fs::path png = m_dir / "view.png";
    ASSERT_EQ(Render("--png '" + png.string() + "'"), 0) << m_strErr;
    const CFrameImage frame = ReadPngFrame(png.string());
    ASSERT_EQ(frame.m_nWidth, 1000);
    ASSERT_EQ(frame.m_nHeight, 725);

    EXPECT_TRUE(IsBackground(frame, 3, 3));
    DrawColor& colors = *GetDrawColor();
    EXPECT_TRUE(PixelNear(frame, 900, 45, ToRgb8(colors.DarkViolet()), 1));
    EXPECT_TRUE(PixelNear(frame, 900, 112, ToRgb8(colors.Green()), 1));
    EXPECT_TRUE(PixelNear(frame, 900, 202, ToRgb8(colors.Grey()), 1));
    for (const int lineY : {709, 693, 678})
        EXPECT_TRUE(HasText(frame, 5, lineY, 200, lineY + 12)) << "status line at " << lineY;
    // The voxels seen by all four cameras, violet from camera 1 across the room.
    EXPECT_GT(CountViolet(frame, 300, 200, 700, 450), 2000);
    // The front left post.
    EXPECT_GT(CountMain(frame, IsCyan), 100);
}

TEST_F(CliRenderTest, ViewOptionsChangeThePicture)
{
    const fs::path png = m_dir / "layers.png";
    ASSERT_EQ(Render("--view-2d --no-room --scales none --yaw 30 --pitch 20 --png '" + png.string() + "'"), 0)
        << m_strErr;
    const CFrameImage frame = ReadPngFrame(png.string());
    ASSERT_FALSE(frame.IsEmpty());
    // No legend in the 2D view, no room posts; the count layers instead of the violet map.
    EXPECT_TRUE(IsBackground(frame, 900, 45));
    EXPECT_EQ(CountViolet(frame, 0, 0, 999, 679), 0);
    EXPECT_EQ(CountMain(frame, IsCyan), 0);
    EXPECT_GT(CountMain(frame, IsGreen), 20000);
}

TEST_F(CliRenderTest, ShownLayersCutTheMapAtTheirHeight)
{
    // Ten 20 cm layers end at y = -0.5 m, below the screen's row 320 at any
    // depth inside the room; the full map reaches well above it.
    const fs::path full = m_dir / "full.png";
    const fs::path cut = m_dir / "cut.png";
    ASSERT_EQ(Render("--png '" + full.string() + "'"), 0) << m_strErr;
    ASSERT_EQ(Render("--shown-layers 10 --png '" + cut.string() + "'"), 0) << m_strErr;
    const CFrameImage fullFrame = ReadPngFrame(full.string());
    const CFrameImage cutFrame = ReadPngFrame(cut.string());
    ASSERT_FALSE(fullFrame.IsEmpty());
    ASSERT_FALSE(cutFrame.IsEmpty());
    EXPECT_GT(CountViolet(fullFrame, 250, 330, 750, 450), 1000);
    EXPECT_EQ(CountViolet(cutFrame, 250, 330, 750, 450), 0);
    EXPECT_GT(CountViolet(cutFrame, 250, 150, 750, 300), 500);
}

TEST_F(CliRenderTest, RefusalsWriteNothingAndKeepTheOldPicture)
{
    const fs::path png = m_dir / "keep.png";
    {
        std::ofstream(png) << "previous";
    }
    struct Case {
        std::string arguments;
        std::string message;
    };
    const Case cases[] = {
        {"--scales xw", "--scales"},
        {"--divisions -1", "--divisions"},
        {"--shown-layers 26", "the grid has 25 layers"},
        {"--voxel 0", "Invalid room or voxel size"},
        {"--resolution-camera 5", "--resolution-camera"},
        {"--default-rig 0", "Invalid Number of Cameras"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Render(c.arguments + " --png '" + png.string() + "'"), 1) << c.arguments;
        EXPECT_NE(m_strErr.find(c.message), std::string::npos) << c.arguments << ": " << m_strErr;
        std::ifstream in(png);
        std::string text;
        in >> text;
        EXPECT_EQ(text, "previous") << c.arguments;
    }
    EXPECT_NE(Render("--png '" + (m_dir / "missing" / "x.png").string() + "'"), 0);
    EXPECT_FALSE(fs::exists(m_dir / "missing"));
}

} // namespace
