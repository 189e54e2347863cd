// Where the ticks, their labels and the axis letters land, read back from
// OpenGL's feedback mode in scene coordinates.
#include "GlTestSupport.h"

#include "render/AxesDrawer.h"
#include "render/BitmapText.h"
#include "render/RoomModel.h"
#include "scene/DrawColor.h"
#include "scene/SceneSettings.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

struct Segment {
    Vec3d from, to;
};

// What one drawing issued: its lines, and the raster position of every glyph.
struct Issued {
    std::vector<Segment> lines;
    std::vector<Vec3d> glyphs;
};

// An orthographic box of 10 x 7.25 x 20 scene units over the 1000 x 725
// frame: 100 pixels per unit, depth 0..1 for z from +10 to -10.
class AxesDrawerTest : public CGlPixelTest {
protected:
    void SetUp() override
    {
        CGlPixelTest::SetUp();
        glMatrixMode(GL_PROJECTION);
        glOrtho(-5.0, 5.0, -3.625, 3.625, -10.0, 10.0);
        glMatrixMode(GL_MODELVIEW);
        BuildBitmapFont();
        CreateDrawColor();
    }
    void TearDown() override
    {
        DeleteBitmapFont();
        DestroyDrawColor();
        CGlPixelTest::TearDown();
    }

    template <typename Draw>
    static Issued Capture(Draw draw)
    {
        std::vector<GLfloat> buffer(1 << 20);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
        glRenderMode(GL_FEEDBACK);
        draw();
        const GLint size = glRenderMode(GL_RENDER);
        EXPECT_GE(size, 0) << "feedback buffer overflow";
        Issued issued;
        const auto point = [&](GLint i) {
            return Vec3d{buffer[i] / 100.0 - 5.0, buffer[i + 1] / 100.0 - 3.625, 10.0 * (1.0 - 2.0 * buffer[i + 2])};
        };
        for (GLint i = 0; i < size;) {
            const auto token = static_cast<GLint>(buffer[i]);
            if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
                issued.lines.push_back({point(i + 1), point(i + 4)});
                i += 7;
            } else if (token == GL_BITMAP_TOKEN) {
                issued.glyphs.push_back(point(i + 1));
                i += 4;
            } else if (token == GL_POLYGON_TOKEN) {
                i += 2 + 3 * static_cast<GLint>(buffer[i + 1]);
            } else {
                ADD_FAILURE() << "unexpected feedback token " << token;
                break;
            }
        }
        return issued;
    }
};

Vec3d Scaled(const Vec3d& v, double k) { return {v.x * k, v.y * k, v.z * k}; }

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
        Vec3d along;     // one division
        Vec3d tickEnd;   // relative to the tick
        Vec3d labelAt;   // relative to the tick
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
        const Issued issued = Capture([&] { (axes.*c.row)(start, c.side, 2.0f); });
        ASSERT_EQ(issued.lines.size(), 3u);
        // "1.0" and "2.0": three glyphs each, the first at the label point.
        ASSERT_EQ(issued.glyphs.size(), 6u);
        for (size_t i = 0; i < 3; ++i) {
            const Vec3d tick = start + Scaled(c.along, static_cast<double>(i));
            ExpectNear(issued.lines[i].from, tick, "tick", i);
            ExpectNear(issued.lines[i].to, tick + c.tickEnd, "tick end", i);
            if (i > 0)
                ExpectNear(issued.glyphs[3 * (i - 1)], tick + c.labelAt, "label", i);
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
    const double* green = GetDrawColor()->Green();

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
        {"y", &CAxesDrawer::DrawYScale, {0, 2, 0},
         {{room.Corner(0), {1, 0, 0}}, {room.Corner(4), {1, 0, 0}}, {room.Corner(1), {-1, 0, 0}},
          {room.Corner(5), {-1, 0, 0}}}},
        {"z", &CAxesDrawer::DrawZScale, {0, 0, -3}, {{room.Corner(0), {-1, 0, 0}}, {room.Corner(1), {1, 0, 0}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Issued issued = Capture([&] { (axes.*c.scale)(room, green); });
        ASSERT_EQ(issued.lines.size(), 2 * c.rows.size());
        EXPECT_EQ(issued.glyphs.size(), 3 * c.rows.size()); // "4.0", "2.0" or "3.0" once per row
        for (size_t r = 0; r < c.rows.size(); ++r) {
            const Segment& first = issued.lines[2 * r];
            const Segment& far = issued.lines[2 * r + 1];
            ExpectNear(first.from, c.rows[r].corner, "row start", r);
            ExpectNear(far.from, c.rows[r].corner + c.edge, "row end", r);
            ExpectNear(first.to - first.from, Scaled(c.rows[r].tickDirection, 0.1), "tick", r);
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
    const Issued issued = Capture([&] { axes.DrawAxes(o.x, o.y, o.z); });
    ASSERT_EQ(issued.glyphs.size(), 3u);
    ExpectNear(issued.glyphs[0], o + Vec3d{1.1, 0, 0}, "X", 0);
    ExpectNear(issued.glyphs[1], o + Vec3d{0, 1.1, 0}, "Y", 1);
    ExpectNear(issued.glyphs[2], o + Vec3d{0, 0, -1.2}, "Z", 2);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    glDisable(GL_LIGHTING);
}

} // namespace
