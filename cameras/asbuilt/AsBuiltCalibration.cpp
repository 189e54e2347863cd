#include "cameras/asbuilt/AsBuiltCalibration.h"

#include "scene/PrintableText.h"

#include <Eigen/Geometry>
#include <Eigen/SVD>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace
{

using Matrix3 = Eigen::Matrix<double, 3, 3, Eigen::RowMajor>;

Matrix3 ToMatrix(const std::array<double, 9>& m)
{
    return Eigen::Map<const Matrix3>(m.data());
}

std::array<double, 9> FromMatrix(const Matrix3& m)
{
    std::array<double, 9> out{};
    Eigen::Map<Matrix3>(out.data()) = m;
    return out;
}

std::array<double, 3> FromVector(const Eigen::Vector3d& v)
{
    return {v.x(), v.y(), v.z()};
}

bool Finite(double v)
{
    return std::isfinite(v);
}

} // namespace

std::string CalibrationFileName(const std::string& path)
{
    return PrintableText(path);
}

std::optional<std::string> SpecialFileKind(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status link = fs::symlink_status(path, ec);
    if (ec || !fs::exists(link))
        return std::nullopt;
    const fs::file_status target = fs::status(path, ec);
    if (!ec && fs::is_regular_file(target))
        return std::nullopt;
    std::string kind;
    if (ec || !fs::exists(target))
        kind = "which is not there";
    else if (fs::is_fifo(target))
        kind = "a named pipe (FIFO)";
    else if (fs::is_character_file(target) || fs::is_block_file(target))
        kind = "a device";
    else if (fs::is_socket(target))
        kind = "a socket";
    else if (fs::is_directory(target))
        kind = "a folder";
    else
        kind = "no regular file";
    if (!fs::is_symlink(link))
        return kind;
    const fs::path to = fs::read_symlink(path, ec);
    return "a link to " + (ec ? std::string("a path it cannot name") : PrintableText(to.string())) + ", " + kind;
}

std::optional<std::string> CheckCalibrationSize(const std::string& path, size_t bytes, size_t cameras)
{
    const size_t need = kCalibrationBaseBytes + std::max<size_t>(cameras, 1) * kCalibrationBytesPerCamera;
    if (bytes <= need)
        return std::nullopt;
    return CalibrationFileName(path) + ": " + std::to_string(bytes) + " bytes for " + std::to_string(cameras) +
           (cameras == 1 ? " camera" : " cameras") + ", more than a calibration of that many needs (" +
           std::to_string(need) + " bytes)";
}

CalibrationFileText ReadCalibrationFile(const std::string& path)
{
    const std::string name = CalibrationFileName(path);
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (const auto kind = SpecialFileKind(path))
        return {std::nullopt, name + ": " + *kind + ", not a regular file"};
    if (ec || !std::filesystem::exists(status))
        return {std::nullopt, name + ": the file is not there"};
    if (!std::filesystem::is_regular_file(status))
        return {std::nullopt, name + ": not a regular file"};
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec)
        return {std::nullopt, name + ": cannot be read: " + ec.message()};
    if (size > kLargestCalibrationFileBytes)
        return {std::nullopt, name + " is too large for a calibration file: more than 16 MiB"};
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {std::nullopt, name + ": cannot be read"};
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad() || text.size() > kLargestCalibrationFileBytes)
        return {std::nullopt, name + ": cannot be read"};
    // The TOML parser reads past its buffer on such bytes; no calibration holds them.
    if (const std::optional<size_t> at = FirstNonTextByte(text)) {
        const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(*at), '\n');
        return {std::nullopt, name + ": line " + std::to_string(line) +
                                  ": not text (a control character or a byte that is not UTF-8)"};
    }
    return {std::move(text), {}};
}

std::optional<std::array<double, 9>> RotationFromRodrigues(const std::array<double, 3>& r)
{
    const Eigen::Vector3d v(r[0], r[1], r[2]);
    const double angle = v.norm();
    if (!Finite(angle))
        return std::nullopt;
    if (angle == 0.0)
        return FromMatrix(Matrix3::Identity());
    const std::array<double, 9> rotation = FromMatrix(Eigen::AngleAxisd(angle, v / angle).toRotationMatrix());
    if (!std::all_of(rotation.begin(), rotation.end(), Finite))
        return std::nullopt;
    return rotation;
}

std::array<double, 3> RodriguesFromRotation(const std::array<double, 9>& rotation)
{
    const Eigen::AngleAxisd turn(ToMatrix(rotation));
    return FromVector(turn.axis() * turn.angle());
}

std::optional<std::array<double, 9>> RotationFromQuaternion(double w, double x, double y, double z)
{
    if (!Finite(w) || !Finite(x) || !Finite(y) || !Finite(z))
        return std::nullopt;
    Eigen::Quaterniond q(w, x, y, z);
    const double norm = q.coeffs().stableNorm();
    if (!(norm > 1e-12) || !Finite(norm))
        return std::nullopt;
    q.coeffs() /= norm;
    return FromMatrix(q.toRotationMatrix());
}

std::optional<std::array<double, 9>> CheckedRotation(const std::array<double, 9>& matrix)
{
    for (const double v : matrix)
        if (!Finite(v))
            return std::nullopt;
    const Matrix3 m = ToMatrix(matrix);
    // Files write six digits or so: a matrix that far from orthonormal is still meant as one.
    if ((m * m.transpose() - Matrix3::Identity()).cwiseAbs().maxCoeff() > 1e-3 || m.determinant() <= 0.0)
        return std::nullopt;
    const Eigen::JacobiSVD<Matrix3> svd(m, Eigen::ComputeFullU | Eigen::ComputeFullV);
    return FromMatrix(svd.matrixU() * svd.matrixV().transpose());
}

std::array<double, 3> CameraCentre(const AsBuiltCamera& camera)
{
    const Eigen::Vector3d t(camera.translation[0], camera.translation[1], camera.translation[2]);
    return FromVector(-(ToMatrix(camera.rotation).transpose() * t));
}

std::array<double, 3> CameraAxis(const AsBuiltCamera& camera)
{
    return FromVector(ToMatrix(camera.rotation).transpose() * Eigen::Vector3d(0, 0, 1));
}

std::array<double, 3> CameraImageUp(const AsBuiltCamera& camera)
{
    // Shown turned clockwise by a quarter, the sensor's left edge is at the top.
    static const Eigen::Vector3d kUp[4] = {{0, -1, 0}, {-1, 0, 0}, {0, 1, 0}, {1, 0, 0}};
    const int turn = ((camera.quarterTurns % 4) + 4) % 4;
    return FromVector(ToMatrix(camera.rotation).transpose() * kUp[turn]);
}

std::optional<std::string> CheckRecordedWorld(const std::string& where, const std::string& key,
                                              const std::vector<double>& values)
{
    const bool three = values.size() == 3 && std::all_of(values.begin(), values.end(), [](double v) {
                           return std::isfinite(v) && std::abs(v) <= 1e6;
                       });
    if (key == "up") {
        if (!three || (values[0] == 0.0 && values[1] == 0.0 && values[2] == 0.0))
            return where + ": up: needs three numbers, not all 0";
        return std::nullopt;
    }
    if (!three || !(values[0] > 0.0 && values[1] > 0.0 && values[2] > 0.0))
        return where + ": " + key + ": needs the length, width and height, each above 0";
    return std::nullopt;
}

std::optional<std::string> CheckIntrinsics(const AsBuiltCamera& camera, const std::string& where,
                                           const IntrinsicKeys& keys)
{
    if (camera.width < 1 || camera.height < 1)
        return where + ": " + keys.size + ": the image needs a width and a height of at least 1 pixel";
    if (!Finite(camera.fx) || !(camera.fx > 0.0))
        return where + ": " + keys.matrix + ": the focal length fx must be a number above 0";
    if (!Finite(camera.fy) || !(camera.fy > 0.0))
        return where + ": " + keys.matrix + ": the focal length fy must be a number above 0";
    if (!Finite(camera.cx) || !Finite(camera.cy))
        return where + ": " + keys.matrix + ": the principal point must be two numbers";
    if (camera.distortion.size() > kMaxDistortionTerms)
        return where + ": " + keys.distortion + ": " + std::to_string(camera.distortion.size()) +
               " coefficients; a lens model has at most " + std::to_string(kMaxDistortionTerms);
    for (const double d : camera.distortion)
        if (!Finite(d))
            return where + ": " + keys.distortion + ": every coefficient must be a number";
    return std::nullopt;
}

std::optional<std::string> CheckPose(const AsBuiltCamera& camera, const std::string& where,
                                     const std::string& rotationKey, const std::string& translationKey)
{
    if (!std::all_of(camera.rotation.begin(), camera.rotation.end(), Finite))
        return where + ": " + rotationKey + ": the rotation is not finite";
    if (!std::all_of(camera.translation.begin(), camera.translation.end(), Finite))
        return where + ": " + translationKey + ": the translation is not finite";
    const std::array<double, 3> centre = CameraCentre(camera);
    if (!std::all_of(centre.begin(), centre.end(), Finite))
        return where + ": " + rotationKey + ", " + translationKey + ": the camera's centre is not finite";
    return std::nullopt;
}
