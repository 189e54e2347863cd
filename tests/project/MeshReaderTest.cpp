// Meshes read by the partner process: the cube in each form, the hostile
// files refused with their reason, and whatever the partner itself does
// (a crash, endless work, no answer) turned into a refusal.
#include "support/MeshFiles.h"

#include "project/MeshReader.h"
#include "project/ProjectObstacles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// What "quickly" is: the sanitized builds run the same work many times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::chrono::seconds kQuickly{30};
#else
constexpr std::chrono::seconds kQuickly{3};
#endif

class MeshReaderTest : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        s_dir = fs::temp_directory_path() / ("mesh_reader_" + std::to_string(getpid()));
        fs::create_directories(s_dir);
        s_hostile = mesh_files::WriteHostile(s_dir / "hostile");
        s_cubes = mesh_files::WriteCubes(s_dir / "cubes");
    }
    static void TearDownTestSuite() { fs::remove_all(s_dir); }

    // A stand-in partner: a shell script doing `body`.
    static MeshReaderLimits Fake(const std::string& name, const std::string& body)
    {
        const fs::path script = s_dir / name;
        std::ofstream(script) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(script, fs::perms::owner_all);
        MeshReaderLimits limits;
        limits.partner = script.string();
        return limits;
    }
    static std::string Refusal(const std::string& path, const MeshReaderLimits& limits = {})
    {
        const auto read = ReadMeshFile(path, limits);
        return std::holds_alternative<std::string>(read) ? std::get<std::string>(read) : std::string("(read)");
    }

    static inline fs::path s_dir;
    static inline std::vector<mesh_files::Hostile> s_hostile;
    static inline std::vector<std::string> s_cubes;
};

TEST_F(MeshReaderTest, TheCubeReadsAlikeInEveryForm)
{
    std::vector<std::array<Vec3d, 3>> first;
    for (const std::string& name : s_cubes) {
        SCOPED_TRACE(name);
        const auto read = ReadMeshFile((s_dir / "cubes" / name).string());
        ASSERT_TRUE(std::holds_alternative<MeshTriangles>(read)) << std::get<std::string>(read);
        const auto& triangles = std::get<MeshTriangles>(read).triangles;
        ASSERT_EQ(triangles.size(), 12u);
        if (first.empty())
            first = triangles;
        EXPECT_EQ(triangles, first);
    }
    // Every corner of the cube, and nothing else.
    for (const auto& triangle : first)
        for (const Vec3d& v : triangle)
            EXPECT_TRUE((v.x == 0 || v.x == 1) && (v.y == 0 || v.y == 1) && (v.z == 0 || v.z == 1));
}

TEST_F(MeshReaderTest, HostileFilesAreRefusedWithTheirReasonQuickly)
{
    for (const auto& file : s_hostile) {
        SCOPED_TRACE(file.file);
        const Clock::time_point start = Clock::now();
        const std::string refusal = Refusal((s_dir / "hostile" / file.file).string());
        EXPECT_NE(refusal.find(file.reason), std::string::npos) << refusal;
        EXPECT_LT(Clock::now() - start, kQuickly);
    }
}

// The fuzz target's seed corpus, its regression files among them, read by
// the partner as the program reads them: each read or refused by the
// checks, none taking the reader down.
TEST_F(MeshReaderTest, TheFuzzCorpusReadsOrIsRefusedCleanly)
{
    size_t read = 0, files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(VP_SOURCE_DIR) / "tests/fuzz/corpus/mesh")) {
        SCOPED_TRACE(entry.path().filename().string());
        ++files;
        const auto result = ReadMeshFile(entry.path().string());
        if (std::holds_alternative<MeshTriangles>(result)) {
            ++read;
            continue;
        }
        const std::string& refusal = std::get<std::string>(result);
        EXPECT_EQ(refusal.find("the reader "), std::string::npos) << refusal;
    }
    EXPECT_GE(files, 25u);
    // The cubes; the one naming cube.bin has none beside it here.
    EXPECT_EQ(read, 3u);
}

TEST_F(MeshReaderTest, WhatThePartnerDoesBecomesARefusal)
{
    const std::string cube = (s_dir / "cubes" / "cube.obj").string();
    EXPECT_EQ(Refusal(cube, Fake("segv.sh", "kill -SEGV $$")), "the reader stopped (signal 11)");
    EXPECT_EQ(Refusal(cube, Fake("abort.sh", "kill -ABRT $$")), "the reader stopped (signal 6)");
    EXPECT_EQ(Refusal(cube, Fake("silent.sh", "exit 0")), "the reader ended without an answer (exit status 0)");
    EXPECT_EQ(Refusal(cube, Fake("garbage.sh", "echo VPMESH1; echo T; exit 0")),
              "the reader ended without an answer (exit status 0)");
    // A count past the limit is not believed, nor allocated.
    EXPECT_EQ(Refusal(cube, Fake("claims.sh", R"(printf 'VPMESH1\nT\377\377\377\377\377\377\377\377'; exit 0)")),
              "the reader ended without an answer (exit status 0)");
    EXPECT_EQ(Refusal(cube, Fake("memory.sh", "exit 3")), "the reader needed more than 1 GB");

    MeshReaderLimits absent;
    absent.partner = (s_dir / "no-such-reader").string();
    EXPECT_NE(Refusal(cube, absent).find("cannot be run (No such file or directory)"), std::string::npos);
}

TEST_F(MeshReaderTest, EndlessWorkIsStoppedAtTheTimeLimit)
{
    const fs::path pidFile = s_dir / "sleeper.pid";
    MeshReaderLimits limits = Fake("sleep.sh", "echo $$ > '" + pidFile.string() + "'; exec sleep 30");
    limits.seconds = 0.5;
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(Refusal((s_dir / "cubes" / "cube.obj").string(), limits), "the reader took longer than 0.5 s");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    // Killed and reaped, not left running.
    pid_t pid = 0;
    std::ifstream(pidFile) >> pid;
    ASSERT_GT(pid, 0);
    EXPECT_NE(::kill(pid, 0), 0);
}

TEST_F(MeshReaderTest, AFileNeedingMoreThanTheMemoryLimitIsRefused)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's builds read without a memory limit";
#endif
    // 300,000 faces, which the importer holds in about 100 MB.
    std::string faces = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i < 300'000; ++i)
        faces += "f 1 2 3\n";
    mesh_files::Write(s_dir / "faces.obj", faces);
    MeshReaderLimits limits;
    limits.memoryBytes = uint64_t{64} << 20;
    EXPECT_EQ(Refusal((s_dir / "faces.obj").string(), limits), "the reader needed more than 64 MB");
    // Within the limit it reads.
    EXPECT_TRUE(std::holds_alternative<MeshTriangles>(ReadMeshFile((s_dir / "faces.obj").string())));
}

TEST_F(MeshReaderTest, ARefusedMeshLeavesTheSetAsItWasAndNamesTheFile)
{
    CObstacleSet set;
    ASSERT_FALSE(set.AddBox({"crate", {0, 0, 0}, {1, 1, 1}}));
    ObstacleMesh placement;
    placement.name = "prop";
    placement.file = "deep.gltf";
    const auto error = ImportMesh(placement, (s_dir / "hostile" / "deep.gltf").string(), set);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->rfind("could not read the mesh deep.gltf: ", 0), 0u) << *error;
    EXPECT_EQ(set.GetCount(), 1u);

    // A placement past its bounds is refused before the file is read.
    placement.file = (s_dir / "hostile" / "pipe.obj").string();
    placement.scale = 1e300;
    EXPECT_EQ(ImportMesh(placement, {}, set), "obstacle \"prop\": the scale must be at most 1000000");
    EXPECT_EQ(set.GetCount(), 1u);
}

} // namespace
