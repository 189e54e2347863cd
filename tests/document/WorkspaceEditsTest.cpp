#include "coverage/obstacles/ObstacleSet.h"
#include "document/ExampleStage.h"
#include "document/PlanEdits.h"
#include "project/PlanInput.h"
#include "project/ProjectFile.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

Plan RigOf(uint32_t count)
{
    Plan plan;
    plan.length = 8.0f;
    plan.width = 6.0f;
    plan.height = 3.5f;
    EXPECT_FALSE(ResetRig(plan, count));
    return plan;
}

} // namespace

TEST(WorkspaceEditsTest, PlaceCameraHoldsFloatValuesAndRefusesFarOutside)
{
    Plan plan = RigOf(4);
    ASSERT_FALSE(PlaceCamera(plan, 2, {1.23, 3.4, 0.01}, 12.5f, 40.0f));
    const PlanCamera& c = plan.cameras[2];
    EXPECT_EQ(c.x, static_cast<double>(1.23f));
    EXPECT_EQ(c.y, static_cast<double>(3.4f));
    EXPECT_EQ(c.hTilt, 12.5f);
    EXPECT_EQ(c.vTilt, 40.0f);
    const Plan before = plan;
    EXPECT_TRUE(PlaceCamera(plan, 2, {40.0, 1.0, 1.0}, 0.0f, 0.0f));
    EXPECT_TRUE(PlaceCamera(plan, 2, {1.0, NAN, 1.0}, 0.0f, 0.0f));
    EXPECT_TRUE(PlaceCamera(plan, 4, {1.0, 1.0, 1.0}, 0.0f, 0.0f));
    EXPECT_EQ(plan, before);
}

TEST(WorkspaceEditsTest, AddedCameraIsTheDefaultRigsNextOneOutOfObstacles)
{
    Plan plan = RigOf(4);
    plan.rangeCount = 3;
    ASSERT_FALSE(AddDefaultCamera(plan));
    const Plan five = RigOf(5);
    ASSERT_EQ(plan.cameras.size(), 5u);
    EXPECT_EQ(plan.cameras[4], five.cameras[4]);
    EXPECT_EQ(RangeEnd(plan), 5u) << "the range takes the new camera in";
    EXPECT_FALSE(CheckPlan(plan));

    // A set piece at the room's centre: the new camera stands clear of it.
    CObstacleSet obstacles;
    ASSERT_FALSE(obstacles.AddBox({"piece", {3.0, 0.0, 2.0}, {5.0, 2.5, 4.0}}));
    ASSERT_FALSE(AddDefaultCamera(plan, &obstacles));
    const PlanCamera& added = plan.cameras[5];
    EXPECT_FALSE(added.x >= 3.0 && added.x <= 5.0 && added.y <= 2.5 && added.z >= 2.0 && added.z <= 4.0);
}

TEST(WorkspaceEditsTest, RemovedCameraLeavesTheRangeAndCriteriaOnTheRigThatIsLeft)
{
    Plan plan = RigOf(6);
    plan.firstCamera = 2; // cameras 2..5
    plan.rangeCount = 4;
    plan.isoThreshold = 5;
    plan.resolutionCamera = 4;
    ASSERT_FALSE(RemoveCamera(plan, 0)); // before the range: it moves down
    EXPECT_EQ(plan.cameras.size(), 5u);
    EXPECT_EQ(plan.firstCamera, 1u);
    EXPECT_EQ(plan.rangeCount, 4u);
    EXPECT_EQ(plan.resolutionCamera, 3u) << "the map camera is the same camera";
    ASSERT_FALSE(RemoveCamera(plan, 1)); // inside the range: it shrinks
    EXPECT_EQ(plan.firstCamera, 1u);
    EXPECT_EQ(plan.rangeCount, 3u);
    EXPECT_EQ(plan.isoThreshold, 3u);
    EXPECT_FALSE(CheckPlan(plan));

    Plan alone = RigOf(3);
    alone.firstCamera = 3;
    alone.rangeCount = 1;
    ASSERT_FALSE(RemoveCamera(alone, 2));
    EXPECT_EQ(alone.firstCamera, 1u) << "a range of that camera alone becomes the whole rig";
    EXPECT_EQ(alone.rangeCount, 2u);
    EXPECT_FALSE(CheckPlan(alone));

    Plan one = RigOf(1);
    EXPECT_EQ(RemoveCamera(one, 0), "A plan keeps at least one camera");
    EXPECT_TRUE(RemoveCamera(one, 3));
}

TEST(WorkspaceEditsTest, ObstaclesAndTargetBoxesComeAndGo)
{
    Plan plan = RigOf(4);
    plan.obstacles.boxes.push_back({"a", {1, 0, 1}, {2, 1, 2}});
    plan.obstacles.boxes.push_back({"b", {3, 0, 3}, {4, 1, 4}});
    ASSERT_FALSE(RemoveObstacle(plan, 0));
    ASSERT_EQ(plan.obstacles.boxes.size(), 1u);
    EXPECT_EQ(plan.obstacles.boxes[0].name, "b");
    EXPECT_TRUE(RemoveObstacle(plan, 1));

    ASSERT_FALSE(AddTargetBox(plan));
    ASSERT_EQ(plan.placement.target.size(), 1u);
    EXPECT_EQ(plan.placement.target, PlanTarget(RigOf(4))) << "the box the plan was judged against";
    ASSERT_FALSE(RemoveTargetBox(plan, 0));
    EXPECT_TRUE(plan.placement.target.empty());
    EXPECT_TRUE(RemoveTargetBox(plan, 0));

    PlanningSettings settings;
    settings.pixelNoisePx = -1.0;
    const Plan before = plan;
    EXPECT_TRUE(SetPlanningSettings(plan, settings));
    EXPECT_EQ(plan, before);
}

TEST(WorkspaceEditsTest, ExampleStageIsAPlanToWorkOn)
{
    const Plan plan = ExampleStagePlan();
    EXPECT_FALSE(CheckPlan(plan));
    EXPECT_EQ(plan.cameras.size(), 8u);
    EXPECT_EQ(RangeEnd(plan), 8u);
    EXPECT_EQ(plan.placement.target.size(), 1u);
    EXPECT_EQ(plan.obstacles.boxes.size(), 1u);
    for (const PlanCamera& camera : plan.cameras) {
        EXPECT_EQ(std::fmod(camera.hTilt * 2.0f, 1.0f), 0.0f) << "aimed to the half degree";
        EXPECT_EQ(std::fmod(camera.vTilt * 2.0f, 1.0f), 0.0f);
        EXPECT_GT(camera.vTilt, 0.0f) << "every camera looks down onto the stage";
    }
    // It saves and reads back as it is.
    const ProjectReadResult read = ParseProject(ProjectText(plan));
    ASSERT_TRUE(read.plan) << read.error;
    Plan back = *read.plan;
    back.kept = plan.kept;
    EXPECT_EQ(back, plan);
}

TEST(WorkspaceEditsTest, ACalibratedRigTakesItsBoxAsTheRoomWhateverStoodInTheOldOne)
{
    // A hall whose far cameras would stand some 30 m outside the calibration's box.
    Plan plan = RigOf(4);
    plan.length = 40.0f;
    plan.width = 30.0f;
    ASSERT_FALSE(ResetRig(plan, 4));
    plan.unit = "ft";
    Plan calibrated = RigOf(2);
    calibrated.length = 5.0f;
    calibrated.width = 4.0f;
    calibrated.height = 3.0f;
    calibrated.cameras[0].x = 4.5f;

    Plan boxed = plan;
    ASSERT_FALSE(ImportCalibratedRig(boxed, calibrated, true));
    EXPECT_EQ(boxed.cameras, calibrated.cameras);
    EXPECT_EQ(boxed.unit, "m");
    EXPECT_EQ(boxed.length, 5.0f);
    EXPECT_EQ(boxed.width, 4.0f);
    EXPECT_EQ(boxed.height, 3.0f);
    EXPECT_EQ(RangeEnd(boxed), 2u);
    EXPECT_FALSE(CheckPlan(boxed));

    // The room kept: only the rig changes.
    Plan kept = plan;
    ASSERT_FALSE(ImportCalibratedRig(kept, calibrated, false));
    EXPECT_EQ(kept.cameras, calibrated.cameras);
    EXPECT_EQ(kept.length, 40.0f);
    EXPECT_EQ(kept.unit, "ft");
}
