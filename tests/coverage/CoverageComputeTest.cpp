#include "support/CoverageFixture.h"

#include "cameras/Angles.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <set>

namespace
{

using Status = CCoverageVolume::GridStatus;

// Degrees between two directions.
double AngleBetween(const Vec3d& a, const Vec3d& b)
{
    return std::acos(std::clamp(Dot(Normalized(a), Normalized(b)), -1.0, 1.0)) * 180.0 / std::numbers::pi;
}

using Exact = std::array<long double, 3>;

// v turned about the axis 'x', 'y' or 'z' by an angle in the program's
// degrees, in extended precision: the reference for the float construction.
Exact Turned(char axis, long double degrees, const Exact& v)
{
    const long double t = degrees * kRadiansPerDegree, c = std::cos(t), s = std::sin(t);
    switch (axis) {
    case 'x':
        return {v[0], c * v[1] - s * v[2], s * v[1] + c * v[2]};
    case 'y':
        return {c * v[0] + s * v[2], v[1], -s * v[0] + c * v[2]};
    default:
        return {c * v[0] - s * v[1], s * v[0] + c * v[1], v[2]};
    }
}

// A stored edge against the reference direction, to float precision.
void ExpectDirection(const Vec3d& got, const Exact& want, const char* edge)
{
    SCOPED_TRACE(edge);
    const long double length = std::sqrt(want[0] * want[0] + want[1] * want[1] + want[2] * want[2]);
    EXPECT_NEAR(got.x, static_cast<double>(want[0] / length), 1e-6);
    EXPECT_NEAR(got.y, static_cast<double>(want[1] / length), 1e-6);
    EXPECT_NEAR(got.z, static_cast<double>(want[2] / length), 1e-6);
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
    EXPECT_EQ(CCoverageVolume::ApertureFactor(Rig(), 0), 0.7083333544433117);
    EXPECT_EQ(volume.GetResolutionMax(), 0.7685416886738191);
    EXPECT_EQ(volume.GetResolutionMin(), 0.7090285804131802);
    EXPECT_EQ(volume.GetBandWidth(), 0.008501872608662704);

    // Camera 1 moved to exactly 2 m along x from the centre of voxel (2, 3, 4).
    const size_t t = volume.VoxelIndex(2, 3, 4);
    const auto c = volume.Centre(t);
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

    // A smaller rig no longer has camera 3: the first camera stands in, for
    // the rig as it is now and, once computed, for the volume.
    MakeRig(2);
    EXPECT_EQ(volume.GetResolutionCamera(Rig().GetCount()), 0);
    EXPECT_EQ(volume.GetResolutionCamera(), 2);
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

TEST_F(CoverageTest, EdgesFollowTheRotationSequenceInTheProgramsDegrees)
{
    // The horizontal pair passes through a turn of 90 - b program degrees,
    // which is not a quarter turn: with every angle 0 the horizontal edges
    // still dip by about 1.9e-4, which a closed form or true degrees would miss.
    struct Aim {
        float hTilt, vTilt, spin;
    };
    const Aim aims[] = {{0, 0, 0}, {45, 45, 0}, {135, -20, 30}, {-70, 80, -115}, {300, 10, 170}};
    MakeRig(5);
    for (int c = 0; c < 5; ++c) {
        Rig().SetHTilt(c, aims[c].hTilt);
        Rig().SetVTilt(c, aims[c].vTilt);
        Rig().SetSpin(c, aims[c].spin);
    }
    Rig().SetFrameWidth(3, 2.0f);
    Compute();
    for (int c = 0; c < 5; ++c) {
        SCOPED_TRACE(c);
        const long double a = aims[c].hTilt, b = aims[c].vTilt, s = aims[c].spin;
        const long double h = Rig().GetHFov(c) * 0.5L, v = Rig().GetVFov(c) * 0.5L;
        auto horizontal = [&](long double half) {
            return Turned('y', a, Turned('z', 90 - b, Turned('y', -s, Turned('x', half, {0, -1, 0}))));
        };
        auto vertical = [&](long double half) {
            return Turned('y', a, Turned('z', -b, Turned('x', s, Turned('z', half, {1, 0, 0}))));
        };
        ExpectDirection(Rig().GetEdgeHPlus(c), horizontal(h), "h_plus");
        ExpectDirection(Rig().GetEdgeHMinus(c), horizontal(-h), "h_minus");
        ExpectDirection(Rig().GetEdgeVPlus(c), vertical(v), "v_plus");
        ExpectDirection(Rig().GetEdgeVMinus(c), vertical(-v), "v_minus");
    }
    EXPECT_LT(Rig().GetEdgeHPlus(0).y, -1.5e-4);
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

    ASSERT_EQ(volume.BuildGrid(Input()), Status::Ok);
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
        EXPECT_EQ(volume.IsoCentre(e), volume.Centre(t));
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
    // The last three have fields whose cosine cannot decide: 180.02 degrees
    // (no focal length), 0 (no sensor width) and not a number (neither).
    constexpr int kCameras = 9;
    MakeRig(kCameras, 6.0f, 4.0f, 3.0f);
    const float spins[kCameras] = {0, 17, -40, 90, 5, 180, 20, 0, 45};
    const float widths[kCameras] = {6.5241f, 2.0f, 30.0f, 6.5241f, 12.0f, 1.0f, 6.5241f, 0.0f, 0.0f};
    const float focals[kCameras] = {8.5f, 8.5f, 8.5f, 8.5f, 8.5f, 8.5f, 0.0f, 8.5f, 0.0f};
    for (int c = 0; c < kCameras; ++c) {
        Rig().SetSpin(c, spins[c]);
        Rig().SetFrameWidth(c, widths[c]);
        Rig().SetFocalLength(c, focals[c]);
        Rig().SetVTilt(c, 10.0f * static_cast<float>(c) - 5.0f);
        Rig().SetHTilt(c, 61.0f * static_cast<float>(c));
    }
    PlaceCamera(5, 1.0, -0.5, 0.3);
    voxelCm = 10.0f;
    Compute();
    for (size_t t = 0; t < volume.GetVoxelCount(); ++t) {
        const Vec3d p{volume.Centre(t)[0], volume.Centre(t)[1], volume.Centre(t)[2]};
        uint32_t expected = 0;
        for (int c = 0; c < kCameras; ++c) {
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
    ASSERT_EQ(volume.BuildGrid(Input()), Status::Ok);
    const size_t t = volume.VoxelIndex(5, 6, 7);
    const auto c = volume.Centre(t);
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

class CalibrationTest : public CoverageTest
{
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
    // A turn about an oblique axis: not symmetric, so reading the slot by
    // columns instead of rows would show.
    const CalibrationMatrix turn{0.36f, 0.48f, -0.8f, -0.8f, 0.6f, 0.0f, 0.48f, 0.64f, 0.6f};
    std::array<CalibrationMatrix, kCalibrationSlots> slots;
    slots.fill(turn);
    Import(slots);
    Compute(true);
    const double h = Rig().GetHFov(0) * 0.5 / kDegreesPerRadian;
    const double v = Rig().GetVFov(0) * 0.5 / kDegreesPerRadian;
    // Unflipped: the up vector turned about x by +H/2 (about z by +V/2), then by the slot.
    auto bySlot = [&](const Vec3d& w) {
        const CalibrationMatrix& m = Rig().GetCalibration(0);
        return Vec3d{m[0] * w.x + m[1] * w.y + m[2] * w.z, m[3] * w.x + m[4] * w.y + m[5] * w.z,
                     m[6] * w.x + m[7] * w.y + m[8] * w.z};
    };
    const Vec3d hPlus = bySlot({0, std::cos(h), std::sin(h)});
    const Vec3d hMinus = bySlot({0, std::cos(h), -std::sin(h)});
    const Vec3d vPlus = bySlot({-std::sin(v), std::cos(v), 0});
    const Vec3d vMinus = bySlot({std::sin(v), std::cos(v), 0});
    struct Case {
        int camera;
        double sx, sy; // sign applied to x and y
    };
    for (const Case& c :
         {Case{0, -1, -1}, Case{1, -1, -1}, Case{2, 1, -1}, Case{3, 1, 1}, Case{4, -1, -1}, Case{5, 1, 1}}) {
        SCOPED_TRACE(c.camera);
        const std::pair<Vec3d, Vec3d> edges[] = {{Rig().GetEdgeHPlus(c.camera), hPlus},
                                                 {Rig().GetEdgeHMinus(c.camera), hMinus},
                                                 {Rig().GetEdgeVPlus(c.camera), vPlus},
                                                 {Rig().GetEdgeVMinus(c.camera), vMinus}};
        for (const auto& [got, want] : edges) {
            EXPECT_NEAR(got.x, c.sx * want.x, 1e-6);
            EXPECT_NEAR(got.y, c.sy * want.y, 1e-6);
            EXPECT_NEAR(got.z, want.z, 1e-6);
        }
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
