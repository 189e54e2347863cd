#include "CoverageFixture.h"

#include "cameras/Angles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <set>

namespace {

using Status = CCoverageVolume::GridStatus;

// Degrees between two directions.
double AngleBetween(const Vec3d& a, const Vec3d& b)
{
    return std::acos(std::clamp(Dot(Normalized(a), Normalized(b)), -1.0, 1.0)) * 180.0 / std::numbers::pi;
}

// Sensor size that gives a field of view of `degrees` with the 8.5 mm lens.
float SensorFor(double degrees)
{
    return static_cast<float>(17.0 * std::tan(degrees * 0.5 / kDegreesPerRadian));
}

TEST_F(CoverageTest, DefaultCameraScaleAndValuesComeOutToTheLastDigit)
{
    MakeRig(4);
    Compute();
    EXPECT_EQ(CCoverageVolume::ApertureFactor(0), 0.7083333544433117);
    EXPECT_EQ(volume.GetResolutionMax(), 0.7685416886738191);
    EXPECT_EQ(volume.GetResolutionMin(), 0.7090285804131802);
    EXPECT_EQ(volume.GetBandWidth(), 0.008501872608662704);

    // Camera 1 moved to exactly 2 m along x from the centre of voxel (2, 3, 4).
    const size_t t = volume.VoxelIndex(2, 3, 4);
    const float* c = volume.Centre(t);
    PlaceCamera(0, c[0] + 2.0f, c[1], c[2]);
    ASSERT_EQ(static_cast<double>(Rig().GetX(0)) - c[0], 2.0);
    Compute();
    EXPECT_EQ(static_cast<double>(volume.Resolution(0, t)), 0.7113437652587891);
    EXPECT_EQ(volume.ResolutionBand(volume.Resolution(0, t)), 1);
    // The scale does not depend on where the camera is.
    EXPECT_EQ(volume.GetResolutionMin(), 0.7090285804131802);

    // Half a voxel away the value reaches the top of the scale: chocolate.
    PlaceCamera(0, c[0] + 0.1, c[1], c[2]);
    Compute();
    EXPECT_GE(volume.Resolution(0, t), volume.GetResolutionMax());
    EXPECT_EQ(volume.ResolutionBand(volume.Resolution(0, t)), kBandChocolate);
}

TEST_F(CoverageTest, ScaleFollowsTheResolutionCameraAndFallsBackToTheFirst)
{
    MakeRig(4);
    Rig().SetFocalLength(2, 17.0f);
    volume.SetResolutionCamera(2);
    Compute();
    const double max17 = volume.GetResolutionMax();
    EXPECT_GT(max17, 1.5); // 17/12 * (1 + 17/100)
    EXPECT_EQ(volume.GetResolutionCamera(), 2);

    // A smaller rig no longer has camera 3: the first camera stands in.
    MakeRig(2);
    EXPECT_EQ(volume.GetResolutionCamera(), 0);
    Compute();
    EXPECT_EQ(volume.GetResolutionCamera(), 0);
    EXPECT_EQ(volume.GetResolutionMax(), 0.7685416886738191);
    volume.SetResolutionCamera(-3);
    EXPECT_EQ(volume.GetResolutionCamera(), 0);
}

TEST_F(CoverageTest, DefaultEdgesBracketTheViewingAxisByTheFieldsOfView)
{
    MakeRig(4);
    Rig().SetSpin(1, 30.0f);
    Compute();
    for (int c = 0; c < 4; ++c) {
        SCOPED_TRACE(c);
        const double a = Rig().GetHTilt(c) * std::numbers::pi / 180.0;
        const double b = Rig().GetVTilt(c) * std::numbers::pi / 180.0;
        // +x tipped down by b, then turned about y by a (towards -z for a > 0).
        const Vec3d axis{std::cos(b) * std::cos(a), -std::sin(b), -std::cos(b) * std::sin(a)};
        const Vec3d hp = Rig().GetEdgeHPlus(c), hm = Rig().GetEdgeHMinus(c);
        const Vec3d vp = Rig().GetEdgeVPlus(c), vm = Rig().GetEdgeVMinus(c);
        for (const Vec3d& e : {hp, hm, vp, vm})
            EXPECT_NEAR(Length(e), 1.0, 1e-12);
        // The program's degree is a little off the true one, and 90 of them
        // are not quite a quarter turn: hence the loose tolerances.
        EXPECT_NEAR(AngleBetween(hp, hm), Rig().GetHFov(c), 0.1);
        EXPECT_NEAR(AngleBetween(vp, vm), Rig().GetVFov(c), 0.1);
        EXPECT_NEAR(AngleBetween(hp + hm, axis), 0.0, 0.1);
        EXPECT_NEAR(AngleBetween(vp + vm, axis), 0.0, 0.1);
    }

    // Spin rolls the pair planes about the axis: a quarter turn turns the
    // plane of the vertical pair by 90 degrees.
    auto verticalPlaneNormal = [&] {
        const Vec3d a = Rig().GetEdgeVPlus(0), b = Rig().GetEdgeVMinus(0);
        return Vec3d{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    };
    const Vec3d unrolled = verticalPlaneNormal();
    Rig().SetSpin(0, 90.0f);
    Compute();
    EXPECT_NEAR(AngleBetween(verticalPlaneNormal(), unrolled), 90.0, 0.1);
}

TEST_F(CoverageTest, FourEdgeTestAcceptsTheFieldOfViewAndNoMore)
{
    MakeRig(1);
    AimStraight(0);
    Rig().SetFrameWidth(0, SensorFor(40.0));
    Rig().SetFrameHeight(0, SensorFor(30.0));
    Rig().RecomputeFieldOfView();
    ASSERT_NEAR(Rig().GetHFov(0), 40.0, 1e-4);
    ASSERT_NEAR(Rig().GetVFov(0), 30.0, 1e-4);

    ASSERT_EQ(volume.BuildGrid(), Status::Ok);
    const size_t t = volume.VoxelIndex(12, 12, 12);
    const Vec3d target{volume.Centre(t)[0], volume.Centre(t)[1], volume.Centre(t)[2]};
    struct Case {
        double yawDeg;   // positive towards +z
        double pitchDeg; // positive up
        bool seen;
    };
    const Case cases[] = {
        {0.0, 0.0, true},    {19.5, 0.0, true},   {-19.5, 0.0, true}, {20.5, 0.0, false},
        {-20.5, 0.0, false}, {0.0, 14.5, true},   {0.0, -14.5, true}, {0.0, 15.5, false},
        {0.0, 90.0, false},  {180.0, 0.0, false}, // behind the camera
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "yaw " << c.yawDeg << " pitch " << c.pitchDeg);
        const double yaw = c.yawDeg * std::numbers::pi / 180.0, pitch = c.pitchDeg * std::numbers::pi / 180.0;
        const Vec3d dir{std::cos(pitch) * std::cos(yaw), std::sin(pitch), std::cos(pitch) * std::sin(yaw)};
        PlaceCamera(0, target.x - 1.5 * dir.x, target.y - 1.5 * dir.y, target.z - 1.5 * dir.z);
        Compute();
        EXPECT_EQ(volume.SeenCount(t), c.seen ? 1u : 0u);
    }
}

TEST_F(CoverageTest, CountsAndIsoListFollowTheEnabledCamerasOfTheRange)
{
    MakeRig(4);
    Compute();
    const size_t n = volume.GetVoxelCount();
    // The room's centre is in view of all four corner cameras.
    EXPECT_EQ(volume.SeenCount(volume.VoxelIndex(12, 12, 12)), 4u);
    std::set<uint32_t> full;
    for (size_t t = 0; t < n; ++t) {
        ASSERT_LE(volume.SeenCount(t), 4u);
        if (volume.SeenCount(t) == 4)
            full.insert(static_cast<uint32_t>(t));
    }
    ASSERT_EQ(volume.GetIsoCount(), full.size());
    // Entries are in visiting order: x slowest, then the layer, then z, of t = a + nx (b + ny g).
    const uint32_t nx = volume.GetCountX(), ny = volume.GetCountY();
    auto visitKey = [&](uint32_t t) { return std::tuple(t % nx, (t / nx) % ny, t / (nx * ny)); };
    for (uint32_t e = 0; e < volume.GetIsoCount(); ++e) {
        const uint32_t t = volume.IsoIndex(e);
        EXPECT_TRUE(full.count(t));
        EXPECT_EQ(std::vector<float>(volume.IsoCentre(e), volume.IsoCentre(e) + 3),
                  std::vector<float>(volume.Centre(t), volume.Centre(t) + 3));
        if (e > 0) {
            EXPECT_LT(visitKey(volume.IsoIndex(e - 1)), visitKey(t));
        }
    }

    // One camera enabled: the iso list is exactly what it sees.
    OnlyCamera(1);
    Compute();
    size_t seen = 0;
    for (size_t t = 0; t < n; ++t) {
        ASSERT_LE(volume.SeenCount(t), 1u);
        seen += volume.SeenCount(t);
        EXPECT_TRUE(std::isnan(volume.Resolution(0, t)));
        EXPECT_FALSE(std::isnan(volume.Resolution(1, t)));
    }
    EXPECT_GT(seen, 0u);
    EXPECT_EQ(volume.GetIsoCount(), seen);

    // A range that holds only disabled cameras: nothing seen, nothing listed.
    Scene().SetFirstCamera(2);
    Scene().SetEndCamera(4);
    Compute();
    EXPECT_EQ(volume.GetIsoCount(), 0u);
    for (size_t t = 0; t < n; ++t) {
        ASSERT_EQ(volume.SeenCount(t), 0u);
        for (int c = 0; c < 4; ++c)
            ASSERT_TRUE(std::isnan(volume.Resolution(c, t)));
    }

    // An enabled camera outside the range takes no part.
    for (int c = 0; c < 4; ++c)
        Rig().SetEnabled(c, 1);
    Scene().SetFirstCamera(1);
    Scene().SetEndCamera(3);
    Compute();
    EXPECT_TRUE(std::isnan(volume.Resolution(0, 0)));
    EXPECT_TRUE(std::isnan(volume.Resolution(3, 0)));
    EXPECT_FALSE(std::isnan(volume.Resolution(2, 0)));
    for (size_t t = 0; t < n; ++t)
        ASSERT_LE(volume.SeenCount(t), 2u);
}

TEST_F(CoverageTest, CountsMatchTheAngleTestVoxelForVoxel)
{
    // Varied aims, narrow and wide lenses: every count must be what the
    // literal test gives (reject when the field is below the angle to an edge).
    MakeRig(6, 6.0f, 4.0f, 3.0f);
    const float spins[] = {0, 17, -40, 90, 5, 180};
    const float widths[] = {6.5241f, 2.0f, 30.0f, 6.5241f, 12.0f, 1.0f};
    for (int c = 0; c < 6; ++c) {
        Rig().SetSpin(c, spins[c]);
        Rig().SetFrameWidth(c, widths[c]);
        Rig().SetVTilt(c, 10.0f * static_cast<float>(c) - 5.0f);
        Rig().SetHTilt(c, 61.0f * static_cast<float>(c));
    }
    PlaceCamera(5, 1.0, -0.5, 0.3);
    g_fVoxelSizeCm = 10.0f;
    Compute();
    for (size_t t = 0; t < volume.GetVoxelCount(); ++t) {
        const Vec3d p{volume.Centre(t)[0], volume.Centre(t)[1], volume.Centre(t)[2]};
        uint32_t expected = 0;
        for (int c = 0; c < 6; ++c) {
            const Vec3d d = p - Rig().GetPosition(c);
            const double dist = Length(d);
            const Vec3d unit{d.x / dist, d.y / dist, d.z / dist};
            const Vec3d edges[] = {Rig().GetEdgeHPlus(c), Rig().GetEdgeHMinus(c), Rig().GetEdgeVPlus(c),
                                   Rig().GetEdgeVMinus(c)};
            bool seen = true;
            for (int e = 0; e < 4; ++e) {
                const double field = e < 2 ? Rig().GetHFov(c) : Rig().GetVFov(c);
                if (field < std::acos(Dot(Normalized(edges[e]), unit)) * kDegreesPerRadian)
                    seen = false;
            }
            expected += seen ? 1 : 0;
        }
        ASSERT_EQ(volume.SeenCount(t), expected) << "voxel " << t;
    }
}

TEST_F(CoverageTest, CameraAtAVoxelCentreGivesInfinityAndSeesItOnlyWithWideFields)
{
    MakeRig(1);
    ASSERT_EQ(volume.BuildGrid(), Status::Ok);
    const size_t t = volume.VoxelIndex(5, 6, 7);
    const float* c = volume.Centre(t);
    PlaceCamera(0, c[0], c[1], c[2]);
    Compute();
    EXPECT_TRUE(std::isinf(volume.Resolution(0, t)));
    EXPECT_EQ(volume.ResolutionBand(volume.Resolution(0, t)), kBandChocolate);
    EXPECT_EQ(volume.SeenCount(t), 0u);

    Rig().SetFrameWidth(0, SensorFor(95.0));
    Rig().SetFrameHeight(0, SensorFor(95.0));
    Compute();
    EXPECT_EQ(volume.SeenCount(t), 1u);
}

TEST_F(CoverageTest, ProgressIsReportedUpToTheWhole)
{
    MakeRig(4);
    std::vector<double> reports;
    volume.SetProgressCallback([&](double done) { reports.push_back(done); });
    Compute();
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(reports.back(), 1.0);
}

class CalibrationTest : public CoverageTest {
protected:
    void TearDown() override
    {
        std::filesystem::remove(m_path);
        CoverageTest::TearDown();
    }

    // Writes a calibration file with the given slot matrices and imports it.
    void Import(const std::array<CalibrationMatrix, kCalibrationSlots>& slots)
    {
        std::ofstream out(m_path);
        out << "calibration\n1 2 3 4 5 6 7\n";
        for (int k = 0; k < kCalibrationSlots; ++k) {
            for (float v : slots[static_cast<size_t>(k)])
                out << v << ' ';
            out << '\n';
            for (int skip = 0; k < kCalibrationSlots - 1 && skip < 25; ++skip)
                out << "9 ";
            out << '\n';
        }
        out.close();
        ASSERT_TRUE(Rig().ImportCalibration(m_path));
    }

    static constexpr CalibrationMatrix kIdentity{1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::string m_path = (std::filesystem::temp_directory_path() / "coverage_calibration_test.txt").string();
};

TEST_F(CalibrationTest, SlotsTurnTheUpVectorWithPerCameraSignFlips)
{
    MakeRig(6);
    std::array<CalibrationMatrix, kCalibrationSlots> slots;
    slots.fill(kIdentity);
    Import(slots);
    Compute(true);
    const double h = Rig().GetHFov(0) * 0.5 / kDegreesPerRadian;
    const double v = Rig().GetVFov(0) * 0.5 / kDegreesPerRadian;
    // Unflipped: the up vector turned about x by +H/2 and about z by +V/2.
    const Vec3d hPlus{0, std::cos(h), std::sin(h)};
    const Vec3d vPlus{-std::sin(v), std::cos(v), 0};
    struct Case {
        int camera;
        double sx, sy; // sign applied to x and y
    };
    for (const Case& c :
         {Case{0, -1, -1}, Case{1, -1, -1}, Case{2, 1, -1}, Case{3, 1, 1}, Case{4, -1, -1}, Case{5, 1, 1}}) {
        SCOPED_TRACE(c.camera);
        const Vec3d hp = Rig().GetEdgeHPlus(c.camera), vp = Rig().GetEdgeVPlus(c.camera);
        EXPECT_NEAR(hp.x, c.sx * hPlus.x, 1e-6);
        EXPECT_NEAR(hp.y, c.sy * hPlus.y, 1e-6);
        EXPECT_NEAR(hp.z, hPlus.z, 1e-6);
        EXPECT_NEAR(vp.x, c.sx * vPlus.x, 1e-6);
        EXPECT_NEAR(vp.y, c.sy * vPlus.y, 1e-6);
        EXPECT_NEAR(Rig().GetEdgeHMinus(c.camera).z, -hPlus.z, 1e-6);
        EXPECT_NEAR(Rig().GetEdgeVMinus(c.camera).x, -c.sx * vPlus.x, 1e-6);
    }
    // Test mode takes the angles from the slots, not from the tilts.
    Rig().SetHTilt(0, 10.0f);
    const Vec3d before = Rig().GetEdgeHPlus(0);
    Compute(true);
    EXPECT_EQ(Rig().GetEdgeHPlus(0), before);
}

TEST_F(CalibrationTest, CamerasWithoutASlotSeeNothingAndAreNotAwaitedByTheIsoList)
{
    MakeRig(13);
    // Cameras 5, 6 and 13 sit at the room centre. With the identity slot 5
    // looks straight down after its flips, slot 6 needs a half turn about x.
    std::array<CalibrationMatrix, kCalibrationSlots> slots;
    slots.fill(kIdentity);
    slots[5] = {1, 0, 0, 0, -1, 0, 0, 0, -1};
    Import(slots);
    OnlyCamera(4);
    Rig().SetEnabled(5, 1);
    Rig().SetEnabled(12, 1);
    Compute(true);
    EXPECT_EQ(Rig().GetEdgeHPlus(12), Vec3d{});
    const uint32_t centreColumn = static_cast<uint32_t>(volume.VoxelIndex(12, 5, 12));
    EXPECT_EQ(volume.SeenCount(centreColumn), 2u);
    EXPECT_EQ(volume.SeenCount(volume.VoxelIndex(12, 20, 12)), 0u);
    size_t both = 0;
    for (size_t t = 0; t < volume.GetVoxelCount(); ++t) {
        ASSERT_LE(volume.SeenCount(t), 2u);
        both += volume.SeenCount(t) == 2 ? 1 : 0;
    }
    EXPECT_EQ(volume.GetIsoCount(), both);
    EXPECT_GT(both, 0u);
    // Its resolution values are still there: they depend on distance only.
    EXPECT_FALSE(std::isnan(volume.Resolution(12, centreColumn)));
}

} // namespace
