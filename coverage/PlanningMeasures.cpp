#include "coverage/PlanningMeasures.h"

#include "cameras/CameraSet.h"
#include "coverage/CoverageFigures.h"
#include "coverage/CoverageInput.h"
#include "coverage/CoverageVolume.h"
#include "coverage/OccludedAngle.h"
#include "coverage/PlanningCamera.h"
#include "coverage/obstacles/Occlusion.h"
#include "scene/MemoryInfo.h"
#include "scene/Vec3d.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <numbers>

namespace
{

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();
constexpr double kDegreesPerTrueRadian = 180.0 / std::numbers::pi;

// A pair this close to 90 degrees cannot be bettered by enough to matter, so
// the pair search stops there (once nothing else is left to learn).
constexpr double kRightAngleToleranceDeg = 1.0;

// Below this share of the largest eigenvalue the rays are taken as parallel:
// a depth that no pair of them can fix.
constexpr double kParallelRatio = 1e-9;

// Bytes per voxel of the measure arrays.
constexpr uint64_t kBytesPerVoxel = sizeof(uint16_t) + 4 * sizeof(float) + sizeof(uint8_t);
// The occluded angle a performer may turn through and still be tracked well.
constexpr double kOccludedFairDeg = 45.0;

// The sum J of (I - u u^T) / sigma^2, upper triangle: xx, xy, xz, yy, yz, zz.
struct InformationSum {
    double m[6] = {};
    void Add(const double (&u)[3], double sigma)
    {
        const double w = 1.0 / (sigma * sigma);
        m[0] += w * (1.0 - u[0] * u[0]);
        m[1] -= w * u[0] * u[1];
        m[2] -= w * u[0] * u[2];
        m[3] += w * (1.0 - u[1] * u[1]);
        m[4] -= w * u[1] * u[2];
        m[5] += w * (1.0 - u[2] * u[2]);
    }
    // sqrt of the largest eigenvalue of J^-1, that is 1 / sqrt(smallest of J).
    double Sigma() const
    {
        Eigen::Matrix3d j;
        j << m[0], m[1], m[2], m[1], m[3], m[4], m[2], m[4], m[5];
        Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> solver;
        solver.computeDirect(j, Eigen::EigenvaluesOnly);
        const Eigen::Vector3d values = solver.eigenvalues(); // ascending
        if (!(values[2] > 0.0) || !(values[0] > kParallelRatio * values[2]))
            return kNaN;
        return 1.0 / std::sqrt(values[0]);
    }
};

// Nearest rank: the smallest value with at least q of the values at or below it.
double NearestRank(std::vector<float>& values, double q)
{
    if (values.empty())
        return kNaN;
    const auto n = static_cast<double>(values.size());
    size_t rank = static_cast<size_t>(std::ceil(q * n));
    rank = std::clamp<size_t>(rank, 1, values.size());
    const auto nth = values.begin() + static_cast<std::ptrdiff_t>(rank - 1);
    std::nth_element(values.begin(), nth, values.end());
    return *nth;
}

// One camera that sees a marker at the voxel in hand.
struct MarkerRay {
    uint32_t camera; // position in the counted list
    double u[3];
};

} // namespace

std::optional<std::string> CheckPlanningSettings(const PlanningSettings& s)
{
    // Plausible ranges: what lies outside is a typing error, and values near
    // 0 or far beyond would only make the figures meaningless.
    struct Bounded {
        const char* name;
        double value, low, high;
        const char* unit;
    };
    const Bounded bounded[] = {
        {"marker diameter", s.markerDiameterMm, 0.1, 1000.0, "mm"},
        {"minimum marker image", s.minImagePx, 0.1, 1000.0, "px"},
        {"image noise", s.pixelNoisePx, 0.001, 100.0, "px"},
        {"3D error bound", s.sigmaBoundMm, 0.001, 10000.0, "mm"},
    };
    for (const Bounded& b : bounded) {
        if (!(b.value >= b.low && b.value <= b.high)) {
            char range[64];
            std::snprintf(range, sizeof range, "from %g to %g %s", b.low, b.high, b.unit);
            return std::string(b.name) + ": must be a number " + range;
        }
    }
    if (!std::isfinite(s.minAngleDeg) || !std::isfinite(s.maxAngleDeg) || s.minAngleDeg < 0.0 ||
        s.maxAngleDeg > 180.0 || s.minAngleDeg > s.maxAngleDeg)
        return "triangulation angle range: must be two angles from 0 to 180 degrees, the first not above the second";
    // No pair angle lies in a range of no width: nothing would triangulate.
    if (s.minAngleDeg == s.maxAngleDeg)
        return "triangulation angle range: must not be empty, the first angle below the second";
    return std::nullopt;
}

double PixelPitchMm(double frameWidthMm, double frameHeightMm, int pixelsX, int pixelsY)
{
    if (pixelsX < 1 || pixelsY < 1)
        return kNaN;
    return std::max(frameWidthMm / pixelsX, frameHeightMm / pixelsY);
}

double MarkerImagePx(double focalMm, double markerMm, double depthMm, double pitchMm)
{
    if (!(depthMm > focalMm))
        return kNaN;
    return focalMm * markerMm / ((depthMm - focalMm) * pitchMm);
}

double CameraReachMm(double focalMm, double markerMm, double minImagePx, double pitchMm)
{
    return focalMm * markerMm / (minImagePx * pitchMm) + focalMm;
}

double RayAngleDeg(const double (&a)[3], const double (&b)[3])
{
    const double dot = std::clamp(a[0] * b[0] + a[1] * b[1] + a[2] * b[2], -1.0, 1.0);
    return std::acos(dot) * kDegreesPerTrueRadian;
}

double Sigma3dMm(const std::vector<std::array<double, 3>>& rays, const std::vector<double>& sigmaMm)
{
    if (rays.size() < 2 || sigmaMm.size() != rays.size())
        return kNaN;
    InformationSum sum;
    for (size_t r = 0; r < rays.size(); ++r)
        sum.Add({rays[r][0], rays[r][1], rays[r][2]}, sigmaMm[r]);
    return sum.Sigma();
}

const char* PlanningMeasureKey(PlanningMeasure measure)
{
    switch (measure) {
    case PlanningMeasure::Cameras:
        return "cameras";
    case PlanningMeasure::MarkerPx:
        return "marker-px";
    case PlanningMeasure::Angle:
        return "angle";
    case PlanningMeasure::Sigma:
        return "sigma";
    case PlanningMeasure::Occlusion:
        return "occlusion";
    }
    return "";
}

std::optional<PlanningMeasure> PlanningMeasureFromKey(const std::string& key)
{
    for (PlanningMeasure m : {PlanningMeasure::Cameras, PlanningMeasure::MarkerPx, PlanningMeasure::Angle,
                              PlanningMeasure::Sigma, PlanningMeasure::Occlusion}) {
        if (key == PlanningMeasureKey(m))
            return m;
    }
    return std::nullopt;
}

const char* PlanningMeasureName(PlanningMeasure measure)
{
    switch (measure) {
    case PlanningMeasure::Cameras:
        return "Cameras seeing a marker";
    case PlanningMeasure::MarkerPx:
        return "Best marker size";
    case PlanningMeasure::Angle:
        return "Best pair angle";
    case PlanningMeasure::Sigma:
        return "Expected 3D error";
    case PlanningMeasure::Occlusion:
        return "Occluded angle";
    }
    return "";
}

const char* PlanningMeasureUnit(PlanningMeasure measure)
{
    switch (measure) {
    case PlanningMeasure::Cameras:
        return "";
    case PlanningMeasure::MarkerPx:
        return "px";
    case PlanningMeasure::Angle:
        return "deg";
    case PlanningMeasure::Sigma:
        return "mm";
    case PlanningMeasure::Occlusion:
        return "deg";
    }
    return "";
}

void CPlanningMeasures::Release()
{
    m_bComputed = false;
    m_pMarkerCount = {};
    m_pBestMarkerPx = {};
    m_pBestAngleDeg = {};
    m_pSigma3d = {};
    m_pTriangulable = {};
    m_pOccludedDeg = {};
    m_cameraFigures = {};
    m_aSeenAtLeast = {};
    m_aMarkerAtLeast = {};
    m_nTriangulable = m_nWithinSigma = 0;
    m_dSigmaMedian = m_dSigmaP95 = kNaN;
    m_dOccludedMean = kNaN;
    m_nUnoccluded = m_nOccludedWithin45 = 0;
}

float CPlanningMeasures::Value(PlanningMeasure measure, size_t t) const
{
    switch (measure) {
    case PlanningMeasure::Cameras:
        return static_cast<float>(m_pMarkerCount[t]);
    case PlanningMeasure::MarkerPx:
        return m_pBestMarkerPx[t];
    case PlanningMeasure::Angle:
        return m_pBestAngleDeg[t];
    case PlanningMeasure::Sigma:
        return m_pSigma3d[t];
    case PlanningMeasure::Occlusion:
        return m_pOccludedDeg[t];
    }
    return kNaNf;
}

double CPlanningMeasures::VolumeOf(uint64_t voxels) const
{
    return VoxelVolumeM3(voxels, m_fVoxelEdge);
}

CPlanningMeasures::Status CPlanningMeasures::Compute(const CCoverageVolume& volume, const CoverageInput& input)
{
    Release();
    const CCameraSet* set = &input.cameras;
    if (!volume.HasResults() || !set->IsAllocated())
        return Status::NoCoverage;
    m_settings = input.planning;
    const PlanningSettings& s = m_settings;

    const size_t n = volume.GetVoxelCount();
    const uint32_t cameraCount = input.cameraCount;
    if (n * kBytesPerVoxel > AvailableMemoryBytes())
        return Status::OutOfMemory;
    try {
        m_pMarkerCount.assign(n, 0);
        m_pBestMarkerPx.assign(n, kNaNf);
        m_pBestAngleDeg.assign(n, kNaNf);
        m_pSigma3d.assign(n, kNaNf);
        m_pTriangulable.assign(n, 0);
        m_pOccludedDeg.assign(n, 360.0f);
        m_cameraFigures.resize(cameraCount);
    } catch (const std::bad_alloc&) {
        Release();
        return Status::OutOfMemory;
    }

    // The cameras the pass tests, and their places in the rig.
    std::vector<PlanningCamera> counted;
    std::vector<int> countedIndex;
    for (uint32_t c = 0; c < cameraCount; ++c) {
        const int i = static_cast<int>(c);
        CameraFigures& figures = m_cameraFigures[c];
        figures.number = c + 1;
        figures.reachMm = CameraReachOf(*set, i, s);
        figures.counted = c >= input.firstCamera && c < input.endCamera && set->GetEnabled(i) == 1;
        if (!figures.counted)
            continue;
        counted.push_back(MakePlanningCamera(*set, i, s));
        countedIndex.push_back(i);
    }
    const size_t m = counted.size();

    // Per-camera counts per thread, summed at the end: integers, so the sum
    // does not depend on how the voxels were shared out.
    std::vector<uint64_t> seenByCamera(m, 0), markerByCamera(m, 0), uniqueByCamera(m, 0);
    std::vector<uint64_t> markerHistogram(m + 1, 0);
    uint64_t triangulable = 0, withinSigma = 0, unoccluded = 0, within45 = 0;
    const double minAngle = s.minAngleDeg, maxAngle = s.maxAngleDeg;
    const COcclusion* occlusion = volume.GetOcclusion();

#pragma omp parallel
    {
        std::vector<uint64_t> seenLocal(m, 0), markerLocal(m, 0), uniqueLocal(m, 0), histogramLocal(m + 1, 0);
        uint64_t triangulableLocal = 0, withinLocal = 0, unoccludedLocal = 0, within45Local = 0;
        std::vector<MarkerRay> rays;
        rays.reserve(m);
        std::vector<std::array<double, 3>> occlusionRays;
        COccludedAngle occludedAngle;

#pragma omp for schedule(dynamic, 4096)
        for (size_t t = 0; t < n; ++t) {
            // Once cancelled the remaining voxels are passed over: a
            // worksharing loop cannot be left early.
            if (IsCancelled())
                continue;
            const auto centre = volume.Centre(t);
            const Vec3d p{centre[0], centre[1], centre[2]};
            rays.clear();
            InformationSum information;
            float bestPx = kNaNf;
            for (uint32_t k = 0; k < m; ++k) {
                const PlanningCamera& cam = counted[k];
                const MarkerSight sight = SightOf(cam, p);
                if (!sight.inField || (occlusion && occlusion->Blocks(cam.position, t, p)))
                    continue;
                ++seenLocal[k];
                if (!sight.marker)
                    continue;
                ++markerLocal[k];
                rays.push_back({k, {sight.ray.x, sight.ray.y, sight.ray.z}});
                information.Add(rays.back().u, cam.sigmaPerDepth * sight.depthMm);
                const auto size = static_cast<float>(sight.markerPx);
                if (!(size <= bestPx))
                    bestPx = size;
            }
            const size_t r = rays.size();
            ++histogramLocal[r];
            m_pMarkerCount[t] = static_cast<uint16_t>(r);
            m_pBestMarkerPx[t] = bestPx;
            if (r < 2) {
                // A voxel inside an obstacle holds no performer.
                if (occlusion && occlusion->Inside(t))
                    m_pOccludedDeg[t] = kNaNf;
                continue;
            }
            occlusionRays.clear();
            for (const MarkerRay& ray : rays)
                occlusionRays.push_back({ray.u[0], ray.u[1], ray.u[2]});
            const double occluded = occludedAngle.Measure(occlusionRays, minAngle, maxAngle);
            m_pOccludedDeg[t] = static_cast<float>(occluded);
            unoccludedLocal += occluded == 0.0 ? 1 : 0;
            within45Local += occluded <= kOccludedFairDeg ? 1 : 0;

            // The pair closest to 90 degrees, whether any pair lies in the
            // range, and the cameras every such pair shares: those are the
            // cameras without which the voxel is no longer triangulable.
            double bestAngle = kNaN, bestOff = std::numeric_limits<double>::infinity();
            bool anyPair = false;
            uint32_t shared[2] = {0, 0};
            int sharedCount = 0;
            bool done = false;
            for (size_t a = 0; a + 1 < r && !done; ++a) {
                for (size_t b = a + 1; b < r && !done; ++b) {
                    const double angle = RayAngleDeg(rays[a].u, rays[b].u);
                    if (std::abs(angle - 90.0) < bestOff) {
                        bestOff = std::abs(angle - 90.0);
                        bestAngle = angle;
                    }
                    if (angle >= minAngle && angle <= maxAngle) {
                        const uint32_t ca = rays[a].camera, cb = rays[b].camera;
                        if (!anyPair) {
                            anyPair = true;
                            shared[0] = ca;
                            shared[1] = cb;
                            sharedCount = 2;
                        } else {
                            int kept = 0;
                            for (int q = 0; q < sharedCount; ++q) {
                                if (shared[q] == ca || shared[q] == cb)
                                    shared[kept++] = shared[q];
                            }
                            sharedCount = kept;
                        }
                    }
                    done = anyPair && sharedCount == 0 && bestOff <= kRightAngleToleranceDeg;
                }
            }
            m_pBestAngleDeg[t] = static_cast<float>(bestAngle);
            const double sigma = information.Sigma();
            m_pSigma3d[t] = static_cast<float>(sigma);
            if (!anyPair)
                continue;
            m_pTriangulable[t] = 1;
            ++triangulableLocal;
            if (sigma <= s.sigmaBoundMm)
                ++withinLocal;
            for (int q = 0; q < sharedCount; ++q)
                ++uniqueLocal[shared[q]];
        }

#pragma omp critical
        {
            for (size_t k = 0; k < m; ++k) {
                seenByCamera[k] += seenLocal[k];
                markerByCamera[k] += markerLocal[k];
                uniqueByCamera[k] += uniqueLocal[k];
            }
            for (size_t k = 0; k <= m; ++k)
                markerHistogram[k] += histogramLocal[k];
            triangulable += triangulableLocal;
            withinSigma += withinLocal;
            unoccluded += unoccludedLocal;
            within45 += within45Local;
        }
    }

    if (IsCancelled()) {
        Release();
        return Status::Cancelled;
    }
    for (size_t k = 0; k < m; ++k) {
        CameraFigures& figures = m_cameraFigures[static_cast<size_t>(countedIndex[k])];
        figures.voxelsSeen = seenByCamera[k];
        figures.voxelsMarker = markerByCamera[k];
        figures.uniqueTriangulable = uniqueByCamera[k];
    }

    // Voxels inside an obstacle count in no volume; SeenHistogram leaves
    // them out, the marker pass counted them as seen by none.
    if (occlusion)
        markerHistogram[0] -= occlusion->InsideCount();
    // A volume computed with more cameras than the rig counts now holds its
    // voxels seen by more at the last count.
    m_aSeenAtLeast = CountAtLeast(SeenHistogram(volume, static_cast<uint32_t>(m)));
    m_aSeenAtLeast.resize(m + 1);
    m_aMarkerAtLeast = CountAtLeast(markerHistogram);
    m_nTriangulable = triangulable;
    m_nWithinSigma = withinSigma;
    m_nUnoccluded = unoccluded;
    m_nOccludedWithin45 = within45;
    // Summed in voxel order, so that the mean does not depend on the threads.
    double occludedSum = 0.0;
    uint64_t outside = 0;
    for (size_t t = 0; t < n; ++t) {
        if (std::isnan(m_pOccludedDeg[t]))
            continue;
        occludedSum += m_pOccludedDeg[t];
        ++outside;
    }
    m_dOccludedMean = outside > 0 ? occludedSum / static_cast<double>(outside) : kNaN;

    std::vector<float> sigmas;
    sigmas.reserve(static_cast<size_t>(triangulable));
    for (size_t t = 0; t < n; ++t) {
        if (m_pTriangulable[t] && !std::isnan(m_pSigma3d[t]))
            sigmas.push_back(m_pSigma3d[t]);
    }
    m_dSigmaMedian = NearestRank(sigmas, 0.5);
    m_dSigmaP95 = NearestRank(sigmas, 0.95);

    m_fVoxelEdge = volume.GetVoxelEdge();
    m_bComputed = true;
    return Status::Ok;
}
