#include "scene/RoomBox.h"

#include <gtest/gtest.h>

TEST(RoomBoxTest, CornersFollowTheirNumbering)
{
    CRoomBox room;
    room.Update(10, 6, 3);
    const Vec3d expected[] = {{-5, -1.5, 3},  {5, -1.5, 3},  {5, 1.5, 3},  {-5, 1.5, 3},
                              {-5, -1.5, -3}, {5, -1.5, -3}, {5, 1.5, -3}, {-5, 1.5, -3}};
    for (int i = 0; i < CRoomBox::kCornerCount; ++i)
        EXPECT_EQ(room.Corner(i), expected[i]) << "corner " << i;
}
