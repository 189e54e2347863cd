#pragma once

#include "coverage/obstacles/ObstacleSet.h"
#include "project/JsonText.h"

#include <optional>
#include <string>
#include <vector>

// The obstacles as a project file lists them: boxes and mesh placements (the
// meshes' triangles are read from their files when the set is built).
struct ObstacleList {
    std::vector<ObstacleBox> boxes;
    std::vector<ObstacleMesh> meshes;
    bool empty() const { return boxes.empty() && meshes.empty(); }
    friend bool operator==(const ObstacleList&, const ObstacleList&) = default;
};

// Reads the JSON list, metres in the user frame,
//   [{"name": N, "min": [X, Y, Z], "max": [X, Y, Z]},
//    {"name": N, "file": F, "offset": [X, Y, Z], "scale": S}]
// (an entry with a file is a mesh) all or nothing; a refusal names the entry
// and key ("obstacles[2].max: ...").
struct ObstacleListResult {
    std::optional<ObstacleList> list;
    std::string error;
};
ObstacleListResult ReadObstacleList(const Json& value, const std::string& key = "obstacles");
// The same list from a file of its own (the command line's --obstacles),
// its mesh files resolved against the file's folder.
ObstacleListResult ReadObstacleListFile(const std::string& path);

// The absolute folder a file is in.
std::string FolderOf(const std::string& file);
// Mesh files given relative to `folder` become absolute paths, so that the
// list reads from anywhere; and back, relative to the folder of the file the
// list is written into, so that a plan sent on with its meshes beside it
// opens wherever it is moved to.
void ResolveMeshFiles(ObstacleList& list, const std::string& folder);
void RelateMeshFiles(ObstacleList& list, const std::string& folder);
// Boxes first, then meshes, in the form ReadObstacleList reads; entry i is
// written over kept[i] when that is an object, so keys another program
// added to it stay.
Json ObstacleListJson(const ObstacleList& list, const Json& kept = Json::array());
// The set of a list that holds its meshes' triangles (a plan's list): every
// entry passed its checks when it came into the plan.
CObstacleSet ObstacleSetOf(const ObstacleList& list);
// The list as it is now in the set, the meshes' triangles with it: a plan
// holding it needs no mesh file again.
ObstacleList ObstacleListOf(const CObstacleSet& set);

// Reads the mesh file named in `placement` (from `readFrom` when given,
// where that file is found now) through the mesh reader and adds the mesh so
// placed to `set`. The refusal names the file and why; `set` is then as it
// was.
std::optional<std::string> ImportMesh(const ObstacleMesh& placement, const std::string& readFrom, CObstacleSet& set);

// A set with every box and mesh of the list, mesh files relative to `baseDir`
// (absolute ones as they are); on a refusal `out` is left as it was.
std::optional<std::string> BuildObstacleSet(const ObstacleList& list, const std::string& baseDir, CObstacleSet& out);
