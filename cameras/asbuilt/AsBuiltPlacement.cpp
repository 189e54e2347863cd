#include "cameras/asbuilt/AsBuiltPlacement.h"

#include "cameras/CameraSet.h"
#include "cameras/asbuilt/AimAngles.h"
#include "project/ProjectFile.h"
#include "scene/PrintableText.h"

#include <Eigen/Geometry>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

namespace
{

Eigen::Vector3d ToEigen(const std::array<double, 3>& v)
{
    return {v[0], v[1], v[2]};
}
Vec3d ToVec(const Eigen::Vector3d& v)
{
    return {v.x(), v.y(), v.z()};
}

// The turn of the world that brings `up` onto +Y.
Eigen::Matrix3d TurnUpToY(const Eigen::Vector3d& up)
{
    const Eigen::Vector3d u = up.normalized();
    if (u.dot(Eigen::Vector3d::UnitY()) < -1.0 + 1e-12)
        return Eigen::AngleAxisd(std::numbers::pi, Eigen::Vector3d::UnitX()).toRotationMatrix();
    return Eigen::Quaterniond::FromTwoVectors(u, Eigen::Vector3d::UnitY()).toRotationMatrix();
}

std::string Vector3Text(const Eigen::Vector3d& v)
{
    char text[96];
    std::snprintf(text, sizeof text, "(%.4f, %.4f, %.4f)", v.x(), v.y(), v.z());
    return text;
}

// Focal length and frame in mm at the pitch: the frame's fields of view are
// those of the matrix and the image (the equidistant angles of a fisheye).
struct Lens {
    double focal, frameWidth, frameHeight;
    bool capped = false;
};

Lens LensOf(const AsBuiltCamera& camera, double pitch)
{
    Lens lens{camera.fx * pitch, camera.width * pitch, camera.height * pitch * camera.fx / camera.fy};
    if (camera.fisheye) {
        // A pinhole frame cannot reach 180 degrees: the half angles stop short of a right angle.
        constexpr double kMaxHalf = 85.0 * std::numbers::pi / 180.0;
        double halfH = 0.5 * camera.width / camera.fx, halfV = 0.5 * camera.height / camera.fy;
        lens.capped = halfH > kMaxHalf || halfV > kMaxHalf;
        halfH = std::min(halfH, kMaxHalf);
        halfV = std::min(halfV, kMaxHalf);
        lens.frameWidth = 2.0 * lens.focal * std::tan(halfH);
        lens.frameHeight = 2.0 * lens.focal * std::tan(halfV);
    }
    return lens;
}

} // namespace

AsBuiltPlanResult PlanAsBuilt(const AsBuiltRig& rig, const AsBuiltPlacementOptions& options)
{
    if (rig.cameras.empty())
        return {std::nullopt, "the calibration has no camera"};
    if (!IsValidCameraCount(static_cast<long long>(rig.cameras.size())))
        return {std::nullopt, "the calibration has " + std::to_string(rig.cameras.size()) +
                                  " cameras; a rig has at most " + std::to_string(kMaxCameras)};
    AsBuiltPlan plan;
    plan.notes = rig.notes;

    Eigen::Vector3d up;
    if (options.up) {
        up = ToEigen(*options.up);
    } else if (rig.up) {
        up = ToEigen(*rig.up);
        plan.notes.push_back("vertical: " + Vector3Text(up) + ", as the file records it");
    } else {
        up = Eigen::Vector3d::Zero();
        for (const AsBuiltCamera& camera : rig.cameras)
            up += ToEigen(CameraImageUp(camera));
        if (up.norm() < 1e-3 * static_cast<double>(rig.cameras.size()))
            return {std::nullopt, "the cameras' image-up directions cancel out: give the vertical with --as-built-up"};
        up.normalize();
        // How far the vertical found leans from the nearest axis of the file's world.
        const double lean = std::acos(std::clamp(up.cwiseAbs().maxCoeff(), -1.0, 1.0)) * 180.0 / std::numbers::pi;
        char text[64];
        std::snprintf(text, sizeof text, ", %.1f degrees from the nearest axis", lean);
        plan.notes.push_back("vertical: the cameras' mean image up, " + Vector3Text(up) + " in the file's frame" +
                             text);
    }
    // The world is right-handed, as is the scene frame the view draws: the
    // turn takes the world into the scene frame, whose z the user frame runs against.
    const Eigen::Matrix3d turn = TurnUpToY(up);
    const Eigen::Matrix3d toUser = Eigen::Vector3d(1, 1, -1).asDiagonal() * turn;

    std::vector<Eigen::Vector3d> centres;
    for (const AsBuiltCamera& camera : rig.cameras)
        centres.emplace_back(toUser * ToEigen(CameraCentre(camera)));
    Eigen::Vector3d shift = Eigen::Vector3d::Zero();
    const std::optional<std::array<double, 3>>& room = options.room ? options.room : rig.room;
    if (room) {
        plan.room = *room;
        if (!options.room)
            plan.notes.push_back("room: as the file records it, its corner the origin");
    } else {
        Eigen::Vector3d low = centres.front(), high = centres.front();
        for (const Eigen::Vector3d& c : centres) {
            low = low.cwiseMin(c);
            high = high.cwiseMax(c);
        }
        shift = Eigen::Vector3d::Constant(kAsBuiltRoomMarginM) - low;
        const Eigen::Vector3d size = high - low + Eigen::Vector3d::Constant(2.0 * kAsBuiltRoomMarginM);
        // Length along X, width along Z, height along Y.
        plan.room = {size.x(), size.z(), size.y()};
        char text[128];
        std::snprintf(text, sizeof text, "room: %.3f x %.3f x %.3f m, the cameras' box with a %.1f m margin",
                      plan.room[0], plan.room[1], plan.room[2], kAsBuiltRoomMarginM);
        plan.notes.emplace_back(text);
    }
    for (const double side : plan.room)
        if (!(side <= kMaxRoomMetres))
            return {std::nullopt, "the cameras span a room larger than " +
                                      std::to_string(static_cast<int>(kMaxRoomMetres)) +
                                      " m: are the translations in millimetres (--as-built-units mm)?"};

    for (size_t k = 0; k < rig.cameras.size(); ++k) {
        const AsBuiltCamera& camera = rig.cameras[k];
        const Eigen::Vector3d user = centres[k] + shift;
        // The sensor's up, -y: the frame's width lies along the sensor's x.
        const Eigen::Matrix3d r =
            Eigen::Map<const Eigen::Matrix<double, 3, 3, Eigen::RowMajor>>(camera.rotation.data());
        const Eigen::Vector3d axis = turn * r.transpose() * Eigen::Vector3d(0, 0, 1);
        const Eigen::Vector3d sensorUp = turn * r.transpose() * Eigen::Vector3d(0, -1, 0);
        const AimAngles aim = AimAnglesFromAxes(ToVec(axis), ToVec(sensorUp));
        const Lens lens = LensOf(camera, options.pixelPitchMm);
        AsBuiltPlacedCamera placed;
        placed.label = camera.name;
        placed.user = ToVec(user);
        placed.focalLength = static_cast<float>(lens.focal);
        placed.frameWidth = static_cast<float>(lens.frameWidth);
        placed.frameHeight = static_cast<float>(lens.frameHeight);
        placed.hTilt = static_cast<float>(aim.hTilt);
        placed.vTilt = static_cast<float>(aim.vTilt);
        placed.spin = static_cast<float>(aim.spin);
        placed.pixelsX = camera.width;
        placed.pixelsY = camera.height;
        placed.lens = {camera.cx, camera.cy, camera.distortion};
        if (!(placed.focalLength > 0.0f) || !std::isfinite(placed.focalLength) || !(placed.frameWidth > 0.0f) ||
            !std::isfinite(placed.frameWidth) || !(placed.frameHeight > 0.0f) || !std::isfinite(placed.frameHeight))
            return {std::nullopt, "camera \"" + PrintableText(camera.name) +
                                      "\": its matrix and image give no lens the plan can hold"};
        if (lens.capped)
            plan.notes.push_back("camera \"" + PrintableText(camera.name) +
                                 "\": fisheye field of view held at 170 degrees");
        if (room) {
            // A camera on a wall is in the room, the rounding of its pose aside.
            constexpr double kSlack = 1e-6;
            const bool inside = user.x() >= -kSlack && user.y() >= -kSlack && user.z() >= -kSlack &&
                                user.x() <= plan.room[0] + kSlack && user.y() <= plan.room[2] + kSlack &&
                                user.z() <= plan.room[1] + kSlack;
            if (!inside)
                plan.notes.push_back("camera \"" + PrintableText(camera.name) + "\" is outside the room");
        }
        plan.cameras.push_back(std::move(placed));
    }
    return {std::move(plan), {}};
}

void ApplyAsBuiltPlan(const AsBuiltPlan& plan, CCameraSet& cameras)
{
    for (size_t k = 0; k < plan.cameras.size(); ++k) {
        const AsBuiltPlacedCamera& placed = plan.cameras[k];
        const int i = static_cast<int>(k);
        cameras.SetLabel(i, placed.label);
        cameras.SetFilePosition(i, placed.user);
        cameras.SetFocalLength(i, placed.focalLength);
        cameras.SetFrameWidth(i, placed.frameWidth);
        cameras.SetFrameHeight(i, placed.frameHeight);
        cameras.SetHTilt(i, placed.hTilt);
        cameras.SetVTilt(i, placed.vTilt);
        cameras.SetSpin(i, placed.spin);
        cameras.SetCustomPixels(i, placed.pixelsX, placed.pixelsY);
        cameras.SetCalibratedLens(i, placed.lens);
    }
    cameras.RecomputeFieldOfView();
}
