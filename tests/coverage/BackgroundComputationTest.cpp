#include "support/CoverageFixture.h"
#include "support/SameResults.h"

#include "coverage/BackgroundComputation.h"
#include "coverage/PlanningMeasures.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace
{

// Every count, iso-list entry and resolution value of two volumes of the stage's eight cameras.
void ExpectSameResults(const CCoverageVolume& a, const CCoverageVolume& b)
{
    ExpectSameVolumes(a, b, 8);
}

class BackgroundComputationTest : public CoverageTest
{
  protected:
    // Eight cameras in a 6 x 4 x 3 m room at 10 cm, the third disabled and
    // the active range from the second camera on: enough voxels for several
    // progress reports.
    void MakeStage()
    {
        MakeRig(8, 6.0f, 4.0f, 3.0f);
        for (int c = 4; c < 8; ++c) {
            PlaceCamera(c, -2.5 + c * 0.6, 1.2, c % 2 ? 1.8 : -1.8);
            Rig().SetHTilt(c, 40.0f * c);
            Rig().SetVTilt(c, 30.0f);
        }
        Rig().SetEnabled(2, 0);
        Scene().SetFirstCamera(1);
        voxelCm = 10.0f;
    }

    // A grid built from the test's input, as the window prepares one.
    CoverageStep Step(bool calibration = false) const
    {
        CoverageStep step;
        step.volume = std::make_unique<CCoverageVolume>();
        step.fromCalibration = calibration;
        step.status = step.volume->BuildGrid(Input());
        return step;
    }

    // Grid and coverage of the input as it is now, the rig taking back the derived edges.
    CCoverageVolume::GridStatus ComputeInto(CCoverageVolume& into)
    {
        CoverageInput input = Input();
        if (const auto status = into.BuildGrid(input); status != CCoverageVolume::GridStatus::Ok)
            return status;
        const auto status = into.ComputeCoverage(input);
        Rig().TakeDerivedValues(input.cameras);
        return status;
    }
};

} // namespace

TEST_F(BackgroundComputationTest, ACancelFlagStopsThePassAndLeavesTheVolumeEmpty)
{
    MakeStage();
    Rig().RecomputeFieldOfView();
    std::atomic<bool> cancel{false};

    // Never raised: the same results as without a flag.
    CCoverageVolume plain;
    ASSERT_EQ(ComputeInto(plain), CCoverageVolume::GridStatus::Ok);
    Rig().RecomputeFieldOfView();
    volume.SetCancelFlag(&cancel);
    ASSERT_EQ(ComputeInto(volume), CCoverageVolume::GridStatus::Ok);
    ExpectSameResults(plain, volume);

    // Raised before the pass, or by the first progress report, on one thread and on two.
    struct Case {
        bool before;
        int threads;
    };
    for (const Case c : {Case{true, 1}, Case{false, 1}, Case{false, 2}}) {
        SCOPED_TRACE(testing::Message() << (c.before ? "before" : "during") << ", " << c.threads << " threads");
        cancel = c.before;
        int reports = 0;
        volume.SetThreadCount(c.threads);
        // On two threads the first report may be the last one, of the whole pass.
        volume.SetProgressCallback([&](double) {
            ++reports;
            cancel = true;
        });
        // Each computation turns the edges the rig holds: from their reset values.
        Rig().RecomputeFieldOfView();
        EXPECT_EQ(ComputeInto(volume), CCoverageVolume::GridStatus::Cancelled);
        EXPECT_FALSE(volume.HasResults());
        EXPECT_EQ(volume.GetVoxelCount(), 0u);
        EXPECT_EQ(volume.GetIsoCount(), 0u);
        // Stopped at once: no report after the one that cancelled.
        EXPECT_LE(reports, c.before ? 0 : 1);
    }

    // The flag lowered again, the volume computes as before.
    cancel = false;
    volume.SetProgressCallback({});
    Rig().RecomputeFieldOfView();
    ASSERT_EQ(ComputeInto(volume), CCoverageVolume::GridStatus::Ok);
    ExpectSameResults(plain, volume);
}

TEST_F(BackgroundComputationTest, ACancelFlagStopsThePlanningMeasures)
{
    MakeStage();
    Compute();
    std::atomic<bool> cancel{false};
    CPlanningMeasures planning;
    planning.SetCancelFlag(&cancel);
    ASSERT_EQ(planning.Compute(volume, computed), CPlanningMeasures::Status::Ok);
    const uint64_t triangulable = planning.TriangulableCount();
    cancel = true;
    EXPECT_EQ(planning.Compute(volume, computed), CPlanningMeasures::Status::Cancelled);
    EXPECT_FALSE(planning.HasResults());
    EXPECT_EQ(planning.GetVoxelCount(), 0u);
    cancel = false;
    ASSERT_EQ(planning.Compute(volume, computed), CPlanningMeasures::Status::Ok);
    EXPECT_EQ(planning.TriangulableCount(), triangulable);
}

TEST_F(BackgroundComputationTest, ComputesFromItsCopyWhileTheOwnersStateChanges)
{
    MakeStage();
    // What the window's synchronous frame computes, and the edges it leaves in the rig.
    CCoverageVolume reference;
    Rig().RecomputeFieldOfView();
    ASSERT_EQ(ComputeInto(reference), CCoverageVolume::GridStatus::Ok);
    CPlanningMeasures referencePlanning;
    ASSERT_EQ(referencePlanning.Compute(reference, Input()), CPlanningMeasures::Status::Ok);
    const CCameraSet computedRig = Rig();

    MakeStage();
    CoverageInput inputs = Input();
    inputs.cameras.RecomputeFieldOfView();
    std::vector<CoverageStep> steps;
    steps.push_back(Step());
    CBackgroundComputation computation(std::move(inputs), std::move(steps), true);
    // The user goes on editing: another rig, another room, other planning settings.
    for (int round = 0; round < 50 && !computation.IsFinished(); ++round) {
        MakeRig(3 + round % 5, 9.0f, 9.0f, 9.0f);
        Scene().SetFirstCamera(0);
        planningSettings.minImagePx = 5.0 + round;
        std::this_thread::yield();
    }
    computation.Wait();
    ASSERT_TRUE(computation.IsFinished());
    EXPECT_FALSE(computation.WasCancelled());
    ASSERT_EQ(computation.Steps().size(), 1u);
    ASSERT_EQ(computation.Steps()[0].status, CCoverageVolume::GridStatus::Ok);
    EXPECT_EQ(computation.GetProgress(), 1.0);
    ExpectSameResults(reference, *computation.Steps()[0].volume);
    ASSERT_TRUE(computation.RanPlanning());
    ASSERT_EQ(computation.GetPlanningStatus(), CPlanningMeasures::Status::Ok);
    EXPECT_EQ(computation.Planning().GetSettings().minImagePx, PlanningSettings{}.minImagePx);
    EXPECT_EQ(computation.Planning().TriangulableCount(), referencePlanning.TriangulableCount());
    EXPECT_EQ(computation.Planning().SeenAtLeast(), referencePlanning.SeenAtLeast());
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(computation.Inputs().cameras.GetEdgeVPlus(c), computedRig.GetEdgeVPlus(c)) << "camera " << c;
        EXPECT_EQ(computation.Inputs().cameras.GetHFov(c), computedRig.GetHFov(c)) << "camera " << c;
    }
}

TEST_F(BackgroundComputationTest, DerivedValuesGoBackOnlyToCamerasLeftAsTheyWere)
{
    MakeStage();
    CoverageInput inputs = Input();
    inputs.cameras.RecomputeFieldOfView();
    ASSERT_EQ(volume.BuildGrid(inputs), CCoverageVolume::GridStatus::Ok);
    ASSERT_EQ(volume.ComputeCoverage(inputs), CCoverageVolume::GridStatus::Ok);
    const Vec3d reset = Rig().GetEdgeHPlus(5);

    Rig().SetFocalLength(5, 12.0f);
    Rig().SetHTilt(6, 3.0f);
    Rig().TakeDerivedValues(inputs.cameras);
    for (int c = 0; c < 8; ++c) {
        SCOPED_TRACE(testing::Message() << "camera " << c);
        const bool edited = c == 5 || c == 6;
        EXPECT_EQ(Rig().GetEdgeHPlus(c) == inputs.cameras.GetEdgeHPlus(c), !edited);
    }
    EXPECT_EQ(Rig().GetEdgeHPlus(5), reset);

    // A rig that shrank meanwhile takes what it still has.
    MakeRig(3, 6.0f, 4.0f, 3.0f);
    Rig().TakeDerivedValues(inputs.cameras);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(Rig().GetEdgeVMinus(c), inputs.cameras.GetEdgeVMinus(c)) << "camera " << c;
}

TEST_F(BackgroundComputationTest, CancelEndsTheQueueAndStepsRunInOrder)
{
    MakeStage();
    // Refused grids are passed over; the last step's volume is computed.
    {
        CoverageInput inputs = Input();
        std::vector<CoverageStep> steps;
        steps.push_back(Step());
        steps.back().status = CCoverageVolume::GridStatus::OutOfMemory;
        steps.push_back(Step(true));
        CBackgroundComputation computation(std::move(inputs), std::move(steps), false);
        computation.Wait();
        EXPECT_FALSE(computation.WasCancelled());
        EXPECT_EQ(computation.Steps()[0].status, CCoverageVolume::GridStatus::OutOfMemory);
        EXPECT_FALSE(computation.Steps()[0].volume->HasResults());
        EXPECT_EQ(computation.Steps()[1].status, CCoverageVolume::GridStatus::Ok);
        EXPECT_TRUE(computation.Steps()[1].volume->HasResults());
        EXPECT_FALSE(computation.RanPlanning());
    }
    // Cancelled at once: no step computes, no planning runs.
    {
        CoverageInput inputs = Input();
        std::vector<CoverageStep> steps;
        steps.push_back(Step());
        steps.push_back(Step());
        CBackgroundComputation computation(std::move(inputs), std::move(steps), true);
        computation.Cancel();
        computation.Wait();
        ASSERT_TRUE(computation.IsFinished());
        // Unless it was done before the flag was raised.
        if (computation.WasCancelled()) {
            EXPECT_FALSE(computation.RanPlanning());
            EXPECT_FALSE(computation.Steps().back().volume->HasResults());
        } else {
            EXPECT_TRUE(computation.RanPlanning());
        }
    }
    // The planning measures alone, of a volume computed before.
    Compute();
    CBackgroundComputation planning(Input(), {}, true, &volume);
    planning.Wait();
    ASSERT_TRUE(planning.RanPlanning());
    EXPECT_EQ(planning.GetPlanningStatus(), CPlanningMeasures::Status::Ok);
    EXPECT_TRUE(planning.Planning().HasResults());
    EXPECT_EQ(planning.Planning().GetVoxelCount(), volume.GetVoxelCount());
}
