#pragma once

#include "coverage/QualityDisplay.h"
#include "scene/Vec3d.h"

#include <cstddef>
#include <functional>
#include <optional>

class CCoverageVolume;
class CPlanningMeasures;

// The voxels a line of sight crosses, nearest first: what a pointer over a
// picture of the volume points at. Scene frame, as the voxel centres.

// The first voxel of the computed grid along the ray from `origin` in
// `direction` for which `drawn` holds; none when the ray misses the grid or
// crosses no such voxel. Only the part of the ray ahead of `origin` counts.
std::optional<size_t> FirstVoxelAlong(const CCoverageVolume& volume, const Vec3d& origin, const Vec3d& direction,
                                      const std::function<bool(size_t)>& drawn);

// The first voxel along the ray that the Quality display of `measure` draws
// in the lowest `shownLayers` layers.
std::optional<size_t> FirstQualityVoxel(const CCoverageVolume& volume, const CPlanningMeasures& planning,
                                        PlanningMeasure measure, const std::optional<QualityThreshold>& threshold,
                                        int shownLayers, const Vec3d& origin, const Vec3d& direction);
