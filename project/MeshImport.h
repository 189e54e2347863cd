#pragma once

#include <string>
#include <variant>
#include <vector>

// Triangles as the importer computes them (single precision, node transforms
// applied, in the file's units): nine coordinates per triangle.
struct ImportedMesh {
    std::vector<float> coordinates;
};

// Reads an OBJ or glTF 2.0 file in this process, after the checks of
// MeshFileCheck.h, with only the importer the content was checked for:
// nothing falls through to another format. A refusal gives the reason.
// Run it where a crash cannot reach the plan (volume-planner-mesh).
std::variant<ImportedMesh, std::string> ImportMeshFile(const std::string& path);
