#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// What a mesh file may ask of the reader. The importer's work grows with the
// triangles, and with the square of a polygon's corners when it cuts the
// polygon into triangles; its recursion grows with the node nesting.
inline constexpr uint64_t kMaxMeshTriangles = 5'000'000;
inline constexpr uint64_t kMaxPolygonCorners = 1000;
inline constexpr uint64_t kMaxNodeDepth = 256;
inline constexpr uint64_t kMaxGltfJsonDepth = 64;
inline constexpr uint64_t kMaxMeshFileBytes = uint64_t{512} << 20;

enum class MeshFormat { Obj, Gltf };

// The format a file name promises (.obj; .gltf or .glb, in any case), or
// nullopt for any other name.
std::optional<MeshFormat> MeshFormatOfName(const std::string& path);

// Whether `path`, links resolved, is a regular file inside `folder` (or one
// of its subfolders).
bool IsRegularFileInside(const std::string& folder, const std::string& path);

// OBJ text, scanned piece by piece as it is read: its first statement must
// be one of OBJ's, no face may have more than kMaxPolygonCorners corners,
// and the faces together may make at most kMaxMeshTriangles triangles.
class CObjScan
{
  public:
    void Feed(std::string_view bytes);
    // The first refusal ("line 3: ..."), or nullopt once the whole text passed.
    std::optional<std::string> Finish();
    bool Refused() const { return m_refusal.has_value(); }

  private:
    void Line(std::string_view line);

    std::string m_strPending; // the statement so far
    size_t m_nLineStart = 0;  // where its last line starts in it
    uint64_t m_nLine = 0;
    uint64_t m_nTriangles = 0;
    bool m_bStatementSeen = false;
    std::optional<std::string> m_refusal;
};

// A glTF 2.0 file (JSON text or a GLB container) rewritten for the importer
// with only what places triangles: the scene, its nodes, their meshes'
// primitives, and the accessors, views and buffers these read. Each of these
// is checked first, so the importer is handed nothing malformed.
struct CheckedGltf {
    std::string content; // JSON text, or a GLB container when the file was one
    uint64_t triangles = 0;
};

// `folder` is where the file lies: a buffer may name only a regular file
// inside it (or be a data: URI). The refusal names the member and why.
std::variant<CheckedGltf, std::string> CheckGltf(std::string_view content, const std::string& folder);
