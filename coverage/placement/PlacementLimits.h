#pragma once

#include <cstddef>
#include <optional>
#include <string>

// The bounds of what a placement is asked for, one place for every front end
// (the command line, the window). Each check says why a value is refused,
// without naming the input (the caller knows its name); nullopt when taken.

inline constexpr double kMaxLensMm = 1000.0;
inline constexpr long long kMaxMinCameras = 1000;
inline constexpr double kMaxTimeLimitSeconds = 86400.0;
inline constexpr long long kMaxRestarts = 10000;
inline constexpr long long kMaxSearchThreads = 1024;
inline constexpr double kMinSampleStepM = 0.01;
inline constexpr double kMaxSampleStepM = 100.0;

// New cameras beside `fixed` that stay, within a plan's camera limit.
std::optional<std::string> CheckPlacedCount(long long count, size_t fixed);
// One focal length of the new cameras, in mm.
std::optional<std::string> CheckPlacedLens(double focalMm);
// K, and K against the cameras the rig would have (`rig`, fixed and new; with `count` new ones).
std::optional<std::string> CheckMinCameras(long long k);
std::optional<std::string> CheckMinCamerasInRig(long long k, long long count, long long rig);
std::optional<std::string> CheckTimeLimit(double seconds);
std::optional<std::string> CheckRestarts(long long restarts);
std::optional<std::string> CheckSearchThreads(long long threads);
std::optional<std::string> CheckSampleStep(double metres);
// The new cameras' sensor: a camera type of the table, or a custom sensor's pixels.
std::optional<std::string> CheckPlacedCameraType(double type);
std::optional<std::string> CheckPlacedSensorPixels(double width, double height);
