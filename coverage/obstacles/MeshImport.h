#pragma once

#include "coverage/obstacles/ObstacleSet.h"

#include <string>
#include <variant>

// Reads every triangle of every mesh of an OBJ or glTF 2.0 file, with the
// node transforms applied, in the file's units. A file that cannot be read or
// holds no triangle gives the reason as a string.
std::variant<MeshTriangles, std::string> ReadMeshFile(const std::string& path);
