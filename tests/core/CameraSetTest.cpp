#include "TestSupport.h"

#include "cameras/Angles.h"
#include "cameras/CameraTypes.h"

#include <cmath>

namespace {

using CameraSetTest = RigFixture;

TEST_F(CameraSetTest, NoCamerasMeansNothingAllocated)
{
    Settings().SetCameraCount(0);
    Cameras().Allocate();
    EXPECT_FALSE(Cameras().IsAllocated());
    EXPECT_EQ(Cameras().GetLabel(0), "Invalid Camera No.");
    m_room.Update();
    Cameras().SetDefaults(m_room);
    Cameras().RecomputeFieldOfView();
    EXPECT_EQ(Cameras().CountEnabledInRange(), 0u);
}

TEST_F(CameraSetTest, CountsAboveTheLimitAreRefusedWithoutAllocating)
{
    EXPECT_FALSE(IsValidCameraCount(0));
    EXPECT_FALSE(IsValidCameraCount(-1));
    EXPECT_TRUE(IsValidCameraCount(1));
    EXPECT_TRUE(IsValidCameraCount(kMaxCameras));
    EXPECT_FALSE(IsValidCameraCount(kMaxCameras + 1LL));
    EXPECT_FALSE(IsValidCameraCount(4294967295LL));

    Settings().SetCameraCount(4294967295u);
    Cameras().Allocate();
    EXPECT_FALSE(Cameras().IsAllocated());
}

TEST_F(CameraSetTest, ThreeCamerasTakeTheFirstThreeCeilingCorners)
{
    MakeDefaultRig(3, 10, 6, 3);
    const int corners[] = {3, 2, 6};
    const float tilts[] = {45, 135, 225};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Cameras().GetPosition(i), m_room.Corner(corners[i]));
        EXPECT_EQ(Cameras().GetHTilt(i), tilts[i]);
        EXPECT_EQ(Cameras().GetLabel(i), "Camera " + std::to_string(i + 1));
    }
}

TEST_F(CameraSetTest, SixCamerasInARoomTenBySixByThree)
{
    MakeDefaultRig(6, 10, 6, 3);
    const Vec3d user[] = {{0, 3, 0}, {10, 3, 0}, {10, 3, 6}, {0, 3, 6}, {5, 1.5, 3}, {5, 1.5, 3}};
    const float hTilt[] = {45, 135, 225, 315, 0, 0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Cameras().ToUser(Cameras().GetPosition(i)), user[i]) << "camera " << i + 1;
        EXPECT_EQ(Cameras().GetHTilt(i), hTilt[i]);
        EXPECT_EQ(Cameras().GetVTilt(i), 45.0f);
        EXPECT_EQ(Cameras().GetFocalLength(i), 8.5f);
        EXPECT_EQ(1.0 / Cameras().GetAperture(i), 12.0);
        EXPECT_EQ(Cameras().GetFrameWidth(i), 6.5241f);
        EXPECT_EQ(Cameras().GetFrameHeight(i), 4.8807f);
        EXPECT_EQ(Cameras().GetSpin(i), 0.0f);
        EXPECT_EQ(Cameras().GetEnabled(i), 1);
        EXPECT_EQ(Cameras().GetEdgeHPlus(i), (Vec3d{0, -1, 0}));
        EXPECT_EQ(Cameras().GetEdgeVMinus(i), (Vec3d{1, 0, 0}));
    }
    EXPECT_NEAR(Cameras().GetAperture(0), 1.0 / 12.0, 1e-17);
}

TEST_F(CameraSetTest, FieldsOfViewUseTheProgramsPi)
{
    MakeDefaultRig(2, 10, 6, 3);
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %.2f", Cameras().GetHFov(0), Cameras().GetVFov(0));
    EXPECT_STREQ(text, "42.00 32.04");
    EXPECT_NEAR(Cameras().GetHFov(0), 41.99573, 1e-4);

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
    EXPECT_EQ(Cameras().GetHFov(1), static_cast<float>(std::acos(-1.0) * kDegreesPerRadian));
    EXPECT_NEAR(Cameras().GetHFov(1), 180.0217, 1e-4);
    EXPECT_NEAR(kDegreesPerRadian * kRadiansPerDegree, 1.0, 1e-15);
}

TEST_F(CameraSetTest, EnabledCountStaysInsideTheActiveRange)
{
    MakeDefaultRig(8, 10, 6, 3);
    Cameras().SetEnabled(5, 0);
    Settings().SetFirstCamera(5);
    Settings().SetEndCamera(8);
    EXPECT_EQ(Cameras().CountEnabledInRange(), 2u);
    Settings().SetFirstCamera(0);
    EXPECT_EQ(Cameras().CountEnabledInRange(), 7u);
    // A range past the set (left by a caller) is not read beyond the last camera.
    Settings().SetEndCamera(20);
    EXPECT_EQ(Cameras().CountEnabledInRange(), 7u);
    Settings().SetFirstCamera(6);
    Settings().SetEndCamera(3);
    EXPECT_EQ(Cameras().CountEnabledInRange(), 0u);
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
    EXPECT_EQ(CameraTypeName(0), "T4 Camera");
    EXPECT_EQ(CameraTypePixelsX(0), 1280);
    EXPECT_EQ(CameraTypePixelsY(0), 1024);
    EXPECT_EQ(CameraTypeName(2), "KX Camera");
    EXPECT_EQ(CameraTypePixelsY(1), 493);
    for (int bad : {-1, 3, 1000}) {
        EXPECT_EQ(CameraTypeName(bad), "Invalid Camera");
        EXPECT_EQ(CameraTypePixelsX(bad), -1);
        EXPECT_EQ(CameraTypePixelsY(bad), -1);
    }
}

TEST(Vec3dTest, NormalizeKeepsZero)
{
    Vec3d zero;
    zero.Normalize();
    EXPECT_EQ(zero, Vec3d{});
    Vec3d v{3, 0, 4};
    v.Normalize();
    EXPECT_EQ(v, (Vec3d{0.6, 0, 0.8}));
}

} // namespace
