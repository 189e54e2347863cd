#pragma once

#include <optional>
#include <string>

class CCoverageVolume;
struct CoverageFilters;
struct CoverageInput;

// Why the resolution map of a volume computed from `input` shows no voxel, in one line
// for the status strip and the command-line warnings ("Map empty: camera 1
// is disabled"); nothing when the map shows voxels or nothing was computed.
// The first reason that holds is given: no voxel in the grid, a map camera
// without values, an iso condition no voxel meets, values (of the voxels
// the iso condition takes) outside the band.
std::optional<std::string> ExplainEmptyMap(const CCoverageVolume& volume, const CoverageInput& input);

// "4 cameras", "fewer than 2 cameras", ...: the voxels the iso condition
// takes, for the threshold and operator of `filters`.
std::string DescribeIsoCondition(const CoverageFilters& filters);
