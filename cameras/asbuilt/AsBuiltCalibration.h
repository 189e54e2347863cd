#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One camera of a calibrated rig as its file describes it: world to camera,
// X_c = R X_w + t, the camera's x to the right of the image, y down, z forward.
struct AsBuiltCamera {
    std::string name;
    int width = 0; // image pixels
    int height = 0;
    double fx = 0.0, fy = 0.0, cx = 0.0, cy = 0.0; // pixels
    std::vector<double> distortion;                // as the file lists them
    bool fisheye = false;
    // Quarter turns the images are shown turned by, clockwise: up on the
    // screen is then another edge of the sensor.
    int quarterTurns = 0;
    std::array<double, 9> rotation{1, 0, 0, 0, 1, 0, 0, 0, 1}; // R, row by row
    std::array<double, 3> translation{};                       // t, metres
};

struct AsBuiltRig {
    std::vector<AsBuiltCamera> cameras;
    // What the file records of its world, when it does (the program's own
    // export writes both): the direction that is up, and the room whose
    // corner is the origin, length, width and height in metres.
    std::optional<std::array<double, 3>> up;
    std::optional<std::array<double, 3>> room;
    // What a reader passed over or assumed (a skipped camera, the order kept).
    std::vector<std::string> notes;
};

// All or nothing: a rig with at least one camera, or why not, naming the
// file, the camera and the key.
struct AsBuiltReadResult {
    std::optional<AsBuiltRig> rig;
    std::string error;
};

// Calibration files are a few kilobytes a camera; far larger is not one.
inline constexpr std::uintmax_t kLargestCalibrationFileBytes = 16ull << 20;
// Lists and tables nested deeper than this are refused before a parser sees
// them: the parsers recurse once a level and a hostile file would overflow the stack.
inline constexpr int kMaxCalibrationNesting = 64;
// What a rig's file can need, checked by a scan of the text before a parser
// builds anything: the parsers' time grows with the square of a list's
// length and of the table count, their memory to a hundred times the text.
// A camera takes under a kilobyte written with every digit; the rest is
// room for comments and keys a reader passes over.
inline constexpr size_t kMaxCalibrationListItems = 256;
inline constexpr size_t kCalibrationBytesPerCamera = 3072;
inline constexpr size_t kCalibrationBaseBytes = 64 * 1024;
// The longest distortion model in use (OpenCV's rational, thin-prism and tilted terms) has 14.
inline constexpr size_t kMaxDistortionTerms = 16;

struct CalibrationFileText {
    std::optional<std::string> text;
    std::string error;
};
// The whole file, or a message starting with its path (missing, not a
// regular file, unreadable, above kLargestCalibrationFileBytes).
CalibrationFileText ReadCalibrationFile(const std::string& path);

// Why the path, there but no regular file, cannot be read: "a named pipe
// (FIFO)", "a link to /dev/zero, a device"; nullopt for a regular file or
// a path that is not there.
std::optional<std::string> SpecialFileKind(const std::string& path);

// Refuses a text longer than `cameras` cameras can need (the count a scan of
// the text found), naming the file.
std::optional<std::string> CheckCalibrationSize(const std::string& path, size_t bytes, size_t cameras);

// The file's name as messages quote it.
std::string CalibrationFileName(const std::string& path);

// A rotation from its Rodrigues vector (axis times angle in radians);
// nullopt when the vector's length is no finite number (a component past
// about 1e154 squares to infinity).
std::optional<std::array<double, 9>> RotationFromRodrigues(const std::array<double, 3>& r);
std::array<double, 3> RodriguesFromRotation(const std::array<double, 9>& rotation);
// A rotation from a quaternion, scalar first; nullopt for one of length 0.
// Its length is taken without squaring the components, so any finite ones do.
std::optional<std::array<double, 9>> RotationFromQuaternion(double w, double x, double y, double z);
// A matrix a file gives as a rotation: the nearest rotation when it is one
// to within rounding of the written digits, nullopt when it is no rotation.
std::optional<std::array<double, 9>> CheckedRotation(const std::array<double, 9>& matrix);

// Camera centre in the world, C = -R^T t, and the camera's directions there:
// optical axis R^T (0, 0, 1), image up R^T (0, -1, 0) turned by the quarter turns.
std::array<double, 3> CameraCentre(const AsBuiltCamera& camera);
std::array<double, 3> CameraAxis(const AsBuiltCamera& camera);
std::array<double, 3> CameraImageUp(const AsBuiltCamera& camera);

// A world a file records: its "up" (three numbers, not all 0) or its
// "room_m" (three sides above 0). Why not, starting with `where` and the
// key; nullopt when they can be used.
std::optional<std::string> CheckRecordedWorld(const std::string& where, const std::string& key,
                                              const std::vector<double>& values);

// The keys a format gives the image size, the camera matrix and the distortion under.
struct IntrinsicKeys {
    std::string size;
    std::string matrix;
    std::string distortion;
};
// Why the camera's lens cannot be used (image size, focal lengths, principal
// point, distortion finite and at most kMaxDistortionTerms), naming the key;
// nullopt when it can. `where` starts the message: the file and the camera.
std::optional<std::string> CheckIntrinsics(const AsBuiltCamera& camera, const std::string& where,
                                           const IntrinsicKeys& keys);
// Why the camera's pose cannot be used: a rotation, translation or centre
// that is not finite, naming the key that gave it; nullopt when it can.
std::optional<std::string> CheckPose(const AsBuiltCamera& camera, const std::string& where,
                                     const std::string& rotationKey, const std::string& translationKey);
