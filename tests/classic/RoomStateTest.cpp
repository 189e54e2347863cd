// The room as RENDER, a plan file and the undo history store it: one capture,
// one apply, one comparison.
#include "ClassicFixture.h"

#include "classic/RoomState.h"

#include <gtest/gtest.h>

namespace
{

using RoomStateTest = ClassicTest;

TEST_F(RoomStateTest, ApplyThenCaptureGivesTheSameRoomAndSetsTheCeiling)
{
    const RoomState feet{"F", 20.0f, 12.5f, 9.0f, 1.0f, 2.0f, 0.5f, 7.5f};
    feet.Apply();
    const RoomState captured = RoomState::Capture();
    EXPECT_EQ(captured.units, "F");
    EXPECT_EQ(captured.length, 20.0f);
    EXPECT_EQ(captured.width, 12.5f);
    EXPECT_EQ(captured.height, 9.0f);
    EXPECT_EQ(captured.scaleY, 2.0f);
    EXPECT_EQ(captured.scaleZ, 0.5f);
    EXPECT_EQ(captured.voxelSize, 7.5f);
    EXPECT_EQ(GetVoxelSize(), 7.5f);
    // The ceiling of the display, half the height above the room's centre.
    EXPECT_EQ(Scene().GetDisplayCeiling(), 4.5f);
    EXPECT_TRUE(SameRoom(captured, feet));
}

TEST_F(RoomStateTest, SameRoomComparesMetresScalesAndVoxelSize)
{
    const float tenFeet = 10.0f * kMetresPerFoot;
    const RoomState metres{"m", 20.0f * kMetresPerFoot, tenFeet, tenFeet, 1.0f, 1.0f, 1.0f, 20.0f};
    RoomState feet = metres;
    feet.units = "f";
    feet.length = 20.0f;
    feet.width = feet.height = 10.0f;
    // Each side converted to float as a frame converts it.
    EXPECT_TRUE(SameRoom(metres, feet));
    feet.units = "m";
    EXPECT_FALSE(SameRoom(metres, feet));
    RoomState scaled = metres;
    scaled.scaleX = 2.0f;
    EXPECT_FALSE(SameRoom(metres, scaled));
    RoomState finer = metres;
    finer.voxelSize = 10.0f;
    EXPECT_FALSE(SameRoom(metres, finer));
}

} // namespace
