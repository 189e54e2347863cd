#pragma once

#include "scene/Vec3d.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// An axis-aligned box in the user frame (metres from the room corner: X along
// the length, Y above the floor, Z across the width).
struct ObstacleBox {
    std::string name;
    Vec3d min;
    Vec3d max;
    friend bool operator==(const ObstacleBox&, const ObstacleBox&) = default;
};

// Placements stay within this distance of the room corner, and meshes are
// scaled by at most kMaxMeshScale: beyond, the numbers are typing errors,
// and the lattice arithmetic would leave its range.
inline constexpr double kMaxObstacleMetres = 10000.0;
inline constexpr double kMaxMeshScale = 1e6;

// Triangles as a mesh file holds them, in the file's units.
struct MeshTriangles {
    std::vector<std::array<Vec3d, 3>> triangles;
    friend bool operator==(const MeshTriangles&, const MeshTriangles&) = default;
};

// A mesh file placed in the user frame: a file vertex v lands at offset + scale v.
struct ObstacleMesh {
    std::string name;
    std::string file;
    Vec3d offset;
    double scale = 1.0;
    // Read from `file` by whoever added the mesh; none before. Copies share
    // it: a plan's undo history holds a mesh of a million triangles once,
    // however many steps it has.
    std::shared_ptr<const MeshTriangles> mesh;
    // The same placement of the same triangles.
    friend bool operator==(const ObstacleMesh& a, const ObstacleMesh& b)
    {
        const bool sameTriangles = a.mesh == b.mesh || (a.mesh && b.mesh && *a.mesh == *b.mesh);
        return a.name == b.name && a.file == b.file && a.offset == b.offset && a.scale == b.scale && sameTriangles;
    }
};

// Why a box cannot be used (a corner not finite, a side of no length), naming
// it; nullopt when it can.
std::optional<std::string> CheckObstacleBox(const ObstacleBox& box);
// The same for a mesh's placement: offset finite and within
// kMaxObstacleMetres, scale above 0 and at most kMaxMeshScale.
std::optional<std::string> CheckMeshPlacement(const ObstacleMesh& mesh);

// What blocks the cameras' view. Every change goes through a check: a refused
// box or mesh leaves the set as it was.
class CObstacleSet
{
  public:
    bool IsEmpty() const { return m_aBoxes.empty() && m_aMeshes.empty(); }
    size_t GetCount() const { return m_aBoxes.size() + m_aMeshes.size(); }
    const std::vector<ObstacleBox>& GetBoxes() const { return m_aBoxes; }
    const std::vector<ObstacleMesh>& GetMeshes() const { return m_aMeshes; }

    // The refusal's reason, or nullopt once added or replaced.
    std::optional<std::string> AddBox(const ObstacleBox& box);
    std::optional<std::string> ReplaceBox(size_t i, const ObstacleBox& box);
    // The mesh's triangles, read from `placement.file` by the caller, placed
    // as `placement` says; refused when one would lie beyond
    // kMaxObstacleMetres or there is none.
    std::optional<std::string> AddMesh(const ObstacleMesh& placement, MeshTriangles triangles);
    // The same for a mesh that holds its triangles already (a plan's): they are shared, not copied.
    std::optional<std::string> AddMesh(const ObstacleMesh& mesh);
    // A new placement for mesh i, checked as AddMesh checks; the triangles
    // read before are kept.
    std::optional<std::string> PlaceMesh(size_t i, const ObstacleMesh& placement);
    void RemoveBox(size_t i);
    void RemoveMesh(size_t i);
    void Clear();

    // Every mesh triangle in the user frame, in metres.
    std::vector<std::array<Vec3d, 3>> PlacedTriangles(size_t mesh) const;

    friend bool operator==(const CObstacleSet&, const CObstacleSet&);

  private:
    std::vector<ObstacleBox> m_aBoxes;
    std::vector<ObstacleMesh> m_aMeshes;
};
