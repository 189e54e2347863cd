#include "render/RoomModel.h"

#include "render/SolidBox.h"
#include "scene/DrawColor.h"

#include <GL/gl.h>

std::array<RoomPiece, 6> CRoomModel::Pieces() const
{
    const float hl = m_fHalfLength;
    const float hw = m_fHalfWidth;
    const float hh = m_fHalfHeight;
    const double w = kWallThickness;
    const float t = static_cast<float>(w * 0.5);
    // The posts stand just outside the footprint, from the slab's bottom to
    // the ceiling. The base slab is formed from the double thickness, the
    // other extents in single precision.
    return {{
        {ColorName::RosyBrown, 0.0f, -(hh + t), 0.0f, hl, t, hw},
        {ColorName::RosyBrown, 0.0f, static_cast<float>(-hh - 1.5 * w), 0.0f, static_cast<float>(hl + w), t,
         static_cast<float>(hw + w)},
        {ColorName::Cyan, -(hl + t), -t, hw + t, t, hh + t, t},
        {ColorName::RosyBrown, hl + t, -t, hw + t, t, hh + t, t},
        {ColorName::RosyBrown, -(hl + t), -t, -(hw + t), t, hh + t, t},
        {ColorName::RosyBrown, hl + t, -t, -(hw + t), t, hh + t, t},
    }};
}

void CRoomModel::Draw() const
{
    DrawColor* colors = GetDrawColor();
    if (!colors)
        return;
    for (const RoomPiece& piece : Pieces()) {
        glColor3dv(ApplyColor(*colors, piece.color));
        DrawSolidBox(piece.x, piece.y, piece.z, piece.hx, piece.hy, piece.hz, true, true);
    }
    glColor3dv(colors->White());
}

void CRoomModel::ApplyLight()
{
    const Vec3d& c2 = Corner(2);
    for (int i = 0; i < 3; ++i) {
        m_light.m_ambient[i] = 0.3f;
        m_light.m_specular[i] = 0.3f;
    }
    m_light.m_ambient[3] = 1.0f;
    m_light.m_specular[3] = 1.0f;
    m_light.m_position[0] = 0.0f;
    m_light.m_position[1] = static_cast<GLfloat>(1.25 * c2.y);
    m_light.m_position[2] = static_cast<GLfloat>(c2.z);
    m_light.m_position[3] = 1.0f;
    m_light.m_eLight = GL_LIGHT0;

    glLightfv(m_light.m_eLight, GL_SPECULAR, m_light.m_specular);
    glLightfv(m_light.m_eLight, GL_DIFFUSE, m_light.m_diffuse);
    glLightfv(m_light.m_eLight, GL_AMBIENT, m_light.m_ambient);
    glLightf(m_light.m_eLight, GL_CONSTANT_ATTENUATION, m_light.m_fConstantAttenuation);
    glLightf(m_light.m_eLight, GL_LINEAR_ATTENUATION, m_light.m_fLinearAttenuation);
    glLightf(m_light.m_eLight, GL_QUADRATIC_ATTENUATION, m_light.m_fQuadraticAttenuation);
    glLightfv(m_light.m_eLight, GL_POSITION, m_light.m_position);
    glEnable(m_light.m_eLight);

    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, m_light.m_emission);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 0.0f);
    glEnable(GL_LIGHTING);
}
