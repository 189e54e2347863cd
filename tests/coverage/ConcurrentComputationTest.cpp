#include "cameras/CameraSet.h"
#include "coverage/CoverageInput.h"
#include "coverage/CoverageVolume.h"
#include "coverage/PlanningMeasures.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "support/DefaultRig.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

namespace
{

template <typename T> uint64_t Bits(T v)
{
    uint64_t b = 0;
    std::memcpy(&b, &v, sizeof v);
    return b;
}

struct CameraEdit {
    int camera;
    Vec3d position; // user frame
    float hTilt, vTilt, spin, focal;
};

// One plan, built without any process-wide state.
struct Plan {
    float length, width, height, voxelCm;
    uint32_t cameras, first, end;
    std::vector<CameraEdit> edits;
    std::vector<int> disabled;
    std::vector<ObstacleBox> boxes;
    CoverageFilters filters;
    PlanningSettings planning;
    int resolutionCamera = 0;

    CoverageInput Input() const
    {
        CoverageInput input;
        input.roomLength = length;
        input.roomWidth = width;
        input.roomHeight = height;
        input.voxelSizeCm = voxelCm;
        input.cameraCount = cameras;
        input.firstCamera = first;
        input.endCamera = end;
        input.filters = filters;
        input.planning = planning;
        input.cameras = DefaultRig(cameras, length, width, height);
        for (const CameraEdit& e : edits) {
            input.cameras.SetFilePosition(e.camera, e.position);
            input.cameras.SetHTilt(e.camera, e.hTilt);
            input.cameras.SetVTilt(e.camera, e.vTilt);
            input.cameras.SetSpin(e.camera, e.spin);
            input.cameras.SetFocalLength(e.camera, e.focal);
        }
        for (int c : disabled)
            input.cameras.SetEnabled(c, 0);
        input.cameras.RecomputeFieldOfView();
        if (!boxes.empty()) {
            auto obstacles = std::make_shared<CObstacleSet>();
            for (const ObstacleBox& box : boxes)
                EXPECT_FALSE(obstacles->AddBox(box));
            input.obstacles = std::move(obstacles);
        }
        return input;
    }
};

// Everything a computation gives, as bits.
struct Outcome {
    CCoverageVolume::GridStatus grid{};
    CCoverageVolume::GridStatus coverage{};
    CPlanningMeasures::Status planning{};
    std::vector<uint32_t> seen;
    std::vector<uint64_t> resolution; // every camera's values, camera after camera
    std::vector<uint32_t> iso;
    std::vector<uint64_t> scale;
    std::vector<int8_t> bands;
    std::vector<uint32_t> isoPaint;
    std::vector<uint32_t> mapPaint;
    bool mapEmpty = true;
    std::vector<uint64_t> measures;
    std::vector<uint64_t> figures;
    std::vector<Vec3d> edges;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

Outcome Compute(const Plan& plan)
{
    Outcome out;
    CoverageInput input = plan.Input();
    CCoverageVolume volume;
    volume.SetResolutionCamera(plan.resolutionCamera);
    out.grid = volume.BuildGrid(input);
    if (out.grid != CCoverageVolume::GridStatus::Ok)
        return out;
    out.coverage = volume.ComputeCoverage(input);
    if (out.coverage != CCoverageVolume::GridStatus::Ok)
        return out;
    const size_t n = volume.GetVoxelCount();
    for (size_t t = 0; t < n; ++t)
        out.seen.push_back(volume.SeenCount(t));
    std::vector<float> values(n);
    for (uint32_t c = 0; c < plan.cameras; ++c) {
        volume.FillResolution(static_cast<int>(c), 0, n, values.data());
        for (float v : values)
            out.resolution.push_back(Bits(v));
    }
    for (uint32_t e = 0; e < volume.GetIsoCount(); ++e)
        out.iso.push_back(volume.IsoIndex(e));
    out.scale = {Bits(volume.GetResolutionMin()), Bits(volume.GetResolutionMax()), Bits(volume.GetBandWidth())};
    out.bands = volume.MapBands(input.filters);
    for (const VoxelPaint& p : volume.IsoListPaint(input.filters))
        out.isoPaint.push_back(p.voxel * 16 + static_cast<uint32_t>(p.color));
    for (uint32_t j = 0; j < volume.GetCountY(); ++j) {
        for (const VoxelPaint& p : volume.MapLayerPaint(j, input.filters))
            out.mapPaint.push_back(p.voxel * 16 + static_cast<uint32_t>(p.color));
        for (const VoxelPaint& p : volume.CountLayerPaint(j, input.filters))
            out.mapPaint.push_back(p.voxel * 16 + static_cast<uint32_t>(p.color));
    }
    out.mapEmpty = volume.MapIsEmpty(input.filters);
    for (uint32_t c = 0; c < plan.cameras; ++c) {
        const int i = static_cast<int>(c);
        for (const Vec3d& e : {input.cameras.GetEdgeHPlus(i), input.cameras.GetEdgeHMinus(i),
                               input.cameras.GetEdgeVPlus(i), input.cameras.GetEdgeVMinus(i)})
            out.edges.push_back(e);
    }

    CPlanningMeasures planning;
    out.planning = planning.Compute(volume, input);
    if (out.planning != CPlanningMeasures::Status::Ok)
        return out;
    for (size_t t = 0; t < n; ++t) {
        out.measures.push_back(planning.MarkerCount(t));
        out.measures.push_back(Bits(planning.BestMarkerPx(t)));
        out.measures.push_back(Bits(planning.BestAngleDeg(t)));
        out.measures.push_back(Bits(planning.Sigma3d(t)));
        out.measures.push_back(planning.Triangulable(t) ? 1 : 0);
    }
    out.figures = planning.SeenAtLeast();
    out.figures.insert(out.figures.end(), planning.MarkerAtLeast().begin(), planning.MarkerAtLeast().end());
    out.figures.push_back(planning.TriangulableCount());
    out.figures.push_back(planning.WithinSigmaCount());
    out.figures.push_back(Bits(planning.Sigma3dMedian()));
    for (const CPlanningMeasures::CameraFigures& f : planning.GetCameraFigures()) {
        out.figures.push_back(Bits(f.reachMm));
        out.figures.push_back(f.voxelsMarker);
        out.figures.push_back(f.uniqueTriangulable);
    }
    return out;
}

CoverageFilters Filters(unsigned isoOp, unsigned threshold, unsigned op1, float b1, unsigned op2, float b2,
                        float ceiling = std::numeric_limits<float>::infinity())
{
    CoverageFilters f;
    f.isoOperator = isoOp;
    f.isoThreshold = threshold;
    f.resOperator1 = op1;
    f.resBound1 = b1;
    f.resOperator2 = op2;
    f.resBound2 = b2;
    f.displayCeiling = ceiling;
    return f;
}

PlanningSettings Planning(double markerMm, double minPx, double minAngle, double maxAngle)
{
    PlanningSettings s;
    s.markerDiameterMm = markerMm;
    s.minImagePx = minPx;
    s.minAngleDeg = minAngle;
    s.maxAngleDeg = maxAngle;
    return s;
}

// Plans that differ in every input: room, voxel size, rig, range, obstacles,
// filters, planning settings and resolution camera.
std::vector<Plan> Plans()
{
    std::vector<Plan> plans;
    plans.push_back({4.0f, 3.0f, 2.5f, 10.0f, 4, 0, 4, {}, {}, {}, Filters(3, 2, 3, 0.7f, 1, 0.8f), {}, 0});
    plans.push_back({6.0f,
                     4.0f,
                     3.0f,
                     15.0f,
                     8,
                     1,
                     8,
                     {{4, {1.0, 2.8, 0.2}, 60.0f, 35.0f, 0.0f, 6.0f},
                      {5, {5.8, 2.5, 3.7}, 220.0f, 30.0f, 10.0f, 12.0f},
                      {6, {3.0, 2.9, 0.1}, 90.0f, 50.0f, 0.0f, 8.5f},
                      {7, {3.0, 2.9, 3.9}, 270.0f, 50.0f, 0.0f, 8.5f}},
                     {2},
                     {{"desk", {2.0, 0.0, 1.5}, {3.0, 0.8, 2.5}}},
                     Filters(0, 3, 1, 0.9f, 4, 0.72f),
                     Planning(20.0, 4.0, 30.0, 150.0),
                     5});
    plans.push_back({3.0f,
                     3.0f,
                     3.0f,
                     7.0f,
                     6,
                     0,
                     6,
                     {{4, {1.5, 2.9, 0.1}, 90.0f, 60.0f, 5.0f, 4.0f}, {5, {1.5, 2.9, 2.9}, 270.0f, 60.0f, -5.0f, 4.0f}},
                     {},
                     {{"pillar", {1.3, 0.0, 1.3}, {1.7, 3.0, 1.7}}, {"crate", {0.2, 0.0, 0.2}, {0.8, 0.6, 0.8}}},
                     Filters(1, 3, 2, 0.75f, 1, 0.8f),
                     Planning(9.5, 2.0, 40.0, 140.0),
                     2});
    plans.push_back({5.0f,
                     5.0f,
                     5.0f,
                     20.0f,
                     2,
                     0,
                     2,
                     {},
                     {},
                     {},
                     Filters(5, 0, 3, 0.6f, 1, 1.2f, 1.0f),
                     Planning(14.0, 3.0, 20.0, 160.0),
                     1});
    plans.push_back({8.0f,
                     6.0f,
                     3.0f,
                     25.0f,
                     12,
                     2,
                     10,
                     {{8, {4.0, 2.8, 0.1}, 90.0f, 40.0f, 0.0f, 8.5f}, {9, {4.0, 2.8, 5.9}, 270.0f, 40.0f, 0.0f, 8.5f}},
                     {3, 11},
                     {{"stage", {3.0, 0.0, 2.0}, {5.0, 0.4, 4.0}}},
                     Filters(3, 1, 3, 0.65f, 1, 0.75f),
                     Planning(25.0, 3.0, 45.0, 135.0),
                     9});
    return plans;
}

} // namespace

TEST(ConcurrentComputationTest, ComputationsOnManyThreadsGiveWhatEachGivesAlone)
{
    const std::vector<Plan> plans = Plans();
    std::vector<Outcome> alone;
    for (const Plan& plan : plans)
        alone.push_back(Compute(plan));
    for (size_t k = 0; k < alone.size(); ++k) {
        SCOPED_TRACE(testing::Message() << "plan " << k);
        ASSERT_EQ(alone[k].coverage, CCoverageVolume::GridStatus::Ok);
        ASSERT_EQ(alone[k].planning, CPlanningMeasures::Status::Ok);
        EXPECT_FALSE(alone[k].iso.empty());
        for (size_t j = 0; j < k; ++j)
            EXPECT_NE(alone[k].seen, alone[j].seen) << "plan " << j;
    }

    // Each plan twice, every computation on a thread of its own at once.
    constexpr size_t kRounds = 2;
    std::vector<Outcome> together(plans.size() * kRounds);
    {
        std::vector<std::jthread> threads;
        for (size_t r = 0; r < together.size(); ++r)
            threads.emplace_back([&, r] { together[r] = Compute(plans[r % plans.size()]); });
    }
    for (size_t r = 0; r < together.size(); ++r)
        EXPECT_TRUE(together[r] == alone[r % plans.size()])
            << "plan " << r % plans.size() << ", round " << r / plans.size();
}
