#include "render/AxesDrawer.h"

#include "render/BitmapText.h"
#include "render/RoomModel.h"
#include "scene/DrawColor.h"
#include "scene/SceneSettings.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>

std::vector<ScaleTick> ComputeTickRow(double start, float length, unsigned divisions, bool decreasing)
{
    std::vector<ScaleTick> ticks;
    const float step = length / static_cast<float>(divisions);
    float value = 0.0f;
    double p = start;
    for (unsigned i = 0;; ++i) {
        ScaleTick tick{p, {}};
        if (i >= 1) {
            char text[64];
            std::snprintf(text, sizeof text, "%.1f", static_cast<double>(value));
            tick.label = text;
        }
        ticks.push_back(std::move(tick));
        if (i >= divisions)
            break;
        value += step;
        p = decreasing ? p - step : p + step;
    }
    return ticks;
}

CAxesDrawer::CAxesDrawer() : m_quadric(gluNewQuadric()) {}

CAxesDrawer::~CAxesDrawer()
{
    if (m_quadric)
        gluDeleteQuadric(m_quadric);
}

void CAxesDrawer::DrawArrow(const double* color, double x, double y, double z, double angle, double ax, double ay,
                            double az, double tipX, double tipY, double tipZ) const
{
    glColor3dv(color);
    glPushMatrix();
    glTranslated(x, y, z);
    glRotated(angle, ax, ay, az);
    gluCylinder(m_quadric, 0.05, 0.05, 1.0, 50, 50);
    glPopMatrix();
    glPushMatrix();
    glTranslated(tipX, tipY, tipZ);
    glRotated(angle, ax, ay, az);
    gluCylinder(m_quadric, 0.1, 0.0, 0.05, 50, 50);
    glPopMatrix();
}

void CAxesDrawer::DrawAxes(double x, double y, double z) const
{
    DrawColor* colors = GetDrawColor();
    if (!colors || !m_quadric)
        return;
    DrawArrow(colors->Red(), x, y, z, 90.0, 0.0, 1.0, 0.0, x + 1.0, y, z);
    DrawArrow(colors->Green(), x, y, z, -90.0, 1.0, 0.0, 0.0, x, y + 1.0, z);
    DrawArrow(colors->Blue(), x, y, z, -180.0, 1.0, 0.0, 0.0, x, y, z - 1.0);

    glDisable(GL_LIGHTING);
    glColor3dv(colors->White());
    glRasterPos3d(x + 1.1, y, z);
    DrawBitmapText("X");
    glRasterPos3d(x, y + 1.1, z);
    DrawBitmapText("Y");
    glRasterPos3d(x, y, z - 1.2);
    DrawBitmapText("Z");
    glEnable(GL_LIGHTING);
}

namespace
{

enum class RowAxis { X, Y, Z };

// Draws the ticks of one row; the tick end and label point are offsets from each tick.
void DrawTickRow(RowAxis axis, const Vec3d& start, float length, unsigned divisions, const Vec3d& tickEnd,
                 const Vec3d& labelPoint)
{
    const double origin = axis == RowAxis::X ? start.x : axis == RowAxis::Y ? start.y : start.z;
    for (const ScaleTick& tick : ComputeTickRow(origin, length, divisions, axis == RowAxis::Z)) {
        Vec3d p = start;
        (axis == RowAxis::X ? p.x : axis == RowAxis::Y ? p.y : p.z) = tick.position;
        const Vec3d end = p + tickEnd;
        const Vec3d label = p + labelPoint;
        glBegin(GL_LINES);
        glVertex3d(p.x, p.y, p.z);
        glVertex3d(end.x, end.y, end.z);
        glEnd();
        glRasterPos3d(label.x, label.y, label.z);
        if (!tick.label.empty())
            DrawBitmapText(tick.label.c_str());
    }
}

// Colour, lighting off, the rows, lighting on, white.
template <typename Rows> void DrawScale(const double* color, Rows rows)
{
    glColor3dv(color);
    glDisable(GL_LIGHTING);
    rows();
    glEnable(GL_LIGHTING);
    if (DrawColor* colors = GetDrawColor())
        glColor3dv(colors->White());
}

float RoomDimension(float (SceneSettings::*getter)() const)
{
    const SceneSettings* settings = GetSceneSettings();
    return settings ? (settings->*getter)() : 0.0f;
}

} // namespace

void CAxesDrawer::DrawTickRowX(Vec3d start, bool side, float length) const
{
    const double dz = side ? 0.1 : -0.1;
    DrawTickRow(RowAxis::X, start, length, m_nDivisions, {0.0, 0.0, dz}, {0.0, -0.1, dz});
}

void CAxesDrawer::DrawTickRowY(Vec3d start, bool side, float length) const
{
    DrawTickRow(RowAxis::Y, start, length, m_nDivisions, {side ? -0.1 : 0.1, 0.0, 0.0}, {side ? -0.3 : 0.1, 0.0, 0.0});
}

void CAxesDrawer::DrawTickRowZ(Vec3d start, bool side, float length) const
{
    DrawTickRow(RowAxis::Z, start, length, m_nDivisions, {side ? -0.1 : 0.1, 0.0, 0.0}, {side ? -0.3 : 0.1, 0.0, 0.0});
}

void CAxesDrawer::DrawXScale(const CRoomModel& room, const double* color) const
{
    const float length = RoomDimension(&SceneSettings::GetRoomLength);
    DrawScale(color, [&] {
        DrawTickRowX(room.Corner(0), true, length);
        DrawTickRowX(room.Corner(4), false, length);
    });
}

void CAxesDrawer::DrawYScale(const CRoomModel& room, const double* color) const
{
    const float height = RoomDimension(&SceneSettings::GetRoomHeight);
    DrawScale(color, [&] {
        DrawTickRowY(room.Corner(0), false, height);
        DrawTickRowY(room.Corner(4), false, height);
        DrawTickRowY(room.Corner(1), true, height);
        DrawTickRowY(room.Corner(5), true, height);
    });
}

void CAxesDrawer::DrawZScale(const CRoomModel& room, const double* color) const
{
    const float width = RoomDimension(&SceneSettings::GetRoomWidth);
    DrawScale(color, [&] {
        DrawTickRowZ(room.Corner(0), true, width);
        DrawTickRowZ(room.Corner(1), false, width);
    });
}
