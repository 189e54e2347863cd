// The plan document without a window: steps and their history, the unsaved
// mark, files, and the edits a user makes.
#include "coverage/CoverageController.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "document/PlanDocument.h"
#include "document/PlanEdits.h"
#include "project/PlanInput.h"
#include "project/ProjectFile.h"
#include "scene/SceneSettings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

Plan StagePlan(uint32_t cameras = 8)
{
    Plan plan;
    plan.length = 12.0f;
    plan.width = 10.0f;
    plan.height = 4.0f;
    EXPECT_FALSE(ResetRig(plan, cameras));
    return plan;
}

class PlanDocumentTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("plan_document_" + std::to_string(getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string File(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
};

TEST_F(PlanDocumentTest, StepsUndoAndRedoPutBackEveryValue)
{
    CPlanDocument document(StagePlan());
    std::vector<PlanChange::Kind> heard;
    const int key = document.Subscribe([&heard](const PlanChange& change) { heard.push_back(change.kind); });
    const Plan start = document.GetPlan();

    ASSERT_FALSE(document.Apply("Room change", [](Plan& p) {
        RoomValues room = RoomValuesOf(p);
        room.length = 14.0f;
        return SetRoom(p, room);
    }));
    ASSERT_FALSE(document.Apply("Camera count", [](Plan& p) { return ResetRig(p, 12); }));
    const Plan after = document.GetPlan();
    EXPECT_EQ(after.cameras.size(), 12u);
    EXPECT_EQ(document.History().UndoName(), "Camera count");

    ASSERT_TRUE(document.Undo());
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(document.GetPlan(), start);
    EXPECT_FALSE(document.Undo());
    ASSERT_TRUE(document.Redo());
    ASSERT_TRUE(document.Redo());
    EXPECT_EQ(document.GetPlan(), after);
    EXPECT_EQ(heard, (std::vector<PlanChange::Kind>{PlanChange::Kind::Edited, PlanChange::Kind::Edited,
                                                    PlanChange::Kind::Undone, PlanChange::Kind::Undone,
                                                    PlanChange::Kind::Redone, PlanChange::Kind::Redone}));

    // A new step drops what could be redone.
    ASSERT_TRUE(document.GoTo(1));
    ASSERT_FALSE(document.Apply("Camera count", [](Plan& p) { return ResetRig(p, 6); }));
    EXPECT_FALSE(document.History().CanRedo());
    EXPECT_EQ(document.History().StepCount(), 3u);
    document.Unsubscribe(key);
}

TEST_F(PlanDocumentTest, ARefusedOrEmptyEditTakesNoStep)
{
    CPlanDocument document(StagePlan());
    const Plan start = document.GetPlan();
    int heard = 0;
    document.Subscribe([&heard](const PlanChange&) { ++heard; });

    const auto refused = document.Apply("Room change", [](Plan& p) {
        RoomValues room = RoomValuesOf(p);
        room.voxelCm = -1.0f;
        return SetRoom(p, room);
    });
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->find("Voxel Size"), std::string::npos) << *refused;
    // An edit that breaks the plan is refused even when the edit itself says nothing.
    EXPECT_TRUE(document.Apply("Range", [](Plan& p) {
        p.rangeCount = 99;
        return std::nullopt;
    }));
    EXPECT_FALSE(document.Apply("Nothing", [](Plan&) { return std::nullopt; }));
    EXPECT_EQ(document.GetPlan(), start);
    EXPECT_FALSE(document.History().CanUndo());
    EXPECT_EQ(heard, 0);
}

TEST_F(PlanDocumentTest, TheUnsavedMarkFollowsTheSavedPlanNotTheView)
{
    // A plan without a rig holds nothing to save; an untitled one with a rig is unsaved.
    CPlanDocument document;
    EXPECT_FALSE(document.IsModified());
    EXPECT_EQ(document.Title(), "Untitled plan");
    ASSERT_FALSE(document.Apply("Camera count", [](Plan& p) { return ResetRig(p, 5); }));
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(document.Title(), "Untitled plan*");

    const SaveResult saved = document.SaveAs(File("stage.vplan"));
    ASSERT_TRUE(saved) << saved.reason;
    EXPECT_FALSE(document.IsModified());
    EXPECT_EQ(document.Title(), "stage.vplan");
    // What the window shows is saved with the plan but changes nothing to save.
    ASSERT_FALSE(document.Apply("View", [](Plan& p) {
        p.window = ProjectWindowState{};
        p.window->zoom = -3.0f;
        return std::nullopt;
    }));
    EXPECT_FALSE(document.IsModified());
    // Undoing back to what was saved is as saved.
    ASSERT_FALSE(document.Apply("Camera count", [](Plan& p) { return ResetRig(p, 7); }));
    EXPECT_TRUE(document.IsModified());
    document.Undo();
    EXPECT_FALSE(document.IsModified());
}

TEST_F(PlanDocumentTest, OpenAndSaveKeepEverythingOrNothing)
{
    CPlanDocument document(StagePlan(6));
    ASSERT_TRUE(document.SaveAs(File("a.vplan")));
    const std::string text = ProjectText(document.GetPlan());

    CPlanDocument other;
    ASSERT_FALSE(other.Apply("Camera count", [](Plan& p) { return ResetRig(p, 3); }));
    std::ofstream(File("broken.vplan"))
        << "{\"format\": \"volume-planner-project\", \"version\": \"1.0\", \"room\": 3}";
    const Plan before = other.GetPlan();
    const auto refused = other.Open(File("broken.vplan"));
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->find("broken.vplan"), std::string::npos) << *refused;
    EXPECT_EQ(other.GetPlan(), before);
    EXPECT_TRUE(other.History().CanUndo());

    ASSERT_FALSE(other.Open(File("a.vplan")));
    EXPECT_EQ(ProjectText(other.GetPlan()), text);
    EXPECT_FALSE(other.History().CanUndo());
    EXPECT_FALSE(other.IsModified());

    // A plan without a rig cannot be saved, and saying so writes nothing.
    CPlanDocument empty;
    const SaveResult refusedSave = empty.SaveAs(File("empty.vplan"));
    EXPECT_FALSE(refusedSave);
    EXPECT_FALSE(fs::exists(File("empty.vplan")));
    // A failed save keeps the plan's file and its unsaved mark, and says why.
    ASSERT_FALSE(other.Apply("Camera count", [](Plan& p) { return ResetRig(p, 9); }));
    const SaveResult failed = other.SaveAs(File("no-such-folder/a.vplan"));
    EXPECT_FALSE(failed);
    EXPECT_FALSE(failed.reason.empty());
    EXPECT_TRUE(other.IsModified());
    EXPECT_EQ(other.Path(), File("a.vplan"));
    EXPECT_EQ(ReadProjectFile(File("a.vplan")).plan->cameras.size(), 6u);
}

TEST_F(PlanDocumentTest, MeshPathsFollowTheProjectsFolder)
{
    const fs::path folder = m_dir / "stage";
    fs::create_directories(folder / "meshes");
    Plan plan = StagePlan(4);
    ObstacleMesh mesh;
    mesh.name = "table";
    mesh.file = (folder / "meshes" / "table.obj").string();
    mesh.offset = {5.0, 0.0, 5.0};
    mesh.mesh =
        std::make_shared<const MeshTriangles>(MeshTriangles{{{Vec3d{0, 0, 0}, Vec3d{1, 0, 0}, Vec3d{0, 1, 0}}}});
    plan.obstacles.meshes.push_back(mesh);
    ASSERT_TRUE(WriteProjectFile((folder / "plan.vplan").string(), plan));
    const std::string text = [&] {
        std::ifstream in(folder / "plan.vplan");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    EXPECT_NE(text.find("\"meshes/table.obj\""), std::string::npos);

    // Moved with its meshes, the plan reads its mesh from the new place.
    const fs::path moved = m_dir / "moved";
    fs::rename(folder, moved);
    const ProjectReadResult read = ReadProjectFile((moved / "plan.vplan").string());
    ASSERT_TRUE(read.plan) << read.error;
    EXPECT_EQ(read.plan->obstacles.meshes[0].file, (moved / "meshes" / "table.obj").string());
}

TEST(PlanEditsTest, EnterKeepsTheRoomAndNoCameraStandsInsideAnObstacle)
{
    Plan plan = StagePlan(4);
    RoomValues room = RoomValuesOf(plan);
    room.unit = "ft";
    room.length = 30.0f;
    ASSERT_FALSE(SetRoom(plan, room));
    EXPECT_EQ(plan.unit, "ft");
    EXPECT_FLOAT_EQ(plan.length, 30.0f * kMetresPerFoot);

    // A set piece in the middle of the room, where the default rig stacks its extra cameras.
    CObstacleSet obstacles;
    ASSERT_FALSE(obstacles.AddBox({"set", {2.0, 0.0, 3.0}, {7.0, 3.0, 7.0}}));
    ASSERT_FALSE(ResetRig(plan, 8, &obstacles));
    EXPECT_FLOAT_EQ(plan.length, 30.0f * kMetresPerFoot);
    EXPECT_EQ(plan.cameras.size(), 8u);
    EXPECT_EQ(plan.rangeCount, 8u);
    EXPECT_EQ(plan.isoThreshold, 8u);
    for (size_t i = 0; i < plan.cameras.size(); ++i) {
        const PlanCamera& c = plan.cameras[i];
        const bool inside = c.x >= 2.0 && c.x <= 7.0 && c.y >= 0.0 && c.y <= 3.0 && c.z >= 3.0 && c.z <= 7.0;
        EXPECT_FALSE(inside) << "camera " << i + 1 << " at " << c.x << ", " << c.y << ", " << c.z;
        EXPECT_FALSE(CheckCameraPlace(c, plan));
    }
    // Without obstacles the rig is the classic one: the extra cameras at the centre.
    Plan classic = StagePlan(8);
    EXPECT_FLOAT_EQ(classic.cameras[5].x, 6.0f);
    EXPECT_FLOAT_EQ(classic.cameras[5].y, 2.0f);
}

TEST(PlanEditsTest, ImplausiblePlacesAreRefusedNamingWhatIsWrong)
{
    Plan plan = StagePlan(4);
    PlanCamera far = plan.cameras[0];
    far.x = 1e9;
    const auto refused = SetCamera(plan, 0, far);
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->find("camera 1"), std::string::npos) << *refused;
    far.x = 21.9;
    EXPECT_FALSE(SetCamera(plan, 0, far));
    EXPECT_TRUE(CheckPlan(plan) == std::nullopt);

    // A room that would leave that camera far outside is refused, the plan kept.
    const Plan before = plan;
    RoomValues room = RoomValuesOf(plan);
    room.length = 5.0f;
    EXPECT_TRUE(SetRoom(plan, room));
    EXPECT_EQ(plan, before);
    room.length = 1e9f;
    const auto tooLong = SetRoom(plan, room);
    ASSERT_TRUE(tooLong);
    EXPECT_NE(tooLong->find("Room Length"), std::string::npos) << *tooLong;
}

TEST(PlanEditsTest, RigsReplacedOrAddedKeepTheCriteriaWithinTheRig)
{
    Plan plan = StagePlan(8);
    plan.resolutionCamera = 7;
    std::vector<PlanCamera> three(plan.cameras.begin(), plan.cameras.begin() + 3);
    ASSERT_FALSE(ReplaceCameras(plan, three));
    EXPECT_EQ(plan.rangeCount, 3u);
    EXPECT_EQ(plan.isoThreshold, 3u);
    EXPECT_EQ(plan.resolutionCamera, 1u);
    EXPECT_FALSE(CheckPlan(plan));
    ASSERT_FALSE(AddCameras(plan, three));
    EXPECT_EQ(plan.cameras.size(), 6u);
    EXPECT_EQ(plan.rangeCount, 6u);
    EXPECT_FALSE(CheckPlan(plan));
    EXPECT_TRUE(ReplaceCameras(plan, {}));
}

TEST(PlanDocumentComputationTest, TheControllerComputesThePlanAsTheCommandLineDoes)
{
    CPlanDocument document(StagePlan(8));
    document.RequestComputation();
    CCoverageController& controller = document.Controller();
    controller.RunCoverageStage(document.Flags());
    controller.ResultListsCompiled(document.Flags());
    ASSERT_TRUE(controller.GetVolume().HasResults());

    CoverageInput input = CoverageInputOf(document.GetPlan());
    CCoverageVolume volume;
    ASSERT_EQ(volume.BuildGrid(input), CCoverageVolume::GridStatus::Ok);
    ASSERT_EQ(volume.ComputeCoverage(input), CCoverageVolume::GridStatus::Ok);
    ASSERT_EQ(volume.GetVoxelCount(), controller.GetVolume().GetVoxelCount());
    for (size_t t = 0; t < volume.GetVoxelCount(); ++t)
        ASSERT_EQ(volume.SeenCount(t), controller.GetVolume().SeenCount(t)) << t;
    EXPECT_EQ(controller.GetComputedInput().roomLength, 12.0f);
}

} // namespace
