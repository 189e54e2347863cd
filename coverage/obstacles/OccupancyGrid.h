#pragma once

#include "coverage/obstacles/ObstacleGeometry.h"

#include <cstdint>
#include <limits>
#include <new>
#include <optional>
#include <vector>

// The box a grid needs to cover: every segment tested and every point asked
// about lies within it.
struct GridBounds {
    Vec3d lo, hi;
};

// Thrown before a grid would take more than the bytes it was allowed.
struct GridTooLarge : std::bad_alloc {
    uint64_t neededBytes = 0;
    const char* what() const noexcept override { return "the occupancy grid does not fit the memory allowed"; }
};

// Triangles binned on a cubic lattice over their bounding box. A cell is
// occupied when a triangle touches it (the exact triangle-box test, so no
// touching triangle is missed) or when its centre lies inside the closed
// surface. A segment is tested against the triangles of the cells it passes,
// walked cell by cell.
class COccupancyGrid
{
  public:
    // `latticePoint` is any corner of the lattice, `edge` its cell edge; the
    // grid covers the cells the triangles' bounding box reaches into, within
    // `within` when given: triangles beyond it are left out, save those below
    // it, which still decide what lies inside the surface. Throws
    // GridTooLarge rather than take more than `budgetBytes`.
    COccupancyGrid(std::vector<Triangle> triangles, const Vec3d& latticePoint, double edge,
                   const std::optional<GridBounds>& within = std::nullopt,
                   uint64_t budgetBytes = std::numeric_limits<uint64_t>::max());

    const Vec3d& GetMin() const { return m_min; }
    const Vec3d& GetMax() const { return m_max; }
    uint32_t GetCount(int axis) const { return m_n[axis]; }
    size_t GetCellCount() const { return static_cast<size_t>(m_n[0]) * m_n[1] * m_n[2]; }
    double GetEdge() const { return m_edge; }
    size_t GetTriangleCount() const { return m_aTriangles.size(); }
    // The memory the grid holds.
    uint64_t GetBytes() const;
    bool Occupied(uint32_t i, uint32_t j, uint32_t k) const;
    size_t OccupiedCount() const;
    // Whether the cell holding p has its centre inside the surface; false
    // outside the grid.
    bool CentreInside(const Vec3d& p) const;

    // Whether a + t d meets a triangle for some t in [t0, t1] within [0, 1];
    // the walk starts at the t1 end.
    bool SegmentHits(const Vec3d& a, const Vec3d& d, double t0, double t1) const;
    // The same for the whole segment, clipped to the grid first.
    bool SegmentHits(const Vec3d& a, const Vec3d& d) const;

  private:
    size_t Cell(uint32_t i, uint32_t j, uint32_t k) const { return i + m_n[0] * (j + static_cast<size_t>(m_n[1]) * k); }
    // `below`: the triangles reaching under the grid, which vertical lines
    // through it may cross there; their lists may take `budgetBytes`.
    void FillInterior(const std::vector<uint32_t>& below, double budgetBytes);

    std::vector<Triangle> m_aTriangles;
    Vec3d m_min, m_max;
    double m_edge = 0.0;
    uint32_t m_n[3] = {0, 0, 0};
    // Triangles of cell c: m_aIndex[m_aStart[c] .. m_aStart[c + 1]).
    std::vector<uint32_t> m_aStart;
    std::vector<uint32_t> m_aIndex;
    std::vector<uint8_t> m_aInside;
};
