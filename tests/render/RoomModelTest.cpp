#include "GlTestSupport.h"

#include "render/RoomModel.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace
{

constexpr float kWall = static_cast<float>(CRoomModel::kWallThickness);

float Bottom(const RoomPiece& p)
{
    return p.y - p.hy;
}
float Top(const RoomPiece& p)
{
    return p.y + p.hy;
}

TEST(RoomPieces, SlabsLieUnderTheFloorAndPostsStandOutsideTheCorners)
{
    struct Room {
        float length, width, height;
    };
    for (const Room r : {Room{5.0f, 5.0f, 5.0f}, Room{8.0f, 3.0f, 2.5f}}) {
        SCOPED_TRACE(testing::Message() << r.length << " x " << r.width << " x " << r.height);
        CRoomModel room;
        room.Update(r.length, r.width, r.height);
        const float hl = r.length / 2, hw = r.width / 2, hh = r.height / 2;
        const auto pieces = room.Pieces();

        // The floor slab's top is the room floor, its footprint the room's.
        const RoomPiece& floor = pieces[0];
        EXPECT_FLOAT_EQ(Top(floor), -hh);
        EXPECT_FLOAT_EQ(Bottom(floor), -hh - kWall);
        EXPECT_EQ(floor.hx, hl);
        EXPECT_EQ(floor.hz, hw);
        // The base slab sits under it and reaches one wall thickness beyond it.
        const RoomPiece& base = pieces[1];
        EXPECT_FLOAT_EQ(Top(base), Bottom(floor));
        EXPECT_FLOAT_EQ(base.hx, hl + kWall);
        EXPECT_FLOAT_EQ(base.hz, hw + kWall);

        // One post per corner, outside the footprint, from the floor slab's
        // bottom to the ceiling; only the front-left one (x < 0, z > 0) is cyan.
        const float signs[4][2] = {{-1, 1}, {1, 1}, {-1, -1}, {1, -1}};
        for (int i = 0; i < 4; ++i) {
            const RoomPiece& post = pieces[static_cast<size_t>(2 + i)];
            EXPECT_FLOAT_EQ(post.x, signs[i][0] * (hl + kWall / 2)) << "post " << i;
            EXPECT_FLOAT_EQ(post.z, signs[i][1] * (hw + kWall / 2)) << "post " << i;
            EXPECT_FLOAT_EQ(2 * post.hx, kWall) << "post " << i;
            EXPECT_FLOAT_EQ(2 * post.hz, kWall) << "post " << i;
            EXPECT_FLOAT_EQ(Bottom(post), -hh - kWall) << "post " << i;
            EXPECT_FLOAT_EQ(Top(post), hh) << "post " << i;
            EXPECT_EQ(post.color, i == 0 ? ColorName::Cyan : ColorName::RosyBrown) << "post " << i;
        }
        EXPECT_EQ(floor.color, ColorName::RosyBrown);
        EXPECT_EQ(base.color, ColorName::RosyBrown);
    }
}

TEST(RoomPieces, BaseSlabReachIsRoundedOnceFromTheDoubleSum)
{
    // A 5 mm room: the float sum of the half length and a float wall rounds
    // the other way from the double sum.
    CRoomModel room;
    room.Update(0.005f, 0.08f, 3.0f);
    const RoomPiece base = room.Pieces()[1];
    const float expectedX = static_cast<float>(static_cast<double>(room.HalfLength()) + CRoomModel::kWallThickness);
    ASSERT_NE(expectedX, room.HalfLength() + kWall);
    EXPECT_EQ(base.hx, expectedX);
    EXPECT_EQ(base.hz, static_cast<float>(static_cast<double>(room.HalfWidth()) + CRoomModel::kWallThickness));
    EXPECT_EQ(base.y, static_cast<float>(-static_cast<double>(room.HalfHeight()) - 1.5 * CRoomModel::kWallThickness));
}

class RoomLight : public CGlPixelTest
{
  protected:
    void TearDown() override
    {
        glDisable(GL_LIGHTING);
        glDisable(GL_LIGHT0);
        CGlPixelTest::TearDown();
    }
};

TEST_F(RoomLight, StaysAboveTheFrontTopEdgeInEyeCoordinates)
{
    CRoomModel room;
    room.Update(6.0f, 4.0f, 3.0f);
    glTranslated(0.0, 0.0, -10.0);
    room.ApplyLight();
    // Turning the scene afterwards does not move the light.
    glRotatef(70.0f, 0.0f, 1.0f, 0.0f);

    GLfloat position[4] = {};
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    EXPECT_FLOAT_EQ(position[0], 0.0f);
    EXPECT_FLOAT_EQ(position[1], 1.25f * 1.5f);
    EXPECT_FLOAT_EQ(position[2], 2.0f - 10.0f);
    EXPECT_FLOAT_EQ(position[3], 1.0f);

    struct Term {
        GLenum name;
        float rgb;
    };
    for (const Term term : {Term{GL_AMBIENT, 0.3f}, Term{GL_SPECULAR, 0.3f}, Term{GL_DIFFUSE, 1.0f}}) {
        GLfloat value[4] = {};
        glGetLightfv(GL_LIGHT0, term.name, value);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(value[i], term.rgb) << "light term " << term.name;
        EXPECT_EQ(value[3], 1.0f);
    }
    GLfloat attenuation[3] = {};
    glGetLightfv(GL_LIGHT0, GL_CONSTANT_ATTENUATION, &attenuation[0]);
    glGetLightfv(GL_LIGHT0, GL_LINEAR_ATTENUATION, &attenuation[1]);
    glGetLightfv(GL_LIGHT0, GL_QUADRATIC_ATTENUATION, &attenuation[2]);
    EXPECT_EQ(attenuation[0], 1.0f);
    EXPECT_EQ(attenuation[1], 0.0f);
    EXPECT_EQ(attenuation[2], 0.0f);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));

    // Front and back material: no emission, no shininess.
    for (const GLenum face : {GL_FRONT, GL_BACK}) {
        GLfloat emission[4] = {1, 1, 1, 0};
        GLfloat shininess = -1.0f;
        glGetMaterialfv(face, GL_EMISSION, emission);
        glGetMaterialfv(face, GL_SHININESS, &shininess);
        EXPECT_EQ(emission[0] + emission[1] + emission[2], 0.0f);
        EXPECT_EQ(emission[3], 1.0f);
        EXPECT_EQ(shininess, 0.0f);
    }
}

} // namespace
