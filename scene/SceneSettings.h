#pragma once

#include "scene/ComputationFlags.h"
#include "scene/Vec3d.h"

#include <cstdint>
#include <string>

// Whether a unit text as the settings take it ("m", "M", "f", "F") is feet.
bool IsFeetUnit(const std::string& units);

// The one process-wide holder of what the user told the program about the
// room, the active camera range and the view switches. A plain data holder:
// it validates only the unit text and converts feet once. Its computation
// flags are those the window's frames act on.
class SceneSettings : public ComputationFlags
{
  public:
    std::string GetUnits() const { return m_strUnits; }
    // Accepts exactly "m", "M", "f" or "F"; anything else is ignored.
    void SetUnits(const std::string& units);
    bool InFeet() const { return IsFeetUnit(m_strUnits); }

    uint32_t GetCameraCount() const { return m_nCameraCount; }
    // Also moves the end of the active range to n.
    void SetCameraCount(uint32_t n);
    uint32_t GetFirstCamera() const { return m_nFirstCamera; }
    void SetFirstCamera(uint32_t n) { m_nFirstCamera = n; }
    uint32_t GetEndCamera() const { return m_nEndCamera; }
    void SetEndCamera(uint32_t n) { m_nEndCamera = n; }

    float GetDisplayCeiling() const { return m_fDisplayCeiling; }
    void SetDisplayCeiling(float f) { m_fDisplayCeiling = f; }

    float GetRoomLength() const { return m_fRoomLength; }
    void SetRoomLength(float f) { m_fRoomLength = f; }
    float GetRoomWidth() const { return m_fRoomWidth; }
    void SetRoomWidth(float f) { m_fRoomWidth = f; }
    float GetRoomHeight() const { return m_fRoomHeight; }
    // Also sets the display ceiling to half the height.
    void SetRoomHeight(float f);

    // Floor corner with the smallest x and the largest z, in doubles.
    Vec3d GetRoomCorner() const;

    // A room entered in feet becomes metres, once; the unit then reads "m".
    void ConvertToMetres();

    bool GetShowRoom() const { return m_bShowRoom; }
    void SetShowRoom(bool b) { m_bShowRoom = b; }
    bool Get2DView() const { return m_b2DView; }
    void Set2DView(bool b) { m_b2DView = b; }
    bool GetShowLegend() const { return m_bShowLegend; }
    void SetShowLegend(bool b) { m_bShowLegend = b; }
    bool GetSelectiveCameras() const { return m_bSelectiveCameras; }
    void SetSelectiveCameras(bool b) { m_bSelectiveCameras = b; }

  private:
    std::string m_strUnits = "m";
    uint32_t m_nCameraCount = 0;
    uint32_t m_nFirstCamera = 0;
    uint32_t m_nEndCamera = 0;
    float m_fDisplayCeiling = 0.0f;
    float m_fRoomLength = 5.0f;
    float m_fRoomWidth = 5.0f;
    float m_fRoomHeight = 5.0f;
    bool m_bShowRoom = true;
    bool m_b2DView = false;
    bool m_bShowLegend = true;
    bool m_bSelectiveCameras = false;
};

// Floor corner with the smallest x and the largest z of a room centred on
// the origin, in doubles.
Vec3d RoomCornerOf(float length, float width, float height);

// The international foot, as a single-precision factor.
inline constexpr float kMetresPerFoot = 0.3048f;

void CreateSceneSettings();
// The process-wide settings: the window's state. A computation reads a
// CoverageInput instead.
SceneSettings* GetSceneSettings();
void DestroySceneSettings();

// Display scale factors along x, y and z; any value is accepted.
extern float g_fSceneScaleX;
extern float g_fSceneScaleY;
extern float g_fSceneScaleZ;
