#include "classic/RoomState.h"

#include "classic/ClassicParameters.h"
#include "scene/SceneSettings.h"

RoomState RoomState::Capture()
{
    const SceneSettings* s = GetSceneSettings();
    if (!s)
        return {};
    return {s->GetUnits(),  s->GetRoomLength(), s->GetRoomWidth(), s->GetRoomHeight(),
            g_fSceneScaleX, g_fSceneScaleY,     g_fSceneScaleZ,    GetVoxelSize()};
}

void RoomState::Apply() const
{
    SceneSettings& s = *GetSceneSettings();
    s.SetUnits(units);
    s.SetRoomLength(length);
    s.SetRoomWidth(width);
    s.SetRoomHeight(height);
    g_fSceneScaleX = scaleX;
    g_fSceneScaleY = scaleY;
    g_fSceneScaleZ = scaleZ;
    SetVoxelSize(voxelSize);
}

bool SameRoom(const RoomState& a, const RoomState& b)
{
    const auto metres = [](const RoomState& r, float side) {
        return IsFeetUnit(r.units) ? side * kMetresPerFoot : side;
    };
    return metres(a, a.length) == metres(b, b.length) && metres(a, a.width) == metres(b, b.width) &&
           metres(a, a.height) == metres(b, b.height) && a.scaleX == b.scaleX && a.scaleY == b.scaleY &&
           a.scaleZ == b.scaleZ && a.voxelSize == b.voxelSize;
}
