// The plan document's history as the windows use it, what it keeps of an
// opened plan, and the placement built from a plan for both the window and
// the command line.
#include "support/PlanMaking.h"
#include "support/TempDir.h"

#include "coverage/obstacles/ObstacleSet.h"
#include "document/PlanDocument.h"
#include "document/PlanEdits.h"
#include "project/PlacementOfPlan.h"
#include "project/ProjectFile.h"

#include <gtest/gtest.h>

#include <fstream>

namespace
{

std::optional<std::string> Lengthen(Plan& plan)
{
    RoomValues room = RoomValuesOf(plan);
    room.length += 2.0f;
    return SetRoom(plan, room);
}

// A step a computation refused is taken back for good: nothing to redo, the
// plan before it, and the steps before it kept.
TEST(DocumentStepsTest, AWithdrawnStepCannotBeRedone)
{
    CPlanDocument document(DefaultRigPlan(4));
    EXPECT_FALSE(document.Withdraw());
    ASSERT_FALSE(document.Apply("Room change", Lengthen));
    const Plan first = document.GetPlan();
    ASSERT_FALSE(document.Apply("Room change", Lengthen));
    std::vector<PlanChange> heard;
    document.Subscribe([&heard](const PlanChange& change) { heard.push_back(change); });
    EXPECT_TRUE(document.Withdraw());
    EXPECT_EQ(document.GetPlan(), first);
    EXPECT_FALSE(document.History().CanRedo());
    EXPECT_EQ(document.History().StepCount(), 2u);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].kind, PlanChange::Kind::Undone);
    EXPECT_TRUE(document.History().CanUndo());
}

// What the window shows goes with the plan into its file, but no undo takes
// it back; its view style makes the plan unsaved, its pose does not.
TEST(DocumentStepsTest, TheViewIsSavedButNoStep)
{
    TempDir dir;
    CPlanDocument document(DefaultRigPlan(4));
    ASSERT_TRUE(document.SaveAs(dir.File("plan.vplan")));
    ASSERT_FALSE(document.Apply("Room change", Lengthen));
    ProjectWindowState window;
    window.yawDeg = 30.0f;
    document.SetShown(true, window);
    ASSERT_TRUE(document.Undo());
    EXPECT_TRUE(document.GetPlan().plannerView);
    EXPECT_EQ(document.GetPlan().window, window);
    EXPECT_TRUE(document.IsModified());
    document.SetShown(false, std::nullopt);
    EXPECT_FALSE(document.IsModified());
    document.SetShown(false, window);
    EXPECT_FALSE(document.IsModified());
    ASSERT_TRUE(document.Save());
    EXPECT_EQ(ReadProjectFile(dir.File("plan.vplan")).plan->window, window);
}

// A plan without a file is unsaved once it has a rig, not before.
TEST(DocumentStepsTest, AnUntitledPlanIsUnsavedOnceItHasARig)
{
    CPlanDocument document;
    EXPECT_FALSE(document.IsModified());
    EXPECT_EQ(document.Title(), "Untitled plan");
    document.New(DefaultRigPlan(2));
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(document.Title(), "Untitled plan*");
}

// An opened plan holds its meshes' triangles: its steps and computations
// need the file no more, and the built obstacles hold the mesh.
TEST(DocumentStepsTest, AnOpenedPlanKeepsItsMeshes)
{
    TempDir dir;
    std::ofstream(dir.File("cube.obj")) << "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\n"
                                           "v 0 1 1\nf 1 3 2\nf 1 4 3\nf 5 6 7\nf 5 7 8\nf 1 2 6\nf 1 6 5\n"
                                           "f 4 8 7\nf 4 7 3\nf 1 5 8\nf 1 8 4\nf 2 3 7\nf 2 7 6\n";
    Plan plan = DefaultRigPlan(4);
    ObstacleMesh mesh;
    mesh.name = "cube";
    // As a plan holds it: where the file is now.
    mesh.file = dir.File("cube.obj");
    mesh.offset = {1.0, 0.0, 1.0};
    plan.obstacles.meshes.push_back(mesh);
    ASSERT_TRUE(WriteProjectFile(dir.File("plan.vplan"), plan));
    CPlanDocument document;
    const std::optional<std::string> refused = document.Open(dir.File("plan.vplan"));
    ASSERT_FALSE(refused) << *refused;
    std::filesystem::remove(dir.File("cube.obj"));
    ASSERT_EQ(document.GetPlan().obstacles.meshes.size(), 1u);
    EXPECT_EQ(document.GetPlan().obstacles.meshes[0].mesh->triangles.size(), 12u);
    const std::shared_ptr<const CObstacleSet> built = document.Obstacles();
    ASSERT_TRUE(built);
    EXPECT_EQ(built->GetMeshes().size(), 1u);
    // A step on the plan keeps them too.
    ASSERT_FALSE(document.Apply("Room change", Lengthen));
    EXPECT_EQ(document.Obstacles()->GetMeshes().size(), 1u);
}

// Auto-placement beside a plan: the enabled cameras of its active range stay,
// for its target and on its mounts, in its room and lattice.
TEST(DocumentStepsTest, APlacementKeepsTheActiveRangesEnabledCameras)
{
    Plan plan = DefaultRigPlan(6, 8.0f, 6.0f, 3.0f);
    plan.firstCamera = 2;
    plan.rangeCount = 4;
    plan.cameras[2].enabled = false;
    plan.voxelCm = 25.0f;
    plan.placement.target = {{{1.0, 0.0, 1.0}, {4.0, 2.0, 3.0}, 1.0}};
    const PlacementRequest request = PlacementRequestOf(plan, nullptr);
    // Cameras 2 to 5 are in the range; 3 is disabled.
    ASSERT_EQ(request.fixed.size(), 3u);
    for (size_t k = 0; k < 3; ++k) {
        const PlanCamera& camera = plan.cameras[k == 0 ? 1 : k + 2];
        EXPECT_EQ(request.fixed[k].user, (Vec3d{camera.x, camera.y, camera.z})) << k;
    }
    EXPECT_EQ(request.target, plan.placement.target);
    EXPECT_TRUE(request.mounts == MountSurfaces{});
    EXPECT_DOUBLE_EQ(request.voxelEdge, 0.25);
    EXPECT_EQ(request.room.length, 8.0);

    // The placed cameras as the plan holds them, numbered on.
    PlacedCamera placed;
    placed.pose = {{1.25, 2.5, 0.0}, 30.0f, 20.0f};
    placed.model.focalMm = 12.0f;
    const std::vector<PlanCamera> cameras = PlanCamerasOfPlaced({placed}, 7);
    ASSERT_EQ(cameras.size(), 1u);
    EXPECT_EQ(cameras[0].label, "Camera 7");
    EXPECT_EQ(cameras[0].x, 1.25);
    EXPECT_EQ(cameras[0].hTilt, 30.0f);
    EXPECT_EQ(cameras[0].focalLength, 12.0f);
    EXPECT_TRUE(cameras[0].enabled);
}

} // namespace
