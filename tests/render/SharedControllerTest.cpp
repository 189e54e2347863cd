// The renderer draws what a controller holds: a controller computes with no
// GL context at all, and its volume's lists are compiled at once or a share
// at a time by the list queue.
#include "GlTestSupport.h"

#include "cameras/CameraSet.h"
#include "classic/ClassicParameters.h"
#include "classic/ClassicState.h"
#include "coverage/CoverageController.h"
#include "classic/SharedScene.h"
#include "render/RoomModel.h"
#include "render/SceneRenderer.h"
#include "render/VolumeListQueue.h"
#include "render/VolumeLists.h"
#include "scene/SceneSettings.h"

#include <memory>

namespace
{

class SharedControllerTest : public CGlPixelTest
{
  protected:
    void SetUp() override
    {
        CGlPixelTest::SetUp();
        if (HasFatalFailure())
            return;
        m_scene = std::make_unique<CSharedScene>();
        Settings().SetCameraCount(4);
        CRoomModel room;
        room.Update();
        CCameraSet& cameras = CCameraSet::Instance();
        cameras.Allocate();
        cameras.SetDefaults(room);
        SetIsoThreshold(4);
        SetVoxelSize(10.0f);
    }

    void TearDown() override
    {
        CGlPixelTest::TearDown();
        m_scene.reset();
        ResetCoverageParameters();
    }

    static SceneSettings& Settings() { return *GetSceneSettings(); }

    std::unique_ptr<CSharedScene> m_scene;
};

} // namespace

TEST_F(SharedControllerTest, AVolumeComputedBeforeTheRendererIsDrawnAsOneComputedInTheFrame)
{
    CCoverageController controller(ClassicCoverageSource());
    Settings().SetRecalculate(true);
    controller.RunCoverageStage(Settings());
    controller.RunPlanningStage(Settings());
    ASSERT_TRUE(controller.GetVolume().HasResults());

    auto renderer = std::make_unique<CSceneRenderer>(controller);
    renderer->InitGL();
    renderer->Render();
    EXPECT_TRUE(renderer->GetVolumeLists().IsBuilt());
    const CFrameImage taken = Frame();

    Settings().SetRecalculate(true);
    renderer->Render();
    EXPECT_EQ(controller.GetVolumeGeneration(), 2u);
    const CFrameImage computed = Frame();
    int differences = 0;
    for (int y = 0; y < computed.m_nHeight; ++y)
        for (int x = 0; x < computed.m_nWidth; ++x)
            differences += taken.Pixel(x, y) != computed.Pixel(x, y);
    EXPECT_EQ(differences, 0);

    // The shared scene is the caller's: it outlives a renderer that was given its controller.
    renderer->ReleaseGL();
    renderer.reset();
    EXPECT_NE(GetSceneSettings(), nullptr);
    EXPECT_NE(CCameraSet::Current(), nullptr);
}

TEST_F(SharedControllerTest, TheListQueueCompilesEveryListOnceAndSaysWhenItHasDrained)
{
    CCoverageController controller(ClassicCoverageSource());
    Settings().SetRecalculate(true);
    controller.RunCoverageStage(Settings());
    const CCoverageVolume& volume = controller.GetVolume();
    ASSERT_GT(CVolumeLists::ListCount(volume, VolumeDisplay::Map), 1u);

    CVolumeLists lists;
    int drained = 0;
    CVolumeListQueue queue(lists, [&drained] { ++drained; });
    lists.Start(volume);
    EXPECT_EQ(queue.GetProgress(), 0.0);
    queue.Queue(volume, VolumeDisplay::Map, VoxelFaces::Outer);
    EXPECT_TRUE(queue.IsCompiling());
    EXPECT_FALSE(lists.IsCompiled(volume, VolumeDisplay::Map, VoxelFaces::Outer));
    while (queue.IsCompiling())
        queue.CompileSome(volume);
    EXPECT_EQ(drained, 1);
    EXPECT_EQ(queue.GetProgress(), 0.0);
    EXPECT_TRUE(lists.IsCompiled(volume, VolumeDisplay::Map, VoxelFaces::Outer));

    // A display first drawn: compiled at once, or queued and (a small one) all in with that frame.
    queue.Draw(volume, VolumeDisplay::CountLayers, VoxelFaces::Outer, false);
    EXPECT_TRUE(lists.IsCompiled(volume, VolumeDisplay::CountLayers, VoxelFaces::Outer));
    EXPECT_EQ(drained, 1);
    queue.Draw(volume, VolumeDisplay::Selective, VoxelFaces::Every, true);
    EXPECT_TRUE(lists.IsCompiled(volume, VolumeDisplay::Selective, VoxelFaces::Every));
    EXPECT_FALSE(queue.IsCompiling());
    EXPECT_EQ(drained, 2);
    // Drawn again, nothing is missing and nothing is compiled.
    queue.Draw(volume, VolumeDisplay::Selective, VoxelFaces::Every, true);
    EXPECT_EQ(drained, 2);
    lists.DeleteLists();
}
