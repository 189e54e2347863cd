#pragma once

// Calibration files written from their formats' descriptions, for cameras
// whose poses the tests choose.
#include "cameras/asbuilt/AsBuiltCalibration.h"

#include <Eigen/Geometry>

#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

struct PosedCamera {
    std::string name;
    std::array<double, 3> centre;   // world, metres
    std::array<double, 9> rotation; // world to camera
    int width = 1280, height = 1024;
    double fx = 1600, fy = 1590, cx = 640.5, cy = 511.5;
    std::array<double, 3> Translation(double unitsPerMetre = 1.0) const
    {
        std::array<double, 3> t{};
        for (int r = 0; r < 3; ++r)
            t[r] = -(rotation[3 * r] * centre[0] + rotation[3 * r + 1] * centre[1] + rotation[3 * r + 2] * centre[2]) *
                   unitsPerMetre;
        return t;
    }
};

inline std::array<double, 3> Cross3(const std::array<double, 3>& a, const std::array<double, 3>& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

inline std::array<double, 3> Unit3(std::array<double, 3> v)
{
    const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return {v[0] / n, v[1] / n, v[2] / n};
}

// A camera at `centre` looking at `target`, its image up as near `up` as the aim allows.
inline PosedCamera LookingAt(const std::string& name, std::array<double, 3> centre, std::array<double, 3> target,
                             std::array<double, 3> up)
{
    const auto z = Unit3({target[0] - centre[0], target[1] - centre[1], target[2] - centre[2]});
    const auto x = Unit3(Cross3({-up[0], -up[1], -up[2]}, z));
    const auto y = Cross3(z, x);
    PosedCamera c;
    c.name = name;
    c.centre = centre;
    c.rotation = {x[0], x[1], x[2], y[0], y[1], y[2], z[0], z[1], z[2]};
    return c;
}

// Three cameras of a studio whose world has z up, high on its walls.
inline std::vector<PosedCamera> StudioZUp()
{
    return {LookingAt("cam_2", {0.2, 0.3, 2.8}, {3, 2, 1}, {0, 0, 1}),
            LookingAt("cam_10", {6.1, 0.4, 2.7}, {3, 2, 0.5}, {0, 0, 1}),
            LookingAt("cam_1", {3.3, 4.6, 2.9}, {3, 2, 1.2}, {0, 0, 1})};
}

inline std::string Num(double v)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

inline std::string TomlRow(const double* v, int n)
{
    std::string out = "[";
    for (int k = 0; k < n; ++k)
        out += (k ? ", " : " ") + Num(v[k]);
    return out + " ]";
}

inline std::string TomlMatrix(const PosedCamera& c)
{
    const double k[9] = {c.fx, 0, c.cx, 0, c.fy, c.cy, 0, 0, 1};
    return "[ " + TomlRow(k, 3) + ", " + TomlRow(k + 3, 3) + ", " + TomlRow(k + 6, 3) + " ]";
}

// Anipose: Rodrigues rotations, written as columns when asked.
inline std::string AniposeText(const std::vector<PosedCamera>& cameras, bool columns, double unitsPerMetre = 1.0)
{
    std::string out = "[metadata]\nadjusted = false\nerror = 0.25\n\n";
    for (const PosedCamera& c : cameras) {
        const auto r = RodriguesFromRotation(c.rotation);
        const auto t = c.Translation(unitsPerMetre);
        out += "[" + c.name + "]\nname = \"" + c.name + "\"\nsize = [ " + std::to_string(c.width) + ", " +
               std::to_string(c.height) + ",]\nmatrix = " + TomlMatrix(c) +
               "\ndistortions = [ -0.21, 0.05, 0.001, -0.002, 0.0,]\n";
        out += columns ? "rotation = [ [" + Num(r[0]) + "], [" + Num(r[1]) + "], [" + Num(r[2]) + "] ]\n"
                       : "rotation = " + TomlRow(r.data(), 3) + "\n";
        out += "translation = " + TomlRow(t.data(), 3) + "\nfisheye = false\nsomething_else = \"kept out\"\n\n";
    }
    return out;
}

// Caliscope: [cameras.N], rotation as a Rodrigues vector or a 3 x 3 matrix.
inline std::string CaliscopeText(const std::vector<PosedCamera>& cameras, bool matrices)
{
    std::string out;
    for (size_t n = 0; n < cameras.size(); ++n) {
        const PosedCamera& c = cameras[n];
        const auto r = RodriguesFromRotation(c.rotation);
        const auto t = c.Translation();
        out += "[cameras." + std::to_string(n) + "]\nport = " + std::to_string(n) + "\nsize = [ " +
               std::to_string(c.width) + ", " + std::to_string(c.height) + ",]\nrotation_count = 0\nerror = 0.3\n" +
               "matrix = " + TomlMatrix(c) + "\ndistortions = [ 0.1, -0.02, 0.0, 0.0, 0.0,]\nexposure = -6\n" +
               "grid_count = 12\nignore = false\nverified_resolutions = [ [ 1280, 1024,],]\n";
        out += matrices ? "rotation = [ " + TomlRow(c.rotation.data(), 3) + ", " + TomlRow(c.rotation.data() + 3, 3) +
                              ", " + TomlRow(c.rotation.data() + 6, 3) + " ]\n"
                        : "rotation = " + TomlRow(r.data(), 3) + "\n";
        out += "translation = " + TomlRow(t.data(), 3) + "\n\n";
    }
    return out;
}

inline std::string CvMatrix(const std::string& key, int rows, int cols, const double* v)
{
    std::string out = key + ": !!opencv-matrix\n   rows: " + std::to_string(rows) +
                      "\n   cols: " + std::to_string(cols) + "\n   dt: d\n   data: [";
    for (int k = 0; k < rows * cols; ++k)
        out += (k ? ", " : " ") + Num(v[k]);
    return out + " ]\n";
}

inline std::string CvNames(const std::vector<PosedCamera>& cameras)
{
    std::string out = "names:\n";
    for (const PosedCamera& c : cameras)
        out += "   - \"" + c.name + "\"\n";
    return out;
}

inline std::string OpenCvIntriText(const std::vector<PosedCamera>& cameras, bool withSize = true)
{
    std::string out = "%YAML:1.0\n---\n" + CvNames(cameras);
    for (const PosedCamera& c : cameras) {
        const double k[9] = {c.fx, 0, c.cx, 0, c.fy, c.cy, 0, 0, 1};
        const double d[5] = {-0.2, 0.04, 0, 0, 0};
        out += CvMatrix("K_" + c.name, 3, 3, k) + CvMatrix("dist_" + c.name, 5, 1, d);
        if (withSize)
            out += "H_" + c.name + ": " + std::to_string(c.height) + "\nW_" + c.name + ": " + std::to_string(c.width) +
                   "\n";
    }
    return out;
}

// Rotations as Rodrigues vectors, 3 x 1 (or 1 x 3 when `rows`), or as Rot_ matrices.
inline std::string OpenCvExtriText(const std::vector<PosedCamera>& cameras, bool matrices, bool rows = false,
                                   double unitsPerMetre = 1.0)
{
    std::string out = "%YAML:1.0\n---\n" + CvNames(cameras);
    for (const PosedCamera& c : cameras) {
        const auto r = RodriguesFromRotation(c.rotation);
        const auto t = c.Translation(unitsPerMetre);
        out += matrices ? CvMatrix("Rot_" + c.name, 3, 3, c.rotation.data())
                        : CvMatrix("R_" + c.name, rows ? 1 : 3, rows ? 3 : 1, r.data());
        out += CvMatrix("T_" + c.name, 3, 1, t.data());
    }
    return out;
}

// COLMAP: the quaternion scalar first; one lens per camera.
inline void ColmapTexts(const std::vector<PosedCamera>& cameras, std::string& camerasTxt, std::string& imagesTxt)
{
    camerasTxt = "# Camera list with one line of data per camera:\n#   CAMERA_ID, MODEL, WIDTH, HEIGHT, PARAMS[]\n";
    imagesTxt = "# Image list with two lines of data per image:\n";
    for (size_t n = 0; n < cameras.size(); ++n) {
        const PosedCamera& c = cameras[n];
        camerasTxt += std::to_string(n + 1) + " OPENCV " + std::to_string(c.width) + " " + std::to_string(c.height) +
                      " " + Num(c.fx) + " " + Num(c.fy) + " " + Num(c.cx) + " " + Num(c.cy) + " 0.01 -0.002 0 0\n";
        const Eigen::Quaterniond q(Eigen::Matrix<double, 3, 3, Eigen::RowMajor>(c.rotation.data()));
        const double qw = q.w(), qx = q.x(), qy = q.y(), qz = q.z();
        const auto t = c.Translation();
        imagesTxt += std::to_string(n + 7) + " " + Num(qw) + " " + Num(qx) + " " + Num(qy) + " " + Num(qz) + " " +
                     Num(t[0]) + " " + Num(t[1]) + " " + Num(t[2]) + " " + std::to_string(n + 1) + " " + c.name + "\n" +
                     (n % 2 ? "\n" : "2362.39 248.498 58396 1784.7 268.254 59027\n");
    }
}
