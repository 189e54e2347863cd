// Hostile meshes and placements through `coverage --obstacles` and
// `--project`: each refused with exit 1, naming the file and the reason,
// within a second or two; and a huge placed mesh costs what the room does.
#include "support/CliRun.h"
#include "support/MeshFiles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{

namespace fs = std::filesystem;
using nlohmann::json;
using Clock = std::chrono::steady_clock;

// What "quickly" is: the sanitized builds run the same work many times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::chrono::seconds kQuickly{30};
#else
constexpr std::chrono::seconds kQuickly{3};
#endif

class CliMeshTest : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        s_dir = fs::temp_directory_path() / ("cli_mesh_" + std::to_string(getpid()));
        fs::create_directories(s_dir);
        s_hostile = mesh_files::WriteHostile(s_dir / "hostile");
        mesh_files::WriteCubes(s_dir / "cubes");
    }
    static void TearDownTestSuite() { fs::remove_all(s_dir); }

    static CliRun Cli(const std::string& arguments) { return RunCli(VP_CLI_PATH, arguments, s_dir); }
    static std::string Path(const std::string& name) { return (s_dir / name).string(); }
    static json Mesh(const std::string& file, double scale = 1.0, json offset = {0, 0, 0})
    {
        return {{"name", "prop"}, {"file", file}, {"offset", offset}, {"scale", scale}};
    }
    // The list on its own and a project holding it, both beside `hostile/`.
    static void WriteBoth(const json& list)
    {
        std::ofstream(s_dir / "list.json") << list.dump();
        if (!fs::exists(s_dir / "base.vplan")) {
            ASSERT_EQ(Cli("rig --default-rig 2 --save-project '" + Path("base.vplan") + "'").status, 0);
        }
        json project = json::parse(ReadText(s_dir / "base.vplan"));
        project["obstacles"] = list;
        std::ofstream(s_dir / "plan.vplan") << project.dump(2);
    }
    static void ExpectRefused(const std::string& reason, const std::string& file = "")
    {
        for (const std::string& option :
             {"--obstacles '" + Path("list.json") + "'", "--project '" + Path("plan.vplan") + "'"}) {
            SCOPED_TRACE(option);
            const Clock::time_point start = Clock::now();
            const CliRun run = Cli("coverage " + option);
            EXPECT_LT(Clock::now() - start, kQuickly);
            EXPECT_EQ(run.status, 1);
            EXPECT_TRUE(run.out.empty());
            EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
            if (!file.empty()) {
                // The mesh named as the plan holds it, from the folder of the file that listed it.
                EXPECT_NE(run.err.find("Obstacles not loaded: could not read the mesh " + Path(file)),
                          std::string::npos)
                    << run.err;
            }
        }
    }

    static inline fs::path s_dir;
    static inline std::vector<mesh_files::Hostile> s_hostile;
};

TEST_F(CliMeshTest, HostileMeshFilesAreRefusedNamingFileAndReason)
{
    for (const auto& file : s_hostile) {
        SCOPED_TRACE(file.file);
        WriteBoth(json::array({Mesh("hostile/" + file.file)}));
        ExpectRefused(file.reason, "hostile/" + file.file + ": ");
    }
}

TEST_F(CliMeshTest, ImplausiblePlacementsAreRefusedWithTheirBound)
{
    const struct {
        json mesh;
        const char* reason;
    } rows[] = {
        {Mesh("cubes/cube.obj", 1e10, {1e308, 0, 0}), "the offset must lie within 10000 m of the room corner"},
        {Mesh("cubes/cube.obj", 1e300), "the scale must be at most 1000000"},
        {Mesh("cubes/cube.obj", 0.0), "the scale must be a number above 0"},
        {Mesh("cubes/cube.gltf", 2000, {9000, 0, 0}),
         "placed, the mesh reaches 11000 m from the room corner, beyond 10000 m"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reason);
        WriteBoth(json::array({row.mesh}));
        ExpectRefused("obstacle \"prop\": " + std::string(row.reason));
    }
}

// A 1 m cube scaled to 120 m, reaching far past the room on every side but
// the floor's: its grid spans the room, not the cube, and the voxels inside
// are those of the room it covers.
TEST_F(CliMeshTest, AHugeMeshCostsWhatTheRoomDoes)
{
    WriteBoth(json::array({Mesh("cubes/cube.obj", 120, {2.02, -59.98, 2.02})}));
    rusage before{};
    getrusage(RUSAGE_CHILDREN, &before);
    const Clock::time_point start = Clock::now();
    const CliRun run = Cli("coverage --voxel 10 --obstacles '" + Path("list.json") + "'");
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    rusage after{};
    getrusage(RUSAGE_CHILDREN, &after);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_LT(seconds, 5.0 * kQuickly.count() / 3);
    // The largest child so far, in kB: when it grew, this run's tool or its
    // reader set it.
    if (after.ru_maxrss > before.ru_maxrss) {
        EXPECT_LT(after.ru_maxrss, 400 * 1024);
    }
    const json report = json::parse(run.out);
    // x and z from the centre at 2.05 m to 5 m, y the whole room.
    EXPECT_NEAR(report["obstacles"]["volume_m3"].get<double>(), 30 * 50 * 30 * 1e-3, 1e-4);
}

} // namespace
