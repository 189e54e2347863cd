#include "render/planner/PlannerProjection.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

constexpr double kPi = 3.14159265358979323846;
constexpr double kMinDistance = 1e-3;
constexpr double kMaxDistance = 1e6;

struct Ndc {
    double x0, x1, y0, y1;
};

Ndc ToNdc(const PixelRect& r, int width, int height)
{
    return {2.0 * r.left / width - 1.0, 2.0 * r.right / width - 1.0, 2.0 * r.bottom / height - 1.0,
            2.0 * r.top / height - 1.0};
}

// The pan interval along one axis that keeps every point inside [n0, n1]
// at eye distance d; empty (lo > hi) when none does.
struct PanInterval {
    double lo = -std::numeric_limits<double>::infinity();
    double hi = std::numeric_limits<double>::infinity();
};

} // namespace

void CPlannerProjection::SetViewport(int width, int height)
{
    m_nWidth = std::max(width, 1);
    m_nHeight = std::max(height, 1);
}

void CPlannerProjection::SetPose(double yaw, double pitch, const Vec3d& scale)
{
    m_dYaw = yaw;
    m_dPitch = pitch;
    m_scale = scale;
}

double CPlannerProjection::HalfTanY() const
{
    return std::tan(m_dFieldOfView * 0.5 * kPi / 180.0);
}

Vec3d CPlannerProjection::Turn(const Vec3d& p) const
{
    const double yaw = m_dYaw * kPi / 180.0;
    const double tilt = -m_dPitch * kPi / 180.0;
    const double x1 = p.x * std::cos(yaw) + p.z * std::sin(yaw);
    const double z1 = -p.x * std::sin(yaw) + p.z * std::cos(yaw);
    const Vec3d s{x1 * m_scale.x, p.y * m_scale.y, z1 * m_scale.z};
    return {s.x, s.y * std::cos(tilt) - s.z * std::sin(tilt), s.y * std::sin(tilt) + s.z * std::cos(tilt)};
}

Vec3d CPlannerProjection::Unturn(const Vec3d& q) const
{
    const double yaw = m_dYaw * kPi / 180.0;
    const double tilt = -m_dPitch * kPi / 180.0;
    const Vec3d s{q.x, q.y * std::cos(tilt) + q.z * std::sin(tilt), -q.y * std::sin(tilt) + q.z * std::cos(tilt)};
    const double x1 = s.x / m_scale.x, y = s.y / m_scale.y, z1 = s.z / m_scale.z;
    return {x1 * std::cos(yaw) - z1 * std::sin(yaw), y, x1 * std::sin(yaw) + z1 * std::cos(yaw)};
}

void CPlannerProjection::PlaceEye(const Vec3d& p)
{
    const Vec3d q = Turn(p);
    m_dPanX[0] = -q.x;
    m_dPanY[0] = -q.y;
    m_dDistance = q.z;
}

Vec3d CPlannerProjection::EyePosition() const
{
    return Unturn({-GetPanX(), -GetPanY(), EyeDistance()});
}

std::array<Vec3d, 2> CPlannerProjection::PixelRay(double px, double py) const
{
    const double nx = 2.0 * px / m_nWidth - 1.0;
    const double ny = 2.0 * py / m_nHeight - 1.0;
    const double eye = EyeDistance();
    Vec3d origin{-GetPanX(), -GetPanY(), eye};
    Vec3d direction{0.0, 0.0, -1.0};
    if (m_bPerspective) {
        const double ty = HalfTanY();
        direction = {nx * ty * GetAspect(), ny * ty, -1.0};
    } else {
        origin.x += nx * m_dOrthoHalfHeight * GetAspect();
        origin.y += ny * m_dOrthoHalfHeight;
    }
    // Turn is linear: the direction turns back as a point does.
    return {Unturn(origin), Unturn(direction)};
}

Vec3d CPlannerProjection::Plan(const Vec3d& p) const
{
    const Vec3d q = Turn(p);
    const double ex = q.x + GetPanX();
    const double ey = q.y + GetPanY();
    const double depth = EyeDistance() - q.z;
    double nx = 0.0;
    double ny = 0.0;
    if (m_bPerspective) {
        const double ty = HalfTanY();
        nx = ex / (depth * ty * GetAspect());
        ny = ey / (depth * ty);
    } else {
        nx = ex / (m_dOrthoHalfHeight * GetAspect());
        ny = ey / m_dOrthoHalfHeight;
    }
    return {(nx + 1.0) * 0.5 * m_nWidth, (ny + 1.0) * 0.5 * m_nHeight, depth};
}

void CPlannerProjection::Fit(const std::vector<Vec3d>& points, const PixelRect& target)
{
    if (points.empty())
        return;
    const Ndc n = ToNdc(target, m_nWidth, m_nHeight);
    const double aspect = GetAspect();
    std::vector<Vec3d> q;
    q.reserve(points.size());
    double xmin = std::numeric_limits<double>::infinity(), xmax = -xmin;
    double ymin = xmin, ymax = -xmin, zmax = -xmin, reach = 0.0;
    for (const Vec3d& p : points) {
        q.push_back(Turn(p));
        const Vec3d& t = q.back();
        xmin = std::min(xmin, t.x);
        xmax = std::max(xmax, t.x);
        ymin = std::min(ymin, t.y);
        ymax = std::max(ymax, t.y);
        zmax = std::max(zmax, t.z);
        reach = std::max(reach, Length(t));
    }
    m_dReach = std::max(reach, 1e-3);

    // Orthographic: the window that holds the extent on both axes.
    const double h = std::max({(xmax - xmin) / (aspect * (n.x1 - n.x0)), (ymax - ymin) / (n.y1 - n.y0), 1e-3});
    m_dOrthoHalfHeight = h;
    m_dPanX[1] = h * aspect * (n.x0 + n.x1) * 0.5 - (xmin + xmax) * 0.5;
    m_dPanY[1] = h * (n.y0 + n.y1) * 0.5 - (ymin + ymax) * 0.5;

    // Perspective: the nearest eye distance for which some pan holds every
    // point inside the target; holding gets easier as the eye moves away.
    const double ty = HalfTanY();
    const double tx = ty * aspect;
    auto intervals = [&](double d, PanInterval& ix, PanInterval& iy) {
        ix = iy = PanInterval{};
        for (const Vec3d& t : q) {
            const double wx = (d - t.z) * tx;
            const double wy = (d - t.z) * ty;
            ix.lo = std::max(ix.lo, n.x0 * wx - t.x);
            ix.hi = std::min(ix.hi, n.x1 * wx - t.x);
            iy.lo = std::max(iy.lo, n.y0 * wy - t.y);
            iy.hi = std::min(iy.hi, n.y1 * wy - t.y);
        }
        return ix.lo <= ix.hi && iy.lo <= iy.hi;
    };
    PanInterval ix, iy;
    double near = zmax + kMinDistance;
    double far = std::max(near * 2.0, zmax + 2.0 * m_dReach);
    while (!intervals(far, ix, iy) && far < kMaxDistance)
        far *= 2.0;
    for (int i = 0; i < 80; ++i) {
        const double mid = 0.5 * (near + far);
        (intervals(mid, ix, iy) ? far : near) = mid;
    }
    intervals(far, ix, iy);
    m_dDistance = far;
    m_dPanX[0] = 0.5 * (ix.lo + ix.hi);
    m_dPanY[0] = 0.5 * (iy.lo + iy.hi);
    m_bFitted = true;
}

void CPlannerProjection::ZoomAt(double px, double py, double factor)
{
    if (!(factor > 0.0) || !std::isfinite(factor))
        return;
    const double nx = 2.0 * px / m_nWidth - 1.0;
    const double ny = 2.0 * py / m_nHeight - 1.0;
    // The point under the cursor on the pivot's plane stays where it is.
    const int m = Mode();
    if (m_bPerspective) {
        const double d = std::clamp(m_dDistance * factor, kMinDistance, kMaxDistance);
        const double ty = HalfTanY();
        m_dPanX[m] += nx * ty * GetAspect() * (d - m_dDistance);
        m_dPanY[m] += ny * ty * (d - m_dDistance);
        m_dDistance = d;
    } else {
        const double h = std::clamp(m_dOrthoHalfHeight * factor, kMinDistance, kMaxDistance);
        m_dPanX[m] += nx * GetAspect() * (h - m_dOrthoHalfHeight);
        m_dPanY[m] += ny * (h - m_dOrthoHalfHeight);
        m_dOrthoHalfHeight = h;
    }
}

double CPlannerProjection::EyeDistance() const
{
    // The orthographic eye stands back by a fixed share of the scene: its
    // distance only places the scene between the planes.
    return m_bPerspective ? m_dDistance : m_dReach * 3.0;
}

double CPlannerProjection::UnitsPerPixel() const
{
    const double halfHeight = m_bPerspective ? m_dDistance * HalfTanY() : m_dOrthoHalfHeight;
    return 2.0 * halfHeight / m_nHeight;
}

double CPlannerProjection::PixelsPerUnitAt(double depth) const
{
    const double halfHeight = m_bPerspective ? depth * HalfTanY() : m_dOrthoHalfHeight;
    return m_nHeight / (2.0 * halfHeight);
}

void CPlannerProjection::PanPixels(double dx, double dy)
{
    const double k = UnitsPerPixel();
    m_dPanX[Mode()] += dx * k;
    m_dPanY[Mode()] += dy * k;
}

std::array<double, 2> CPlannerProjection::DepthRange() const
{
    const double centre = EyeDistance();
    const double reach = 1.5 * m_dReach;
    return {std::max(centre - reach, 0.005 * m_dReach), centre + reach};
}

std::array<double, 16> CPlannerProjection::ProjectionMatrix() const
{
    const auto [n, f] = DepthRange();
    std::array<double, 16> m{};
    if (m_bPerspective) {
        const double fy = 1.0 / HalfTanY();
        m[0] = fy / GetAspect();
        m[5] = fy;
        m[10] = (f + n) / (n - f);
        m[11] = -1.0;
        m[14] = 2.0 * f * n / (n - f);
    } else {
        m[0] = 1.0 / (m_dOrthoHalfHeight * GetAspect());
        m[5] = 1.0 / m_dOrthoHalfHeight;
        m[10] = -2.0 / (f - n);
        m[14] = -(f + n) / (f - n);
        m[15] = 1.0;
    }
    return m;
}

std::array<double, 16> CPlannerProjection::ModelViewMatrix() const
{
    const Vec3d cx = Turn({1.0, 0.0, 0.0});
    const Vec3d cy = Turn({0.0, 1.0, 0.0});
    const Vec3d cz = Turn({0.0, 0.0, 1.0});
    return {cx.x, cx.y, cx.z, 0.0, cy.x,      cy.y,      cy.z,           0.0,
            cz.x, cz.y, cz.z, 0.0, GetPanX(), GetPanY(), -EyeDistance(), 1.0};
}
