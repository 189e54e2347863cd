// The classic window's coverage parameters: what its boxes store, what they
// refuse, and the filters a computation of the window takes from them.
#include "ClassicFixture.h"

#include "classic/ClassicState.h"
#include "coverage/CoverageVolume.h"

#include <cmath>

namespace
{

enum Op : unsigned { Less, LessEqual, Equal, GreaterEqual, Greater, NotEqual };

TEST_F(ClassicTest, AnOperatorOutsideTheTableIsIgnored)
{
    SetIsoOperator(6);
    EXPECT_EQ(GetIsoOperator(), static_cast<unsigned>(Equal));
    SetIsoOperator(NotEqual);
    EXPECT_EQ(GetIsoOperator(), static_cast<unsigned>(NotEqual));
    SetIsoOperator(6);
    EXPECT_EQ(GetIsoOperator(), static_cast<unsigned>(NotEqual));
    // The window's condition is the filters' condition.
    SetIsoThreshold(0);
    EXPECT_TRUE(IsoConditionHolds(1));
    EXPECT_FALSE(IsoConditionHolds(0));
    EXPECT_EQ(ClassicFilters().isoOperator, static_cast<unsigned>(NotEqual));
}

TEST_F(ClassicTest, IsoThresholdAboveTheRangeIsClampedToItsEnd)
{
    Scene().SetCameraCount(4);
    EXPECT_FALSE(SetIsoThreshold(5));
    EXPECT_EQ(GetIsoThreshold(), 4u);
    EXPECT_TRUE(SetIsoThreshold(2));
    EXPECT_EQ(GetIsoThreshold(), 2u);
    Scene().SetEndCamera(3);
    EXPECT_TRUE(SetIsoThreshold(3));
    EXPECT_FALSE(SetIsoThreshold(4));
    EXPECT_EQ(GetIsoThreshold(), 3u);
}

TEST_F(ClassicTest, PlanningSettingsAreCheckedBeforeTheyAreStored)
{
    PlanningSettings refused;
    refused.maxAngleDeg = 181.0;
    EXPECT_FALSE(SetPlanningSettings(refused));
    EXPECT_EQ(GetPlanningSettings(), PlanningSettings{});
    refused.maxAngleDeg = 140.0;
    refused.minImagePx = std::nan("");
    EXPECT_FALSE(SetPlanningSettings(refused));
    EXPECT_EQ(GetPlanningSettings().minImagePx, 3.0);

    PlanningSettings smaller;
    smaller.markerDiameterMm = 9.5;
    EXPECT_TRUE(SetPlanningSettings(smaller));
    EXPECT_EQ(GetPlanningSettings().markerDiameterMm, 9.5);
    EXPECT_EQ(ClassicCoverageInput().planning, smaller);
    ResetCoverageParameters();
    EXPECT_EQ(GetPlanningSettings(), PlanningSettings{});
}

TEST_F(ClassicTest, TheWindowsFiltersAreItsBoxesAndItsCeiling)
{
    SetIsoOperator(GreaterEqual);
    SetResOperator1(Greater);
    SetResBound1(0.65f);
    SetResOperator2(Less);
    SetResBound2(0.9f);
    Scene().SetRoomHeight(3.1f);
    const CoverageFilters filters = ClassicFilters();
    EXPECT_EQ(filters.isoOperator, static_cast<unsigned>(GreaterEqual));
    EXPECT_EQ(filters.isoThreshold, 1u);
    EXPECT_EQ(filters.resOperator1, static_cast<unsigned>(Greater));
    EXPECT_EQ(filters.resBound1, 0.65f);
    EXPECT_EQ(filters.resOperator2, static_cast<unsigned>(Less));
    EXPECT_EQ(filters.resBound2, 0.9f);
    EXPECT_EQ(filters.displayCeiling, 3.1f * 0.5f);
    ResetCoverageParameters();
    EXPECT_EQ(ClassicFilters(), (CoverageFilters{1, 2, 3, 0.7f, 1, 0.8f, 3.1f * 0.5f}));
}

} // namespace
