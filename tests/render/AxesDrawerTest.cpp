// Where the ticks, their labels and the axis letters land, in scene coordinates.
#include "GlTestSupport.h"

#include "render/AxesDrawer.h"
#include "render/BitmapText.h"
#include "render/RoomModel.h"
#include "scene/DrawColor.h"
#include "scene/SceneSettings.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace
{

// Ticks, labels and letters on an orthographic box of 100 pixels per unit.
class AxesDrawerTest : public CGlPixelTest
{
  protected:
    void SetUp() override
    {
        CGlPixelTest::SetUp();
        LoadFeedbackProjection();
        BuildBitmapFont();
        CreateDrawColor();
    }
    void TearDown() override
    {
        DeleteBitmapFont();
        DestroyDrawColor();
        CGlPixelTest::TearDown();
    }
};

const double kWhite[3] = {1.0, 1.0, 1.0};

Vec3d Scaled(const Vec3d& v, double k)
{
    return {v.x * k, v.y * k, v.z * k};
}

void ExpectColor(const std::array<float, 4>& actual, const double* rgb, const char* what, size_t index)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_FLOAT_EQ(actual[static_cast<size_t>(i)], static_cast<float>(rgb[i])) << what << " " << index;
}

void ExpectNear(const Vec3d& actual, const Vec3d& expected, const char* what, size_t index)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-4) << what << " " << index;
    EXPECT_NEAR(actual.y, expected.y, 1e-4) << what << " " << index;
    EXPECT_NEAR(actual.z, expected.z, 1e-4) << what << " " << index;
}

TEST_F(AxesDrawerTest, TickRowsRunFromTheirCornerWithTicksAndLabelsOnTheirSide)
{
    struct Case {
        const char* name;
        void (CAxesDrawer::*row)(Vec3d, bool, float) const;
        bool side;
        Vec3d along;   // one division
        Vec3d tickEnd; // relative to the tick
        Vec3d labelAt; // relative to the tick
    };
    const Case cases[] = {
        {"x, front", &CAxesDrawer::DrawTickRowX, true, {1, 0, 0}, {0, 0, 0.1}, {0, -0.1, 0.1}},
        {"x, back", &CAxesDrawer::DrawTickRowX, false, {1, 0, 0}, {0, 0, -0.1}, {0, -0.1, -0.1}},
        {"y, right corner", &CAxesDrawer::DrawTickRowY, true, {0, 1, 0}, {-0.1, 0, 0}, {-0.3, 0, 0}},
        {"y, left corner", &CAxesDrawer::DrawTickRowY, false, {0, 1, 0}, {0.1, 0, 0}, {0.1, 0, 0}},
        {"z, left", &CAxesDrawer::DrawTickRowZ, true, {0, 0, -1}, {-0.1, 0, 0}, {-0.3, 0, 0}},
        {"z, right", &CAxesDrawer::DrawTickRowZ, false, {0, 0, -1}, {0.1, 0, 0}, {0.1, 0, 0}},
    };
    CAxesDrawer axes;
    axes.SetDivisions(2);
    const Vec3d start{-1.0, -1.0, 1.0};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CFeedback issued = CaptureFeedback([&] { (axes.*c.row)(start, c.side, 2.0f); });
        ASSERT_EQ(issued.lines.size(), 3u);
        // "1.0" and "2.0": three glyphs each, the first at the label point.
        ASSERT_EQ(issued.glyphs.size(), 6u);
        for (size_t i = 0; i < 3; ++i) {
            const Vec3d tick = start + Scaled(c.along, static_cast<double>(i));
            ExpectNear(issued.lines[i].from.p, tick, "tick", i);
            ExpectNear(issued.lines[i].to.p, tick + c.tickEnd, "tick end", i);
            if (i > 0)
                ExpectNear(issued.glyphs[3 * (i - 1)].p, tick + c.labelAt, "label", i);
        }
    }
}

TEST_F(AxesDrawerTest, ScalesPutTheirRowsOnTheRoomEdgesWithTicksPointingAsTheRoomNeeds)
{
    CreateSceneSettings();
    SceneSettings& settings = *GetSceneSettings();
    settings.SetRoomLength(4.0f);
    settings.SetRoomWidth(3.0f);
    settings.SetRoomHeight(2.0f);
    CRoomModel room;
    room.Update();
    CAxesDrawer axes;
    // A colour of its own: the shared drawing colour turns white after each scale.
    const double green[3] = {0.0, 1.0, 0.0};

    // One division: each row is the corner tick and the far tick, labelled
    // with the whole edge.
    struct Row {
        Vec3d corner, tickDirection;
    };
    struct Case {
        const char* name;
        void (CAxesDrawer::*scale)(const CRoomModel&, const double*) const;
        Vec3d edge;
        std::vector<Row> rows;
    };
    const Case cases[] = {
        {"x", &CAxesDrawer::DrawXScale, {4, 0, 0}, {{room.Corner(0), {0, 0, 1}}, {room.Corner(4), {0, 0, -1}}}},
        {"y",
         &CAxesDrawer::DrawYScale,
         {0, 2, 0},
         {{room.Corner(0), {1, 0, 0}},
          {room.Corner(4), {1, 0, 0}},
          {room.Corner(1), {-1, 0, 0}},
          {room.Corner(5), {-1, 0, 0}}}},
        {"z", &CAxesDrawer::DrawZScale, {0, 0, -3}, {{room.Corner(0), {-1, 0, 0}}, {room.Corner(1), {1, 0, 0}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Lit lines would not keep their colour: the scale switches lighting off.
        glEnable(GL_LIGHTING);
        const CFeedback issued = CaptureFeedback([&] { (axes.*c.scale)(room, green); });
        ASSERT_EQ(issued.lines.size(), 2 * c.rows.size());
        EXPECT_EQ(issued.glyphs.size(), 3 * c.rows.size()); // "4.0", "2.0" or "3.0" once per row
        for (size_t r = 0; r < c.rows.size(); ++r) {
            const CFeedbackLine& first = issued.lines[2 * r];
            const CFeedbackLine& far = issued.lines[2 * r + 1];
            ExpectNear(first.from.p, c.rows[r].corner, "row start", r);
            ExpectNear(far.from.p, c.rows[r].corner + c.edge, "row end", r);
            ExpectNear(first.to.p - first.from.p, Scaled(c.rows[r].tickDirection, 0.1), "tick", r);
            ExpectColor(far.to.color, green, "tick colour", r);
            ExpectColor(issued.glyphs[3 * r].color, green, "label colour", r);
        }
    }
    // Each scale leaves lighting on and the colour white.
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    GLdouble color[4] = {};
    glGetDoublev(GL_CURRENT_COLOR, color);
    EXPECT_EQ(color[0] + color[1] + color[2], 3.0);
    glDisable(GL_LIGHTING);
    DestroySceneSettings();
}

TEST_F(AxesDrawerTest, AxisLettersStandBeyondTheArrowTips)
{
    CAxesDrawer axes;
    const Vec3d o{-2.0, -1.0, 0.5};
    glEnable(GL_LIGHTING);
    const CFeedback issued = CaptureFeedback([&] { axes.DrawAxes(o.x, o.y, o.z); });
    ASSERT_EQ(issued.glyphs.size(), 3u);
    // Unlit and white.
    for (size_t i = 0; i < 3; ++i)
        ExpectColor(issued.glyphs[i].color, kWhite, "letter", i);
    ExpectNear(issued.glyphs[0].p, o + Vec3d{1.1, 0, 0}, "X", 0);
    ExpectNear(issued.glyphs[1].p, o + Vec3d{0, 1.1, 0}, "Y", 1);
    ExpectNear(issued.glyphs[2].p, o + Vec3d{0, 0, -1.2}, "Z", 2);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    glDisable(GL_LIGHTING);
}

} // namespace
