// Placement in a room: a candidate's sight of the target is the planning
// measures' own decision, the exhaustive search over real candidates finds
// the rig brute force finds, and placed cameras keep to their mounts.
#include "support/CoverageFixture.h"

#include "coverage/PlanningMeasures.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "coverage/placement/AutoPlacement.h"
#include "coverage/placement/PlacementMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>
#include <stdexcept>
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
    double occluded = 0.0;
    size_t unoccluded = 0;
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
                if (samples.Valid(s)) {
                    occluded += planning.OccludedDeg(t);
                    unoccluded += planning.OccludedDeg(t) == 0.0f ? 1 : 0;
                }
            }
        }
    }
    // The placement's occlusion figures are the planning measures' over the target's voxels.
    const auto valid = static_cast<double>(samples.ValidCount());
    EXPECT_NEAR(figures.meanOccludedDeg, occluded / valid, 1e-4);
    EXPECT_DOUBLE_EQ(figures.shareUnoccluded, static_cast<double>(unoccluded) / valid);
    EXPECT_LT(figures.meanOccludedDeg, 360.0);
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

TEST_F(PlacementGeometryTest, WhatThePlacementThrowsComesBackAsItsError)
{
    // A window's worker thread has nobody to catch an exception: it must come back as the result's error.
    PlacementRequest request = Request();
    request.count = 2;
    request.remedyNames = {"--sample-step", "--room", "--count"};
    const auto failingAt = [&request](auto thrown) {
        return RunPlacement(request, [&thrown](const PlacementProgress& p) {
            if (p.stage == "candidates")
                throw thrown;
        });
    };
    const PlacementResult memory = failingAt(std::bad_alloc());
    EXPECT_FALSE(memory.ok);
    EXPECT_EQ(memory.error, OutOfMemoryText(request.remedyNames));
    const PlacementResult other = failingAt(std::runtime_error("the disk went away"));
    EXPECT_FALSE(other.ok);
    EXPECT_EQ(other.error, "the placement stopped on an error: the disk went away");
}

} // namespace

TEST(PlacementMemoryTest, TheCountsBeforeAllocatingAreThoseTheBuildGives)
{
    const RoomSize room{12.0, 10.0, 4.0};
    const std::vector<TargetBox> target = {{{1.0, 0.0, 1.0}, {11.0, 2.0, 9.0}, 1.0},
                                           {{0.3, 0.5, 0.3}, {0.35, 0.6, 9.7}, 2.0}};
    for (const double step : {0.25, 0.4, 1.0}) {
        CTargetSamples samples({-6.0, 2.0, 5.0}, nullptr, {-6.0, -2.0, 5.0}, 0.2);
        for (const TargetBox& box : target)
            samples.AddBox(box, step);
        EXPECT_EQ(TargetSampleCount(target, step), static_cast<double>(samples.Count())) << step;
    }
    MountSurfaces mounts;
    mounts.segments.push_back({"truss", {1.0, 3.5, 1.0}, {11.0, 3.5, 1.0}});
    mounts.points.push_back({"bracket", {6.0, 3.0, 0.0}});
    const CMountGeometry geometry(mounts, room, nullptr);
    for (const double step : {0.25, 0.7}) {
        // Corners shared by two walls are one place: the count bounds the places from above.
        const double bound = MountPlaceCount(mounts, room, step, 2.0 * step);
        const auto places = static_cast<double>(geometry.Places(step, 2.0 * step).size());
        EXPECT_GE(bound, places) << step;
        EXPECT_LE(bound, places * 1.05) << step;
    }
    // Default mounts: from 2.2 m up, or the upper half of a low room's walls.
    EXPECT_EQ(DefaultWallBand(room), (std::array<double, 2>{2.2, 4.0}));
    EXPECT_EQ(DefaultWallBand({6.0, 5.0, 2.4}), (std::array<double, 2>{1.2, 2.4}));

    // The refusal names the larger part first.
    const PlacementRemedyNames names{"--sample-step", "--room", "--count"};
    const auto samplesHeavy = CheckPlacementMemory(EstimatePlacementMemory(1e9, 0.0, 10.0, 8, 2), 1e12, names);
    ASSERT_TRUE(samplesHeavy);
    EXPECT_NE(samplesHeavy->find("use a coarser --sample-step"), std::string::npos) << *samplesHeavy;
    const auto candidatesHeavy = CheckPlacementMemory(EstimatePlacementMemory(1e4, 1e5, 1e7, 8, 2), 1e12, names);
    ASSERT_TRUE(candidatesHeavy);
    EXPECT_NE(candidatesHeavy->find("use a smaller room or fewer mounts (--room)"), std::string::npos);
    // Within 4 GB but beyond what is free now.
    const PlacementMemoryEstimate modest = EstimatePlacementMemory(1e6, 0.0, 1e4, 8, 2);
    EXPECT_FALSE(CheckPlacementMemory(modest, 1e12, names));
    const auto notFree = CheckPlacementMemory(modest, modest.Total() / 2, names);
    ASSERT_TRUE(notFree);
    EXPECT_NE(notFree->find("available now"), std::string::npos);
}

TEST_F(PlacementGeometryTest, EveryCandidatesRowIsItsOwnSightTestedSampleBySample)
{
    // The build passes over the words whose samples lie outside a field and
    // shares one place's rays among its aims and lenses: the rows must be
    // those of the plain test of every sample.
    auto obstacles = std::make_shared<CObstacleSet>();
    ASSERT_FALSE(obstacles->AddBox({"desk", {2.0, 0.0, 2.0}, {2.6, 1.2, 2.8}}));
    PlacementRequest request = Request(obstacles);
    const CMountGeometry geometry(request.mounts, request.room, obstacles);
    CTargetSamples samples(request.userOrigin, obstacles, request.latticeCorner, request.voxelEdge);
    const std::vector<TargetBox> target = {{{0.5, 0.0, 0.5}, {5.5, 2.0, 4.5}, 1.0},
                                           {{1.0, 1.0, 1.0}, {1.5, 2.5, 4.0}, 2.0}};
    for (const TargetBox& box : target)
        samples.AddBox(box, 0.3);
    std::vector<CameraModel> models(3);
    models[0].focalMm = 4.0f;
    models[2].focalMm = 25.0f;
    CPlacementCandidates candidates(geometry, samples, request.userOrigin, request.planning);
    ASSERT_TRUE(candidates.Build({}, geometry.Places(0.6, 1.0), AimPoints(target), models, 2));
    const CSightMatrix& matrix = candidates.Matrix();
    ASSERT_GT(candidates.CandidateCount(), 500u);
    for (uint32_t row = 0; row < candidates.CandidateCount(); ++row) {
        const Candidate& c = candidates.CandidateOf(row);
        const auto sight = candidates.SightOfCamera(
            PlacedPlanningCamera(models[c.lens], c.pose, request.userOrigin, request.planning));
        for (size_t w = 0; w < matrix.WordCount(); ++w) {
            ASSERT_EQ(matrix.Bits(row)[w], sight.marker[w] & matrix.Valid()[w]) << row << " word " << w;
            ASSERT_EQ(matrix.ViewBits(row)[w], (sight.view[w] | sight.marker[w]) & matrix.Valid()[w]) << row;
        }
    }
}
