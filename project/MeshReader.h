#pragma once

#include "coverage/obstacles/ObstacleSet.h"

#include <cstdint>
#include <string>
#include <variant>

// The importer of mesh files runs in a process of its own, the partner
// program volume-planner-mesh: a crash, an abort, endless work or a file
// that asks for all the memory there reaches only that process.
struct MeshReaderLimits {
    double seconds = 10.0;
    uint64_t memoryBytes = uint64_t{1} << 30;
    // The partner; empty for volume-planner-mesh beside the running program,
    // or where the build put it.
    std::string partner;
};

// The triangles of an OBJ or glTF 2.0 file, in the file's units. A refusal
// gives the reason: the reader's own ("the file holds no triangle"), or
// "the reader stopped (signal 11)", "the reader took longer than 10 s",
// "the reader needed more than 1 GB".
std::variant<MeshTriangles, std::string> ReadMeshFile(const std::string& path, const MeshReaderLimits& limits = {});
