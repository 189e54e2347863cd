#include "cameras/asbuilt/AniposeReader.h"

#include "cameras/asbuilt/TomlCalibration.h"

#include <algorithm>
#include <utility>
#include <vector>

AsBuiltReadResult ReadAniposeCalibration(const std::string& path, double metresPerUnit)
{
    const TomlDocument document = ReadTomlDocument(path);
    if (!document.root)
        return {std::nullopt, document.error};
    std::vector<std::pair<size_t, AsBuiltCamera>> found;
    for (const auto& [key, value] : document.root->as_table()) {
        if (key == "metadata" || !value.is_table())
            continue;
        std::string name = key;
        if (const auto it = value.as_table().find("name"); it != value.as_table().end()) {
            if (!it->second.is_string())
                return {std::nullopt, CameraPlace(path, key) + ": name: needs a text"};
            name = it->second.as_string().str;
        }
        TomlCameraResult read = ReadTomlCamera(value, name, CameraPlace(path, name), metresPerUnit, {true});
        if (!read.camera)
            return {std::nullopt, read.error};
        found.emplace_back(TomlLine(value), std::move(*read.camera));
    }
    if (found.empty())
        return {std::nullopt,
                CalibrationFileName(path) + ": no camera table (with size, matrix, rotation, translation)"};
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    AsBuiltRig rig;
    for (auto& [line, camera] : found)
        rig.cameras.push_back(std::move(camera));
    if (const auto it = document.root->as_table().find("metadata"); it != document.root->as_table().end())
        if (auto error = ReadTomlRecordedWorld(it->second, path, rig))
            return {std::nullopt, *error};
    rig.notes.push_back(std::to_string(rig.cameras.size()) + " cameras in the order of the file, not sorted by name");
    return {std::move(rig), {}};
}
