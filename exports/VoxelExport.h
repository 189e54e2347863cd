#pragma once

#include "scene/AtomicFile.h"

#include <cstdint>
#include <string>
#include <vector>

class CCoverageVolume;
class CPlanningMeasures;
struct CoverageInput;

// The coverage as files the tools of the field open: a VTK legacy
// structured-points volume (every voxel) and a PLY point cloud (the voxels
// at least one camera sees). Positions are in the user frame in metres: X
// along the length, Y above the floor, Z across the width, from the room
// corner. Each voxel carries its camera count, its map band (-1 where the
// map does not draw it), the map camera's resolution value (NaN where it has
// none) and, with planning measures, those too. The input is the one the
// volume was computed from: its rig's user origin, filters and camera count.
// Every export goes through the safe writer: a failed export leaves an
// earlier file whole and says why.

// Every voxel as a CSV row in index order: index, grid indices, centre in
// the internal frame, camera count, iso list, iso condition, map band, the
// planning measures when given (empty where undefined), then every camera's
// resolution value (empty where it has none).
SaveResult WriteVoxelTable(const std::string& path, const CCoverageVolume& volume, const CoverageInput& input,
                           const CPlanningMeasures* planning);

// Binary VTK legacy file. The format defines its binary data as big-endian,
// and every reader expects it so.
SaveResult WriteVtk(const std::string& path, const CCoverageVolume& volume, const CoverageInput& input,
                    const CPlanningMeasures* planning);
// Binary little-endian PLY file.
SaveResult WritePly(const std::string& path, const CCoverageVolume& volume, const CoverageInput& input,
                    const CPlanningMeasures* planning);
