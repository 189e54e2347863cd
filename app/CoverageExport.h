#pragma once

#include <optional>
#include <string>

class CCoverageVolume;
class CPlanningMeasures;
class CUserPrompts;
struct CoverageInput;

// File > Export Coverage of any window: the computed coverage as a VTK
// volume, a PLY point cloud or a CSV voxel table (exports/VoxelExport.h), the
// kind chosen by the file's extension. Asks for the file through `prompts`
// (a replacement asked about first). The status line's text once written;
// nothing when the user cancelled or was told why not (a failed write
// leaves an earlier file whole).
std::optional<std::string> RunCoverageExport(CUserPrompts& prompts, const CCoverageVolume& volume,
                                             const CoverageInput& input, const CPlanningMeasures* planning);
