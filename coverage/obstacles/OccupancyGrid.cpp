#include "coverage/obstacles/OccupancyGrid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

double Get(const Vec3d& v, int axis)
{
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

void Set(Vec3d& v, int axis, double value)
{
    (axis == 0 ? v.x : axis == 1 ? v.y : v.z) = value;
}

[[noreturn]] void RefuseGrid(double bytes)
{
    GridTooLarge tooLarge;
    tooLarge.neededBytes = bytes >= 1.8e19 ? std::numeric_limits<uint64_t>::max() : static_cast<uint64_t>(bytes);
    throw tooLarge;
}

} // namespace

COccupancyGrid::COccupancyGrid(std::vector<Triangle> triangles, const Vec3d& latticePoint, double edge,
                               const std::optional<GridBounds>& within, uint64_t budgetBytes)
    : m_aTriangles(std::move(triangles)), m_edge(edge)
{
    Vec3d lo{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
             std::numeric_limits<double>::infinity()};
    Vec3d hi{-lo.x, -lo.y, -lo.z};
    for (const Triangle& tri : m_aTriangles) {
        for (const Vec3d& v : tri) {
            lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
            hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
        }
    }
    if (m_aTriangles.empty() || !(edge > 0.0))
        return;
    if (within) {
        lo = {std::max(lo.x, within->lo.x), std::max(lo.y, within->lo.y), std::max(lo.z, within->lo.z)};
        hi = {std::min(hi.x, within->hi.x), std::min(hi.y, within->hi.y), std::min(hi.z, within->hi.z)};
        // Nothing of the surface where anything is tested.
        if (!(lo.x <= hi.x && lo.y <= hi.y && lo.z <= hi.z)) {
            m_aTriangles = {};
            return;
        }
    }
    double cells = 1.0;
    for (int axis = 0; axis < 3; ++axis) {
        const double base = Get(latticePoint, axis);
        const double first = std::floor((Get(lo, axis) - base) / edge);
        const double last = std::floor((Get(hi, axis) - base) / edge);
        cells *= last - first + 1.0;
        if (!(last - first < static_cast<double>(std::numeric_limits<int32_t>::max())) || !std::isfinite(cells))
            RefuseGrid(std::numeric_limits<double>::infinity());
        Set(m_min, axis, base + first * edge);
        m_n[axis] = static_cast<uint32_t>(last - first) + 1;
        Set(m_max, axis, Get(m_min, axis) + m_n[axis] * edge);
    }
    const double budget = static_cast<double>(budgetBytes);
    const double fixedBytes = cells * static_cast<double>(sizeof(uint32_t) + sizeof(uint8_t)) +
                              static_cast<double>(m_aTriangles.size()) * static_cast<double>(sizeof(Triangle));
    if (fixedBytes > budget)
        RefuseGrid(fixedBytes);

    // The cells of a triangle along one axis, one more on each side: a
    // triangle on a cell face touches both. False when it lies beyond the
    // grid that way.
    const auto span = [this, edge](const Triangle& tri, int axis, uint32_t& from, uint32_t& to) {
        const double a = Get(tri[0], axis), b = Get(tri[1], axis), c = Get(tri[2], axis);
        const double m0 = Get(m_min, axis);
        const double f0 = std::floor((std::min({a, b, c}) - m0) / edge) - 1.0;
        const double f1 = std::floor((std::max({a, b, c}) - m0) / edge) + 1.0;
        if (f1 < 0.0 || f0 > static_cast<double>(m_n[axis] - 1))
            return false;
        from = static_cast<uint32_t>(std::max(f0, 0.0));
        to = static_cast<uint32_t>(std::min(f1, static_cast<double>(m_n[axis] - 1)));
        return true;
    };
    // Left out: what lies beside the grid or above it. Kept apart: what
    // reaches under it.
    std::vector<uint32_t> below;
    if (within) {
        std::vector<Triangle> kept;
        for (const Triangle& tri : m_aTriangles) {
            uint32_t from, to;
            const double bottom = std::min({tri[0].y, tri[1].y, tri[2].y});
            if (!span(tri, 0, from, to) || !span(tri, 2, from, to) || bottom > m_max.y)
                continue;
            if (bottom < m_min.y)
                below.push_back(static_cast<uint32_t>(kept.size()));
            kept.push_back(tri);
        }
        m_aTriangles = std::move(kept);
    }

    // Counted first, then filled, so each cell's list is one stretch.
    const size_t cellCount = GetCellCount();
    m_aStart.assign(cellCount + 1, 0);
    uint64_t pairs = 0;
    auto visit = [&](auto&& use) {
        for (uint32_t index = 0; index < m_aTriangles.size(); ++index) {
            const Triangle& tri = m_aTriangles[index];
            uint32_t from[3], to[3];
            if (!span(tri, 0, from[0], to[0]) || !span(tri, 1, from[1], to[1]) || !span(tri, 2, from[2], to[2]))
                continue;
            for (uint32_t k = from[2]; k <= to[2]; ++k) {
                for (uint32_t j = from[1]; j <= to[1]; ++j) {
                    for (uint32_t i = from[0]; i <= to[0]; ++i) {
                        const Vec3d cellLo{m_min.x + i * edge, m_min.y + j * edge, m_min.z + k * edge};
                        const Vec3d cellHi{cellLo.x + edge, cellLo.y + edge, cellLo.z + edge};
                        if (TriangleOverlapsBox(tri, cellLo, cellHi))
                            use(Cell(i, j, k), index);
                    }
                }
            }
        }
    };
    visit([&](size_t cell, uint32_t) {
        ++m_aStart[cell + 1];
        ++pairs;
    });
    // The lists are numbered in 32 bits.
    const double listedBytes = fixedBytes + static_cast<double>(pairs) * sizeof(uint32_t);
    if (listedBytes > budget || pairs > std::numeric_limits<uint32_t>::max())
        RefuseGrid(listedBytes);
    for (size_t c = 0; c < cellCount; ++c)
        m_aStart[c + 1] += m_aStart[c];
    m_aIndex.resize(m_aStart[cellCount]);
    std::vector<uint32_t> fill(m_aStart.begin(), m_aStart.end() - 1);
    visit([&](size_t cell, uint32_t index) { m_aIndex[fill[cell]++] = index; });
    FillInterior(below, budget - listedBytes);
}

uint64_t COccupancyGrid::GetBytes() const
{
    return m_aTriangles.capacity() * sizeof(Triangle) + m_aStart.capacity() * sizeof(uint32_t) +
           m_aIndex.capacity() * sizeof(uint32_t) + m_aInside.capacity();
}

void COccupancyGrid::FillInterior(const std::vector<uint32_t>& below, double budgetBytes)
{
    // The triangles reaching under the grid, listed per column they may
    // cross there, as the cells list theirs.
    std::vector<uint32_t> belowStart, belowIndex;
    if (!below.empty()) {
        const size_t columns = static_cast<size_t>(m_n[0]) * m_n[2];
        belowStart.assign(columns + 1, 0);
        auto visit = [&](auto&& use) {
            for (const uint32_t index : below) {
                const Triangle& tri = m_aTriangles[index];
                uint32_t from[3], to[3];
                bool inside = true;
                for (const int axis : {0, 2}) {
                    const double a = Get(tri[0], axis), b = Get(tri[1], axis), c = Get(tri[2], axis);
                    const double m0 = Get(m_min, axis);
                    const double f0 = std::floor((std::min({a, b, c}) - m0) / m_edge) - 1.0;
                    const double f1 = std::floor((std::max({a, b, c}) - m0) / m_edge) + 1.0;
                    inside = inside && f1 >= 0.0 && f0 <= static_cast<double>(m_n[axis] - 1);
                    from[axis] = static_cast<uint32_t>(std::clamp(f0, 0.0, static_cast<double>(m_n[axis] - 1)));
                    to[axis] = static_cast<uint32_t>(std::clamp(f1, 0.0, static_cast<double>(m_n[axis] - 1)));
                }
                if (!inside)
                    continue;
                for (uint32_t k = from[2]; k <= to[2]; ++k)
                    for (uint32_t i = from[0]; i <= to[0]; ++i)
                        use(i + static_cast<size_t>(m_n[0]) * k, index);
            }
        };
        uint64_t pairs = 0;
        visit([&](size_t column, uint32_t) {
            ++belowStart[column + 1];
            ++pairs;
        });
        const double bytes = static_cast<double>(pairs) * sizeof(uint32_t);
        if (bytes > budgetBytes || pairs > std::numeric_limits<uint32_t>::max())
            RefuseGrid(bytes);
        for (size_t c = 0; c < columns; ++c)
            belowStart[c + 1] += belowStart[c];
        belowIndex.resize(belowStart[columns]);
        std::vector<uint32_t> fill(belowStart.begin(), belowStart.end() - 1);
        visit([&](size_t column, uint32_t index) { belowIndex[fill[column]++] = index; });
    }

    // A vertical line through each column's centres: a centre is inside when
    // the surface crosses the line an odd number of times below it.
    m_aInside.assign(GetCellCount(), 0);
    std::vector<uint32_t> column;
    for (uint32_t k = 0; k < m_n[2]; ++k) {
        for (uint32_t i = 0; i < m_n[0]; ++i) {
            column.clear();
            for (uint32_t j = 0; j < m_n[1]; ++j) {
                const size_t c = Cell(i, j, k);
                column.insert(column.end(), m_aIndex.begin() + m_aStart[c], m_aIndex.begin() + m_aStart[c + 1]);
            }
            if (!belowStart.empty()) {
                const size_t c = i + static_cast<size_t>(m_n[0]) * k;
                column.insert(column.end(), belowIndex.begin() + belowStart[c], belowIndex.begin() + belowStart[c + 1]);
            }
            std::sort(column.begin(), column.end());
            column.erase(std::unique(column.begin(), column.end()), column.end());
            const double x = m_min.x + (i + 0.5) * m_edge, z = m_min.z + (k + 0.5) * m_edge;
            for (uint32_t j = 0; j < m_n[1]; ++j) {
                const double y = m_min.y + (j + 0.5) * m_edge;
                unsigned crossings = 0;
                for (const uint32_t index : column)
                    crossings += CrossesBelow(m_aTriangles[index], x, y, z) ? 1u : 0u;
                m_aInside[Cell(i, j, k)] = static_cast<uint8_t>(crossings & 1u);
            }
        }
    }
}

bool COccupancyGrid::Occupied(uint32_t i, uint32_t j, uint32_t k) const
{
    if (i >= m_n[0] || j >= m_n[1] || k >= m_n[2])
        return false;
    const size_t c = Cell(i, j, k);
    return m_aInside[c] != 0 || m_aStart[c + 1] != m_aStart[c];
}

size_t COccupancyGrid::OccupiedCount() const
{
    size_t count = 0;
    for (uint32_t k = 0; k < m_n[2]; ++k)
        for (uint32_t j = 0; j < m_n[1]; ++j)
            for (uint32_t i = 0; i < m_n[0]; ++i)
                count += Occupied(i, j, k) ? 1 : 0;
    return count;
}

bool COccupancyGrid::CentreInside(const Vec3d& p) const
{
    if (m_aInside.empty())
        return false;
    uint32_t cell[3];
    for (int axis = 0; axis < 3; ++axis) {
        const double f = std::floor((Get(p, axis) - Get(m_min, axis)) / m_edge);
        if (!(f >= 0.0) || f >= m_n[axis])
            return false;
        cell[axis] = static_cast<uint32_t>(f);
    }
    return m_aInside[Cell(cell[0], cell[1], cell[2])] != 0;
}

bool COccupancyGrid::SegmentHits(const Vec3d& a, const Vec3d& d) const
{
    double t0 = 0.0, t1 = 1.0;
    if (m_aInside.empty() || !ClipToSlab(a.x, d.x, m_min.x, m_max.x, t0, t1) ||
        !ClipToSlab(a.y, d.y, m_min.y, m_max.y, t0, t1) || !ClipToSlab(a.z, d.z, m_min.z, m_max.z, t0, t1))
        return false;
    return SegmentHits(a, d, t0, t1);
}

bool COccupancyGrid::SegmentHits(const Vec3d& a, const Vec3d& d, double t0, double t1) const
{
    if (m_aInside.empty())
        return false;
    // Walking from the t1 end towards t0: along an axis whose direction is
    // positive the coordinate falls, so the next plane crossed is the cell's
    // lower face, reached at a smaller t.
    const Vec3d start{a.x + t1 * d.x, a.y + t1 * d.y, a.z + t1 * d.z};
    int cell[3], step[3];
    double next[3], delta[3];
    for (int axis = 0; axis < 3; ++axis) {
        const double m0 = Get(m_min, axis), dc = Get(d, axis);
        const double f = std::floor((Get(start, axis) - m0) / m_edge);
        cell[axis] = static_cast<int>(std::clamp(f, 0.0, static_cast<double>(m_n[axis] - 1)));
        if (dc == 0.0) {
            step[axis] = 0;
            next[axis] = -std::numeric_limits<double>::infinity();
            delta[axis] = 0.0;
            continue;
        }
        step[axis] = dc > 0.0 ? -1 : 1;
        const double plane = m0 + (cell[axis] + (dc > 0.0 ? 0 : 1)) * m_edge;
        next[axis] = (plane - Get(a, axis)) / dc;
        delta[axis] = m_edge / std::fabs(dc);
    }
    for (;;) {
        const size_t c =
            Cell(static_cast<uint32_t>(cell[0]), static_cast<uint32_t>(cell[1]), static_cast<uint32_t>(cell[2]));
        for (uint32_t e = m_aStart[c]; e < m_aStart[c + 1]; ++e) {
            if (SegmentMeetsTriangle(a, d, m_aTriangles[m_aIndex[e]]))
                return true;
        }
        const int axis = next[0] >= next[1] ? (next[0] >= next[2] ? 0 : 2) : (next[1] >= next[2] ? 1 : 2);
        if (step[axis] == 0 || next[axis] < t0)
            return false;
        cell[axis] += step[axis];
        if (cell[axis] < 0 || cell[axis] >= static_cast<int>(m_n[axis]))
            return false;
        next[axis] -= delta[axis];
    }
}
