#pragma once

#include "coverage/placement/PlacementSetup.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

class CObstacleSet;

enum class MountKind { Wall, Ceiling, Segment, Point };

// A place on one mount surface, by its coordinates on that surface: along a
// wall (X or Z) and the height; X and Z on the ceiling; the share of the way
// from a segment's first end to its second; nothing on a point.
struct MountPlace {
    MountKind kind = MountKind::Ceiling;
    int index = 0; // the Wall, or the segment or point; 0 on the ceiling
    double u = 0.0;
    double v = 0.0;
    friend bool operator==(const MountPlace&, const MountPlace&) = default;
};

// The surfaces of a plan in one room, and what keeps a camera off a place.
class CMountGeometry
{
  public:
    CMountGeometry(MountSurfaces mounts, const RoomSize& room, std::shared_ptr<const CObstacleSet> obstacles);

    const MountSurfaces& Mounts() const { return m_mounts; }
    const RoomSize& Room() const { return m_room; }

    // The user-frame point of a place.
    Vec3d Position(const MountPlace& place) const;
    // Surface coordinates a place has (2 on walls and the ceiling, 1 on a
    // segment, 0 on a point) and the range of each.
    int Dimensions(const MountPlace& place) const;
    std::array<double, 2> Lower(const MountPlace& place) const;
    std::array<double, 2> Upper(const MountPlace& place) const;
    // "wall x0", "ceiling", "segment 2 (truss)", "point 1 (bracket)".
    std::string Name(const MountPlace& place) const;
    // JSON-friendly: "wall", "ceiling", "segment", "point".
    static const char* KindKey(MountKind kind);

    // Whether a camera may sit at user-frame point p: outside every keep-out
    // box and obstacle (faces included).
    bool Allows(const Vec3d& p) const;
    // Whether a place lies on its surface: within the surface's range (the
    // walls' height band) and allowed.
    bool Holds(const MountPlace& place) const;

    // Places on every surface, `step` metres apart along walls and segments
    // (both ends included, evenly spaced) and `ceilingStep` on the ceiling (the
    // centres of its cells), without the ones Allows refuses or that repeat
    // a place already found.
    std::vector<MountPlace> Places(double step, double ceilingStep) const;

  private:
    double WallLength(int wall) const;

    MountSurfaces m_mounts;
    RoomSize m_room;
    std::shared_ptr<const CObstacleSet> m_pObstacles;
    // The obstacles' mesh triangles in the user frame, for the inside test.
    std::vector<std::vector<std::array<Vec3d, 3>>> m_aMeshTriangles;
};
