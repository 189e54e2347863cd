#include "coverage/obstacles/ObstacleGeometry.h"

#include <algorithm>
#include <cmath>

namespace
{

Vec3d Cross(const Vec3d& a, const Vec3d& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double Component(const Vec3d& v, int axis)
{
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// Twice the signed area of (p, q, r) in the xz plane, computed with the edge
// p-q in a fixed order so that the two triangles sharing it get exactly
// opposite values.
double EdgeSide(const Vec3d& p, const Vec3d& q, double x, double z)
{
    const bool swapped = q.x < p.x || (q.x == p.x && q.z < p.z);
    const Vec3d& a = swapped ? q : p;
    const Vec3d& b = swapped ? p : q;
    const double side = (b.x - a.x) * (z - a.z) - (b.z - a.z) * (x - a.x);
    return swapped ? -side : side;
}

// Points on an edge belong to the triangle on one side of it only: the one
// for which the edge runs in a fixed half-turn of directions.
bool OwnsEdge(const Vec3d& p, const Vec3d& q)
{
    const double ex = q.x - p.x, ez = q.z - p.z;
    return ez > 0.0 || (ez == 0.0 && ex > 0.0);
}

} // namespace

bool SegmentMeetsBox(const Vec3d& a, const Vec3d& d, const Vec3d& lo, const Vec3d& hi)
{
    double t0 = 0.0, t1 = 1.0;
    return ClipToSlab(a.x, d.x, lo.x, hi.x, t0, t1) && ClipToSlab(a.y, d.y, lo.y, hi.y, t0, t1) &&
           ClipToSlab(a.z, d.z, lo.z, hi.z, t0, t1);
}

bool SegmentMeetsTriangle(const Vec3d& a, const Vec3d& d, const Triangle& tri)
{
    // Barycentric bounds a hair wide, so that a segment through the edge
    // two triangles share cannot slip between them by rounding.
    constexpr double kSlack = 1e-12;
    const Vec3d e1 = tri[1] - tri[0], e2 = tri[2] - tri[0];
    const Vec3d p = Cross(d, e2);
    const double det = Dot(e1, p);
    if (std::fabs(det) < 1e-300)
        return false;
    const Vec3d s = a - tri[0];
    const double u = Dot(s, p) / det;
    if (u < -kSlack || u > 1.0 + kSlack)
        return false;
    const Vec3d q = Cross(s, e1);
    const double v = Dot(d, q) / det;
    if (v < -kSlack || u + v > 1.0 + kSlack)
        return false;
    const double t = Dot(e2, q) / det;
    return t >= 0.0 && t <= 1.0;
}

bool TriangleOverlapsBox(const Triangle& tri, const Vec3d& lo, const Vec3d& hi)
{
    const Vec3d c{(lo.x + hi.x) * 0.5, (lo.y + hi.y) * 0.5, (lo.z + hi.z) * 0.5};
    const double h[3] = {(hi.x - lo.x) * 0.5, (hi.y - lo.y) * 0.5, (hi.z - lo.z) * 0.5};
    const Vec3d v[3] = {tri[0] - c, tri[1] - c, tri[2] - c};
    // Whether the projections on `axis` are apart.
    auto separated = [&](const Vec3d& axis) {
        const double p0 = Dot(v[0], axis), p1 = Dot(v[1], axis), p2 = Dot(v[2], axis);
        const double r = h[0] * std::fabs(axis.x) + h[1] * std::fabs(axis.y) + h[2] * std::fabs(axis.z);
        return std::min({p0, p1, p2}) > r || std::max({p0, p1, p2}) < -r;
    };
    for (int axis = 0; axis < 3; ++axis) {
        const double a = Component(v[0], axis), b = Component(v[1], axis), d = Component(v[2], axis);
        if (std::min({a, b, d}) > h[axis] || std::max({a, b, d}) < -h[axis])
            return false;
    }
    const Vec3d edges[3] = {v[1] - v[0], v[2] - v[1], v[0] - v[2]};
    if (separated(Cross(edges[0], edges[1])))
        return false;
    const Vec3d unit[3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
    for (const Vec3d& e : edges) {
        for (const Vec3d& u : unit) {
            if (separated(Cross(u, e)))
                return false;
        }
    }
    return true;
}

bool CrossesBelow(const Triangle& tri, double x, double y, double z)
{
    // Counter-clockwise in the xz plane; a triangle seen edge-on is crossed
    // by no vertical line.
    const double area = EdgeSide(tri[0], tri[1], tri[2].x, tri[2].z);
    if (area == 0.0)
        return false;
    const Vec3d& p0 = tri[0];
    const Vec3d& p1 = area > 0.0 ? tri[1] : tri[2];
    const Vec3d& p2 = area > 0.0 ? tri[2] : tri[1];
    const Vec3d* corners[3] = {&p0, &p1, &p2};
    for (int e = 0; e < 3; ++e) {
        const Vec3d& p = *corners[e];
        const Vec3d& q = *corners[(e + 1) % 3];
        const double side = EdgeSide(p, q, x, z);
        if (side < 0.0 || (side == 0.0 && !OwnsEdge(p, q)))
            return false;
    }
    // Height of the triangle's plane above (x, z).
    const Vec3d n = Cross(tri[1] - tri[0], tri[2] - tri[0]);
    const double height = tri[0].y - (n.x * (x - tri[0].x) + n.z * (z - tri[0].z)) / n.y;
    return height < y;
}
