#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CCoverageVolume;
struct CoverageInput;

// ---- Planning settings (process-wide, like the coverage parameters) ------

// What a planner decides a rig on: a marker of a given size must image with
// enough pixels, pairs of cameras must see it from angles that triangulate
// well, and the expected 3D error follows from the image noise.
struct PlanningSettings {
    double markerDiameterMm = 14.0; // D
    double minImagePx = 3.0;        // Nmin: least marker image diameter a camera must see
    double minAngleDeg = 40.0;      // triangulation angle range between two rays
    double maxAngleDeg = 140.0;
    double pixelNoisePx = 0.5; // sigma_px: image noise of a marker centre
    double sigmaBoundMm = 1.0; // the "triangulable within sigma" bound
    friend bool operator==(const PlanningSettings&, const PlanningSettings&) = default;
};

// The reason a settings value is refused, naming the value; nullopt when
// every value is usable.
std::optional<std::string> CheckPlanningSettings(const PlanningSettings& settings);

// ---- The model, camera by camera (millimetres and pixels) ----------------

// Pixel pitch p: the larger of the two sensor pixel sizes.
double PixelPitchMm(double frameWidthMm, double frameHeightMm, int pixelsX, int pixelsY);
// Thin-lens image diameter s = f D / ((z - f) p) of a marker at depth z; NaN
// for a depth at or in front of the focal plane (z <= f).
double MarkerImagePx(double focalMm, double markerMm, double depthMm, double pitchMm);
// Reach R = f D / (Nmin p) + f: the depth at which the marker images at Nmin.
double CameraReachMm(double focalMm, double markerMm, double minImagePx, double pitchMm);
// Angle between two unit rays in degrees (true degrees: the planning
// measures are geometry a planner compares with a protractor).
double RayAngleDeg(const double (&a)[3], const double (&b)[3]);
// Expected 3D error: sqrt of the largest eigenvalue of the inverse of
// J = sum (I - u u^T) / sigma^2 over the rays. NaN with fewer than two rays
// or when the rays are (nearly) parallel.
double Sigma3dMm(const std::vector<std::array<double, 3>>& rays, const std::vector<double>& sigmaMm);

// ---- Per-voxel measures over a computed coverage volume -------------------

// Which per-voxel measure a display or an export shows.
enum class PlanningMeasure { Cameras, MarkerPx, Angle, Sigma, Occlusion };
// "cameras", "marker-px", "angle", "sigma", "occlusion" (the command-line words).
const char* PlanningMeasureKey(PlanningMeasure measure);
std::optional<PlanningMeasure> PlanningMeasureFromKey(const std::string& key);
// "Cameras seeing a marker", "Best marker size", "Best pair angle", "Expected 3D error",
// "Occluded angle".
const char* PlanningMeasureName(PlanningMeasure measure);
// "", "px", "deg", "mm", "deg".
const char* PlanningMeasureUnit(PlanningMeasure measure);

// The planning measures of every voxel of a computed coverage volume, for the
// enabled cameras of the active range. Reads the input's cameras (positions,
// the frustum edges the coverage computation derived, lens, sensor pixels),
// range and planning settings at Compute; later changes need another Compute.
class CPlanningMeasures
{
  public:
    enum class Status { Ok, NoCoverage, OutOfMemory, Cancelled };

    struct CameraFigures {
        uint32_t number = 0;             // 1-based
        bool counted = false;            // enabled and inside the active range
        double reachMm = 0.0;            // R; NaN without usable sensor pixels
        uint64_t voxelsSeen = 0;         // classic four-edge test
        uint64_t voxelsMarker = 0;       // sees a marker there
        uint64_t uniqueTriangulable = 0; // triangulable voxels lost without this camera
    };

    void Release();
    // Needs volume.HasResults(); NoCoverage otherwise. Per-voxel arrays that
    // do not fit the memory available give OutOfMemory and leave it empty.
    Status Compute(const CCoverageVolume& volume, const CoverageInput& input);
    bool HasResults() const { return m_bComputed; }
    // A flag another thread may raise to stop Compute: it then gives
    // Cancelled and leaves the measures empty. Null (the start value) for none.
    void SetCancelFlag(const std::atomic<bool>* cancel) { m_pCancel = cancel; }
    // The settings the results were computed with.
    const PlanningSettings& GetSettings() const { return m_settings; }

    size_t GetVoxelCount() const { return m_pMarkerCount.size(); }
    // Cameras that see a marker at voxel t.
    uint32_t MarkerCount(size_t t) const { return m_pMarkerCount[t]; }
    // Best (largest) marker image diameter in px; NaN where no camera sees a marker.
    float BestMarkerPx(size_t t) const { return m_pBestMarkerPx[t]; }
    // The pair angle closest to 90 degrees; NaN with fewer than two cameras.
    float BestAngleDeg(size_t t) const { return m_pBestAngleDeg[t]; }
    // NaN where undefined.
    float Sigma3d(size_t t) const { return m_pSigma3d[t]; }
    bool Triangulable(size_t t) const { return m_pTriangulable[t] != 0; }
    // Degrees of a performer's turn at voxel t in which no visible pair
    // triangulates (OccludedAngleDeg); 360 with fewer than two cameras.
    float OccludedDeg(size_t t) const { return m_pOccludedDeg[t]; }
    // The value a display of `measure` colours voxel t by (NaN: no value).
    float Value(PlanningMeasure measure, size_t t) const;

    const std::vector<CameraFigures>& GetCameraFigures() const { return m_cameraFigures; }
    // Voxels seen by at least k cameras (classic test) and seeing a marker in
    // at least k cameras, k = 0 .. enabled cameras of the range.
    const std::vector<uint64_t>& SeenAtLeast() const { return m_aSeenAtLeast; }
    const std::vector<uint64_t>& MarkerAtLeast() const { return m_aMarkerAtLeast; }
    uint64_t TriangulableCount() const { return m_nTriangulable; }
    // Triangulable voxels with sigma3d at most the settings' bound.
    uint64_t WithinSigmaCount() const { return m_nWithinSigma; }
    // Nearest-rank median and 95th percentile of sigma3d over the
    // triangulable voxels; NaN when there are none.
    double Sigma3dMedian() const { return m_dSigmaMedian; }
    double Sigma3dP95() const { return m_dSigmaP95; }
    // The occluded angle's mean over the voxels outside obstacles, and the
    // voxels where it is 0 and where it is at most 45 degrees.
    double OccludedMeanDeg() const { return m_dOccludedMean; }
    uint64_t UnoccludedCount() const { return m_nUnoccluded; }
    uint64_t OccludedWithin45Count() const { return m_nOccludedWithin45; }
    // Cubic metres of `voxels` voxels of the grid computed.
    double VolumeOf(uint64_t voxels) const;

  private:
    bool IsCancelled() const { return m_pCancel && m_pCancel->load(std::memory_order_relaxed); }

    bool m_bComputed = false;
    const std::atomic<bool>* m_pCancel = nullptr;
    PlanningSettings m_settings;
    float m_fVoxelEdge = 0.0f;
    std::vector<uint16_t> m_pMarkerCount;
    std::vector<float> m_pBestMarkerPx;
    std::vector<float> m_pBestAngleDeg;
    std::vector<float> m_pSigma3d;
    std::vector<uint8_t> m_pTriangulable;
    std::vector<float> m_pOccludedDeg;
    std::vector<CameraFigures> m_cameraFigures;
    std::vector<uint64_t> m_aSeenAtLeast;
    std::vector<uint64_t> m_aMarkerAtLeast;
    uint64_t m_nTriangulable = 0;
    uint64_t m_nWithinSigma = 0;
    double m_dSigmaMedian = 0.0;
    double m_dSigmaP95 = 0.0;
    double m_dOccludedMean = 0.0;
    uint64_t m_nUnoccluded = 0;
    uint64_t m_nOccludedWithin45 = 0;
};
