#include "coverage/CoverageVolume.h"

#include "coverage/CoverageInput.h"
#include "coverage/FieldTest.h"
#include "coverage/FrustumEdges.h"
#include "coverage/GridBudget.h"
#include "coverage/obstacles/Occlusion.h"

#include "cameras/Angles.h"
#include "cameras/CameraSet.h"
#include "scene/MemoryInfo.h"
#include "scene/SceneSettings.h"

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <numeric>

namespace
{

constexpr float kQuietNaN = std::numeric_limits<float>::quiet_NaN();

// Bytes per voxel of a computation's arrays: count, the resolution camera's
// value and, at most, an iso-list index.
constexpr uint64_t kResultBytesPerVoxel = sizeof(uint32_t) + sizeof(float) + sizeof(int32_t);

// Iso-list slabs of this many x columns share the cache lines they read.
constexpr uint32_t kIsoSlab = 16;

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

void CCoverageVolume::SetObstacles(std::shared_ptr<const CObstacleSet> obstacles)
{
    m_pObstacles = std::move(obstacles);
}

uint32_t CCoverageVolume::ProcessRigCameraCount()
{
    const SceneSettings* settings = GetSceneSettings();
    const CCameraSet* cameras = CCameraSet::Current();
    if (!settings || !cameras || !cameras->IsAllocated())
        return 0;
    return settings->GetCameraCount();
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

CCoverageVolume::GridStatus CCoverageVolume::BuildGrid()
{
    return BuildGrid(CoverageInput::FromProcessState());
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

CCoverageVolume::GridStatus CCoverageVolume::ComputeCoverage()
{
    return ComputeOnProcessState(false);
}

CCoverageVolume::GridStatus CCoverageVolume::ComputeCoverageFromCalibration()
{
    return ComputeOnProcessState(true);
}

CCoverageVolume::GridStatus CCoverageVolume::ComputeOnProcessState(bool fromCalibration)
{
    CoverageInput input = CoverageInput::FromProcessState();
    input.obstacles = m_pObstacles;
    const GridStatus status = Compute(input, fromCalibration);
    if (CCameraSet* cameras = CCameraSet::Current())
        cameras->TakeDerivedValues(input.cameras);
    return status;
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
        BuildEdgesFromCalibration(input.cameras);
    else
        BuildEdges(input.cameras);
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

void CCoverageVolume::BuildEdges(CCameraSet& cameras) const
{
    CCameraSet* set = &cameras;
    for (int c = 0; c < static_cast<int>(m_nCameraCount); ++c)
        SetEdges(*set, c, AimedFrustumEdges(AnglesOf(*set, c), EdgesOf(*set, c)));
}

void CCoverageVolume::BuildEdgesFromCalibration(CCameraSet& cameras) const
{
    CCameraSet* set = &cameras;
    for (int c = 0; c < static_cast<int>(m_nCameraCount); ++c) {
        // No calibration slot, no orientation: no edges, and CountAndResolve
        // lets these cameras see nothing.
        const FrustumEdges none{{}, {}, {}, {}};
        SetEdges(*set, c,
                 c < kCalibrationSlots
                     ? CalibrationFrustumEdges(set->GetHFov(c), set->GetVFov(c), set->GetCalibration(c), c)
                     : none);
    }
}

namespace
{

// The value a camera's resolution falls towards 'a' with distance.
float ResolutionAt(double focal, double a, double dist)
{
    return static_cast<float>((1.0 + focal / (dist * 1000.0)) * a);
}

// A camera of the active range as the pass reads it.
struct ActiveCamera {
    int index;
    bool oriented;
    Vec3d position;
    double fov[4];
    double cosFov[4];
    Vec3d edges[4];
    // Bounds of the division-free edge test, horizontal pair then vertical.
    double above[2];
    double below[2];
};

// The exact test of one camera and the voxel centred at p, for the voxels
// the squared test leaves open: p lies within the field of all four edges.
bool SeesExactly(const ActiveCamera& cam, const Vec3d& p)
{
    const Vec3d d = p - cam.position;
    const double l = Length(d);
    const Vec3d u = l != 0.0 ? Vec3d{d.x / l, d.y / l, d.z / l} : Vec3d{};
    bool within = true;
    for (int e = 0; e < 4 && within; ++e)
        within = WithinField(Dot(cam.edges[e], u), cam.fov[e], cam.cosFov[e]);
    return within;
}

} // namespace

bool CCoverageVolume::CountAndResolve(bool calibration, const CoverageInput& input)
{
    m_nIsoCount = 0;
    const CCameraSet* set = &input.cameras;
    std::vector<ActiveCamera> active;
    m_aCameraValues.assign(m_nCameraCount, {});
    {
        const uint32_t end = std::min(input.endCamera, m_nCameraCount);
        for (uint32_t c = input.firstCamera; c < end; ++c) {
            const int i = static_cast<int>(c);
            if (set->GetEnabled(i) != 1)
                continue;
            m_aCameraValues[c] = {true, set->GetPosition(i), set->GetFocalLength(i), ApertureFactor(*set, i)};
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
                              {hfov, hfov, vfov, vfov},
                              {cosH, cosH, cosV, cosV},
                              {Normalized(set->GetEdgeHPlus(i)), Normalized(set->GetEdgeHMinus(i)),
                               Normalized(set->GetEdgeVPlus(i)), Normalized(set->GetEdgeVMinus(i))},
                              {FieldAbove(cosH), FieldAbove(cosV)},
                              {FieldBelow(cosH), FieldBelow(cosV)}});
        }
    }
    const int map = MapCameraIndex();
    m_nHeldCamera = static_cast<size_t>(map) < m_aCameraValues.size() && m_aCameraValues[map].held ? map : -1;
    const CameraValues* mapValues = m_nHeldCamera >= 0 ? &m_aCameraValues[m_nHeldCamera] : nullptr;
    const auto awaited = static_cast<uint32_t>(
        std::count_if(active.begin(), active.end(), [](const ActiveCamera& cam) { return cam.oriented; }));

    // The voxels of one x column and z row lie together, the layer j
    // running: x and z are constant along it. Rows are independent, so they
    // are shared out over the threads; every voxel gets the same operations
    // as one visited alone would.
    const uint32_t ny = m_nCountY;
    const size_t rows = static_cast<size_t>(m_nCountX) * m_nCountZ;
    const size_t progressStep = std::max<size_t>(rows / 100, 1);
    const VectorPath path = m_eVectorPath;
    const double* ys = m_aRowY.data();
    std::atomic<size_t> rowsDone{0};
    const COcclusion* occlusion = m_pOcclusion.get();
#pragma omp parallel num_threads(ThreadCount())
    {
        // Per layer of a row: the count so far, and whether the camera at
        // hand is left to the exact test.
        std::vector<int64_t> counts(PaddedRow(ny)), opens(PaddedRow(ny));
        int64_t* count = counts.data();
        int64_t* open = opens.data();
        // The counts before the camera at hand, where obstacles may take its sight back.
        std::vector<int64_t> priors(occlusion ? ny : 0);
        const bool reports = m_progress && omp_get_thread_num() == 0;
        size_t reported = 0;
#pragma omp for schedule(dynamic, 8)
        for (size_t r = 0; r < rows; ++r) {
            // A worksharing loop cannot be left early: once cancelled, the
            // remaining rows are passed over.
            if (IsCancelled())
                continue;
            const size_t t0 = r * ny;
            const double x = m_aCentreX[r % m_nCountX];
            const double z = m_aCentreZ[r / m_nCountX];
            std::fill(counts.begin(), counts.end(), 0);
            if (mapValues) {
                const double dx = x - mapValues->position.x, dz = z - mapValues->position.z;
                ResolveRow(path, dx * dx, dz * dz, mapValues->position.y, mapValues->focal, mapValues->a, ys, ny,
                           &m_pResolution[t0]);
            }
            for (const ActiveCamera& cam : active) {
                if (!cam.oriented)
                    continue;
                const double dx = x - cam.position.x, dz = z - cam.position.z;
                RowCamera row;
                row.dxx = dx * dx;
                row.dzz = dz * dz;
                row.py = cam.position.y;
                for (int e = 0; e < 4; ++e) {
                    row.rowDot[e] = cam.edges[e].x * dx + cam.edges[e].z * dz;
                    row.ey[e] = cam.edges[e].y;
                }
                for (int p = 0; p < 2; ++p) {
                    row.above[p] = cam.above[p];
                    row.below[p] = cam.below[p];
                }
                // Only the layers that may lie in a narrow field are tested,
                // from the start of a whole vector (the row buffers are padded).
                uint32_t first = 0, end = ny;
                if (NarrowRowSpan(row, ys, ny, first, end)) {
                    if (first == end)
                        continue;
                    first = first / kRowPadding * kRowPadding;
                }
                if (occlusion)
                    std::copy_n(count, ny, priors.data());
                // The camera sees voxel j where the squared test is sure of
                // it, or, next to a field's boundary, where the exact test is.
                if (ClassifyRow(path, row, ys + first, end - first, count + first, open + first)) {
                    for (uint32_t j = first; j < end; ++j) {
                        if (open[j] != 0 && SeesExactly(cam, {x, ys[j], z}))
                            ++count[j];
                    }
                }
                if (occlusion)
                    occlusion->UnseeRow(cam.position, r, priors.data(), count);
            }
            std::copy_n(count, ny, &m_pSeenCount[t0]);
            const size_t done = rowsDone.fetch_add(1, std::memory_order_relaxed) + 1;
            if (reports && done / progressStep > reported) {
                reported = done / progressStep;
                m_progress(static_cast<double>(done) / static_cast<double>(rows));
            }
        }
    }
    if (IsCancelled() || !BuildIsoList(awaited))
        return false;
    if (m_progress)
        m_progress(1.0);
    return true;
}

bool CCoverageVolume::BuildIsoList(uint32_t awaited)
{
    // The iso list holds the voxels every awaited camera sees, in the order
    // x slowest, then the layer, then z, of t = a + CountX (b + CountY g).
    // Counted per a first, so the list is sized exactly and each slab of a
    // fills its own stretch of it.
    const uint32_t nx = m_nCountX, ny = m_nCountY, nz = m_nCountZ;
    const size_t plane = static_cast<size_t>(nx) * ny;
    const uint32_t slabs = (nx + kIsoSlab - 1) / kIsoSlab;
    std::vector<size_t> start(static_cast<size_t>(nx) + 1, 0);
    auto walk = [&](auto&& visit) {
#pragma omp parallel for schedule(dynamic, 1) num_threads(ThreadCount())
        for (uint32_t s = 0; s < slabs; ++s) {
            const uint32_t a0 = s * kIsoSlab, a1 = std::min(nx, a0 + kIsoSlab);
            for (uint32_t b = 0; b < ny; ++b) {
                for (uint32_t g = 0; g < nz; ++g) {
                    const size_t t0 = static_cast<size_t>(nx) * b + plane * g;
                    for (uint32_t a = a0; a < a1; ++a) {
                        if (m_pSeenCount[t0 + a] == awaited)
                            visit(a, t0 + a);
                    }
                }
            }
        }
    };
    if (awaited != 0)
        walk([&](uint32_t a, size_t) { ++start[a + 1]; });
    std::partial_sum(start.begin(), start.end(), start.begin());
    const size_t total = start[nx];
    try {
        m_pIsoIndex = AllocateVoxelArray<int32_t>(total);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (total != 0)
        walk([&](uint32_t a, size_t t) { m_pIsoIndex[start[a]++] = static_cast<int32_t>(t); });
    m_nIsoCount = static_cast<uint32_t>(total);
    return true;
}

double CCoverageVolume::ApertureFactor(const CCameraSet& cameras, int camera)
{
    return cameras.GetFocalLength(camera) * static_cast<double>(static_cast<float>(cameras.GetAperture(camera)));
}

double CCoverageVolume::ApertureFactor(int camera)
{
    const CCameraSet* set = CCameraSet::Current();
    return set ? ApertureFactor(*set, camera) : std::numeric_limits<double>::quiet_NaN();
}

int CCoverageVolume::ResolutionCameraIndex(uint32_t rigCameras) const
{
    // Valid for the rig given and, once computed, for the values held.
    uint32_t cameras = rigCameras;
    if (m_nCameraCount != 0)
        cameras = std::min(cameras, m_nCameraCount);
    if (m_nResolutionCamera < 0 || static_cast<uint32_t>(m_nResolutionCamera) >= cameras)
        return 0;
    return m_nResolutionCamera;
}

void CCoverageVolume::SetResolutionCamera(int camera)
{
    m_nResolutionCamera = camera;
    if (m_bComputed)
        HoldMapCameraValues();
}

void CCoverageVolume::HoldMapCameraValues()
{
    const int map = MapCameraIndex();
    if (map == m_nHeldCamera)
        return;
    // Marked first: the fill computes every value afresh.
    m_nHeldCamera = -1;
    if (static_cast<size_t>(map) >= m_aCameraValues.size() || !m_aCameraValues[map].held)
        return;
    FillResolution(map, 0, GetVoxelCount(), m_pResolution.get());
    m_nHeldCamera = map;
}

int CCoverageVolume::GetResolutionCamera() const
{
    return ResolutionCameraIndex(ProcessRigCameraCount());
}

void CCoverageVolume::ComputeResolutionScale(const CoverageInput& input)
{
    const CCameraSet* set = &input.cameras;
    if (m_nCameraCount == 0)
        return;
    const int r = MapCameraIndex();
    const float focal = set->GetFocalLength(r);
    const double a = ApertureFactor(*set, r);
    // The value at half a voxel from the camera, and at the room diagonal.
    const long double halfVoxelMm = static_cast<long double>(m_fVoxelEdge) * 0.5f * 1000.0f;
    m_dResolutionMax = static_cast<double>((1.0L + focal / halfVoxelMm) * a);
    const float h2 = input.roomHeight * input.roomHeight;
    const float w2 = input.roomWidth * input.roomWidth;
    const float l2 = input.roomLength * input.roomLength;
    const long double diagonal = std::sqrt(static_cast<long double>(h2) + w2 + l2);
    m_dResolutionMin = static_cast<double>((1.0L + focal / (diagonal * 1000.0L)) * a);
    m_dBandWidth = (m_dResolutionMax - m_dResolutionMin) * 0.14285714285714285;
}

float CCoverageVolume::Resolution(int camera, size_t t) const
{
    if (!m_bComputed || camera < 0 || static_cast<uint32_t>(camera) >= m_nCameraCount || t >= GetVoxelCount())
        return kQuietNaN;
    if (camera == m_nHeldCamera)
        return m_pResolution[t];
    const CameraValues& cam = m_aCameraValues[static_cast<size_t>(camera)];
    return cam.held ? ResolutionAt(cam.focal, cam.a, Length(CentreOf(t) - cam.position)) : kQuietNaN;
}

void CCoverageVolume::FillResolution(int camera, size_t first, size_t count, float* out) const
{
    const size_t n = GetVoxelCount();
    const size_t end = first < n ? first + std::min(count, n - first) : first;
    if (!m_bComputed || camera < 0 || static_cast<uint32_t>(camera) >= m_nCameraCount || first >= n) {
        std::fill_n(out, count, kQuietNaN);
        return;
    }
    std::fill(out + (end - first), out + count, kQuietNaN);
    const CameraValues& cam = m_aCameraValues[static_cast<size_t>(camera)];
    if (camera == m_nHeldCamera) {
        std::copy(&m_pResolution[first], &m_pResolution[end], out);
        return;
    }
    if (!cam.held) {
        std::fill(out, out + (end - first), kQuietNaN);
        return;
    }
    // Along rows of the layer j, as the pass forms them.
    const uint32_t ny = m_nCountY;
    const size_t rowFirst = first / ny, rowEnd = (end + ny - 1) / ny;
    const long long rows = static_cast<long long>(rowEnd - rowFirst);
#pragma omp parallel for schedule(dynamic, 64) num_threads(ThreadCount()) if (end - first > 65536)
    for (long long q = 0; q < rows; ++q) {
        const size_t r = rowFirst + static_cast<size_t>(q);
        const double dx = m_aCentreX[r % m_nCountX] - cam.position.x;
        const double dz = m_aCentreZ[r / m_nCountX] - cam.position.z;
        const size_t t0 = std::max(r * ny, first), t1 = std::min((r + 1) * ny, end);
        ResolveRow(m_eVectorPath, dx * dx, dz * dz, cam.position.y, cam.focal, cam.a, &m_aRowY[t0 - r * ny],
                   static_cast<uint32_t>(t1 - t0), out + (t0 - first));
    }
}

float CCoverageVolume::ResolutionOfMapCamera(size_t t) const
{
    const int map = MapCameraIndex();
    return map == m_nHeldCamera && t < GetVoxelCount() ? m_pResolution[t] : Resolution(map, t);
}

int CCoverageVolume::GetLayerTotal() const
{
    return m_bComputed ? static_cast<int>(m_nCountY) : 0;
}
