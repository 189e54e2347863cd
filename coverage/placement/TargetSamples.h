#pragma once

#include "coverage/placement/PlacementSetup.h"
#include "coverage/placement/SightMatrix.h"

#include <array>
#include <memory>
#include <vector>

class CObstacleSet;
class COcclusion;

// The points a placement is scored at: each target box sampled on a lattice
// that takes in its faces, in the internal frame and in single precision as
// voxel centres are. Each box starts on a 64-sample word of its own, so one
// weight serves a word. Points inside an obstacle are left out, and a camera's
// view of a point is blocked as the coverage pass blocks a voxel centre's.
class CTargetSamples
{
  public:
    // `userOrigin` as the camera set holds it; the obstacles' meshes are
    // binned on the lattice with corner `latticeCorner` (internal frame) and
    // cell `latticeEdge`, as a coverage computation with that voxel bins them.
    CTargetSamples(const Vec3d& userOrigin, std::shared_ptr<const CObstacleSet> obstacles, const Vec3d& latticeCorner,
                   double latticeEdge);
    ~CTargetSamples();
    CTargetSamples(const CTargetSamples&) = delete;
    CTargetSamples& operator=(const CTargetSamples&) = delete;

    // The box (user frame) on an evenly spaced lattice at most `step` apart
    // along each axis, both faces included.
    void AddBox(const TargetBox& box, double step);
    // Points at every combination of the given internal-frame coordinates.
    void AddLattice(std::vector<float> xs, std::vector<float> ys, std::vector<float> zs, double weight);

    size_t Count() const { return m_aPoints.size(); }
    size_t ValidCount() const { return m_nValid; }
    bool Valid(size_t s) const { return (m_aValid[s >> 6] >> (s & 63)) & 1u; }
    Vec3d Point(size_t s) const { return {m_aPoints[s][0], m_aPoints[s][1], m_aPoints[s][2]}; }
    double Weight(size_t s) const;
    // Whether an obstacle keeps a camera at `camera` (internal frame) from sample s.
    bool Blocked(const Vec3d& camera, size_t s) const;
    // The samples with integer weights in proportion to the boxes' (the
    // heaviest 10^6), for the exact comparisons of the search.
    CSightMatrix MakeMatrix() const;

  private:
    struct Block;
    const Block& BlockOf(size_t s) const;

    Vec3d m_origin;
    std::shared_ptr<const CObstacleSet> m_pObstacles;
    Vec3d m_latticeCorner;
    double m_dLatticeEdge;
    std::vector<std::unique_ptr<Block>> m_aBlocks;
    std::vector<std::array<float, 3>> m_aPoints;
    std::vector<uint64_t> m_aValid;
    size_t m_nValid = 0;
};
