#include "cameras/asbuilt/AniposeReader.h"

#include "cameras/asbuilt/TomlCalibration.h"
#include "scene/PrintableText.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

AsBuiltReadResult ReadAniposeCalibration(const std::string& path, double metresPerUnit)
{
    const TomlDocument document = ReadTomlDocument(path);
    if (!document.root)
        return {std::nullopt, document.error};
    struct Found {
        size_t line;
        std::string table;
        AsBuiltCamera camera;
    };
    std::vector<Found> found;
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
        found.push_back({TomlLine(value), key, std::move(*read.camera)});
    }
    if (found.empty())
        return {std::nullopt,
                CalibrationFileName(path) + ": no camera table (with size, matrix, rotation, translation)"};
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.line < b.line; });
    // The plan pairs cameras by their names: two of one name cannot both be meant.
    std::map<std::string, const Found*> byName;
    for (const Found& f : found) {
        const auto [it, fresh] = byName.emplace(f.camera.name, &f);
        if (!fresh)
            return {std::nullopt, CameraPlace(path, f.camera.name) + ": name: given to two cameras, [" +
                                      PrintableText(it->second->table) + "] (line " + std::to_string(it->second->line) +
                                      ") and [" + PrintableText(f.table) + "] (line " + std::to_string(f.line) + ")"};
    }
    AsBuiltRig rig;
    for (Found& f : found)
        rig.cameras.push_back(std::move(f.camera));
    if (const auto it = document.root->as_table().find("metadata"); it != document.root->as_table().end())
        if (auto error = ReadTomlRecordedWorld(it->second, path, rig))
            return {std::nullopt, *error};
    rig.notes.push_back(std::to_string(rig.cameras.size()) + " cameras in the order of the file, not sorted by name");
    return {std::move(rig), {}};
}
