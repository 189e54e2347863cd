#include "scene/SceneSettings.h"

#include <memory>

namespace
{
std::unique_ptr<SceneSettings> g_pSceneSettings;
}

float g_fSceneScaleX = 1.0f;
float g_fSceneScaleY = 1.0f;
float g_fSceneScaleZ = 1.0f;

void SceneSettings::SetUnits(const std::string& units)
{
    for (const char* accepted : {"m", "M", "f", "F"}) {
        if (units == accepted) {
            m_strUnits = units;
            return;
        }
    }
}

void SceneSettings::SetCameraCount(uint32_t n)
{
    m_nCameraCount = n;
    m_nEndCamera = n;
}

void SceneSettings::SetRoomHeight(float f)
{
    m_fRoomHeight = f;
    m_fDisplayCeiling = f * 0.5f;
}

Vec3d RoomCornerOf(float length, float width, float height)
{
    return {static_cast<double>(length) * -0.5, static_cast<double>(height) * -0.5, static_cast<double>(width) * 0.5};
}

Vec3d SceneSettings::GetRoomCorner() const
{
    return RoomCornerOf(m_fRoomLength, m_fRoomWidth, m_fRoomHeight);
}

bool IsFeetUnit(const std::string& units)
{
    return units == "f" || units == "F";
}

void SceneSettings::ConvertToMetres()
{
    if (!InFeet())
        return;
    // Each product is rounded to float, as the dimensions are held. The
    // display ceiling stays as it was set from the height in feet.
    m_fRoomLength = m_fRoomLength * kMetresPerFoot;
    m_fRoomWidth = m_fRoomWidth * kMetresPerFoot;
    m_fRoomHeight = m_fRoomHeight * kMetresPerFoot;
    m_strUnits = "m";
}

void CreateSceneSettings()
{
    if (!g_pSceneSettings)
        g_pSceneSettings = std::make_unique<SceneSettings>();
}

SceneSettings* GetSceneSettings()
{
    return g_pSceneSettings.get();
}

void DestroySceneSettings()
{
    g_pSceneSettings.reset();
}
