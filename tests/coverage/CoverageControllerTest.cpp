// The controller computes what the scene's flags ask for with no display
// and no GL context, at once or in the background.
#include "support/CoverageFixture.h"

#include "coverage/CoverageController.h"

#include <thread>

namespace
{

class CoverageControllerTest : public CoverageTest
{
  protected:
    void SetUp() override
    {
        MakeRig(4);
        voxelCm = 25.0f;
    }

    // A frame that starts what is asked, then, once it has ended, the frame that takes it.
    void RunUntilTaken(CCoverageController& controller)
    {
        controller.RunCoverageStage(Scene());
        controller.RunPlanningStage(Scene());
        while (controller.IsRunning() && !controller.IsFinished())
            std::this_thread::yield();
        controller.RunCoverageStage(Scene());
        controller.RunPlanningStage(Scene());
        ASSERT_FALSE(controller.IsRunning());
    }
};

} // namespace

TEST_F(CoverageControllerTest, AFrameComputesTheCoverageAndThePlanningMeasuresAsked)
{
    CCoverageController controller(Source());
    controller.SetPlanningEnabled(true);
    // Nothing asked: nothing computed, nothing to list.
    controller.RunCoverageStage(Scene());
    controller.RunPlanningStage(Scene());
    EXPECT_FALSE(controller.LastFrameComputed());
    EXPECT_EQ(controller.GetVolumeGeneration(), 0u);

    Scene().SetRecalculate(true);
    controller.RunCoverageStage(Scene());
    EXPECT_FALSE(Scene().GetRecalculate());
    EXPECT_EQ(controller.GetVolumeGeneration(), 1u);
    ASSERT_TRUE(controller.GetVolume().HasResults());
    // The planning measures come in the planning stage, of the volume just computed.
    EXPECT_TRUE(controller.IsPlanningPending());
    EXPECT_FALSE(controller.GetPlanning().HasResults());
    controller.RunPlanningStage(Scene());
    EXPECT_FALSE(controller.IsPlanningPending());
    EXPECT_TRUE(controller.GetPlanning().HasResults());
    EXPECT_EQ(controller.GetPlanning().GetVoxelCount(), controller.GetVolume().GetVoxelCount());
    EXPECT_TRUE(controller.LastFrameComputed());
    EXPECT_EQ(controller.GetResultGeneration(), 1u);

    // The same counts as the pass run directly.
    Compute();
    ASSERT_EQ(volume.GetVoxelCount(), controller.GetVolume().GetVoxelCount());
    for (size_t t = 0; t < volume.GetVoxelCount(); ++t)
        ASSERT_EQ(volume.SeenCount(t), controller.GetVolume().SeenCount(t)) << "voxel " << t;

    // Another map camera moves only the map generation; a planning request only the measures.
    const uint64_t planning = controller.GetPlanningGeneration();
    controller.ShowResolutionMap(1);
    controller.RunCoverageStage(Scene());
    EXPECT_EQ(controller.GetMapGeneration(), 1u);
    EXPECT_EQ(controller.GetVolumeGeneration(), 1u);
    EXPECT_EQ(controller.GetVolume().GetResolutionCamera(), 1);
    controller.RequestPlanningUpdate();
    controller.RunPlanningStage(Scene());
    EXPECT_GT(controller.GetPlanningGeneration(), planning);
    EXPECT_EQ(controller.GetResultGeneration(), 2u);
}

TEST_F(CoverageControllerTest, AnUnusableGridLeavesNoVolumeAndAMessage)
{
    CCoverageController controller(Source());
    voxelCm = 0.0f;
    Scene().SetRecalculate(true);
    controller.RunCoverageStage(Scene());
    EXPECT_FALSE(controller.GetVolume().HasResults());
    EXPECT_EQ(controller.GetVolumeGeneration(), 1u);
    EXPECT_EQ(controller.TakeMessage(), std::optional<std::string>(kInvalidGridMessage));
    EXPECT_EQ(controller.TakeMessage(), std::nullopt);
}

TEST_F(CoverageControllerTest, InTheBackgroundTheFlagsWaitForTheListsAndARefusalKeepsTheVolume)
{
    CCoverageController controller(Source());
    controller.SetBackground(true);
    Scene().SetRecalculate(true);
    controller.RunCoverageStage(Scene());
    EXPECT_TRUE(controller.IsRunning());
    EXPECT_EQ(controller.GetVolumeGeneration(), 0u);
    RunUntilTaken(controller);
    ASSERT_TRUE(controller.GetVolume().HasResults());
    EXPECT_EQ(controller.GetVolumeGeneration(), 1u);
    EXPECT_EQ(controller.GetLastTakenRequests(), Scene().GetComputationRequests());
    // Served once: the flag stays up, but no second computation starts.
    EXPECT_TRUE(Scene().GetRecalculate());
    EXPECT_TRUE(controller.AwaitsResultLists());
    controller.RunCoverageStage(Scene());
    EXPECT_FALSE(controller.IsRunning());
    controller.ResultListsCompiled(Scene());
    EXPECT_FALSE(Scene().GetRecalculate());
    EXPECT_FALSE(controller.AwaitsResultLists());

    // A grid refused: the volume shown stays, and says so once.
    const size_t voxels = controller.GetVolume().GetVoxelCount();
    voxelCm = 0.0f;
    Scene().SetRecalculate(true);
    RunUntilTaken(controller);
    EXPECT_TRUE(controller.TakeCoverageRefusal());
    EXPECT_FALSE(controller.TakeCoverageRefusal());
    EXPECT_EQ(controller.TakeMessage(), std::optional<std::string>(kInvalidGridMessage));
    EXPECT_EQ(controller.GetVolume().GetVoxelCount(), voxels);
    EXPECT_EQ(controller.GetVolumeGeneration(), 1u);
    controller.ResultListsCompiled(Scene());
    EXPECT_FALSE(Scene().GetRecalculate());
}

TEST_F(CoverageControllerTest, ACancelledComputationKeepsTheResultsThereWere)
{
    CCoverageController controller(Source());
    controller.SetBackground(true);
    Scene().SetRecalculate(true);
    RunUntilTaken(controller);
    controller.ResultListsCompiled(Scene());
    ASSERT_TRUE(controller.GetVolume().HasResults());
    EXPECT_FALSE(controller.AreResultsStale());

    // Fine enough that the pass is still running when it is cancelled.
    voxelCm = 4.0f;
    Scene().SetRecalculate(true);
    controller.RunCoverageStage(Scene());
    ASSERT_TRUE(controller.IsRunning());
    controller.Cancel();
    RunUntilTaken(controller);
    // The request is dropped with its computation; the picture is of the run before.
    EXPECT_FALSE(Scene().GetRecalculate());
    EXPECT_TRUE(controller.AreResultsStale());
    EXPECT_EQ(controller.GetVolumeGeneration(), 1u);
    EXPECT_TRUE(controller.GetVolume().HasResults());
}
