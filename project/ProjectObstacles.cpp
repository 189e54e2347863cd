#include "project/ProjectObstacles.h"

#include "project/JsonInput.h"
#include "project/MeshReader.h"

#include <cmath>
#include <filesystem>

namespace
{

struct ListError {
    std::string message;
};

[[noreturn]] void Refuse(const std::string& key, const std::string& reason)
{
    throw ListError{key + ": " + reason};
}

const Json& Member(const Json& object, const std::string& path, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end())
        Refuse(path + "." + key, "missing");
    return *it;
}

std::string Text(const Json& object, const std::string& path, const char* key)
{
    const Json& value = Member(object, path, key);
    if (!value.is_string())
        Refuse(path + "." + key, "must be a string");
    return value.get<std::string>();
}

Vec3d Triple(const Json& object, const std::string& path, const char* key)
{
    const Json& value = Member(object, path, key);
    if (!value.is_array() || value.size() != 3 || !value[0].is_number() || !value[1].is_number() ||
        !value[2].is_number())
        Refuse(path + "." + key, "must be a list of 3 numbers");
    return {value[0].get<double>(), value[1].get<double>(), value[2].get<double>()};
}

Json TripleJson(const Vec3d& v)
{
    return Json::array({DoubleJson(v.x), DoubleJson(v.y), DoubleJson(v.z)});
}

} // namespace

ObstacleListResult ReadObstacleList(const Json& value, const std::string& key)
{
    ObstacleListResult result;
    try {
        if (!value.is_array())
            Refuse(key, "must be a list of obstacles");
        ObstacleList list;
        for (size_t i = 0; i < value.size(); ++i) {
            const std::string path = key + "[" + std::to_string(i) + "]";
            const Json& item = value[i];
            if (!item.is_object())
                Refuse(path, "must be an object");
            const std::string name = Text(item, path, "name");
            // An entry naming a file is a mesh, any other a box.
            if (!item.contains("file")) {
                const ObstacleBox box{name, Triple(item, path, "min"), Triple(item, path, "max")};
                if (const auto error = CheckObstacleBox(box))
                    Refuse(path, *error);
                list.boxes.push_back(box);
            } else {
                ObstacleMesh mesh;
                mesh.name = name;
                mesh.file = Text(item, path, "file");
                mesh.offset = Triple(item, path, "offset");
                const Json& scale = Member(item, path, "scale");
                if (!scale.is_number())
                    Refuse(path + ".scale", "must be a number");
                mesh.scale = scale.get<double>();
                if (mesh.file.empty())
                    Refuse(path + ".file", "must name a mesh file");
                if (const auto error = CheckMeshPlacement(mesh))
                    Refuse(path, *error);
                list.meshes.push_back(mesh);
            }
        }
        result.list = std::move(list);
    } catch (const ListError& error) {
        result.error = error.message;
    }
    return result;
}

ObstacleListResult ReadObstacleListFile(const std::string& path)
{
    ObstacleListResult result;
    const JsonFileText file = ReadJsonFileText(path, "an obstacle list");
    if (!file.text) {
        result.error = file.error;
        return result;
    }
    const JsonReadResult json = ParseJsonDocument(*file.text, "obstacles");
    if (!json.document) {
        result.error = path + ": " + json.error;
        return result;
    }
    result = ReadObstacleList(*json.document);
    if (!result.list)
        result.error = path + ": " + result.error;
    else
        ResolveMeshFiles(*result.list, FolderOf(path));
    return result;
}

std::string FolderOf(const std::string& file)
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::absolute(std::filesystem::path(file), error).parent_path();
    return folder.lexically_normal().string();
}

void ResolveMeshFiles(ObstacleList& list, const std::string& folder)
{
    for (ObstacleMesh& mesh : list.meshes) {
        const std::filesystem::path file(mesh.file);
        if (file.is_relative() && !mesh.file.empty())
            mesh.file = (std::filesystem::path(folder) / file).lexically_normal().string();
    }
}

void RelateMeshFiles(ObstacleList& list, const std::string& folder)
{
    std::error_code error;
    for (ObstacleMesh& mesh : list.meshes) {
        const std::filesystem::path file = std::filesystem::absolute(mesh.file, error).lexically_normal();
        const std::filesystem::path relative = file.lexically_relative(folder);
        if (!mesh.file.empty() && !relative.empty())
            mesh.file = relative.generic_string();
    }
}

Json ObstacleListJson(const ObstacleList& list, const Json& kept)
{
    Json json = Json::array();
    auto base = [&kept, &json]() {
        const size_t i = json.size();
        return kept.is_array() && i < kept.size() && kept[i].is_object() ? kept[i] : Json::object();
    };
    for (const ObstacleBox& box : list.boxes) {
        Json entry = base();
        entry["name"] = box.name;
        entry["min"] = TripleJson(box.min);
        entry["max"] = TripleJson(box.max);
        for (const char* key : {"file", "offset", "scale"})
            entry.erase(key);
        json.push_back(std::move(entry));
    }
    for (const ObstacleMesh& mesh : list.meshes) {
        Json entry = base();
        entry["name"] = mesh.name;
        entry["file"] = mesh.file;
        entry["offset"] = TripleJson(mesh.offset);
        entry["scale"] = DoubleJson(mesh.scale);
        for (const char* key : {"min", "max"})
            entry.erase(key);
        json.push_back(std::move(entry));
    }
    return json;
}

CObstacleSet ObstacleSetOf(const ObstacleList& list)
{
    CObstacleSet set;
    for (const ObstacleBox& box : list.boxes)
        set.AddBox(box);
    for (const ObstacleMesh& mesh : list.meshes)
        set.AddMesh(mesh);
    return set;
}

ObstacleList ObstacleListOf(const CObstacleSet& set)
{
    ObstacleList list;
    list.boxes = set.GetBoxes();
    list.meshes = set.GetMeshes();
    return list;
}

std::optional<std::string> ImportMesh(const ObstacleMesh& placement, const std::string& readFrom, CObstacleSet& set)
{
    // A placement that cannot be used is refused before the file is read.
    if (auto error = CheckMeshPlacement(placement))
        return error;
    auto read = ReadMeshFile(readFrom.empty() ? placement.file : readFrom);
    if (auto* reason = std::get_if<std::string>(&read))
        return "could not read the mesh " + placement.file + ": " + *reason;
    return set.AddMesh(placement, std::move(std::get<MeshTriangles>(read)));
}

std::optional<std::string> BuildObstacleSet(const ObstacleList& list, const std::string& baseDir, CObstacleSet& out)
{
    CObstacleSet set;
    for (const ObstacleBox& box : list.boxes) {
        if (auto error = set.AddBox(box))
            return error;
    }
    for (const ObstacleMesh& mesh : list.meshes) {
        // Kept as written, so a saved project names the file as it did.
        const std::filesystem::path file(mesh.file);
        const std::string readFrom =
            file.is_relative() && !baseDir.empty() ? (std::filesystem::path(baseDir) / file).string() : mesh.file;
        if (auto error = ImportMesh(mesh, readFrom, set))
            return error;
    }
    out = std::move(set);
    return std::nullopt;
}
