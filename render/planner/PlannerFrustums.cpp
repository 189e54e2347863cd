#include "render/planner/PlannerFrustums.h"

#include "coverage/FrustumEdges.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

constexpr double kSameDirection = 1.0 - 1e-9;

Vec3d Scaled(const Vec3d& v, double k)
{
    return {v.x * k, v.y * k, v.z * k};
}

void Vertex(const Vec3d& v)
{
    glVertex3d(v.x, v.y, v.z);
}

} // namespace

std::optional<Vec3d> PyramidAxis(const Vec3d& hPlus, const Vec3d& hMinus, const Vec3d& vPlus, const Vec3d& vMinus)
{
    const Vec3d hp = Normalized(hPlus), hm = Normalized(hMinus), vp = Normalized(vPlus), vm = Normalized(vMinus);
    // Coinciding edges have no opening between them: no field of view yet.
    if (Length(hp) == 0.0 || Length(vp) == 0.0 || Dot(hp, hm) > kSameDirection || Dot(vp, vm) > kSameDirection)
        return std::nullopt;
    const Vec3d axis = OpticalAxis({hPlus, hMinus, vPlus, vMinus});
    if (Length(axis) == 0.0 || Dot(axis, hp) <= 0.0 || Dot(axis, vp) <= 0.0)
        return std::nullopt;
    return axis;
}

std::optional<CameraPyramid> MakeCameraPyramid(const Vec3d& apex, const Vec3d& hPlus, const Vec3d& hMinus,
                                               const Vec3d& vPlus, const Vec3d& vMinus, double distance)
{
    const std::optional<Vec3d> axis = PyramidAxis(hPlus, hMinus, vPlus, vMinus);
    if (!axis || !(distance > 0.0) || !std::isfinite(distance))
        return std::nullopt;
    const Vec3d a = *axis;
    // A side's middle ray reaches the unit plane before the axis at
    // 1 / cos; a corner adds both sides' offsets from the axis.
    auto side = [&](const Vec3d& e) {
        const Vec3d n = Normalized(e);
        return Scaled(n, 1.0 / Dot(n, a)) - a;
    };
    const Vec3d h1 = side(hPlus), h2 = side(hMinus), v1 = side(vPlus), v2 = side(vMinus);
    CameraPyramid pyramid{apex, a, {}};
    const Vec3d corners[4] = {a + h1 + v1, a + h2 + v1, a + h2 + v2, a + h1 + v2};
    for (int i = 0; i < 4; ++i)
        pyramid.base[i] = apex + Scaled(corners[i], distance);
    return pyramid;
}

double FarWallDistance(const Vec3d& p, const Vec3d& axis, const Vec3d& half)
{
    double enter = -std::numeric_limits<double>::infinity();
    double leave = std::numeric_limits<double>::infinity();
    const double pc[3] = {p.x, p.y, p.z}, dc[3] = {axis.x, axis.y, axis.z}, hc[3] = {half.x, half.y, half.z};
    for (int i = 0; i < 3; ++i) {
        if (std::abs(dc[i]) < 1e-12) {
            if (std::abs(pc[i]) > hc[i] + 1e-9)
                return 0.0;
            continue;
        }
        double t0 = (-hc[i] - pc[i]) / dc[i];
        double t1 = (hc[i] - pc[i]) / dc[i];
        if (t0 > t1)
            std::swap(t0, t1);
        enter = std::max(enter, t0);
        leave = std::min(leave, t1);
    }
    return leave > std::max(enter, 0.0) ? leave : 0.0;
}

void DrawPlannerCameras(const std::vector<PlannerCamera>& cameras, double sphereRadius, const Vec3d& roomHalf)
{
    GLUquadric* quadric = gluNewQuadric();
    if (!quadric)
        return;
    // The pyramids end at the walls: what a camera sees outside the room does not count.
    const double slack = 1e-3;
    const GLdouble planes[6][4] = {{-1, 0, 0, roomHalf.x + slack}, {1, 0, 0, roomHalf.x + slack},
                                   {0, -1, 0, roomHalf.y + slack}, {0, 1, 0, roomHalf.y + slack},
                                   {0, 0, -1, roomHalf.z + slack}, {0, 0, 1, roomHalf.z + slack}};
    for (int i = 0; i < 6; ++i)
        glClipPlane(GL_CLIP_PLANE0 + i, planes[i]);
    for (const PlannerCamera& cam : cameras) {
        const Vec3d& p = cam.position;
        glEnable(GL_LIGHTING);
        if (cam.enabled) {
            glColor3d(0.941176, 0.972549, 1.0);
            gluQuadricDrawStyle(quadric, GLU_FILL);
        } else {
            glDisable(GL_LIGHTING);
            glColor3d(0.6, 0.6, 0.6);
            gluQuadricDrawStyle(quadric, GLU_LINE);
        }
        glPushMatrix();
        glTranslated(p.x, p.y, p.z);
        gluSphere(quadric, sphereRadius, 16, 12);
        glPopMatrix();
        glDisable(GL_LIGHTING);
        if (!cam.pyramid)
            continue;
        const CameraPyramid& py = *cam.pyramid;
        for (int i = 0; i < 6; ++i)
            glEnable(GL_CLIP_PLANE0 + i);
        if (cam.enabled) {
            glColor3d(1.0, 0.85, 0.2);
        } else {
            glEnable(GL_LINE_STIPPLE);
            glLineStipple(2, 0x5555);
            glColor3d(0.6, 0.6, 0.6);
        }
        glBegin(GL_LINES);
        for (int i = 0; i < 4; ++i) {
            Vertex(py.apex);
            Vertex(py.base[i]);
            Vertex(py.base[i]);
            Vertex(py.base[(i + 1) % 4]);
        }
        glEnd();
        glDisable(GL_LINE_STIPPLE);
        for (int i = 0; i < 6; ++i)
            glDisable(GL_CLIP_PLANE0 + i);
    }
    glEnable(GL_LIGHTING);
    glColor3d(1.0, 1.0, 1.0);
    gluDeleteQuadric(quadric);
}
