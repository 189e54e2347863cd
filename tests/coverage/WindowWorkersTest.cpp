// The work the window hands to its worker threads, run as the window runs
// it: Plan > Compare with As Built computes both coverages on a thread of its
// own from copies, Auto-Place runs the placement on one with progress sent
// back and a cancel flag; meanwhile the user goes on editing the plan, the
// process-wide settings and rig. Each gives what it gives alone, and under
// ThreadSanitizer (make tsan) each is checked for a read of what the user edits.
#include "support/CoverageFixture.h"

#include "coverage/CoverageInput.h"
#include "coverage/asbuilt/CoverageDifference.h"
#include "coverage/placement/AutoPlacement.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace
{

class WindowWorkersTest : public CoverageTest
{
  protected:
    // `work` on a worker while this thread edits the plan as a user would, until the worker is done.
    void RunBesideEdits(const std::function<void()>& work)
    {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            work();
            done = true;
        });
        float turn = 0.0f;
        while (!done) {
            turn = turn >= 80.0f ? 0.0f : turn + 1.0f;
            Rig().SetHTilt(0, turn);
            Rig().SetFocalLength(1, 6.0f + turn / 10.0f);
            Scene().SetRoomLength(7.0f + turn / 100.0f);
            Rig().RecomputeFieldOfView();
            std::this_thread::yield();
        }
        worker.join();
    }
};

// The grid has more voxels than the resolution values' pass shares out between threads.
TEST_F(WindowWorkersTest, CompareWithAsBuiltOnItsThreadGivesWhatItGivesAlone)
{
    MakeRig(4, 6.0f, 5.0f, 3.0f);
    Rig().RecomputeFieldOfView();
    voxelCm = 10.0f;
    const CoverageInput plan = Input();
    CoverageInput built = plan;
    built.cameras.SetHTilt(2, built.cameras.GetHTilt(2) + 7.0f);
    built.cameras.SetFilePosition(3, {5.5, 2.4, 0.3});
    built.cameras.RecomputeFieldOfView();

    CCoverageDifference alone;
    ASSERT_EQ(alone.Compute(plan, built), CCoverageDifference::Status::Ok);
    ASSERT_GT(alone.GainedTriangulable() + alone.LostTriangulable(), 0u);
    ASSERT_GT(alone.GetVoxelCount(), 65536u);

    CCoverageDifference beside;
    CCoverageDifference::Status status = CCoverageDifference::Status::InvalidGrid;
    RunBesideEdits([&, plan, built]() mutable { status = beside.Compute(std::move(plan), std::move(built)); });
    ASSERT_EQ(status, CCoverageDifference::Status::Ok);
    EXPECT_EQ(beside.GainedTriangulable(), alone.GainedTriangulable());
    EXPECT_EQ(beside.LostTriangulable(), alone.LostTriangulable());
    EXPECT_EQ(beside.GainedMarkerAtLeast(), alone.GainedMarkerAtLeast());
    ASSERT_EQ(beside.GetVoxelCount(), alone.GetVoxelCount());
    for (size_t t = 0; t < alone.GetVoxelCount(); ++t)
        ASSERT_EQ(beside.ChangeAt(t), alone.ChangeAt(t)) << "voxel " << t;
}

TEST_F(WindowWorkersTest, AutoPlaceOnItsThreadGivesWhatItGivesAloneAndStopsOnCancel)
{
    MakeRig(4, 6.0f, 5.0f, 3.0f);
    constexpr RoomSize kRoom{6.0, 5.0, 3.0};
    CRoomBox room;
    room.Update(6.0f, 5.0f, 3.0f);
    PlacementRequest request;
    request.room = kRoom;
    request.userOrigin = room.Corner(3);
    request.latticeCorner = {-0.5 * kRoom.length, -0.5 * kRoom.height, 0.5 * kRoom.width};
    request.voxelEdge = 0.2f;
    request.count = 3;
    request.sampleStep = 0.5;
    request.search.restarts = 2;
    request.search.threads = 2;
    request.timeLimitSeconds = 600.0;
    const PlacementResult alone = RunPlacement(request);
    ASSERT_TRUE(alone.ok) << alone.error;

    // The window's worker: progress goes back to the window's thread, which reads it there.
    std::mutex posted;
    std::vector<std::string> stages;
    PlacementResult beside;
    RunBesideEdits([&] {
        beside = RunPlacement(request, [&](const PlacementProgress& p) {
            const std::lock_guard<std::mutex> lock(posted);
            stages.push_back(p.stage);
        });
    });
    ASSERT_TRUE(beside.ok) << beside.error;
    EXPECT_FALSE(stages.empty());
    EXPECT_EQ(beside.after.objective, alone.after.objective);
    ASSERT_EQ(beside.placed.size(), alone.placed.size());
    for (size_t c = 0; c < alone.placed.size(); ++c)
        EXPECT_EQ(beside.placed[c].pose.position, alone.placed[c].pose.position) << c;

    // Cancel, raised from the window's thread while the worker builds the candidates or searches.
    std::atomic<bool> cancel{false};
    request.search.cancel = &cancel;
    request.sampleStep = 0.25;
    PlacementResult cancelled;
    std::thread worker([&] { cancelled = RunPlacement(request); });
    cancel = true;
    worker.join();
    EXPECT_TRUE(cancelled.cancelled);
}

} // namespace
