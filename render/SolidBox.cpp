#include "render/SolidBox.h"

#include "scene/Vec3d.h"

#include <GL/gl.h>

const unsigned int kSolidBoxIndices[24] = {
    0, 1, 2, 3, // z = +hz
    4, 5, 6, 7, // z = -hz
    0, 3, 7, 4, // x = -hx
    1, 2, 6, 5, // x = +hx
    0, 1, 5, 4, // y = -hy
    3, 2, 6, 7, // y = +hy
};

namespace
{

// Each face's normal is (a - o) x (b - o) for three of its corners, ordered
// so that it points into the box; its length is four times the product of
// the face's half extents, so larger faces weigh more at a corner.
struct FaceCorners {
    int o, a, b;
};
constexpr FaceCorners kFaceCorners[6] = {{0, 3, 1}, {4, 5, 7}, {0, 4, 3}, {1, 2, 5}, {0, 1, 4}, {3, 7, 2}};

// The faces meeting at each corner, by face index: its z, x and y face.
constexpr int kCornerFaces[8][3] = {{0, 2, 4}, {0, 3, 4}, {0, 3, 5}, {0, 2, 5},
                                    {1, 2, 4}, {1, 3, 4}, {1, 3, 5}, {1, 2, 5}};

constexpr int kCornerSigns[8][3] = {{-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1},
                                    {-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}};

Vec3d Cross(const Vec3d& u, const Vec3d& v)
{
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

} // namespace

CSolidBoxArrays ComputeSolidBoxArrays(float x, float y, float z, float hx, float hy, float hz, bool outward)
{
    const double centre[3] = {x, y, z};
    const double half[3] = {hx, hy, hz};
    CSolidBoxArrays arrays{};
    Vec3d corners[8];
    for (int k = 0; k < 8; ++k) {
        double* c = &arrays.m_corners[3 * k];
        for (int axis = 0; axis < 3; ++axis)
            c[axis] = kCornerSigns[k][axis] < 0 ? centre[axis] - half[axis] : centre[axis] + half[axis];
        corners[k] = {c[0], c[1], c[2]};
    }
    Vec3d faceNormals[6];
    for (int f = 0; f < 6; ++f) {
        const Vec3d& o = corners[kFaceCorners[f].o];
        faceNormals[f] = Cross(corners[kFaceCorners[f].a] - o, corners[kFaceCorners[f].b] - o);
    }
    for (int k = 0; k < 8; ++k) {
        Vec3d n = faceNormals[kCornerFaces[k][0]] + faceNormals[kCornerFaces[k][1]] + faceNormals[kCornerFaces[k][2]];
        n = {n.x * 0.3333333333333333, n.y * 0.3333333333333333, n.z * 0.3333333333333333};
        n.Normalize();
        const double sign = outward ? -1.0 : 1.0;
        arrays.m_normals[3 * k] = sign * n.x;
        arrays.m_normals[3 * k + 1] = sign * n.y;
        arrays.m_normals[3 * k + 2] = sign * n.z;
    }
    return arrays;
}

void DrawSolidBox(float x, float y, float z, float hx, float hy, float hz, bool withNormals, bool outward)
{
    const CSolidBoxArrays arrays = ComputeSolidBoxArrays(x, y, z, hx, hy, hz, outward);
    if (withNormals)
        glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_DOUBLE, 0, arrays.m_corners);
    if (withNormals)
        glNormalPointer(GL_DOUBLE, 0, arrays.m_normals);
    glDrawElements(GL_QUADS, 24, GL_UNSIGNED_INT, kSolidBoxIndices);
    glDisableClientState(GL_VERTEX_ARRAY);
    if (withNormals)
        glDisableClientState(GL_NORMAL_ARRAY);
}
