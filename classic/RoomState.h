#pragma once

#include <string>

// The room as RENDER stores it, a plan file sets it and the undo history
// keeps it: its sides in the unit typed, the drawing scales and the voxel size.
struct RoomState {
    std::string units;
    float length = 0.0f, width = 0.0f, height = 0.0f;
    float scaleX = 1.0f, scaleY = 1.0f, scaleZ = 1.0f;
    float voxelSize = 0.0f;

    // The process's room as it is now; the start values without scene settings.
    static RoomState Capture();
    // Into the process's scene settings, scales and voxel size, in the order
    // RENDER stores them. Setting the height sets the display ceiling too.
    void Apply() const;
};

// The same room in metres, scales and voxel size: a frame holds a room typed
// in feet in metres, each side converted to float as the frame converts it.
bool SameRoom(const RoomState& a, const RoomState& b);
