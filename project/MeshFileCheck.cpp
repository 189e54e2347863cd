#include "project/MeshFileCheck.h"

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <limits>
#include <vector>

namespace
{

// A statement longer than this is no mesh an exporter wrote.
constexpr size_t kMaxObjStatementBytes = size_t{1} << 20;

bool EndsWithCaseless(const std::string& text, std::string_view suffix)
{
    if (text.size() < suffix.size())
        return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[text.size() - suffix.size() + i]);
        if (std::tolower(c) != suffix[i])
            return false;
    }
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

bool IsObjStatement(std::string_view keyword)
{
    static constexpr std::array<std::string_view, 40> kStatements = {
        "v",     "vt",       "vn",       "vp",     "f",          "fo",        "l",      "p",     "g",    "o",
        "s",     "mg",       "mtllib",   "usemtl", "usemap",     "maplib",    "cstype", "deg",   "bmat", "step",
        "curv",  "curv2",    "surf",     "parm",   "trim",       "hole",      "scrv",   "sp",    "end",  "con",
        "bevel", "c_interp", "d_interp", "lod",    "shadow_obj", "trace_obj", "ctech",  "stech", "call", "csh"};
    return std::find(kStatements.begin(), kStatements.end(), keyword) != kStatements.end();
}

} // namespace

bool IsRegularFileInside(const std::string& folder, const std::string& path)
{
    std::error_code error;
    const std::filesystem::path base = std::filesystem::canonical(folder.empty() ? "." : folder, error);
    if (error)
        return false;
    const std::filesystem::path file = std::filesystem::canonical(path, error);
    if (error)
        return false;
    const std::string inside = base.string() == "/" ? "/" : base.string() + "/";
    struct stat info {
    };
    return file.string().rfind(inside, 0) == 0 && ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<MeshFormat> MeshFormatOfName(const std::string& path)
{
    if (EndsWithCaseless(path, ".obj"))
        return MeshFormat::Obj;
    if (EndsWithCaseless(path, ".gltf") || EndsWithCaseless(path, ".glb"))
        return MeshFormat::Gltf;
    return std::nullopt;
}

void CObjScan::Feed(std::string_view bytes)
{
    while (!m_refusal && !bytes.empty()) {
        const size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        if (m_strPending.size() + piece.size() > kMaxObjStatementBytes) {
            m_refusal = "line " + std::to_string(m_nLine + 1) + ": longer than 1 MB";
            return;
        }
        m_strPending.append(piece);
        if (end == std::string_view::npos)
            return;
        bytes.remove_prefix(end + 1);
        ++m_nLine;
        // The importer joins a line holding a backslash to the next one and
        // drops the backslash: so does the scan, so that a face cannot hide
        // corners from it.
        const size_t backslash = m_strPending.find('\\', m_nLineStart);
        if (backslash != std::string::npos) {
            std::replace(m_strPending.begin() + static_cast<std::ptrdiff_t>(m_nLineStart), m_strPending.end(), '\\',
                         ' ');
            m_strPending.push_back(' ');
            m_nLineStart = m_strPending.size();
            continue;
        }
        Line(m_strPending);
        m_strPending.clear();
        m_nLineStart = 0;
    }
}

std::optional<std::string> CObjScan::Finish()
{
    if (!m_refusal && !m_strPending.empty()) {
        ++m_nLine;
        std::replace(m_strPending.begin() + static_cast<std::ptrdiff_t>(m_nLineStart), m_strPending.end(), '\\', ' ');
        Line(m_strPending);
        m_strPending.clear();
        m_nLineStart = 0;
    }
    if (!m_refusal && m_nTriangles == 0)
        m_refusal = "the file holds no triangle";
    return m_refusal;
}

void CObjScan::Line(std::string_view line)
{
    size_t p = 0;
    auto token = [&]() {
        while (p < line.size() && IsBlank(line[p]))
            ++p;
        const size_t start = p;
        while (p < line.size() && !IsBlank(line[p]))
            ++p;
        return line.substr(start, p - start);
    };
    const std::string_view keyword = token();
    if (keyword.empty() || keyword[0] == '#')
        return;
    const auto where = [this]() { return "line " + std::to_string(m_nLine); };
    if (!m_bStatementSeen) {
        // Other formats' first lines ("ply", "solid", "OFF", "xof ...")
        // are no OBJ statement.
        if (!IsObjStatement(keyword)) {
            m_refusal =
                where() + ": \"" + std::string(keyword.substr(0, 16)) + "\" is no OBJ statement (not an OBJ file)";
            return;
        }
        m_bStatementSeen = true;
    }
    if (keyword != "f" && keyword != "fo")
        return;
    uint64_t corners = 0;
    while (!token().empty())
        ++corners;
    if (corners > kMaxPolygonCorners) {
        m_refusal = where() + ": a face of " + std::to_string(corners) + " corners, more than the " +
                    std::to_string(kMaxPolygonCorners) + " a face may have";
        return;
    }
    if (corners >= 3)
        m_nTriangles += corners - 2;
    if (m_nTriangles > kMaxMeshTriangles)
        m_refusal = where() + ": the faces make more than " + std::to_string(kMaxMeshTriangles) +
                    " triangles, the most a mesh may have";
}

namespace
{

using Doc = nlohmann::json;

struct Refusal {
    std::string message;
};

[[noreturn]] void Refuse(const std::string& where, const std::string& why)
{
    throw Refusal{where.empty() ? why : where + ": " + why};
}

uint32_t ReadU32(std::string_view bytes, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
    return v;
}

void AppendU32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xffu));
}

constexpr uint32_t kGlbMagic = 0x46546C67;     // "glTF"
constexpr uint32_t kGlbJsonChunk = 0x4E4F534A; // "JSON"
constexpr uint32_t kGlbBinChunk = 0x004E4942;  // "BIN\0"

// The nesting of the JSON text, counted before the parser or the importer's
// own (recursive) parser may go deeper than the stack allows.
void CheckNesting(std::string_view text)
{
    uint64_t depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxGltfJsonDepth)
                Refuse("", "the JSON is nested more than " + std::to_string(kMaxGltfJsonDepth) + " levels deep");
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
}

bool IsVersion2(const Doc& value)
{
    if (!value.is_string())
        return false;
    const std::string& text = value.get_ref<const std::string&>();
    return text.size() >= 3 && text[0] == '2' && text[1] == '.' &&
           std::all_of(text.begin() + 2, text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The list under `key`, empty when there is none.
const Doc& List(const Doc& document, const char* key)
{
    static const Doc kEmpty = Doc::array();
    const auto it = document.find(key);
    if (it == document.end())
        return kEmpty;
    if (!it->is_array())
        Refuse(key, "must be a list");
    return *it;
}

const Doc& Object(const Doc& list, const char* key, uint64_t i)
{
    const Doc& item = list[static_cast<size_t>(i)];
    if (!item.is_object())
        Refuse(std::string(key) + "[" + std::to_string(i) + "]", "must be an object");
    return item;
}

// A whole number member in [low, high]; `fallback` when it is missing, or a
// refusal when there is none.
uint64_t Whole(const Doc& object, const std::string& where, const char* key, uint64_t low, uint64_t high,
               std::optional<uint64_t> fallback = std::nullopt)
{
    const auto it = object.find(key);
    if (it == object.end()) {
        if (!fallback)
            Refuse(where + "." + key, "missing");
        return *fallback;
    }
    if (!it->is_number_unsigned() || it->get<uint64_t>() < low || it->get<uint64_t>() > high)
        Refuse(where + "." + key, "must be a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    return it->get<uint64_t>();
}

uint64_t Index(const Doc& value, const std::string& where, size_t count, const char* what)
{
    if (!value.is_number_unsigned() || value.get<uint64_t>() >= count)
        Refuse(where, std::string("must be the number of one of the ") + std::to_string(count) + " " + what);
    return value.get<uint64_t>();
}

void CheckNumbers(const Doc& node, const std::string& where, const char* key, size_t count)
{
    const auto it = node.find(key);
    if (it == node.end())
        return;
    bool good = it->is_array() && it->size() == count;
    for (size_t i = 0; good && i < count; ++i)
        good = (*it)[i].is_number() && std::isfinite((*it)[i].get<double>());
    if (!good)
        Refuse(where + "." + key, "must be a list of " + std::to_string(count) + " finite numbers");
}

uint64_t ComponentBytes(uint64_t componentType)
{
    switch (componentType) {
    case 5120:
    case 5121:
        return 1;
    case 5122:
    case 5123:
        return 2;
    case 5125:
    case 5126:
        return 4;
    default:
        return 0;
    }
}

uint64_t ComponentsOf(const std::string& type)
{
    static const std::pair<const char*, uint64_t> kTypes[] = {{"SCALAR", 1}, {"VEC2", 2}, {"VEC3", 3}, {"VEC4", 4},
                                                              {"MAT2", 4},   {"MAT3", 9}, {"MAT4", 16}};
    for (const auto& [name, components] : kTypes)
        if (type == name)
            return components;
    return 0;
}

// The bytes a base64 text decodes to; nullopt when it is not base64.
std::optional<uint64_t> Base64Bytes(std::string_view text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    const bool digits = std::all_of(text.begin(), text.end() - static_cast<std::ptrdiff_t>(padding), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/';
    });
    if (!digits)
        return std::nullopt;
    return text.size() / 4 * 3 - padding;
}

// The element size an attribute is read into, 0 for one the importer is
// not handed (morph targets move positions, normals and tangents only).
uint64_t AttributeBytes(const std::string& name, bool target)
{
    if (name == "POSITION" || name == "NORMAL")
        return 12;
    if (name == "TANGENT")
        return target ? 12 : 16;
    if (target)
        return 0;
    if (name.rfind("TEXCOORD_", 0) == 0)
        return 12;
    if (name.rfind("COLOR_", 0) == 0)
        return 16;
    return 0;
}

// A relative URI reference decoded from its %XX escapes; nullopt for a
// broken escape.
std::optional<std::string> PercentDecoded(const std::string& uri)
{
    std::string out;
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] != '%') {
            out.push_back(uri[i]);
            continue;
        }
        if (i + 2 >= uri.size() || !std::isxdigit(static_cast<unsigned char>(uri[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(uri[i + 2])))
            return std::nullopt;
        out.push_back(static_cast<char>(std::stoi(uri.substr(i + 1, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}

class CGltfCheck
{
  public:
    CGltfCheck(const Doc& document, const std::string& folder, std::optional<uint64_t> binBytes)
        : m_document(document), m_strFolder(folder), m_binBytes(binBytes)
    {
    }

    CheckedGltf Run(bool glb, std::string_view bin);

  private:
    // New, compact numbers for the objects the scene reaches, in their
    // original order, so the importer meets them as it would have.
    struct Kept {
        std::vector<int64_t> renumbered;
        uint64_t count = 0;
        void Resize(size_t n) { renumbered.assign(n, -1); }
        void Mark(uint64_t i) { renumbered[static_cast<size_t>(i)] = 0; }
        bool Has(uint64_t i) const { return renumbered[static_cast<size_t>(i)] >= 0; }
        void Number()
        {
            count = 0;
            for (int64_t& n : renumbered)
                if (n >= 0)
                    n = static_cast<int64_t>(count++);
        }
        Doc New(uint64_t i) const { return renumbered[static_cast<size_t>(i)]; }
    };

    void CheckNodes();
    void CheckPrimitive(const Doc& primitive, const std::string& where, uint64_t& triangles);
    void CheckAccessor(uint64_t a);
    void CheckBufferView(uint64_t v);
    void CheckBuffer(uint64_t b);
    const Doc& Accessor(uint64_t a) const { return m_document["accessors"][static_cast<size_t>(a)]; }

    const Doc& m_document;
    std::string m_strFolder;
    std::optional<uint64_t> m_binBytes;
    Kept m_nodes, m_meshes, m_accessors, m_views, m_buffers;
    std::vector<int64_t> m_aParent;
    std::vector<uint64_t> m_aRoots;
    std::vector<std::string> m_aBufferUri;
};

void CGltfCheck::CheckNodes()
{
    const Doc& nodes = List(m_document, "nodes");
    const size_t n = nodes.size();
    m_aParent.assign(n, -1);
    for (size_t i = 0; i < n; ++i) {
        const Doc& node = Object(nodes, "nodes", i);
        const std::string where = "nodes[" + std::to_string(i) + "]";
        const auto children = node.find("children");
        if (children == node.end())
            continue;
        if (!children->is_array())
            Refuse(where + ".children", "must be a list");
        for (size_t c = 0; c < children->size(); ++c) {
            const uint64_t child = Index((*children)[c], where + ".children[" + std::to_string(c) + "]", n, "nodes");
            // The importer follows children recursively: a node under two
            // parents is read twice, a loop for ever.
            if (child == i || m_aParent[child] >= 0)
                Refuse(where + ".children[" + std::to_string(c) + "]",
                       "node " + std::to_string(child) + " already has a parent");
            m_aParent[child] = static_cast<int64_t>(i);
        }
    }
    // Each node has one parent at most: breadth first from the roots
    // reaches every node unless some form a loop.
    std::vector<uint64_t> depth(n, 0);
    std::deque<size_t> queue;
    for (size_t i = 0; i < n; ++i) {
        if (m_aParent[i] < 0) {
            depth[i] = 1;
            queue.push_back(i);
        }
    }
    size_t reached = 0;
    while (!queue.empty()) {
        const size_t i = queue.front();
        queue.pop_front();
        ++reached;
        if (depth[i] > kMaxNodeDepth)
            Refuse("nodes",
                   "nested more than " + std::to_string(kMaxNodeDepth) + " deep (node " + std::to_string(i) + ")");
        const auto children = nodes[i].find("children");
        if (children == nodes[i].end())
            continue;
        for (const Doc& child : *children) {
            depth[child.get<size_t>()] = depth[i] + 1;
            queue.push_back(child.get<size_t>());
        }
    }
    if (reached != n)
        Refuse("nodes", "the children form a loop");
}

void CGltfCheck::CheckAccessor(uint64_t a)
{
    if (m_accessors.Has(a))
        return;
    const Doc& accessors = List(m_document, "accessors");
    const Doc& accessor = Object(accessors, "accessors", a);
    const std::string where = "accessors[" + std::to_string(a) + "]";
    if (accessor.contains("sparse"))
        Refuse(where, "sparse accessors are not read");
    if (!accessor.contains("bufferView"))
        Refuse(where + ".bufferView", "missing (accessors without data are not read)");
    const Doc& views = List(m_document, "bufferViews");
    const uint64_t v = Index(accessor["bufferView"], where + ".bufferView", views.size(), "buffer views");
    CheckBufferView(v);
    const uint64_t componentType = Whole(accessor, where, "componentType", 5120, 5126);
    const uint64_t componentBytes = ComponentBytes(componentType);
    if (componentBytes == 0)
        Refuse(where + ".componentType", std::to_string(componentType) + " is no glTF component type");
    const auto type = accessor.find("type");
    const uint64_t components =
        type != accessor.end() && type->is_string() ? ComponentsOf(type->get_ref<const std::string&>()) : 0;
    if (components == 0)
        Refuse(where + ".type", "must be SCALAR, VEC2, VEC3, VEC4, MAT2, MAT3 or MAT4");
    const uint64_t count = Whole(accessor, where, "count", 1, kMaxMeshFileBytes);
    const uint64_t offset = Whole(accessor, where, "byteOffset", 0, kMaxMeshFileBytes, 0);
    const auto normalized = accessor.find("normalized");
    if (normalized != accessor.end() && !normalized->is_boolean())
        Refuse(where + ".normalized", "must be true or false");

    const Doc& view = views[static_cast<size_t>(v)];
    const uint64_t element = componentBytes * components;
    const uint64_t viewStride = view.value("byteStride", uint64_t{0});
    const uint64_t stride = viewStride != 0 ? viewStride : element;
    if (stride < element)
        Refuse(where, "its elements of " + std::to_string(element) + " bytes overlap at the view's stride of " +
                          std::to_string(stride));
    // Every number is bounded by the file size, far from wrapping.
    const uint64_t end = offset + stride * (count - 1) + element;
    if (end > view["byteLength"].get<uint64_t>())
        Refuse(where, "needs " + std::to_string(end) + " bytes of its buffer view, which has " +
                          std::to_string(view["byteLength"].get<uint64_t>()));
    m_accessors.Mark(a);
}

void CGltfCheck::CheckBufferView(uint64_t v)
{
    if (m_views.Has(v))
        return;
    const Doc& views = List(m_document, "bufferViews");
    const Doc& view = Object(views, "bufferViews", v);
    const std::string where = "bufferViews[" + std::to_string(v) + "]";
    const Doc& buffers = List(m_document, "buffers");
    if (!view.contains("buffer"))
        Refuse(where + ".buffer", "missing");
    const uint64_t b = Index(view["buffer"], where + ".buffer", buffers.size(), "buffers");
    CheckBuffer(b);
    const uint64_t length = Whole(view, where, "byteLength", 1, kMaxMeshFileBytes);
    const uint64_t offset = Whole(view, where, "byteOffset", 0, kMaxMeshFileBytes, 0);
    const uint64_t stride = Whole(view, where, "byteStride", 0, 252, 0);
    if (stride != 0 && (stride < 4 || stride % 4 != 0))
        Refuse(where + ".byteStride", "must be a multiple of 4 from 4 to 252");
    const uint64_t bufferBytes = buffers[static_cast<size_t>(b)]["byteLength"].get<uint64_t>();
    if (offset + length > bufferBytes)
        Refuse(where,
               "reaches byte " + std::to_string(offset + length) + " of a buffer of " + std::to_string(bufferBytes));
    m_views.Mark(v);
}

void CGltfCheck::CheckBuffer(uint64_t b)
{
    if (m_buffers.Has(b))
        return;
    const Doc& buffers = List(m_document, "buffers");
    const Doc& buffer = Object(buffers, "buffers", b);
    const std::string where = "buffers[" + std::to_string(b) + "]";
    const uint64_t length = Whole(buffer, where, "byteLength", 1, kMaxMeshFileBytes);
    m_buffers.Mark(b);
    const auto uri = buffer.find("uri");
    if (uri == buffer.end()) {
        // The binary chunk of a GLB container, the only buffer without a name.
        if (b != 0 || !m_binBytes)
            Refuse(where + ".uri", "missing");
        if (*m_binBytes < length)
            Refuse(where, "the GLB binary chunk holds " + std::to_string(*m_binBytes) + " bytes, byteLength says " +
                              std::to_string(length));
        return;
    }
    if (!uri->is_string())
        Refuse(where + ".uri", "must be a string");
    const std::string& text = uri->get_ref<const std::string&>();
    const std::string shown = "\"" + text.substr(0, 60) + (text.size() > 60 ? "...\"" : "\"");
    if (text.rfind("data:", 0) == 0) {
        const size_t marker = text.find(";base64,");
        if (marker == std::string::npos || text.find(',') < marker)
            Refuse(where + ".uri", "only base64 data: URIs are read");
        const std::optional<uint64_t> bytes = Base64Bytes(std::string_view(text).substr(marker + 8));
        if (!bytes)
            Refuse(where + ".uri", "the data: URI is not valid base64");
        if (*bytes < length)
            Refuse(where, "the data: URI holds " + std::to_string(*bytes) + " bytes, byteLength says " +
                              std::to_string(length));
        m_aBufferUri[static_cast<size_t>(b)] = text;
        return;
    }
    const std::optional<std::string> name = PercentDecoded(text);
    const auto refused = [&](const std::string& why) { Refuse(where + ".uri", shown + ": " + why); };
    if (!name || name->empty() || name->find('\0') != std::string::npos)
        refused("not a file name");
    if ((*name)[0] == '/' || name->find(':') != std::string::npos || name->find('\\') != std::string::npos)
        refused("only data: URIs and files beside the glTF file are read");
    for (const auto& part : std::filesystem::path(*name))
        if (part == "..")
            refused("only data: URIs and files beside the glTF file are read");
    // Resolved, so that no link leads out of the folder either.
    const std::string file = (std::filesystem::path(m_strFolder.empty() ? "." : m_strFolder) / *name).string();
    struct stat info {
    };
    if (::stat(file.c_str(), &info) != 0)
        refused("no such file beside the glTF file");
    if (!IsRegularFileInside(m_strFolder, file))
        refused(S_ISREG(info.st_mode) ? "only data: URIs and files beside the glTF file are read"
                                      : "not a regular file");
    if (static_cast<uint64_t>(info.st_size) < length)
        Refuse(where,
               shown + " holds " + std::to_string(info.st_size) + " bytes, byteLength says " + std::to_string(length));
    m_aBufferUri[static_cast<size_t>(b)] = *name;
}

void CGltfCheck::CheckPrimitive(const Doc& primitive, const std::string& where, uint64_t& triangles)
{
    if (!primitive.is_object())
        Refuse(where, "must be an object");
    const auto attributes = primitive.find("attributes");
    if (attributes == primitive.end() || !attributes->is_object())
        Refuse(where + ".attributes", "must be an object");
    const Doc& accessors = List(m_document, "accessors");
    if (!attributes->contains("POSITION"))
        Refuse(where + ".attributes.POSITION", "missing");
    const uint64_t position =
        Index((*attributes)["POSITION"], where + ".attributes.POSITION", accessors.size(), "accessors");
    CheckAccessor(position);
    if (Accessor(position)["type"] != "VEC3" || Accessor(position)["componentType"] != 5126)
        Refuse(where + ".attributes.POSITION", "must be an accessor of VEC3 floats");
    const uint64_t vertices = Accessor(position)["count"].get<uint64_t>();

    // Each attribute the importer reads has one element per position, each
    // at most as large as what it is read into.
    const auto checkSet = [&](const Doc& set, const std::string& at, bool target) {
        for (auto it = set.begin(); it != set.end(); ++it) {
            const uint64_t limit = AttributeBytes(it.key(), target);
            if (limit == 0)
                continue;
            const std::string name = at + "." + it.key();
            const uint64_t a = Index(it.value(), name, accessors.size(), "accessors");
            CheckAccessor(a);
            const Doc& accessor = Accessor(a);
            if (accessor["count"].get<uint64_t>() != vertices)
                Refuse(name,
                       "has " + accessor["count"].dump() + " elements for " + std::to_string(vertices) + " positions");
            const uint64_t bytes = ComponentBytes(accessor["componentType"].get<uint64_t>()) *
                                   ComponentsOf(accessor["type"].get<std::string>());
            if (bytes > limit)
                Refuse(name, "its elements are larger than the attribute can be");
        }
    };
    checkSet(*attributes, where + ".attributes", false);
    if (const auto targets = primitive.find("targets"); targets != primitive.end()) {
        if (!targets->is_array())
            Refuse(where + ".targets", "must be a list");
        for (size_t t = 0; t < targets->size(); ++t) {
            if (!(*targets)[t].is_object())
                Refuse(where + ".targets[" + std::to_string(t) + "]", "must be an object");
            checkSet((*targets)[t], where + ".targets[" + std::to_string(t) + "]", true);
        }
    }
    uint64_t corners = vertices;
    if (primitive.contains("indices")) {
        const uint64_t a = Index(primitive["indices"], where + ".indices", accessors.size(), "accessors");
        CheckAccessor(a);
        const Doc& accessor = Accessor(a);
        const uint64_t type = accessor["componentType"].get<uint64_t>();
        if (accessor["type"] != "SCALAR" || (type != 5121 && type != 5123 && type != 5125))
            Refuse(where + ".indices", "must be an accessor of unsigned SCALAR whole numbers");
        corners = accessor["count"].get<uint64_t>();
    }
    const uint64_t mode = Whole(primitive, where, "mode", 0, 6, 4);
    if (mode == 4)
        triangles += corners / 3;
    else if (mode >= 5 && corners >= 3)
        triangles += corners - 2;
}

CheckedGltf CGltfCheck::Run(bool glb, std::string_view bin)
{
    const auto assetIt = m_document.find("asset");
    if (assetIt == m_document.end() || !assetIt->is_object())
        Refuse("asset", "missing: not a glTF file");
    const Doc& asset = *assetIt;
    if (!IsVersion2(asset.value("version", Doc())))
        Refuse("asset.version", (asset.contains("version") ? asset["version"].dump() : std::string("missing")) +
                                    ": only glTF 2.0 is read");
    if (asset.contains("minVersion") && !IsVersion2(asset["minVersion"]))
        Refuse("asset.minVersion", asset["minVersion"].dump() + ": only glTF 2.0 is read");

    CheckNodes();
    const Doc& nodes = List(m_document, "nodes");
    const Doc& meshes = List(m_document, "meshes");
    const Doc& scenes = List(m_document, "scenes");
    m_nodes.Resize(nodes.size());
    m_meshes.Resize(meshes.size());
    m_accessors.Resize(List(m_document, "accessors").size());
    m_views.Resize(List(m_document, "bufferViews").size());
    m_buffers.Resize(List(m_document, "buffers").size());
    m_aBufferUri.assign(m_buffers.renumbered.size(), std::string());
    // The importer reads the scene named by "scene", else the first.
    const uint64_t sceneIndex =
        m_document.contains("scene") ? Index(m_document["scene"], "scene", scenes.size(), "scenes") : 0;
    if (sceneIndex >= scenes.size())
        Refuse("", "the file holds no triangle");
    const Doc& scene = Object(scenes, "scenes", sceneIndex);
    const std::string sceneWhere = "scenes[" + std::to_string(sceneIndex) + "].nodes";
    const Doc& roots = List(scene, "nodes");

    std::vector<uint64_t> reached;
    for (size_t r = 0; r < roots.size(); ++r) {
        const std::string where = sceneWhere + "[" + std::to_string(r) + "]";
        const uint64_t root = Index(roots[r], where, nodes.size(), "nodes");
        // A parent reaches its children already: the importer would read a
        // root with a parent, or one listed twice, once more.
        if (m_aParent[root] >= 0 || m_nodes.Has(root))
            Refuse(where, "node " + std::to_string(root) + " is no root or is listed twice");
        std::vector<uint64_t> stack{root};
        while (!stack.empty()) {
            const uint64_t i = stack.back();
            stack.pop_back();
            reached.push_back(i);
            m_nodes.Mark(i);
            if (const auto children = nodes[i].find("children"); children != nodes[i].end())
                for (const Doc& child : *children)
                    stack.push_back(child.get<uint64_t>());
        }
    }
    std::vector<uint64_t> meshTriangles(meshes.size(), 0);
    std::vector<bool> meshChecked(meshes.size(), false);
    uint64_t triangles = 0;
    for (const uint64_t i : reached) {
        const Doc& node = nodes[i];
        const std::string where = "nodes[" + std::to_string(i) + "]";
        CheckNumbers(node, where, "matrix", 16);
        CheckNumbers(node, where, "translation", 3);
        CheckNumbers(node, where, "rotation", 4);
        CheckNumbers(node, where, "scale", 3);
        if (!node.contains("mesh"))
            continue;
        const uint64_t m = Index(node["mesh"], where + ".mesh", meshes.size(), "meshes");
        if (!meshChecked[m]) {
            meshChecked[m] = true;
            m_meshes.Mark(m);
            const Doc& mesh = Object(meshes, "meshes", m);
            const std::string at = "meshes[" + std::to_string(m) + "].primitives";
            const Doc& primitives = List(mesh, "primitives");
            if (primitives.empty())
                Refuse(at, "must list at least one primitive");
            for (size_t p = 0; p < primitives.size(); ++p)
                CheckPrimitive(primitives[p], at + "[" + std::to_string(p) + "]", meshTriangles[m]);
        }
        triangles += meshTriangles[m];
        if (triangles > kMaxMeshTriangles)
            Refuse("", "the meshes make more than " + std::to_string(kMaxMeshTriangles) +
                           " triangles, the most a mesh may have");
    }
    if (triangles == 0)
        Refuse("", "the file holds no triangle");

    m_nodes.Number();
    m_meshes.Number();
    m_accessors.Number();
    m_views.Number();
    m_buffers.Number();
    Doc out = Doc::object();
    out["asset"]["version"] = "2.0";
    out["scene"] = 0;
    Doc keptScene = Doc::object();
    keptScene["nodes"] = Doc::array();
    for (const Doc& root : roots)
        keptScene["nodes"].push_back(m_nodes.New(root.get<uint64_t>()));
    out["scenes"] = Doc::array();
    out["scenes"].push_back(std::move(keptScene));

    Doc keptNodes = Doc::array();
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (m_nodes.renumbered[i] < 0)
            continue;
        Doc node = Doc::object();
        for (const char* key : {"matrix", "translation", "rotation", "scale"})
            if (nodes[i].contains(key))
                node[key] = nodes[i][key];
        if (nodes[i].contains("mesh"))
            node["mesh"] = m_meshes.New(nodes[i]["mesh"]);
        if (nodes[i].contains("children")) {
            Doc children = Doc::array();
            for (const Doc& child : nodes[i]["children"])
                children.push_back(m_nodes.New(child.get<uint64_t>()));
            node["children"] = std::move(children);
        }
        keptNodes.push_back(std::move(node));
    }
    out["nodes"] = std::move(keptNodes);

    const auto renumberSet = [this](const Doc& set, bool target) {
        Doc kept = Doc::object();
        for (auto it = set.begin(); it != set.end(); ++it)
            if (AttributeBytes(it.key(), target) != 0)
                kept[it.key()] = m_accessors.New(it.value().get<uint64_t>());
        return kept;
    };
    Doc keptMeshes = Doc::array();
    for (size_t m = 0; m < meshes.size(); ++m) {
        if (m_meshes.renumbered[m] < 0)
            continue;
        Doc primitives = Doc::array();
        for (const Doc& primitive : meshes[m]["primitives"]) {
            Doc kept = Doc::object();
            kept["attributes"] = renumberSet(primitive["attributes"], false);
            if (primitive.contains("indices"))
                kept["indices"] = m_accessors.New(primitive["indices"].get<uint64_t>());
            if (primitive.contains("mode"))
                kept["mode"] = primitive["mode"];
            if (primitive.contains("targets")) {
                Doc targets = Doc::array();
                for (const Doc& target : primitive["targets"])
                    targets.push_back(renumberSet(target, true));
                kept["targets"] = std::move(targets);
            }
            primitives.push_back(std::move(kept));
        }
        Doc mesh = Doc::object();
        mesh["primitives"] = std::move(primitives);
        keptMeshes.push_back(std::move(mesh));
    }
    out["meshes"] = std::move(keptMeshes);

    const Doc& accessors = List(m_document, "accessors");
    Doc keptAccessors = Doc::array();
    for (size_t a = 0; a < accessors.size(); ++a) {
        if (m_accessors.renumbered[a] < 0)
            continue;
        const Doc& accessor = accessors[a];
        Doc kept = Doc::object();
        kept["bufferView"] = m_views.New(accessor["bufferView"].get<uint64_t>());
        for (const char* key : {"componentType", "count", "type", "byteOffset", "normalized"})
            if (accessor.contains(key))
                kept[key] = accessor[key];
        keptAccessors.push_back(std::move(kept));
    }
    out["accessors"] = std::move(keptAccessors);

    const Doc& views = List(m_document, "bufferViews");
    Doc keptViews = Doc::array();
    for (size_t v = 0; v < views.size(); ++v) {
        if (m_views.renumbered[v] < 0)
            continue;
        Doc kept = Doc::object();
        kept["buffer"] = m_buffers.New(views[v]["buffer"].get<uint64_t>());
        for (const char* key : {"byteLength", "byteOffset", "byteStride"})
            if (views[v].contains(key))
                kept[key] = views[v][key];
        keptViews.push_back(std::move(kept));
    }
    out["bufferViews"] = std::move(keptViews);

    const Doc& buffers = List(m_document, "buffers");
    Doc keptBuffers = Doc::array();
    for (size_t b = 0; b < buffers.size(); ++b) {
        if (m_buffers.renumbered[b] < 0)
            continue;
        Doc kept = Doc::object();
        kept["byteLength"] = buffers[b]["byteLength"];
        if (!m_aBufferUri[b].empty())
            kept["uri"] = m_aBufferUri[b];
        keptBuffers.push_back(std::move(kept));
    }
    // The binary chunk stays the first buffer only if it was.
    if (m_buffers.renumbered.empty() || m_buffers.renumbered[0] != 0)
        bin = {};
    out["buffers"] = std::move(keptBuffers);

    CheckedGltf checked;
    checked.triangles = triangles;
    std::string json = out.dump();
    if (!glb) {
        checked.content = std::move(json);
        return checked;
    }
    while (json.size() % 4 != 0)
        json.push_back(' ');
    std::string& glbOut = checked.content;
    const size_t binPadded = (bin.size() + 3) / 4 * 4;
    const uint64_t total = 12 + 8 + json.size() + (bin.empty() ? 0 : 8 + binPadded);
    glbOut.reserve(total);
    AppendU32(glbOut, kGlbMagic);
    AppendU32(glbOut, 2);
    AppendU32(glbOut, static_cast<uint32_t>(total));
    AppendU32(glbOut, static_cast<uint32_t>(json.size()));
    AppendU32(glbOut, kGlbJsonChunk);
    glbOut += json;
    if (!bin.empty()) {
        AppendU32(glbOut, static_cast<uint32_t>(binPadded));
        AppendU32(glbOut, kGlbBinChunk);
        glbOut.append(bin);
        glbOut.append(binPadded - bin.size(), '\0');
    }
    return checked;
}

} // namespace

std::variant<CheckedGltf, std::string> CheckGltf(std::string_view content, const std::string& folder)
{
    try {
        std::string_view json = content;
        std::string_view bin;
        std::optional<uint64_t> binBytes;
        const bool glb = content.size() >= 4 && ReadU32(content, 0) == kGlbMagic;
        if (glb) {
            if (content.size() < 20)
                Refuse("", "the GLB header is cut short");
            if (ReadU32(content, 4) != 2)
                Refuse("",
                       "a GLB container of version " + std::to_string(ReadU32(content, 4)) + ": only glTF 2.0 is read");
            const uint64_t length = ReadU32(content, 8);
            if (length > content.size() || length < 20)
                Refuse("", "the GLB container says " + std::to_string(length) + " bytes, the file has " +
                               std::to_string(content.size()));
            const uint64_t jsonBytes = ReadU32(content, 12);
            if (ReadU32(content, 16) != kGlbJsonChunk || 20 + jsonBytes > length)
                Refuse("", "the GLB container's first chunk is no JSON chunk within it");
            json = content.substr(20, jsonBytes);
            const uint64_t next = 20 + jsonBytes;
            if (next + 8 <= length && ReadU32(content, next + 4) == kGlbBinChunk) {
                const uint64_t binLength = ReadU32(content, next);
                if (next + 8 + binLength > length)
                    Refuse("", "the GLB binary chunk reaches past the container's end");
                bin = content.substr(next + 8, binLength);
                binBytes = binLength;
            }
        } else {
            const size_t first = content.find_first_not_of(" \t\r\n");
            if (first == std::string_view::npos || content[first] != '{')
                Refuse("", "neither glTF JSON nor a GLB container");
        }
        CheckNesting(json);
        Doc document;
        try {
            document = Doc::parse(json.begin(), json.end());
        } catch (const Doc::exception& error) {
            // "parse error at line 1, column 9: ...", or "number overflow parsing '1e400'", without the
            // library's tag and without the bytes it last read.
            std::string why = error.what();
            why = why.substr(std::min(why.find("] ") + 2, why.size()));
            Refuse("", std::string(glb ? "the GLB container's JSON" : "the file's JSON") +
                           " cannot be read: " + why.substr(0, why.find("; last read")));
        }
        if (!document.is_object())
            Refuse("", glb ? "the GLB container's JSON chunk is not a JSON object" : "not a JSON object");
        return CGltfCheck(document, folder, binBytes).Run(glb, bin);
    } catch (const Refusal& refusal) {
        return refusal.message;
    }
}
