#pragma once

#include "coverage/obstacles/ObstacleSet.h"
#include "coverage/obstacles/OccupancyGrid.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

// The voxel lattice a computation runs on: its corner, edge and the voxel
// centres per axis (internal scene frame), index t = j + ny (i + nx k).
struct VoxelLattice {
    Vec3d corner;
    double edge = 0.0;
    const float* centreX = nullptr;
    const float* centreY = nullptr;
    const float* centreZ = nullptr;
    uint32_t nx = 0, ny = 0, nz = 0;
};

// What the obstacles of a computation may span and take: the segments run
// from the viewpoints (the cameras) to voxel centres, so the grids need
// cover only the box around both.
struct OcclusionScope {
    std::vector<Vec3d> viewpoints;
    uint64_t budgetBytes = std::numeric_limits<uint64_t>::max();
};

// How boxes are tested: each by its slabs, or binned with the meshes'
// triangles on the occupancy grid and walked.
enum class BoxTest { Slabs, Grid };

// The obstacles of a computation in the internal frame: whether the segment
// from a camera to a voxel centre is blocked, and which voxels lie inside an
// obstacle (seen by no camera).
class COcclusion
{
  public:
    // `userOrigin` as the camera set holds it (user X = x - o.x, Y = y + o.y,
    // Z = o.z - z). Throws GridTooLarge (with the bytes all grids need) rather
    // than take more than the scope's budget.
    COcclusion(const CObstacleSet& obstacles, const Vec3d& userOrigin, const VoxelLattice& lattice,
               BoxTest boxTest = BoxTest::Slabs, const OcclusionScope& scope = {});

    // Voxels inside a box (centre within it) or a mesh (centre inside the
    // closed surface).
    bool Inside(size_t t) const { return m_aInside[t] != 0; }
    uint64_t InsideCount() const { return m_nInside; }
    // Whether the camera at `camera` is kept from seeing voxel t, whose centre
    // is `centre`: the voxel is inside an obstacle or the segment meets one.
    bool Blocks(const Vec3d& camera, size_t t, const Vec3d& centre) const;
    // Row r of the lattice (x = centre x of i = r % nx, z of k = r / nx) after
    // one camera's test: every layer j the camera added to (count[j] above
    // prior[j]) but is blocked from goes back to prior[j]. Decides as Blocks.
    void UnseeRow(const Vec3d& camera, size_t r, const int64_t* prior, int64_t* count) const;

    size_t GetBoxCount() const { return m_aBoxes.size(); }
    const std::vector<COccupancyGrid>& GetGrids() const { return m_aGrids; }

  private:
    struct Box {
        Vec3d lo, hi;
    };
    // The boxes and grids a row's segments from `camera` can meet, with the
    // t range over x and z each leaves.
    struct Candidate {
        const Vec3d* lo;
        const Vec3d* hi;
        const COccupancyGrid* grid;
        double t0, t1;
    };
    bool MeetsAny(const Vec3d& camera, const Vec3d& d, const Candidate* candidates, size_t count) const;

    VoxelLattice m_lattice;
    std::vector<Box> m_aBoxes;
    std::vector<COccupancyGrid> m_aGrids;
    std::vector<uint8_t> m_aInside;
    uint64_t m_nInside = 0;
};
