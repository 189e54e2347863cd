// `coverage --gltf`: the plan's scene read back as a 3D tool reads it, and
// checked by the Khronos validator where CI installed it.
#include "coverage/FrustumEdges.h"
#include "coverage/GltfFile.h"
#include "support/CliRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>

namespace
{

namespace fs = std::filesystem;
using nlohmann::json;

// The 8-camera default rig in the 12 x 10 x 4 m stage.
constexpr const char* kStage = "coverage --room 12,10,4 --default-rig 8";

Vec3d VecOf(const json& v)
{
    return {v[0].get<double>(), v[1].get<double>(), v[2].get<double>()};
}

double AngleDeg(const Vec3& a, const Vec3d& b)
{
    const double dot = a[0] * b.x + a[1] * b.y + a[2] * b.z;
    const double n = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]) * Length(b);
    return std::acos(std::clamp(dot / n, -1.0, 1.0)) * 180.0 / std::numbers::pi;
}

class CliShareTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("cli_share_" + std::to_string(getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
};

TEST_F(CliShareTest, CamerasSitAndLookWhereTheRigHasThem)
{
    const CliRun run = RunCli(VP_CLI_PATH, std::string(kStage) + " --gltf " + Path("plan.glb"), m_dir);
    ASSERT_EQ(run.status, 0) << run.err;
    const json report = json::parse(run.out);
    // The shared files compute the planning measures; the printed report stays the classic one.
    EXPECT_FALSE(report.contains("planning"));
    const json gltf = GlbJson(ReadText(Path("plan.glb")));
    ASSERT_TRUE(gltf.is_object());
    EXPECT_EQ(gltf["asset"]["version"], "2.0");

    int checked = 0;
    for (const json& camera : report["cameras"]) {
        const json* node = Named(gltf, "nodes", camera["label"].get<std::string>());
        ASSERT_NE(node, nullptr) << camera["label"];
        const Vec3d user = VecOf(camera["position"]);
        const json& t = (*node)["translation"];
        EXPECT_NEAR(t[0].get<double>(), user.x, 1e-3);
        EXPECT_NEAR(t[1].get<double>(), user.y, 1e-3);
        EXPECT_NEAR(t[2].get<double>(), -user.z, 1e-3);

        const json& e = camera["edges"];
        const FrustumEdges edges{VecOf(e["h_plus"]), VecOf(e["h_minus"]), VecOf(e["v_plus"]), VecOf(e["v_minus"])};
        const json& q = (*node)["rotation"];
        EXPECT_LT(AngleDeg(Rotate(q, {0, 0, -1}), OpticalAxis(edges)), 0.1) << camera["label"];
        // The image's top is the upper vertical edge's side.
        const Vec3 up = Rotate(q, {0, 1, 0});
        EXPECT_GT(up[0] * (edges.vPlus.x - edges.vMinus.x) + up[1] * (edges.vPlus.y - edges.vMinus.y) +
                      up[2] * (edges.vPlus.z - edges.vMinus.z),
                  0.0);

        const json& lens = gltf["cameras"][(*node)["camera"].get<size_t>()];
        EXPECT_EQ(lens["type"], "perspective");
        EXPECT_NEAR(lens["perspective"]["yfov"].get<double>(), camera["vfov"].get<double>() * std::numbers::pi / 180.0,
                    1e-3);
        EXPECT_DOUBLE_EQ(lens["perspective"]["znear"].get<double>(), 0.05);
        ASSERT_EQ((*node)["children"].size(), 1u);
        ++checked;
    }
    EXPECT_EQ(checked, 8);
    EXPECT_NE(Named(gltf, "meshes", "room"), nullptr);
    EXPECT_NE(Named(gltf, "meshes", "coverage"), nullptr);
    EXPECT_NE(Named(gltf, "meshes", "target"), nullptr);
    EXPECT_EQ(Named(gltf, "meshes", "obstacles"), nullptr);
    ASSERT_TRUE(gltf["extensionsUsed"].is_array());
    EXPECT_EQ(gltf["extensionsUsed"][0], "KHR_materials_unlit");

    // The figures are those the report prints, from the same home.
    const json& extras = gltf["scenes"][0]["extras"];
    EXPECT_EQ(extras["figures"]["seen_by_at_least_m3"].size(), report["volume_m3"]["seen_by_at_least"].size());
    for (size_t k = 0; k < extras["figures"]["seen_by_at_least_m3"].size(); ++k)
        EXPECT_DOUBLE_EQ(extras["figures"]["seen_by_at_least_m3"][k].get<double>(),
                         report["volume_m3"]["seen_by_at_least"][k].get<double>());
    EXPECT_TRUE(extras["figures"].contains("triangulable_m3"));
    EXPECT_FALSE(extras["thinning"]["thinned"].get<bool>());
}

TEST_F(CliShareTest, TheValidatorFindsNoError)
{
    const fs::path validator = fs::path(VP_GLTF_VALIDATOR_DIR) / "node_modules" / "gltf-validator";
    if (std::string(VP_NODE_PATH).empty() || !fs::exists(validator / "package.json"))
        GTEST_SKIP() << "node or the glTF validator is missing (scripts/install-deps.sh installs them into "
                     << VP_GLTF_VALIDATOR_DIR << ")";
    // Obstacles and a target give every mesh of the format its turn.
    const std::string plan = std::string(kStage) + " --obstacle-box 4,0,3,6,1,5";
    for (const char* name : {"plan.glb", "plan.gltf"}) {
        const CliRun made = RunCli(VP_CLI_PATH, plan + " --gltf " + Path(name), m_dir);
        ASSERT_EQ(made.status, 0) << made.err;
        const CliRun checked =
            RunCli(VP_NODE_PATH,
                   std::string("'") + VP_VALIDATE_SCRIPT + "' '" + VP_GLTF_VALIDATOR_DIR + "' " + Path(name), m_dir);
        EXPECT_EQ(checked.status, 0) << name << ": " << checked.out << checked.err;
        const json issues = json::parse(checked.out, nullptr, false);
        ASSERT_TRUE(issues.is_object()) << checked.out;
        EXPECT_EQ(issues["numErrors"], 0) << issues.dump(1);
    }
}

TEST_F(CliShareTest, ABadNameOrFolderIsRefused)
{
    const CliRun wrong = RunCli(VP_CLI_PATH, std::string(kStage) + " --gltf " + Path("plan.obj"), m_dir);
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("--gltf " + Path("plan.obj") + ": a file ending in .glb or .gltf"), std::string::npos)
        << wrong.err;
    EXPECT_TRUE(wrong.out.empty());
    EXPECT_FALSE(fs::exists(Path("plan.obj")));

    const CliRun missing = RunCli(VP_CLI_PATH, std::string(kStage) + " --gltf " + Path("no/plan.glb"), m_dir);
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Unable to write file: " + Path("no/plan.glb")), std::string::npos) << missing.err;
}

} // namespace
