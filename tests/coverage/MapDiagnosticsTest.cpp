#include "support/CoverageFixture.h"

#include "coverage/GridBudget.h"
#include "coverage/MapDiagnostics.h"

#include <functional>

namespace
{

TEST(GridBudgetTest, HalfTheFreeMemoryAndTheSmallestVoxelThatFits)
{
    constexpr uint64_t kGB = 1000000000;
    // 12 x 10 x 4 m at 1 cm: 480 million voxels of 32 bytes.
    const uint64_t voxels = GridVoxels(12, 10, 4, 1);
    EXPECT_EQ(voxels, 480000000u);
    const GridBudget refused = CheckGridBudget(voxels, 32, 6700000000u);
    EXPECT_FALSE(refused.fits);
    EXPECT_EQ(refused.neededBytes, 15360000000u);
    const int cm = SmallestFittingVoxelCm(12, 10, 4, 32, 6700000000u);
    EXPECT_EQ(GridBudgetAdvice(refused, cm),
              "The grid needs 15.4 GB, 6.7 GB are free: try a voxel size of " + std::to_string(cm) + " cm or more");
    // The advice is the boundary: it fits, one centimetre less does not.
    EXPECT_TRUE(CheckGridBudget(GridVoxels(12, 10, 4, float(cm)), 32, 6700000000u).fits);
    EXPECT_FALSE(CheckGridBudget(GridVoxels(12, 10, 4, float(cm - 1)), 32, 6700000000u).fits);

    EXPECT_TRUE(CheckGridBudget(1000, 32, 64000).fits);
    EXPECT_FALSE(CheckGridBudget(1001, 32, 64000).fits);
    // Products past 64 bits saturate instead of wrapping to a small need.
    EXPECT_FALSE(CheckGridBudget(uint64_t{1} << 40, uint64_t{1} << 30, 100 * kGB).fits);
    EXPECT_EQ(GridVoxels(1e30f, 1e30f, 1e30f, 1e-6f), UINT64_MAX);
    EXPECT_EQ(GridVoxels(5, 5, 0.1f, 20), 0u);
    EXPECT_EQ(SmallestFittingVoxelCm(5, 5, 5, 32, 0), 0);
}

class MapDiagnosticsTest : public CoverageTest
{
};

TEST_F(MapDiagnosticsTest, EachReasonForAnEmptyMap)
{
    struct Case {
        const char* name;
        std::function<void()> change;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"default rig", [] {}, std::nullopt},
        {"camera 2 disabled", [this] { Rig().SetEnabled(1, 0); },
         "Map empty: no voxel is seen by 4 cameras (3 enabled in the range)"},
        {"map camera disabled",
         [this] {
             Rig().SetEnabled(0, 0);
             filters.isoThreshold = 3;
         },
         "Map empty: camera 1 is disabled"},
        {"range past camera 1",
         [this] {
             Scene().SetFirstCamera(1);
             filters.isoThreshold = 2;
         },
         "Map empty: camera 1 is outside the active range (cameras 2 to 4)"},
        {"more than the rig",
         [this] {
             filters.isoOperator = 4;
             filters.isoThreshold = 4;
         },
         "Map empty: no voxel is seen by more than 4 cameras"},
        {"band above every value",
         [this] {
             filters.isoThreshold = 1;
             filters.isoOperator = 3;
             filters.resBound1 = 1e6f;
             filters.resBound2 = 2e6f;
         },
         "Map empty: no value of camera 1 lies in the band >= 1000000.00, <= 2000000.00"},
        {"voxel larger than the room", [this] { voxelCm = 600.0f; },
         "Map empty: the grid has no voxel, the voxel size of 600.00 cm is larger than a room dimension"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        filters = CoverageFilters{};
        voxelCm = 20.0f;
        MakeRig(4);
        Scene().SetFirstCamera(0);
        Scene().SetEndCamera(4);
        filters.isoThreshold = 4;
        c.change();
        Compute();
        EXPECT_EQ(ExplainEmptyMap(volume, computed), c.expected);
    }
}

TEST(MapDiagnosticsIsoTest, EveryOperatorInWords)
{
    const char* expected[] = {"fewer than 1 camera", "1 camera or fewer",  "1 camera",
                              "1 camera or more",    "more than 1 camera", "a number of cameras other than 1"};
    for (unsigned op = 0; op < 6; ++op) {
        CoverageFilters filters;
        filters.isoOperator = op;
        EXPECT_EQ(DescribeIsoCondition(filters), expected[op]);
    }
}

} // namespace
