#pragma once

#include "cameras/asbuilt/AsBuiltCalibration.h"

#include <toml.hpp>

#include <optional>
#include <string>

// What the TOML calibration formats share: the document and one camera's table.

struct TomlDocument {
    std::optional<toml::value> root; // a table
    std::string error;
};
// The file's TOML, or why not: unreadable, nested too deep, not TOML.
TomlDocument ReadTomlDocument(const std::string& path);

// How a format writes a camera's pose.
struct TomlPoseForms {
    bool rotationMatrix = false; // rotation may be a 3 x 3 matrix besides a Rodrigues vector
};

// A camera from its table: size, matrix, distortions, rotation, translation
// (times `metresPerUnit`), and fisheye when given; other keys are passed
// over. A refusal reads "where: key: reason".
struct TomlCameraResult {
    std::optional<AsBuiltCamera> camera;
    std::string error;
};
TomlCameraResult ReadTomlCamera(const toml::value& table, const std::string& name, const std::string& where,
                                double metresPerUnit, const TomlPoseForms& forms);

// The world the metadata table records ("up", "room_m") into the rig; a
// refusal names the file and the key.
std::optional<std::string> ReadTomlRecordedWorld(const toml::value& metadata, const std::string& path, AsBuiltRig& rig);

// The line a value starts on in its file: cameras keep the file's order,
// which the parsed tables do not.
size_t TomlLine(const toml::value& value);

// "file: camera "name"", as messages start.
std::string CameraPlace(const std::string& path, const std::string& name);
