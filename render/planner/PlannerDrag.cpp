#include "render/planner/PlannerDrag.h"

#include "coverage/FrustumEdges.h"
#include "coverage/placement/PlacementCamera.h"

#include <cmath>

namespace
{

// A scene-frame ray in the user frame: the direction's Z turns round as the position's does.
std::array<Vec3d, 2> UserRay(const CCameraSet& cameras, const std::array<Vec3d, 2>& ray)
{
    return {cameras.ToUser(ray[0]), {ray[1].x, ray[1].y, -ray[1].z}};
}

float SnapAngle(float degrees, float step)
{
    if (!(step > 0.0f))
        return degrees;
    return static_cast<float>(std::round(static_cast<double>(degrees) / step) * step);
}

} // namespace

bool CPlannerDrag::Begin(const CPlannerProjection& view, CCameraSet& cameras, int first, int end, int aimCamera,
                         double sphere, const RoomSize& room, double px, double py)
{
    m_before.reset();
    m_target.reset();
    if (!cameras.IsAllocated())
        return false;
    int picked = -1;
    bool aiming = false;
    double best = 0.0;
    for (int i = first; i < end; ++i) {
        const Vec3d p = view.Plan(cameras.GetPosition(i));
        if (p.z <= 0.0)
            continue;
        const double d = std::hypot(p.x - px, p.y - py);
        if (d <= sphere * view.PixelsPerUnitAt(p.z) + kPickSlack && (picked < 0 || d < best)) {
            picked = i;
            best = d;
        }
    }
    if (aimCamera >= first && aimCamera < end) {
        const Vec3d t = view.Plan(Target(cameras, aimCamera, room));
        const double d = std::hypot(t.x - px, t.y - py);
        if (t.z > 0.0 && d <= kTargetPickRadius && (picked < 0 || d < best)) {
            picked = aimCamera;
            aiming = true;
        }
    }
    if (picked < 0)
        return false;
    m_before = cameras;
    m_nCamera = picked;
    m_bAiming = aiming;
    m_room = room;
    m_plane = aiming ? SlidePlane{1, 0.0} : SurfaceOf(cameras.GetFilePosition(picked), room);
    return true;
}

void CPlannerDrag::Move(const CPlannerProjection& view, CCameraSet& cameras, double px, double py)
{
    if (!IsActive())
        return;
    const auto [origin, direction] = UserRay(cameras, view.PixelRay(px, py));
    const std::optional<Vec3d> p = SlideOnPlane(m_plane, origin, direction, m_room, m_dSnapMetres);
    if (!p)
        return;
    if (!m_bAiming) {
        cameras.SetFilePosition(m_nCamera, *p);
        return;
    }
    m_target = *p;
    const auto [pan, tilt] = AimTowards(cameras.GetFilePosition(m_nCamera), *p);
    cameras.SetHTilt(m_nCamera, SnapAngle(pan, m_fSnapDegrees));
    cameras.SetVTilt(m_nCamera, SnapAngle(tilt, m_fSnapDegrees));
    // The pyramid turns with the aim at once; the next computation derives the edges anew.
    SetEdges(cameras, m_nCamera, AimedFrustumEdges(AnglesOf(cameras, m_nCamera)));
}

std::optional<PlannerDragResult> CPlannerDrag::End(CCameraSet& cameras)
{
    if (!IsActive())
        return std::nullopt;
    const int i = m_nCamera;
    const PlannerDragResult result{i, cameras.GetFilePosition(i), cameras.GetHTilt(i), cameras.GetVTilt(i)};
    cameras = *m_before;
    m_before.reset();
    m_target.reset();
    if (result.position == cameras.GetFilePosition(i) && result.hTilt == cameras.GetHTilt(i) &&
        result.vTilt == cameras.GetVTilt(i))
        return std::nullopt;
    return result;
}

std::optional<PlannerDragResult> CPlannerDrag::Current(const CCameraSet& cameras) const
{
    if (!IsActive())
        return std::nullopt;
    const int i = m_nCamera;
    return PlannerDragResult{i, cameras.GetFilePosition(i), cameras.GetHTilt(i), cameras.GetVTilt(i)};
}

void CPlannerDrag::SetSnap(double metres, float degrees)
{
    m_dSnapMetres = metres;
    m_fSnapDegrees = degrees;
}

Vec3d CPlannerDrag::Target(const CCameraSet& cameras, int camera, const RoomSize& room) const
{
    if (m_target && camera == m_nCamera)
        return cameras.FromUser(*m_target);
    return cameras.FromUser(
        AimedFloorPoint(cameras.GetFilePosition(camera), cameras.GetHTilt(camera), cameras.GetVTilt(camera), room));
}
