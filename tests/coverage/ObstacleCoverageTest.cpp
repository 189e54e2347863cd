#include "support/CoverageFixture.h"

#include "coverage/PlanningMeasures.h"
#include "coverage/obstacles/Occlusion.h"
#include "project/MeshReader.h"
#include "project/ProjectObstacles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace
{

// The slab test written out on its own, without the program's helper.
bool SegmentCrossesBox(const Vec3d& from, const Vec3d& to, const Vec3d& lo, const Vec3d& hi)
{
    const double a[3] = {from.x, from.y, from.z}, b[3] = {to.x, to.y, to.z};
    const double l[3] = {lo.x, lo.y, lo.z}, h[3] = {hi.x, hi.y, hi.z};
    double enter = 0.0, leave = 1.0;
    for (int axis = 0; axis < 3; ++axis) {
        const double d = b[axis] - a[axis];
        if (d == 0.0) {
            if (a[axis] < l[axis] || a[axis] > h[axis])
                return false;
            continue;
        }
        const double t0 = (l[axis] - a[axis]) / d, t1 = (h[axis] - a[axis]) / d;
        enter = std::max(enter, std::min(t0, t1));
        leave = std::min(leave, std::max(t0, t1));
    }
    return enter <= leave;
}

std::vector<uint32_t> Counts(const CCoverageVolume& volume)
{
    std::vector<uint32_t> counts(volume.GetVoxelCount());
    for (size_t t = 0; t < counts.size(); ++t)
        counts[t] = volume.SeenCount(t);
    return counts;
}

// A unit cube, 8 corners and 12 outward triangles, for both file formats.
const double kCorners[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
const int kFaces[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                           {3, 7, 6}, {3, 6, 2}, {0, 4, 7}, {0, 7, 3}, {1, 2, 6}, {1, 6, 5}};

std::string Base64(const std::string& bytes)
{
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            v |= static_cast<uint8_t>(bytes[i + 2]);
        out += digits[(v >> 18) & 63];
        out += digits[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? digits[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? digits[v & 63] : '=';
    }
    return out;
}

std::string WriteFile(const std::string& name, const std::string& text)
{
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string CubeObj()
{
    std::string text = "# unit cube\n";
    for (const auto& c : kCorners)
        text += "v " + std::to_string(c[0]) + " " + std::to_string(c[1]) + " " + std::to_string(c[2]) + "\n";
    for (const auto& f : kFaces)
        text +=
            "f " + std::to_string(f[0] + 1) + " " + std::to_string(f[1] + 1) + " " + std::to_string(f[2] + 1) + "\n";
    return WriteFile("vp_obstacle_cube.obj", text);
}

// glTF 2.0 with the positions in an embedded buffer, one node moving the
// cube by (0, 0, 0): the node transform is read too.
std::string CubeGltf()
{
    std::string bytes;
    for (const auto& f : kFaces) {
        for (int v : f) {
            for (int axis = 0; axis < 3; ++axis) {
                const float value = static_cast<float>(kCorners[v][axis]);
                bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
            }
        }
    }
    const std::string json =
        R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],)"
        R"("nodes":[{"mesh":0,"translation":[0,0,0]}],)"
        R"("meshes":[{"primitives":[{"attributes":{"POSITION":0},"mode":4}]}],)"
        R"("accessors":[{"bufferView":0,"componentType":5126,"count":36,"type":"VEC3","min":[0,0,0],"max":[1,1,1]}],)"
        R"("bufferViews":[{"buffer":0,"byteLength":432}],)"
        R"("buffers":[{"byteLength":432,"uri":"data:application/octet-stream;base64,)" +
        Base64(bytes) + R"("}]})";
    return WriteFile("vp_obstacle_cube.gltf", json);
}

class ObstacleCoverageTest : public CoverageTest
{
  protected:
    // The box every test uses: 1.5 m a side, off the lattice planes, in the
    // middle of the default 5 m room.
    static constexpr double kMin[3] = {1.25, 0.5, 1.75};
    static constexpr double kSide = 1.5;

    ObstacleBox Box() const
    {
        return {"crate", {kMin[0], kMin[1], kMin[2]}, {kMin[0] + kSide, kMin[1] + kSide, kMin[2] + kSide}};
    }
    void ComputeWith(std::shared_ptr<const CObstacleSet> set)
    {
        obstacleSet = std::move(set);
        Compute();
    }
};

TEST_F(ObstacleCoverageTest, OneCameraLosesExactlyTheVoxelsBehindTheBox)
{
    MakeRig(4);
    OnlyCamera(1);
    voxelCm = 10.0f;
    Compute();
    const std::vector<uint32_t> classic = Counts(volume);

    auto obstacles = std::make_shared<CObstacleSet>();
    ASSERT_FALSE(obstacles->AddBox(Box()));
    ComputeWith(obstacles);
    const Vec3d a = Rig().FromUser(Box().min), b = Rig().FromUser(Box().max);
    const Vec3d lo{std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
    const Vec3d hi{std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
    const Vec3d camera = Rig().GetPosition(1);
    size_t shadowed = 0, inside = 0;
    for (size_t t = 0; t < classic.size(); ++t) {
        const auto c = volume.Centre(t);
        const Vec3d centre{c[0], c[1], c[2]};
        const bool crosses = SegmentCrossesBox(camera, centre, lo, hi);
        const uint32_t expected = crosses ? 0u : classic[t];
        ASSERT_EQ(volume.SeenCount(t), expected) << "voxel " << t;
        shadowed += crosses && classic[t] == 1 ? 1 : 0;
        const bool within = centre.x >= lo.x && centre.x <= hi.x && centre.y >= lo.y && centre.y <= hi.y &&
                            centre.z >= lo.z && centre.z <= hi.z;
        EXPECT_EQ(volume.InsideObstacle(t), within);
        inside += within ? 1 : 0;
    }
    // The box hides a real part of what the camera saw, not a sliver.
    EXPECT_GT(shadowed, inside);
    EXPECT_EQ(inside, 15u * 15u * 15u);
    EXPECT_EQ(volume.GetOcclusion()->InsideCount(), inside);
}

TEST_F(ObstacleCoverageTest, NoObstacleGivesTheClassicPassBitForBit)
{
    MakeRig(6, 6.0f, 4.0f, 3.0f);
    voxelCm = 7.0f;
    Compute();
    const std::vector<uint32_t> classic = Counts(volume);
    std::vector<uint32_t> iso(volume.GetIsoCount());
    for (uint32_t e = 0; e < iso.size(); ++e)
        iso[e] = volume.IsoIndex(e);

    ComputeWith(std::make_shared<CObstacleSet>());
    EXPECT_EQ(volume.GetOcclusion(), nullptr);
    EXPECT_EQ(Counts(volume), classic);
    ASSERT_EQ(volume.GetIsoCount(), iso.size());
    for (uint32_t e = 0; e < iso.size(); ++e)
        EXPECT_EQ(volume.IsoIndex(e), iso[e]);
}

TEST_F(ObstacleCoverageTest, CubeMeshesCastTheShadowOfTheEqualBox)
{
    MakeRig(4);
    voxelCm = 10.0f;
    auto box = std::make_shared<CObstacleSet>();
    ASSERT_FALSE(box->AddBox(Box()));
    ComputeWith(box);
    const std::vector<uint32_t> expected = Counts(volume);
    const uint64_t insideBox = volume.GetOcclusion()->InsideCount();

    for (const std::string& file : {CubeObj(), CubeGltf()}) {
        SCOPED_TRACE(file);
        auto mesh = std::make_shared<CObstacleSet>();
        ObstacleMesh placement;
        placement.name = "cube";
        placement.file = file;
        placement.offset = {kMin[0], kMin[1], kMin[2]};
        placement.scale = kSide;
        auto read = ReadMeshFile(file);
        ASSERT_TRUE(std::holds_alternative<MeshTriangles>(read)) << std::get<std::string>(read);
        const auto error = mesh->AddMesh(placement, std::get<MeshTriangles>(read));
        ASSERT_FALSE(error) << *error;
        ASSERT_EQ(mesh->GetMeshes()[0].mesh->triangles.size(), 12u);
        ComputeWith(mesh);
        EXPECT_EQ(volume.GetOcclusion()->InsideCount(), insideBox);
        const std::vector<uint32_t> counts = Counts(volume);
        size_t differing = 0;
        for (size_t t = 0; t < counts.size(); ++t)
            differing += counts[t] != expected[t] ? 1 : 0;
        EXPECT_EQ(differing, 0u);
        std::remove(file.c_str());
    }
}

TEST_F(ObstacleCoverageTest, BoxesOnTheGridDecideAsTheirSlabs)
{
    MakeRig(4);
    voxelCm = 20.0f;
    Compute();
    CObstacleSet set;
    // Faces on the lattice planes and between them; none through a voxel
    // centre, where a closed box and a surface's half-open rule differ.
    const double boxes[][6] = {
        {0.35, 0, 0.25, 0.95, 3.2, 0.75}, {2, 1, 2, 3.15, 1.85, 2.6}, {4.05, 0, 1, 4.6, 0.8, 4.45}};
    for (const auto& b : boxes)
        ASSERT_FALSE(set.AddBox({"", {b[0], b[1], b[2]}, {b[3], b[4], b[5]}}));
    std::vector<float> xs(volume.GetCountX()), ys(volume.GetCountY()), zs(volume.GetCountZ());
    for (uint32_t i = 0; i < xs.size(); ++i)
        xs[i] = volume.Centre(volume.VoxelIndex(i, 0, 0))[0];
    for (uint32_t j = 0; j < ys.size(); ++j)
        ys[j] = volume.Centre(volume.VoxelIndex(0, j, 0))[1];
    for (uint32_t k = 0; k < zs.size(); ++k)
        zs[k] = volume.Centre(volume.VoxelIndex(0, 0, k))[2];
    const VoxelLattice lattice{Scene().GetRoomCorner(), volume.GetVoxelEdge(), xs.data(),         ys.data(), zs.data(),
                               volume.GetCountX(),      volume.GetCountY(),    volume.GetCountZ()};
    const Vec3d origin{Rig().GetUserOriginX(), Rig().GetUserOriginY(), Rig().GetUserOriginZ()};
    const COcclusion slabs(set, origin, lattice, BoxTest::Slabs);
    const COcclusion grid(set, origin, lattice, BoxTest::Grid);
    ASSERT_EQ(grid.GetBoxCount(), 0u);
    ASSERT_EQ(slabs.InsideCount(), grid.InsideCount());
    size_t blocked = 0;
    for (int c = 0; c < 4; ++c) {
        const Vec3d camera = Rig().GetPosition(c);
        for (size_t t = 0; t < volume.GetVoxelCount(); ++t) {
            const auto p = volume.Centre(t);
            const bool bySlabs = slabs.Blocks(camera, t, {p[0], p[1], p[2]});
            ASSERT_EQ(grid.Blocks(camera, t, {p[0], p[1], p[2]}), bySlabs) << "camera " << c << " voxel " << t;
            blocked += bySlabs ? 1 : 0;
        }
    }
    EXPECT_GT(blocked, 1000u);
}

TEST_F(ObstacleCoverageTest, PlanningMeasuresSeeWhatThePassSees)
{
    MakeRig(4);
    voxelCm = 20.0f;
    auto obstacles = std::make_shared<CObstacleSet>();
    ASSERT_FALSE(obstacles->AddBox(Box()));
    ASSERT_FALSE(obstacles->AddBox({"pillar", {0.4, 0.0, 3.9}, {0.8, 5.0, 4.3}}));
    ComputeWith(obstacles);
    CPlanningMeasures planning;
    ASSERT_EQ(planning.Compute(volume, computed), CPlanningMeasures::Status::Ok);
    uint64_t pairs = 0;
    for (size_t t = 0; t < volume.GetVoxelCount(); ++t) {
        pairs += volume.SeenCount(t);
        ASSERT_LE(planning.MarkerCount(t), volume.SeenCount(t));
    }
    uint64_t seenByCameras = 0;
    for (const auto& figures : planning.GetCameraFigures())
        seenByCameras += figures.voxelsSeen;
    EXPECT_EQ(seenByCameras, pairs);
    // Voxels in the obstacles count in neither the seen nor the marker volume.
    const uint64_t open = volume.GetVoxelCount() - volume.GetOcclusion()->InsideCount();
    EXPECT_EQ(planning.SeenAtLeast()[0], open);
    EXPECT_EQ(planning.MarkerAtLeast()[0], open);
}

TEST_F(ObstacleCoverageTest, RefusedObstaclesLeaveTheSetAsItWas)
{
    CObstacleSet set;
    ASSERT_FALSE(set.AddBox(Box()));
    const struct {
        ObstacleBox box;
        const char* reason;
    } refused[] = {
        {{"flat", {0, 0, 0}, {1, 0, 1}}, "below its max"},
        {{"turned", {1, 1, 1}, {0, 2, 2}}, "below its max"},
        {{"nan", {0, std::nan(""), 0}, {1, 1, 1}}, "finite"},
    };
    for (const auto& row : refused) {
        const auto error = set.AddBox(row.box);
        ASSERT_TRUE(error) << row.box.name;
        EXPECT_NE(error->find(row.reason), std::string::npos) << *error;
        EXPECT_NE(error->find(row.box.name), std::string::npos) << *error;
        EXPECT_TRUE(set.ReplaceBox(0, row.box));
    }
    ASSERT_EQ(set.GetBoxes().size(), 1u);
    EXPECT_EQ(set.GetBoxes()[0].name, "crate");

    ObstacleMesh mesh;
    mesh.file = WriteFile("vp_obstacle_empty.obj", "# nothing\n");
    EXPECT_TRUE(ImportMesh(mesh, {}, set));
    mesh.file = "/nonexistent/cube.obj";
    EXPECT_TRUE(ImportMesh(mesh, {}, set));
    mesh.file = CubeObj();
    mesh.scale = 0.0;
    EXPECT_TRUE(ImportMesh(mesh, {}, set));
    EXPECT_TRUE(set.GetMeshes().empty());
}

MeshTriangles CubeTriangles()
{
    MeshTriangles cube;
    for (const auto& f : kFaces)
        cube.triangles.push_back({Vec3d{kCorners[f[0]][0], kCorners[f[0]][1], kCorners[f[0]][2]},
                                  Vec3d{kCorners[f[1]][0], kCorners[f[1]][1], kCorners[f[1]][2]},
                                  Vec3d{kCorners[f[2]][0], kCorners[f[2]][1], kCorners[f[2]][2]}});
    return cube;
}

TEST_F(ObstacleCoverageTest, PlacementsPastTheirBoundsLeaveTheSetAsItWas)
{
    CObstacleSet set;
    ObstacleMesh placement;
    placement.name = "prop";
    placement.offset = {1, 0, 1};
    ASSERT_FALSE(set.AddMesh(placement, CubeTriangles()));
    MeshTriangles broken = CubeTriangles();
    broken.triangles[3][1].y = std::nan("");
    // The placements are refused as new placements of the mesh too.
    const struct {
        Vec3d offset;
        double scale;
        MeshTriangles triangles;
        const char* reason;
        bool placement;
    } refused[] = {
        {{1e308, 0, 0}, 1e10, CubeTriangles(), "the offset must lie within 10000 m of the room corner", true},
        {{0, 0, 0}, 1e300, CubeTriangles(), "the scale must be at most 1000000", true},
        {{0, 0, 0}, std::nan(""), CubeTriangles(), "the scale must be a number above 0", true},
        {{9000, 0, 0},
         2000,
         CubeTriangles(),
         "placed, the mesh reaches 11000 m from the room corner, beyond 10000 m",
         true},
        {{0, 0, 0}, 1, MeshTriangles{}, "the mesh holds no triangle", false},
        {{0, 0, 0}, 1, broken, "a vertex is not a finite number", false},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.reason);
        ObstacleMesh p = placement;
        p.offset = row.offset;
        p.scale = row.scale;
        EXPECT_EQ(set.AddMesh(p, row.triangles), "obstacle \"prop\": " + std::string(row.reason));
        if (row.placement) {
            EXPECT_EQ(set.PlaceMesh(0, p), "obstacle \"prop\": " + std::string(row.reason));
        }
    }
    ASSERT_EQ(set.GetMeshes().size(), 1u);
    EXPECT_EQ(set.GetMeshes()[0].offset, placement.offset);
    EXPECT_EQ(set.GetMeshes()[0].scale, 1.0);
}

// A cube reaching 120 m past the room on every side but the floor's blocks
// as the box of its size does; its grid spans the room, not the cube.
TEST_F(ObstacleCoverageTest, AHugeMeshBlocksAsItsBoxOnAGridOfTheRoom)
{
    MakeRig(4);
    voxelCm = 10.0f;
    const Vec3d corner{2.02, -59.98, 2.02};
    const double side = 120.0;
    auto box = std::make_shared<CObstacleSet>();
    ASSERT_FALSE(box->AddBox({"block", corner, {corner.x + side, corner.y + side, corner.z + side}}));
    ComputeWith(box);
    const std::vector<uint32_t> expected = Counts(volume);
    const uint64_t insideBox = volume.GetOcclusion()->InsideCount();
    EXPECT_EQ(insideBox, 30u * 50u * 30u);

    auto mesh = std::make_shared<CObstacleSet>();
    ObstacleMesh placement;
    placement.offset = corner;
    placement.scale = side;
    ASSERT_FALSE(mesh->AddMesh(placement, CubeTriangles()));
    ComputeWith(mesh);
    EXPECT_EQ(volume.GetOcclusion()->InsideCount(), insideBox);
    EXPECT_EQ(Counts(volume), expected);
    const COccupancyGrid& grid = volume.GetOcclusion()->GetGrids().at(0);
    EXPECT_LE(grid.GetCellCount(), 53u * 53u * 53u);
}

TEST_F(ObstacleCoverageTest, ObstacleGridsPastTheBudgetAreRefused)
{
    MakeRig(4);
    voxelCm = 10.0f;
    Compute();
    CObstacleSet set;
    ObstacleMesh placement;
    placement.offset = {1, 0, 1};
    placement.scale = 2;
    ASSERT_FALSE(set.AddMesh(placement, CubeTriangles()));
    std::vector<float> xs(volume.GetCountX()), ys(volume.GetCountY()), zs(volume.GetCountZ());
    for (uint32_t i = 0; i < xs.size(); ++i)
        xs[i] = volume.Centre(volume.VoxelIndex(i, 0, 0))[0];
    for (uint32_t j = 0; j < ys.size(); ++j)
        ys[j] = volume.Centre(volume.VoxelIndex(0, j, 0))[1];
    for (uint32_t k = 0; k < zs.size(); ++k)
        zs[k] = volume.Centre(volume.VoxelIndex(0, 0, k))[2];
    const VoxelLattice lattice{Scene().GetRoomCorner(), volume.GetVoxelEdge(), xs.data(),         ys.data(), zs.data(),
                               volume.GetCountX(),      volume.GetCountY(),    volume.GetCountZ()};
    const Vec3d origin{Rig().GetUserOriginX(), Rig().GetUserOriginY(), Rig().GetUserOriginZ()};
    OcclusionScope scope;
    scope.budgetBytes = 150000;
    try {
        const COcclusion occlusion(set, origin, lattice, BoxTest::Slabs, scope);
        FAIL() << "built past the budget";
    } catch (const GridTooLarge& tooLarge) {
        // The voxels' inside flags and the grid's 20^3 cells at the least.
        EXPECT_GT(tooLarge.neededBytes, volume.GetVoxelCount() + 20u * 20u * 20u * 5u);
    }
    scope.budgetBytes = 2000000;
    EXPECT_NO_THROW(COcclusion(set, origin, lattice, BoxTest::Slabs, scope));
}

} // namespace
