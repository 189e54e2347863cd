// The renderer's GL objects belong to the context it was initialised in: they
// go with ReleaseGL while that context is current, or with the context
// itself; a renderer destroyed afterwards must touch no other context.
#include "GlTestSupport.h"

#include "cameras/CameraSet.h"
#include "classic/ClassicParameters.h"
#include "coverage/CoverageVolume.h"
#include "render/BitmapText.h"
#include "render/SceneRenderer.h"
#include "render/VolumeLists.h"
#include "scene/DrawColor.h"
#include "scene/SceneSettings.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>

namespace
{

class RendererLifetime : public ::testing::Test
{
  protected:
    void SetUp() override { m_nSavedThreshold = g_nIsoThreshold; }
    void TearDown() override { g_nIsoThreshold = m_nSavedThreshold; }

    // The default four-camera rig, computed and drawn once in the current context.
    static std::unique_ptr<CSceneRenderer> ComputedRenderer()
    {
        CreateSceneSettings();
        GetSceneSettings()->SetCameraCount(4);
        auto renderer = std::make_unique<CSceneRenderer>();
        renderer->InitGL();
        renderer->ResetCameras();
        SetIsoThreshold(4);
        GetSceneSettings()->SetRecalculate(true);
        renderer->Render();
        return renderer;
    }

  private:
    unsigned m_nSavedThreshold = 0;
};

TEST_F(RendererLifetime, OutlivingItsContextIsHarmlessAndANewOneDrawsAgain)
{
    std::unique_ptr<CSceneRenderer> renderer;
    {
        COffscreenContext context;
        ASSERT_TRUE(context.Create()) << context.GetError();
        renderer = ComputedRenderer();
        ASSERT_TRUE(renderer->GetVolumeLists().IsBuilt());
    }
    // No context is current now: the deletions reach nothing.
    renderer.reset();
    EXPECT_EQ(GetSceneSettings(), nullptr);
    EXPECT_EQ(CCameraSet::Current(), nullptr);
    EXPECT_EQ(GetDrawColor(), nullptr);
    EXPECT_EQ(g_nFontListBase, 0u);

    COffscreenContext context;
    ASSERT_TRUE(context.Create()) << context.GetError();
    renderer = ComputedRenderer();
    const CFrameImage frame = context.ReadPixels();
    // The violet square of the legend and the first status line.
    EXPECT_TRUE(PixelNear(frame, 900, 45, ToRgb8(GetDrawColor()->DarkViolet()), 1));
    EXPECT_GT(CountPixelsNear(frame, 5, 709, 200, 722, kBackgroundRgb8, 3), 0);
    EXPECT_LT(CountPixelsNear(frame, 5, 709, 200, 722, kBackgroundRgb8, 3), 196 * 14);
    renderer->ReleaseGL();
    renderer.reset();
}

TEST_F(RendererLifetime, ReleasedRendererLeavesTheListsOfTheNextContextAlone)
{
    COffscreenContext first;
    ASSERT_TRUE(first.Create()) << first.GetError();
    auto renderer = ComputedRenderer();
    const GLuint highest = renderer->GetVolumeLists().GetCountListBase() + 25;
    renderer->ReleaseGL();

    // A second context hands out the same names for lists of its own.
    COffscreenContext second;
    ASSERT_TRUE(second.Create()) << second.GetError();
    const GLuint base = glGenLists(static_cast<GLsizei>(highest));
    ASSERT_EQ(base, 1u);
    for (GLuint name = base; name <= highest; ++name) {
        glNewList(name, GL_COMPILE);
        glEndList();
    }
    renderer.reset();
    for (GLuint name = base; name <= highest; ++name)
        ASSERT_TRUE(glIsList(name)) << "list " << name << " of the second context was deleted";
    glDeleteLists(base, static_cast<GLsizei>(highest));
}

} // namespace
