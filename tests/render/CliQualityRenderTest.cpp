// `volume-planner-cli render --display quality` as a user runs it: the PNG's
// legend and voxels, the threshold and the refusals.
#include "GlTestSupport.h"

#include "coverage/QualityDisplay.h"
#include "render/QualityLegend.h"

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

CRgb8 ToRgb8(const QualityRgb& rgb)
{
    const double d[3] = {rgb[0], rgb[1], rgb[2]};
    return ::ToRgb8(d);
}

// A lit face of colour `rgb`: every channel scaled by one factor (clamped at 255).
bool IsLitShadeOf(const std::array<std::uint8_t, 4>& p, const QualityRgb& rgb)
{
    double lo = 1e9, hi = 0.0;
    for (int c = 0; c < 3; ++c) {
        const double k = p[c] / (255.0 * rgb[c]);
        lo = std::min(lo, k);
        hi = std::max(hi, k);
    }
    return lo > 0.2 && hi / lo < 1.12;
}

int CountShades(const CFrameImage& frame, const QualityRgb& rgb)
{
    int count = 0;
    for (int y = 0; y < 680; ++y)
        for (int x = 0; x < kQualityLegendViewport[0]; ++x)
            count += IsLitShadeOf(frame.Pixel(x, y), rgb) ? 1 : 0;
    return count;
}

class CliQualityRenderTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("cli_quality_" + std::to_string(getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    int Render(const std::string& arguments)
    {
        return RunRenderCommand(arguments, (m_dir / "stderr").string(), m_strErr);
    }

    CFrameImage RenderFrame(const std::string& arguments)
    {
        const fs::path png = m_dir / "quality.png";
        fs::remove(png);
        EXPECT_EQ(Render(arguments + " --png '" + png.string() + "'"), 0) << m_strErr;
        return ReadPngFrame(png.string());
    }

    fs::path m_dir;
    std::string m_strErr;
};

TEST_F(CliQualityRenderTest, OneCameraVolumeInTheTopColourBesideItsLegend)
{
    // One camera: every voxel with a value has the count 1, the top of a 0 .. 1 scale.
    const CFrameImage frame = RenderFrame("--default-rig 1 --display quality");
    ASSERT_EQ(frame.m_nWidth, 1000);
    const QualityLegendLayout layout;
    const int x0 = kQualityLegendViewport[0];
    EXPECT_TRUE(PixelNear(frame, x0 + 200, 100, {20, 20, 20}, 1));
    EXPECT_TRUE(PixelNear(frame, x0 + 31, layout.barBottom, ToRgb8(QualityColor(0.5 / 178.0)), 2));
    EXPECT_TRUE(PixelNear(frame, x0 + 31, layout.barTop - 1, ToRgb8(QualityColor(177.5 / 178.0)), 2));
    const QualityRgb top = QualityColor(1.0);
    EXPECT_GT(CountShades(frame, top), 20000);
    EXPECT_EQ(CountShades(frame, QualityColor(0.5)), 0);

    // With a threshold no voxel meets, the main picture has no voxel left:
    // it is that of no layers shown.
    const CFrameImage hidden = RenderFrame("--default-rig 1 --display quality --quality-threshold '>=,2'");
    EXPECT_EQ(CountShades(hidden, top), 0);
    const CFrameImage none = RenderFrame("--default-rig 1 --display quality --shown-layers 0");
    for (int y = 0; y < 680; y += 3)
        for (int x = 0; x < x0; x += 3)
            ASSERT_EQ(hidden.Pixel(x, y), none.Pixel(x, y)) << x << ", " << y;
}

TEST_F(CliQualityRenderTest, RefusalsNameTheOption)
{
    struct Case {
        std::string arguments;
        std::string message;
    };
    const Case cases[] = {
        {"--display quality --measure size", "--measure: one of cameras, marker-px, angle, sigma"},
        {"--measure sigma", "--measure and --quality-threshold need --display quality"},
        {"--display quality --quality-threshold '=<,1'", "--quality-threshold OP,V"},
        {"--display quality --quality-threshold '<=,inf'", "--quality-threshold OP,V"},
        {"--display quality --view-2d", "--display quality replaces the volume display"},
        {"--display quality --min-px 0", "planning settings"},
    };
    const fs::path png = m_dir / "keep.png";
    for (const Case& c : cases) {
        {
            std::ofstream(png) << "previous";
        }
        EXPECT_NE(Render(c.arguments + " --png '" + png.string() + "'"), 0) << c.arguments;
        EXPECT_NE(m_strErr.find(c.message), std::string::npos) << c.arguments << ": " << m_strErr;
        std::ifstream in(png);
        std::string kept;
        in >> kept;
        EXPECT_EQ(kept, "previous") << c.arguments;
    }
}

} // namespace
