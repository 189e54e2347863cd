// The camera data file: the camera count, then one tab-separated line of ten
// numbers per camera in the user frame, CR LF line ends with an empty line
// after each data line, and an unterminated comment line at the end.
#include "cameras/CameraSet.h"
#include "cameras/NumberText.h"
#include "scene/AtomicFile.h"
#include "scene/SceneSettings.h"

#include <fstream>

namespace
{

constexpr const char* kLineEnd = "\r\n";
constexpr const char* kComment =
    "# camera x position, y position, z position, focal length, fstop number 1/x, sensor frame width, "
    "sensor frame height, camera spin angle, horizontal tilt angle and vertical tilt angle";
constexpr int kColumns = 10;
constexpr const char* kColumnNames[kColumns] = {
    "x position",  "y position",   "z position", "focal length",    "f-stop",
    "frame width", "frame height", "spin",       "horizontal tilt", "vertical tilt",
};
constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";

// A UTF-8 byte-order mark reads as part of the count; it is named instead.
bool StartsWithByteOrderMark(std::istream& in)
{
    char head[3] = {};
    in.read(head, 3);
    const bool mark = in.gcount() == 3 && std::string(head, 3) == kByteOrderMark;
    in.clear();
    in.seekg(0);
    return mark;
}

} // namespace

bool CCameraSet::SaveToFile(const std::string& path) const
{
    const SceneSettings* settings = GetSceneSettings();
    const uint32_t n = settings ? settings->GetCameraCount() : 0;
    // A count the set does not hold (a count set without its rig) would
    // write a file that claims cameras it lacks.
    if (n != m_cameras.size()) {
        m_strFileError = "the rig does not hold the " + std::to_string(n) + " cameras of the scene";
        return false;
    }
    return WriteFile(path);
}

bool CCameraSet::WriteFile(const std::string& path) const
{
    const auto n = static_cast<uint32_t>(m_cameras.size());
    const Vec3d origin = FileOrigin();
    std::string text = std::to_string(n) + kLineEnd + kLineEnd;
    for (uint32_t i = 0; i < n; ++i) {
        const Camera& cam = m_cameras[i];
        // 1 / (1 / N) rounded to float prints the same text as N itself.
        const float fNumber = static_cast<float>(1.0 / GetAperture(static_cast<int>(i)));
        const Vec3d user = ToUser(cam.position, origin);
        const double columns[kColumns] = {
            user.x,         user.y,          user.z,   cam.focalLength, fNumber,
            cam.frameWidth, cam.frameHeight, cam.spin, cam.hTilt,       cam.vTilt,
        };
        for (int c = 0; c < kColumns; ++c) {
            const std::string number = FormatG6(columns[c]);
            float check = 0.0f;
            if (!ParseFloatToken(number, check)) {
                m_strFileError = GetLabel(static_cast<int>(i)) + ": the " + kColumnNames[c] + " is " + number +
                                 ", which is not a finite number";
                return false;
            }
            text += number;
            text += c + 1 < kColumns ? "\t" : kLineEnd;
        }
        text += kLineEnd;
    }
    text += kComment;

    AtomicFile file(path);
    if (file.Open() && file.Write(text) && file.Commit()) {
        m_strFileError.clear();
        return true;
    }
    m_strFileError = path + " cannot be written: " + file.Failure();
    return false;
}

bool CCameraSet::LoadFromFile(const std::string& path)
{
    SceneSettings* settings = GetSceneSettings();
    if (!settings || !ReadFile(path))
        return false;
    settings->SetCameraCount(static_cast<uint32_t>(m_cameras.size()));
    return true;
}

bool CCameraSet::ReadFile(const std::string& path)
{
    m_strFileError = CheckNumberFile(path);
    if (!m_strFileError.empty())
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        m_strFileError = path + " cannot be opened";
        return false;
    }
    if (StartsWithByteOrderMark(in)) {
        m_strFileError = "line 1: the file starts with a byte-order mark; save it as plain text without one";
        return false;
    }
    TokenReader reader(in);

    uint32_t n = 0;
    if (!reader.NextUnsigned(n)) {
        m_strFileError = reader.Failure("a camera count");
        return false;
    }
    if (!IsValidCameraCount(n)) {
        m_strFileError =
            "line 1: the camera count " + std::to_string(n) + " is not from 1 to " + std::to_string(kMaxCameras);
        return false;
    }

    // Read and check the whole rig before anything is replaced: a short or
    // malformed file leaves the current rig and the camera count as they were.
    const Vec3d origin = FileOrigin();
    std::vector<Camera> loaded = NewCameras(n);
    for (uint32_t i = 0; i < n; ++i) {
        float v[kColumns];
        for (int c = 0; c < kColumns; ++c) {
            if (reader.NextFloat(v[c]))
                continue;
            m_strFileError =
                reader.AtEnd()
                    ? "the file ends after " + std::to_string(i) + " of the " + std::to_string(n) +
                          " cameras it announces"
                    : reader.Failure("a number (camera " + std::to_string(i + 1) + ", " + kColumnNames[c] + ")");
            return false;
        }
        Camera& cam = loaded[i];
        cam.position = FromUser({v[0], v[1], v[2]}, origin);
        cam.focalLength = v[3];
        cam.fNumber = v[4];
        cam.frameWidth = v[5];
        cam.frameHeight = v[6];
        cam.spin = v[7];
        cam.hTilt = v[8];
        cam.vTilt = v[9];
        cam.enabled = 1;
        // Derived here so the angles are valid even when the next rebuild
        // runs in test mode, which does not derive them.
        DeriveFieldOfView(cam);
    }

    m_cameras = std::move(loaded);
    m_allocated = true;
    m_strFileError.clear();
    return true;
}
