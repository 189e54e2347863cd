#include "scene/RoomBox.h"

#include "scene/SceneSettings.h"

void CRoomBox::Update()
{
    const SceneSettings* settings = GetSceneSettings();
    if (settings)
        Update(settings->GetRoomLength(), settings->GetRoomWidth(), settings->GetRoomHeight());
}

void CRoomBox::Update(float length, float width, float height)
{
    m_fHalfLength = length * 0.5f;
    m_fHalfWidth = width * 0.5f;
    m_fHalfHeight = height * 0.5f;
    const double hl = m_fHalfLength, hw = m_fHalfWidth, hh = m_fHalfHeight;
    m_corner[0] = {-hl, -hh, hw};
    m_corner[1] = {hl, -hh, hw};
    m_corner[2] = {hl, hh, hw};
    m_corner[3] = {-hl, hh, hw};
    for (size_t i = 0; i < 4; ++i)
        m_corner[i + 4] = {m_corner[i].x, m_corner[i].y, -hw};
}
