#include "GlTestSupport.h"

#include "render/SolidBox.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

namespace
{

struct CornerCase {
    const char* name;
    float hx, hy, hz;
    bool outward;
    int corner;
    double corner0[3]; // corner k's position
    double normal[3];  // its normal
};

TEST(SolidBoxArrays, CornerPositionsAndNormals)
{
    const double s = 1.0 / std::sqrt(3.0);
    const CornerCase cases[] = {
        {"corner 0 leans to the largest face", 1, 2, 3, true, 0, {-1, -2, 3}, {-6.0 / 7, -3.0 / 7, 2.0 / 7}},
        {"corner 6 is its mirror", 1, 2, 3, true, 6, {1, 2, -3}, {6.0 / 7, 3.0 / 7, -2.0 / 7}},
        {"inward normals are negated", 1, 2, 3, false, 0, {-1, -2, 3}, {6.0 / 7, 3.0 / 7, -2.0 / 7}},
        {"a cube's corners point along the diagonals", 0.5f, 0.5f, 0.5f, true, 5, {0.5, -0.5, -0.5}, {s, -s, -s}},
        {"a flat slab's front corner points straight out of it", 2, 1, 0, true, 3, {-2, 1, 0}, {0, 0, 1}},
        {"a flat slab's back corner points the other way", 2, 1, 0, true, 5, {2, -1, 0}, {0, 0, -1}},
        {"a line has zero normals", 2, 0, 0, true, 1, {2, 0, 0}, {0, 0, 0}},
        {"a point has zero normals", 0, 0, 0, false, 7, {0, 0, 0}, {0, 0, 0}},
    };
    for (const CornerCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CSolidBoxArrays box = ComputeSolidBoxArrays(0, 0, 0, c.hx, c.hy, c.hz, c.outward);
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_EQ(box.m_corners[3 * c.corner + axis], c.corner0[axis]);
            EXPECT_NEAR(box.m_normals[3 * c.corner + axis], c.normal[axis], 1e-15);
        }
    }
}

TEST(SolidBoxArrays, CornersAreComputedInDoubleFromTheFloatArguments)
{
    // In float, 0.1f + 0.05f rounds; the corner must keep the exact sum.
    const CSolidBoxArrays box = ComputeSolidBoxArrays(0.1f, -7.3f, 1e6f, 0.05f, 0.05f, 0.05f, true);
    EXPECT_EQ(box.m_corners[3 * 1 + 0], static_cast<double>(0.1f) + static_cast<double>(0.05f));
    EXPECT_EQ(box.m_corners[3 * 0 + 1], static_cast<double>(-7.3f) - static_cast<double>(0.05f));
    EXPECT_EQ(box.m_corners[3 * 4 + 2], static_cast<double>(1e6f) - static_cast<double>(0.05f));
    // Every face of the box, seen from the indices: one coordinate is constant over its four corners.
    for (int face = 0; face < 6; ++face) {
        const int axis = face < 2 ? 2 : face < 4 ? 0 : 1;
        const double first = box.m_corners[3 * kSolidBoxIndices[4 * face] + axis];
        for (int i = 1; i < 4; ++i)
            EXPECT_EQ(box.m_corners[3 * kSolidBoxIndices[4 * face + i] + axis], first) << "face " << face;
    }
}

// One window pixel per unit; the depth range holds the boxes drawn here.
class SolidBox : public CGlPixelTest
{
  protected:
    void SetUp() override
    {
        CGlPixelTest::SetUp();
        glMatrixMode(GL_PROJECTION);
        glOrtho(0.0, Context().GetWidth(), 0.0, Context().GetHeight(), -200.0, 200.0);
        glMatrixMode(GL_MODELVIEW);
    }
};

TEST_F(SolidBox, ReplayedFromADisplayListItCoversExactlyItsRectangle)
{
    // Compiled into a list as the volume displays are, then replayed after
    // the function's arrays are gone.
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glColor3d(0.0, 0.0, 1.0);
    DrawSolidBox(500.0f, 300.0f, 0.0f, 50.0f, 20.0f, 10.0f, true, true);
    glEndList();
    EXPECT_TRUE(IsBackground(Frame(), 500, 300)) << "compiling must not draw";
    glCallList(list);
    glDeleteLists(list, 1);

    const CFrameImage frame = Frame();
    const CRgb8 blue{0, 0, 255};
    EXPECT_EQ(CountPixelsNear(frame, 450, 280, 549, 319, blue, 0), 100 * 40);
    EXPECT_EQ(CountPixelsNear(frame, 0, 0, 999, 724, blue, 0), 100 * 40);
    GLboolean vertexArray = GL_TRUE;
    GLboolean normalArray = GL_TRUE;
    glGetBooleanv(GL_VERTEX_ARRAY, &vertexArray);
    glGetBooleanv(GL_NORMAL_ARRAY, &normalArray);
    EXPECT_FALSE(vertexArray);
    EXPECT_FALSE(normalArray);
}

TEST_F(SolidBox, NormalsReachTheLightOnlyWhenAskedFor)
{
    // Light from the viewer: outward normals on the front face catch it,
    // inward ones leave only the ambient part.
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_NORMALIZE);
    glColor3d(1.0, 1.0, 1.0);
    glNormal3d(0.0, 0.0, -1.0); // the caller's normal faces away from the light
    DrawSolidBox(200.0f, 300.0f, 0.0f, 40.0f, 40.0f, 40.0f, true, true);
    DrawSolidBox(400.0f, 300.0f, 0.0f, 40.0f, 40.0f, 40.0f, true, false);
    DrawSolidBox(600.0f, 300.0f, 0.0f, 40.0f, 40.0f, 40.0f, false, true);
    GLdouble normal[4] = {};
    glGetDoublev(GL_CURRENT_NORMAL, normal);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_NORMALIZE);

    const CFrameImage frame = Frame();
    const int outward = frame.Pixel(200, 300)[0];
    const int inward = frame.Pixel(400, 300)[0];
    const int without = frame.Pixel(600, 300)[0];
    EXPECT_GT(outward, 150); // ambient 0.2 plus the diffuse part along (1, 1, 1) / sqrt(3)
    EXPECT_LT(inward, 80);
    // Without normals the box is lit with the caller's normal, which is left as it was.
    EXPECT_EQ(without, inward);
    EXPECT_EQ(normal[2], -1.0);
}

} // namespace
