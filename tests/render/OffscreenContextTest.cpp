#include "GlTestSupport.h"

#include "render/OffscreenContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>

namespace
{

void DrawQuad(double x0, double y0, double x1, double y1, double z, const double* rgb)
{
    glColor3dv(rgb);
    glBegin(GL_QUADS);
    glVertex3d(x0, y0, z);
    glVertex3d(x1, y0, z);
    glVertex3d(x1, y1, z);
    glVertex3d(x0, y1, z);
    glEnd();
}

const double kRed[3] = {1.0, 0.0, 0.0};
const double kGreen[3] = {0.0, 1.0, 0.0};

// Both ways of drawing without a window must give a compatibility profile,
// a depth buffer and rows read back bottom-up.
class OffscreenContextSurface : public ::testing::TestWithParam<bool>
{
};

TEST_P(OffscreenContextSurface, DrawsFixedFunctionWithDepthAndReadsBackBottomUp)
{
    COffscreenContext context;
    ASSERT_TRUE(context.Create(1000, 725, GetParam())) << context.GetError();
    EXPECT_EQ(context.GetSurface(),
              GetParam() ? COffscreenContext::ESurface::Framebuffer : COffscreenContext::ESurface::Pbuffer);
    EXPECT_NE(std::strstr(reinterpret_cast<const char*>(glGetString(GL_VERSION)), "Compatibility"), nullptr);

    glClearColor(0.2f, 0.2f, 0.2f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    // The near green quad is drawn first: only a working depth buffer keeps
    // the far red one from covering it. Green covers the lower-left quarter
    // of the frame, red the centre.
    DrawQuad(-1.0, -1.0, 0.0, 0.0, -0.5, kGreen);
    DrawQuad(-0.5, -0.5, 0.5, 0.5, 0.5, kRed);
    glDisable(GL_DEPTH_TEST);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const CFrameImage frame = context.ReadPixels();
    ASSERT_EQ(frame.m_nWidth, 1000);
    ASSERT_EQ(frame.m_nHeight, 725);
    EXPECT_TRUE(PixelNear(frame, 400, 300, {0, 255, 0}, 0)) << "overlap: the near quad must win";
    EXPECT_TRUE(PixelNear(frame, 10, 10, {0, 255, 0}, 0));
    EXPECT_TRUE(PixelNear(frame, 600, 450, {255, 0, 0}, 0));
    EXPECT_TRUE(IsBackground(frame, 990, 10));
    EXPECT_TRUE(IsBackground(frame, 10, 715));
    EXPECT_EQ(frame.Pixel(600, 450)[3], 255);
}

INSTANTIATE_TEST_SUITE_P(PbufferAndFramebuffer, OffscreenContextSurface, ::testing::Bool());

TEST(OffscreenContext, ContextsOnTheSameDisplayOutliveEachOther)
{
    COffscreenContext first;
    ASSERT_TRUE(first.Create()) << first.GetError();
    {
        COffscreenContext second;
        ASSERT_TRUE(second.Create(64, 32)) << second.GetError();
        EXPECT_EQ(second.ReadPixels().m_nWidth, 64);
    }
    // Destroying the second context must not take the shared display away.
    ASSERT_TRUE(first.MakeCurrent());
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_TRUE(PixelNear(first.ReadPixels(), 500, 300, {255, 0, 0}, 0));
}

TEST(OffscreenContext, FailuresAreReportedAndLeaveNothingCurrent)
{
    COffscreenContext context;
    EXPECT_FALSE(context.Create(0, 725));
    EXPECT_FALSE(context.IsValid());
    EXPECT_NE(context.GetError().find("size"), std::string::npos);
    EXPECT_FALSE(context.MakeCurrent());
    EXPECT_TRUE(context.ReadPixels().IsEmpty());

    // A frame is only read from the context it belongs to.
    ASSERT_TRUE(context.Create(16, 16)) << context.GetError();
    EXPECT_TRUE(context.GetError().empty());
    context.ReleaseCurrent();
    EXPECT_TRUE(context.ReadPixels().IsEmpty());
}

} // namespace
