#include "support/CoverageFixture.h"

#include "scene/MemoryInfo.h"

#include <cmath>
#include <limits>

namespace
{

using Status = CCoverageVolume::GridStatus;

TEST_F(CoverageTest, DefaultRoomGivesTwentyFiveVoxelsPerAxisFromTheCorner)
{
    MakeRig(4);
    ASSERT_EQ(volume.BuildGrid(Input()), Status::Ok);
    EXPECT_EQ(volume.GetCountX(), 25u);
    EXPECT_EQ(volume.GetCountY(), 25u);
    EXPECT_EQ(volume.GetCountZ(), 25u);
    EXPECT_EQ(static_cast<double>(volume.GetVoxelEdge()), 0.20000000298023224);
    EXPECT_EQ(static_cast<double>(volume.GetHalfEdge()), 0.10000000149011612);
    const auto first = volume.Centre(volume.VoxelIndex(0, 0, 0));
    EXPECT_EQ(static_cast<double>(first[0]), -2.4000000953674316);
    EXPECT_EQ(static_cast<double>(first[1]), -2.4000000953674316);
    EXPECT_EQ(static_cast<double>(first[2]), 2.4000000953674316);
    // x grows with i, y with the layer j, z falls with k; the layer runs fastest.
    EXPECT_EQ(volume.VoxelIndex(0, 1, 0), 1u);
    EXPECT_EQ(volume.VoxelIndex(1, 0, 0), 25u);
    EXPECT_EQ(volume.VoxelIndex(0, 0, 1), 625u);
    const auto last = volume.Centre(volume.VoxelIndex(24, 24, 24));
    EXPECT_NEAR(last[0], 2.4, 1e-5);
    EXPECT_NEAR(last[1], 2.4, 1e-5);
    EXPECT_NEAR(last[2], -2.4, 1e-5);
    // Not computed yet: nothing to draw.
    EXPECT_FALSE(volume.HasResults());
    EXPECT_EQ(volume.GetLayerTotal(), 0);
}

TEST_F(CoverageTest, CountsFloorTheRoomOverTheVoxelAndLeaveTheRemainderOut)
{
    struct Case {
        float voxelCm, length, width, height;
        uint32_t nx, ny, nz;
    };
    const Case cases[] = {
        {30.0f, 5.0f, 5.0f, 5.0f, 16, 16, 16}, // ratio 3.3333332538604736, 16.67 per axis
        {20.0f, 5.1f, 5.0f, 5.0f, 25, 25, 25}, // 25.5 along x is 25, not 26
        {20.0f, 12.0f, 10.0f, 4.0f, 60, 20, 50},
        {50.0f, 0.4f, 5.0f, 5.0f, 0, 10, 10}, // a room narrower than one voxel has no column
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.voxelCm << " cm in " << c.length << " x " << c.width << " x " << c.height);
        MakeRig(1, c.length, c.width, c.height);
        voxelCm = c.voxelCm;
        ASSERT_EQ(volume.BuildGrid(Input()), Status::Ok);
        EXPECT_EQ(volume.GetCountX(), c.nx);
        EXPECT_EQ(volume.GetCountY(), c.ny);
        EXPECT_EQ(volume.GetCountZ(), c.nz);
        EXPECT_EQ(volume.GetVoxelCount(), static_cast<size_t>(c.nx) * c.ny * c.nz);
    }
    EXPECT_EQ(static_cast<double>(kCmPerMetre / 30.0f), 3.3333332538604736);
}

TEST_F(CoverageTest, TallGridsGetALayerTableOfTheirOwnHeight)
{
    MakeRig(1, 0.4f, 0.4f, 50.0f);
    Compute();
    ASSERT_EQ(volume.GetCountY(), 250u);
    EXPECT_EQ(volume.GetLayerTotal(), 250);
    EXPECT_EQ(volume.GetShownLayers(), 250);
    ASSERT_EQ(volume.LayerIds().size(), 250u);
    for (int j = 0; j < 250; ++j)
        EXPECT_EQ(volume.LayerIds()[static_cast<size_t>(j)], j);
}

TEST_F(CoverageTest, SizesThatGiveNoGridAreRefusedAndLeaveTheVolumeEmpty)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float voxelCm, length, width, height;
        Status expected;
    };
    const Case cases[] = {
        {0.0f, 5, 5, 5, Status::InvalidSize},
        {-20.0f, 5, 5, 5, Status::InvalidSize},
        {nan, 5, 5, 5, Status::InvalidSize},
        {inf, 5, 5, 5, Status::InvalidSize},
        {20.0f, 0, 5, 5, Status::InvalidSize},
        {20.0f, 5, -1, 5, Status::InvalidSize},
        {20.0f, 5, 5, nan, Status::InvalidSize},
        {20.0f, inf, 5, 5, Status::InvalidSize},
        // Far more voxels than memory or the voxel index can hold.
        {0.001f, 5, 5, 5, Status::OutOfMemory},
        {1e-30f, 5, 5, 5, Status::OutOfMemory},
        {20.0f, 1e30f, 1e30f, 1e30f, Status::OutOfMemory},
        // 2^31 voxels: one too many for the index of the iso list.
        {100.0f, 2048.0f, 1024.0f, 1024.0f, Status::OutOfMemory},
    };
    MakeRig(4);
    Compute();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.voxelCm << " cm in " << c.length << " x " << c.width << " x " << c.height);
        Scene().SetRoomLength(c.length);
        Scene().SetRoomWidth(c.width);
        Scene().SetRoomHeight(c.height);
        voxelCm = c.voxelCm;
        EXPECT_EQ(volume.BuildGrid(Input()), c.expected);
        EXPECT_EQ(volume.GetVoxelCount(), 0u);
        EXPECT_FALSE(volume.HasResults());
        EXPECT_EQ(volume.GetLayerTotal(), 0);
        EXPECT_TRUE(volume.LayerIds().empty());
        // A computation on the refused grid does not run.
        CoverageInput input = Input();
        EXPECT_EQ(volume.ComputeCoverage(input), Status::InvalidSize);
        EXPECT_FALSE(volume.HasResults());
        EXPECT_TRUE(volume.IsoListPaint(input.filters).empty());
    }
}

TEST_F(CoverageTest, ResolutionValuesBeyondMemoryAreRefusedAndLeaveTheVolumeEmpty)
{
    // 1300 x 1270 x 1300 voxels, just inside the index range, need 25.8 GB for
    // their counts, resolution values and iso list: the grid is refused
    // before anything is allocated, with what would fit.
    if (AvailableMemoryBytes() > 25'000'000'000u)
        GTEST_SKIP() << "this machine could hold the values";
    MakeRig(4, 260.0f, 260.0f, 254.0f);
    EXPECT_EQ(volume.BuildGrid(Input()), Status::OutOfMemory);
    EXPECT_NE(volume.GetMemoryAdvice().find("The grid needs 25.8 GB"), std::string::npos) << volume.GetMemoryAdvice();
    CoverageInput input = Input();
    EXPECT_EQ(volume.ComputeCoverage(input), Status::InvalidSize);
    EXPECT_EQ(volume.GetVoxelCount(), 0u);
    EXPECT_FALSE(volume.HasResults());
    EXPECT_EQ(volume.GetLayerTotal(), 0);
}

} // namespace
