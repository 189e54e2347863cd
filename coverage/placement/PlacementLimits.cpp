#include "coverage/placement/PlacementLimits.h"

#include "cameras/CameraSet.h"
#include "cameras/CameraTypes.h"

#include <algorithm>
#include <climits>
#include <cmath>

std::optional<std::string> CheckPlacedCount(long long count, size_t fixed)
{
    const long long most = static_cast<long long>(kMaxCameras) - static_cast<long long>(fixed);
    if (count >= 0 && count <= most)
        return std::nullopt;
    return "must be 0 to " + std::to_string(std::max(0ll, most)) + " (a plan holds at most " +
           std::to_string(kMaxCameras) + " cameras; " + std::to_string(fixed) + " stay)";
}

std::optional<std::string> CheckPlacedLens(double focalMm)
{
    if (focalMm > 0.0 && focalMm <= kMaxLensMm)
        return std::nullopt;
    return std::string("each focal length must be above 0 and at most 1000 mm");
}

std::optional<std::string> CheckMinCameras(long long k)
{
    if (k >= 1 && k <= kMaxMinCameras)
        return std::nullopt;
    return std::string("K must be 1 to 1000");
}

std::optional<std::string> CheckMinCamerasInRig(long long k, long long count, long long rig)
{
    if (count == 0 || rig >= k)
        return std::nullopt;
    return "the rig would have only " + std::to_string(rig) + " cameras to see a marker";
}

std::optional<std::string> CheckTimeLimit(double seconds)
{
    if (seconds > 0.0 && seconds <= kMaxTimeLimitSeconds)
        return std::nullopt;
    return std::string("must be a number of seconds above 0 and at most 86400");
}

std::optional<std::string> CheckRestarts(long long restarts)
{
    if (restarts >= 1 && restarts <= kMaxRestarts)
        return std::nullopt;
    return std::string("must be 1 to 10000");
}

std::optional<std::string> CheckSearchThreads(long long threads)
{
    if (threads >= 0 && threads <= kMaxSearchThreads)
        return std::nullopt;
    return std::string("must be 0 (every core) to 1024");
}

std::optional<std::string> CheckSampleStep(double metres)
{
    if (metres >= kMinSampleStepM && metres <= kMaxSampleStepM)
        return std::nullopt;
    return std::string("must be 0.01 to 100 metres");
}

std::optional<std::string> CheckPlacedCameraType(double type)
{
    if (type >= 0 && type < kCameraTypeCount && std::floor(type) == type)
        return std::nullopt;
    return "the camera type must be 0 to " + std::to_string(kCameraTypeCount - 1);
}

std::optional<std::string> CheckPlacedSensorPixels(double width, double height)
{
    auto whole = [](double v) { return v >= 1.0 && v <= INT_MAX && std::floor(v) == v; };
    if (whole(width) && whole(height))
        return std::nullopt;
    return std::string("the pixels W, H must be two whole counts of at least 1, e.g. 2048, 1088");
}
