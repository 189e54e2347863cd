// Placement in a room: a candidate's sight of the target is the planning
// measures' own decision, the exhaustive search over real candidates finds
// the rig brute force finds, and placed cameras keep to their mounts.
#include "support/CoverageFixture.h"

#include "coverage/PlanningMeasures.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "coverage/placement/AutoPlacement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>
#include <vector>

namespace
{

constexpr RoomSize kRoom{6.0, 5.0, 3.0};

class PlacementGeometryTest : public CoverageTest
{
  protected:
    // The room in the scene, with cameras put where the placement put them.
    void PutInPlan(const std::vector<PlacedCamera>& placed)
    {
        Scene().SetRoomLength(static_cast<float>(kRoom.length));
        Scene().SetRoomWidth(static_cast<float>(kRoom.width));
        Scene().SetRoomHeight(static_cast<float>(kRoom.height));
        Scene().SetCameraCount(static_cast<uint32_t>(placed.size()));
        CRoomBox room;
        room.Update(static_cast<float>(kRoom.length), static_cast<float>(kRoom.width),
                    static_cast<float>(kRoom.height));
        Rig().Release();
        Rig().Allocate(static_cast<uint32_t>(placed.size()));
        Rig().SetUserOrigin(room.Corner(3));
        for (size_t c = 0; c < placed.size(); ++c) {
            const int i = static_cast<int>(c);
            const PlacedCamera& camera = placed[c];
            Rig().SetFilePosition(i, camera.pose.position);
            Rig().SetFocalLength(i, camera.model.focalMm);
            Rig().SetFNumber(i, camera.model.fNumber);
            Rig().SetFrameWidth(i, camera.model.frameWidthMm);
            Rig().SetFrameHeight(i, camera.model.frameHeightMm);
            Rig().SetHTilt(i, camera.pose.hTilt);
            Rig().SetVTilt(i, camera.pose.vTilt);
        }
    }

    PlacementRequest Request(std::shared_ptr<const CObstacleSet> obstacles = nullptr)
    {
        CRoomBox room;
        room.Update(static_cast<float>(kRoom.length), static_cast<float>(kRoom.width),
                    static_cast<float>(kRoom.height));
        PlacementRequest request;
        request.room = kRoom;
        request.userOrigin = room.Corner(3);
        request.latticeCorner = {-0.5 * kRoom.length, -0.5 * kRoom.height, 0.5 * kRoom.width};
        request.voxelEdge = 0.2f;
        request.obstacles = std::move(obstacles);
        request.search.restarts = 2;
        request.sampleStep = 0.5;
        return request;
    }
};

TEST_F(PlacementGeometryTest, APlacedRigSeesMarkersAtTheTargetsVoxelCentresAsThePlanningMeasuresDo)
{
    auto obstacles = std::make_shared<CObstacleSet>();
    ASSERT_FALSE(obstacles->AddBox({"desk", {2.0, 0.0, 2.0}, {2.6, 1.2, 2.8}}));
    PlacementRequest request = Request(obstacles);
    request.count = 4;
    request.mounts.wallBand = std::array<double, 2>{1.8, 2.8};
    const TargetBox target{{0.5, 0.0, 0.5}, {5.5, 2.0, 4.5}, 1.0};
    request.target = {target};
    const PlacementResult result = RunPlacement(request);
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_EQ(result.placed.size(), 4u);

    PutInPlan(result.placed);
    voxelCm = 20.0f;
    obstacleSet = obstacles;
    Compute();
    CPlanningMeasures planning;
    ASSERT_EQ(planning.Compute(volume, computed), CPlanningMeasures::Status::Ok);

    // The target's voxels: the lattice axes whose user coordinates lie in the box.
    const Vec3d origin{Rig().GetUserOriginX(), Rig().GetUserOriginY(), Rig().GetUserOriginZ()};
    std::vector<float> xs, ys, zs;
    std::vector<uint32_t> is, js, ks;
    for (uint32_t i = 0; i < volume.GetCountX(); ++i) {
        const float x = volume.Centre(volume.VoxelIndex(i, 0, 0))[0];
        if (x - origin.x >= target.min.x && x - origin.x <= target.max.x)
            xs.push_back(x), is.push_back(i);
    }
    for (uint32_t j = 0; j < volume.GetCountY(); ++j) {
        const float y = volume.Centre(volume.VoxelIndex(0, j, 0))[1];
        if (y + origin.y >= target.min.y && y + origin.y <= target.max.y)
            ys.push_back(y), js.push_back(j);
    }
    for (uint32_t k = 0; k < volume.GetCountZ(); ++k) {
        const float z = volume.Centre(volume.VoxelIndex(0, 0, k))[2];
        if (origin.z - z >= target.min.z && origin.z - z <= target.max.z)
            zs.push_back(z), ks.push_back(k);
    }
    CTargetSamples samples(origin, obstacles, Scene().GetRoomCorner(), volume.GetVoxelEdge());
    samples.AddLattice(xs, ys, zs, 1.0);
    const CMountGeometry geometry(request.mounts, kRoom, obstacles);
    CPlacementCandidates candidates(geometry, samples, origin, planningSettings);
    std::vector<std::vector<uint64_t>> rows;
    std::vector<PlanningCamera> cameras;
    for (const PlacedCamera& camera : result.placed) {
        cameras.push_back(PlacedPlanningCamera(camera.model, camera.pose, origin, planningSettings));
        rows.push_back(candidates.SightBits(cameras.back()));
    }
    const PlacementFigures figures = EvaluateRig(cameras, samples, {});

    size_t s = 0, markers = 0, inside = 0;
    for (size_t k = 0; k < ks.size(); ++k) {
        for (size_t i = 0; i < is.size(); ++i) {
            for (size_t j = 0; j < js.size(); ++j, ++s) {
                const size_t t = volume.VoxelIndex(is[i], js[j], ks[k]);
                uint32_t count = 0;
                for (const auto& row : rows)
                    count += (row[s / 64] >> (s % 64)) & 1u;
                ASSERT_EQ(count, planning.MarkerCount(t)) << "voxel " << t;
                ASSERT_EQ(figures.markerCounts[s], planning.MarkerCount(t)) << "voxel " << t;
                ASSERT_EQ(samples.Valid(s), !volume.InsideObstacle(t)) << "voxel " << t;
                markers += count;
                inside += samples.Valid(s) ? 0 : 1;
            }
        }
    }
    EXPECT_EQ(s, samples.ValidCount() + inside);
    EXPECT_GT(inside, 0u);
    EXPECT_GT(markers, samples.ValidCount());
}

TEST_F(PlacementGeometryTest, ThreeCamerasFromFortyCandidatesAreTheBruteForceOptimum)
{
    PlacementRequest request = Request();
    request.mounts.wallBand = std::array<double, 2>{2.5, 2.5};
    request.mounts.ceiling = false;
    const TargetBox target{{1.0, 0.0, 1.0}, {5.0, 2.0, 4.0}, 1.0};
    const CMountGeometry geometry(request.mounts, kRoom, nullptr);
    CTargetSamples samples(request.userOrigin, nullptr, request.latticeCorner, request.voxelEdge);
    samples.AddBox(target, 0.5);
    const std::vector<MountPlace> places = geometry.Places(1.25, 1.0);
    ASSERT_EQ(places.size(), 18u);
    const std::vector<Vec3d> aims{{3.0, 1.0, 2.5}, {2.0, 0.5, 1.75}};
    CPlacementCandidates candidates(geometry, samples, request.userOrigin, request.planning);
    candidates.Build({}, places, aims, {CameraModel{}});
    const size_t n = candidates.CandidateCount();
    EXPECT_GE(n, 30u);
    EXPECT_LE(n, 36u);
    std::vector<PlanningCamera> cameras;
    std::vector<uint32_t> rows;
    for (uint32_t r = 0; r < n; ++r) {
        const Candidate& c = candidates.CandidateOf(r);
        cameras.push_back(PlacedPlanningCamera(CameraModel{}, c.pose, request.userOrigin, request.planning));
        rows.push_back(r);
    }
    for (const bool robust : {false, true}) {
        SCOPED_TRACE(robust ? "robust" : "plain");
        const ScoreRule rule{2, robust, 40.0, 140.0};
        // Every rig of three, judged with the exact test.
        PlacementFigures best;
        best.objective = -1.0;
        std::vector<uint32_t> bestRig;
        for (uint32_t a = 0; a < n; ++a)
            for (uint32_t b = a + 1; b < n; ++b)
                for (uint32_t c = b + 1; c < n; ++c) {
                    const PlacementFigures f = EvaluateRig({cameras[a], cameras[b], cameras[c]}, samples, rule);
                    if (f.objective > best.objective)
                        best = f, bestRig = {a, b, c};
                }
        ASSERT_GT(best.objective, robust ? 0.1 : 0.3);

        CPlacementSearch search(candidates.Matrix(), rule, {}, {rows, rows, rows});
        SearchSettings settings;
        const SearchResult found = search.Run(settings);
        ASSERT_TRUE(found.exhaustive);
        std::vector<PlanningCamera> rig;
        for (const uint32_t row : found.rows)
            rig.push_back(cameras[row]);
        EXPECT_EQ(EvaluateRig(rig, samples, rule).objective, best.objective);
        EXPECT_EQ(static_cast<double>(found.score.covered) / static_cast<double>(candidates.Matrix().TotalWeight()),
                  best.objective);
    }
}

TEST_F(PlacementGeometryTest, PlacedCamerasKeepToTheirMountsBandsKeepOutsAndObstacles)
{
    auto obstacles = std::make_shared<CObstacleSet>();
    ASSERT_FALSE(obstacles->AddBox({"screen", {2.0, 0.0, 4.7}, {3.5, 3.0, 5.0}}));
    PlacementRequest request = Request(obstacles);
    request.count = 7;
    MountSurfaces& mounts = request.mounts;
    mounts.walls = {true, false, false, true};
    mounts.wallBand = std::array<double, 2>{2.0, 2.6};
    mounts.segments.push_back({"truss", {1.0, 2.8, 2.5}, {5.0, 2.8, 2.5}});
    mounts.points.push_back({"bracket", {3.0, 2.9, 0.0}});
    mounts.keepOuts.push_back({"door", {0.0, 1.5, 1.0}, {0.3, 3.0, 3.0}});
    mounts.keepOuts.push_back({"vent", {2.0, 2.9, 1.5}, {4.0, 3.0, 3.5}});
    const PlacementResult result = RunPlacement(request);
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_EQ(result.placed.size(), 7u);
    EXPECT_GT(result.after.objective, result.before.objective);

    const CMountGeometry geometry(mounts, kRoom, obstacles);
    auto inside = [](const Vec3d& p, const Vec3d& lo, const Vec3d& hi) {
        return p.x >= lo.x && p.x <= hi.x && p.y >= lo.y && p.y <= hi.y && p.z >= lo.z && p.z <= hi.z;
    };
    for (size_t c = 0; c < result.placed.size(); ++c) {
        const PlacedCamera& camera = result.placed[c];
        SCOPED_TRACE(camera.mount);
        const Vec3d& p = camera.pose.position;
        EXPECT_TRUE(geometry.Holds(camera.place));
        EXPECT_EQ(p, geometry.Position(camera.place));
        switch (camera.place.kind) {
        case MountKind::Wall:
            EXPECT_TRUE(p.x == 0.0 || p.z == kRoom.width);
            EXPECT_GE(p.y, 2.0);
            EXPECT_LE(p.y, 2.6);
            EXPECT_NEAR(std::round(camera.place.u * 100.0), camera.place.u * 100.0, 1e-9);
            break;
        case MountKind::Ceiling:
            EXPECT_EQ(p.y, kRoom.height);
            break;
        case MountKind::Segment:
            EXPECT_EQ(p.y, 2.8);
            EXPECT_EQ(p.z, 2.5);
            EXPECT_GE(p.x, 1.0);
            EXPECT_LE(p.x, 5.0);
            break;
        case MountKind::Point:
            EXPECT_EQ(p, (Vec3d{3.0, 2.9, 0.0}));
            break;
        }
        for (const KeepOutBox& box : mounts.keepOuts)
            EXPECT_FALSE(inside(p, box.min, box.max)) << box.name;
        EXPECT_FALSE(inside(p, obstacles->GetBoxes()[0].min, obstacles->GetBoxes()[0].max));
        EXPECT_EQ(std::round(camera.pose.hTilt * 2.0f), camera.pose.hTilt * 2.0f);
        EXPECT_EQ(std::round(camera.pose.vTilt * 2.0f), camera.pose.vTilt * 2.0f);
        for (size_t d = 0; d < c; ++d)
            EXPECT_GE(Length(result.placed[d].pose.position - p), 0.2);
    }

    // Two points and nothing else cannot hold three cameras.
    request.count = 3;
    mounts = MountSurfaces{};
    mounts.walls = {false, false, false, false};
    mounts.ceiling = false;
    mounts.points = {{"a", {0.0, 2.5, 2.5}}, {"b", {6.0, 2.5, 2.5}}};
    const PlacementResult refused = RunPlacement(request);
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.error.find("not enough candidate places for 3 cameras"), std::string::npos) << refused.error;
}

// A raised cancel flag ends the run from any stage: the candidates stop being
// built and nothing is searched; the search stops and nothing is refined.
TEST_F(PlacementGeometryTest, ACancelInTheCandidatesOrTheSearchEndsTheRun)
{
    for (const std::string stage : {"candidates", "search"}) {
        std::atomic<bool> cancel{false};
        PlacementRequest request = Request();
        request.count = 5;
        request.sampleStep = 0.25;
        request.timeLimitSeconds = 600.0;
        request.search.cancel = &cancel;
        std::vector<std::string> stages;
        const PlacementResult result = RunPlacement(request, [&](const PlacementProgress& p) {
            stages.push_back(p.stage);
            if (p.stage == stage)
                cancel = true;
        });
        SCOPED_TRACE(stage);
        EXPECT_TRUE(result.cancelled);
        EXPECT_TRUE(result.stopped);
        EXPECT_EQ(stages.back(), stage);
        if (stage == "candidates") {
            EXPECT_FALSE(result.ok);
            EXPECT_EQ(result.error, "cancelled");
            EXPECT_EQ(result.candidates, 0u);
            EXPECT_TRUE(result.placed.empty());
        } else {
            EXPECT_GT(result.candidates, 0u);
            EXPECT_LT(result.restartsDone, request.search.restarts);
        }
    }
}

} // namespace
