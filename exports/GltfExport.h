#pragma once

#include "exports/SharedPlan.h"
#include "scene/AtomicFile.h"

#include <cstdint>
#include <optional>
#include <string>

// The plan as a glTF 2.0 scene for any 3D tool, in the frame of
// exports/SharedPlan.h: one node per enabled camera, named by its label, with
// a perspective camera looking down its local -Z along the optical axis
// (image up along +Y) and a child drawing its frustum to its reach; meshes
// `room` (floor and edges), `obstacles`, `target` and `coverage` (the shown
// display's voxels as points with COLOR_0, unlit); the plan's figures and
// any thinning in the scene's extras.

// Larger displays are thinned (SharedPlan): 16 bytes a point keeps the file
// under about 16 MB.
inline constexpr uint64_t kGltfMaxVoxels = 1000000;

// Binary for .glb, text with the buffer inline for .gltf (any case); nullopt
// for another extension.
std::optional<bool> GltfIsBinary(const std::string& path);

// Through the safe writer; a path of another extension is refused, naming it.
SaveResult WriteGltf(const std::string& path, const ShareSource& source, uint64_t maxVoxels = kGltfMaxVoxels);
