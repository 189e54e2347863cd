// The visibility pass: which cameras of the active range see each voxel
// (the division-free row test, the exact test at a field's boundary, what
// obstacles take back), the resolution camera's values beside it, and the
// iso list of the voxels every awaited camera sees.
#include "coverage/CoverageVolume.h"

#include "cameras/CameraSet.h"
#include "coverage/CoverageInput.h"
#include "coverage/FieldTest.h"
#include "coverage/obstacles/Occlusion.h"

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <new>
#include <numeric>
#include <vector>

namespace
{

// Iso-list slabs of this many x columns share the cache lines they read.
constexpr uint32_t kIsoSlab = 16;

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
