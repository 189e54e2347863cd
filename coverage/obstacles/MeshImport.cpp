#include "coverage/obstacles/MeshImport.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <filesystem>
#include <system_error>

namespace {

void CollectNode(const aiScene& scene, const aiNode& node, const aiMatrix4x4& parent, MeshTriangles& out)
{
    const aiMatrix4x4 transform = parent * node.mTransformation;
    for (unsigned m = 0; m < node.mNumMeshes; ++m) {
        const aiMesh& mesh = *scene.mMeshes[node.mMeshes[m]];
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            // Points and lines block nothing; aiProcess_Triangulate left only these.
            if (face.mNumIndices != 3)
                continue;
            std::array<Vec3d, 3> triangle;
            for (int v = 0; v < 3; ++v) {
                const aiVector3D p = transform * mesh.mVertices[face.mIndices[v]];
                triangle[static_cast<size_t>(v)] = {p.x, p.y, p.z};
            }
            out.triangles.push_back(triangle);
        }
    }
    for (unsigned c = 0; c < node.mNumChildren; ++c)
        CollectNode(scene, *node.mChildren[c], transform, out);
}

} // namespace

std::variant<MeshTriangles, std::string> ReadMeshFile(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::string("not a readable file");
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension != ".obj" && extension != ".OBJ" && extension != ".gltf" && extension != ".glb" &&
        extension != ".GLTF" && extension != ".GLB")
        return std::string("only OBJ (.obj) and glTF 2.0 (.gltf, .glb) meshes are read");
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, aiProcess_Triangulate | aiProcess_JoinIdenticalVertices);
    if (!scene || !scene->mRootNode || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) != 0) {
        const std::string reason = importer.GetErrorString();
        return reason.empty() ? std::string("the mesh could not be read") : reason;
    }
    MeshTriangles mesh;
    CollectNode(*scene, *scene->mRootNode, aiMatrix4x4(), mesh);
    if (mesh.triangles.empty())
        return std::string("the file holds no triangle");
    for (const auto& triangle : mesh.triangles) {
        for (const Vec3d& v : triangle) {
            if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z))
                return std::string("a vertex is not a finite number");
        }
    }
    return mesh;
}
