// The planner style drawn by a renderer in the offscreen context, and by
// `volume-planner-cli render --style planner` as a user would run it.
#include "GlTestSupport.h"

#include "cameras/CameraSet.h"
#include "classic/ClassicParameters.h"
#include "coverage/CoverageVolume.h"
#include "render/SceneRenderer.h"
#include "render/planner/PlannerLabels.h"
#include "render/planner/PlannerLegend.h"
#include "scene/DrawColor.h"
#include "scene/SceneSettings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace
{

namespace fs = std::filesystem;

using Pixel = std::array<std::uint8_t, 4>;

bool IsBackgroundPixel(const Pixel& p)
{
    return p[0] == 51 && p[1] == 51 && p[2] == 51;
}
bool IsWhite(const Pixel& p)
{
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
}
bool IsVoxel(const Pixel& p)
{
    return (p[0] > 60 && p[1] == 0 && p[2] == 0) || (p[1] > 60 && p[0] == 0 && p[2] == 0);
}
bool IsRedVoxel(const Pixel& p)
{
    return p[0] > 60 && p[1] < 40 && p[2] < 40;
}
// The lit sphere: light on every channel, bluish white or white at its highlight (no voxel colour is).
bool IsSphere(const Pixel& p)
{
    return p[0] > 90 && p[1] > 90 && p[2] > 90 && p[2] >= p[0];
}

// Relative luminance of a stored colour (sRGB).
double Luminance(const Pixel& p)
{
    auto channel = [](int c) {
        const double v = c / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(p[0]) + 0.7152 * channel(p[1]) + 0.0722 * channel(p[2]);
}

// Every pixel of the frame's outer band (main scene) is background.
::testing::AssertionResult MarginIsBackground(const CFrameImage& frame, int band)
{
    for (int y = 0; y < 680; ++y)
        for (int x = 0; x < 1000; ++x) {
            const bool edge = x < band || x >= 1000 - band || y < band || y >= 680 - band;
            if (const Pixel p = frame.Pixel(x, y); edge && !IsBackgroundPixel(p))
                return ::testing::AssertionFailure() << "not background at " << x << "," << y << ": " << int(p[0])
                                                     << " " << int(p[1]) << " " << int(p[2]);
        }
    return ::testing::AssertionSuccess();
}

class PlannerFrameTest : public CGlPixelTest
{
  protected:
    void SetUp() override
    {
        CGlPixelTest::SetUp();
        if (HasFatalFailure())
            return;
        m_nSavedThreshold = g_nIsoThreshold;
        m_nSavedOperator = g_nIsoOperator;
        m_fSavedVoxel = GetVoxelSize();
    }

    void TearDown() override
    {
        CGlPixelTest::TearDown();
        if (m_renderer) {
            m_renderer->ReleaseGL();
            m_renderer.reset();
        }
        g_nIsoThreshold = m_nSavedThreshold;
        g_nIsoOperator = m_nSavedOperator;
        SetVoxelSize(m_fSavedVoxel);
    }

    // The default rig in a room of its own, planner style, computed and drawn.
    CFrameImage Start(float length, float width, float height, float voxelCm, bool view2d = false)
    {
        CreateSceneSettings();
        SceneSettings& s = *GetSceneSettings();
        s.SetRoomLength(length);
        s.SetRoomWidth(width);
        s.SetRoomHeight(height);
        s.SetCameraCount(4);
        s.Set2DView(view2d);
        SetVoxelSize(voxelCm);
        m_renderer = std::make_unique<CSceneRenderer>();
        m_renderer->InitGL();
        m_renderer->ResetCameras();
        SetIsoThreshold(4);
        m_renderer->SetViewStyle(ViewStyle::Planner);
        s.SetRecalculate(true);
        m_renderer->Render();
        return Frame();
    }

    CFrameImage Draw()
    {
        m_renderer->Render();
        return Frame();
    }

    std::vector<Vec3d> FrontCameras() const
    {
        std::vector<Vec3d> front;
        const CCameraSet& cams = *CCameraSet::Current();
        for (int i = 0; i < 4; ++i)
            if (cams.GetPosition(i).z > 0.0)
                front.push_back(cams.GetPosition(i));
        return front;
    }

    std::unique_ptr<CSceneRenderer> m_renderer;

  private:
    unsigned m_nSavedThreshold = 0;
    unsigned m_nSavedOperator = 0;
    float m_fSavedVoxel = 20.0f;
};

TEST_F(PlannerFrameTest, LargeAndSmallRoomsFitWholeWithTheirCamerasInBothProjections)
{
    struct Room {
        float l, w, h, voxel;
    };
    for (const Room room : {Room{20, 20, 6, 50}, Room{1.5f, 1.5f, 1.5f, 10}}) {
        CFrameImage frame = Start(room.l, room.w, room.h, room.voxel);
        for (const bool ortho : {false, true}) {
            if (ortho) {
                m_renderer->SetOrthographic();
                m_renderer->FitRoom();
                frame = Draw();
            }
            const std::string what = std::to_string(room.l) + (ortho ? " ortho" : " perspective");
            EXPECT_TRUE(MarginIsBackground(frame, 6)) << what;
            // The room takes the frame: its floor corners lie far apart on screen.
            const CPlannerProjection& view = m_renderer->GetPlannerProjection();
            const Vec3d a = view.Plan({-room.l / 2.0, -room.h / 2.0, room.w / 2.0});
            const Vec3d b = view.Plan({room.l / 2.0, -room.h / 2.0, room.w / 2.0});
            EXPECT_GT(b.x - a.x, 400.0) << what;
            for (const Vec3d& cam : FrontCameras()) {
                const Vec3d p = view.Plan(cam);
                ASSERT_TRUE(p.x > 0 && p.x < 1000 && p.y > 0 && p.y < 680) << what;
                const Pixel sphere = frame.Pixel(static_cast<int>(p.x), static_cast<int>(p.y));
                EXPECT_TRUE(IsSphere(sphere))
                    << what << ": " << int(sphere[0]) << " " << int(sphere[1]) << " " << int(sphere[2]);
            }
        }
        m_renderer->ReleaseGL();
        m_renderer.reset();
    }
}

TEST_F(PlannerFrameTest, SquareFrontWallMeasuresSquareInBothProjections)
{
    CFrameImage frame = Start(6, 6, 6, 25, true);
    for (const bool ortho : {false, true}) {
        if (ortho) {
            m_renderer->SetOrthographic();
            m_renderer->FitRoom();
            frame = Draw();
        }
        const Vec3d c = m_renderer->GetPlannerProjection().Plan({0, 0, 3});
        const int cx = static_cast<int>(c.x), cy = static_cast<int>(c.y);
        ASSERT_TRUE(IsVoxel(frame.Pixel(cx, cy)));
        // Runs of voxel colour from the middle out, along the row and the
        // column; a pyramid's line across them is no edge.
        auto run = [&](int x, int y, int dx, int dy) {
            int last = 0;
            for (int step = 1, gap = 0; gap <= 3; ++step) {
                const int px = x + dx * step, py = y + dy * step;
                if (px < 0 || px > 999 || py < 0 || py > 679)
                    break;
                if (IsVoxel(frame.Pixel(px, py))) {
                    last = step;
                    gap = 0;
                } else {
                    ++gap;
                }
            }
            return last;
        };
        const int left = cx - run(cx, cy, -1, 0), right = cx + run(cx, cy, 1, 0);
        const int bottom = cy - run(cx, cy, 0, -1), top = cy + run(cx, cy, 0, 1);
        const double width = right - left + 1, height = top - bottom + 1;
        EXPECT_GT(height, 300.0);
        EXPECT_NEAR(width / height, 1.0, 0.01) << (ortho ? "ortho " : "perspective ") << width << " x " << height;
    }
}

TEST_F(PlannerFrameTest, CameraNumbersReadOverRedVoxelsAndKeepClearOfRulerLabels)
{
    // Every voxel red: ">=" 0 holds everywhere.
    Start(5, 5, 5, 20, true);
    SetIsoOperator(3);
    g_nIsoThreshold = 0;
    GetSceneSettings()->SetRecalculate(true);
    const CFrameImage frame = Draw();

    int cameraLabels = 0, rulerLabels = 0;
    bool unitShown = false;
    for (const LabelPlacement& label : m_renderer->GetPlannerLabels()) {
        if (!label.camera) {
            ++rulerLabels;
            unitShown = unitShown || label.text.ends_with(" m");
            continue;
        }
        ++cameraLabels;
        for (const LabelPlacement& other : m_renderer->GetPlannerLabels()) {
            if (!other.camera) {
                EXPECT_FALSE(Overlaps(label.rect, other.rect)) << label.text << " meets ruler " << other.text;
            }
        }
        // Glyph pixels white; their neighbours (the outline and what lies beyond) dark.
        double glyph = 0.0, around = 0.0;
        int glyphs = 0, arounds = 0, red = 0, band = 0;
        const PixelRect& r = label.rect;
        for (int y = static_cast<int>(r.bottom) - 4; y <= static_cast<int>(r.top) + 4; ++y)
            for (int x = static_cast<int>(r.left) - 4; x <= static_cast<int>(r.right) + 4; ++x) {
                const Pixel p = frame.Pixel(x, y);
                const bool inside = x >= r.left && x < r.right && y >= r.bottom && y < r.top;
                if (inside && IsWhite(p)) {
                    glyph += Luminance(p);
                    ++glyphs;
                    // The eight neighbours that are not glyph.
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            if (const Pixel n = frame.Pixel(x + dx, y + dy); !IsWhite(n)) {
                                around += Luminance(n);
                                ++arounds;
                            }
                } else if (!inside) {
                    ++band;
                    red += IsRedVoxel(p) ? 1 : 0;
                }
            }
        ASSERT_GT(glyphs, 5) << label.text;
        ASSERT_GT(arounds, 0);
        const double contrast = (glyph / glyphs + 0.05) / (around / arounds + 0.05);
        EXPECT_GT(contrast, 7.0) << label.text;
        // The label does stand over the red voxels.
        EXPECT_GT(red, band / 3) << label.text;
    }
    EXPECT_EQ(cameraLabels, 4);
    EXPECT_GE(rulerLabels, 3);
    EXPECT_TRUE(unitShown);
}

TEST_F(PlannerFrameTest, RulerValuesArePaleBlueAndCameraNumbersWhite)
{
    const CFrameImage frame = Start(12, 8, 4, 25);
    const auto near = [](const Pixel& p, int r, int g, int b) {
        return std::abs(p[0] - r) <= 2 && std::abs(p[1] - g) <= 2 && std::abs(p[2] - b) <= 2;
    };
    int cameraLabels = 0, rulerLabels = 0;
    for (const LabelPlacement& label : m_renderer->GetPlannerLabels()) {
        int white = 0, blue = 0;
        for (int y = static_cast<int>(label.rect.bottom); y < static_cast<int>(label.rect.top); ++y)
            for (int x = static_cast<int>(label.rect.left); x < static_cast<int>(label.rect.right); ++x) {
                white += IsWhite(frame.Pixel(x, y));
                blue += near(frame.Pixel(x, y), 140, 204, 255);
            }
        if (label.camera) {
            ++cameraLabels;
            EXPECT_GT(white, 5) << label.text;
            EXPECT_LT(blue, white) << label.text;
        } else {
            ++rulerLabels;
            EXPECT_GT(blue, 5) << label.text;
            EXPECT_LT(white, blue) << label.text;
        }
    }
    EXPECT_GT(cameraLabels, 0);
    EXPECT_GE(rulerLabels, 3);
}

TEST_F(PlannerFrameTest, CountViewLegendKeysRedAndGreenWithWholeSquares)
{
    const CFrameImage frame = Start(5, 5, 5, 25, true);
    const LegendPanel legend = CountLegendPanel(GetIsoOperator(), GetIsoThreshold());
    EXPECT_EQ(legend.rows[0].text, "meets: count == 4");
    const LegendLayout layout = LayoutLegendPanel(legend, 992.0, 8.0);
    ASSERT_EQ(layout.squares.size(), 2u);
    const CRgb8 colours[2] = {{255, 0, 0}, {0, 255, 0}};
    for (int i = 0; i < 2; ++i) {
        const PixelRect& s = layout.squares[i];
        const int side = static_cast<int>(s.right - s.left);
        EXPECT_EQ(CountPixelsNear(frame, static_cast<int>(s.left), static_cast<int>(s.bottom),
                                  static_cast<int>(s.right) - 1, static_cast<int>(s.top) - 1, colours[i], 0),
                  side * side);
    }
    // The backing: dark panel pixels, not the background grey.
    const PixelRect& p = layout.panel;
    EXPECT_TRUE(PixelNear(frame, static_cast<int>(p.left) + 3, static_cast<int>(p.bottom) + 3, {20, 20, 20}, 2));
}

TEST_F(PlannerFrameTest, WheelZoomsTowardsTheCursorFitRoomFramesAgainAndShiftDragPans)
{
    Start(8, 6, 3, 50);
    const CPlannerProjection& view = m_renderer->GetPlannerProjection();
    const double fitted = view.GetDistance();
    const Vec3d target{2.0, 0.0, 0.0};
    const Vec3d before = view.Plan(target);
    // Client pixels: y runs down from the top of the 725-pixel window.
    m_renderer->OnWheel(static_cast<int>(before.x), 725 - static_cast<int>(before.y), 240);
    EXPECT_NEAR(view.GetDistance(), fitted * 0.85 * 0.85, 1e-9);
    const Vec3d after = view.Plan(target);
    EXPECT_NEAR(after.x, before.x, 1.0);
    EXPECT_NEAR(after.y, before.y, 1.0);
    m_renderer->OnWheel(500, 300, -120);
    EXPECT_NEAR(view.GetDistance(), fitted * 0.85, 1e-9);
    m_renderer->FitRoom();
    EXPECT_NEAR(view.GetDistance(), fitted, 1e-9);

    // Shift held at the press: the drag pans by the pixels the mouse moved.
    g_nLastMouseX = 400;
    g_nLastMouseY = 300;
    const Vec3d start = view.Plan(target);
    m_renderer->OnButtonDown(kButtonFlagLeft | kButtonFlagShift);
    m_renderer->OnMouseMove(430, 280);
    m_renderer->OnMouseMove(450, 290);
    m_renderer->OnLeftButtonUp();
    const Vec3d moved = view.Plan(target);
    EXPECT_NEAR(moved.x - start.x, 50.0, 1e-6);
    EXPECT_NEAR(moved.y - start.y, 10.0, 1e-6);
    EXPECT_EQ(m_renderer->GetView().yaw, 0.0f);
    // Without Shift the drag turns the room, a quarter of the classic degree a pixel.
    m_renderer->OnButtonDown(kButtonFlagLeft);
    m_renderer->OnMouseMove(460, 290);
    EXPECT_EQ(m_renderer->GetView().yaw, 2.5f);
}

TEST_F(PlannerFrameTest, ClassicStyleIgnoresWheelAndFitAndSwitchingBackDrawsTheClassicFrame)
{
    Start(5, 5, 5, 25);
    m_renderer->SetViewStyle(ViewStyle::Classic);
    const CFrameImage classic = Draw();
    const ViewPose pose = m_renderer->GetView();
    const double distance = m_renderer->GetPlannerProjection().GetDistance();
    m_renderer->OnWheel(500, 300, 120);
    m_renderer->FitRoom();
    EXPECT_EQ(m_renderer->GetView(), pose);
    EXPECT_EQ(m_renderer->GetPlannerProjection().GetDistance(), distance);
    // Planner and back: the classic frame byte for byte.
    m_renderer->SetViewStyle(ViewStyle::Planner);
    const CFrameImage planner = Draw();
    m_renderer->SetViewStyle(ViewStyle::Classic);
    const CFrameImage again = Draw();
    EXPECT_NE(planner.m_pixels, classic.m_pixels);
    EXPECT_EQ(again.m_pixels, classic.m_pixels);
}

TEST_F(PlannerFrameTest, NewRoomIsFittedAndARoomEnteredInFeetGetsFootRulers)
{
    Start(5, 5, 5, 25);
    const double small = m_renderer->GetPlannerProjection().GetDistance();
    SceneSettings& s = *GetSceneSettings();
    s.SetUnits("F");
    s.SetRoomLength(40);
    s.SetRoomWidth(30);
    s.SetRoomHeight(10);
    s.SetRecalculate(true);
    const CFrameImage frame = Draw();
    EXPECT_EQ(m_renderer->GetRulerUnit(), LengthUnit::Feet);
    EXPECT_GT(m_renderer->GetPlannerProjection().GetDistance(), small * 1.5);
    EXPECT_TRUE(MarginIsBackground(frame, 6));
    bool feet = false;
    for (const LabelPlacement& label : m_renderer->GetPlannerLabels()) {
        EXPECT_EQ(label.text.find(" m"), std::string::npos) << label.text;
        feet = feet || label.text.ends_with(" ft");
    }
    EXPECT_TRUE(feet);
    // A new room in metres speaks metres again.
    s.SetRoomLength(7);
    s.SetRecalculate(true);
    Draw();
    EXPECT_EQ(m_renderer->GetRulerUnit(), LengthUnit::Metres);
}

class PlannerCliTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("planner_cli_" + std::to_string(getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    int Render(const std::string& arguments)
    {
        return RunRenderCommand(arguments, (m_dir / "stderr").string(), m_strErr);
    }

    fs::path m_dir;
    std::string m_strErr;
};

TEST_F(PlannerCliTest, PlannerPicturesOfLargeAndSmallRoomsKeepAMarginAndShowTheCameras)
{
    for (const std::string room : {"20,20,6 --voxel 50", "1.5,1.5,1.5 --voxel 10"}) {
        for (const std::string projection : {"", " --orthographic"}) {
            const fs::path png = m_dir / "planner.png";
            ASSERT_EQ(Render("--style planner --room " + room + projection + " --png '" + png.string() + "'"), 0)
                << m_strErr;
            const CFrameImage frame = ReadPngFrame(png.string());
            ASSERT_EQ(frame.m_nWidth, 1000);
            EXPECT_TRUE(MarginIsBackground(frame, 6)) << room << projection;
            int spheres = 0;
            for (int y = 0; y < 680; ++y)
                for (int x = 0; x < 1000; ++x)
                    spheres += IsSphere(frame.Pixel(x, y)) && !IsWhite(frame.Pixel(x, y));
            EXPECT_GT(spheres, 100) << room << projection;
        }
    }
}

TEST_F(PlannerCliTest, StyleOptionIsCheckedAndClassicStaysTheDefault)
{
    const fs::path a = m_dir / "a.png", b = m_dir / "b.png";
    ASSERT_EQ(Render("--png '" + a.string() + "'"), 0) << m_strErr;
    ASSERT_EQ(Render("--style classic --png '" + b.string() + "'"), 0) << m_strErr;
    EXPECT_EQ(ReadPngFrame(a.string()).m_pixels, ReadPngFrame(b.string()).m_pixels);

    EXPECT_NE(Render("--style fancy --png '" + a.string() + "'"), 0);
    EXPECT_NE(m_strErr.find("--style"), std::string::npos) << m_strErr;
    EXPECT_NE(Render("--style planner --zoom 2 --png '" + b.string() + "'"), 0);
    EXPECT_NE(m_strErr.find("fits the room"), std::string::npos) << m_strErr;
}

} // namespace
