#pragma once

#include "cameras/CalibratedLens.h"
#include "cameras/CameraTypes.h"
#include "scene/Vec3d.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CRoomBox;

// Largest rig the program accepts. The largest studios run a few hundred
// cameras; a count above this is refused ("Invalid Number of Cameras") rather
// than risking an allocation that cannot be met.
inline constexpr uint32_t kMaxCameras = 1000;
inline bool IsValidCameraCount(long long n)
{
    return n >= 1 && n <= kMaxCameras;
}

// The field of view, in the program's degrees, of a lens on one edge of its
// film frame (both in mm): what a camera derives from its lens and sensor.
float FieldOfViewDegrees(float frameMm, float focalMm);

inline constexpr int kCalibrationSlots = 12;
using CalibrationMatrix = std::array<float, 9>; // 3 x 3, row by row

// The one camera set of the process. Its size always follows the scene
// settings' camera count. Positions are held in the internal scene frame;
// ToUser/FromUser cross to the user frame shown in the dialog and in files.
// Per-camera accessors do not check the index: callers keep 0 <= i < count.
class CCameraSet
{
  public:
    static CCameraSet& Instance(); // creates the set on first use
    // Null until created. The window's rig: a computation reads the copy
    // in its CoverageInput instead.
    static CCameraSet* Current();
    static void DestroyInstance();

    // Per-camera storage for n cameras (nothing for 0 or for a count above
    // kMaxCameras). Callers Release first.
    void Allocate(uint32_t n);
    // For the scene's camera count.
    void Allocate();
    void Release();
    // After the scene's camera count grew: new cameras after the last, as
    // Allocate makes them; the cameras already there keep every value.
    void AllocateAdded();
    bool IsAllocated() const { return m_allocated; }
    // The cameras the set holds (its own count, whatever the scene's says).
    uint32_t GetCount() const { return static_cast<uint32_t>(m_cameras.size()); }
    // Default rig: the first four cameras at the ceiling corners 3, 2, 6, 7
    // with horizontal tilts 45, 135, 225, 315; the rest at the room centre.
    void SetDefaults(const CRoomBox& room);
    // Camera i of `from` into camera `to` of this set: every value but the
    // label, at the same user-frame position (the sets' rooms may differ).
    void CopyCamera(int to, const CCameraSet& from, int i);
    // Fields of view from lens and sensor; edge directions back to their reset values.
    void RecomputeFieldOfView();
    // After a computation on a copy of this set: takes the fields of view and
    // edge directions the copy derived, for each camera whose lens, sensor
    // and aiming (and the calibration) still equal the copy's; a camera edited
    // meanwhile keeps its own.
    void TakeDerivedValues(const CCameraSet& computed);
    // Enabled cameras in the active range of the scene settings.
    uint32_t CountEnabledInRange() const;
    // Enabled cameras first .. end - 1 (an end past the set reads to its last).
    uint32_t CountEnabledInRange(uint32_t first, uint32_t end) const;

    void SetUserOrigin(const Vec3d& origin) { m_userOrigin = origin; }
    double GetUserOriginX() const { return m_userOrigin.x; }
    double GetUserOriginY() const { return m_userOrigin.y; }
    double GetUserOriginZ() const { return m_userOrigin.z; }
    // X = x - o.x, Y = y + o.y, Z = o.z - z, and back.
    Vec3d ToUser(const Vec3d& scene) const { return ToUser(scene, m_userOrigin); }
    Vec3d FromUser(const Vec3d& user) const { return FromUser(user, m_userOrigin); }

    // A new origin (the room changed) with every camera kept at its user-frame
    // position, its distance from the room corner.
    void MoveUserOrigin(const Vec3d& origin);

    // Camera data file. Save writes a complete file or leaves the old one
    // untouched, and writes no value the loader would refuse; Load replaces
    // the set only with a complete, valid file.
    bool SaveToFile(const std::string& path) const;
    bool LoadFromFile(const std::string& path);
    // The same for a set of its own, not the window's: every camera it holds
    // is written, and a file read leaves the scene's camera count alone.
    bool WriteFile(const std::string& path) const;
    bool ReadFile(const std::string& path);
    // Calibration test file: fills the twelve slots only from a complete file.
    bool ImportCalibration(const std::string& path);
    // Why the last save, load or import failed, naming the place in the file.
    const std::string& GetFileError() const { return m_strFileError; }
    const CalibrationMatrix& GetCalibration(int slot) const { return m_calibration[static_cast<size_t>(slot)]; }
    // The twelve slots of another set, as its last import filled them.
    void TakeCalibration(const CCameraSet& from) { m_calibration = from.m_calibration; }

    const Vec3d& GetPosition(int i) const { return Cam(i).position; }
    double GetX(int i) const { return Cam(i).position.x; }
    double GetY(int i) const { return Cam(i).position.y; }
    double GetZ(int i) const { return Cam(i).position.z; }
    void SetX(int i, float v) { Cam(i).position.x = v; }
    void SetY(int i, float v) { Cam(i).position.y = v; }
    void SetZ(int i, float v) { Cam(i).position.z = v; }

    float GetFocalLength(int i) const { return Cam(i).focalLength; }
    void SetFocalLength(int i, float v) { Cam(i).focalLength = v; }
    // 1/N in double, what the computation reads.
    double GetAperture(int i) const { return 1.0 / static_cast<double>(Cam(i).fNumber); }
    float GetFNumber(int i) const { return Cam(i).fNumber; }
    void SetFNumber(int i, float n) { Cam(i).fNumber = n; }
    float GetHFov(int i) const { return Cam(i).hFov; }
    float GetVFov(int i) const { return Cam(i).vFov; }
    float GetFrameWidth(int i) const { return Cam(i).frameWidth; }
    void SetFrameWidth(int i, float v) { Cam(i).frameWidth = v; }
    float GetFrameHeight(int i) const { return Cam(i).frameHeight; }
    void SetFrameHeight(int i, float v) { Cam(i).frameHeight = v; }
    float GetHTilt(int i) const { return Cam(i).hTilt; }
    void SetHTilt(int i, float v) { Cam(i).hTilt = v; }
    float GetVTilt(int i) const { return Cam(i).vTilt; }
    void SetVTilt(int i, float v) { Cam(i).vTilt = v; }
    float GetSpin(int i) const { return Cam(i).spin; }
    void SetSpin(int i, float v) { Cam(i).spin = v; }
    int GetEnabled(int i) const { return Cam(i).enabled; }
    void SetEnabled(int i, int v) { Cam(i).enabled = v; }

    Vec3d GetEdgeHPlus(int i) const { return Cam(i).edgeHPlus; }
    Vec3d GetEdgeHMinus(int i) const { return Cam(i).edgeHMinus; }
    Vec3d GetEdgeVPlus(int i) const { return Cam(i).edgeVPlus; }
    Vec3d GetEdgeVMinus(int i) const { return Cam(i).edgeVMinus; }
    void SetEdgeHPlus(int i, const Vec3d& v) { Cam(i).edgeHPlus = v; }
    void SetEdgeHMinus(int i, const Vec3d& v) { Cam(i).edgeHMinus = v; }
    void SetEdgeVPlus(int i, const Vec3d& v) { Cam(i).edgeVPlus = v; }
    void SetEdgeVMinus(int i, const Vec3d& v) { Cam(i).edgeVMinus = v; }

    // "Camera %d" with the 1-based number; "Invalid Camera No." while unallocated.
    std::string GetLabel(int i) const;
    void SetLabel(int i, const std::string& label) { Cam(i).label = label; }

    // The position in the user frame as files hold it, each coordinate in
    // single precision against the origin in single precision, and back:
    // the round trip the camera data file makes.
    Vec3d GetFilePosition(int i) const;
    void SetFilePosition(int i, const Vec3d& user);

    // Sensor pixels: an index into kCameraTypes (0 for a new camera) or
    // kCustomCameraType with pixel counts of the camera's own. The camera
    // data file does not hold them; a loaded rig starts at type 0.
    int GetCameraType(int i) const { return Cam(i).cameraType; }
    // False, and nothing changed, for an index outside kCameraTypes.
    bool SetCameraType(int i, int type);
    // False, and nothing changed, unless both counts are at least 1.
    bool SetCustomPixels(int i, int pixelsX, int pixelsY);
    int GetSensorPixelsX(int i) const;
    int GetSensorPixelsY(int i) const;

    // The principal point and distortion of a camera built from a
    // calibration; none for a planned one. They are in the sensor's pixels:
    // a change of its pixel counts (SetCameraType, SetCustomPixels) drops them.
    const std::optional<CalibratedLens>& GetCalibratedLens(int i) const { return Cam(i).calibratedLens; }
    void SetCalibratedLens(int i, std::optional<CalibratedLens> lens) { Cam(i).calibratedLens = std::move(lens); }

  private:
    struct Camera {
        Vec3d position;
        std::string label;
        Vec3d edgeHPlus{0, -1, 0};
        Vec3d edgeHMinus{0, -1, 0};
        Vec3d edgeVPlus{1, 0, 0};
        Vec3d edgeVMinus{1, 0, 0};
        // Zero until SetDefaults or the loader fills them; nothing reads them before.
        float fNumber = 0.0f;
        float focalLength = 0.0f;
        float hFov = 0.0f;
        float vFov = 0.0f;
        float frameWidth = 0.0f;
        float frameHeight = 0.0f;
        float hTilt = 0.0f;
        float vTilt = 0.0f;
        float spin = 0.0f;
        int32_t enabled = 1;
        int32_t cameraType = 0;
        int32_t customPixelsX = 0;
        int32_t customPixelsY = 0;
        std::optional<CalibratedLens> calibratedLens;
    };

    static Vec3d ToUser(const Vec3d& scene, const Vec3d& origin);
    static Vec3d FromUser(const Vec3d& user, const Vec3d& origin);
    // The origin as camera data files hold it: each component in single precision.
    Vec3d FileOrigin() const;

    Camera& Cam(int i) { return m_cameras[static_cast<size_t>(i)]; }
    const Camera& Cam(int i) const { return m_cameras[static_cast<size_t>(i)]; }
    static void DeriveFieldOfView(Camera& cam);
    static void ResetEdges(Camera& cam);
    // After a change of sensor: a calibrated lens of other pixel counts no longer applies.
    void DropLensOfOtherPixels(int i, int pixelsX, int pixelsY);
    // n cameras with their labels, zero positions and reset edge directions.
    static std::vector<Camera> NewCameras(uint32_t n);

    std::vector<Camera> m_cameras;
    // All zero until the first import; only the test-mode computation reads them.
    std::array<CalibrationMatrix, kCalibrationSlots> m_calibration{};
    bool m_allocated = false;
    Vec3d m_userOrigin;
    mutable std::string m_strFileError;
};
