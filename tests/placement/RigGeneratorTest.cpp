// Rigs laid out at once: a ring on the walls and a grid on the ceiling, each
// camera aimed so that the aim point lies on its optical axis as the
// planning measures see the camera.
#include "coverage/placement/RigGenerator.h"
#include "cameras/CameraSet.h"
#include "coverage/PlanningMeasures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

namespace
{

constexpr RoomSize kRoom{8.0, 4.0, 3.0};

// The aim point's direction from the camera against the camera's optical axis, as placed in a plan.
double AimCosine(const CameraPose& pose, const Vec3d& aim)
{
    const Vec3d origin{-4.0, 0.0, 2.0};
    const PlanningCamera cam = PlacedPlanningCamera(CameraModel{}, pose, origin, PlanningSettings{});
    const Vec3d ray = InternalPosition(aim, origin) - cam.position;
    return Dot(Normalized(ray), cam.axis);
}

bool OnAWall(const Vec3d& p)
{
    return p.x == 0.0 || p.x == kRoom.length || p.z == 0.0 || p.z == kRoom.width;
}

TEST(RigGeneratorTest, RingGoesRoundTheWallsAtEqualStepsAimedAtThePoint)
{
    const Vec3d aim{5.0, 1.0, 1.5};
    const std::vector<CameraPose> ring = LayOutRig({RigLayout::WallRing, 6, 2.2, aim}, kRoom);
    ASSERT_EQ(ring.size(), 6u);
    // The perimeter is 24 m: a camera every 4 m, the first 2 m from the corner along X.
    const Vec3d expected[] = {{2, 2.2, 0}, {6, 2.2, 0}, {8, 2.2, 2}, {6, 2.2, 4}, {2, 2.2, 4}, {0, 2.2, 2}};
    for (size_t k = 0; k < ring.size(); ++k) {
        const Vec3d& p = ring[k].position;
        EXPECT_NEAR(p.x, expected[k].x, 1e-12) << k;
        EXPECT_EQ(p.y, 2.2) << k;
        EXPECT_NEAR(p.z, expected[k].z, 1e-12) << k;
        EXPECT_TRUE(OnAWall(p)) << k;
        EXPECT_NEAR(AimCosine(ring[k], aim), 1.0, 1e-6) << k;
    }
    // Looking down at a point below the ring.
    for (const CameraPose& pose : ring)
        EXPECT_GT(pose.vTilt, 0.0f);
}

TEST(RigGeneratorTest, CeilingGridFillsCellsInTheRoomsProportions)
{
    const Vec3d aim{4.0, 0.0, 2.0};
    for (const int n : {1, 2, 7, 8, 12, 31}) {
        const std::vector<CameraPose> grid = LayOutRig({RigLayout::CeilingGrid, n, 0.0, aim}, kRoom);
        ASSERT_EQ(grid.size(), static_cast<size_t>(n));
        std::set<std::pair<double, double>> places;
        for (const CameraPose& pose : grid) {
            const Vec3d& p = pose.position;
            EXPECT_EQ(p.y, kRoom.height);
            EXPECT_GT(p.x, 0.0);
            EXPECT_LT(p.x, kRoom.length);
            EXPECT_GT(p.z, 0.0);
            EXPECT_LT(p.z, kRoom.width);
            places.insert({p.x, p.z});
            EXPECT_NEAR(AimCosine(pose, aim), 1.0, 1e-6) << n;
        }
        EXPECT_EQ(places.size(), static_cast<size_t>(n)) << "two cameras share a place";
    }
    // Eight cameras in a room twice as long as wide: two rows of four, 2 m apart along X and across.
    const std::vector<CameraPose> eight = LayOutRig({RigLayout::CeilingGrid, 8, 0.0, aim}, kRoom);
    EXPECT_EQ(eight[0].position.x, 1.0);
    EXPECT_EQ(eight[0].position.z, 1.0);
    EXPECT_EQ(eight[5].position.x, 3.0);
    EXPECT_EQ(eight[5].position.z, 3.0);
}

TEST(RigGeneratorTest, RefusedRequestsNameTheFieldAndLayOutNothing)
{
    const Vec3d centre{4.0, 1.0, 2.0};
    const std::pair<RigLayoutRequest, const char*> refused[] = {
        {{RigLayout::WallRing, 0, 2.0, centre}, "Cameras"},
        {{RigLayout::CeilingGrid, static_cast<int>(kMaxCameras) + 1, 2.0, centre}, "Cameras"},
        {{RigLayout::WallRing, 4, 3.5, centre}, "Height"},
        {{RigLayout::WallRing, 4, -0.1, centre}, "Height"},
        {{RigLayout::WallRing, 4, std::nan(""), centre}, "Height"},
        {{RigLayout::CeilingGrid, 4, 0.0, {9.0, 1.0, 2.0}}, "Aim point"},
        {{RigLayout::WallRing, 4, 2.0, {4.0, std::nan(""), 2.0}}, "Aim point"},
    };
    for (const auto& [request, field] : refused) {
        const auto why = CheckRigLayout(request, kRoom);
        ASSERT_TRUE(why) << field;
        EXPECT_EQ(why->rfind(field, 0), 0u) << *why;
        EXPECT_TRUE(LayOutRig(request, kRoom).empty()) << field;
    }
    // A grid's height is the ceiling's: the field is not read.
    EXPECT_FALSE(CheckRigLayout({RigLayout::CeilingGrid, 4, 99.0, centre}, kRoom));
}

TEST(RigGeneratorTest, TargetCentreIsTheMiddleOfTheBoxesOrOfTheDefaultTarget)
{
    const Vec3d one = TargetCentre({{{1, 0, 1}, {3, 2, 2}, 1.0}, {{5, 0, 0}, {7, 1, 3}, 2.0}}, kRoom);
    EXPECT_EQ(one.x, 4.0);
    EXPECT_EQ(one.y, 1.0);
    EXPECT_EQ(one.z, 1.5);
    const TargetBox fallback = DefaultTargetBox(kRoom);
    const Vec3d none = TargetCentre({}, kRoom);
    EXPECT_EQ(none.x, (fallback.min.x + fallback.max.x) / 2.0);
    EXPECT_EQ(none.y, (fallback.min.y + fallback.max.y) / 2.0);
}

} // namespace
