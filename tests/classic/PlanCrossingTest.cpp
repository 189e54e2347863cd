// The classic window and everything else compute the same plan the same
// way: a plan opened in the window (ApplyPlan) gives the input the window
// computes with (ClassicCoverageInput) that CoverageInputOf gives the
// command line, field by field and bit for bit, and the same volumes; and
// the window saves (CapturePlan) the plan it opened.
#include "ClassicFixture.h"
#include "support/PlanMaking.h"
#include "support/SameResults.h"
#include "support/TempDir.h"

#include "classic/ClassicState.h"
#include "classic/PlanCrossing.h"
#include "classic/RoomState.h"
#include "cli/RigOptions.h"
#include "coverage/PlanningMeasures.h"
#include "project/PlanInput.h"
#include "project/ProjectObstacles.h"
#include "scene/RoomBox.h"

#include <memory>

namespace
{

class PlanCrossingTest : public ClassicTest
{
  protected:
    // The plan opened in the window as it is now, then computed both ways.
    void ExpectTheWindowComputesThePlan(const Plan& plan)
    {
        ASSERT_FALSE(CheckPlan(plan).has_value()) << *CheckPlan(plan);
        auto obstacles = std::make_shared<CObstacleSet>();
        ASSERT_FALSE(BuildObstacleSet(plan.obstacles, "", *obstacles).has_value());

        CRoomBox room;
        ApplyPlan(plan, room);
        CoverageInput window = ClassicCoverageInput();
        window.obstacles = obstacles;
        CoverageInput planned = CoverageInputOf(plan, obstacles);
        {
            SCOPED_TRACE("input");
            ExpectSameInput(planned, window);
        }

        const int mapCamera = static_cast<int>(plan.resolutionCamera) - 1;
        CCoverageVolume fromWindow, fromPlan;
        fromWindow.SetResolutionCamera(mapCamera);
        fromPlan.SetResolutionCamera(mapCamera);
        ASSERT_EQ(fromWindow.BuildGrid(window), CCoverageVolume::GridStatus::Ok);
        ASSERT_EQ(fromWindow.ComputeCoverage(window), CCoverageVolume::GridStatus::Ok);
        ASSERT_EQ(fromPlan.BuildGrid(planned), CCoverageVolume::GridStatus::Ok);
        ASSERT_EQ(fromPlan.ComputeCoverage(planned), CCoverageVolume::GridStatus::Ok);
        {
            SCOPED_TRACE("volume");
            ExpectSameVolumes(fromPlan, fromWindow, static_cast<int>(plan.cameras.size()));
            ExpectSameCameras(planned.cameras, window.cameras);
        }
        CPlanningMeasures windowMeasures, planMeasures;
        ASSERT_EQ(windowMeasures.Compute(fromWindow, window), CPlanningMeasures::Status::Ok);
        ASSERT_EQ(planMeasures.Compute(fromPlan, planned), CPlanningMeasures::Status::Ok);
        EXPECT_EQ(planMeasures.MarkerAtLeast(), windowMeasures.MarkerAtLeast());
        EXPECT_EQ(planMeasures.TriangulableCount(), windowMeasures.TriangulableCount());
        EXPECT_EQ(Bits(planMeasures.Sigma3dMedian()), Bits(windowMeasures.Sigma3dMedian()));

        // What the window saves is what it opened, but what the window does
        // not hold (obstacles, placement, title block, view).
        Plan saved = CapturePlan(plan.unit, plan.resolutionCamera, plan.kept);
        saved.obstacles = plan.obstacles;
        saved.placement = plan.placement;
        saved.report = plan.report;
        saved.plannerView = plan.plannerView;
        saved.window = plan.window;
        EXPECT_EQ(saved, plan);
    }
};

// One plan after another, as a user opens them: nothing of the last plan
// stays in the window's state.
TEST_F(PlanCrossingTest, EveryKindOfPlanComputesAlikeInTheWindowAndOutside)
{
    const std::vector<Plan> plans = VariedPlans();
    for (size_t p = 0; p < plans.size(); ++p) {
        SCOPED_TRACE(testing::Message() << "plan " << p << ": " << plans[p].cameras.size() << " cameras");
        ExpectTheWindowComputesThePlan(plans[p]);
    }
}

// A plan read from its file (it keeps the document) opens as the plan saved.
TEST_F(PlanCrossingTest, APlanReadFromItsFileComputesAsThePlanSaved)
{
    TempDir dir;
    const Plan full = FullPlan();
    ASSERT_TRUE(WriteProjectFile(dir.File("full.vplan"), full));
    const ProjectReadResult read = ReadProjectFile(dir.File("full.vplan"));
    ASSERT_TRUE(read.plan) << read.error;
    ExpectTheWindowComputesThePlan(*read.plan);
    const CoverageInput fromFile = CoverageInputOf(*read.plan);
    ExpectSameInput(fromFile, CoverageInputOf(full));

    // The window's state after opening it, box by box.
    EXPECT_EQ(Scene().GetRoomLength(), 40.0f * kMetresPerFoot);
    EXPECT_EQ(Scene().GetUnits(), "m");
    EXPECT_EQ(Scene().GetCameraCount(), 5u);
    EXPECT_EQ(Scene().GetFirstCamera(), 1u);
    EXPECT_EQ(Scene().GetEndCamera(), 4u);
    EXPECT_EQ(g_fSceneScaleX, 1.5f);
    EXPECT_EQ(GetVoxelSize(), 12.5f);
    EXPECT_EQ(GetIsoOperator(), 3u);
    EXPECT_EQ(GetIsoThreshold(), 2u);
    EXPECT_EQ(GetResBound1(), 0.71f);
    EXPECT_EQ(GetPlanningSettings().markerDiameterMm, 9.5);
    EXPECT_EQ(Rig().GetEnabled(1), 0);
    EXPECT_EQ(Rig().GetCameraType(2), kCustomCameraType);
    EXPECT_EQ(Rig().GetSensorPixelsX(2), 2048);
    EXPECT_EQ(Rig().GetHTilt(4), 100.25f);
    EXPECT_EQ(Rig().GetFilePosition(4).x, 3.3f);
}

// The command line's plan of a camera data file in a room (--cameras,
// --room) is the rig the window loads from that file into that room.
TEST_F(PlanCrossingTest, ACameraDataFileGivesTheWindowsRigAndComputesAlike)
{
    TempDir dir;
    const std::vector<Plan> plans = VariedPlans();
    for (size_t p = 0; p < plans.size(); p += 5) {
        SCOPED_TRACE(testing::Message() << "plan " << p);
        const Plan& source = plans[p];
        // The file holds six digits of each value: not the plan's floats.
        const CCameraSet written = CameraSetOf(source);
        const std::string path = dir.File("rig" + std::to_string(p) + ".txt");
        ASSERT_TRUE(written.WriteFile(path)) << written.GetFileError();

        RigOptions options;
        options.room = {source.length, source.width, source.height};
        options.camerasFile = path;
        RigPlanResult built = BuildRigPlan(options);
        ASSERT_TRUE(built.plan) << built.error;
        ExpectTheWindowComputesThePlan(*built.plan);

        // The window's own way in: the room, then File > Load Camera File.
        RoomState{"m", source.length, source.width, source.height, 1.0f, 1.0f, 1.0f, 20.0f}.Apply();
        CRoomBox room;
        room.Update();
        Rig().SetUserOrigin(room.Corner(3));
        ASSERT_TRUE(Rig().LoadFromFile(path)) << Rig().GetFileError();
        Rig().RecomputeFieldOfView();
        ExpectSameCameras(CoverageInputOf(*built.plan).cameras, Rig());
    }
}

} // namespace
