#include "render/PlacementDrawer.h"

#include "cameras/CameraSet.h"
#include "coverage/FrustumEdges.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace
{

constexpr double kEdgeLengthM = 1.0;
constexpr double kAxisLengthM = 1.5;
constexpr double kSphereRadiusM = 0.12;

void Line(const Vec3d& a, const Vec3d& b)
{
    glVertex3d(a.x, a.y, a.z);
    glVertex3d(b.x, b.y, b.z);
}

Vec3d Along(const Vec3d& from, const Vec3d& direction, double length)
{
    const Vec3d d = Normalized(direction);
    return {from.x + d.x * length, from.y + d.y * length, from.z + d.z * length};
}

void DrawBoxOutline(const CCameraSet& set, const TargetBox& box)
{
    Vec3d corner[8];
    for (int k = 0; k < 8; ++k)
        corner[k] =
            set.FromUser({k & 1 ? box.max.x : box.min.x, k & 2 ? box.max.y : box.min.y, k & 4 ? box.max.z : box.min.z});
    // Corners differing in one bit share an edge.
    for (int k = 0; k < 8; ++k)
        for (const int bit : {1, 2, 4})
            if (!(k & bit))
                Line(corner[k], corner[k | bit]);
}

} // namespace

CPlacementDrawer::CPlacementDrawer() : m_quadric(gluNewQuadric()) {}

CPlacementDrawer::~CPlacementDrawer()
{
    if (m_quadric)
        gluDeleteQuadric(m_quadric);
}

void CPlacementDrawer::Draw() const
{
    const CCameraSet* set = CCameraSet::Current();
    if (!m_pPreview || !set || !m_quadric)
        return;
    const Vec3d origin{set->GetUserOriginX(), set->GetUserOriginY(), set->GetUserOriginZ()};
    // Smoothed lines lose their colour on some drivers; these must read as the preview's.
    const GLboolean smooth = glIsEnabled(GL_LINE_SMOOTH);
    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_LIGHTING);
    glColor3dv(kTargetColor);
    glBegin(GL_LINES);
    for (const TargetBox& box : m_pPreview->target)
        DrawBoxOutline(*set, box);
    glEnd();
    for (const PlacedCamera& camera : m_pPreview->cameras) {
        const Vec3d p = InternalPosition(camera.pose.position, origin);
        glEnable(GL_LIGHTING);
        glColor3dv(kCameraColor);
        glPushMatrix();
        glTranslated(p.x, p.y, p.z);
        gluQuadricNormals(m_quadric, GLU_SMOOTH);
        gluSphere(m_quadric, kSphereRadiusM, 24, 24);
        glPopMatrix();
        glDisable(GL_LIGHTING);
        const auto [hFov, vFov] = FieldsOfView(camera.model);
        const FrustumEdges edges = AimedFrustumEdges({hFov, vFov, camera.pose.hTilt, camera.pose.vTilt, 0.0f});
        glBegin(GL_LINES);
        for (const Vec3d& edge : {edges.hPlus, edges.hMinus, edges.vPlus, edges.vMinus})
            Line(p, Along(p, edge, kEdgeLengthM));
        // The vertical edges lie symmetric about the optical axis.
        Line(p, Along(p, edges.vPlus + edges.vMinus, kAxisLengthM));
        glEnd();
    }
    if (smooth)
        glEnable(GL_LINE_SMOOTH);
    glEnable(GL_LIGHTING);
    glColor3d(1.0, 1.0, 1.0);
}
