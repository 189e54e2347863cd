#include "cameras/asbuilt/CalibrationExport.h"

#include "cameras/CameraSet.h"
#include "cameras/asbuilt/AimAngles.h"
#include "cameras/asbuilt/OpenCvReader.h"
#include "scene/AtomicFilePair.h"
#include "scene/PrintableText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace
{

// The world written has z up: x along the length, y across the width, z
// the height, the user frame's X, Z and Y. A direction of the scene frame
// there, which the user frame mirrors in z.
Vec3d WorldDirection(const Vec3d& scene)
{
    return {scene.x, -scene.z, scene.y};
}

Vec3d Cross(const Vec3d& a, const Vec3d& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The shortest text that reads back as the same double, always with a
// decimal point or an exponent: TOML takes "1" as a whole number.
std::string Real(double v)
{
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    std::string out(text, end);
    if (out.find_first_of(".en") == std::string::npos)
        out += ".0";
    return out;
}

std::string TomlString(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string List(const std::vector<double>& values)
{
    std::string out = "[";
    for (const double v : values)
        out += (out.size() > 1 ? ", " : " ") + Real(v);
    return out + " ]";
}

std::string OpenCvName(size_t k)
{
    char text[24];
    std::snprintf(text, sizeof text, "%02zu", k + 1);
    return text;
}

// A number as a FileStorage file writes it: a whole number within an int as
// "640.", any other with 17 digits ("1.5999999766116562e+03"), which reads
// back as the same double.
std::string CvReal(double v)
{
    char text[40];
    if (v == std::floor(v) && v >= -2147483648.0 && v <= 2147483647.0)
        std::snprintf(text, sizeof text, "%d.", static_cast<int>(v));
    else
        std::snprintf(text, sizeof text, "%.16e", v);
    return text;
}

// A matrix of doubles as a FileStorage YAML file holds it, its data wrapped
// where OpenCV wraps them, so that the files are those it wrote.
std::string CvMatrix(const std::string& key, int rows, int cols, const double* values)
{
    constexpr size_t kWrapColumn = 71;
    constexpr size_t kDataIndent = 7;
    std::string out = key + ": !!opencv-matrix\n   rows: " + std::to_string(rows) +
                      "\n   cols: " + std::to_string(cols) + "\n   dt: d\n";
    std::string line = "   data: [";
    for (int k = 0; k < rows * cols; ++k) {
        const std::string item = CvReal(values[k]);
        if (k > 0)
            line += ',';
        const size_t end = line.size() + item.size();
        if (end > kWrapColumn && end - kDataIndent > 10) {
            out += line + "\n";
            line.assign(kDataIndent, ' ');
        } else {
            line += ' ';
        }
        line += item;
    }
    return out + line + " ]\n";
}

std::string CvHeader(size_t count)
{
    std::string out = "%YAML:1.0\n---\nnames:\n";
    for (size_t k = 0; k < count; ++k)
        out += "   - \"" + OpenCvName(k) + "\"\n";
    return out;
}

} // namespace

AsBuiltRig CalibrationOfCameraSet(const CCameraSet& cameras, uint32_t count,
                                  const std::optional<std::array<double, 3>>& room)
{
    AsBuiltRig rig;
    rig.up = {0.0, 0.0, 1.0};
    rig.room = room;
    for (uint32_t n = 0; n < count; ++n) {
        const int i = static_cast<int>(n);
        AsBuiltCamera camera;
        camera.name = cameras.GetLabel(i);
        Vec3d axis, up;
        AxesFromAimAngles({cameras.GetHTilt(i), cameras.GetVTilt(i), cameras.GetSpin(i)}, axis, up);
        const Vec3d z = WorldDirection(axis);
        const Vec3d y = WorldDirection({-up.x, -up.y, -up.z});
        const Vec3d x = Cross(y, z);
        camera.rotation = {x.x, x.y, x.z, y.x, y.y, y.z, z.x, z.y, z.z};
        const Vec3d user = cameras.ToUser(cameras.GetPosition(i));
        const Vec3d c{user.x, user.z, user.y};
        camera.translation = {-Dot(x, c), -Dot(y, c), -Dot(z, c)};
        camera.width = cameras.GetSensorPixelsX(i);
        camera.height = cameras.GetSensorPixelsY(i);
        const double focal = cameras.GetFocalLength(i);
        camera.fx = focal * camera.width / cameras.GetFrameWidth(i);
        camera.fy = focal * camera.height / cameras.GetFrameHeight(i);
        camera.cx = 0.5 * camera.width;
        camera.cy = 0.5 * camera.height;
        camera.distortion = {0.0, 0.0, 0.0, 0.0, 0.0};
        if (const auto& lens = cameras.GetCalibratedLens(i)) {
            camera.cx = lens->cx;
            camera.cy = lens->cy;
            if (!lens->distortion.empty())
                camera.distortion = lens->distortion;
        }
        rig.cameras.push_back(std::move(camera));
    }
    return rig;
}

std::string AniposeCalibrationText(const AsBuiltRig& rig)
{
    std::string out;
    for (size_t k = 0; k < rig.cameras.size(); ++k) {
        const AsBuiltCamera& c = rig.cameras[k];
        const std::array<double, 3> r = RodriguesFromRotation(c.rotation);
        out += "[cam_" + std::to_string(k) + "]\n";
        out += "name = " + TomlString(c.name) + "\n";
        out += "size = [ " + std::to_string(c.width) + ", " + std::to_string(c.height) + " ]\n";
        out += "matrix = [ " + List({c.fx, 0.0, c.cx}) + ", " + List({0.0, c.fy, c.cy}) + ", " + List({0.0, 0.0, 1.0}) +
               " ]\n";
        out += "distortions = " + List(c.distortion) + "\n";
        out += "rotation = " + List({r[0], r[1], r[2]}) + "\n";
        out += "translation = " + List({c.translation[0], c.translation[1], c.translation[2]}) + "\n";
        out += "fisheye = false\n\n";
    }
    out += "[metadata]\nadjusted = false\nerror = 0.0\n";
    if (rig.up)
        out += "up = " + List({(*rig.up)[0], (*rig.up)[1], (*rig.up)[2]}) + "\n";
    if (rig.room)
        out += "room_m = " + List({(*rig.room)[0], (*rig.room)[1], (*rig.room)[2]}) + "\n";
    return out;
}

std::string OpenCvIntrinsicsText(const AsBuiltRig& rig)
{
    std::string out = CvHeader(rig.cameras.size());
    for (size_t k = 0; k < rig.cameras.size(); ++k) {
        const AsBuiltCamera& c = rig.cameras[k];
        const std::string name = OpenCvName(k);
        const double kMatrix[9] = {c.fx, 0.0, c.cx, 0.0, c.fy, c.cy, 0.0, 0.0, 1.0};
        out += CvMatrix("K_" + name, 3, 3, kMatrix);
        out += CvMatrix("dist_" + name, 1, static_cast<int>(c.distortion.size()), c.distortion.data());
        out += "H_" + name + ": " + std::to_string(c.height) + "\n";
        out += "W_" + name + ": " + std::to_string(c.width) + "\n";
    }
    return out;
}

std::string OpenCvExtrinsicsText(const AsBuiltRig& rig)
{
    std::string out = CvHeader(rig.cameras.size());
    for (size_t k = 0; k < rig.cameras.size(); ++k) {
        const AsBuiltCamera& c = rig.cameras[k];
        const std::string name = OpenCvName(k);
        const std::array<double, 3> r = RodriguesFromRotation(c.rotation);
        out += CvMatrix("R_" + name, 3, 1, r.data());
        out += CvMatrix("Rot_" + name, 3, 3, c.rotation.data());
        out += CvMatrix("T_" + name, 3, 1, c.translation.data());
    }
    if (rig.up)
        out += CvMatrix("up", 3, 1, rig.up->data());
    if (rig.room)
        out += CvMatrix("room_m", 3, 1, rig.room->data());
    return out;
}

std::optional<std::string> CalibrationExportRefusal(const std::string& path, const CCameraSet& cameras, uint32_t count)
{
    const std::string name = PrintableText(path);
    const std::string extension = std::filesystem::path(path).extension().string();
    for (const AsBuiltCamera& camera : CalibrationOfCameraSet(cameras, count).cameras)
        if (camera.width < 1 || camera.height < 1)
            return name + ": camera \"" + PrintableText(camera.name) + "\" has no sensor pixels";
    if (extension == ".toml")
        return std::nullopt;
    if (extension == ".yml" || extension == ".yaml") {
        if (!OpenCvPartnerFile(path) || IsOpenCvIntrinsicsFile(path))
            return name + ": name the extrinsics file, with \"extri\" in its name (extri.yml): its partner, "
                          "intri.yml, gets the intrinsics";
        return std::nullopt;
    }
    return name + ": the calibration is written as .toml (Anipose family) or .yml (an OpenCV pair)";
}

SaveResult ExportCalibration(const std::string& path, const CCameraSet& cameras, uint32_t count,
                             const std::optional<std::array<double, 3>>& room)
{
    if (const auto refusal = CalibrationExportRefusal(path, cameras, count))
        return {false, *refusal};
    const std::string name = PrintableText(path);
    const std::string extension = std::filesystem::path(path).extension().string();
    const AsBuiltRig rig = CalibrationOfCameraSet(cameras, count, room);
    if (extension == ".toml") {
        AtomicFile file(path);
        if (!file.Open() || !file.Write(AniposeCalibrationText(rig)) || !file.Commit())
            return {false, name + ": " + file.Failure()};
        return {true, {}};
    }
    AtomicFilePair pair(*OpenCvPartnerFile(path), path);
    if (!pair.Open() || !pair.Write(OpenCvIntrinsicsText(rig), OpenCvExtrinsicsText(rig)) || !pair.Commit())
        return {false, pair.Failure()};
    return {true, {}};
}
