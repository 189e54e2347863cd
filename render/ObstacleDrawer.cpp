#include "render/ObstacleDrawer.h"

#include "cameras/CameraSet.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "render/SolidBox.h"

#include <GL/gl.h>

#include <algorithm>

namespace
{

Vec3d Cross(const Vec3d& a, const Vec3d& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

} // namespace

void CObstacleDrawer::Draw(bool seeThrough) const
{
    const CCameraSet* set = CCameraSet::Current();
    if (!m_pObstacles || m_pObstacles->IsEmpty() || !set)
        return;
    GLint polygonMode[2];
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    glPolygonMode(GL_FRONT_AND_BACK, seeThrough ? GL_LINE : GL_FILL);
    glColor3dv(kColor);
    for (const ObstacleBox& box : m_pObstacles->GetBoxes()) {
        const Vec3d a = set->FromUser(box.min), b = set->FromUser(box.max);
        DrawSolidBox(static_cast<float>((a.x + b.x) * 0.5), static_cast<float>((a.y + b.y) * 0.5),
                     static_cast<float>((a.z + b.z) * 0.5), static_cast<float>(std::abs(b.x - a.x) * 0.5),
                     static_cast<float>(std::abs(b.y - a.y) * 0.5), static_cast<float>(std::abs(b.z - a.z) * 0.5), true,
                     true);
    }
    // A mesh's winding is the file's, and the user frame's mirrored z
    // turns it round: both sides are lit.
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    for (size_t m = 0; m < m_pObstacles->GetMeshes().size(); ++m) {
        glBegin(GL_TRIANGLES);
        for (const auto& triangle : m_pObstacles->PlacedTriangles(m)) {
            const Vec3d p[3] = {set->FromUser(triangle[0]), set->FromUser(triangle[1]), set->FromUser(triangle[2])};
            Vec3d n = Cross(p[1] - p[0], p[2] - p[0]);
            n.Normalize();
            glNormal3d(n.x, n.y, n.z);
            for (const Vec3d& v : p)
                glVertex3d(v.x, v.y, v.z);
        }
        glEnd();
    }
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    glPolygonMode(GL_FRONT, static_cast<GLenum>(polygonMode[0]));
    glPolygonMode(GL_BACK, static_cast<GLenum>(polygonMode[1]));
}
