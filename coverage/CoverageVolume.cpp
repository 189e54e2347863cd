#include "coverage/CoverageVolume.h"

#include "coverage/CoverageInput.h"
#include "coverage/FrustumEdges.h"
#include "coverage/GridBudget.h"
#include "coverage/obstacles/Occlusion.h"

#include "cameras/CameraSet.h"
#include "scene/MemoryInfo.h"

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <numeric>

namespace
{

// Bytes per voxel of a computation's arrays: count, the resolution camera's
// value and, at most, an iso-list index.
constexpr uint64_t kResultBytesPerVoxel = sizeof(uint32_t) + sizeof(float) + sizeof(int32_t);

bool IsPositiveFinite(float v)
{
    return std::isfinite(v) && v > 0.0f;
}

// floor(extent * ratio) as a voxel count; false when it does not fit.
bool CountAlong(float extent, float ratio, uint32_t& count)
{
    const float product = extent * ratio;
    if (!std::isfinite(product))
        return false;
    const double cells = std::floor(static_cast<double>(product));
    if (cells > static_cast<double>(std::numeric_limits<uint32_t>::max()))
        return false;
    count = static_cast<uint32_t>(cells);
    return true;
}

} // namespace

void CCoverageVolume::Release()
{
    m_pResolution.reset();
    m_pSeenCount.reset();
    m_pIsoIndex.reset();
    m_aCameraValues = {};
    m_aCentreX = {};
    m_aCentreY = {};
    m_aCentreZ = {};
    m_aRowY = {};
    m_aLayerIds = {};
    m_nShownLayers = 0;
    m_nIsoCount = 0;
    m_nCountX = m_nCountY = m_nCountZ = 0;
    m_nCameraCount = 0;
    m_nHeldCamera = -1;
    m_bGridBuilt = false;
    m_bComputed = false;
    m_pOcclusion.reset();
}

bool CCoverageVolume::InsideObstacle(size_t t) const
{
    return m_pOcclusion && m_pOcclusion->Inside(t);
}

CCoverageVolume::GridStatus CCoverageVolume::RefuseGrid(float length, float width, float height, float voxelCm)
{
    const uint64_t available = AvailableMemoryBytes();
    const GridBudget budget =
        CheckGridBudget(GridVoxels(length, width, height, voxelCm), kResultBytesPerVoxel, available);
    m_strMemoryAdvice =
        GridBudgetAdvice(budget, SmallestFittingVoxelCm(length, width, height, kResultBytesPerVoxel, available));
    return GridStatus::OutOfMemory;
}

CCoverageVolume::GridStatus CCoverageVolume::BuildGrid(const CoverageInput& input)
{
    Release();
    m_strMemoryAdvice.clear();
    const float length = input.roomLength;
    const float width = input.roomWidth;
    const float height = input.roomHeight;
    const float voxelCm = input.voxelSizeCm;
    if (!IsPositiveFinite(voxelCm) || !IsPositiveFinite(length) || !IsPositiveFinite(width) ||
        !IsPositiveFinite(height))
        return GridStatus::InvalidSize;

    const float ratio = kCmPerMetre / voxelCm;
    uint32_t nx = 0, ny = 0, nz = 0;
    if (!CountAlong(length, ratio, nx) || !CountAlong(height, ratio, ny) || !CountAlong(width, ratio, nz))
        return RefuseGrid(length, width, height, voxelCm);
    // The iso list stores voxel indices as int32, so the grid must fit them.
    // The product may wrap in 64 bits; dividing back detects it.
    const uint64_t voxels = static_cast<uint64_t>(nx) * ny * nz;
    if ((nx != 0 && ny != 0 && voxels / nx / ny != nz) ||
        voxels > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()) ||
        !CheckGridBudget(voxels, kResultBytesPerVoxel, AvailableMemoryBytes()).fits)
        return RefuseGrid(length, width, height, voxelCm);

    try {
        m_aCentreX.resize(nx);
        m_aCentreY.resize(ny);
        m_aCentreZ.resize(nz);
        m_aRowY.resize(PaddedRow(ny));
        m_aLayerIds.resize(ny);
    } catch (const std::bad_alloc&) {
        Release();
        return GridStatus::OutOfMemory;
    }
    m_nCountX = nx;
    m_nCountY = ny;
    m_nCountZ = nz;
    std::iota(m_aLayerIds.begin(), m_aLayerIds.end(), 0);
    m_nShownLayers = static_cast<int>(ny);

    m_fVoxelEdge = voxelCm / kCmPerMetre;
    m_fHalfEdge = m_fVoxelEdge * 0.5f;

    // Positions accumulate by repeated addition in double, not by
    // multiplication: the float centres depend on it in their last bit. Each
    // axis restarts from the corner for every row, so one run per axis holds
    // every row's values.
    const Vec3d corner = input.RoomCorner();
    const double edge = m_fVoxelEdge;
    const double half = m_fHalfEdge;
    double x = corner.x, y = corner.y, z = corner.z;
    for (float& c : m_aCentreX) {
        c = static_cast<float>(x + half);
        x += edge;
    }
    for (float& c : m_aCentreY) {
        c = static_cast<float>(y + half);
        y += edge;
    }
    for (float& c : m_aCentreZ) {
        c = static_cast<float>(z - half);
        z -= edge;
    }
    std::copy(m_aCentreY.begin(), m_aCentreY.end(), m_aRowY.begin());
    // The padding repeats the top layer, so that it stays inside the room.
    std::fill(m_aRowY.begin() + ny, m_aRowY.end(), ny != 0 ? m_aCentreY.back() : 0.0f);
    m_bGridBuilt = true;
    return GridStatus::Ok;
}

size_t CCoverageVolume::GetVoxelCount() const
{
    return static_cast<size_t>(m_nCountX) * m_nCountY * m_nCountZ;
}

size_t CCoverageVolume::VoxelIndex(uint32_t i, uint32_t j, uint32_t k) const
{
    return j + static_cast<size_t>(m_nCountY) * (i + static_cast<size_t>(m_nCountX) * k);
}

std::array<float, 3> CCoverageVolume::Centre(size_t t) const
{
    const size_t row = t / m_nCountY;
    return {m_aCentreX[row % m_nCountX], m_aCentreY[t % m_nCountY], m_aCentreZ[row / m_nCountX]};
}

Vec3d CCoverageVolume::CentreOf(size_t t) const
{
    const std::array<float, 3> c = Centre(t);
    return {c[0], c[1], c[2]};
}

CCoverageVolume::GridStatus CCoverageVolume::AllocateResults(uint32_t cameraCount)
{
    const uint64_t n = GetVoxelCount();
    // Checked against what the system can hand out now: the allocation itself
    // might succeed lazily and fail only when filled.
    if (n > AvailableMemoryBytes() / kResultBytesPerVoxel)
        return GridStatus::OutOfMemory;
    try {
        m_pSeenCount = AllocateVoxelArray<uint32_t>(n);
        m_pResolution = AllocateVoxelArray<float>(n);
    } catch (const std::bad_alloc&) {
        return GridStatus::OutOfMemory;
    }
    m_nCameraCount = cameraCount;
    return GridStatus::Ok;
}

void CCoverageVolume::SetVectorPath(VectorPath path)
{
    if (VectorPathRuns(path))
        m_eVectorPath = path;
}

int CCoverageVolume::ThreadCount() const
{
    return m_nThreads > 0 ? m_nThreads : omp_get_max_threads();
}

CCoverageVolume::GridStatus CCoverageVolume::ComputeCoverage(CoverageInput& input)
{
    return Compute(input, false);
}

CCoverageVolume::GridStatus CCoverageVolume::ComputeCoverageFromCalibration(CoverageInput& input)
{
    return Compute(input, true);
}

// Both modes differ only in how the frustum edges are derived.
CCoverageVolume::GridStatus CCoverageVolume::Compute(CoverageInput& input, bool fromCalibration)
{
    if (!m_bGridBuilt)
        return GridStatus::InvalidSize;
    if (const GridStatus status = AllocateResults(input.cameraCount); status != GridStatus::Ok) {
        Release();
        return status;
    }
    if (fromCalibration)
        DeriveCalibrationEdges(input.cameras, m_nCameraCount);
    else
        DeriveAimedEdges(input.cameras, m_nCameraCount);
    m_pOcclusion.reset();
    if (input.obstacles && !input.obstacles->IsEmpty()) {
        const CCameraSet* set = &input.cameras;
        const Vec3d origin{set->GetUserOriginX(), set->GetUserOriginY(), set->GetUserOriginZ()};
        const VoxelLattice lattice{input.RoomCorner(), m_fVoxelEdge, m_aCentreX.data(), m_aCentreY.data(),
                                   m_aCentreZ.data(),  m_nCountX,    m_nCountY,         m_nCountZ};
        // The obstacles' grids may take what a voxel grid may: half of what
        // is free once the results are held.
        OcclusionScope scope;
        for (uint32_t c = 0; c < m_nCameraCount; ++c)
            scope.viewpoints.push_back(set->GetPosition(static_cast<int>(c)));
        const uint64_t available = AvailableMemoryBytes();
        scope.budgetBytes = available / 2;
        try {
            m_pOcclusion = std::make_shared<COcclusion>(*input.obstacles, origin, lattice, m_eBoxTest, scope);
        } catch (const GridTooLarge& tooLarge) {
            m_strMemoryAdvice = "The obstacles' occupancy grids need " + GigabytesText(tooLarge.neededBytes) + ", " +
                                GigabytesText(available) + " are free: try a larger voxel size";
            Release();
            return GridStatus::OutOfMemory;
        } catch (const std::bad_alloc&) {
            Release();
            return GridStatus::OutOfMemory;
        }
    }
    const bool resolved = CountAndResolve(fromCalibration, input);
    if (IsCancelled()) {
        Release();
        return GridStatus::Cancelled;
    }
    if (!resolved) {
        Release();
        return GridStatus::OutOfMemory;
    }
    ComputeResolutionScale(input);
    m_bComputed = true;
    return GridStatus::Ok;
}

int CCoverageVolume::GetLayerTotal() const
{
    return m_bComputed ? static_cast<int>(m_nCountY) : 0;
}
