#include "project/MeshImport.h"

#include "project/MeshFileCheck.h"

#include <assimp/BaseImporter.h>
#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>
#include <assimp/Importer.hpp>
#include <assimp/MemoryIOWrapper.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

namespace
{

// The floats handed back are those the importer computed, bit for bit.
static_assert(sizeof(ai_real) == sizeof(float), "the importer computes in single precision");

constexpr size_t kReadChunk = size_t{1} << 20;

// Opened without waiting (a FIFO would block here for ever) and checked to
// be a regular file once open, so that nothing swapped in after the first
// look is read either.
int OpenRegular(const std::string& path, uint64_t& size)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat info {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    size = static_cast<uint64_t>(info.st_size);
    return fd;
}

// A file read through its descriptor, never written.
class CFileStream : public Assimp::IOStream
{
  public:
    CFileStream(int fd, uint64_t size) : m_nFd(fd), m_nSize(size) {}
    ~CFileStream() override { ::close(m_nFd); }

    size_t Read(void* buffer, size_t size, size_t count) override
    {
        if (size == 0 || count == 0)
            return 0;
        const uint64_t wanted = std::min<uint64_t>(static_cast<uint64_t>(size) * count, m_nSize - m_nPosition);
        auto* out = static_cast<char*>(buffer);
        uint64_t done = 0;
        while (done < wanted) {
            const ssize_t n = ::pread(m_nFd, out + done, wanted - done, static_cast<off_t>(m_nPosition + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<uint64_t>(n);
        }
        m_nPosition += done;
        return static_cast<size_t>(done / size);
    }
    size_t Write(const void*, size_t, size_t) override { return 0; }
    aiReturn Seek(size_t offset, aiOrigin origin) override
    {
        const uint64_t base = origin == aiOrigin_SET ? 0 : origin == aiOrigin_CUR ? m_nPosition : m_nSize;
        if (base + offset > m_nSize)
            return aiReturn_FAILURE;
        m_nPosition = base + offset;
        return aiReturn_SUCCESS;
    }
    size_t Tell() const override { return static_cast<size_t>(m_nPosition); }
    size_t FileSize() const override { return static_cast<size_t>(m_nSize); }
    void Flush() override {}

  private:
    int m_nFd;
    uint64_t m_nSize;
    uint64_t m_nPosition = 0;
};

// What the importer may open: the mesh file, as checked (from memory, or
// the descriptor the check read), and for glTF regular files inside its
// folder. Anything else does not exist for it.
class CGuardedFiles : public Assimp::IOSystem
{
  public:
    CGuardedFiles(std::string mainPath, std::optional<std::string> content, int mainFd, uint64_t mainSize,
                  std::string folder, bool besideAllowed)
        : m_strMain(std::move(mainPath)), m_content(std::move(content)), m_nMainFd(mainFd), m_nMainSize(mainSize),
          m_strFolder(std::move(folder)), m_bBeside(besideAllowed)
    {
    }

    bool Exists(const char* file) const override { return file == m_strMain || Beside(file); }
    char getOsSeparator() const override { return '/'; }
    Assimp::IOStream* Open(const char* file, const char* mode) override
    {
        if (!mode || std::strchr(mode, 'w') || std::strchr(mode, 'a') || std::strchr(mode, '+'))
            return nullptr;
        if (file == m_strMain) {
            if (m_content)
                return new Assimp::MemoryIOStream(reinterpret_cast<const uint8_t*>(m_content->data()),
                                                  m_content->size());
            const int fd = ::dup(m_nMainFd);
            return fd < 0 ? nullptr : new CFileStream(fd, m_nMainSize);
        }
        if (!Beside(file))
            return nullptr;
        uint64_t size = 0;
        const int fd = OpenRegular(file, size);
        return fd < 0 ? nullptr : new CFileStream(fd, size);
    }
    void Close(Assimp::IOStream* stream) override { delete stream; }

  private:
    bool Beside(const char* file) const { return m_bBeside && IsRegularFileInside(m_strFolder, file); }

    std::string m_strMain;
    std::optional<std::string> m_content;
    int m_nMainFd;
    uint64_t m_nMainSize;
    std::string m_strFolder;
    bool m_bBeside;
};

struct Collected {
    std::vector<float>& out;
    std::optional<std::string> refusal;
};

void CollectNode(const aiScene& scene, const aiNode& node, const aiMatrix4x4& parent, uint64_t depth, Collected& into)
{
    if (into.refusal)
        return;
    if (depth > kMaxNodeDepth) {
        into.refusal = "the nodes are nested more than " + std::to_string(kMaxNodeDepth) + " deep";
        return;
    }
    const aiMatrix4x4 transform = parent * node.mTransformation;
    for (unsigned m = 0; m < node.mNumMeshes; ++m) {
        if (node.mMeshes[m] >= scene.mNumMeshes) {
            into.refusal = "a node names a mesh the file does not hold";
            return;
        }
        const aiMesh& mesh = *scene.mMeshes[node.mMeshes[m]];
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            // Points and lines block nothing; aiProcess_Triangulate left only these.
            if (face.mNumIndices != 3)
                continue;
            if (into.out.size() / 9 >= kMaxMeshTriangles) {
                into.refusal = "the meshes make more than " + std::to_string(kMaxMeshTriangles) +
                               " triangles, the most a mesh may have";
                return;
            }
            for (int v = 0; v < 3; ++v) {
                if (face.mIndices[v] >= mesh.mNumVertices) {
                    into.refusal = "a face names a vertex the mesh does not hold";
                    return;
                }
                const aiVector3D p = transform * mesh.mVertices[face.mIndices[v]];
                if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
                    into.refusal = "a vertex is not a finite number";
                    return;
                }
                into.out.insert(into.out.end(), {p.x, p.y, p.z});
            }
        }
    }
    for (unsigned c = 0; c < node.mNumChildren; ++c)
        CollectNode(scene, *node.mChildren[c], transform, depth + 1, into);
}

std::string MegabytesText(uint64_t bytes)
{
    return std::to_string((bytes + (uint64_t{1} << 20) - 1) >> 20) + " MB";
}

} // namespace

std::variant<ImportedMesh, std::string> ImportMeshFile(const std::string& path)
{
    const std::optional<MeshFormat> format = MeshFormatOfName(path);
    if (!format)
        return std::string("only OBJ (.obj) and glTF 2.0 (.gltf, .glb) meshes are read");
    struct stat info {
    };
    if (::stat(path.c_str(), &info) != 0)
        return std::string("not a readable file");
    if (!S_ISREG(info.st_mode))
        return std::string("not a regular file");
    uint64_t size = 0;
    const int fd = OpenRegular(path, size);
    if (fd < 0)
        return std::string(errno == EINVAL ? "not a regular file" : "not a readable file");
    const struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (size > kMaxMeshFileBytes)
        return "the file has " + MegabytesText(size) + ", more than the " + MegabytesText(kMaxMeshFileBytes) +
               " a mesh file may have";

    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::canonical(path, error);
    if (error)
        return std::string("not a readable file");
    const std::string folder = canonical.parent_path().string();
    std::string mainPath = canonical.string();
    std::optional<std::string> content;
    if (*format == MeshFormat::Obj) {
        CObjScan scan;
        std::string chunk(static_cast<size_t>(std::min<uint64_t>(size, kReadChunk)), '\0');
        for (uint64_t at = 0; at < size && !scan.Refused();) {
            const ssize_t n = ::pread(fd, chunk.data(), chunk.size(), static_cast<off_t>(at));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return std::string("cannot be read: ") + std::strerror(errno);
            if (n == 0)
                break;
            scan.Feed(std::string_view(chunk.data(), static_cast<size_t>(n)));
            at += static_cast<uint64_t>(n);
        }
        if (auto refusal = scan.Finish())
            return *refusal;
    } else {
        std::string text(size, '\0');
        for (uint64_t at = 0; at < size;) {
            const ssize_t n = ::pread(fd, text.data() + at, size - at, static_cast<off_t>(at));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return std::string("cannot be read: ") + (n < 0 ? std::strerror(errno) : "the file shrank");
            at += static_cast<uint64_t>(n);
        }
        auto checked = CheckGltf(text, folder);
        if (auto* refusal = std::get_if<std::string>(&checked))
            return *refusal;
        content = std::move(std::get<CheckedGltf>(checked).content);
        // The importer tells JSON from GLB by the name's extension.
        const bool glb = content->size() >= 4 && content->compare(0, 4, "glTF") == 0;
        mainPath = (canonical.parent_path() / canonical.stem()).string() + (glb ? ".glb" : ".gltf");
    }

    Assimp::Importer importer;
    // Only the one importer the content was checked for stays: a file it
    // refuses is refused, not tried as another format.
    const char* wanted = *format == MeshFormat::Obj ? "Wavefront Object Importer" : "glTF2 Importer";
    std::vector<std::unique_ptr<Assimp::BaseImporter>> removed;
    bool found = false;
    for (size_t i = 0; i < importer.GetImporterCount(); ++i) {
        const aiImporterDesc* desc = importer.GetImporterInfo(i);
        if (desc && desc->mName && std::strcmp(desc->mName, wanted) == 0 && !found)
            found = true;
        else
            removed.emplace_back(importer.GetImporter(i));
    }
    for (const auto& other : removed)
        importer.UnregisterLoader(other.get());
    if (!found)
        return std::string("this build's importer cannot read ") + (*format == MeshFormat::Obj ? "OBJ" : "glTF 2.0");
    importer.SetIOHandler(
        new CGuardedFiles(mainPath, std::move(content), fd, size, folder, *format == MeshFormat::Gltf));

    const aiScene* scene = importer.ReadFile(mainPath, aiProcess_Triangulate | aiProcess_JoinIdenticalVertices);
    if (!scene || !scene->mRootNode || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) != 0) {
        const std::string reason = importer.GetErrorString();
        return reason.empty() ? std::string("the mesh could not be read") : reason;
    }
    ImportedMesh mesh;
    Collected collected{mesh.coordinates, std::nullopt};
    CollectNode(*scene, *scene->mRootNode, aiMatrix4x4(), 1, collected);
    if (collected.refusal)
        return *collected.refusal;
    if (mesh.coordinates.empty())
        return std::string("the file holds no triangle");
    return mesh;
}
