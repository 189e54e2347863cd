#include "cameras/asbuilt/TomlCalibration.h"

#include "cameras/asbuilt/NestingScan.h"
#include "scene/PrintableText.h"

#include <cmath>
#include <new>
#include <sstream>
#include <vector>

namespace
{

std::optional<double> Number(const toml::value& v)
{
    double d = 0.0;
    if (v.is_integer())
        d = static_cast<double>(v.as_integer());
    else if (v.is_floating())
        d = v.as_floating();
    else
        return std::nullopt;
    if (!std::isfinite(d))
        return std::nullopt;
    return d;
}

// A list of numbers; with `columnOk`, also written as a column, [[a], [b], [c]].
std::optional<std::vector<double>> Numbers(const toml::value& v, bool columnOk)
{
    if (!v.is_array())
        return std::nullopt;
    std::vector<double> out;
    for (const toml::value& item : v.as_array()) {
        const toml::value* element = &item;
        if (columnOk && item.is_array() && item.as_array().size() == 1)
            element = &item.as_array().front();
        const auto number = Number(*element);
        if (!number)
            return std::nullopt;
        out.push_back(*number);
    }
    return out;
}

// Three rows of three numbers.
std::optional<std::array<double, 9>> Matrix3(const toml::value& v)
{
    if (!v.is_array() || v.as_array().size() != 3)
        return std::nullopt;
    std::array<double, 9> m{};
    for (size_t r = 0; r < 3; ++r) {
        const auto row = Numbers(v.as_array()[r], false);
        if (!row || row->size() != 3)
            return std::nullopt;
        for (size_t c = 0; c < 3; ++c)
            m[3 * r + c] = (*row)[c];
    }
    return m;
}

// toml11 writes "[error] what: why", then the lines it quotes, each as
// " N | text"; the last one quoted is where it stopped.
std::string TomlErrorText(const std::string& what)
{
    std::string reason = what.substr(0, what.find('\n'));
    if (reason.rfind("[error] ", 0) == 0)
        reason.erase(0, 8);
    std::string line;
    std::istringstream lines(what);
    for (std::string text; std::getline(lines, text);) {
        const size_t bar = text.find(" | ");
        const size_t digits = text.find_first_not_of(' ');
        if (bar == std::string::npos || digits >= bar)
            continue;
        const std::string number = text.substr(digits, bar - digits);
        if (number.find_first_not_of("0123456789") == std::string::npos)
            line = number;
    }
    return (line.empty() ? "" : "line " + line + ": ") + reason;
}

} // namespace

std::string CameraPlace(const std::string& path, const std::string& name)
{
    return CalibrationFileName(path) + ": camera \"" + PrintableText(name) + "\"";
}

std::optional<std::string> ReadTomlRecordedWorld(const toml::value& metadata, const std::string& path, AsBuiltRig& rig)
{
    if (!metadata.is_table())
        return std::nullopt;
    const std::string where = CalibrationFileName(path) + ": metadata";
    for (const char* key : {"up", "room_m"}) {
        const auto it = metadata.as_table().find(key);
        if (it == metadata.as_table().end())
            continue;
        const std::optional<std::vector<double>> values = Numbers(it->second, false);
        if (const auto error = CheckRecordedWorld(where, key, values ? *values : std::vector<double>{}))
            return error;
        std::optional<std::array<double, 3>>& recorded = std::string(key) == "up" ? rig.up : rig.room;
        recorded = std::array<double, 3>{(*values)[0], (*values)[1], (*values)[2]};
    }
    return std::nullopt;
}

size_t TomlLine(const toml::value& value)
{
    return value.location().line();
}

TomlDocument ReadTomlDocument(const std::string& path)
{
    const CalibrationFileText file = ReadCalibrationFile(path);
    if (!file.text)
        return {std::nullopt, file.error};
    const TomlShape shape = ScanToml(*file.text);
    if (shape.error)
        return {std::nullopt, CalibrationFileName(path) + ": " + *shape.error};
    if (const auto large = CheckCalibrationSize(path, file.text->size(), shape.tables))
        return {std::nullopt, *large};
    try {
        std::istringstream in(*file.text);
        toml::value root = toml::parse(in, "calibration");
        if (!root.is_table())
            return {std::nullopt, CalibrationFileName(path) + ": not a TOML table"};
        return {std::move(root), {}};
    } catch (const std::bad_alloc&) {
        return {std::nullopt, CalibrationFileName(path) + ": too large to read in the memory free"};
    } catch (const std::exception& e) {
        return {std::nullopt, CalibrationFileName(path) + ": not TOML: " + PrintableText(TomlErrorText(e.what()))};
    }
}

TomlCameraResult ReadTomlCamera(const toml::value& table, const std::string& name, const std::string& where,
                                double metresPerUnit, const TomlPoseForms& forms)
{
    const auto refuse = [&where](const std::string& key, const std::string& reason) {
        return TomlCameraResult{std::nullopt, where + ": " + key + ": " + reason};
    };
    const toml::table& keys = table.as_table();
    const auto find = [&keys](const char* key) -> const toml::value* {
        const auto it = keys.find(key);
        return it == keys.end() ? nullptr : &it->second;
    };
    AsBuiltCamera camera;
    camera.name = name;

    const toml::value* size = find("size");
    if (!size)
        return refuse("size", "the key is missing");
    const auto wh = Numbers(*size, false);
    if (!wh || wh->size() != 2 || (*wh)[0] != std::floor((*wh)[0]) || (*wh)[1] != std::floor((*wh)[1]) ||
        (*wh)[0] < 1 || (*wh)[1] < 1 || (*wh)[0] > 1e6 || (*wh)[1] > 1e6)
        return refuse("size", "needs [width, height] in whole pixels, at least 1");
    camera.width = static_cast<int>((*wh)[0]);
    camera.height = static_cast<int>((*wh)[1]);

    const toml::value* matrix = find("matrix");
    if (!matrix)
        return refuse("matrix", "the key is missing");
    const auto k = Matrix3(*matrix);
    if (!k)
        return refuse("matrix", "needs three rows of three numbers");
    // A skew, (0, 1), some solvers leave; it is passed over.
    if ((*k)[3] != 0.0 || (*k)[6] != 0.0 || (*k)[7] != 0.0 || (*k)[8] != 1.0)
        return refuse("matrix", "is not a camera matrix [[fx, s, cx], [0, fy, cy], [0, 0, 1]]");
    camera.fx = (*k)[0];
    camera.cx = (*k)[2];
    camera.fy = (*k)[4];
    camera.cy = (*k)[5];

    if (const toml::value* distortions = find("distortions")) {
        const auto d = Numbers(*distortions, true);
        if (!d)
            return refuse("distortions", "needs a list of numbers");
        camera.distortion = *d;
    }
    if (const toml::value* fisheye = find("fisheye")) {
        if (!fisheye->is_boolean())
            return refuse("fisheye", "needs true or false");
        camera.fisheye = fisheye->as_boolean();
    }
    if (const auto error = CheckIntrinsics(camera, where, {"size", "matrix", "distortions"}))
        return {std::nullopt, *error};

    const toml::value* rotation = find("rotation");
    if (!rotation)
        return refuse("rotation", "the key is missing");
    if (const auto r = Numbers(*rotation, true); r && r->size() == 3) {
        const auto turn = RotationFromRodrigues({(*r)[0], (*r)[1], (*r)[2]});
        if (!turn)
            return refuse("rotation", "the Rodrigues vector's length is not finite");
        camera.rotation = *turn;
    } else if (const auto m = forms.rotationMatrix ? Matrix3(*rotation) : std::nullopt) {
        const auto checked = CheckedRotation(*m);
        if (!checked)
            return refuse("rotation", "the 3 x 3 matrix is not a rotation");
        camera.rotation = *checked;
    } else {
        return refuse("rotation", forms.rotationMatrix ? "needs a Rodrigues vector of three numbers or a 3 x 3 matrix"
                                                       : "needs a Rodrigues vector of three numbers");
    }

    const toml::value* translation = find("translation");
    if (!translation)
        return refuse("translation", "the key is missing");
    const auto t = Numbers(*translation, true);
    if (!t || t->size() != 3)
        return refuse("translation", "needs three numbers");
    for (size_t c = 0; c < 3; ++c) {
        camera.translation[c] = (*t)[c] * metresPerUnit;
        if (!std::isfinite(camera.translation[c]) || std::abs(camera.translation[c]) > 1e6)
            return refuse("translation", "needs three numbers, each within a million metres");
    }
    if (const auto error = CheckPose(camera, where, "rotation", "translation"))
        return {std::nullopt, *error};
    return {std::move(camera), {}};
}
