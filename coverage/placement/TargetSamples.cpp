#include "coverage/placement/TargetSamples.h"

#include "coverage/obstacles/Occlusion.h"

#include <algorithm>
#include <cmath>

struct CTargetSamples::Block {
    size_t first = 0; // index of its first sample, a multiple of 64
    size_t count = 0;
    double weight = 1.0;
    std::vector<float> xs, ys, zs;
    std::unique_ptr<COcclusion> occlusion;
};

namespace
{

std::vector<float> Axis(double a, double b, double step, double offset, double sign)
{
    const auto n = static_cast<int>(std::max(1.0, std::ceil((b - a) / step - 1e-9)));
    std::vector<float> values;
    for (int i = 0; i <= n; ++i) {
        const double user = i == n ? b : a + (b - a) * i / n;
        values.push_back(static_cast<float>(offset + sign * user));
    }
    return values;
}

} // namespace

CTargetSamples::CTargetSamples(const Vec3d& userOrigin, std::shared_ptr<const CObstacleSet> obstacles,
                               const Vec3d& latticeCorner, double latticeEdge)
    : m_origin(userOrigin), m_pObstacles(std::move(obstacles)), m_latticeCorner(latticeCorner),
      m_dLatticeEdge(latticeEdge)
{
    if (m_pObstacles && m_pObstacles->IsEmpty())
        m_pObstacles.reset();
}

CTargetSamples::~CTargetSamples() = default;

void CTargetSamples::AddBox(const TargetBox& box, double step)
{
    // User X = x - o.x, Y = y + o.y, Z = o.z - z.
    AddLattice(Axis(box.min.x, box.max.x, step, m_origin.x, 1.0), Axis(box.min.y, box.max.y, step, -m_origin.y, 1.0),
               Axis(box.min.z, box.max.z, step, m_origin.z, -1.0), box.weight);
}

void CTargetSamples::AddLattice(std::vector<float> xs, std::vector<float> ys, std::vector<float> zs, double weight)
{
    auto block = std::make_unique<Block>();
    block->first = m_aPoints.size();
    block->weight = weight;
    block->xs = std::move(xs);
    block->ys = std::move(ys);
    block->zs = std::move(zs);
    const auto nx = static_cast<uint32_t>(block->xs.size()), ny = static_cast<uint32_t>(block->ys.size()),
               nz = static_cast<uint32_t>(block->zs.size());
    block->count = static_cast<size_t>(nx) * ny * nz;
    if (m_pObstacles) {
        const VoxelLattice lattice{
            m_latticeCorner, m_dLatticeEdge, block->xs.data(), block->ys.data(), block->zs.data(), nx, ny, nz};
        block->occlusion = std::make_unique<COcclusion>(*m_pObstacles, m_origin, lattice);
    }
    const size_t padded = (block->count + 63) / 64 * 64;
    m_aPoints.resize(block->first + padded, {0.0f, 0.0f, 0.0f});
    m_aValid.resize(m_aPoints.size() / 64, 0);
    // The lattice order of the coverage pass: t = j + ny (i + nx k).
    size_t t = 0;
    for (uint32_t k = 0; k < nz; ++k) {
        for (uint32_t i = 0; i < nx; ++i) {
            for (uint32_t j = 0; j < ny; ++j, ++t) {
                const size_t s = block->first + t;
                m_aPoints[s] = {block->xs[i], block->ys[j], block->zs[k]};
                if (block->occlusion && block->occlusion->Inside(t))
                    continue;
                m_aValid[s >> 6] |= uint64_t{1} << (s & 63);
                ++m_nValid;
            }
        }
    }
    m_aBlocks.push_back(std::move(block));
}

const CTargetSamples::Block& CTargetSamples::BlockOf(size_t s) const
{
    const auto it = std::upper_bound(m_aBlocks.begin(), m_aBlocks.end(), s,
                                     [](size_t index, const std::unique_ptr<Block>& b) { return index < b->first; });
    return **(it - 1);
}

double CTargetSamples::Weight(size_t s) const
{
    return BlockOf(s).weight;
}

bool CTargetSamples::Blocked(const Vec3d& camera, size_t s) const
{
    const Block& block = BlockOf(s);
    return block.occlusion && block.occlusion->Blocks(camera, s - block.first, Point(s));
}

CSightMatrix CTargetSamples::MakeMatrix() const
{
    double heaviest = 0.0;
    for (const auto& block : m_aBlocks)
        heaviest = std::max(heaviest, block->weight);
    std::vector<int64_t> weights(m_aValid.size(), 0);
    for (const auto& block : m_aBlocks) {
        const int64_t w = std::max<int64_t>(1, std::llround(block->weight / heaviest * 1e6));
        const size_t words = (block->count + 63) / 64;
        std::fill_n(weights.begin() + static_cast<std::ptrdiff_t>(block->first / 64), words, w);
    }
    return CSightMatrix(m_aPoints, std::move(weights), m_aValid);
}
