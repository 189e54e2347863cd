#include "coverage/placement/MountPlaces.h"

#include "coverage/obstacles/ObstacleGeometry.h"
#include "coverage/obstacles/ObstacleSet.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace
{

bool InsideClosed(const Vec3d& p, const Vec3d& lo, const Vec3d& hi)
{
    return p.x >= lo.x && p.x <= hi.x && p.y >= lo.y && p.y <= hi.y && p.z >= lo.z && p.z <= hi.z;
}

// n + 1 evenly spaced values from a to b, at most `step` apart; one for an empty range.
std::vector<double> Spaced(double a, double b, double step)
{
    if (!(b - a > 1e-9))
        return {a};
    const auto n = static_cast<int>(std::max(1.0, std::ceil((b - a) / step - 1e-9)));
    std::vector<double> values;
    for (int i = 0; i <= n; ++i)
        values.push_back(i == n ? b : a + (b - a) * i / n);
    return values;
}

} // namespace

CMountGeometry::CMountGeometry(MountSurfaces mounts, const RoomSize& room,
                               std::shared_ptr<const CObstacleSet> obstacles)
    : m_mounts(std::move(mounts)), m_room(room), m_pObstacles(std::move(obstacles))
{
    if (m_pObstacles) {
        for (size_t m = 0; m < m_pObstacles->GetMeshes().size(); ++m)
            m_aMeshTriangles.push_back(m_pObstacles->PlacedTriangles(m));
    }
}

const char* CMountGeometry::KindKey(MountKind kind)
{
    switch (kind) {
    case MountKind::Wall:
        return "wall";
    case MountKind::Ceiling:
        return "ceiling";
    case MountKind::Segment:
        return "segment";
    case MountKind::Point:
        return "point";
    }
    return "";
}

double CMountGeometry::WallLength(int wall) const
{
    // The X walls run across the width, the Z walls along the length.
    return wall == static_cast<int>(Wall::X0) || wall == static_cast<int>(Wall::X1) ? m_room.width : m_room.length;
}

Vec3d CMountGeometry::Position(const MountPlace& place) const
{
    switch (place.kind) {
    case MountKind::Wall:
        switch (static_cast<Wall>(place.index)) {
        case Wall::X0:
            return {0.0, place.v, place.u};
        case Wall::X1:
            return {m_room.length, place.v, place.u};
        case Wall::Z0:
            return {place.u, place.v, 0.0};
        case Wall::Z1:
            return {place.u, place.v, m_room.width};
        }
        break;
    case MountKind::Ceiling:
        return {place.u, m_room.height, place.v};
    case MountKind::Segment: {
        const MountSegment& segment = m_mounts.segments[static_cast<size_t>(place.index)];
        const double t = place.u;
        return {segment.a.x + t * (segment.b.x - segment.a.x), segment.a.y + t * (segment.b.y - segment.a.y),
                segment.a.z + t * (segment.b.z - segment.a.z)};
    }
    case MountKind::Point:
        return m_mounts.points[static_cast<size_t>(place.index)].position;
    }
    return {};
}

int CMountGeometry::Dimensions(const MountPlace& place) const
{
    switch (place.kind) {
    case MountKind::Wall:
    case MountKind::Ceiling:
        return 2;
    case MountKind::Segment:
        return 1;
    case MountKind::Point:
        return 0;
    }
    return 0;
}

std::array<double, 2> CMountGeometry::Lower(const MountPlace& place) const
{
    if (place.kind == MountKind::Wall)
        return {0.0, WallBottom(m_mounts, m_room)};
    return {0.0, 0.0};
}

std::array<double, 2> CMountGeometry::Upper(const MountPlace& place) const
{
    switch (place.kind) {
    case MountKind::Wall:
        return {WallLength(place.index), WallTop(m_mounts, m_room)};
    case MountKind::Ceiling:
        return {m_room.length, m_room.width};
    case MountKind::Segment:
        return {1.0, 0.0};
    case MountKind::Point:
        break;
    }
    return {0.0, 0.0};
}

std::string CMountGeometry::Name(const MountPlace& place) const
{
    switch (place.kind) {
    case MountKind::Wall:
        return std::string("wall ") + WallKey(static_cast<Wall>(place.index));
    case MountKind::Ceiling:
        return "ceiling";
    case MountKind::Segment:
        return NumberedName("segment", static_cast<size_t>(place.index),
                            m_mounts.segments[static_cast<size_t>(place.index)].name);
    case MountKind::Point:
        return NumberedName("point", static_cast<size_t>(place.index),
                            m_mounts.points[static_cast<size_t>(place.index)].name);
    }
    return "";
}

bool CMountGeometry::Allows(const Vec3d& p) const
{
    for (const KeepOutBox& box : m_mounts.keepOuts) {
        if (InsideClosed(p, box.min, box.max))
            return false;
    }
    if (!m_pObstacles)
        return true;
    for (const ObstacleBox& box : m_pObstacles->GetBoxes()) {
        if (InsideClosed(p, box.min, box.max))
            return false;
    }
    // Inside a closed surface: an odd number of its triangles below the point.
    for (const auto& triangles : m_aMeshTriangles) {
        size_t crossings = 0;
        for (const auto& triangle : triangles)
            crossings += CrossesBelow(triangle, p.x, p.y, p.z) ? 1 : 0;
        if (crossings % 2 == 1)
            return false;
    }
    return true;
}

bool CMountGeometry::Holds(const MountPlace& place) const
{
    const int dims = Dimensions(place);
    const std::array<double, 2> lo = Lower(place), hi = Upper(place);
    const double coordinates[2] = {place.u, place.v};
    for (int d = 0; d < dims; ++d) {
        if (!(coordinates[d] >= lo[static_cast<size_t>(d)] && coordinates[d] <= hi[static_cast<size_t>(d)]))
            return false;
    }
    switch (place.kind) {
    case MountKind::Wall:
        if (place.index < 0 || place.index >= kWallCount || !m_mounts.walls[static_cast<size_t>(place.index)])
            return false;
        break;
    case MountKind::Ceiling:
        if (!m_mounts.ceiling)
            return false;
        break;
    case MountKind::Segment:
        if (place.index < 0 || static_cast<size_t>(place.index) >= m_mounts.segments.size())
            return false;
        break;
    case MountKind::Point:
        if (place.index < 0 || static_cast<size_t>(place.index) >= m_mounts.points.size())
            return false;
        break;
    }
    return Allows(Position(place));
}

std::vector<MountPlace> CMountGeometry::Places(double step, double ceilingStep) const
{
    std::vector<MountPlace> places;
    std::set<std::array<long long, 3>> taken;
    auto offer = [&](const MountPlace& place) {
        const Vec3d p = Position(place);
        // A corner belongs to two walls: one camera place, the first wall's.
        const std::array<long long, 3> key{std::llround(p.x * 1e4), std::llround(p.y * 1e4), std::llround(p.z * 1e4)};
        if (Allows(p) && taken.insert(key).second)
            places.push_back(place);
    };
    for (int w = 0; w < kWallCount; ++w) {
        if (!m_mounts.walls[static_cast<size_t>(w)])
            continue;
        for (const double v : Spaced(WallBottom(m_mounts, m_room), WallTop(m_mounts, m_room), step)) {
            for (const double u : Spaced(0.0, WallLength(w), step))
                offer({MountKind::Wall, w, u, v});
        }
    }
    if (m_mounts.ceiling) {
        const auto nx = static_cast<int>(std::max(1.0, std::round(m_room.length / ceilingStep)));
        const auto nz = static_cast<int>(std::max(1.0, std::round(m_room.width / ceilingStep)));
        for (int k = 0; k < nz; ++k) {
            for (int i = 0; i < nx; ++i)
                offer({MountKind::Ceiling, 0, m_room.length * (i + 0.5) / nx, m_room.width * (k + 0.5) / nz});
        }
    }
    for (size_t s = 0; s < m_mounts.segments.size(); ++s) {
        const MountSegment& segment = m_mounts.segments[s];
        for (const double t : Spaced(0.0, 1.0, step / Length(segment.b - segment.a)))
            offer({MountKind::Segment, static_cast<int>(s), t, 0.0});
    }
    for (size_t p = 0; p < m_mounts.points.size(); ++p)
        offer({MountKind::Point, static_cast<int>(p), 0.0, 0.0});
    return places;
}
