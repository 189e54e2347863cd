#include "scene/RoomBox.h"

#include <gtest/gtest.h>

namespace {

TEST(RoomBoxTest, CornersFollowTheirNumbering)
{
    CRoomBox room;
    room.Update(10, 6, 3);
    const double l = 5, w = 3, h = 1.5;
    const Vec3d expected[CRoomBox::kCornerCount] = {
        {-l, -h, w}, {l, -h, w}, {l, h, w}, {-l, h, w}, {-l, -h, -w}, {l, -h, -w}, {l, h, -w}, {-l, h, -w},
    };
    for (int i = 0; i < CRoomBox::kCornerCount; ++i)
        EXPECT_EQ(room.Corner(i), expected[i]) << "corner " << i;
    EXPECT_EQ(room.HalfLength(), 5.0f);
    EXPECT_EQ(room.HalfWidth(), 3.0f);
    EXPECT_EQ(room.HalfHeight(), 1.5f);
}

} // namespace
