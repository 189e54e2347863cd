// The mesh reader as volume-planner-mesh runs it, importer included: the
// input is a mesh file (named .gltf when it starts as glTF JSON or GLB, .obj
// otherwise) in a folder that also holds the cube's buffer and a FIFO for
// it to name. Either it is refused with a reason, or it gives whole finite
// triangles within the limit; a glTF file the check passes passes again as
// rewritten, with the same triangle count.
#include "project/MeshFileCheck.h"
#include "project/MeshImport.h"
#include "tests/support/MeshFiles.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace
{

std::string g_strFolder;

void RemoveFolder()
{
    std::error_code error;
    std::filesystem::remove_all(g_strFolder, error);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char pattern[] = "/tmp/vp-fuzz-mesh-XXXXXX";
    if (!mkdtemp(pattern))
        std::abort();
    g_strFolder = pattern;
    std::atexit(RemoveFolder);
    mesh_files::Write(g_strFolder + "/cube.bin", mesh_files::CubeBuffer());
    mkfifo((g_strFolder + "/pipe.bin").c_str(), 0600);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const size_t first = bytes.find_first_not_of(" \t\r\n");
    const bool gltf = bytes.compare(0, 4, "glTF") == 0 || (first != std::string::npos && bytes[first] == '{');
    const std::string path = g_strFolder + (gltf ? "/mesh.gltf" : "/mesh.obj");
    mesh_files::Write(path, bytes);

    const auto read = ImportMeshFile(path);
    if (const auto* reason = std::get_if<std::string>(&read)) {
        if (reason->empty())
            std::abort();
    } else {
        const std::vector<float>& coordinates = std::get<ImportedMesh>(read).coordinates;
        if (coordinates.empty() || coordinates.size() % 9 != 0 || coordinates.size() / 9 > kMaxMeshTriangles)
            std::abort();
        for (const float c : coordinates)
            if (!std::isfinite(c))
                std::abort();
    }
    if (gltf) {
        const auto checked = CheckGltf(bytes, g_strFolder);
        if (const auto* passed = std::get_if<CheckedGltf>(&checked)) {
            const auto again = CheckGltf(passed->content, g_strFolder);
            if (!std::holds_alternative<CheckedGltf>(again) ||
                std::get<CheckedGltf>(again).triangles != passed->triangles)
                std::abort();
        }
    }
    return 0;
}
