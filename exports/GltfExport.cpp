#include "exports/GltfExport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <sstream>

#include <tiny_gltf.h>

namespace
{

constexpr const char* kUnlit = "KHR_materials_unlit";
constexpr int kArrayBuffer = 34962;
// Objects closer than this to a camera are not drawn through it.
constexpr double kZNear = 0.05;

using Rgba = std::array<double, 4>;

tinygltf::Value ValueOf(const Json& json)
{
    switch (json.type()) {
    case Json::value_t::boolean:
        return tinygltf::Value(json.get<bool>());
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
        // Counts beyond an int go as numbers of their own size.
        if (json.get<double>() <= std::numeric_limits<int>::max() &&
            json.get<double>() >= std::numeric_limits<int>::min())
            return tinygltf::Value(json.get<int>());
        return tinygltf::Value(json.get<double>());
    case Json::value_t::number_float:
        return tinygltf::Value(json.get<double>());
    case Json::value_t::string:
        return tinygltf::Value(json.get<std::string>());
    case Json::value_t::array: {
        tinygltf::Value::Array items;
        for (const Json& item : json)
            items.push_back(ValueOf(item));
        return tinygltf::Value(std::move(items));
    }
    case Json::value_t::object: {
        tinygltf::Value::Object members;
        for (const auto& [key, item] : json.items())
            members.emplace(key, ValueOf(item));
        return tinygltf::Value(std::move(members));
    }
    default:
        return {};
    }
}

// Line segments and triangles as flat x, y, z lists.
using Points = std::vector<float>;

void Add(Points& points, const Vec3d& p)
{
    points.push_back(static_cast<float>(p.x));
    points.push_back(static_cast<float>(p.y));
    points.push_back(static_cast<float>(p.z));
}

void AddBoxEdges(Points& lines, const Vec3d& lo, const Vec3d& hi)
{
    const Vec3d c[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}, {lo.x, lo.y, hi.z},
                        {lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
    const int edges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                              {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
    for (const auto& e : edges) {
        Add(lines, c[e[0]]);
        Add(lines, c[e[1]]);
    }
}

void AddBoxFaces(Points& triangles, const Vec3d& lo, const Vec3d& hi)
{
    const Vec3d c[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}, {lo.x, lo.y, hi.z},
                        {lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
    // Counter-clockwise seen from outside.
    const int faces[6][4] = {{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 4, 5, 1}, {1, 5, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0}};
    for (const auto& f : faces)
        for (const int v : {f[0], f[1], f[2], f[0], f[2], f[3]})
            Add(triangles, c[v]);
}

// The model and its one buffer, filled a piece at a time.
class CGltfBuilder
{
  public:
    CGltfBuilder()
    {
        m_model.asset.version = "2.0";
        m_model.asset.generator = "Volume Planner";
        m_model.buffers.emplace_back();
        m_model.scenes.emplace_back();
        m_model.defaultScene = 0;
    }

    int Material(const std::string& name, const Rgba& rgba, bool doubleSided)
    {
        tinygltf::Material material;
        material.name = name;
        material.pbrMetallicRoughness.baseColorFactor = {rgba[0], rgba[1], rgba[2], rgba[3]};
        material.pbrMetallicRoughness.metallicFactor = 0.0;
        material.doubleSided = doubleSided;
        material.extensions[kUnlit] = tinygltf::Value(tinygltf::Value::Object{});
        m_model.materials.push_back(std::move(material));
        m_bUnlit = true;
        return static_cast<int>(m_model.materials.size()) - 1;
    }

    // A primitive of `mode` drawing the points in `xyz`; colours (RGBA bytes) optional.
    tinygltf::Primitive Primitive(int mode, const Points& xyz, int material, const std::vector<uint8_t>& rgba = {})
    {
        tinygltf::Primitive primitive;
        primitive.mode = mode;
        primitive.material = material;
        primitive.attributes["POSITION"] = Positions(xyz);
        if (!rgba.empty())
            primitive.attributes["COLOR_0"] = Colours(rgba);
        return primitive;
    }

    int Mesh(const std::string& name, std::vector<tinygltf::Primitive> primitives)
    {
        tinygltf::Mesh mesh;
        mesh.name = name;
        mesh.primitives = std::move(primitives);
        m_model.meshes.push_back(std::move(mesh));
        return static_cast<int>(m_model.meshes.size()) - 1;
    }

    int Node(tinygltf::Node node)
    {
        m_model.nodes.push_back(std::move(node));
        return static_cast<int>(m_model.nodes.size()) - 1;
    }

    // A node of the scene itself, not a child.
    void Place(int node) { m_model.scenes[0].nodes.push_back(node); }

    int Camera(const SharedCamera& cam, double zfar)
    {
        tinygltf::Camera camera;
        camera.name = cam.label;
        camera.type = "perspective";
        // The format wants an angle strictly inside (0, pi).
        camera.perspective.yfov = std::clamp(cam.yfovRad, 1e-4, 3.1415);
        camera.perspective.aspectRatio =
            cam.aspectRatio > 0.0 && std::isfinite(cam.aspectRatio) ? cam.aspectRatio : 1.0;
        camera.perspective.znear = kZNear;
        camera.perspective.zfar = zfar;
        m_model.cameras.push_back(std::move(camera));
        return static_cast<int>(m_model.cameras.size()) - 1;
    }

    void SetSceneExtras(const Json& extras) { m_model.scenes[0].extras = ValueOf(extras); }

    tinygltf::Model& Finish()
    {
        if (m_bUnlit)
            m_model.extensionsUsed.push_back(kUnlit);
        return m_model;
    }

  private:
    int View(const void* data, size_t bytes)
    {
        std::vector<unsigned char>& buffer = m_model.buffers[0].data;
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = buffer.size();
        view.byteLength = bytes;
        view.target = kArrayBuffer;
        const auto* first = static_cast<const unsigned char*>(data);
        buffer.insert(buffer.end(), first, first + bytes);
        // Every view starts on a four-byte boundary, as the format asks.
        buffer.resize((buffer.size() + 3) / 4 * 4, 0);
        m_model.bufferViews.push_back(view);
        return static_cast<int>(m_model.bufferViews.size()) - 1;
    }

    int Positions(const Points& xyz)
    {
        tinygltf::Accessor accessor;
        accessor.bufferView = View(xyz.data(), xyz.size() * sizeof(float));
        accessor.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
        accessor.type = TINYGLTF_TYPE_VEC3;
        accessor.count = xyz.size() / 3;
        accessor.minValues.assign(3, std::numeric_limits<double>::infinity());
        accessor.maxValues.assign(3, -std::numeric_limits<double>::infinity());
        for (size_t n = 0; n < xyz.size(); ++n) {
            accessor.minValues[n % 3] = std::min(accessor.minValues[n % 3], static_cast<double>(xyz[n]));
            accessor.maxValues[n % 3] = std::max(accessor.maxValues[n % 3], static_cast<double>(xyz[n]));
        }
        m_model.accessors.push_back(std::move(accessor));
        return static_cast<int>(m_model.accessors.size()) - 1;
    }

    int Colours(const std::vector<uint8_t>& rgba)
    {
        tinygltf::Accessor accessor;
        accessor.bufferView = View(rgba.data(), rgba.size());
        accessor.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE;
        accessor.normalized = true;
        accessor.type = TINYGLTF_TYPE_VEC4;
        accessor.count = rgba.size() / 4;
        m_model.accessors.push_back(std::move(accessor));
        return static_cast<int>(m_model.accessors.size()) - 1;
    }

    tinygltf::Model m_model;
    bool m_bUnlit = false;
};

void AddRoom(CGltfBuilder& builder, const SharedPlan& plan)
{
    const double l = plan.lengthM, w = plan.widthM, h = plan.heightM;
    Points floor;
    for (const Vec3d& p :
         {Vec3d{0, 0, 0}, Vec3d{l, 0, 0}, Vec3d{l, 0, -w}, Vec3d{0, 0, 0}, Vec3d{l, 0, -w}, Vec3d{0, 0, -w}})
        Add(floor, p);
    Points edges;
    AddBoxEdges(edges, {0, 0, -w}, {l, h, 0});
    const int mesh = builder.Mesh(
        "room",
        {builder.Primitive(TINYGLTF_MODE_TRIANGLES, floor, builder.Material("floor", {0.86, 0.86, 0.84, 1.0}, true)),
         builder.Primitive(TINYGLTF_MODE_LINE, edges, builder.Material("room edges", {0.25, 0.25, 0.3, 1.0}, false))});
    tinygltf::Node node;
    node.name = "room";
    node.mesh = mesh;
    builder.Place(builder.Node(std::move(node)));
}

void AddObstaclesAndTarget(CGltfBuilder& builder, const SharedPlan& plan)
{
    Points faces;
    for (const SharedBox& box : plan.obstacleBoxes)
        AddBoxFaces(faces, box.min, box.max);
    for (const auto& tri : plan.obstacleTriangles)
        for (const Vec3d& p : tri)
            Add(faces, p);
    if (!faces.empty()) {
        tinygltf::Node node;
        node.name = "obstacles";
        node.mesh =
            builder.Mesh("obstacles", {builder.Primitive(TINYGLTF_MODE_TRIANGLES, faces,
                                                         builder.Material("obstacles", {0.55, 0.42, 0.3, 1.0}, true))});
        builder.Place(builder.Node(std::move(node)));
    }
    Points lines;
    for (const SharedBox& box : plan.target)
        AddBoxEdges(lines, box.min, box.max);
    if (!lines.empty()) {
        tinygltf::Node node;
        node.name = "target";
        node.mesh = builder.Mesh(
            "target",
            {builder.Primitive(TINYGLTF_MODE_LINE, lines, builder.Material("target", {0.1, 0.65, 0.2, 1.0}, false))});
        builder.Place(builder.Node(std::move(node)));
    }
}

void AddCoverage(CGltfBuilder& builder, const SharedPlan& plan)
{
    if (plan.voxels.empty())
        return;
    Points xyz;
    std::vector<uint8_t> rgba;
    xyz.reserve(plan.voxels.size() * 3);
    rgba.reserve(plan.voxels.size() * 4);
    for (const SharedVoxel& v : plan.voxels) {
        xyz.insert(xyz.end(), v.centre.begin(), v.centre.end());
        rgba.insert(rgba.end(), {v.rgb[0], v.rgb[1], v.rgb[2], 255});
    }
    tinygltf::Node node;
    node.name = "coverage";
    node.mesh = builder.Mesh("coverage", {builder.Primitive(TINYGLTF_MODE_POINTS, xyz,
                                                            builder.Material("coverage", {1, 1, 1, 1}, false), rgba)});
    builder.Place(builder.Node(std::move(node)));
}

void AddCameras(CGltfBuilder& builder, const SharedPlan& plan)
{
    // Every camera sees to the far corner of the room, and its frustum drawn.
    const double diagonal =
        std::sqrt(plan.lengthM * plan.lengthM + plan.widthM * plan.widthM + plan.heightM * plan.heightM);
    const int frustumMaterial = plan.cameras.empty() ? -1 : builder.Material("frustum", {0.2, 0.5, 0.95, 1.0}, false);
    for (const SharedCamera& cam : plan.cameras) {
        // The frustum in the camera's own frame: apex at the origin, looking down -Z.
        const double d = cam.frustumM;
        const double y = d * std::tan(cam.yfovRad / 2.0), x = y * cam.aspectRatio;
        const Vec3d apex{0, 0, 0};
        const Vec3d c[4] = {{-x, -y, -d}, {x, -y, -d}, {x, y, -d}, {-x, y, -d}};
        Points lines;
        for (int k = 0; k < 4; ++k) {
            Add(lines, apex);
            Add(lines, c[k]);
            Add(lines, c[k]);
            Add(lines, c[(k + 1) % 4]);
        }
        tinygltf::Node frustum;
        frustum.name = cam.label + " frustum";
        frustum.mesh =
            builder.Mesh(cam.label + " frustum", {builder.Primitive(TINYGLTF_MODE_LINE, lines, frustumMaterial)});
        const int child = builder.Node(std::move(frustum));

        tinygltf::Node node;
        node.name = cam.label;
        node.camera = builder.Camera(cam, std::max(diagonal, cam.frustumM) + 1.0);
        node.translation = {cam.position.x, cam.position.y, cam.position.z};
        if (cam.aimed)
            node.rotation = {cam.rotation[0], cam.rotation[1], cam.rotation[2], cam.rotation[3]};
        node.children = {child};
        node.extras = ValueOf(Json{{"number", cam.number},
                                   {"pan_deg", FloatJson(cam.panDeg)},
                                   {"tilt_deg", FloatJson(cam.tiltDeg)},
                                   {"focal_mm", FloatJson(cam.focalMm)},
                                   {"f_number", FloatJson(cam.fNumber)},
                                   {"reach_m", DoubleJson(cam.reachM)}});
        builder.Place(builder.Node(std::move(node)));
    }
}

} // namespace

std::optional<bool> GltfIsBinary(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".glb")
        return true;
    if (extension == ".gltf")
        return false;
    return std::nullopt;
}

SaveResult WriteGltf(const std::string& path, const ShareSource& source, uint64_t maxVoxels)
{
    const std::optional<bool> binary = GltfIsBinary(path);
    if (!binary)
        return {false, "a glTF file ends in .glb or .gltf"};
    const SharedPlan plan = MakeSharedPlan(source, maxVoxels);
    CGltfBuilder builder;
    AddRoom(builder, plan);
    AddObstaclesAndTarget(builder, plan);
    AddCoverage(builder, plan);
    AddCameras(builder, plan);
    builder.SetSceneExtras(SharedPlanFacts(plan, source.figures));

    std::ostringstream bytes;
    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToStream(&builder.Finish(), bytes, false, *binary))
        return {false, "the glTF scene could not be laid out"};
    AtomicFile file(path);
    if (file.Open() && file.Write(bytes.str()))
        file.Commit();
    return file.Result();
}
