// The planning measures: the sensor and marker model against values worked
// out by hand, and the per-voxel pass against the classic coverage and
// against brute force.
#include "support/CoverageFixture.h"

#include "coverage/PlanningMeasures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{

// The default camera: 8.5 mm lens on a 6.5241 x 4.8807 mm sensor of 1280 x 1024 pixels.
constexpr double kFocal = 8.5;
constexpr double kPitch = 6.5241 / 1280.0; // the wider pixel: 0.0050969531 mm

TEST(PlanningModelTest, PixelPitchIsTheLargerPixelSize)
{
    EXPECT_DOUBLE_EQ(PixelPitchMm(6.5241, 4.8807, 1280, 1024), kPitch);
    EXPECT_DOUBLE_EQ(PixelPitchMm(4.0, 6.0, 1000, 1000), 0.006);
    EXPECT_TRUE(std::isnan(PixelPitchMm(6.5, 4.8, 0, 1024)));
}

TEST(PlanningModelTest, MarkerImageAndReachOfTheDefaultCamera)
{
    // s = f D / ((z - f) p) for a 14 mm marker.
    EXPECT_NEAR(MarkerImagePx(kFocal, 14.0, 1000.0, kPitch), 23.5474348133, 1e-9);
    EXPECT_NEAR(MarkerImagePx(kFocal, 14.0, 4400.0, kPitch), 5.3164708226, 1e-9);
    EXPECT_NEAR(MarkerImagePx(kFocal, 14.0, 9000.0, kPitch), 2.5965947420, 1e-9);
    // At or in front of the focal plane nothing images.
    EXPECT_TRUE(std::isnan(MarkerImagePx(kFocal, 14.0, kFocal, kPitch)));
    EXPECT_TRUE(std::isnan(MarkerImagePx(kFocal, 14.0, -100.0, kPitch)));
    // R = f D / (Nmin p) + f; the marker images at exactly Nmin there.
    const double reach = CameraReachMm(kFocal, 14.0, 3.0, kPitch);
    EXPECT_NEAR(reach, 7790.9272057959, 1e-7);
    EXPECT_NEAR(MarkerImagePx(kFocal, 14.0, reach, kPitch), 3.0, 1e-12);
}

std::array<double, 3> Ray(double degrees)
{
    const double a = degrees * std::numbers::pi / 180.0;
    return {std::cos(a), std::sin(a), 0.0};
}

TEST(PlanningModelTest, RayAngleInTrueDegrees)
{
    for (const double degrees : {0.0, 30.0, 90.0, 150.0, 180.0}) {
        const auto a = Ray(0.0), b = Ray(degrees);
        EXPECT_NEAR(RayAngleDeg({a[0], a[1], a[2]}, {b[0], b[1], b[2]}), degrees, 1e-6);
    }
}

TEST(PlanningModelTest, Sigma3dOfTwoEqualCameras)
{
    const double sigma = 0.6;
    // At 90 degrees the error is that of one camera.
    EXPECT_NEAR(Sigma3dMm({Ray(0.0), Ray(90.0)}, {sigma, sigma}), sigma, 1e-12);
    // Narrower pairs lose depth along their bisector as 1 / sin(theta / 2).
    for (const double theta : {60.0, 30.0, 10.0}) {
        const double expected = sigma * std::sin(std::numbers::pi / 4.0) / std::sin(theta * std::numbers::pi / 360.0);
        EXPECT_NEAR(Sigma3dMm({Ray(45.0 - theta / 2.0), Ray(45.0 + theta / 2.0)}, {sigma, sigma}), expected,
                    1e-9 * expected)
            << theta;
    }
    // A third ray out of the plane cannot make it worse.
    EXPECT_LE(Sigma3dMm({Ray(0.0), Ray(90.0), {0.0, 0.0, 1.0}}, {sigma, sigma, sigma}), sigma);
    // Undefined: one ray, parallel rays.
    EXPECT_TRUE(std::isnan(Sigma3dMm({Ray(0.0)}, {sigma})));
    EXPECT_TRUE(std::isnan(Sigma3dMm({Ray(20.0), Ray(20.0)}, {sigma, sigma})));
    EXPECT_TRUE(std::isnan(Sigma3dMm({Ray(20.0), Ray(200.0)}, {sigma, sigma})));
}

TEST(PlanningModelTest, SettingsStartAtTheClassicValuesAndUnusableOnesAreNamed)
{
    const PlanningSettings start;
    EXPECT_EQ(start.markerDiameterMm, 14.0);
    EXPECT_EQ(start.minImagePx, 3.0);
    EXPECT_EQ(start.minAngleDeg, 40.0);
    EXPECT_EQ(start.maxAngleDeg, 140.0);
    EXPECT_EQ(start.pixelNoisePx, 0.5);
    EXPECT_EQ(start.sigmaBoundMm, 1.0);
    const auto bad = [&start](auto change) {
        PlanningSettings s = start;
        change(s);
        return s;
    };
    const PlanningSettings refused[] = {
        bad([](PlanningSettings& s) { s.markerDiameterMm = 0.0; }),
        bad([](PlanningSettings& s) { s.minImagePx = std::nan(""); }),
        bad([](PlanningSettings& s) { s.minAngleDeg = 100.0, s.maxAngleDeg = 90.0; }),
        bad([](PlanningSettings& s) { s.maxAngleDeg = 181.0; }),
        bad([](PlanningSettings& s) { s.pixelNoisePx = -0.5; }),
        bad([](PlanningSettings& s) { s.sigmaBoundMm = INFINITY; }),
    };
    for (const PlanningSettings& s : refused)
        EXPECT_TRUE(CheckPlanningSettings(s).has_value());
    EXPECT_FALSE(CheckPlanningSettings(bad([](PlanningSettings& s) { s.markerDiameterMm = 9.5; })).has_value());
}

class PlanningPassTest : public CoverageTest
{
  protected:
    // Computes the coverage of the rig as it stands, then the measures.
    void ComputeAll()
    {
        Compute();
        ASSERT_EQ(planning.Compute(volume, computed), CPlanningMeasures::Status::Ok);
    }

    // A voxel near the room's centre and its centre.
    size_t Target() const { return volume.VoxelIndex(12, 12, 12); }
    // The grid fixes the centres; it is built here when no computation has yet.
    Vec3d TargetCentre()
    {
        if (volume.GetVoxelCount() == 0) {
            EXPECT_EQ(volume.BuildGrid(Input()), CCoverageVolume::GridStatus::Ok);
        }
        const auto c = volume.Centre(Target());
        return {c[0], c[1], c[2]};
    }

    // Camera c `metres` from the target, looking at it along the
    // direction the horizontal tilt gives.
    void AimAtTarget(int c, float hTiltDegrees, double metres)
    {
        AimStraight(c);
        Rig().SetHTilt(c, hTiltDegrees);
        // Ry(a) takes (1, 0, 0) to (cos a, 0, -sin a). The place is set in
        // true degrees, so the rays meet at the angle asked for; the tilt's
        // own degrees turn the axis 0.01 % further, well inside the field.
        const double a = static_cast<double>(hTiltDegrees) * std::numbers::pi / 180.0;
        const Vec3d t = TargetCentre();
        PlaceCamera(c, t.x - metres * std::cos(a), t.y, t.z + metres * std::sin(a));
    }

    CPlanningMeasures planning;
};

TEST_F(PlanningPassTest, SeenDecidedExactlyAsTheCoveragePass)
{
    MakeRig(4);
    Rig().SetEnabled(1, 0);
    ComputeAll();
    uint64_t pairs = 0;
    for (size_t t = 0; t < volume.GetVoxelCount(); ++t)
        pairs += volume.SeenCount(t);
    uint64_t perCamera = 0;
    for (const auto& figures : planning.GetCameraFigures())
        perCamera += figures.voxelsSeen;
    EXPECT_EQ(perCamera, pairs);
    EXPECT_EQ(planning.SeenAtLeast().size(), 4u); // 0 .. 3 counted cameras
    EXPECT_EQ(planning.SeenAtLeast()[0], volume.GetVoxelCount());
    // A marker needs the camera to see the voxel first.
    for (size_t t = 0; t < volume.GetVoxelCount(); ++t)
        ASSERT_LE(planning.MarkerCount(t), volume.SeenCount(t));
}

TEST_F(PlanningPassTest, MarkerSizeAlongTheAxisAndTheReachCutsIt)
{
    MakeRig(1);
    for (const double metres : {1.0, 4.4, 9.0}) {
        AimAtTarget(0, 0.0f, metres);
        ComputeAll();
        const size_t t = Target();
        const double expected = MarkerImagePx(kFocal, 14.0, metres * 1000.0, kPitch);
        if (expected >= 3.0) {
            EXPECT_EQ(planning.MarkerCount(t), 1u);
            EXPECT_NEAR(planning.BestMarkerPx(t), expected, 1e-4 * expected) << metres;
        } else {
            // 9 m lies beyond the 7.79 m reach: seen, but no marker.
            EXPECT_EQ(volume.SeenCount(t), 1u);
            EXPECT_EQ(planning.MarkerCount(t), 0u);
            EXPECT_TRUE(std::isnan(planning.BestMarkerPx(t)));
        }
        EXPECT_TRUE(std::isnan(planning.BestAngleDeg(t)));
        EXPECT_TRUE(std::isnan(planning.Sigma3d(t)));
    }
    // The camera holds its sensor in single precision.
    EXPECT_DOUBLE_EQ(planning.GetCameraFigures()[0].reachMm,
                     CameraReachMm(kFocal, 14.0, 3.0, PixelPitchMm(6.5241f, 4.8807f, 1280, 1024)));
    // A smaller sensor pixel count halves the marker size and the reach's image.
    Rig().SetCustomPixels(0, 640, 512);
    AimAtTarget(0, 0.0f, 1.0);
    ComputeAll();
    EXPECT_NEAR(planning.BestMarkerPx(Target()), 23.5474348133 / 2.0, 2e-3);
}

TEST_F(PlanningPassTest, PairAngleTriangulationAndErrorOfTwoCameras)
{
    MakeRig(2);
    struct Case {
        float degrees;
        bool triangulable;
    };
    for (const Case& c : {Case{30.0f, false}, Case{90.0f, true}, Case{150.0f, false}}) {
        AimAtTarget(0, 0.0f, 2.0);
        AimAtTarget(1, c.degrees, 2.0);
        ComputeAll();
        const size_t t = Target();
        ASSERT_EQ(planning.MarkerCount(t), 2u) << c.degrees;
        EXPECT_NEAR(planning.BestAngleDeg(t), c.degrees, 1e-4) << c.degrees;
        EXPECT_EQ(planning.Triangulable(t), c.triangulable) << c.degrees;
        if (c.degrees == 90.0f) {
            // Both at 2 m: the error of one camera, 0.5 px * p * z / f.
            EXPECT_NEAR(planning.Sigma3d(t), 0.5 * kPitch * 2000.0 / kFocal, 1e-4);
        }
    }
    // A narrower range leaves the right angle out.
    planningSettings.minAngleDeg = 100.0;
    AimAtTarget(0, 0.0f, 2.0);
    AimAtTarget(1, 90.0f, 2.0);
    ComputeAll();
    EXPECT_FALSE(planning.Triangulable(Target()));
}

TEST_F(PlanningPassTest, DisabledAndOutOfRangeCamerasNeverCount)
{
    MakeRig(3);
    AimAtTarget(0, 0.0f, 2.0);
    AimAtTarget(1, 90.0f, 2.0);
    AimAtTarget(2, 60.0f, 2.5);
    ComputeAll();
    EXPECT_EQ(planning.MarkerCount(Target()), 3u);

    Rig().SetEnabled(1, 0);
    ComputeAll();
    EXPECT_EQ(planning.MarkerCount(Target()), 2u);
    EXPECT_FALSE(planning.GetCameraFigures()[1].counted);
    EXPECT_EQ(planning.GetCameraFigures()[1].voxelsSeen, 0u);
    EXPECT_EQ(planning.GetCameraFigures()[1].voxelsMarker, 0u);
    EXPECT_NEAR(planning.BestAngleDeg(Target()), 60.0, 1e-4);

    Rig().SetEnabled(1, 1);
    Scene().SetFirstCamera(1); // cameras 2 and 3
    Scene().SetEndCamera(3);
    ComputeAll();
    EXPECT_EQ(planning.MarkerCount(Target()), 2u);
    EXPECT_FALSE(planning.GetCameraFigures()[0].counted);
    EXPECT_EQ(planning.GetCameraFigures()[0].voxelsSeen, 0u);
    EXPECT_NEAR(planning.BestAngleDeg(Target()), 30.0, 1e-4);
}

TEST_F(PlanningPassTest, UniqueContributionIsWhatDisablingTheCameraLoses)
{
    MakeRig(4);
    ComputeAll();
    const uint64_t all = planning.TriangulableCount();
    ASSERT_GT(all, 0u);
    std::vector<uint64_t> unique;
    for (const auto& figures : planning.GetCameraFigures())
        unique.push_back(figures.uniqueTriangulable);
    for (int c = 0; c < 4; ++c) {
        Rig().SetEnabled(c, 0);
        ComputeAll();
        EXPECT_EQ(unique[static_cast<size_t>(c)], all - planning.TriangulableCount()) << "camera " << c + 1;
        Rig().SetEnabled(c, 1);
    }
}

TEST_F(PlanningPassTest, FiguresAgreeWithTheVoxels)
{
    MakeRig(4);
    ComputeAll();
    std::vector<uint64_t> markerAtLeast(5, 0);
    uint64_t triangulable = 0, within = 0;
    std::vector<float> sigmas;
    for (size_t t = 0; t < volume.GetVoxelCount(); ++t) {
        for (uint32_t k = 0; k <= planning.MarkerCount(t); ++k)
            ++markerAtLeast[k];
        if (planning.Triangulable(t)) {
            ++triangulable;
            within += planning.Sigma3d(t) <= 1.0f;
            sigmas.push_back(planning.Sigma3d(t));
        }
    }
    EXPECT_EQ(planning.MarkerAtLeast(), markerAtLeast);
    EXPECT_EQ(planning.TriangulableCount(), triangulable);
    EXPECT_EQ(planning.WithinSigmaCount(), within);
    std::sort(sigmas.begin(), sigmas.end());
    EXPECT_EQ(planning.Sigma3dMedian(), sigmas[(sigmas.size() + 1) / 2 - 1]);
    EXPECT_EQ(planning.Sigma3dP95(), sigmas[static_cast<size_t>(std::ceil(0.95 * sigmas.size())) - 1]);
    const double edge = volume.GetVoxelEdge();
    EXPECT_EQ(planning.VolumeOf(triangulable), static_cast<double>(triangulable) * (edge * edge * edge));
}

TEST_F(PlanningPassTest, NeedsACoverageComputation)
{
    MakeRig(2);
    EXPECT_EQ(planning.Compute(volume, Input()), CPlanningMeasures::Status::NoCoverage);
    EXPECT_FALSE(planning.HasResults());
}

} // namespace
