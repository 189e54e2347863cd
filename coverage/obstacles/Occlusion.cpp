#include "coverage/obstacles/Occlusion.h"

#include <algorithm>
#include <optional>

namespace
{

Vec3d FromUser(const Vec3d& u, const Vec3d& o)
{
    return {u.x + o.x, u.y - o.y, o.z - u.z};
}

// The twelve triangles of a box's faces.
void AppendBoxTriangles(const Vec3d& lo, const Vec3d& hi, std::vector<Triangle>& out)
{
    const Vec3d c[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z},
                        {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
    const int faces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4}, {3, 2, 6, 7}, {0, 3, 7, 4}, {1, 2, 6, 5}};
    for (const auto& f : faces) {
        out.push_back({c[f[0]], c[f[1]], c[f[2]]});
        out.push_back({c[f[0]], c[f[2]], c[f[3]]});
    }
}

// The box around the lattice's centres and the viewpoints, a cell wider on
// each side; nullopt for a lattice without a voxel.
std::optional<GridBounds> ScopeBounds(const VoxelLattice& lattice, const std::vector<Vec3d>& viewpoints)
{
    if (lattice.nx == 0 || lattice.ny == 0 || lattice.nz == 0)
        return std::nullopt;
    const auto extent = [](const float* centres, uint32_t n, double& lo, double& hi) {
        lo = std::min<double>(centres[0], centres[n - 1]);
        hi = std::max<double>(centres[0], centres[n - 1]);
    };
    GridBounds bounds;
    extent(lattice.centreX, lattice.nx, bounds.lo.x, bounds.hi.x);
    extent(lattice.centreY, lattice.ny, bounds.lo.y, bounds.hi.y);
    extent(lattice.centreZ, lattice.nz, bounds.lo.z, bounds.hi.z);
    for (const Vec3d& p : viewpoints) {
        bounds.lo = {std::min(bounds.lo.x, p.x), std::min(bounds.lo.y, p.y), std::min(bounds.lo.z, p.z)};
        bounds.hi = {std::max(bounds.hi.x, p.x), std::max(bounds.hi.y, p.y), std::max(bounds.hi.z, p.z)};
    }
    const double e = lattice.edge;
    bounds.lo = {bounds.lo.x - e, bounds.lo.y - e, bounds.lo.z - e};
    bounds.hi = {bounds.hi.x + e, bounds.hi.y + e, bounds.hi.z + e};
    return bounds;
}

} // namespace

COcclusion::COcclusion(const CObstacleSet& obstacles, const Vec3d& origin, const VoxelLattice& lattice, BoxTest boxTest,
                       const OcclusionScope& scope)
    : m_lattice(lattice)
{
    for (const ObstacleBox& box : obstacles.GetBoxes()) {
        // The user frame's Z runs against the internal z.
        const Vec3d a = FromUser(box.min, origin), b = FromUser(box.max, origin);
        m_aBoxes.push_back({{std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)},
                            {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)}});
    }
    std::vector<Triangle> boxTriangles;
    if (boxTest == BoxTest::Grid) {
        for (const Box& box : m_aBoxes)
            AppendBoxTriangles(box.lo, box.hi, boxTriangles);
    }
    // Triangles that no segment passes and no centre lies below cannot
    // block anything: the grids cover the scope only, however far a mesh
    // reaches, and count against its budget.
    const size_t n = static_cast<size_t>(lattice.nx) * lattice.ny * lattice.nz;
    const std::optional<GridBounds> bounds = ScopeBounds(lattice, scope.viewpoints);
    uint64_t used = n;
    const auto addGrid = [&](std::vector<Triangle> triangles) {
        if (!bounds)
            return;
        const uint64_t left = used < scope.budgetBytes ? scope.budgetBytes - used : 0;
        try {
            m_aGrids.emplace_back(std::move(triangles), lattice.corner, lattice.edge, bounds, left);
        } catch (GridTooLarge& tooLarge) {
            tooLarge.neededBytes += tooLarge.neededBytes > std::numeric_limits<uint64_t>::max() - used ? 0 : used;
            throw;
        }
        used += m_aGrids.back().GetBytes();
    };
    for (size_t m = 0; m < obstacles.GetMeshes().size(); ++m) {
        std::vector<Triangle> triangles = obstacles.PlacedTriangles(m);
        for (Triangle& tri : triangles) {
            for (Vec3d& v : tri)
                v = FromUser(v, origin);
        }
        addGrid(std::move(triangles));
    }
    const size_t boxes = m_aBoxes.size();
    if (!boxTriangles.empty())
        addGrid(std::move(boxTriangles));

    m_aInside.assign(n, 0);
    // The centres run monotonically along each axis, so each obstacle marks
    // only the index ranges its bounds reach.
    auto range = [](const float* centres, uint32_t count, double lo, double hi, uint32_t& first, uint32_t& end) {
        first = count;
        end = 0;
        for (uint32_t i = 0; i < count; ++i) {
            if (centres[i] >= lo && centres[i] <= hi) {
                first = std::min(first, i);
                end = i + 1;
            }
        }
        return first < end;
    };
    auto mark = [&](const Vec3d& lo, const Vec3d& hi, auto&& inside) {
        uint32_t i0, i1, j0, j1, k0, k1;
        if (!range(lattice.centreX, lattice.nx, lo.x, hi.x, i0, i1) ||
            !range(lattice.centreY, lattice.ny, lo.y, hi.y, j0, j1) ||
            !range(lattice.centreZ, lattice.nz, lo.z, hi.z, k0, k1))
            return;
        for (uint32_t k = k0; k < k1; ++k) {
            for (uint32_t i = i0; i < i1; ++i) {
                const size_t row = (static_cast<size_t>(k) * lattice.nx + i) * lattice.ny;
                for (uint32_t j = j0; j < j1; ++j) {
                    const Vec3d p{lattice.centreX[i], lattice.centreY[j], lattice.centreZ[k]};
                    if (m_aInside[row + j] == 0 && inside(p)) {
                        m_aInside[row + j] = 1;
                        ++m_nInside;
                    }
                }
            }
        }
    };
    for (const Box& box : m_aBoxes)
        mark(box.lo, box.hi, [](const Vec3d&) { return true; });
    for (const COccupancyGrid& grid : m_aGrids)
        mark(grid.GetMin(), grid.GetMax(), [&grid](const Vec3d& p) { return grid.CentreInside(p); });
    // Boxes binned on the grid are tested there only.
    if (boxTest == BoxTest::Grid && boxes != 0)
        m_aBoxes.clear();
}

bool COcclusion::MeetsAny(const Vec3d& camera, const Vec3d& d, const Candidate* candidates, size_t count) const
{
    for (size_t c = 0; c < count; ++c) {
        const Candidate& k = candidates[c];
        double t0 = k.t0, t1 = k.t1;
        if (!ClipToSlab(camera.y, d.y, k.lo->y, k.hi->y, t0, t1))
            continue;
        if (!k.grid || k.grid->SegmentHits(camera, d, t0, t1))
            return true;
    }
    return false;
}

bool COcclusion::Blocks(const Vec3d& camera, size_t t, const Vec3d& centre) const
{
    if (m_aInside[t] != 0)
        return true;
    const Vec3d d = centre - camera;
    for (const Box& box : m_aBoxes) {
        double t0 = 0.0, t1 = 1.0;
        if (ClipToSlab(camera.x, d.x, box.lo.x, box.hi.x, t0, t1) &&
            ClipToSlab(camera.z, d.z, box.lo.z, box.hi.z, t0, t1) &&
            ClipToSlab(camera.y, d.y, box.lo.y, box.hi.y, t0, t1))
            return true;
    }
    for (const COccupancyGrid& grid : m_aGrids) {
        double t0 = 0.0, t1 = 1.0;
        if (ClipToSlab(camera.x, d.x, grid.GetMin().x, grid.GetMax().x, t0, t1) &&
            ClipToSlab(camera.z, d.z, grid.GetMin().z, grid.GetMax().z, t0, t1) &&
            ClipToSlab(camera.y, d.y, grid.GetMin().y, grid.GetMax().y, t0, t1) && grid.SegmentHits(camera, d, t0, t1))
            return true;
    }
    return false;
}

void COcclusion::UnseeRow(const Vec3d& camera, size_t r, const int64_t* prior, int64_t* count) const
{
    const uint32_t ny = m_lattice.ny;
    const double x = m_lattice.centreX[r % m_lattice.nx];
    const double z = m_lattice.centreZ[r / m_lattice.nx];
    const double dx = x - camera.x, dz = z - camera.z;
    // x and z are fixed along a row: the x and z slabs of every box are
    // worked out once, and only what the row can meet is kept.
    thread_local std::vector<Candidate> candidates;
    candidates.clear();
    const double xMin = std::min(camera.x, x), xMax = std::max(camera.x, x);
    const double zMin = std::min(camera.z, z), zMax = std::max(camera.z, z);
    auto consider = [&](const Vec3d& lo, const Vec3d& hi, const COccupancyGrid* grid) {
        // Clear of the segments' footprint: no division needed, and the
        // slabs would find the same (a difference of two doubles has the
        // true sign).
        if (hi.x < xMin || lo.x > xMax || hi.z < zMin || lo.z > zMax)
            return;
        double t0 = 0.0, t1 = 1.0;
        if (ClipToSlab(camera.x, dx, lo.x, hi.x, t0, t1) && ClipToSlab(camera.z, dz, lo.z, hi.z, t0, t1))
            candidates.push_back({&lo, &hi, grid, t0, t1});
    };
    for (const Box& box : m_aBoxes)
        consider(box.lo, box.hi, nullptr);
    for (const COccupancyGrid& grid : m_aGrids)
        consider(grid.GetMin(), grid.GetMax(), &grid);
    const uint8_t* inside = &m_aInside[r * ny];
    const float* ys = m_lattice.centreY;
    for (uint32_t j = 0; j < ny; ++j) {
        if (!(count[j] > prior[j]))
            continue;
        const Vec3d d{dx, ys[j] - camera.y, dz};
        if (inside[j] != 0 || MeetsAny(camera, d, candidates.data(), candidates.size()))
            count[j] = prior[j];
    }
}
