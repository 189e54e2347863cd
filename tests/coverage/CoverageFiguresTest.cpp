// "Seen by at least k": the planning pass, the report and the `coverage`
// command state it through one function, so they cannot drift apart.
#include "support/CoverageFixture.h"

#include "coverage/CoverageFigures.h"
#include "coverage/PlanningMeasures.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "coverage/obstacles/Occlusion.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{

TEST(CoverageFiguresTest, AtLeastCountsAndVolumesFromAHistogram)
{
    EXPECT_EQ(CountAtLeast({5, 0, 3, 2}), (std::vector<uint64_t>{10, 5, 5, 2}));
    EXPECT_EQ(CountAtLeast({7}), (std::vector<uint64_t>{7}));
    EXPECT_TRUE(CountAtLeast({}).empty());
    // A 20 cm voxel is 0.008 cubic metres, formed in double from the float edge.
    const double edge = 0.2f;
    EXPECT_EQ(VoxelVolumeM3(1000, 0.2f), 1000.0 * (edge * edge * edge));
    const std::vector<double> volumes = VolumeSeenAtLeast({5, 0, 3, 2}, 0.2f);
    ASSERT_EQ(volumes.size(), 4u);
    EXPECT_EQ(volumes[0], VoxelVolumeM3(10, 0.2f));
    EXPECT_EQ(volumes[3], VoxelVolumeM3(2, 0.2f));
}

class SeenFiguresTest : public CoverageTest
{
  protected:
    // What the report and the `coverage` command state, in voxels.
    std::vector<uint64_t> ReportedAtLeast(uint32_t enabled) const
    {
        return CountAtLeast(SeenHistogram(volume, enabled));
    }
    // Every at-least figure of the planning pass in cubic metres against the report's.
    void ExpectSameVolumes(const CPlanningMeasures& planning, uint32_t enabled) const
    {
        const std::vector<double> reported = VolumeSeenAtLeast(SeenHistogram(volume, enabled), volume.GetVoxelEdge());
        ASSERT_EQ(planning.SeenAtLeast().size(), reported.size());
        for (size_t k = 0; k < reported.size(); ++k)
            EXPECT_EQ(planning.VolumeOf(planning.SeenAtLeast()[k]), reported[k]) << "at least " << k;
    }
};

TEST_F(SeenFiguresTest, PlanningAndReportAgreeWithObstaclesAndADisabledCamera)
{
    MakeRig(4);
    Rig().SetEnabled(2, 0);
    auto crate = std::make_shared<CObstacleSet>();
    ASSERT_FALSE(crate->AddBox({"crate", {1.25, 0.5, 1.75}, {2.75, 2.0, 3.25}}));
    obstacleSet = crate;
    Compute();
    ASSERT_GT(volume.GetOcclusion()->InsideCount(), 0u);
    CPlanningMeasures planning;
    ASSERT_EQ(planning.Compute(volume, computed), CPlanningMeasures::Status::Ok);

    EXPECT_EQ(planning.SeenAtLeast(), ReportedAtLeast(3));
    ExpectSameVolumes(planning, 3);
    // Counted voxel by voxel: a voxel inside the crate is in no figure.
    std::vector<uint64_t> byHand(4, 0);
    for (size_t t = 0; t < volume.GetVoxelCount(); ++t)
        for (uint32_t k = 0; !volume.InsideObstacle(t) && k <= volume.SeenCount(t); ++k)
            ++byHand[k];
    EXPECT_EQ(planning.SeenAtLeast(), byHand);
}

TEST_F(SeenFiguresTest, FewerCamerasCountedThanTheVolumeWasComputedFor)
{
    // The panel recomputes the measures without a new coverage pass: a
    // camera disabled since then no longer counts, the voxels it saw stay at
    // the last count.
    MakeRig(4);
    Compute();
    Rig().SetEnabled(0, 0);
    CPlanningMeasures planning;
    ASSERT_EQ(planning.Compute(volume, Input()), CPlanningMeasures::Status::Ok);
    const std::vector<uint64_t> all = ReportedAtLeast(4);
    ASSERT_GT(all[4], 0u);
    ASSERT_EQ(planning.SeenAtLeast().size(), 4u);
    for (size_t k = 0; k < 4; ++k)
        EXPECT_EQ(planning.SeenAtLeast()[k], all[k]) << "at least " << k;
}

} // namespace
