// The cameras' spheres, numbers and frustum edges, read back in scene coordinates.
#include "GlTestSupport.h"

#include "cameras/CameraSet.h"
#include "render/BitmapText.h"
#include "render/CameraGlyphs.h"
#include "scene/DrawColor.h"
#include "scene/SceneSettings.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace
{

const double kRed[3] = {1.0, 0.0, 0.0};
const double kBrown[3] = {1.0 - 90 * 0.00392156862745098, 1.0 - 213 * 0.00392156862745098,
                          1.0 - 213 * 0.00392156862745098};
const double kYellow[3] = {1.0, 1.0, 0.0};
const double kWhite[3] = {1.0, 1.0, 1.0};

void ExpectColor(const std::array<float, 4>& actual, const double* rgb, const char* what)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_FLOAT_EQ(actual[static_cast<size_t>(i)], static_cast<float>(rgb[i])) << what;
}

void ExpectNear(const Vec3d& actual, const Vec3d& expected, const char* what)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-4) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-4) << what;
    EXPECT_NEAR(actual.z, expected.z, 1e-4) << what;
}

std::array<double, 4> CurrentColor()
{
    std::array<double, 4> color{};
    glGetDoublev(GL_CURRENT_COLOR, color.data());
    return color;
}

// Ten cameras in a row across the box, one metre up; lighting on, as in a frame.
class CameraGlyphsTest : public CGlPixelTest
{
  protected:
    void SetUp() override
    {
        CGlPixelTest::SetUp();
        LoadFeedbackProjection();
        BuildBitmapFont();
        CreateDrawColor();
        CreateSceneSettings();
        GetSceneSettings()->SetCameraCount(10);
        CCameraSet& cameras = CCameraSet::Instance();
        cameras.Allocate();
        for (int i = 0; i < 10; ++i) {
            cameras.SetX(i, -4.5f + 0.9f * static_cast<float>(i));
            cameras.SetY(i, 1.0f);
            cameras.SetZ(i, 0.5f);
        }
        glEnable(GL_LIGHTING);
    }
    void TearDown() override
    {
        glDisable(GL_LIGHTING);
        CCameraSet::DestroyInstance();
        DestroySceneSettings();
        DeleteBitmapFont();
        DestroyDrawColor();
        CGlPixelTest::TearDown();
    }

    CCameraGlyphs m_glyphs;
};

TEST_F(CameraGlyphsTest, RangeDrawsNumbersAboveAndEdgesOnlyForEnabledCameras)
{
    CCameraSet& cameras = *CCameraSet::Current();
    GetSceneSettings()->SetFirstCamera(8);
    cameras.SetEnabled(8, 0);
    cameras.SetEdgeHPlus(9, {0.0, 0.0, 2.0});
    cameras.SetEdgeHMinus(9, {0.0, -3.0, 0.0});
    cameras.SetEdgeVPlus(9, {0.6, 0.8, 0.0});
    cameras.SetEdgeVMinus(9, {0.0, 0.0, 0.0});
    const Vec3d p8 = cameras.GetPosition(8);
    const Vec3d p9 = cameras.GetPosition(9);

    const CFeedback issued = CaptureFeedback([&] { m_glyphs.Draw(); });
    // "9" for index 8 and "10" for index 9, red and unlit, 0.1 above each camera;
    // the cameras before the range have none.
    ASSERT_EQ(issued.glyphs.size(), 3u);
    ExpectNear(issued.glyphs[0].p, p8 + Vec3d{0.0, 0.1, 0.0}, "label 9");
    ExpectNear(issued.glyphs[1].p, p9 + Vec3d{0.0, 0.1, 0.0}, "label 10");
    for (const CFeedbackVertex& glyph : issued.glyphs)
        ExpectColor(glyph.color, kRed, "label");

    // The disabled camera has no edges; the enabled one four unit lines, the
    // horizontal edges brown, the vertical ones yellow, a zero edge of no length.
    ASSERT_EQ(issued.lines.size(), 4u);
    const Vec3d ends[4] = {{0, 0, 1}, {0, -1, 0}, {0.6, 0.8, 0}, {0, 0, 0}};
    const double* colors[4] = {kBrown, kBrown, kYellow, kYellow};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ExpectNear(issued.lines[i].from.p, p9, "edge start");
        ExpectNear(issued.lines[i].to.p, p9 + ends[i], "edge end");
        ExpectColor(issued.lines[i].to.color, colors[i], "edge");
    }
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(CurrentColor(), (std::array<double, 4>{1.0, 1.0, 1.0, 1.0}));
}

TEST_F(CameraGlyphsTest, EmptyRangeOnlyTurnsTheColourWhiteAndNoSetDrawsNothing)
{
    GetSceneSettings()->SetFirstCamera(10);
    glColor3d(0.0, 0.0, 1.0);
    CFeedback issued = CaptureFeedback([&] { m_glyphs.Draw(); });
    EXPECT_TRUE(issued.glyphs.empty());
    EXPECT_TRUE(issued.lines.empty());
    EXPECT_EQ(CurrentColor()[2], kWhite[2]);
    EXPECT_EQ(CurrentColor()[0], kWhite[0]);

    GetSceneSettings()->SetFirstCamera(0);
    CCameraSet::Current()->Release();
    glColor3d(0.0, 0.0, 1.0);
    issued = CaptureFeedback([&] { m_glyphs.Draw(); });
    EXPECT_TRUE(issued.glyphs.empty());
    EXPECT_TRUE(issued.lines.empty());
    EXPECT_EQ(CurrentColor(), (std::array<double, 4>{0.0, 0.0, 1.0, 1.0}));
}

} // namespace
