#include "app/DialogRules.h"

#include <cmath>
#include <vector>

int DimensionsSliderMaximum(float voxelSizeCm, float roomLengthM)
{
    const float voxels = 100.0f / voxelSizeCm * roomLengthM;
    if (!std::isfinite(voxels) || voxels < 0.0f)
        return 0;
    if (voxels >= 2147483647.0f)
        return 2147483647;
    return static_cast<int>(voxels);
}

bool IsUsableRoomAndVoxel(float length, float width, float height, float voxelSizeCm)
{
    for (const float v : {length, width, height, voxelSizeCm}) {
        if (!std::isfinite(v) || !(v > 0.0f))
            return false;
    }
    return true;
}

CameraRangeCheck CheckCameraRange(int n, int m, uint32_t cameraCount)
{
    if (n < 1 || m < 1)
        return CameraRangeCheck::BelowOne;
    const long long last = static_cast<long long>(n) + m - 1;
    if (last > static_cast<long long>(cameraCount))
        return CameraRangeCheck::Exceeding;
    return CameraRangeCheck::Ok;
}

std::optional<uint32_t> SensorPixels(uint32_t pixels, float lengthMm, float frameMm)
{
    if (!std::isfinite(frameMm) || !(frameMm > 0.0f))
        return std::nullopt;
    const float covered = static_cast<float>(pixels) * lengthMm;
    const float quotient = covered / frameMm;
    if (!std::isfinite(quotient) || quotient < 0.0f || quotient >= 4294967296.0f)
        return std::nullopt;
    return static_cast<uint32_t>(quotient);
}

namespace
{

std::vector<std::string> SplitBars(const std::string& text)
{
    std::vector<std::string> parts;
    std::string current;
    for (const char c : text) {
        if (c == '|') {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(current);
    return parts;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

std::string ToQtFileFilter(const std::string& pipeFilter)
{
    const std::vector<std::string> parts = SplitBars(pipeFilter);
    std::string out;
    for (size_t i = 0; i < parts.size(); i += 2) {
        const std::string& description = parts[i];
        if (description.empty())
            break; // the "||" that ends the list
        std::string patterns = i + 1 < parts.size() && !parts[i + 1].empty() ? parts[i + 1] : description;
        for (char& c : patterns) {
            if (c == ';')
                c = ' ';
        }
        std::string entry = description;
        if (!EndsWith(entry, "(" + patterns + ")"))
            entry += " (" + patterns + ")";
        if (!out.empty())
            out += ";;";
        out += entry;
    }
    return out;
}
