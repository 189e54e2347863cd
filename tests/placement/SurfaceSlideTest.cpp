// A camera moved by hand: which surface it slides on, where a pointer ray
// puts it there (snapped, inside the room), and the floor point its aim meets.
#include "coverage/placement/PlacementCamera.h"
#include "coverage/placement/SurfaceSlide.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

constexpr RoomSize kRoom{6.0, 5.0, 3.0};

TEST(SurfaceSlideTest, SurfaceIsTheNearestWallOrCeilingOrTheCamerasLevel)
{
    // A ceiling corner belongs to the ceiling, though two walls are as near.
    EXPECT_EQ(SurfaceOf({0.0, 3.0, 0.0}, kRoom), (SlidePlane{1, 3.0}));
    // 10 cm under it, it keeps that distance.
    EXPECT_EQ(SurfaceOf({3.0, 2.9, 2.0}, kRoom), (SlidePlane{1, 2.9}));
    // On a wall at 2 m, a little off it.
    EXPECT_EQ(SurfaceOf({0.1, 2.0, 2.5}, kRoom), (SlidePlane{0, 0.1}));
    EXPECT_EQ(SurfaceOf({5.8, 1.0, 2.0}, kRoom), (SlidePlane{0, 5.8}));
    EXPECT_EQ(SurfaceOf({3.0, 1.5, 4.95}, kRoom), (SlidePlane{2, 4.95}));
    // Nearer a wall than the ceiling: the wall.
    EXPECT_EQ(SurfaceOf({0.05, 2.8, 2.5}, kRoom), (SlidePlane{0, 0.05}));
    // On a stand in the middle: it keeps its height.
    EXPECT_EQ(SurfaceOf({3.0, 1.7, 2.0}, kRoom), (SlidePlane{1, 1.7}));
    // Outside the room beyond the tolerance: a stand too.
    EXPECT_EQ(SurfaceOf({-1.0, 1.0, 2.0}, kRoom), (SlidePlane{1, 1.0}));
}

TEST(SurfaceSlideTest, SlideSnapsInThePlaneAndKeepsThePlaneCoordinate)
{
    // Straight down onto the ceiling.
    std::optional<Vec3d> p = SlideOnPlane({1, 3.0}, {1.234, 10.0, 2.512}, {0.0, -1.0, 0.0}, kRoom);
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->x, 1.25, 1e-12);
    EXPECT_DOUBLE_EQ(p->y, 3.0);
    EXPECT_NEAR(p->z, 2.5, 1e-12);

    // A slanted ray onto the wall X = 0; the wall coordinate, off the grid, is kept exactly.
    p = SlideOnPlane({0, 0.02}, {4.02, 2.0, 1.0}, {-1.0, 0.26, 0.5}, kRoom);
    ASSERT_TRUE(p);
    EXPECT_DOUBLE_EQ(p->x, 0.02);
    EXPECT_NEAR(p->y, 3.0, 1e-12); // 2 + 4 * 0.26 = 3.04, snapped to 3.05, held at the ceiling
    EXPECT_NEAR(p->z, 3.0, 1e-12);
    EXPECT_NEAR(std::remainder(p->z, kSlideSnap), 0.0, 1e-9);

    // Past the room's edge the camera stops at it.
    p = SlideOnPlane({1, 3.0}, {-4.0, 10.0, 9.0}, {0.0, -1.0, 0.0}, kRoom);
    ASSERT_TRUE(p);
    EXPECT_DOUBLE_EQ(p->x, 0.0);
    EXPECT_DOUBLE_EQ(p->z, 5.0);

    // A ray along the plane or away from it reaches no point.
    EXPECT_FALSE(SlideOnPlane({1, 3.0}, {1.0, 10.0, 1.0}, {1.0, 0.0, 0.0}, kRoom));
    EXPECT_FALSE(SlideOnPlane({1, 3.0}, {1.0, 10.0, 1.0}, {0.0, 1.0, 0.0}, kRoom));
    // A step of 0 leaves the point as the ray meets it.
    p = SlideOnPlane({1, 0.0}, {1.234, 1.0, 2.512}, {0.0, -1.0, 0.0}, kRoom, 0.0);
    ASSERT_TRUE(p);
    EXPECT_DOUBLE_EQ(p->x, 1.234);
}

TEST(SurfaceSlideTest, AimedFloorPointAndAimAnglesAgree)
{
    // The aim from a ceiling corner at a floor point, read back as the point: the same point.
    const Vec3d camera{0.0, 3.0, 0.0};
    for (const Vec3d target : {Vec3d{3.0, 0.0, 2.5}, Vec3d{5.5, 0.0, 0.5}, Vec3d{0.5, 0.0, 4.5}}) {
        const auto [pan, tilt] = AimTowards(camera, target);
        const Vec3d back = AimedFloorPoint(camera, pan, tilt, kRoom);
        EXPECT_NEAR(back.x, target.x, 1e-4);
        EXPECT_DOUBLE_EQ(back.y, 0.0);
        EXPECT_NEAR(back.z, target.z, 1e-4);
    }
    // Looking level or up: the point below the camera.
    const Vec3d below = AimedFloorPoint({2.0, 2.5, 1.0}, 30.0f, -10.0f, kRoom);
    EXPECT_EQ(below, (Vec3d{2.0, 0.0, 1.0}));
    // An aim that meets the floor beyond a wall: held at the wall.
    const Vec3d far = AimedFloorPoint({1.0, 3.0, 1.0}, 0.0f, 5.0f, kRoom);
    EXPECT_DOUBLE_EQ(far.x, 6.0);
}

} // namespace
