#include "coverage/CoverageVolume.h"

#include "coverage/FieldTest.h"
#include "coverage/GridBudget.h"

#include "cameras/Angles.h"
#include "cameras/CameraSet.h"
#include "scene/MemoryInfo.h"
#include "scene/SceneSettings.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <numeric>

namespace {

constexpr float kQuietNaN = std::numeric_limits<float>::quiet_NaN();

// Bytes per voxel of the grid arrays: two centre triples, iso index, count.
constexpr uint64_t kGridBytesPerVoxel = 6 * sizeof(float) + sizeof(int32_t) + sizeof(uint32_t);

// Arrays larger than the machine's memory are refused up front: the
// allocation itself might succeed lazily and fail only when filled.
uint64_t PhysicalMemoryBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return std::numeric_limits<uint64_t>::max();
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

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

CCoverageVolume::CCoverageVolume()
{
    m_mStep.m[1][1] = 1.0f;
    m_mStep.m[3][3] = 1.0f;
}

void CCoverageVolume::Release()
{
    m_pResolution = {};
    m_pSeenCount = {};
    m_pCentres = {};
    m_pIsoCentres = {};
    m_pIsoIndex = {};
    m_aLayerIds = {};
    m_nShownLayers = 0;
    m_nIsoCount = 0;
    m_nCountX = m_nCountY = m_nCountZ = 0;
    m_nCameraCount = 0;
    m_bGridBuilt = false;
    m_bComputed = false;
}

uint32_t CCoverageVolume::RigCameraCount()
{
    const SceneSettings* settings = GetSceneSettings();
    const CCameraSet* cameras = CCameraSet::Current();
    if (!settings || !cameras || !cameras->IsAllocated())
        return 0;
    return settings->GetCameraCount();
}

CCoverageVolume::GridStatus CCoverageVolume::RefuseGrid(float length, float width, float height)
{
    const uint64_t available = AvailableMemoryBytes();
    const GridBudget budget =
        CheckGridBudget(GridVoxels(length, width, height, g_fVoxelSizeCm), kGridBytesPerVoxel, available);
    m_strMemoryAdvice =
        GridBudgetAdvice(budget, SmallestFittingVoxelCm(length, width, height, kGridBytesPerVoxel, available));
    return GridStatus::OutOfMemory;
}

CCoverageVolume::GridStatus CCoverageVolume::BuildGrid()
{
    Release();
    m_strMemoryAdvice.clear();
    const SceneSettings* settings = GetSceneSettings();
    if (!settings)
        return GridStatus::InvalidSize;
    const float length = settings->GetRoomLength();
    const float width = settings->GetRoomWidth();
    const float height = settings->GetRoomHeight();
    if (!IsPositiveFinite(g_fVoxelSizeCm) || !IsPositiveFinite(length) || !IsPositiveFinite(width) ||
        !IsPositiveFinite(height))
        return GridStatus::InvalidSize;

    const float ratio = kCmPerMetre / g_fVoxelSizeCm;
    uint32_t nx = 0, ny = 0, nz = 0;
    if (!CountAlong(length, ratio, nx) || !CountAlong(height, ratio, ny) || !CountAlong(width, ratio, nz))
        return RefuseGrid(length, width, height);
    // The iso list stores voxel indices as int32, so the grid must fit them.
    // The product may wrap in 64 bits; dividing back detects it.
    const uint64_t voxels = static_cast<uint64_t>(nx) * ny * nz;
    if ((nx != 0 && ny != 0 && voxels / nx / ny != nz) ||
        voxels > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()) ||
        !CheckGridBudget(voxels, kGridBytesPerVoxel, AvailableMemoryBytes()).fits)
        return RefuseGrid(length, width, height);

    const size_t n = static_cast<size_t>(voxels);
    try {
        m_pCentres.resize(3 * n);
        m_pIsoCentres.resize(3 * n);
        m_pIsoIndex.resize(n);
        m_pSeenCount.resize(n);
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

    m_fVoxelEdge = g_fVoxelSizeCm / kCmPerMetre;
    m_fHalfEdge = m_fVoxelEdge * 0.5f;

    // Positions accumulate by repeated addition in double, not by
    // multiplication: the float centres depend on it in their last bit.
    const Vec3d corner = settings->GetRoomCorner();
    const double edge = m_fVoxelEdge;
    const double half = m_fHalfEdge;
    Vec3d p = corner;
    for (uint32_t j = 0; j < ny; ++j) {
        for (uint32_t i = 0; i < nx; ++i) {
            for (uint32_t k = 0; k < nz; ++k) {
                float* c = &m_pCentres[3 * VoxelIndex(i, j, k)];
                c[0] = static_cast<float>(p.x + half);
                c[1] = static_cast<float>(p.y + half);
                c[2] = static_cast<float>(p.z - half);
                p.z -= edge;
            }
            p.x += edge;
            p.z = corner.z;
        }
        p.y += edge;
        p.x = corner.x;
    }
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

CCoverageVolume::GridStatus CCoverageVolume::AllocateResolution()
{
    const uint32_t cameras = RigCameraCount();
    const uint64_t n = GetVoxelCount();
    const uint64_t gridBytes = n * kGridBytesPerVoxel;
    const uint64_t limit = PhysicalMemoryBytes();
    // n < 2^31 and cameras < 2^32 keep the product below 2^63.
    const uint64_t values = n * cameras;
    if (values > std::numeric_limits<size_t>::max() / sizeof(float) || values * sizeof(float) > limit - gridBytes)
        return GridStatus::OutOfMemory;
    try {
        // Cameras that are disabled or outside the range keep this: no value.
        m_pResolution.assign(static_cast<size_t>(values), kQuietNaN);
    } catch (const std::bad_alloc&) {
        return GridStatus::OutOfMemory;
    }
    m_nCameraCount = cameras;
    return GridStatus::Ok;
}

CCoverageVolume::GridStatus CCoverageVolume::ComputeCoverage() { return Compute(false); }

CCoverageVolume::GridStatus CCoverageVolume::ComputeCoverageFromCalibration() { return Compute(true); }

// Both modes differ only in how the frustum edges are derived.
CCoverageVolume::GridStatus CCoverageVolume::Compute(bool fromCalibration)
{
    if (!m_bGridBuilt)
        return GridStatus::InvalidSize;
    if (const GridStatus status = AllocateResolution(); status != GridStatus::Ok) {
        Release();
        return status;
    }
    if (fromCalibration)
        BuildEdgesFromCalibration();
    else
        BuildEdges();
    CountAndResolve(fromCalibration);
    ComputeResolutionScale();
    m_bComputed = true;
    return GridStatus::Ok;
}

void CCoverageVolume::SetRotation(Axis axis, long double radians)
{
    const float c = static_cast<float>(std::cos(radians));
    const float s = static_cast<float>(std::sin(radians));
    auto& m = m_mStep.m;
    switch (axis) {
    case Axis::X:
        m[0] = {1, 0, 0, m[0][3]};
        m[1] = {0, c, -s, m[1][3]};
        m[2] = {0, s, c, m[2][3]};
        break;
    case Axis::Y:
        m[0] = {c, 0, s, m[0][3]};
        m[1] = {0, 1, 0, m[1][3]};
        m[2] = {-s, 0, c, m[2][3]};
        break;
    case Axis::Z:
        m[0] = {c, -s, 0, m[0][3]};
        m[1] = {s, c, 0, m[1][3]};
        m[2] = {0, 0, 1, m[2][3]};
        break;
    }
}

void CCoverageVolume::ApplyStep()
{
    m_mApply = m_mStep;
    m_vWork = m_mApply * m_vWork;
}

void CCoverageVolume::TurnWork(const Vec3d& start, const Turn (&turns)[4])
{
    m_vWork = {static_cast<float>(start.x), static_cast<float>(start.y), static_cast<float>(start.z), 0.0f};
    for (const Turn& turn : turns) {
        SetRotation(turn.axis, turn.radians);
        ApplyStep();
    }
}

void CCoverageVolume::BuildEdges()
{
    CCameraSet* set = CCameraSet::Current();
    auto turnEdge = [this](const Vec3d& start, const Turn(&turns)[4]) {
        TurnWork(start, turns);
        return Normalized({m_vWork[0], m_vWork[1], m_vWork[2]});
    };
    // The angles are formed in extended precision; only their cosines and
    // sines are rounded, into the float matrix.
    for (int c = 0; c < static_cast<int>(m_nCameraCount); ++c) {
        const long double halfH = static_cast<long double>(set->GetHFov(c)) * 0.5L * kRadiansPerDegree;
        const long double halfV = static_cast<long double>(set->GetVFov(c)) * 0.5L * kRadiansPerDegree;
        const long double a = static_cast<long double>(set->GetHTilt(c)) * kRadiansPerDegree;
        const long double b = static_cast<long double>(set->GetVTilt(c));
        const long double s = static_cast<long double>(set->GetSpin(c)) * kRadiansPerDegree;
        const long double quarterMinusB = (90.0L - b) * kRadiansPerDegree;
        const long double minusB = -b * kRadiansPerDegree;
        // Each edge turns the direction stored now (the reset value), not a constant.
        set->SetEdgeHPlus(c, turnEdge(set->GetEdgeHPlus(c),
                                      {{Axis::X, halfH}, {Axis::Y, -s}, {Axis::Z, quarterMinusB}, {Axis::Y, a}}));
        set->SetEdgeHMinus(c, turnEdge(set->GetEdgeHMinus(c),
                                       {{Axis::X, -halfH}, {Axis::Y, -s}, {Axis::Z, quarterMinusB}, {Axis::Y, a}}));
        set->SetEdgeVPlus(
            c, turnEdge(set->GetEdgeVPlus(c), {{Axis::Z, halfV}, {Axis::X, s}, {Axis::Z, minusB}, {Axis::Y, a}}));
        set->SetEdgeVMinus(
            c, turnEdge(set->GetEdgeVMinus(c), {{Axis::Z, -halfV}, {Axis::X, s}, {Axis::Z, minusB}, {Axis::Y, a}}));
    }
}

void CCoverageVolume::BuildEdgesFromCalibration()
{
    CCameraSet* set = CCameraSet::Current();
    for (int c = 0; c < static_cast<int>(m_nCameraCount); ++c) {
        if (c >= kCalibrationSlots) {
            // No calibration slot, no orientation: no edges, and
            // CountAndResolve lets these cameras see nothing.
            set->SetEdgeHPlus(c, {});
            set->SetEdgeHMinus(c, {});
            set->SetEdgeVPlus(c, {});
            set->SetEdgeVMinus(c, {});
            continue;
        }
        const CalibrationMatrix& rc = set->GetCalibration(c);
        const long double halfH = static_cast<long double>(set->GetHFov(c)) * 0.5L * kRadiansPerDegree;
        const long double halfV = static_cast<long double>(set->GetVFov(c)) * 0.5L * kRadiansPerDegree;
        auto turnEdge = [&](Axis axis, long double radians) {
            m_vWork = {0.0f, 1.0f, 0.0f, 0.0f};
            SetRotation(axis, radians);
            ApplyStep();
            for (size_t r = 0; r < 3; ++r)
                for (size_t q = 0; q < 3; ++q)
                    m_mStep.m[r][q] = rc[3 * r + q];
            ApplyStep();
            // Fixed per-slot sign flips bring the calibration frames into the scene frame.
            if (c == 2) {
                m_vWork[1] = -m_vWork[1];
            } else if (c != 3 && c != 5) {
                m_vWork[0] = -m_vWork[0];
                m_vWork[1] = -m_vWork[1];
            }
            return Normalized({m_vWork[0], m_vWork[1], m_vWork[2]});
        };
        set->SetEdgeHPlus(c, turnEdge(Axis::X, halfH));
        set->SetEdgeHMinus(c, turnEdge(Axis::X, -halfH));
        set->SetEdgeVPlus(c, turnEdge(Axis::Z, halfV));
        set->SetEdgeVMinus(c, turnEdge(Axis::Z, -halfV));
    }
}

void CCoverageVolume::CountAndResolve(bool calibration)
{
    struct ActiveCamera {
        int index;
        bool oriented;
        Vec3d position;
        double focal;
        double a;
        double fov[4];
        double cosFov[4];
        Vec3d edges[4];
    };
    m_nIsoCount = 0;
    const SceneSettings* settings = GetSceneSettings();
    const CCameraSet* set = CCameraSet::Current();
    std::vector<ActiveCamera> active;
    if (settings && set) {
        const uint32_t end = std::min(settings->GetEndCamera(), m_nCameraCount);
        for (uint32_t c = settings->GetFirstCamera(); c < end; ++c) {
            const int i = static_cast<int>(c);
            if (set->GetEnabled(i) != 1)
                continue;
            const double hfov = set->GetHFov(i);
            const double vfov = set->GetVFov(i);
            const double cosH = FieldCosine(hfov), cosV = FieldCosine(vfov);
            // In test mode a camera without a calibration slot has no
            // orientation: it sees nothing and the iso list does not wait for
            // it, so the list holds what every calibrated camera sees rather
            // than being empty whenever the rig outgrows the slots. Its
            // resolution values, which depend on distance only, are kept.
            const bool oriented = !calibration || i < kCalibrationSlots;
            active.push_back({i,
                              oriented,
                              set->GetPosition(i),
                              set->GetFocalLength(i),
                              ApertureFactor(i),
                              {hfov, hfov, vfov, vfov},
                              {cosH, cosH, cosV, cosV},
                              {Normalized(set->GetEdgeHPlus(i)), Normalized(set->GetEdgeHMinus(i)),
                               Normalized(set->GetEdgeVPlus(i)), Normalized(set->GetEdgeVMinus(i))}});
        }
    }
    const auto enabledInRange = static_cast<uint32_t>(
        std::count_if(active.begin(), active.end(), [](const ActiveCamera& cam) { return cam.oriented; }));
    const size_t n = GetVoxelCount();

    // Voxels are visited in index order, which walks every array forwards;
    // a voxel's outcome does not depend on the others.
    const size_t progressStep = std::max<size_t>(n / 100, 1);
    for (size_t t = 0; t < n; ++t) {
        const float* centre = &m_pCentres[3 * t];
        const Vec3d p{centre[0], centre[1], centre[2]};
        m_nRunCount = 0;
        for (const ActiveCamera& cam : active) {
            const Vec3d d = p - cam.position;
            const double dist = Length(d);
            m_pResolution[static_cast<size_t>(cam.index) * n + t] =
                static_cast<float>((1.0 + cam.focal / (dist * 1000.0)) * cam.a);
            const Vec3d u = dist != 0.0 ? Vec3d{d.x / dist, d.y / dist, d.z / dist} : Vec3d{};
            bool seen = cam.oriented;
            for (int e = 0; e < 4 && seen; ++e)
                seen = WithinField(Dot(cam.edges[e], u), cam.fov[e], cam.cosFov[e]);
            m_nRunCount += seen ? 1 : 0;
        }
        m_pSeenCount[t] = static_cast<uint32_t>(m_nRunCount);
        if (m_progress && (t + 1) % progressStep == 0)
            m_progress(static_cast<double>(t + 1) / static_cast<double>(n));
    }

    // The iso list holds the voxels every awaited camera sees, in the order
    // x slowest, then the layer, then z, of t = a + CountX (b + CountY g).
    for (uint32_t a = 0; a < m_nCountX && enabledInRange != 0; ++a) {
        for (uint32_t b = 0; b < m_nCountY; ++b) {
            for (uint32_t g = 0; g < m_nCountZ; ++g) {
                const size_t t = a + static_cast<size_t>(m_nCountX) * (b + static_cast<size_t>(m_nCountY) * g);
                if (m_pSeenCount[t] != enabledInRange)
                    continue;
                std::copy_n(&m_pCentres[3 * t], 3, &m_pIsoCentres[3 * static_cast<size_t>(m_nIsoCount)]);
                m_pIsoIndex[m_nIsoCount] = static_cast<int32_t>(t);
                ++m_nIsoCount;
            }
        }
    }
    if (m_progress)
        m_progress(1.0);
}

double CCoverageVolume::ApertureFactor(int camera)
{
    const CCameraSet* set = CCameraSet::Current();
    if (!set)
        return std::numeric_limits<double>::quiet_NaN();
    return set->GetFocalLength(camera) * static_cast<double>(static_cast<float>(set->GetAperture(camera)));
}

int CCoverageVolume::ResolutionCameraIndex() const
{
    // Valid for the rig as it is now and, once computed, for the values held.
    uint32_t cameras = RigCameraCount();
    if (m_nCameraCount != 0)
        cameras = std::min(cameras, m_nCameraCount);
    if (m_nResolutionCamera < 0 || static_cast<uint32_t>(m_nResolutionCamera) >= cameras)
        return 0;
    return m_nResolutionCamera;
}

void CCoverageVolume::SetResolutionCamera(int camera)
{
    m_nResolutionCamera = camera;
}

int CCoverageVolume::GetResolutionCamera() const
{
    return ResolutionCameraIndex();
}

void CCoverageVolume::ComputeResolutionScale()
{
    const SceneSettings* settings = GetSceneSettings();
    const CCameraSet* set = CCameraSet::Current();
    if (m_nCameraCount == 0 || !settings || !set)
        return;
    const int r = ResolutionCameraIndex();
    const float focal = set->GetFocalLength(r);
    const double a = ApertureFactor(r);
    // The value at half a voxel from the camera, and at the room diagonal.
    const long double halfVoxelMm = static_cast<long double>(m_fVoxelEdge) * 0.5f * 1000.0f;
    m_dResolutionMax = static_cast<double>((1.0L + focal / halfVoxelMm) * a);
    const float h2 = settings->GetRoomHeight() * settings->GetRoomHeight();
    const float w2 = settings->GetRoomWidth() * settings->GetRoomWidth();
    const float l2 = settings->GetRoomLength() * settings->GetRoomLength();
    const long double diagonal = std::sqrt(static_cast<long double>(h2) + w2 + l2);
    m_dResolutionMin = static_cast<double>((1.0L + focal / (diagonal * 1000.0L)) * a);
    m_dBandWidth = (m_dResolutionMax - m_dResolutionMin) * 0.14285714285714285;
}

float CCoverageVolume::Resolution(int camera, size_t t) const
{
    if (!m_bComputed || camera < 0 || static_cast<uint32_t>(camera) >= m_nCameraCount || t >= GetVoxelCount())
        return kQuietNaN;
    return m_pResolution[static_cast<size_t>(camera) * GetVoxelCount() + t];
}

float CCoverageVolume::ResolutionOfMapCamera(size_t t) const
{
    return Resolution(ResolutionCameraIndex(), t);
}

int CCoverageVolume::GetLayerTotal() const
{
    return m_bComputed ? static_cast<int>(m_nCountY) : 0;
}
