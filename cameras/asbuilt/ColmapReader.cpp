#include "cameras/asbuilt/ColmapReader.h"

#include "cameras/asbuilt/TomlCalibration.h"
#include "scene/PrintableText.h"

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

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return lines;
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
    const std::vector<std::string_view> cameraLines = Lines(*camerasText.text);
    for (size_t n = 0; n < cameraLines.size(); ++n) {
        const std::string_view line = cameraLines[n];
        if (IsComment(line) || IsBlank(line))
            continue;
        const std::string where = camerasFile + ": line " + std::to_string(n + 1);
        const std::vector<std::string_view> words = Words(line);
        const auto id = Whole(words[0]);
        if (!id)
            return {std::nullopt, where + ": CAMERA_ID: " + Quoted(words[0]) + " is not a whole number"};
        const std::string place =
            camerasFile + ": camera " + std::to_string(*id) + " (line " + std::to_string(n + 1) + ")";
        if (lenses.count(*id))
            return {std::nullopt, place + ": CAMERA_ID: the camera is given twice"};
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
    const std::vector<std::string_view> imageLines = Lines(*imagesText.text);
    size_t n = 0;
    while (n < imageLines.size()) {
        const std::string_view line = imageLines[n];
        if (IsComment(line) || IsBlank(line)) {
            ++n;
            continue;
        }
        const std::vector<std::string_view> words = Words(line);
        const std::string lineText = "line " + std::to_string(n + 1);
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
        if (!Whole(words[0]))
            return {std::nullopt, place + ": IMAGE_ID: " + Quoted(words[0]) + " is not a whole number"};
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
        rig.cameras.push_back(std::move(camera));
        // The line of points that follows belongs to the image, even when empty.
        n += 2;
    }
    if (rig.cameras.empty())
        return {std::nullopt, imagesFile + ": no image: the rig has no camera"};
    return {std::move(rig), {}};
}
