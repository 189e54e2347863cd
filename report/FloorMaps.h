#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CCoverageVolume;
class CPlanningMeasures;
class QImage;

// A floor plan of camera counts: one value per column (i, k) of the grid.
struct FloorMap {
    std::string title;
    uint32_t nx = 0;
    uint32_t nz = 0;
    float edgeM = 0.0f;           // voxel edge
    std::vector<uint32_t> counts; // i + nx * k
    // Columns filled by obstacles over the whole band, i + nx * k; empty
    // when the room has none.
    std::vector<uint8_t> blocked;
    // What the key counts: a count c stands for c x keyStep of it.
    std::string keyTitle = "cameras";
    uint32_t keyStep = 1;
    uint32_t Count(uint32_t i, uint32_t k) const { return counts[i + nx * static_cast<size_t>(k)]; }
    bool Blocked(uint32_t i, uint32_t k) const
    {
        return !blocked.empty() && blocked[i + nx * static_cast<size_t>(k)] != 0;
    }
};

// The layers whose centres lie from `fromM` to `toM` above the floor, as
// first and last layer index; nullopt when no centre lies in the band.
std::optional<std::pair<uint32_t, uint32_t>> LayersInBand(const CCoverageVolume& volume, float roomHeightM, float fromM,
                                                          float toM);
// The layer that holds the height `heightM` above the floor (a height on a
// layer boundary: the layer above); nullopt outside the room.
std::optional<uint32_t> LayerAt(const CCoverageVolume& volume, float roomHeightM, float heightM);

// For every column the least count over layers first..last: the worst case
// a marker meets anywhere in that height band. Voxels inside obstacles are
// no place for a marker and are left out; a column with none left is blocked.
FloorMap WorstCaseMap(const CCoverageVolume& volume, uint32_t first, uint32_t last, std::string title);

// For every column the least turn free of occlusion (360 less the occluded
// angle) over layers first..last, in whole steps of 45 degrees (0 to 8): where
// a performer can turn and stay tracked. Obstacles as in WorstCaseMap.
FloorMap FreeTurnMap(const CCoverageVolume& volume, const CPlanningMeasures& planning, uint32_t first, uint32_t last,
                     std::string title);
inline constexpr uint32_t kFreeTurnStepDeg = 45;

// The worst-case map over the capture height band `fromM` to `toM`, titled
// "Worst case from 0.50 to 2.00 m"; nullopt when no layer has its centre in
// the band. The report's map and the window's are this one.
std::optional<FloorMap> CaptureBandMap(const CCoverageVolume& volume, float roomHeightM, float fromM, float toM);

// The plan drawn with X to the right and Z up, cells coloured by count from
// 0 to `maxCount`, a colour key with a whole-number tick per count (or per
// round step when there are many) and metre marks along the edges.
QImage DrawFloorMap(const FloorMap& map, uint32_t maxCount, float lengthM, float widthM);
// The colour of a count on the maps' key: dark grey for none, then the
// perceptual map from violet (1) to yellow (maxCount).
uint32_t FloorMapRgb(uint32_t count, uint32_t maxCount);
// The colour of a blocked column.
uint32_t FloorMapObstacleRgb();
