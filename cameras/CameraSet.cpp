#include "cameras/CameraSet.h"

#include "cameras/Angles.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>

namespace
{

std::unique_ptr<CCameraSet> g_pCameraSet;

uint32_t SceneCameraCount()
{
    const SceneSettings* settings = GetSceneSettings();
    return settings ? settings->GetCameraCount() : 0;
}

constexpr int kCornerTable[4] = {3, 2, 6, 7};
constexpr float kHTiltTable[4] = {45.0f, 135.0f, 225.0f, 315.0f};

} // namespace

CCameraSet& CCameraSet::Instance()
{
    if (!g_pCameraSet)
        g_pCameraSet.reset(new CCameraSet());
    return *g_pCameraSet;
}

CCameraSet* CCameraSet::Current()
{
    return g_pCameraSet.get();
}

void CCameraSet::DestroyInstance()
{
    g_pCameraSet.reset();
}

std::vector<CCameraSet::Camera> CCameraSet::NewCameras(uint32_t n)
{
    std::vector<Camera> cameras(n);
    for (uint32_t i = 0; i < n; ++i)
        cameras[i].label = "Camera " + std::to_string(i + 1);
    return cameras;
}

void CCameraSet::Allocate()
{
    Allocate(SceneCameraCount());
}

void CCameraSet::Allocate(uint32_t n)
{
    if (!IsValidCameraCount(n))
        return;
    m_cameras = NewCameras(n);
    m_allocated = true;
}

void CCameraSet::AllocateAdded()
{
    const uint32_t n = SceneCameraCount();
    if (!m_allocated || !IsValidCameraCount(n) || n <= m_cameras.size())
        return;
    std::vector<Camera> added = NewCameras(n);
    m_cameras.insert(m_cameras.end(),
                     std::make_move_iterator(added.begin() + static_cast<std::ptrdiff_t>(m_cameras.size())),
                     std::make_move_iterator(added.end()));
}

void CCameraSet::CopyCamera(int to, const CCameraSet& from, int i)
{
    std::string label = std::move(Cam(to).label);
    Cam(to) = from.Cam(i);
    Cam(to).label = std::move(label);
    if (from.m_userOrigin != m_userOrigin)
        Cam(to).position = FromUser(from.ToUser(from.Cam(i).position));
}

void CCameraSet::Release()
{
    if (!m_allocated)
        return;
    m_cameras.clear();
    m_cameras.shrink_to_fit();
    m_allocated = false;
}

float FieldOfViewDegrees(float frameMm, float focalMm)
{
    const double f = focalMm;
    return static_cast<float>(2.0 * std::atan(frameMm / (2.0 * f)) * kDegreesPerRadian);
}

void CCameraSet::DeriveFieldOfView(Camera& cam)
{
    cam.hFov = FieldOfViewDegrees(cam.frameWidth, cam.focalLength);
    cam.vFov = FieldOfViewDegrees(cam.frameHeight, cam.focalLength);
}

void CCameraSet::ResetEdges(Camera& cam)
{
    cam.edgeHPlus = cam.edgeHMinus = {0, -1, 0};
    cam.edgeVPlus = cam.edgeVMinus = {1, 0, 0};
}

void CCameraSet::SetDefaults(const CRoomBox& room)
{
    if (!m_allocated)
        return;
    for (size_t k = 0; k < m_cameras.size(); ++k) {
        Camera& cam = m_cameras[k];
        if (k < 4) {
            cam.position = room.Corner(kCornerTable[k]);
            cam.hTilt = kHTiltTable[k];
        } else {
            cam.hTilt = 0.0f;
        }
        cam.fNumber = 12.0f;
        cam.focalLength = 8.5f;
        cam.frameWidth = 6.5241f;
        cam.frameHeight = 4.8807f;
        cam.spin = 0.0f;
        DeriveFieldOfView(cam);
        cam.vTilt = 45.0f;
        cam.enabled = 1;
    }
}

void CCameraSet::RecomputeFieldOfView()
{
    for (Camera& cam : m_cameras) {
        DeriveFieldOfView(cam);
        ResetEdges(cam);
    }
}

void CCameraSet::TakeDerivedValues(const CCameraSet& computed)
{
    if (computed.m_calibration != m_calibration)
        return;
    const size_t n = std::min(m_cameras.size(), computed.m_cameras.size());
    for (size_t k = 0; k < n; ++k) {
        Camera& cam = m_cameras[k];
        const Camera& from = computed.m_cameras[k];
        if (cam.focalLength != from.focalLength || cam.frameWidth != from.frameWidth ||
            cam.frameHeight != from.frameHeight || cam.hTilt != from.hTilt || cam.vTilt != from.vTilt ||
            cam.spin != from.spin)
            continue;
        cam.hFov = from.hFov;
        cam.vFov = from.vFov;
        cam.edgeHPlus = from.edgeHPlus;
        cam.edgeHMinus = from.edgeHMinus;
        cam.edgeVPlus = from.edgeVPlus;
        cam.edgeVMinus = from.edgeVMinus;
    }
}

uint32_t CCameraSet::CountEnabledInRange() const
{
    const SceneSettings* settings = GetSceneSettings();
    return settings ? CountEnabledInRange(settings->GetFirstCamera(), settings->GetEndCamera()) : 0;
}

uint32_t CCameraSet::CountEnabledInRange(uint32_t first, uint32_t end) const
{
    // The dialog keeps the range inside the set; never read past it anyway.
    end = std::min<uint32_t>(end, static_cast<uint32_t>(m_cameras.size()));
    uint32_t count = 0;
    for (uint32_t i = first; i < end; ++i)
        count += m_cameras[i].enabled == 1 ? 1 : 0;
    return count;
}

Vec3d CCameraSet::ToUser(const Vec3d& p, const Vec3d& o)
{
    return {p.x - o.x, p.y + o.y, o.z - p.z};
}

Vec3d CCameraSet::FromUser(const Vec3d& u, const Vec3d& o)
{
    return {u.x + o.x, u.y - o.y, o.z - u.z};
}

void CCameraSet::MoveUserOrigin(const Vec3d& origin)
{
    // Held in single precision, as every position the dialog stores.
    for (Camera& cam : m_cameras) {
        const Vec3d p = FromUser(ToUser(cam.position, m_userOrigin), origin);
        cam.position = {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
    }
    m_userOrigin = origin;
}

Vec3d CCameraSet::FileOrigin() const
{
    return {static_cast<float>(m_userOrigin.x), static_cast<float>(m_userOrigin.y), static_cast<float>(m_userOrigin.z)};
}

std::string CCameraSet::GetLabel(int i) const
{
    if (!m_allocated)
        return "Invalid Camera No.";
    return Cam(i).label;
}

bool CCameraSet::SetCameraType(int i, int type)
{
    if (type < 0 || type >= kCameraTypeCount)
        return false;
    const int pixelsX = GetSensorPixelsX(i), pixelsY = GetSensorPixelsY(i);
    Cam(i).cameraType = type;
    DropLensOfOtherPixels(i, pixelsX, pixelsY);
    return true;
}

bool CCameraSet::SetCustomPixels(int i, int pixelsX, int pixelsY)
{
    if (pixelsX < 1 || pixelsY < 1)
        return false;
    const int beforeX = GetSensorPixelsX(i), beforeY = GetSensorPixelsY(i);
    Camera& cam = Cam(i);
    cam.cameraType = kCustomCameraType;
    cam.customPixelsX = pixelsX;
    cam.customPixelsY = pixelsY;
    DropLensOfOtherPixels(i, beforeX, beforeY);
    return true;
}

void CCameraSet::DropLensOfOtherPixels(int i, int pixelsX, int pixelsY)
{
    if (GetSensorPixelsX(i) != pixelsX || GetSensorPixelsY(i) != pixelsY)
        Cam(i).calibratedLens.reset();
}

int CCameraSet::GetSensorPixelsX(int i) const
{
    const Camera& cam = Cam(i);
    return cam.cameraType == kCustomCameraType ? cam.customPixelsX : CameraTypePixelsX(cam.cameraType);
}

int CCameraSet::GetSensorPixelsY(int i) const
{
    const Camera& cam = Cam(i);
    return cam.cameraType == kCustomCameraType ? cam.customPixelsY : CameraTypePixelsY(cam.cameraType);
}

Vec3d CCameraSet::GetFilePosition(int i) const
{
    const Vec3d user = ToUser(Cam(i).position, FileOrigin());
    return {static_cast<float>(user.x), static_cast<float>(user.y), static_cast<float>(user.z)};
}

void CCameraSet::SetFilePosition(int i, const Vec3d& user)
{
    const Vec3d user32{static_cast<float>(user.x), static_cast<float>(user.y), static_cast<float>(user.z)};
    Cam(i).position = FromUser(user32, FileOrigin());
}
