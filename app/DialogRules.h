#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Decisions of the main dialog that need no window, kept here so they can be
// checked on their own.

// Maximum of the Dimensions slider: the voxels along the room length,
// 100 / voxel size (cm) * length (m), truncated; 0 when that is no count.
int DimensionsSliderMaximum(float voxelSizeCm, float roomLengthM);

// The voxel grid needs every room dimension and the voxel size to be a
// finite number above 0.
bool IsUsableRoomAndVoxel(float length, float width, float height, float voxelSizeCm);

// The active range "n cameras from camera m" (m counted from 1).
enum class CameraRangeCheck { Ok, BelowOne, Exceeding };
CameraRangeCheck CheckCameraRange(int n, int m, uint32_t cameraCount);

// Pixels across `lengthMm` of a sensor `frameMm` long with `pixels` along it:
// (pixels * length) rounded to float, divided by the frame, truncated. No
// answer for a frame that is not above 0 or a result that is no pixel count.
std::optional<uint32_t> SensorPixels(uint32_t pixels, float lengthMm, float frameMm);

// A filter of "description|patterns|...||" pairs in the Qt form
// "description (patterns);;...". A pair without patterns uses its description
// as the patterns, so "*.dat" alone still offers *.dat files.
std::string ToQtFileFilter(const std::string& pipeFilter);
