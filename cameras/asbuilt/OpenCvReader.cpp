#include "cameras/asbuilt/OpenCvReader.h"

#include "cameras/CameraSet.h"
#include "cameras/asbuilt/NestingScan.h"
#include "cameras/asbuilt/OpenCvStorage.h"
#include "cameras/asbuilt/TomlCalibration.h"
#include "scene/PrintableText.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <vector>

namespace
{

constexpr size_t kMaxMatrixElements = 64;

std::optional<double> Number(const std::optional<OpenCvScalar>& scalar)
{
    if (!scalar || !scalar->number || !std::isfinite(*scalar->number))
        return std::nullopt;
    return scalar->number;
}

bool IsVector3(const OpenCvMatrix& m)
{
    return m.data.size() == 3 && (m.rows == 1 || m.cols == 1);
}

// A file of the pair read, with what a scan of its text found.
struct ScannedFile {
    std::string path;
    std::string text;
    bool xml = false;
    OpenCvShape shape;
};

// Each value is a node of its parser, a few hundred bytes: a camera's lens
// and pose take about thirty, written as OpenCV writes them.
constexpr size_t kValuesPerCamera = 128;
constexpr size_t kBaseValues = 1024;

std::optional<std::string> Scan(const std::string& path, ScannedFile& file)
{
    CalibrationFileText read = ReadCalibrationFile(path);
    if (!read.text)
        return read.error;
    file.path = path;
    file.text = std::move(*read.text);
    file.xml = IsOpenCvXml(file.text);
    if (const auto deep = file.xml ? XmlNestingError(file.text) : YamlNestingError(file.text))
        return CalibrationFileName(path) + ": " + *deep;
    file.shape = ScanOpenCv(file.text, file.xml);
    if (file.shape.names && *file.shape.names > kMaxCameras)
        return CalibrationFileName(path) + ": names: " + std::to_string(*file.shape.names) +
               " cameras; a rig has at most " + std::to_string(kMaxCameras);
    return std::nullopt;
}

// The file bounded by the cameras the pair names, before a parser sees it.
OpenCvStorageResult Open(const ScannedFile& file, size_t cameras)
{
    if (const auto large = CheckCalibrationSize(file.path, file.text.size(), cameras))
        return {nullptr, *large};
    const size_t most = kBaseValues + std::max<size_t>(cameras, 1) * kValuesPerCamera;
    if (file.shape.values > most)
        return {nullptr, CalibrationFileName(file.path) + ": " + std::to_string(file.shape.values) + " values for " +
                             std::to_string(cameras) + " cameras, more than a calibration of that many holds (" +
                             std::to_string(most) + ")"};
    OpenCvStorageResult storage = ParseOpenCvStorage(file.text);
    if (!storage.storage)
        storage.error = CalibrationFileName(file.path) + ": " + PrintableText(storage.error);
    return storage;
}

// A name is a text or a whole number, written as the number reads ("01" unquoted is 1).
std::optional<std::string> NameText(const OpenCvScalar& scalar)
{
    if (!scalar.number)
        return scalar.text;
    const double v = *scalar.number;
    if (!std::isfinite(v) || v != std::floor(v) || std::abs(v) > 2147483647.0)
        return std::nullopt;
    return std::to_string(static_cast<long long>(v));
}

struct Names {
    std::vector<std::string> list;
    std::string error;
};

Names ReadNames(const COpenCvStorage& storage, const std::string& path)
{
    Names names;
    // A list of one may be written as the one name (OpenCV's XML does).
    if (const auto one = storage.Scalar("names")) {
        if (const auto name = NameText(*one); name && !name->empty()) {
            names.list.push_back(*name);
            return names;
        }
        names.error = CalibrationFileName(path) + ": names: every name must be a text";
        return names;
    }
    const auto items = storage.ScalarList("names", kMaxCameras);
    if (!items) {
        names.error = CalibrationFileName(path) + ": names: needs a list of camera names";
        return names;
    }
    for (const OpenCvScalar& item : *items) {
        const auto name = NameText(item);
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

AsBuiltReadResult ReadPair(const COpenCvStorage& intri, const COpenCvStorage& extri, const std::string& intriPath,
                           const std::string& extriPath, double metresPerUnit)
{
    const bool intriNames = intri.Has("names");
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
        if (!intri.Has(kKey))
            return refuse(inIntri, kKey, "the key is missing");
        const auto k = intri.Matrix(kKey, kMaxMatrixElements);
        if (!k || k->rows != 3 || k->cols != 3)
            return refuse(inIntri, kKey, "needs a 3 x 3 matrix");
        if (k->data[3] != 0.0 || k->data[6] != 0.0 || k->data[7] != 0.0 || k->data[8] != 1.0)
            return refuse(inIntri, kKey, "is not a camera matrix [fx, s, cx; 0, fy, cy; 0, 0, 1]");
        camera.fx = k->data[0];
        camera.cx = k->data[2];
        camera.fy = k->data[4];
        camera.cy = k->data[5];
        std::string distKey = "dist_" + name;
        if (!intri.Has(distKey) && intri.Has("D_" + name))
            distKey = "D_" + name;
        if (intri.Has(distKey)) {
            // Read past the longest model, so that CheckIntrinsics names a list too long as such.
            const auto d = intri.Matrix(distKey, kMaxCalibrationListItems);
            if (!d || (d->rows != 1 && d->cols != 1 && !d->data.empty()))
                return refuse(inIntri, distKey,
                              "needs a row or a column of at most " + std::to_string(kMaxCalibrationListItems) +
                                  " numbers");
            camera.distortion = d->data;
        }
        const std::string hKey = "H_" + name, wKey = "W_" + name;
        if (intri.Has(hKey) || intri.Has(wKey)) {
            const auto h = Number(intri.Scalar(hKey)), w = Number(intri.Scalar(wKey));
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
        if (extri.Has(rotKey)) {
            const auto m = extri.Matrix(rotKey, kMaxMatrixElements);
            if (!m || m->rows != 3 || m->cols != 3)
                return refuse(inExtri, rotKey, "needs a 3 x 3 matrix");
            std::array<double, 9> matrix{};
            std::copy(m->data.begin(), m->data.end(), matrix.begin());
            const auto checked = CheckedRotation(matrix);
            if (!checked)
                return refuse(inExtri, rotKey, "the 3 x 3 matrix is not a rotation");
            camera.rotation = *checked;
        } else if (extri.Has(rKey)) {
            const auto r = extri.Matrix(rKey, kMaxMatrixElements);
            if (!r || !IsVector3(*r))
                return refuse(inExtri, rKey, "needs a Rodrigues vector, 3 x 1 or 1 x 3");
            const auto rotation = RotationFromRodrigues({r->data[0], r->data[1], r->data[2]});
            if (!rotation)
                return refuse(inExtri, rKey, "the Rodrigues vector's length is not finite");
            camera.rotation = *rotation;
        } else {
            return refuse(inExtri, rKey, "the key is missing (nor is there " + rotKey + ")");
        }
        if (!extri.Has(tKey))
            return refuse(inExtri, tKey, "the key is missing");
        const auto t = extri.Matrix(tKey, kMaxMatrixElements);
        if (!t || !IsVector3(*t))
            return refuse(inExtri, tKey, "needs three numbers, 3 x 1 or 1 x 3");
        for (size_t c = 0; c < 3; ++c) {
            camera.translation[c] = t->data[c] * metresPerUnit;
            if (!std::isfinite(camera.translation[c]) || std::abs(camera.translation[c]) > 1e6)
                return refuse(inExtri, tKey, "needs three numbers, each within a million metres");
        }
        if (const auto error = CheckPose(camera, inExtri, extri.Has(rotKey) ? rotKey : rKey, tKey))
            return {std::nullopt, *error};
        rig.cameras.push_back(std::move(camera));
    }
    // The world the program's own export records.
    for (const char* key : {"up", "room_m"}) {
        if (!extri.Has(key))
            continue;
        const auto m = extri.Matrix(key, kMaxMatrixElements);
        const std::vector<double> values = m && IsVector3(*m) ? m->data : std::vector<double>{};
        if (auto error = CheckRecordedWorld(CalibrationFileName(extriPath), key, values))
            return {std::nullopt, *error};
        std::optional<std::array<double, 3>>& recorded = std::string(key) == "up" ? rig.up : rig.room;
        recorded = std::array<double, 3>{values[0], values[1], values[2]};
    }
    return {std::move(rig), {}};
}

} // namespace

AsBuiltReadResult ReadOpenCvCalibration(const std::string& intriPath, const std::string& extriPath,
                                        double metresPerUnit)
{
    ScannedFile intriFile, extriFile;
    if (const auto error = Scan(intriPath, intriFile))
        return {std::nullopt, *error};
    if (const auto error = Scan(extriPath, extriFile))
        return {std::nullopt, *error};
    // The names are read from intri, else from extri (ReadPair).
    const size_t cameras = intriFile.shape.names.value_or(extriFile.shape.names.value_or(0));
    const OpenCvStorageResult intri = Open(intriFile, cameras);
    if (!intri.storage)
        return {std::nullopt, intri.error};
    const OpenCvStorageResult extri = Open(extriFile, cameras);
    if (!extri.storage)
        return {std::nullopt, extri.error};
    try {
        return ReadPair(*intri.storage, *extri.storage, intriPath, extriPath, metresPerUnit);
    } catch (const std::exception& e) {
        // yaml-cpp's look-ups throw on a node they cannot convert.
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
