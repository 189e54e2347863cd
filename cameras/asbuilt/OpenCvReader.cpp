#include "cameras/asbuilt/OpenCvReader.h"

#include "cameras/asbuilt/NestingScan.h"
#include "cameras/asbuilt/TomlCalibration.h"
#include "scene/PrintableText.h"

#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <vector>

namespace {

// The numbers of a matrix node (rows, cols, data) or of a plain list, read
// without building a matrix: a hostile header cannot make it allocate.
struct SmallMatrix {
    int rows = 0;
    int cols = 0;
    std::vector<double> data;
};

std::optional<double> Number(const cv::FileNode& node)
{
    if (!node.isInt() && !node.isReal())
        return std::nullopt;
    const double v = node.real();
    if (!std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<SmallMatrix> ReadSmallMatrix(const cv::FileNode& node)
{
    constexpr int kMaxElements = 64;
    SmallMatrix m;
    cv::FileNode data = node;
    if (node.isMap()) {
        const auto rows = Number(node["rows"]), cols = Number(node["cols"]);
        if (!rows || !cols || *rows < 0 || *cols < 0 || *rows > kMaxElements || *cols > kMaxElements ||
            *rows != std::floor(*rows) || *cols != std::floor(*cols))
            return std::nullopt;
        m.rows = static_cast<int>(*rows);
        m.cols = static_cast<int>(*cols);
        data = node["data"];
    }
    if (!data.isSeq() || data.size() > static_cast<size_t>(kMaxElements))
        return std::nullopt;
    for (const cv::FileNode& item : data) {
        const auto v = Number(item);
        if (!v)
            return std::nullopt;
        m.data.push_back(*v);
    }
    if (!node.isMap()) {
        m.rows = static_cast<int>(m.data.size());
        m.cols = 1;
    }
    if (static_cast<size_t>(m.rows) * static_cast<size_t>(m.cols) != m.data.size())
        return std::nullopt;
    return m;
}

bool IsVector3(const SmallMatrix& m) { return m.data.size() == 3 && (m.rows == 1 || m.cols == 1); }

struct Storage {
    cv::FileStorage fs;
    std::string error;
};

// Opens the text in memory: the file was read, and bounded, by the program.
bool Open(const std::string& path, Storage& storage)
{
    const CalibrationFileText file = ReadCalibrationFile(path);
    if (!file.text) {
        storage.error = file.error;
        return false;
    }
    const size_t first = file.text->find_first_not_of(" \t\r\n");
    const bool xml = first != std::string::npos && (*file.text)[first] == '<';
    if (const auto deep = xml ? XmlNestingError(*file.text) : YamlNestingError(*file.text)) {
        storage.error = CalibrationFileName(path) + ": " + *deep;
        return false;
    }
    if (const auto malformed = xml ? XmlMarkupError(*file.text) : std::nullopt) {
        storage.error = CalibrationFileName(path) + ": not an OpenCV XML file: " + PrintableText(*malformed);
        return false;
    }
    try {
        if (storage.fs.open(*file.text, cv::FileStorage::READ | cv::FileStorage::MEMORY) && storage.fs.root().isMap())
            return true;
    } catch (const cv::Exception& e) {
        storage.error = CalibrationFileName(path) + ": not an OpenCV YAML or XML file: " + PrintableText(e.msg);
        return false;
    } catch (const std::exception& e) {
        // The parser also lets the standard library's own exceptions through.
        storage.error = CalibrationFileName(path) + ": not an OpenCV YAML or XML file: " + PrintableText(e.what());
        return false;
    }
    storage.error = CalibrationFileName(path) + ": not an OpenCV YAML or XML file";
    return false;
}

std::optional<std::string> Text(const cv::FileNode& node)
{
    if (node.isString())
        return node.string();
    if (node.isInt())
        return std::to_string(static_cast<int>(node));
    return std::nullopt;
}

struct Names {
    std::vector<std::string> list;
    std::string error;
};

Names ReadNames(const cv::FileStorage& fs, const std::string& path)
{
    Names names;
    const cv::FileNode node = fs["names"];
    // A list of one may be written as the one name (OpenCV's XML does).
    if (node.isString() || node.isInt()) {
        names.list.push_back(*Text(node));
        return names;
    }
    if (node.empty() || !node.isSeq()) {
        names.error = CalibrationFileName(path) + ": names: needs a list of camera names";
        return names;
    }
    for (const cv::FileNode& item : node) {
        const auto name = Text(item);
        if (!name || name->empty()) {
            names.error = CalibrationFileName(path) + ": names: every name must be a text";
            return names;
        }
        if (std::find(names.list.begin(), names.list.end(), *name) != names.list.end()) {
            names.error = CalibrationFileName(path) + ": names: \"" + PrintableText(*name) + "\" is given twice";
            return names;
        }
        names.list.push_back(*name);
    }
    if (names.list.empty())
        names.error = CalibrationFileName(path) + ": names: the list is empty";
    return names;
}

AsBuiltReadResult ReadPair(const cv::FileStorage& intri, const cv::FileStorage& extri, const std::string& intriPath,
                           const std::string& extriPath, double metresPerUnit)
{
    const bool intriNames = !intri["names"].empty();
    const Names names = intriNames ? ReadNames(intri, intriPath) : ReadNames(extri, extriPath);
    if (!names.error.empty())
        return {std::nullopt, names.error};
    AsBuiltRig rig;
    for (const std::string& name : names.list) {
        const std::string inIntri = CameraPlace(intriPath, name), inExtri = CameraPlace(extriPath, name);
        const auto refuse = [](const std::string& where, const std::string& key, const std::string& reason) {
            return AsBuiltReadResult{std::nullopt, where + ": " + key + ": " + reason};
        };
        AsBuiltCamera camera;
        camera.name = name;
        const std::string kKey = "K_" + name;
        if (intri[kKey].empty())
            return refuse(inIntri, kKey, "the key is missing");
        const auto k = ReadSmallMatrix(intri[kKey]);
        if (!k || k->rows != 3 || k->cols != 3)
            return refuse(inIntri, kKey, "needs a 3 x 3 matrix");
        if (k->data[3] != 0.0 || k->data[6] != 0.0 || k->data[7] != 0.0 || k->data[8] != 1.0)
            return refuse(inIntri, kKey, "is not a camera matrix [fx, s, cx; 0, fy, cy; 0, 0, 1]");
        camera.fx = k->data[0];
        camera.cx = k->data[2];
        camera.fy = k->data[4];
        camera.cy = k->data[5];
        std::string distKey = "dist_" + name;
        if (intri[distKey].empty() && !intri["D_" + name].empty())
            distKey = "D_" + name;
        if (!intri[distKey].empty()) {
            const auto d = ReadSmallMatrix(intri[distKey]);
            if (!d || (d->rows != 1 && d->cols != 1 && !d->data.empty()))
                return refuse(inIntri, distKey, "needs a row or a column of numbers");
            camera.distortion = d->data;
        }
        const std::string hKey = "H_" + name, wKey = "W_" + name;
        if (!intri[hKey].empty() || !intri[wKey].empty()) {
            const auto h = Number(intri[hKey]), w = Number(intri[wKey]);
            if (!w || *w != std::floor(*w) || *w < 1 || *w > 1e6)
                return refuse(inIntri, wKey, "needs the image width in whole pixels, at least 1");
            if (!h || *h != std::floor(*h) || *h < 1 || *h > 1e6)
                return refuse(inIntri, hKey, "needs the image height in whole pixels, at least 1");
            camera.width = static_cast<int>(*w);
            camera.height = static_cast<int>(*h);
        } else {
            camera.width = static_cast<int>(std::lround(std::clamp(2.0 * camera.cx, 0.0, 1e6)));
            camera.height = static_cast<int>(std::lround(std::clamp(2.0 * camera.cy, 0.0, 1e6)));
            rig.notes.push_back("camera \"" + PrintableText(name) + "\": no " + hKey + " / " + wKey +
                                ": the image taken as twice the principal point, " + std::to_string(camera.width) +
                                " x " + std::to_string(camera.height));
        }
        if (const auto error = CheckIntrinsics(camera, inIntri, {wKey + " / " + hKey, kKey, distKey}))
            return {std::nullopt, *error};

        const std::string rKey = "R_" + name, rotKey = "Rot_" + name, tKey = "T_" + name;
        if (!extri[rotKey].empty()) {
            const auto m = ReadSmallMatrix(extri[rotKey]);
            if (!m || m->rows != 3 || m->cols != 3)
                return refuse(inExtri, rotKey, "needs a 3 x 3 matrix");
            std::array<double, 9> matrix{};
            std::copy(m->data.begin(), m->data.end(), matrix.begin());
            const auto checked = CheckedRotation(matrix);
            if (!checked)
                return refuse(inExtri, rotKey, "the 3 x 3 matrix is not a rotation");
            camera.rotation = *checked;
        } else if (!extri[rKey].empty()) {
            const auto r = ReadSmallMatrix(extri[rKey]);
            if (!r || !IsVector3(*r))
                return refuse(inExtri, rKey, "needs a Rodrigues vector, 3 x 1 or 1 x 3");
            camera.rotation = RotationFromRodrigues({r->data[0], r->data[1], r->data[2]});
        } else {
            return refuse(inExtri, rKey, "the key is missing (nor is there " + rotKey + ")");
        }
        if (extri[tKey].empty())
            return refuse(inExtri, tKey, "the key is missing");
        const auto t = ReadSmallMatrix(extri[tKey]);
        if (!t || !IsVector3(*t))
            return refuse(inExtri, tKey, "needs three numbers, 3 x 1 or 1 x 3");
        for (size_t c = 0; c < 3; ++c) {
            camera.translation[c] = t->data[c] * metresPerUnit;
            if (!std::isfinite(camera.translation[c]) || std::abs(camera.translation[c]) > 1e6)
                return refuse(inExtri, tKey, "needs three numbers, each within a million metres");
        }
        rig.cameras.push_back(std::move(camera));
    }
    return {std::move(rig), {}};
}

} // namespace

AsBuiltReadResult ReadOpenCvCalibration(const std::string& intriPath, const std::string& extriPath,
                                        double metresPerUnit)
{
    Storage intri, extri;
    if (!Open(intriPath, intri))
        return {std::nullopt, intri.error};
    if (!Open(extriPath, extri))
        return {std::nullopt, extri.error};
    try {
        return ReadPair(intri.fs, extri.fs, intriPath, extriPath, metresPerUnit);
    } catch (const cv::Exception& e) {
        return {std::nullopt, CalibrationFileName(intriPath) + ", " + CalibrationFileName(extriPath) +
                                  ": not an OpenCV calibration: " + PrintableText(e.msg)};
    } catch (const std::exception& e) {
        return {std::nullopt, CalibrationFileName(intriPath) + ", " + CalibrationFileName(extriPath) +
                                  ": not an OpenCV calibration: " + PrintableText(e.what())};
    }
}

std::optional<std::string> OpenCvPartnerFile(const std::string& path)
{
    const std::filesystem::path p(path);
    std::string name = p.filename().string();
    const size_t intri = name.rfind("intri"), extri = name.rfind("extri");
    if (intri == std::string::npos && extri == std::string::npos)
        return std::nullopt;
    const bool isIntri = extri == std::string::npos || (intri != std::string::npos && intri > extri);
    name.replace(isIntri ? intri : extri, 5, isIntri ? "extri" : "intri");
    return (p.parent_path() / name).string();
}

bool IsOpenCvIntrinsicsFile(const std::string& path)
{
    const std::string name = std::filesystem::path(path).filename().string();
    const size_t intri = name.rfind("intri"), extri = name.rfind("extri");
    return intri != std::string::npos && (extri == std::string::npos || intri > extri);
}
