#include "coverage/CoverageVolume.h"
#include "coverage/PlanningMeasures.h"
#include "coverage/VoxelPick.h"
#include "document/PlanEdits.h"
#include "project/PlanInput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{

// A small room computed with its planning measures.
struct Computed {
    CoverageInput input;
    CCoverageVolume volume;
    CPlanningMeasures planning;
};

void Compute(Computed& c)
{
    Plan plan;
    plan.length = 4.0f;
    plan.width = 3.0f;
    plan.height = 2.5f;
    plan.voxelCm = 25.0f;
    ASSERT_FALSE(ResetRig(plan, 4));
    c.input = CoverageInputOf(plan);
    ASSERT_EQ(c.volume.BuildGrid(c.input), CCoverageVolume::GridStatus::Ok);
    ASSERT_EQ(c.volume.ComputeCoverage(c.input), CCoverageVolume::GridStatus::Ok);
    ASSERT_EQ(c.planning.Compute(c.volume, c.input), CPlanningMeasures::Status::Ok);
}

// The voxel holding a point: along each axis the one whose centre lies
// within half an edge of it.
std::optional<size_t> VoxelHolding(const CCoverageVolume& v, const Vec3d& p)
{
    const double half = 0.5 * v.GetVoxelEdge();
    const double at[3] = {p.x, p.y, p.z};
    const uint32_t count[3] = {v.GetCountX(), v.GetCountY(), v.GetCountZ()};
    uint32_t cell[3];
    for (int a = 0; a < 3; ++a) {
        bool found = false;
        for (uint32_t i = 0; i < count[a] && !found; ++i) {
            const size_t t = v.VoxelIndex(a == 0 ? i : 0, a == 1 ? i : 0, a == 2 ? i : 0);
            if (std::abs(at[a] - v.Centre(t)[static_cast<size_t>(a)]) < half) {
                cell[a] = i;
                found = true;
            }
        }
        if (!found)
            return std::nullopt;
    }
    return v.VoxelIndex(cell[0], cell[1], cell[2]);
}

} // namespace

TEST(VoxelPickTest, TheFirstDrawnVoxelAlongTheRayAsFineSteppingFindsIt)
{
    Computed c;
    Compute(c);
    const CCoverageVolume& v = c.volume;
    // Every third voxel or so is drawn; rays from every side, at every slant.
    const auto drawn = [](size_t t) { return (t * 2654435761u) % 7 < 2; };
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    int hits = 0;
    for (int n = 0; n < 120; ++n) {
        const Vec3d origin{unit(random) * 6.0, unit(random) * 5.0, unit(random) * 6.0};
        const Vec3d target{unit(random) * 2.0, unit(random) * 1.2, unit(random) * 1.5};
        const Vec3d d = Normalized(target - origin);
        std::optional<size_t> stepped;
        for (double s = 0.0; s < 16.0 && !stepped; s += 0.001) {
            const std::optional<size_t> t =
                VoxelHolding(v, {origin.x + d.x * s, origin.y + d.y * s, origin.z + d.z * s});
            if (t && drawn(*t))
                stepped = t;
        }
        EXPECT_EQ(FirstVoxelAlong(v, origin, d, drawn), stepped) << "ray " << n;
        hits += stepped.has_value();
    }
    EXPECT_GT(hits, 30);
}

TEST(VoxelPickTest, RaysAlongAnAxisAndRaysThatMiss)
{
    Computed c;
    Compute(c);
    const CCoverageVolume& v = c.volume;
    const auto all = [](size_t) { return true; };
    const std::array<float, 3> centre = v.Centre(v.VoxelIndex(3, 2, 1));
    // Straight down from above the room: the top layer of that column.
    EXPECT_EQ(FirstVoxelAlong(v, {centre[0], 10.0, centre[2]}, {0.0, -1.0, 0.0}, all),
              v.VoxelIndex(3, v.GetCountY() - 1, 1));
    // The same ray with only the bottom layer drawn: the walk reaches it.
    const size_t layers = v.GetCountY();
    EXPECT_EQ(FirstVoxelAlong(v, {centre[0], 10.0, centre[2]}, {0.0, -1.0, 0.0},
                              [layers](size_t t) { return t % layers == 0; }),
              v.VoxelIndex(3, 0, 1));
    // Away from the room, beside it, or from inside only forward.
    EXPECT_FALSE(FirstVoxelAlong(v, {centre[0], 10.0, centre[2]}, {0.0, 1.0, 0.0}, all));
    EXPECT_FALSE(FirstVoxelAlong(v, {50.0, 0.0, 0.0}, {0.0, 0.0, 1.0}, all));
    EXPECT_EQ(FirstVoxelAlong(v, {centre[0], centre[1], centre[2]}, {0.0, 0.0, 1.0}, all), v.VoxelIndex(3, 2, 1));
    EXPECT_FALSE(FirstVoxelAlong(CCoverageVolume{}, {0.0, 10.0, 0.0}, {0.0, -1.0, 0.0}, all));
}

TEST(VoxelPickTest, QualityPickSeesWhatTheDisplayDraws)
{
    Computed c;
    Compute(c);
    const CCoverageVolume& v = c.volume;
    const Vec3d above{0.0, 10.0, 0.0};
    const Vec3d down{0.0, -1.0, 0.0};
    const int layers = static_cast<int>(v.GetCountY());
    const std::optional<size_t> t =
        FirstQualityVoxel(v, c.planning, PlanningMeasure::Cameras, std::nullopt, layers, above, down);
    ASSERT_TRUE(t);
    EXPECT_GT(c.planning.MarkerCount(*t), 0u);
    // Cut below it, the pick goes through to a lower layer.
    const int cut = static_cast<int>(*t % v.GetCountY());
    const std::optional<size_t> lower =
        FirstQualityVoxel(v, c.planning, PlanningMeasure::Cameras, std::nullopt, cut, above, down);
    if (lower) {
        EXPECT_LT(static_cast<int>(*lower % v.GetCountY()), cut);
    }
    // A threshold nothing meets, or no layer shown: nothing under the pointer.
    EXPECT_FALSE(
        FirstQualityVoxel(v, c.planning, PlanningMeasure::Cameras, QualityThreshold{3, 99.0f}, layers, above, down));
    EXPECT_FALSE(FirstQualityVoxel(v, c.planning, PlanningMeasure::Cameras, std::nullopt, 0, above, down));
    EXPECT_FALSE(
        FirstQualityVoxel(v, CPlanningMeasures{}, PlanningMeasure::Cameras, std::nullopt, layers, above, down));
}
