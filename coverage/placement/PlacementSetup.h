#pragma once

#include "scene/Vec3d.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

// Where cameras may be mounted and which volume they are placed for, in the
// user frame (metres from the room corner: X along the length, Y above the
// floor, Z across the width).

// The four walls, named by the plane each lies in.
enum class Wall { X0, X1, Z0, Z1 };
inline constexpr int kWallCount = 4;
// "x0" (X = 0), "x1" (X = length), "z0" (Z = 0), "z1" (Z = width).
const char* WallKey(Wall wall);
std::optional<Wall> WallFromKey(const std::string& key);

// A truss or bar: cameras anywhere on the line between two points.
struct MountSegment {
    std::string name;
    Vec3d a;
    Vec3d b;
    friend bool operator==(const MountSegment&, const MountSegment&) = default;
};

// One place a camera may go (a bracket already on the wall, say).
struct MountPoint {
    std::string name;
    Vec3d position;
    friend bool operator==(const MountPoint&, const MountPoint&) = default;
};

// A box no camera may be placed in (a door, a window, a projector's light).
struct KeepOutBox {
    std::string name;
    Vec3d min;
    Vec3d max;
    friend bool operator==(const KeepOutBox&, const KeepOutBox&) = default;
};

// What a placement takes at most: more would only cost its time and memory.
inline constexpr size_t kMaxTargetBoxes = 256;
inline constexpr size_t kMaxMountEntries = 1024; // segments, points and keep-out boxes, each
inline constexpr double kMaxTargetWeight = 1e6;

struct MountSurfaces {
    std::array<bool, kWallCount> walls{true, true, true, true};
    // Height band on the walls, bottom and top; unset, DefaultWallBand's.
    std::optional<std::array<double, 2>> wallBand;
    bool ceiling = true;
    std::vector<MountSegment> segments;
    std::vector<MountPoint> points;
    std::vector<KeepOutBox> keepOuts;

    bool AnyWall() const { return walls[0] || walls[1] || walls[2] || walls[3]; }
    // Whether anything at all is offered to mount on.
    bool Any() const { return AnyWall() || ceiling || !segments.empty() || !points.empty(); }
    friend bool operator==(const MountSurfaces&, const MountSurfaces&) = default;
};

// One box of the volume the rig is placed for. The box is closed: points on
// its faces belong to it. A heavier weight counts its points more.
struct TargetBox {
    Vec3d min;
    Vec3d max;
    double weight = 1.0;
    friend bool operator==(const TargetBox&, const TargetBox&) = default;
};

// "segment 2 (truss)", or "segment 2" without a name.
std::string NumberedName(const char* kind, size_t index, const std::string& name);

// The room in metres, as the scene settings hold it.
struct RoomSize {
    double length = 0.0; // X
    double width = 0.0;  // Z
    double height = 0.0; // Y
};

// The floor 0.5 m in from the walls, 0 to 2 m high (to the ceiling in a lower
// room); the whole floor of a room too small for the margin.
TargetBox DefaultTargetBox(const RoomSize& room);
// The floor `margin` metres in from every wall, from the floor to `top`.
TargetBox FloorTargetBox(const RoomSize& room, double margin, double top);

// Where a rigger mounts on a wall without being told: above the performers'
// heads, from 2.2 m to the ceiling; in a room lower than 2.5 m the upper half
// of the wall.
std::array<double, 2> DefaultWallBand(const RoomSize& room);
// The wall band as used: the set band, else the default one.
double WallBottom(const MountSurfaces& mounts, const RoomSize& room);
double WallTop(const MountSurfaces& mounts, const RoomSize& room);

// Why the mounts cannot be used in this room (a band outside the walls, a
// segment or point outside the room, a keep-out box without volume, more
// entries of a kind than kMaxMountEntries), naming what is wrong; nullopt
// when they can.
std::optional<std::string> CheckMounts(const MountSurfaces& mounts, const RoomSize& room);
// The same for target boxes: corners finite, each min below its max, inside
// the room, weights above 0 and at most kMaxTargetWeight.
std::optional<std::string> CheckTargetBox(const TargetBox& box, const RoomSize& room);
// A target of `boxes` boxes: at least one, at most kMaxTargetBoxes.
std::optional<std::string> CheckTargetCount(size_t boxes);
