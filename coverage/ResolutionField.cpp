// The resolution field: the value each camera gives a voxel, falling
// towards its aperture factor with distance; the resolution camera whose
// values are held, the others computed on demand to the same bit; and the
// colour scale of the map.
#include "coverage/CoverageVolume.h"

#include "cameras/CameraSet.h"
#include "coverage/CoverageInput.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

constexpr float kQuietNaN = std::numeric_limits<float>::quiet_NaN();

// The value a camera's resolution falls towards 'a' with distance.
float ResolutionAt(double focal, double a, double dist)
{
    return static_cast<float>((1.0 + focal / (dist * 1000.0)) * a);
}

} // namespace

double CCoverageVolume::ApertureFactor(const CCameraSet& cameras, int camera)
{
    return cameras.GetFocalLength(camera) * static_cast<double>(static_cast<float>(cameras.GetAperture(camera)));
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
