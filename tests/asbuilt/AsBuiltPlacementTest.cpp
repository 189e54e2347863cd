// The plan made of a calibrated rig: the aim decomposed and rebuilt (also by
// the program's own frustum construction), the vertical, the room, the
// lens, and a rig exported and read back.
#include "CalibrationWriters.h"
#include "core/TestSupport.h"
#include "support/DefaultRig.h"

#include "cameras/Angles.h"
#include "cameras/asbuilt/AimAngles.h"
#include "cameras/asbuilt/AsBuiltPlacement.h"
#include "cameras/asbuilt/AsBuiltReader.h"
#include "cameras/asbuilt/CalibrationExport.h"
#include "coverage/FrustumEdges.h"

#include <gtest/gtest.h>

#include <random>

#include <unistd.h>

namespace
{

double AngleBetween(const Vec3d& a, const Vec3d& b)
{
    const double c = Dot(Normalized(a), Normalized(b));
    const double s =
        Length({a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}) / (Length(a) * Length(b));
    return std::atan2(s, c);
}

Vec3d RandomUnit(std::mt19937& rng)
{
    std::normal_distribution<double> n;
    return Normalized({n(rng), n(rng), n(rng)});
}

TEST(AimAnglesTest, RandomRotationsDecomposeAndRebuildBothWays)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> turn(0.0, 359.0), tilt(-89.0, 89.0), spin(-179.0, 179.0);
    for (int k = 0; k < 2000; ++k) {
        // Directions to angles and back.
        const Vec3d axis = RandomUnit(rng);
        Vec3d up = RandomUnit(rng);
        const double along = Dot(up, axis);
        up = Normalized({up.x - along * axis.x, up.y - along * axis.y, up.z - along * axis.z});
        const AimAngles angles = AimAnglesFromAxes(axis, up);
        EXPECT_GE(angles.hTilt, 0.0);
        EXPECT_LT(angles.hTilt, 2 * std::numbers::pi * kDegreesPerRadian);
        Vec3d axis2, up2;
        AxesFromAimAngles(angles, axis2, up2);
        EXPECT_LT(AngleBetween(axis, axis2), 1e-12);
        EXPECT_LT(AngleBetween(up, up2), 1e-12);

        // Angles to directions and back.
        const AimAngles given{turn(rng), tilt(rng), spin(rng)};
        AxesFromAimAngles(given, axis2, up2);
        const AimAngles back = AimAnglesFromAxes(axis2, up2);
        EXPECT_NEAR(back.hTilt, given.hTilt, 1e-9);
        EXPECT_NEAR(back.vTilt, given.vTilt, 1e-9);
        EXPECT_NEAR(back.spin, given.spin, 1e-9);

        // The program's frustum: the vertical edges lie about the axis, apart along up.
        const FrustumEdges edges =
            AimedFrustumEdges({20.0f, 10.0f, static_cast<float>(angles.hTilt), static_cast<float>(angles.vTilt),
                               static_cast<float>(angles.spin)});
        EXPECT_LT(AngleBetween(edges.vPlus + edges.vMinus, axis), 1e-5);
        EXPECT_LT(AngleBetween(edges.vPlus - edges.vMinus, up), 1e-5);
        // The horizontal pair is turned by 90 of the program's degrees, 1.9e-4 rad short of a right angle.
        EXPECT_LT(AngleBetween(edges.hPlus + edges.hMinus, axis), 2e-4);
        EXPECT_LT(std::abs(Dot(Normalized(edges.hPlus - edges.hMinus), up)), 2e-4);
    }
}

TEST(AimAnglesTest, StraightDownAndTheDefaultRig)
{
    // Straight down the horizontal tilt is 0 and the spin turns the image.
    const AimAngles down = AimAnglesFromAxes({0, -1, 0}, {0, 0, -1});
    // A right angle in the program's degrees, which rest on its own pi.
    EXPECT_NEAR(down.vTilt, std::numbers::pi / 2 * kDegreesPerRadian, 1e-9);
    EXPECT_NEAR(down.hTilt, 0.0, 1e-9);
    Vec3d axis, up;
    AxesFromAimAngles(down, axis, up);
    EXPECT_LT(AngleBetween(up, {0, 0, -1}), 1e-12);
    // The default rig's first camera, at a ceiling corner, looks 45 down into the room.
    AxesFromAimAngles({45, 45, 0}, axis, up);
    EXPECT_LT(AngleBetween(axis, Normalized({0.5, -std::sqrt(0.5), -0.5})), 1e-3);
}

AsBuiltRig RigOf(const std::vector<PosedCamera>& posed)
{
    AsBuiltRig rig;
    for (const PosedCamera& p : posed) {
        AsBuiltCamera c;
        c.name = p.name;
        c.width = p.width;
        c.height = p.height;
        c.fx = p.fx;
        c.fy = p.fy;
        c.cx = p.cx;
        c.cy = p.cy;
        c.rotation = p.rotation;
        c.translation = p.Translation();
        rig.cameras.push_back(c);
    }
    return rig;
}

TEST(AsBuiltPlacementTest, WorldWithZUpIntoTheUserFrame)
{
    const auto posed = StudioZUp();
    AsBuiltPlacementOptions options;
    options.up = {0, 0, 1};
    options.room = {5, 5, 3.5};
    const AsBuiltPlanResult result = PlanAsBuilt(RigOf(posed), options);
    ASSERT_TRUE(result.plan) << result.error;
    const AsBuiltPlan& plan = *result.plan;
    // z up turns onto Y: X = x, Y = z, Z = y.
    const AsBuiltPlacedCamera& c = plan.cameras[0];
    EXPECT_NEAR(c.user.x, 0.2, 1e-12);
    EXPECT_NEAR(c.user.y, 2.8, 1e-12);
    EXPECT_NEAR(c.user.z, 0.3, 1e-12);
    // Beyond the room's length, so a note says it is outside.
    std::string notes;
    for (const std::string& note : plan.notes)
        notes += note + "\n";
    EXPECT_NE(notes.find("\"cam_10\" is outside the room"), std::string::npos) << notes;
    EXPECT_EQ(notes.find("\"cam_2\" is outside"), std::string::npos) << notes;
    // cam_2 looks down at (3, 2, 1) from (0.2, 0.3, 2.8).
    const double down = std::atan2(1.8, std::hypot(2.8, 1.7)) * kDegreesPerRadian;
    EXPECT_NEAR(c.vTilt, down, 1e-4);
    EXPECT_EQ(c.label, "cam_2");
    EXPECT_EQ(c.pixelsX, 1280);

    // Without a room: the cameras' box with the margin, the lowest camera 0.5 m above the floor.
    options.room.reset();
    const AsBuiltPlanResult boxed = PlanAsBuilt(RigOf(posed), options);
    ASSERT_TRUE(boxed.plan) << boxed.error;
    EXPECT_NEAR(boxed.plan->room[0], 6.1 - 0.2 + 1.0, 1e-9);
    EXPECT_NEAR(boxed.plan->room[1], 4.6 - 0.3 + 1.0, 1e-9);
    EXPECT_NEAR(boxed.plan->room[2], 2.9 - 2.7 + 1.0, 1e-9);
    EXPECT_NEAR(boxed.plan->cameras[1].user.y, 0.5, 1e-9);
    EXPECT_NEAR(boxed.plan->cameras[0].user.x, 0.5, 1e-9);
    EXPECT_NEAR(boxed.plan->cameras[0].user.z, 0.5, 1e-9);
    EXPECT_NEAR(boxed.plan->cameras[2].user.z, 0.5 + 4.3, 1e-9);
    EXPECT_NEAR(boxed.plan->cameras[0].vTilt, down, 1e-4);
}

TEST(AsBuiltPlacementTest, TheCamerasMeanImageUpIsTheVertical)
{
    // Four cameras round a square, z up, each looking at the middle: their
    // image ups lean inwards and their mean is z.
    std::vector<PosedCamera> posed;
    const double corners[4][2] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    for (int k = 0; k < 4; ++k)
        posed.push_back(LookingAt("c" + std::to_string(k), {corners[k][0], corners[k][1], 3}, {2, 2, 1}, {0, 0, 1}));
    const AsBuiltPlanResult found = PlanAsBuilt(RigOf(posed), {});
    ASSERT_TRUE(found.plan) << found.error;
    AsBuiltPlacementOptions zUp;
    zUp.up = {0, 0, 1};
    const AsBuiltPlanResult given = PlanAsBuilt(RigOf(posed), zUp);
    ASSERT_TRUE(given.plan);
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(found.plan->cameras[k].user.y, given.plan->cameras[k].user.y, 1e-9);
        EXPECT_NEAR(found.plan->cameras[k].vTilt, given.plan->cameras[k].vTilt, 1e-6);
    }
    EXPECT_NE(found.plan->notes.front().find("(0.0000, 0.0000, 1.0000)"), std::string::npos)
        << found.plan->notes.front();

    // Turned images: shown a quarter turn round, the sensors' -x is up.
    std::vector<PosedCamera> sideways;
    for (int k = 0; k < 4; ++k)
        sideways.push_back(LookingAt("s" + std::to_string(k), {corners[k][0], corners[k][1], 3}, {2, 2, 1},
                                     Cross3(Unit3({2 - corners[k][0], 2 - corners[k][1], -2}), {0, 0, 1})));
    AsBuiltRig turned = RigOf(sideways);
    const AsBuiltPlanResult unturned = PlanAsBuilt(turned, {});
    for (AsBuiltCamera& c : turned.cameras)
        c.quarterTurns = 1;
    const AsBuiltPlanResult upright = PlanAsBuilt(turned, {});
    ASSERT_TRUE(upright.plan) << upright.error;
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(upright.plan->cameras[k].user.y, given.plan->cameras[k].user.y, 1e-9);
    ASSERT_TRUE(!unturned.plan || std::abs(unturned.plan->cameras[0].user.y - given.plan->cameras[0].user.y) > 0.1);

    // One camera upright, one upside down: no vertical to find.
    std::vector<PosedCamera> cancel = {LookingAt("a", {0, 0, 0}, {1, 0, 0}, {0, 0, 1}),
                                       LookingAt("b", {0, 0, 0}, {1, 0, 0}, {0, 0, -1})};
    const AsBuiltPlanResult none = PlanAsBuilt(RigOf(cancel), {});
    EXPECT_FALSE(none.plan);
    EXPECT_NE(none.error.find("--as-built-up"), std::string::npos) << none.error;
}

TEST(AsBuiltPlacementTest, FieldOfViewComesFromTheMatrixWhateverThePitch)
{
    auto posed = StudioZUp();
    posed.resize(1);
    posed[0].fx = 1000;
    posed[0].fy = 800;
    AsBuiltPlacementOptions a, b;
    b.pixelPitchMm = 0.0031;
    const auto one = PlanAsBuilt(RigOf(posed), a), other = PlanAsBuilt(RigOf(posed), b);
    ASSERT_TRUE(one.plan && other.plan);
    const AsBuiltPlacedCamera &c = one.plan->cameras[0], &d = other.plan->cameras[0];
    EXPECT_NE(c.focalLength, d.focalLength);
    const double hFov = 2 * std::atan(1280.0 / 2000.0) * kDegreesPerRadian;
    const double vFov = 2 * std::atan(1024.0 / 1600.0) * kDegreesPerRadian;
    for (const AsBuiltPlacedCamera* cam : {&c, &d}) {
        EXPECT_NEAR(FieldOfViewDegrees(cam->frameWidth, cam->focalLength), hFov, 1e-4);
        EXPECT_NEAR(FieldOfViewDegrees(cam->frameHeight, cam->focalLength), vFov, 1e-4);
    }
    EXPECT_NEAR(c.focalLength, 1000 * kAsBuiltPixelPitchMm, 1e-5);

    // More cameras than a rig may have.
    AsBuiltRig big = RigOf(posed);
    big.cameras.resize(kMaxCameras + 1, big.cameras[0]);
    const AsBuiltPlanResult tooMany = PlanAsBuilt(big, a);
    EXPECT_NE(tooMany.error.find("at most 1000"), std::string::npos) << tooMany.error;
    // Millimetres read as metres: a room beyond the largest.
    AsBuiltRig far = RigOf(StudioZUp());
    far.cameras[0].translation = {5000, 0, 0};
    const AsBuiltPlanResult tooFar = PlanAsBuilt(far, a);
    EXPECT_NE(tooFar.error.find("--as-built-units mm"), std::string::npos) << tooFar.error;
}

class CalibrationExportTest : public ::testing::Test
{
  protected:
    // The room of the rig exported and read back, metres.
    static constexpr float kLength = 10.0f, kWidth = 6.0f, kHeight = 3.0f;

    CCameraSet& Cameras() { return m_rig; }
    struct Seen {
        Vec3d position, axis, up;
        float hFov, vFov;
    };
    std::vector<Seen> Snapshot()
    {
        std::vector<Seen> seen;
        for (uint32_t n = 0; n < m_rig.GetCount(); ++n) {
            const int i = static_cast<int>(n);
            Seen s;
            s.position = Cameras().ToUser(Cameras().GetPosition(i));
            AxesFromAimAngles({Cameras().GetHTilt(i), Cameras().GetVTilt(i), Cameras().GetSpin(i)}, s.axis, s.up);
            s.hFov = Cameras().GetHFov(i);
            s.vFov = Cameras().GetVFov(i);
            seen.push_back(s);
        }
        return seen;
    }
    // The rig read back from `path` into the set, as `rig --as-built` does.
    void ReadBack(const std::string& path)
    {
        const AsBuiltReadResult read = ReadAsBuilt(path, std::nullopt, 1.0);
        ASSERT_TRUE(read.rig) << read.error;
        AsBuiltPlacementOptions options;
        options.up = {0, 0, 1};
        options.room = {kLength, kWidth, kHeight};
        const AsBuiltPlanResult plan = PlanAsBuilt(*read.rig, options);
        ASSERT_TRUE(plan.plan) << plan.error;
        ASSERT_EQ(plan.plan->cameras.size(), m_rig.GetCount());
        m_rig = DefaultRig(m_rig.GetCount(), kLength, kWidth, kHeight);
        ApplyAsBuiltPlan(*plan.plan, Cameras());
    }
    void ExpectSame(const std::vector<Seen>& before, const std::vector<Seen>& after)
    {
        ASSERT_EQ(before.size(), after.size());
        const double fovRadians = kRadiansPerDegree;
        for (size_t k = 0; k < before.size(); ++k) {
            EXPECT_LT(Length(before[k].position - after[k].position), 1e-6) << k;
            EXPECT_LT(AngleBetween(before[k].axis, after[k].axis), 1e-6) << k;
            EXPECT_LT(AngleBetween(before[k].up, after[k].up), 1e-6) << k;
            EXPECT_LT(std::abs(before[k].hFov - after[k].hFov) * fovRadians, 1e-6) << k;
            EXPECT_LT(std::abs(before[k].vFov - after[k].vFov) * fovRadians, 1e-6) << k;
        }
    }
    void MakeRig()
    {
        m_rig = DefaultRig(6, kLength, kWidth, kHeight);
        std::mt19937 rng(11);
        std::uniform_real_distribution<float> turn(0, 359), tilt(-80, 89), spin(-170, 170), at(0.2f, 2.8f);
        for (int i = 0; i < 6; ++i) {
            Cameras().SetHTilt(i, turn(rng));
            Cameras().SetVTilt(i, tilt(rng));
            Cameras().SetSpin(i, spin(rng));
            Cameras().SetFilePosition(i, {at(rng) * 3, at(rng), at(rng) * 2});
            Cameras().SetFocalLength(i, 4.0f + static_cast<float>(i));
            Cameras().SetLabel(i, i == 2 ? "says \"hi\"" : "C" + std::to_string(i));
        }
        Cameras().SetCustomPixels(1, 2048, 1088);
        Cameras().RecomputeFieldOfView();
    }

    CCameraSet m_rig;
};

TEST_F(CalibrationExportTest, TomlAndYamlReadBackAsTheSameRig)
{
    MakeRig();
    const std::vector<Seen> before = Snapshot();
    TempDir dir;
    const SaveResult toml = ExportCalibration(dir.File("rig.toml"), Cameras(), 6);
    ASSERT_TRUE(toml) << toml.reason;
    const SaveResult yml = ExportCalibration(dir.File("extri.yml"), Cameras(), 6);
    ASSERT_TRUE(yml) << yml.reason;
    ASSERT_TRUE(std::filesystem::exists(dir.File("intri.yml")));

    ReadBack(dir.File("rig.toml"));
    ExpectSame(before, Snapshot());
    EXPECT_EQ(Cameras().GetLabel(2), "says \"hi\"");
    EXPECT_EQ(Cameras().GetSensorPixelsX(1), 2048);
    ReadBack(dir.Path().string());
    ExpectSame(before, Snapshot());
    EXPECT_EQ(Cameras().GetLabel(0), "01");
}

TEST_F(CalibrationExportTest, NamesThatCannotBeAPairAreRefusedAndWriteNothing)
{
    MakeRig();
    TempDir dir;
    for (const char* name : {"rig.yml", "intri.yml", "rig.txt"}) {
        const SaveResult saved = ExportCalibration(dir.File(name), Cameras(), 6);
        EXPECT_FALSE(saved) << name;
        EXPECT_NE(saved.reason.find(name), std::string::npos) << saved.reason;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    // A folder that cannot be written: the previous file stays whole (root writes anyway).
    if (geteuid() == 0)
        return;
    WriteBytes(dir.File("keep.toml"), "old");
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const SaveResult denied = ExportCalibration(dir.File("keep.toml"), Cameras(), 6);
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_all);
    EXPECT_FALSE(denied);
    EXPECT_NE(denied.reason.find("keep.toml"), std::string::npos) << denied.reason;
    EXPECT_EQ(ReadBytes(dir.File("keep.toml")), "old");
}

} // namespace
