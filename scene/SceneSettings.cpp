#include "scene/SceneSettings.h"

#include <memory>

namespace {
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

Vec3d SceneSettings::GetRoomCorner() const
{
    return {static_cast<double>(m_fRoomLength) * -0.5, static_cast<double>(m_fRoomHeight) * -0.5,
            static_cast<double>(m_fRoomWidth) * 0.5};
}

void SceneSettings::ConvertToMetres()
{
    if (m_strUnits != "f" && m_strUnits != "F")
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

namespace {
thread_local SceneSettings* t_pThreadSettings = nullptr;
}

SceneSettings* GetSceneSettings() { return t_pThreadSettings ? t_pThreadSettings : g_pSceneSettings.get(); }

void SetThreadSceneSettings(SceneSettings* settings) { t_pThreadSettings = settings; }

void DestroySceneSettings() { g_pSceneSettings.reset(); }
