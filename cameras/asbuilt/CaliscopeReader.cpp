#include "cameras/asbuilt/CaliscopeReader.h"

#include "cameras/asbuilt/TomlCalibration.h"

#include <algorithm>
#include <utility>
#include <vector>

AsBuiltReadResult ReadCaliscopeCalibration(const std::string& path, double metresPerUnit)
{
    const TomlDocument document = ReadTomlDocument(path);
    if (!document.root)
        return {std::nullopt, document.error};
    const toml::table& root = document.root->as_table();
    const auto cameras = root.find("cameras");
    if (cameras == root.end() || !cameras->second.is_table())
        return {std::nullopt, CalibrationFileName(path) + ": cameras: needs a table [cameras.N] for each camera"};
    struct Found {
        size_t line;
        AsBuiltCamera camera;
    };
    std::vector<Found> found;
    std::vector<std::pair<size_t, std::string>> skipped;
    for (const auto& [key, value] : cameras->second.as_table()) {
        const std::string name = "cameras." + key;
        const std::string where = CameraPlace(path, name);
        if (!value.is_table())
            return {std::nullopt, where + ": needs a table"};
        const toml::table& keys = value.as_table();
        if (const auto ignore = keys.find("ignore"); ignore != keys.end()) {
            if (!ignore->second.is_boolean())
                return {std::nullopt, where + ": ignore: needs true or false"};
            if (ignore->second.as_boolean()) {
                skipped.emplace_back(TomlLine(value), "camera \"" + name + "\" skipped: marked ignore");
                continue;
            }
        }
        if (!keys.count("rotation") || !keys.count("translation")) {
            skipped.emplace_back(TomlLine(value),
                                 "camera \"" + name + "\" skipped: it has no pose (rotation and translation)");
            continue;
        }
        TomlCameraResult read = ReadTomlCamera(value, name, where, metresPerUnit, {true});
        if (!read.camera)
            return {std::nullopt, read.error};
        if (const auto turns = keys.find("rotation_count"); turns != keys.end()) {
            if (!turns->second.is_integer() || turns->second.as_integer() < -1000 || turns->second.as_integer() > 1000)
                return {std::nullopt, where + ": rotation_count: needs a whole number of quarter turns"};
            read.camera->quarterTurns = static_cast<int>(turns->second.as_integer());
        }
        found.push_back({TomlLine(value), std::move(*read.camera)});
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.line < b.line; });
    std::sort(skipped.begin(), skipped.end());
    AsBuiltRig rig;
    for (auto& [line, note] : skipped)
        rig.notes.push_back(std::move(note));
    if (found.empty())
        return {std::nullopt, CalibrationFileName(path) + ": no camera with a pose to place"};
    for (Found& f : found)
        rig.cameras.push_back(std::move(f.camera));
    rig.notes.push_back(std::to_string(rig.cameras.size()) + " cameras in the order of the file, not sorted by name");
    return {std::move(rig), {}};
}
