#include "coverage/obstacles/ObstacleSet.h"

#include "scene/PrintableText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

bool IsFinite(const Vec3d& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

std::string Named(const std::string& name, const std::string& what)
{
    return (name.empty() ? std::string("obstacle") : "obstacle \"" + PrintableText(name) + "\"") + ": " + what;
}

std::string Metres(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

// Why the triangles placed as `mesh` says cannot be used; nullopt when they can.
std::optional<std::string> CheckPlacedTriangles(const ObstacleMesh& mesh, const MeshTriangles& triangles)
{
    if (triangles.triangles.empty())
        return Named(mesh.name, "the mesh holds no triangle");
    double farthest = 0.0;
    for (const auto& triangle : triangles.triangles) {
        for (const Vec3d& v : triangle) {
            if (!IsFinite(v))
                return Named(mesh.name, "a vertex is not a finite number");
            for (const double c :
                 {mesh.offset.x + mesh.scale * v.x, mesh.offset.y + mesh.scale * v.y, mesh.offset.z + mesh.scale * v.z})
                farthest = std::max(farthest, std::fabs(c));
        }
    }
    if (farthest > kMaxObstacleMetres)
        return Named(mesh.name, "placed, the mesh reaches " + Metres(farthest) + " m from the room corner, beyond " +
                                    Metres(kMaxObstacleMetres) + " m");
    return std::nullopt;
}

} // namespace

std::optional<std::string> CheckObstacleBox(const ObstacleBox& box)
{
    if (!IsFinite(box.min) || !IsFinite(box.max))
        return Named(box.name, "every corner value must be a finite number");
    // Far beyond any room, a corner is a typing error.
    constexpr double kFarthestCornerM = 10000.0;
    for (const double v : {box.min.x, box.min.y, box.min.z, box.max.x, box.max.y, box.max.z}) {
        if (std::abs(v) > kFarthestCornerM)
            return Named(box.name, "every corner value must be within 10000 m of the room corner");
    }
    // A box of no thickness would block nothing and hides a typing error.
    if (!(box.min.x < box.max.x) || !(box.min.y < box.max.y) || !(box.min.z < box.max.z))
        return Named(box.name, "each min value must be below its max value");
    return std::nullopt;
}

std::optional<std::string> CheckMeshPlacement(const ObstacleMesh& mesh)
{
    if (!IsFinite(mesh.offset))
        return Named(mesh.name, "the offset must be finite numbers");
    if (std::fabs(mesh.offset.x) > kMaxObstacleMetres || std::fabs(mesh.offset.y) > kMaxObstacleMetres ||
        std::fabs(mesh.offset.z) > kMaxObstacleMetres)
        return Named(mesh.name, "the offset must lie within " + Metres(kMaxObstacleMetres) + " m of the room corner");
    if (!std::isfinite(mesh.scale) || !(mesh.scale > 0.0))
        return Named(mesh.name, "the scale must be a number above 0");
    if (mesh.scale > kMaxMeshScale)
        return Named(mesh.name, "the scale must be at most " + std::to_string(static_cast<long>(kMaxMeshScale)));
    return std::nullopt;
}

std::optional<std::string> CObstacleSet::AddBox(const ObstacleBox& box)
{
    if (auto error = CheckObstacleBox(box))
        return error;
    m_aBoxes.push_back(box);
    return std::nullopt;
}

std::optional<std::string> CObstacleSet::ReplaceBox(size_t i, const ObstacleBox& box)
{
    if (i >= m_aBoxes.size())
        return std::string("there is no such box");
    if (auto error = CheckObstacleBox(box))
        return error;
    m_aBoxes[i] = box;
    return std::nullopt;
}

std::optional<std::string> CObstacleSet::AddMesh(const ObstacleMesh& placement, MeshTriangles triangles)
{
    ObstacleMesh mesh = placement;
    mesh.mesh = std::make_shared<const MeshTriangles>(std::move(triangles));
    return AddMesh(mesh);
}

std::optional<std::string> CObstacleSet::AddMesh(const ObstacleMesh& mesh)
{
    if (auto error = CheckMeshPlacement(mesh))
        return error;
    if (auto error = CheckPlacedTriangles(mesh, mesh.mesh ? *mesh.mesh : MeshTriangles{}))
        return error;
    m_aMeshes.push_back(mesh);
    return std::nullopt;
}

std::optional<std::string> CObstacleSet::PlaceMesh(size_t i, const ObstacleMesh& placement)
{
    if (i >= m_aMeshes.size())
        return std::string("there is no such mesh");
    if (auto error = CheckMeshPlacement(placement))
        return error;
    ObstacleMesh& mesh = m_aMeshes[i];
    if (auto error = CheckPlacedTriangles(placement, *mesh.mesh))
        return error;
    mesh.name = placement.name;
    mesh.offset = placement.offset;
    mesh.scale = placement.scale;
    return std::nullopt;
}

void CObstacleSet::RemoveBox(size_t i)
{
    if (i < m_aBoxes.size())
        m_aBoxes.erase(m_aBoxes.begin() + static_cast<std::ptrdiff_t>(i));
}

void CObstacleSet::RemoveMesh(size_t i)
{
    if (i < m_aMeshes.size())
        m_aMeshes.erase(m_aMeshes.begin() + static_cast<std::ptrdiff_t>(i));
}

void CObstacleSet::Clear()
{
    m_aBoxes.clear();
    m_aMeshes.clear();
}

std::vector<std::array<Vec3d, 3>> CObstacleSet::PlacedTriangles(size_t i) const
{
    std::vector<std::array<Vec3d, 3>> placed;
    if (i >= m_aMeshes.size())
        return placed;
    const ObstacleMesh& mesh = m_aMeshes[i];
    placed.reserve(mesh.mesh->triangles.size());
    for (const auto& triangle : mesh.mesh->triangles) {
        std::array<Vec3d, 3> p;
        for (size_t v = 0; v < 3; ++v) {
            const Vec3d& q = triangle[v];
            p[v] = {mesh.offset.x + mesh.scale * q.x, mesh.offset.y + mesh.scale * q.y,
                    mesh.offset.z + mesh.scale * q.z};
        }
        placed.push_back(p);
    }
    return placed;
}

bool operator==(const CObstacleSet& a, const CObstacleSet& b)
{
    if (a.m_aBoxes.size() != b.m_aBoxes.size() || a.m_aMeshes.size() != b.m_aMeshes.size())
        return false;
    for (size_t i = 0; i < a.m_aBoxes.size(); ++i) {
        const ObstacleBox &p = a.m_aBoxes[i], &q = b.m_aBoxes[i];
        if (p.name != q.name || !(p.min == q.min) || !(p.max == q.max))
            return false;
    }
    for (size_t i = 0; i < a.m_aMeshes.size(); ++i) {
        const ObstacleMesh &p = a.m_aMeshes[i], &q = b.m_aMeshes[i];
        if (p.name != q.name || p.file != q.file || !(p.offset == q.offset) || p.scale != q.scale)
            return false;
    }
    return true;
}
