#pragma once

#include "coverage/CoverageFilters.h"
#include "coverage/RowKernel.h"
#include "coverage/VoxelArray.h"
#include "scene/DrawColor.h"
#include "scene/Vec3d.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// ---- Coverage parameters ----------------------------------------------------

inline constexpr float kCmPerMetre = 100.0f;

// Iso condition: a voxel's camera count compared with a threshold.
inline constexpr int kComparisonOpCount = 6;
inline constexpr const char* kComparisonOps[kComparisonOpCount] = {"<", "<=", "==", ">=", ">", "!="};
// The text of operator i, "Invalid Control" for i >= 6.
std::string ComparisonOpText(unsigned i);
// The message of a threshold above the end of the active camera range,
// which is refused and held to that end (caption "Warning").
inline constexpr const char* kIsoThresholdClampedMessage = "Camera slected out of range. Set to last camera viewable";

// Rounds half away from zero to `digits` decimals; the result in extended precision.
long double RoundTo(float v, int digits, int base);
long double RoundTo(double v, int digits, int base);

// Message of a grid that cannot be allocated (caption "Fatal Error").
inline constexpr const char* kNotEnoughMemoryMessage = "Not Enough Memory Pool";

// Colour bands of the resolution scale: 1..8 the eight bands from violet to
// grey, 9 chocolate (at or above the top), 0 black (below the scale, or no value).
inline constexpr int kBandChocolate = 9;
inline constexpr int kBandBlack = 0;
ColorName BandColor(int band);

// One voxel of a display and the colour it is drawn in.
struct VoxelPaint {
    uint32_t voxel;
    ColorName color;
};

// The voxel grid over the room and, for the active camera range, which
// cameras see each voxel and how finely each resolves it. Runs without any
// display; the drawing layer compiles the *Paint data into display lists.
class CObstacleSet;
class COcclusion;
class CCameraSet;
struct CoverageInput;
enum class BoxTest;

class CCoverageVolume
{
  public:
    enum class GridStatus { Ok, InvalidSize, OutOfMemory, Cancelled };

    // Frees every array; the volume is empty afterwards.
    void Release();
    // Sizes and allocates the grid over the input's room and fills the voxel
    // centres. A voxel size or room dimension of zero, below or not a number
    // gives InvalidSize, a grid that cannot be allocated OutOfMemory; either
    // leaves the volume empty.
    GridStatus BuildGrid(const CoverageInput& input);
    // Normal computation: frustum edges from the cameras' angles (derived
    // into input.cameras), visibility, counts, resolution values, iso list and
    // colour scale, with the input's obstacles. Needs a grid built from the
    // same room and voxel size (else InvalidSize); resolution values that do
    // not fit in memory give OutOfMemory and leave the volume empty. Reads
    // nothing but the input and the volume.
    GridStatus ComputeCoverage(CoverageInput& input);
    // Test mode: frustum edges from the calibration matrices.
    GridStatus ComputeCoverageFromCalibration(CoverageInput& input);
    // After BuildGrid gave OutOfMemory: what the grid needs, what is free
    // and a voxel size that would fit; empty otherwise.
    const std::string& GetMemoryAdvice() const { return m_strMemoryAdvice; }
    // Reports the share of voxels done (0..1) during a computation, always on
    // the thread that called it.
    void SetProgressCallback(std::function<void(double)> callback) { m_progress = std::move(callback); }
    // Threads of the voxel passes; 0 (the start value) takes every core.
    void SetThreadCount(int threads) { m_nThreads = threads; }
    // A flag another thread may raise to stop a computation: it then ends
    // with Cancelled and leaves the volume empty. Null (the start value) for none.
    void SetCancelFlag(const std::atomic<bool>* cancel) { m_pCancel = cancel; }
    // Vector width of the voxel passes, the fastest the processor runs at
    // start; a path it cannot run is ignored. Every path gives the same bits.
    void SetVectorPath(VectorPath path);
    VectorPath GetVectorPath() const { return m_eVectorPath; }
    // How boxes are tested (the benchmark compares both); slabs at start.
    void SetBoxTest(BoxTest test) { m_eBoxTest = test; }
    // The obstacles of the last computation; null when it had none.
    const COcclusion* GetOcclusion() const { return m_pOcclusion.get(); }
    // Whether voxel t lies inside an obstacle: no camera sees it, no display
    // draws it and no volume counts it.
    bool InsideObstacle(size_t t) const;

    // 0-based camera of the resolution map and the colour scale; a camera
    // beyond the rig computed falls back to the first. Only this camera's
    // values are held: after a computation they are refilled for the new camera.
    void SetResolutionCamera(int camera);
    // The resolution camera, falling back to the first when the rig computed
    // does not have it.
    int GetResolutionCamera() const { return MapCameraIndex(); }
    // The same for a rig of `rigCameras` as it is now (the window's, which
    // may have shrunk since the computation).
    int GetResolutionCamera(uint32_t rigCameras) const { return ResolutionCameraIndex(rigCameras); }

    bool HasResults() const { return m_bComputed; }
    uint32_t GetCountX() const { return m_nCountX; }
    uint32_t GetCountY() const { return m_nCountY; }
    uint32_t GetCountZ() const { return m_nCountZ; }
    size_t GetVoxelCount() const;
    float GetVoxelEdge() const { return m_fVoxelEdge; }
    float GetHalfEdge() const { return m_fHalfEdge; }
    // Voxel index t = j + CountY * (i + CountX * k), layer j fastest.
    size_t VoxelIndex(uint32_t i, uint32_t j, uint32_t k) const;
    // Centre of voxel t (x, y, z floats, internal scene frame).
    std::array<float, 3> Centre(size_t t) const;
    uint32_t SeenCount(size_t t) const { return m_pSeenCount[t]; }
    // Resolution value of camera c at voxel t; a quiet NaN where the camera
    // has none (disabled or outside the active range). Cameras other than the
    // resolution camera are computed on demand, to the same bit.
    float Resolution(int camera, size_t t) const;
    // Values of camera c for voxels first .. first + count - 1 into out, as
    // Resolution gives them one by one.
    void FillResolution(int camera, size_t first, size_t count, float* out) const;
    uint32_t GetIsoCount() const { return m_nIsoCount; }
    uint32_t IsoIndex(uint32_t e) const { return static_cast<uint32_t>(m_pIsoIndex[e]); }
    std::array<float, 3> IsoCentre(uint32_t e) const { return Centre(IsoIndex(e)); }

    // A of a camera: focal length times the aperture 1/N rounded to float,
    // the value its resolution falls towards with distance.
    static double ApertureFactor(const CCameraSet& cameras, int camera);

    double GetResolutionMin() const { return m_dResolutionMin; }
    double GetResolutionMax() const { return m_dResolutionMax; }
    double GetBandWidth() const { return m_dBandWidth; }
    // Band of a value on the current scale (see kBandChocolate, kBandBlack).
    int ResolutionBand(float r) const;
    // Sets `color` to the band of r and returns its components.
    const double* ResolutionColor(float r, DrawColor& color) const;
    // The resolution filter of the map, applied to one value.
    bool PassesResolutionFilter(float r, const CoverageFilters& filters) const;

    // Display data, shown through the filters given. The iso list in list
    // order, skipping entries above the display ceiling, in the resolution
    // camera's band colours.
    std::vector<VoxelPaint> IsoListPaint(const CoverageFilters& filters) const;
    // Layer j of the camera-count display: every voxel, red where the iso
    // condition holds, green where not; i over x outer, k over z inner.
    std::vector<VoxelPaint> CountLayerPaint(uint32_t j, const CoverageFilters& filters) const;
    // Layer j of the resolution map: voxels meeting the iso condition and the
    // resolution filter, in their band colours; same order.
    std::vector<VoxelPaint> MapLayerPaint(uint32_t j, const CoverageFilters& filters) const;
    // Whether voxel t meets the iso condition of `filters`: never inside an
    // obstacle, where nothing is seen and nothing is drawn. The map, its
    // bands, the empty-map check and the exports all decide through this.
    bool IsoHoldsAt(size_t t, const CoverageFilters& filters) const
    {
        return !InsideObstacle(t) && filters.IsoHolds(m_pSeenCount[t]);
    }
    // Every voxel's band on the map as MapLayerPaint colours it, -1 where
    // it leaves the voxel out; the whole grid at once, in voxel order.
    std::vector<int8_t> MapBands(const CoverageFilters& filters) const;
    // Whether MapLayerPaint draws no voxel in any layer.
    bool MapIsEmpty(const CoverageFilters& filters) const;

    // Layer truncation: the lowest GetShownLayers layers are drawn.
    int GetLayerTotal() const;
    void SetShownLayers(int n) { m_nShownLayers = n; }
    int GetShownLayers() const { return m_nShownLayers; }
    // Offsets 0..CountY-1 for calling the layer lists.
    const std::vector<int>& LayerIds() const { return m_aLayerIds; }

  private:
    // What a computation fixes of a camera for its resolution values.
    struct CameraValues {
        bool held = false; // enabled and in range at the computation
        Vec3d position;
        double focal = 0.0;
        double a = 0.0;
    };

    GridStatus AllocateResults(uint32_t cameraCount);
    GridStatus RefuseGrid(float length, float width, float height, float voxelCm);
    GridStatus Compute(CoverageInput& input, bool fromCalibration);
    // False when the iso list cannot be allocated.
    bool CountAndResolve(bool calibration, const CoverageInput& input);
    bool BuildIsoList(uint32_t awaited);
    // Fills m_pResolution for the resolution camera unless it holds them already.
    void HoldMapCameraValues();
    int ThreadCount() const;
    bool IsCancelled() const { return m_pCancel && m_pCancel->load(std::memory_order_relaxed); }
    void ComputeResolutionScale(const CoverageInput& input);
    // The resolution camera, or the first camera when it names none of a rig
    // of `rigCameras` (nor, once computed, of the rig computed).
    int ResolutionCameraIndex(uint32_t rigCameras) const;
    // The resolution camera of the displays, for the rig computed.
    int MapCameraIndex() const { return ResolutionCameraIndex(m_nCameraCount); }
    float ResolutionOfMapCamera(size_t t) const;
    // Centre of voxel t as the pass forms it.
    Vec3d CentreOf(size_t t) const;

    int m_nResolutionCamera = 0;
    double m_dResolutionMax = 0.0;
    double m_dResolutionMin = 10.0;
    double m_dBandWidth = 0.0;
    bool m_bGridBuilt = false;
    bool m_bComputed = false;
    uint32_t m_nIsoCount = 0;
    uint32_t m_nCountX = 0;
    uint32_t m_nCountY = 0;
    uint32_t m_nCountZ = 0;
    // The rig's size at the computation.
    uint32_t m_nCameraCount = 0;
    // Camera whose values m_pResolution holds, -1 for none.
    int m_nHeldCamera = -1;
    int m_nThreads = 0;
    VectorPath m_eVectorPath = FastestVectorPath();
    float m_fVoxelEdge = 0.0f;
    float m_fHalfEdge = 0.0f;
    std::vector<CameraValues> m_aCameraValues;
    // Per-voxel arrays, sized once per computation and never pre-filled.
    VoxelArray<float> m_pResolution;
    VoxelArray<uint32_t> m_pSeenCount;
    VoxelArray<int32_t> m_pIsoIndex;
    // The centres are separable: x depends on i only, y on j, z on k.
    std::vector<float> m_aCentreX;
    std::vector<float> m_aCentreY;
    std::vector<float> m_aCentreZ;
    // m_aCentreY as doubles, padded for the row kernels.
    std::vector<double> m_aRowY;
    std::vector<int> m_aLayerIds;
    int m_nShownLayers = 0;
    std::function<void(double)> m_progress;
    const std::atomic<bool>* m_pCancel = nullptr;
    std::string m_strMemoryAdvice;
    std::shared_ptr<const COcclusion> m_pOcclusion;
    BoxTest m_eBoxTest{};
};
