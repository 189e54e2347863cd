// A camera's frustum edges and its marker test built from plain values, as a
// placement search builds them for cameras that are in no rig, against what
// the coverage computation and the planning measures make of the same rig.
#include "support/CoverageFixture.h"

#include "cameras/Angles.h"
#include "coverage/FrustumEdges.h"
#include "coverage/PlanningCamera.h"
#include "coverage/PlanningMeasures.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace
{

uint32_t Bits(float v)
{
    uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

class PlanningCameraTest : public CoverageTest
{
  protected:
    // Six cameras of varied aims and lenses, one of them a custom sensor.
    void MakeVariedRig()
    {
        MakeRig(6, 6.0f, 4.0f, 3.0f);
        const float focals[6] = {8.5f, 6.0f, 12.5f, 8.5f, 4.5f, 16.0f};
        for (int c = 0; c < 6; ++c) {
            if (c >= 4)
                PlaceCamera(c, -2.0 + c * 0.7, 1.1 - 0.2 * c, c % 2 ? 1.5 : -1.5);
            Rig().SetFocalLength(c, focals[c]);
            Rig().SetHTilt(c, 37.0f + 71.0f * static_cast<float>(c));
            Rig().SetVTilt(c, 12.0f + 9.0f * static_cast<float>(c));
            Rig().SetSpin(c, -30.0f + 17.0f * static_cast<float>(c));
        }
        ASSERT_TRUE(Rig().SetCustomPixels(3, 2048, 1088));
        voxelCm = 10.0f;
    }
};

TEST_F(PlanningCameraTest, EdgesFromTheAnglesAreTheOnesTheComputationDerives)
{
    MakeVariedRig();
    Compute();
    for (int c = 0; c < 6; ++c) {
        SCOPED_TRACE(c);
        CameraAngles angles;
        angles.hFov = FieldOfViewDegrees(Rig().GetFrameWidth(c), Rig().GetFocalLength(c));
        angles.vFov = FieldOfViewDegrees(Rig().GetFrameHeight(c), Rig().GetFocalLength(c));
        angles.hTilt = Rig().GetHTilt(c);
        angles.vTilt = Rig().GetVTilt(c);
        angles.spin = Rig().GetSpin(c);
        ASSERT_EQ(Bits(angles.hFov), Bits(Rig().GetHFov(c)));
        const FrustumEdges edges = AimedFrustumEdges(angles);
        EXPECT_EQ(edges, EdgesOf(Rig(), c));
        // Turned from edges already turned, the result differs: the start matters.
        EXPECT_NE(AimedFrustumEdges(angles, edges), edges);
    }
}

TEST_F(PlanningCameraTest, TheOpticalAxisIsTheAimOfTheTilts)
{
    MakeVariedRig();
    Compute();
    for (int c = 0; c < 6; ++c) {
        SCOPED_TRACE(c);
        const FrustumEdges edges = EdgesOf(Rig(), c);
        const Vec3d axis = OpticalAxis(edges);
        // The aim of h-tilt a and v-tilt b in program degrees, (cos a cos b,
        // -sin b, -sin a cos b), to the float rounding of the edges' turns.
        const double a = Rig().GetHTilt(c) * kRadiansPerDegree, b = Rig().GetVTilt(c) * kRadiansPerDegree;
        const Vec3d aim{std::cos(a) * std::cos(b), -std::sin(b), -std::sin(a) * std::cos(b)};
        EXPECT_GT(Dot(axis, aim), 1.0 - 1e-12);
        // The horizontal pair is turned through 90 program degrees, short of
        // a right angle by 1.9e-4 rad: its bisector lies that far aside, and
        // the mean of all four edges half as far. Neither is the axis.
        const double shortOfRightAngle = std::numbers::pi / 2 - 90.0 * kRadiansPerDegree;
        EXPECT_NEAR(std::acos(std::min(1.0, Dot(axis, Normalized(edges.hPlus + edges.hMinus)))), shortOfRightAngle,
                    1e-6);
        // The planning model measures depth along the same ray, to the bit.
        EXPECT_EQ(MakePlanningCamera(Rig(), c, planningSettings).axis, axis);
    }
    // Edges pointing apart have no centre ray.
    EXPECT_EQ(OpticalAxis({{0, -1, 0}, {0, -1, 0}, {1, 0, 0}, {-1, 0, 0}}), Vec3d{});
}

TEST_F(PlanningCameraTest, MarkerTestFromValuesAgreesWithThePlanningMeasuresAtEveryVoxel)
{
    MakeVariedRig();
    Compute();
    CPlanningMeasures planning;
    ASSERT_EQ(planning.Compute(volume, computed), CPlanningMeasures::Status::Ok);
    const PlanningSettings settings = planningSettings;
    std::vector<PlanningCamera> cameras;
    for (int c = 0; c < 6; ++c) {
        const float focal = Rig().GetFocalLength(c);
        const CameraAngles angles{FieldOfViewDegrees(Rig().GetFrameWidth(c), focal),
                                  FieldOfViewDegrees(Rig().GetFrameHeight(c), focal), Rig().GetHTilt(c),
                                  Rig().GetVTilt(c), Rig().GetSpin(c)};
        const double pitch = PixelPitchMm(Rig().GetFrameWidth(c), Rig().GetFrameHeight(c), Rig().GetSensorPixelsX(c),
                                          Rig().GetSensorPixelsY(c));
        cameras.push_back(MakePlanningCamera(Rig().GetPosition(c), AimedFrustumEdges(angles), angles.hFov, angles.vFov,
                                             focal, pitch, settings));
    }
    uint64_t markers = 0;
    for (size_t t = 0; t < volume.GetVoxelCount(); ++t) {
        const auto centre = volume.Centre(t);
        const Vec3d p{centre[0], centre[1], centre[2]};
        uint32_t count = 0, inField = 0;
        float best = std::numeric_limits<float>::quiet_NaN();
        for (const PlanningCamera& cam : cameras) {
            const MarkerSight sight = SightOf(cam, p);
            inField += sight.inField ? 1 : 0;
            if (!sight.marker)
                continue;
            ++count;
            EXPECT_NEAR(Length(sight.ray), 1.0, 1e-12);
            if (!(static_cast<float>(sight.markerPx) <= best))
                best = static_cast<float>(sight.markerPx);
        }
        ASSERT_EQ(inField, volume.SeenCount(t)) << "voxel " << t;
        ASSERT_EQ(count, planning.MarkerCount(t)) << "voxel " << t;
        ASSERT_EQ(Bits(best), Bits(planning.BestMarkerPx(t))) << "voxel " << t;
        markers += count;
    }
    EXPECT_GT(markers, volume.GetVoxelCount() / 2);
}

TEST(PlanningCameraSightTest, TheMarkerNeedsDepthBeyondTheLensAndEnoughPixels)
{
    // A camera at the origin looking along +x with a wide 90 x 90 degree field.
    PlanningSettings settings;
    const CameraAngles angles{90.0f, 90.0f, 0.0f, 0.0f, 0.0f};
    const double pitch = PixelPitchMm(6.5241, 4.8807, 1280, 1024);
    const PlanningCamera cam =
        MakePlanningCamera({}, AimedFrustumEdges(angles), angles.hFov, angles.vFov, 8.5f, pitch, settings);
    EXPECT_NEAR(cam.axis.x, 1.0, 1e-6);
    const double reachM = CameraReachMm(8.5, settings.markerDiameterMm, settings.minImagePx, pitch) / 1000.0;
    struct Case {
        Vec3d p;
        bool inField, marker;
    };
    const Case cases[] = {
        {{1.0, 0.0, 0.0}, true, true},
        {{reachM * 0.99, 0.3, -0.2}, true, true},
        {{reachM * 1.01, 0.0, 0.0}, true, false}, // beyond the reach: too few pixels
        {{0.005, 0.0, 0.0}, true, false},         // nearer than the focal length
        {{-1.0, 0.0, 0.0}, false, false},         // behind
        {{1.0, 1.5, 0.0}, false, false},          // above the field
        {{}, false, false},                       // the camera itself
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.p.x << " " << c.p.y << " " << c.p.z);
        const MarkerSight sight = SightOf(cam, c.p);
        EXPECT_EQ(sight.inField, c.inField);
        EXPECT_EQ(sight.marker, c.marker);
        if (sight.inField) {
            EXPECT_NEAR(sight.depthMm, 1000.0 * c.p.x, 1e-6 * 1000.0);
        } else {
            EXPECT_TRUE(std::isnan(sight.markerPx));
        }
    }
}

} // namespace
