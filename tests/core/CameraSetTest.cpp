#include "TestSupport.h"

#include "cameras/Angles.h"
#include "cameras/CameraTypes.h"

#include <cmath>

namespace
{

using CameraSetTest = RigFixture;

TEST_F(CameraSetTest, ZeroAndTooManyCamerasAllocateNothing)
{
    m_room.Update();
    for (uint32_t n : {0u, kMaxCameras + 1, 4294967295u}) {
        Settings().SetCameraCount(n);
        Cameras().Allocate();
        Cameras().SetDefaults(m_room);
        Cameras().RecomputeFieldOfView();
        EXPECT_FALSE(Cameras().IsAllocated()) << n;
        EXPECT_EQ(Cameras().GetLabel(0), "Invalid Camera No.");
        EXPECT_EQ(Cameras().CountEnabledInRange(), 0u);
    }
    EXPECT_FALSE(IsValidCameraCount(-1));
    EXPECT_TRUE(IsValidCameraCount(kMaxCameras));
}

TEST_F(CameraSetTest, DefaultPlacementAtTheCeilingCornersThenTheCentre)
{
    // Three cameras: the n <= 4 branch.
    MakeDefaultRig(3, 10, 6, 3);
    EXPECT_EQ(Cameras().ToUser(Cameras().GetPosition(2)), (Vec3d{10, 3, 6}));
    EXPECT_EQ(Cameras().GetHTilt(2), 225.0f);

    MakeDefaultRig(6, 10, 6, 3);
    const Vec3d user[] = {{0, 3, 0}, {10, 3, 0}, {10, 3, 6}, {0, 3, 6}, {5, 1.5, 3}, {5, 1.5, 3}};
    const float hTilt[] = {45, 135, 225, 315, 0, 0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Cameras().ToUser(Cameras().GetPosition(i)), user[i]) << "camera " << i + 1;
        EXPECT_EQ(Cameras().GetHTilt(i), hTilt[i]);
        EXPECT_EQ(Cameras().GetVTilt(i), 45.0f);
        EXPECT_EQ(Cameras().GetFocalLength(i), 8.5f);
        EXPECT_EQ(Cameras().GetAperture(i), 1.0 / 12.0);
        EXPECT_EQ(Cameras().GetFrameWidth(i), 6.5241f);
        EXPECT_EQ(Cameras().GetFrameHeight(i), 4.8807f);
        EXPECT_EQ(Cameras().GetEnabled(i), 1);
        EXPECT_EQ(Cameras().GetEdgeHPlus(i), (Vec3d{0, -1, 0}));
        EXPECT_EQ(Cameras().GetEdgeVMinus(i), (Vec3d{1, 0, 0}));
    }
    EXPECT_EQ(Cameras().GetLabel(5), "Camera 6");
}

TEST_F(CameraSetTest, FieldsOfViewUseTheProgramsPi)
{
    MakeDefaultRig(2, 10, 6, 3);
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %.2f", Cameras().GetHFov(0), Cameras().GetVFov(0));
    EXPECT_STREQ(text, "42.00 32.04");
    EXPECT_NEAR(Cameras().GetHFov(0), 41.99573, 1e-4); // 41.97 with the true pi

    Cameras().SetFocalLength(0, 17);
    Cameras().SetEdgeHPlus(0, {0.6, 0.8, 0});
    Cameras().SetEdgeVPlus(1, {0, 0, 1});
    Cameras().RecomputeFieldOfView();
    EXPECT_EQ(Cameras().GetHFov(0), static_cast<float>(2 * std::atan(6.5241f / 34.0) * 57.30269528002474));
    EXPECT_NEAR(Cameras().GetHFov(0), 21.72699, 1e-4);
    EXPECT_NEAR(Cameras().GetHFov(1), 41.99573, 1e-4);
    EXPECT_EQ(Cameras().GetEdgeHPlus(0), (Vec3d{0, -1, 0}));
    EXPECT_EQ(Cameras().GetEdgeVPlus(1), (Vec3d{1, 0, 0}));

    // A zero focal length gives atan(inf) = pi/2, times the program's factor: not 180.
    Cameras().SetFocalLength(1, 0);
    Cameras().RecomputeFieldOfView();
    EXPECT_NEAR(Cameras().GetHFov(1), 180.0217, 1e-4);
    EXPECT_NEAR(kDegreesPerRadian * kRadiansPerDegree, 1.0, 1e-15);
}

TEST_F(CameraSetTest, EnabledCountStaysInsideTheActiveRange)
{
    MakeDefaultRig(8, 10, 6, 3);
    Cameras().SetEnabled(5, 0);
    const struct {
        uint32_t first, end, expected;
    } cases[] = {{5, 8, 2}, {0, 8, 7}, {0, 20, 7}, {6, 3, 0}};
    for (const auto& k : cases) {
        Settings().SetFirstCamera(k.first);
        Settings().SetEndCamera(k.end);
        EXPECT_EQ(Cameras().CountEnabledInRange(), k.expected) << k.first << ".." << k.end;
    }
}

TEST_F(CameraSetTest, UserFrameRoundTripsAndStartsAtZeroOrigin)
{
    EXPECT_EQ(Cameras().ToUser({1, 2, 3}), (Vec3d{1, 2, -3}));
    Cameras().SetUserOrigin({-5, 1.5, 3});
    const Vec3d scene{1.25, -0.5, 2};
    EXPECT_EQ(Cameras().ToUser(scene), (Vec3d{6.25, 1.0, 1.0}));
    EXPECT_EQ(Cameras().FromUser(Cameras().ToUser(scene)), scene);
}

TEST(CameraTypesTest, TableAndOutOfRangeAnswers)
{
    EXPECT_EQ(CameraTypeName(0) + CameraTypeName(1) + CameraTypeName(2), "T4 CameraQ CameraKX Camera");
    EXPECT_EQ(CameraTypePixelsX(0) * CameraTypePixelsY(0), 1280 * 1024);
    EXPECT_EQ(CameraTypePixelsX(2) * CameraTypePixelsY(2), 659 * 493);
    for (int bad : {-1, 3}) {
        EXPECT_EQ(CameraTypeName(bad), "Invalid Camera");
        EXPECT_EQ(CameraTypePixelsX(bad) + CameraTypePixelsY(bad), -2);
    }
}

TEST(Vec3dTest, NormalizeKeepsZero)
{
    Vec3d zero;
    zero.Normalize();
    EXPECT_EQ(zero, Vec3d{});
}

} // namespace
