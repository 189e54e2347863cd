#include "cli/Commands.h"
#include "cli/RigOptions.h"

#include "cameras/CameraSet.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <memory>

namespace {

void PrintRig(const CCameraSet& cameras, const SceneSettings& settings)
{
    std::printf("Room %.2f x %.2f x %.2f m (length x width x height), %u cameras, active range %u to %u, "
                "%u enabled in range\n",
                settings.GetRoomLength(), settings.GetRoomWidth(), settings.GetRoomHeight(), settings.GetCameraCount(),
                settings.GetFirstCamera() + 1, settings.GetEndCamera(), cameras.CountEnabledInRange());
    std::printf("Positions in metres from room corner (X along the length, Y above the floor, Z across the width); "
                "lens and sensor in mm; angles in degrees.\n");
    std::printf("%4s  %-12s %-3s %8s %8s %8s %7s %7s %8s %8s %7s %7s %7s %7s %7s\n", "No", "Label", "On", "X", "Y",
                "Z", "Focal", "F-stop", "Sensor W", "Sensor H", "Spin", "H-tilt", "V-tilt", "H-FOV", "V-FOV");
    for (uint32_t n = 0; n < settings.GetCameraCount(); ++n) {
        const int i = static_cast<int>(n);
        const Vec3d user = cameras.ToUser(cameras.GetPosition(i));
        std::printf("%4u  %-12s %-3s %8.2f %8.2f %8.2f %7.2f %7g %8.4f %8.4f %7.2f %7.2f %7.2f %7.2f %7.2f\n", n + 1,
                    cameras.GetLabel(i).c_str(), cameras.GetEnabled(i) == 1 ? "yes" : "no", user.x, user.y, user.z,
                    cameras.GetFocalLength(i), 1.0 / cameras.GetAperture(i), cameras.GetFrameWidth(i),
                    cameras.GetFrameHeight(i), cameras.GetSpin(i), cameras.GetHTilt(i), cameras.GetVTilt(i),
                    cameras.GetHFov(i), cameras.GetVFov(i));
    }
}

} // namespace

void AddRigCommand(CLI::App& app)
{
    CLI::App* command = app.add_subcommand("rig", "Print the camera rig as a table, or save it as a camera data file");
    auto options = std::make_shared<RigOptions>();
    auto savePath = std::make_shared<std::string>();
    AddRigOptions(*command, *options);
    command->add_option("--save", *savePath, "write the rig to this camera data file")->type_name("FILE");

    command->callback([options, savePath]() {
        CRoomBox room;
        const RigSceneResult scene = BuildRigScene(*options, room);
        if (!scene.ok) {
            std::cerr << scene.error << '\n';
            throw CLI::RuntimeError(1);
        }
        const CCameraSet& cameras = *CCameraSet::Current();
        if (!savePath->empty() && !cameras.SaveToFile(*savePath)) {
            std::cerr << "Unable to Create File: " << *savePath << '\n';
            DestroyRigScene();
            throw CLI::RuntimeError(1);
        }
        PrintRig(cameras, *GetSceneSettings());
        DestroyRigScene();
    });
}
