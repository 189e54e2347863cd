// `compare` run as a user would: a plan against its own export, against a
// copy with one camera moved, and against the two `coverage` runs it stands for.
#include "CalibrationWriters.h"
#include "core/TestSupport.h"
#include "support/CliRun.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

namespace
{

using Json = nlohmann::json;

// Six cameras of an 8 x 6 x 3.2 m studio whose world has z up, the room corner at its origin.
std::vector<PosedCamera> Studio()
{
    return {LookingAt("north", {0.3, 0.3, 3.0}, {4, 3, 0.8}, {0, 0, 1}),
            LookingAt("east", {7.7, 0.4, 2.9}, {4, 3, 1.0}, {0, 0, 1}),
            LookingAt("south", {7.6, 5.7, 3.0}, {4, 3, 0.6}, {0, 0, 1}),
            LookingAt("west", {0.4, 5.6, 2.8}, {4, 3, 1.2}, {0, 0, 1}),
            LookingAt("mid-a", {4.0, 0.2, 2.5}, {4, 3, 0.5}, {0, 0, 1}),
            LookingAt("mid-b", {4.1, 5.8, 2.6}, {4, 3, 0.7}, {0, 0, 1})};
}

// The camera turned by `degrees` about its own x axis (the aim tilts, the
// roll stays) and its centre shifted by `shift`.
PosedCamera Moved(PosedCamera c, double degrees, const std::array<double, 3>& shift)
{
    const Eigen::Matrix3d turn = Eigen::AngleAxisd(degrees * M_PI / 180.0, Eigen::Vector3d::UnitX()).toRotationMatrix();
    const Eigen::Matrix3d r = turn * Eigen::Map<const Eigen::Matrix<double, 3, 3, Eigen::RowMajor>>(c.rotation.data());
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            c.rotation[static_cast<size_t>(3 * i + j)] = r(i, j);
    for (size_t i = 0; i < 3; ++i)
        c.centre[i] += shift[i];
    return c;
}

class CliCompareTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        WriteBytes(m_dir.File("studio.toml"), AniposeText(Studio(), false));
        const CliRun plan = Cli("rig --as-built " + Quoted("studio.toml") +
                                " --as-built-up +z --room 8,6,3.2 --save-project " + Quoted("plan.vplan"));
        ASSERT_EQ(plan.status, 0) << plan.err;
    }
    CliRun Cli(const std::string& arguments) { return RunCli(VP_CLI_PATH, arguments, m_dir.Path()); }
    std::string Quoted(const std::string& name) { return "'" + m_dir.File(name) + "'"; }
    Json Compare(const std::string& calibration, const std::string& more = "")
    {
        const CliRun run = Cli("compare --project " + Quoted("plan.vplan") + " --as-built " + Quoted(calibration) +
                               " --as-built-up +z " + more);
        EXPECT_EQ(run.status, 0) << run.err;
        return run.status == 0 ? Json::parse(run.out) : Json::object();
    }
    Json Coverage(const std::string& project)
    {
        const CliRun run = Cli("coverage --planning --project " + Quoted(project));
        EXPECT_EQ(run.status, 0) << run.err;
        return run.status == 0 ? Json::parse(run.out) : Json::object();
    }

    TempDir m_dir;
};

TEST_F(CliCompareTest, PlanAgainstItsOwnExportDiffersInNothing)
{
    const CliRun exported =
        Cli("rig --project " + Quoted("plan.vplan") + " --export-calibration " + Quoted("own.toml"));
    ASSERT_EQ(exported.status, 0) << exported.err;
    for (const char* align : {"none", "rigid", "similarity"}) {
        SCOPED_TRACE(align);
        const Json json = Compare("own.toml", std::string("--align ") + align);
        ASSERT_EQ(json["cameras"].size(), 6u);
        EXPECT_EQ(json["alignment"]["method"], align);
        EXPECT_NEAR(json["alignment"]["scale"].get<double>(), 1.0, 1e-6);
        EXPECT_LT(json["alignment"]["rms_mm"].get<double>(), 1.0);
        for (const Json& camera : json["cameras"]) {
            EXPECT_EQ(camera["as_built_number"], camera["plan_number"]);
            EXPECT_LT(camera["delta_position_mm"].get<double>(), 1.0);
            EXPECT_LT(camera["delta_aim_deg"].get<double>(), 0.05);
            EXPECT_LT(std::abs(camera["delta_roll_deg"].get<double>()), 0.05);
            EXPECT_NEAR(camera["focal_mm_found"].get<double>(), camera["focal_mm_planned"].get<double>(), 1e-4);
        }
        const Json& coverage = json["coverage"];
        EXPECT_GT(coverage["planned_triangulable_m3"].get<double>(), 1.0);
        EXPECT_EQ(coverage["as_built_triangulable_m3"], coverage["planned_triangulable_m3"]);
        EXPECT_EQ(coverage["gained_m3"].get<double>(), 0.0);
        EXPECT_EQ(coverage["lost_m3"].get<double>(), 0.0);
        for (const Json& v : coverage["marker_by_at_least"]["gained_m3"])
            EXPECT_EQ(v.get<double>(), 0.0);
        for (const Json& v : coverage["marker_by_at_least"]["lost_m3"])
            EXPECT_EQ(v.get<double>(), 0.0);
    }
}

TEST_F(CliCompareTest, OneCameraMovedAndTurnedShowsInItsDeltasAndTheVolumes)
{
    std::vector<PosedCamera> built = Studio();
    built[2] = Moved(built[2], 2.0, {0.06, -0.08, 0.0});
    // The whole rig as calibrated sits elsewhere in its own world: the
    // alignment takes it back, nearest pairing finds the cameras in any order.
    const Eigen::Matrix3d away = Eigen::AngleAxisd(0.05, Eigen::Vector3d::UnitZ()).toRotationMatrix();
    std::vector<PosedCamera> shuffled;
    for (const size_t k : {4, 2, 0, 5, 1, 3}) {
        PosedCamera c = built[k];
        const Eigen::Vector3d centre =
            away * Eigen::Vector3d(c.centre[0], c.centre[1], c.centre[2]) + Eigen::Vector3d(0.5, -0.2, 0.0);
        const Eigen::Matrix3d r =
            Eigen::Map<const Eigen::Matrix<double, 3, 3, Eigen::RowMajor>>(c.rotation.data()) * away.transpose();
        c.centre = {centre.x(), centre.y(), centre.z()};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                c.rotation[static_cast<size_t>(3 * i + j)] = r(i, j);
        c.name = "c" + std::to_string(k);
        shuffled.push_back(c);
    }
    WriteBytes(m_dir.File("moved.toml"), AniposeText(shuffled, false));
    const Json json = Compare("moved.toml", "--match nearest --save-aligned " + Quoted("aligned.vplan"));
    ASSERT_EQ(json["cameras"].size(), 6u);
    EXPECT_EQ(json["alignment"]["cameras_fitted"], 5);
    EXPECT_LT(json["alignment"]["rms_mm"].get<double>(), 0.5);
    for (const Json& camera : json["cameras"]) {
        const int plan = camera["plan_number"];
        SCOPED_TRACE(plan);
        EXPECT_EQ(camera["as_built_name"], "c" + std::to_string(plan - 1));
        if (plan == 3) {
            EXPECT_NEAR(camera["delta_position_mm"].get<double>(), 100.0, 0.5);
            EXPECT_NEAR(camera["delta_aim_deg"].get<double>(), 2.0, 0.01);
            EXPECT_NEAR(camera["delta_roll_deg"].get<double>(), 0.0, 0.01);
        } else {
            EXPECT_LT(camera["delta_position_mm"].get<double>(), 1.0);
            EXPECT_LT(camera["delta_aim_deg"].get<double>(), 0.05);
        }
    }

    // The volumes are those of two coverage runs: the plan and the rig as built.
    const Json planned = Coverage("plan.vplan")["planning"]["volume_m3"];
    const Json asBuilt = Coverage("aligned.vplan")["planning"]["volume_m3"];
    const Json& coverage = json["coverage"];
    EXPECT_EQ(coverage["planned_triangulable_m3"], planned["triangulable"]);
    EXPECT_EQ(coverage["as_built_triangulable_m3"], asBuilt["triangulable"]);
    EXPECT_GT(coverage["gained_m3"].get<double>() + coverage["lost_m3"].get<double>(), 0.0);
    EXPECT_NEAR(coverage["gained_m3"].get<double>() - coverage["lost_m3"].get<double>(),
                asBuilt["triangulable"].get<double>() - planned["triangulable"].get<double>(), 1e-9);
    const Json& marker = coverage["marker_by_at_least"];
    for (size_t k = 0; k < planned["marker_by_at_least"].size(); ++k) {
        EXPECT_EQ(marker["planned_m3"][k], planned["marker_by_at_least"][k]);
        EXPECT_EQ(marker["as_built_m3"][k], asBuilt["marker_by_at_least"][k]);
        EXPECT_NEAR(marker["gained_m3"][k].get<double>() - marker["lost_m3"][k].get<double>(),
                    asBuilt["marker_by_at_least"][k].get<double>() - planned["marker_by_at_least"][k].get<double>(),
                    1e-9);
    }
}

TEST_F(CliCompareTest, RefusalsNameTheCauseAndWriteNothing)
{
    std::vector<PosedCamera> two = Studio();
    two.resize(2);
    WriteBytes(m_dir.File("two.toml"), AniposeText(two, false));
    CliRun run = Cli("compare --project " + Quoted("plan.vplan") + " --as-built " + Quoted("two.toml") +
                     " --as-built-up +z --save-aligned " + Quoted("out.vplan"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("at least 3 paired cameras, 2 paired"), std::string::npos) << run.err;
    // Two cameras still compare when both rigs are measured from the room corner.
    run = Cli("compare --project " + Quoted("plan.vplan") + " --as-built " + Quoted("two.toml") +
              " --as-built-up +z --align none");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Json::parse(run.out)["unmatched"]["plan_numbers"], Json::array({3, 4, 5, 6}));

    std::vector<PosedCamera> renamed = Studio();
    for (PosedCamera& c : renamed)
        c.name += "-x";
    WriteBytes(m_dir.File("renamed.toml"), AniposeText(renamed, false));
    run = Cli("compare --project " + Quoted("plan.vplan") + " --as-built " + Quoted("renamed.toml"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("--match nearest"), std::string::npos) << run.err;

    run = Cli("compare --project " + Quoted("plan.vplan") + " --as-built " + Quoted("missing.toml"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Calibration not loaded"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("missing.toml"), std::string::npos) << run.err;
    run = Cli("compare --project " + Quoted("none.vplan") + " --as-built " + Quoted("studio.toml"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("none.vplan"), std::string::npos) << run.err;
    EXPECT_EQ(Cli("compare --as-built " + Quoted("studio.toml")).status, 2);
    EXPECT_EQ(
        Cli("compare --project " + Quoted("plan.vplan") + " --as-built " + Quoted("studio.toml") + " --align affine")
            .status,
        2);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("out.vplan")));
}

} // namespace
