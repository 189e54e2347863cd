#pragma once

#include "coverage/placement/PlacementCamera.h"
#include "coverage/placement/PlacementSetup.h"

#include <optional>
#include <string>
#include <vector>

// A rig laid out at once: a ring of cameras on the walls at one height, or a
// grid of cameras on the ceiling, every camera aimed at one point.
enum class RigLayout { WallRing, CeilingGrid };

struct RigLayoutRequest {
    RigLayout layout = RigLayout::WallRing;
    int count = 8;
    // Metres above the floor of a wall ring; a ceiling grid hangs at the room height.
    double height = 2.5;
    // User frame, metres.
    Vec3d aim;
};

// Why the request cannot be laid out in this room (a count outside 1 to
// kMaxCameras, a ring height off the walls, an aim point outside the room),
// naming the field; nullopt when it can.
std::optional<std::string> CheckRigLayout(const RigLayoutRequest& request, const RoomSize& room);

// The cameras' places and aims, user frame. A ring goes round the walls at
// equal steps along them, the first half a step from the corner at the
// origin, along X first; a grid has columns along the length and rows across
// the width in about the room's proportions, each camera at the centre of
// its cell, a last row with fewer cameras spread evenly along the length.
// Empty for a request CheckRigLayout refuses.
std::vector<CameraPose> LayOutRig(const RigLayoutRequest& request, const RoomSize& room);

// The centre of the box around the target boxes; the centre of the default
// target when there are none.
Vec3d TargetCentre(const std::vector<TargetBox>& target, const RoomSize& room);
