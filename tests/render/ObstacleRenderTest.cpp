// The obstacles in the picture `volume-planner-cli render` draws.
#include "GlTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace
{

namespace fs = std::filesystem;

// The obstacles' slate grey under any light: blue well above green above
// red, never the equal channels of the background, the map's grey band or
// the lit white of the camera glyphs.
bool IsSlate(const std::array<std::uint8_t, 4>& p)
{
    return p[0] > 20 && p[2] > p[0] + p[2] / 7 && p[1] > p[0] + 4 && p[2] > p[1] + 4 && p[2] < p[0] + 60;
}
bool IsViolet(const std::array<std::uint8_t, 4>& p)
{
    return p[0] > p[1] + 40 && p[2] > p[1] + 40;
}

template <typename Test> int Count(const CFrameImage& frame, int x0, int y0, int x1, int y1, Test test)
{
    int count = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            count += test(frame.Pixel(x, y)) ? 1 : 0;
    return count;
}

class ObstacleRenderTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("obstacle_render_" + std::to_string(getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    CFrameImage Render(const std::string& arguments, const std::string& name)
    {
        const fs::path png = m_dir / name;
        const std::string command = std::string("'") + VP_CLI_PATH + "' render --pitch -30 --zoom -2 " + arguments +
                                    " --png '" + png.string() + "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return ReadPngFrame(png.string());
    }

    fs::path m_dir;
};

// A 0.5 m pillar at the front left, and a crate in the middle of the map.
constexpr const char* kPillar = "--obstacle-box 0.5,0,0.5,1,4,1";
constexpr const char* kCrate = "--obstacle-box 2,0,2,3,1.5,3";
// The pillar's screen rectangle and the crate's (GL rows, bottom up).
constexpr int kPillarBox[4] = {365, 180, 425, 370};
constexpr int kCrateBox[4] = {470, 230, 530, 310};

TEST_F(ObstacleRenderTest, BoxesAreSolidLitSlateAndSeeThroughShowsWhatIsBehind)
{
    const CFrameImage classic = Render("", "classic.png");
    const CFrameImage solid = Render(std::string(kPillar) + " " + kCrate, "solid.png");
    const CFrameImage outline = Render(std::string(kPillar) + " " + kCrate + " --see-through", "outline.png");
    ASSERT_FALSE(classic.IsEmpty());
    ASSERT_FALSE(solid.IsEmpty());
    ASSERT_FALSE(outline.IsEmpty());
    auto slate = [](const CFrameImage& f, const int(&r)[4]) { return Count(f, r[0], r[1], r[2], r[3], IsSlate); };

    EXPECT_EQ(Count(classic, 0, 0, 999, 679, IsSlate), 0) << "no display colour passes for the obstacles' grey";
    const int pillarArea = (kPillarBox[2] - kPillarBox[0] + 1) * (kPillarBox[3] - kPillarBox[1] + 1);
    EXPECT_GT(slate(solid, kPillarBox), pillarArea / 4);
    // Lit: the faces turned differently to the light differ in shade.
    std::set<int> shades;
    for (int y = kPillarBox[1]; y <= kPillarBox[3]; ++y)
        for (int x = kPillarBox[0]; x <= kPillarBox[2]; ++x)
            if (IsSlate(solid.Pixel(x, y)))
                shades.insert(solid.Pixel(x, y)[2] / 8);
    EXPECT_GE(shades.size(), 2u);

    // See-through keeps the edges only; the map's voxels show through.
    EXPECT_GT(slate(outline, kPillarBox), 20);
    EXPECT_LT(slate(outline, kPillarBox), slate(solid, kPillarBox) / 3);
    EXPECT_GT(Count(outline, kCrateBox[0], kCrateBox[1], kCrateBox[2], kCrateBox[3], IsViolet), 0);
}

TEST_F(ObstacleRenderTest, MeshFromAListFileIsDrawnLikeItsBox)
{
    std::ofstream(m_dir / "pillar.obj") << "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
                                           "f 1 3 2\nf 1 4 3\nf 5 6 7\nf 5 7 8\nf 1 2 6\nf 1 6 5\n"
                                           "f 4 8 7\nf 4 7 3\nf 1 5 8\nf 1 8 4\nf 2 3 7\nf 2 7 6\n";
    // The unit cube at half a metre: the foot of the pillar.
    std::ofstream(m_dir / "list.json")
        << R"([{"name": "foot", "file": "pillar.obj", "offset": [0.5, 0, 0.5], "scale": 0.5}])";
    const CFrameImage mesh = Render("--obstacles '" + (m_dir / "list.json").string() + "'", "mesh.png");
    const CFrameImage box = Render("--obstacle-box 0.5,0,0.5,1,0.5,1", "box.png");
    ASSERT_FALSE(mesh.IsEmpty());
    ASSERT_FALSE(box.IsEmpty());
    const int inMesh = Count(mesh, 0, 0, 999, 679, IsSlate);
    const int inBox = Count(box, 0, 0, 999, 679, IsSlate);
    EXPECT_GT(inBox, 200);
    EXPECT_NEAR(inMesh, inBox, inBox / 10);
}

} // namespace
