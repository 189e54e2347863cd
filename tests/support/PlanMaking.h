#pragma once

#include "cameras/CameraSet.h"
#include "project/Plan.h"
#include "project/ProjectFile.h"
#include "scene/SceneSettings.h"
#include "support/DefaultRig.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

// Plans as values, made as the program makes them, for the tests of
// everything that takes a plan.

// The room typed as length x width x height in `unit` ("m" or "ft"), into
// the plan in metres: each side converted to float as the window converts a
// room typed in feet.
inline void SetPlanRoom(Plan& plan, float length, float width, float height, const std::string& unit = "m")
{
    const bool feet = unit == "ft";
    plan.unit = feet ? "ft" : "m";
    plan.length = feet ? length * kMetresPerFoot : length;
    plan.width = feet ? width * kMetresPerFoot : width;
    plan.height = feet ? height * kMetresPerFoot : height;
}

// The default rig of `cameras` in that room, as the program resets it for a
// camera count (the first four at the ceiling corners, the rest at the
// centre), every camera in the active range.
inline Plan DefaultRigPlan(uint32_t cameras, float length = 5.0f, float width = 5.0f, float height = 5.0f,
                           const std::string& unit = "m")
{
    Plan plan;
    SetPlanRoom(plan, length, width, height, unit);
    plan.cameras = PlanCamerasOf(DefaultRig(cameras, plan.length, plan.width, plan.height), cameras);
    plan.firstCamera = 1;
    plan.rangeCount = cameras;
    return plan;
}

// A plan that sets every field the classic window saves: a room typed in
// feet, scale factors, five cameras (one disabled, one of custom pixels, one
// of another type, one moved, turned and of another lens), a partial range,
// other criteria, planning settings and resolution camera.
inline Plan FullPlan()
{
    Plan plan = DefaultRigPlan(5, 40.0f, 30.0f, 12.0f, "ft");
    plan.scaleX = 1.5f;
    plan.scaleZ = 0.75f;
    plan.voxelCm = 12.5f;
    plan.cameras[1].enabled = false;
    SetCustomPixels(plan.cameras[2], 2048, 1088);
    SetCameraType(plan.cameras[3], 2);
    PlanCamera& moved = plan.cameras[4];
    moved.x = 3.3f;
    moved.y = 2.7f;
    moved.z = 1.9f;
    moved.focalLength = 12.5f;
    moved.fNumber = 2.8f;
    moved.spin = 7.5f;
    moved.hTilt = 100.25f;
    moved.vTilt = 30.1f;
    plan.firstCamera = 2;
    plan.rangeCount = 3;
    plan.isoOp = 3;
    plan.isoThreshold = 2;
    plan.resOp1 = 4;
    plan.resBound1 = 0.71f;
    plan.resOp2 = 0;
    plan.resBound2 = 0.75f;
    plan.resolutionCamera = 3;
    plan.planning.markerDiameterMm = 9.5;
    plan.planning.minAngleDeg = 30.0;
    plan.planning.sigmaBoundMm = 0.5;
    return plan;
}

// Plans of every kind the program saves: default rigs of 1 to 20 cameras
// in rooms of odd sizes, some typed in feet, at odd voxel sizes; moved and
// turned cameras of varied lenses, sensors of every type and custom ones,
// calibrated lenses, disabled cameras, partial ranges, every operator,
// other planning settings, obstacles, a placement target and mounts, a
// title block and the window's view. Each passes CheckPlan.
inline std::vector<Plan> VariedPlans()
{
    std::vector<Plan> plans;
    for (uint32_t k = 0; k < 24; ++k) {
        const uint32_t n = 1 + k % 20;
        const bool feet = k % 3 == 1;
        const float length = (feet ? 11.3f : 3.7f) + 0.61f * static_cast<float>(k % 7);
        const float width = (feet ? 9.7f : 2.3f) + 0.37f * static_cast<float>(k % 5);
        const float height = (feet ? 8.3f : 2.45f) + 0.13f * static_cast<float>(k % 4);
        Plan plan = DefaultRigPlan(n, length, width, height, feet ? "ft" : "m");
        const float voxels[] = {20.0f, 17.5f, 23.0f, 31.3f, 19.25f};
        plan.voxelCm = voxels[k % 5];
        plan.scaleX = 1.0f + 0.25f * static_cast<float>(k % 3);
        plan.scaleY = 0.8f + 0.1f * static_cast<float>(k % 2);
        for (uint32_t c = 0; c < n; ++c) {
            PlanCamera& camera = plan.cameras[c];
            const auto f = static_cast<float>(c + k);
            // Cameras past the corners leave the room's centre for odd places.
            if (c >= 4) {
                camera.x = static_cast<float>(0.37f + std::fmod(0.53f * f, plan.length - 0.5f));
                camera.y = static_cast<float>(0.21f + std::fmod(0.29f * f, plan.height - 0.3f));
                camera.z = static_cast<float>(0.11f + std::fmod(0.47f * f, plan.width - 0.2f));
                camera.hTilt = 13.7f * f;
                camera.vTilt = -40.0f + 7.3f * static_cast<float>(c % 11);
                camera.spin = -20.0f + 5.1f * static_cast<float>(c % 9);
            }
            camera.focalLength = 4.5f + 2.5f * static_cast<float>((c + k) % 5);
            camera.fNumber = 1.4f + 0.3f * static_cast<float>(c % 4);
            camera.frameWidth = 5.6f + 0.7f * static_cast<float>(k % 3);
            camera.frameHeight = 4.2f + 0.35f * static_cast<float>(c % 3);
            camera.enabled = (c + k) % 4 != 1;
            if ((c + k) % 5 == 3)
                SetCustomPixels(camera, 1280 + 16 * static_cast<int>(k), 1024 - 8 * static_cast<int>(c));
            else
                SetCameraType(camera, static_cast<int>((c + k) % kCameraTypeCount));
            if (k % 6 == 5 && c == 0)
                camera.lens = CalibratedLens{640.25 + k, 512.5, {-0.125, 0.0625, 0.001}};
        }
        plan.firstCamera = 1 + (k % 3 == 0 ? 0 : k % n);
        plan.rangeCount = n - (plan.firstCamera - 1) - (k % 4 == 2 && n - plan.firstCamera >= 1 ? 1 : 0);
        plan.isoOp = k % 6;
        plan.isoThreshold = std::min<uint32_t>(1 + k % 4, RangeEnd(plan));
        plan.resOp1 = (k + 3) % 6;
        plan.resBound1 = 0.6f + 0.013f * static_cast<float>(k);
        plan.resOp2 = (k + 1) % 6;
        plan.resBound2 = 0.85f + 0.011f * static_cast<float>(k);
        plan.resolutionCamera = 1 + (k * 7) % n;
        plan.planning.markerDiameterMm = 10.0 + 0.5 * k;
        plan.planning.minImagePx = 2.0 + 0.25 * (k % 5);
        plan.planning.minAngleDeg = 25.0 + k;
        plan.planning.maxAngleDeg = 150.0 - k;
        plan.planning.pixelNoisePx = 0.25 + 0.125 * (k % 3);
        plan.planning.sigmaBoundMm = 0.75 + 0.25 * (k % 4);
        if (k % 4 == 3) {
            plan.obstacles.boxes.push_back({"crate", {0.5, 0.0, 0.5}, {1.25, 0.75, 1.5}});
            plan.obstacles.boxes.push_back({"pillar", {plan.length - 1.0, 0.0, 0.25}, {plan.length - 0.5, 2.0, 0.75}});
        }
        if (k % 5 == 4) {
            plan.placement.target.push_back({{0.5, 0.0, 0.5}, {plan.length - 0.5, 1.5, plan.width - 0.5}, 1.0});
            MountSurfaces mounts;
            mounts.walls = {true, false, true, true};
            mounts.wallBand = std::array<double, 2>{1.5, 2.25};
            plan.placement.mounts = mounts;
        }
        if (k % 7 == 6)
            plan.report = {"Stage " + std::to_string(k), "Client", "Hall B", "A. Planner", "2026-12-09"};
        if (k % 8 == 7) {
            plan.plannerView = true;
            ProjectWindowState window;
            window.display = WindowDisplay::Quality;
            window.yawDeg = 12.5f;
            window.zoom = -0.75f;
            plan.window = window;
        }
        plans.push_back(std::move(plan));
    }
    return plans;
}
