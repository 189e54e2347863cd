#include "coverage/placement/RigGenerator.h"

#include "cameras/CameraSet.h"

#include <algorithm>
#include <cmath>

namespace
{

bool Inside(const Vec3d& p, const RoomSize& room)
{
    return p.x >= 0.0 && p.x <= room.length && p.y >= 0.0 && p.y <= room.height && p.z >= 0.0 && p.z <= room.width;
}

// The point `s` metres along the walls from the origin corner: the wall at Z = 0 along X first, then X = length,
// Z = width backwards, X = 0.
Vec3d AlongWalls(double s, double height, const RoomSize& room)
{
    const double l = room.length, w = room.width;
    if (s < l)
        return {s, height, 0.0};
    if (s < l + w)
        return {l, height, s - l};
    if (s < 2.0 * l + w)
        return {l - (s - l - w), height, w};
    return {0.0, height, w - (s - 2.0 * l - w)};
}

Vec3d Midpoint(const Vec3d& a, const Vec3d& b)
{
    return {(a.x + b.x) / 2.0, (a.y + b.y) / 2.0, (a.z + b.z) / 2.0};
}

} // namespace

std::optional<std::string> CheckRigLayout(const RigLayoutRequest& request, const RoomSize& room)
{
    if (!IsValidCameraCount(request.count))
        return "Cameras: a whole number from 1 to " + std::to_string(kMaxCameras);
    if (!(room.length > 0.0 && room.width > 0.0 && room.height > 0.0))
        return std::string("Room: enter a room before laying out a rig");
    if (request.layout == RigLayout::WallRing && !(request.height >= 0.0 && request.height <= room.height))
        return "Height: metres above the floor, from 0 to the room height (" + std::to_string(room.height) + " m)";
    if (!std::isfinite(request.aim.x) || !std::isfinite(request.aim.y) || !std::isfinite(request.aim.z) ||
        !Inside(request.aim, room))
        return std::string("Aim point: three numbers x, y, z in metres, inside the room");
    return std::nullopt;
}

std::vector<CameraPose> LayOutRig(const RigLayoutRequest& request, const RoomSize& room)
{
    std::vector<CameraPose> poses;
    if (CheckRigLayout(request, room))
        return poses;
    const int n = request.count;
    poses.reserve(static_cast<size_t>(n));
    const auto add = [&poses, &request](const Vec3d& position) {
        const auto [hTilt, vTilt] = AimTowards(position, request.aim);
        poses.push_back({position, hTilt, vTilt});
    };
    if (request.layout == RigLayout::WallRing) {
        const double perimeter = 2.0 * (room.length + room.width);
        const double step = perimeter / n;
        for (int k = 0; k < n; ++k)
            add(AlongWalls((k + 0.5) * step, request.height, room));
        return poses;
    }
    // Columns along the length, rows across the width, cells about square.
    const int columns = std::clamp(static_cast<int>(std::lround(std::sqrt(n * room.length / room.width))), 1, n);
    const int rows = (n + columns - 1) / columns;
    for (int r = 0; r < rows; ++r) {
        const int inRow = std::min(columns, n - r * columns);
        const double z = (r + 0.5) * room.width / rows;
        for (int c = 0; c < inRow; ++c)
            add({(c + 0.5) * room.length / inRow, room.height, z});
    }
    return poses;
}

Vec3d TargetCentre(const std::vector<TargetBox>& target, const RoomSize& room)
{
    if (target.empty()) {
        const TargetBox box = DefaultTargetBox(room);
        return Midpoint(box.min, box.max);
    }
    Vec3d lo = target.front().min, hi = target.front().max;
    for (const TargetBox& box : target) {
        lo = {std::min(lo.x, box.min.x), std::min(lo.y, box.min.y), std::min(lo.z, box.min.z)};
        hi = {std::max(hi.x, box.max.x), std::max(hi.y, box.max.y), std::max(hi.z, box.max.z)};
    }
    return Midpoint(lo, hi);
}
