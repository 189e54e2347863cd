#pragma once

#include "cameras/CameraSet.h"
#include "scene/RoomBox.h"

#include <cstdint>

// The rig the program makes for a camera count in a room of length x width
// x height metres: the first four cameras at the ceiling corners, the rest
// at the centre, the user origin at the room's corner 3.
inline CCameraSet DefaultRig(uint32_t cameras, float length, float width, float height)
{
    CRoomBox room;
    room.Update(length, width, height);
    CCameraSet rig;
    rig.Allocate(cameras);
    rig.SetDefaults(room);
    rig.SetUserOrigin(room.Corner(3));
    return rig;
}
