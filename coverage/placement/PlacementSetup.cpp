#include "coverage/placement/PlacementSetup.h"

#include "cameras/NumberText.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr const char* kWallKeys[kWallCount] = {"x0", "x1", "z0", "z1"};

bool Finite(const Vec3d& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool InsideRoom(const Vec3d& p, const RoomSize& room)
{
    return p.x >= 0.0 && p.x <= room.length && p.y >= 0.0 && p.y <= room.height && p.z >= 0.0 && p.z <= room.width;
}

std::string RoomText(const RoomSize& room)
{
    return FormatG6(room.length) + "," + FormatG6(room.height) + "," + FormatG6(room.width);
}

} // namespace

std::string NumberedName(const char* kind, size_t index, const std::string& name)
{
    const std::string numbered = std::string(kind) + " " + std::to_string(index + 1);
    return name.empty() ? numbered : numbered + " (" + name + ")";
}

const char* WallKey(Wall wall)
{
    return kWallKeys[static_cast<int>(wall)];
}

std::optional<Wall> WallFromKey(const std::string& key)
{
    for (int w = 0; w < kWallCount; ++w) {
        if (key == kWallKeys[w])
            return static_cast<Wall>(w);
    }
    return std::nullopt;
}

TargetBox FloorTargetBox(const RoomSize& room, double margin, double top)
{
    // A margin that would leave nothing falls back to the whole floor.
    const double mx = 2.0 * margin < room.length ? margin : 0.0;
    const double mz = 2.0 * margin < room.width ? margin : 0.0;
    return {{mx, 0.0, mz}, {room.length - mx, std::min(top, room.height), room.width - mz}, 1.0};
}

TargetBox DefaultTargetBox(const RoomSize& room)
{
    return FloorTargetBox(room, 0.5, 2.0);
}

std::array<double, 2> DefaultWallBand(const RoomSize& room)
{
    constexpr double kAboveHeadsM = 2.2, kLowRoomM = 2.5;
    return {room.height < kLowRoomM ? 0.5 * room.height : kAboveHeadsM, room.height};
}

double WallBottom(const MountSurfaces& mounts, const RoomSize& room)
{
    return mounts.wallBand ? (*mounts.wallBand)[0] : DefaultWallBand(room)[0];
}

double WallTop(const MountSurfaces& mounts, const RoomSize& room)
{
    return mounts.wallBand ? (*mounts.wallBand)[1] : DefaultWallBand(room)[1];
}

std::optional<std::string> CheckMounts(const MountSurfaces& mounts, const RoomSize& room)
{
    if (!mounts.Any())
        return std::string("mounts: no wall, ceiling, segment or point to place cameras on");
    const std::pair<const char*, size_t> lists[] = {
        {"segments", mounts.segments.size()}, {"points", mounts.points.size()}, {"keep-outs", mounts.keepOuts.size()}};
    for (const auto& [name, size] : lists) {
        if (size > kMaxMountEntries)
            return std::string(name) + ": at most " + std::to_string(kMaxMountEntries) + " (" + std::to_string(size) +
                   " given)";
    }
    const double bottom = WallBottom(mounts, room), top = WallTop(mounts, room);
    if (!std::isfinite(bottom) || !std::isfinite(top) || bottom < 0.0 || top > room.height || bottom > top)
        return "wall height band " + FormatG6(bottom) + " to " + FormatG6(top) + ": must lie within the walls, 0 to " +
               FormatG6(room.height) + " m, the bottom not above the top";
    for (size_t s = 0; s < mounts.segments.size(); ++s) {
        const MountSegment& segment = mounts.segments[s];
        const std::string key = NumberedName("segment", s, segment.name);
        if (!Finite(segment.a) || !Finite(segment.b))
            return key + ": both ends must be three numbers";
        if (!InsideRoom(segment.a, room) || !InsideRoom(segment.b, room))
            return key + ": both ends must lie in the room (0,0,0 to " + RoomText(room) + ")";
        if (segment.a == segment.b)
            return key + ": the two ends must differ";
    }
    for (size_t p = 0; p < mounts.points.size(); ++p) {
        const MountPoint& point = mounts.points[p];
        const std::string key = NumberedName("point", p, point.name);
        if (!Finite(point.position))
            return key + ": must be three numbers";
        if (!InsideRoom(point.position, room))
            return key + ": must lie in the room (0,0,0 to " + RoomText(room) + ")";
    }
    for (size_t k = 0; k < mounts.keepOuts.size(); ++k) {
        const KeepOutBox& box = mounts.keepOuts[k];
        const std::string key = NumberedName("keep-out", k, box.name);
        if (!Finite(box.min) || !Finite(box.max))
            return key + ": min and max must be three numbers";
        if (!(box.min.x < box.max.x && box.min.y < box.max.y && box.min.z < box.max.z))
            return key + ": each value of min must be below the max's";
    }
    return std::nullopt;
}

std::optional<std::string> CheckTargetBox(const TargetBox& box, const RoomSize& room)
{
    if (!Finite(box.min) || !Finite(box.max))
        return std::string("min and max must be three numbers");
    if (!(box.min.x < box.max.x && box.min.y < box.max.y && box.min.z < box.max.z))
        return std::string("each value of min must be below the max's");
    if (!InsideRoom(box.min, room) || !InsideRoom(box.max, room))
        return "must lie in the room (0,0,0 to " + RoomText(room) + ")";
    if (!std::isfinite(box.weight) || !(box.weight > 0.0) || box.weight > kMaxTargetWeight)
        return "weight: must be a number above 0 and at most " + FormatG6(kMaxTargetWeight);
    return std::nullopt;
}

std::optional<std::string> CheckTargetCount(size_t boxes)
{
    if (boxes == 0)
        return std::string("must hold at least one box");
    if (boxes > kMaxTargetBoxes)
        return "at most " + std::to_string(kMaxTargetBoxes) + " boxes (" + std::to_string(boxes) + " given)";
    return std::nullopt;
}
