#include "cameras/asbuilt/ColmapReader.h"

#include "cameras/CameraSet.h"
#include "cameras/asbuilt/TomlCalibration.h"
#include "scene/PrintableText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <string_view>
#include <vector>

namespace
{

struct LensModel {
    const char* name;
    size_t params;
    bool singleFocal;
    bool fisheye;
};
// Parameters after fx (and fy unless single), cx, cy are the distortion.
constexpr LensModel kModels[] = {
    {"SIMPLE_PINHOLE", 3, true, false}, {"PINHOLE", 4, false, false}, {"SIMPLE_RADIAL", 4, true, false},
    {"RADIAL", 5, true, false},         {"OPENCV", 8, false, false},  {"OPENCV_FISHEYE", 8, false, true},
    {"FULL_OPENCV", 12, false, false},
};

std::vector<std::string_view> Words(std::string_view line)
{
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::optional<double> Number(std::string_view word)
{
    double v = 0.0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
    if (ec != std::errc{} || end != word.data() + word.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<long long> Whole(std::string_view word)
{
    long long v = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
    if (ec != std::errc{} || end != word.data() + word.size())
        return std::nullopt;
    return v;
}

// The lines of a text one at a time: a file of empty lines would make a
// list of them many times its own size.
class CLines
{
  public:
    explicit CLines(std::string_view text) : m_text(text) {}
    // The next line and its number from 1; false past the last.
    bool Next(std::string_view& line, size_t& number)
    {
        if (m_at >= m_text.size())
            return false;
        const size_t end = std::min(m_text.find('\n', m_at), m_text.size());
        line = m_text.substr(m_at, end - m_at);
        m_at = end + 1;
        number = ++m_number;
        return true;
    }

  private:
    std::string_view m_text;
    size_t m_at = 0;
    size_t m_number = 0;
};

// Whether the line can be an image's points, X Y POINT3D_ID in threes.
bool IsPointsLine(const std::vector<std::string_view>& words)
{
    if (words.size() % 3 != 0)
        return false;
    for (const std::string_view word : words)
        if (!Number(word))
            return false;
    return true;
}

bool IsComment(std::string_view line)
{
    const size_t first = line.find_first_not_of(" \t\r");
    return first != std::string_view::npos && line[first] == '#';
}

bool IsBlank(std::string_view line)
{
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

std::string Quoted(std::string_view word)
{
    return "\"" + PrintableText(std::string(word)) + "\"";
}

} // namespace

AsBuiltReadResult ReadColmapCalibration(const std::string& camerasPath, const std::string& imagesPath,
                                        double metresPerUnit)
{
    const CalibrationFileText camerasText = ReadCalibrationFile(camerasPath);
    if (!camerasText.text)
        return {std::nullopt, camerasText.error};
    const CalibrationFileText imagesText = ReadCalibrationFile(imagesPath);
    if (!imagesText.text)
        return {std::nullopt, imagesText.error};
    const std::string camerasFile = CalibrationFileName(camerasPath), imagesFile = CalibrationFileName(imagesPath);

    std::map<long long, AsBuiltCamera> lenses;
    CLines cameraLines(*camerasText.text);
    std::string_view line;
    size_t lineNumber = 0;
    while (cameraLines.Next(line, lineNumber)) {
        if (IsComment(line) || IsBlank(line))
            continue;
        const std::string where = camerasFile + ": line " + std::to_string(lineNumber);
        const std::vector<std::string_view> words = Words(line);
        const auto id = Whole(words[0]);
        if (!id)
            return {std::nullopt, where + ": CAMERA_ID: " + Quoted(words[0]) + " is not a whole number"};
        const std::string place =
            camerasFile + ": camera " + std::to_string(*id) + " (line " + std::to_string(lineNumber) + ")";
        if (lenses.count(*id))
            return {std::nullopt, place + ": CAMERA_ID: the camera is given twice"};
        if (lenses.size() == kMaxCameras)
            return {std::nullopt, place + ": more than " + std::to_string(kMaxCameras) +
                                      " cameras; a rig has at most " + std::to_string(kMaxCameras)};
        if (words.size() < 2)
            return {std::nullopt, place + ": MODEL: missing"};
        const LensModel* model = nullptr;
        for (const LensModel& m : kModels)
            if (words[1] == m.name)
                model = &m;
        if (!model)
            return {std::nullopt, place + ": MODEL: " + Quoted(words[1]) +
                                      " is none of SIMPLE_PINHOLE, PINHOLE, SIMPLE_RADIAL, RADIAL, OPENCV, "
                                      "OPENCV_FISHEYE, FULL_OPENCV"};
        if (words.size() != 4 + model->params)
            return {std::nullopt, place + ": PARAMS: " + std::string(model->name) + " takes " +
                                      std::to_string(model->params) + " parameters, the line has " +
                                      std::to_string(words.size() < 4 ? 0 : words.size() - 4)};
        const auto width = Whole(words[2]), height = Whole(words[3]);
        if (!width || *width < 1 || *width > 1000000)
            return {std::nullopt, place + ": WIDTH: needs whole pixels, at least 1"};
        if (!height || *height < 1 || *height > 1000000)
            return {std::nullopt, place + ": HEIGHT: needs whole pixels, at least 1"};
        std::vector<double> params;
        for (size_t w = 4; w < words.size(); ++w) {
            const auto v = Number(words[w]);
            if (!v)
                return {std::nullopt, place + ": PARAMS: " + Quoted(words[w]) + " is not a number"};
            params.push_back(*v);
        }
        AsBuiltCamera lens;
        lens.width = static_cast<int>(*width);
        lens.height = static_cast<int>(*height);
        lens.fisheye = model->fisheye;
        size_t k = 0;
        lens.fx = params[k++];
        lens.fy = model->singleFocal ? lens.fx : params[k++];
        lens.cx = params[k++];
        lens.cy = params[k++];
        lens.distortion.assign(params.begin() + static_cast<std::ptrdiff_t>(k), params.end());
        if (const auto error = CheckIntrinsics(lens, place, {"WIDTH / HEIGHT", "PARAMS", "PARAMS"}))
            return {std::nullopt, *error};
        lenses.emplace(*id, std::move(lens));
    }

    AsBuiltRig rig;
    // The line each image id and name was first given on: the plan pairs cameras by name.
    std::map<long long, size_t> imageIds;
    std::map<std::string, size_t> imageNames;
    CLines imageLines(*imagesText.text);
    while (imageLines.Next(line, lineNumber)) {
        if (IsComment(line) || IsBlank(line))
            continue;
        const std::vector<std::string_view> words = Words(line);
        const std::string lineText = "line " + std::to_string(lineNumber);
        if (words.size() < 10)
            return {std::nullopt, imagesFile + ": " + lineText +
                                      ": needs IMAGE_ID QW QX QY QZ TX TY TZ CAMERA_ID NAME, the line has " +
                                      std::to_string(words.size()) + " values"};
        // A name may hold spaces: it is the rest of the line.
        const size_t nameStart = static_cast<size_t>(words[9].data() - line.data());
        std::string name(line.substr(nameStart));
        while (!name.empty() && (name.back() == '\r' || name.back() == ' ' || name.back() == '\t'))
            name.pop_back();
        const std::string place = imagesFile + ": image " + Quoted(name) + " (" + lineText + ")";
        const auto imageId = Whole(words[0]);
        if (!imageId)
            return {std::nullopt, place + ": IMAGE_ID: " + Quoted(words[0]) + " is not a whole number"};
        if (const auto [it, fresh] = imageIds.emplace(*imageId, lineNumber); !fresh)
            return {std::nullopt, place + ": IMAGE_ID: " + std::to_string(*imageId) + " is given twice, on line " +
                                      std::to_string(it->second) + " and " + lineText};
        if (const auto [it, fresh] = imageNames.emplace(name, lineNumber); !fresh)
            return {std::nullopt,
                    place + ": NAME: given to two images, on line " + std::to_string(it->second) + " and " + lineText};
        if (rig.cameras.size() == kMaxCameras)
            return {std::nullopt, place + ": more than " + std::to_string(kMaxCameras) + " images; a rig has at most " +
                                      std::to_string(kMaxCameras) + " cameras"};
        static const char* const kKeys[7] = {"QW", "QX", "QY", "QZ", "TX", "TY", "TZ"};
        double pose[7];
        for (size_t v = 0; v < 7; ++v) {
            const auto number = Number(words[1 + v]);
            if (!number)
                return {std::nullopt, place + ": " + kKeys[v] + ": " + Quoted(words[1 + v]) + " is not a number"};
            pose[v] = *number;
        }
        const auto cameraId = Whole(words[8]);
        if (!cameraId)
            return {std::nullopt, place + ": CAMERA_ID: " + Quoted(words[8]) + " is not a whole number"};
        const auto lens = lenses.find(*cameraId);
        if (lens == lenses.end())
            return {std::nullopt,
                    place + ": CAMERA_ID: there is no camera " + std::to_string(*cameraId) + " in " + camerasFile};
        const auto rotation = RotationFromQuaternion(pose[0], pose[1], pose[2], pose[3]);
        if (!rotation)
            return {std::nullopt, place + ": QW QX QY QZ: the quaternion has no length"};
        AsBuiltCamera camera = lens->second;
        camera.name = name;
        camera.rotation = *rotation;
        for (size_t c = 0; c < 3; ++c) {
            camera.translation[c] = pose[4 + c] * metresPerUnit;
            if (!std::isfinite(camera.translation[c]) || std::abs(camera.translation[c]) > 1e6)
                return {std::nullopt, place + ": " + kKeys[4 + c] + ": needs a number within a million metres"};
        }
        if (const auto error = CheckPose(camera, place, "QW QX QY QZ", "TX TY TZ"))
            return {std::nullopt, *error};
        rig.cameras.push_back(std::move(camera));
        // The line of points that follows belongs to the image, even when
        // empty; one that reads as an image means it was left out, and the
        // next image would be taken for points.
        std::string_view points;
        size_t pointsNumber = 0;
        if (imageLines.Next(points, pointsNumber) && !IsPointsLine(Words(points)))
            return {std::nullopt, imagesFile + ": line " + std::to_string(pointsNumber) + ": not the points of image " +
                                      Quoted(name) + " (" + lineText +
                                      "): each image takes two lines, the second its POINTS2D, empty or not"};
    }
    if (rig.cameras.empty())
        return {std::nullopt, imagesFile + ": no image: the rig has no camera"};
    return {std::move(rig), {}};
}
