#include "cli/AsBuiltOptions.h"
#include "cli/Commands.h"
#include "cli/CoverageOptions.h"
#include "cli/PlanningOptions.h"
#include "cli/RigOptions.h"

#include "cameras/CameraSet.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "document/PlanDocument.h"
#include "project/PlanInput.h"
#include "project/ProjectFile.h"
#include "scene/PrintableText.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <memory>

namespace
{

void PrintRig(const CCameraSet& cameras, const Plan& plan)
{
    std::printf("Room %.2f x %.2f x %.2f m (length x width x height), %u cameras, active range %u to %u, "
                "%u enabled in range\n",
                plan.length, plan.width, plan.height, cameras.GetCount(), plan.firstCamera, RangeEnd(plan),
                cameras.CountEnabledInRange(plan.firstCamera - 1, RangeEnd(plan)));
    std::printf("Positions in metres from room corner (X along the length, Y above the floor, Z across the width); "
                "lens and sensor in mm; angles in degrees.\n");
    std::printf("%4s  %-12s %-3s %8s %8s %8s %7s %7s %8s %8s %7s %7s %7s %7s %7s\n", "No", "Label", "On", "X", "Y", "Z",
                "Focal", "F-stop", "Sensor W", "Sensor H", "Spin", "H-tilt", "V-tilt", "H-FOV", "V-FOV");
    for (uint32_t n = 0; n < cameras.GetCount(); ++n) {
        const int i = static_cast<int>(n);
        const Vec3d user = cameras.ToUser(cameras.GetPosition(i));
        std::printf("%4u  %-12s %-3s %8.2f %8.2f %8.2f %7.2f %7g %8.4f %8.4f %7.2f %7.2f %7.2f %7.2f %7.2f\n", n + 1,
                    PrintableText(cameras.GetLabel(i)).c_str(), cameras.GetEnabled(i) == 1 ? "yes" : "no", user.x,
                    user.y, user.z, cameras.GetFocalLength(i), 1.0 / cameras.GetAperture(i), cameras.GetFrameWidth(i),
                    cameras.GetFrameHeight(i), cameras.GetSpin(i), cameras.GetHTilt(i), cameras.GetVTilt(i),
                    cameras.GetHFov(i), cameras.GetVFov(i));
    }
}

// Below the rig, only when there are obstacles.
void PrintObstacles(const CObstacleSet& obstacles)
{
    if (obstacles.IsEmpty())
        return;
    std::printf("\nobstacle  name          extent (m from the room corner)\n");
    size_t number = 0;
    for (const ObstacleBox& box : obstacles.GetBoxes())
        std::printf("%8zu  %-12s  box  %.3f %.3f %.3f  to  %.3f %.3f %.3f\n", ++number, PrintableText(box.name).c_str(),
                    box.min.x, box.min.y, box.min.z, box.max.x, box.max.y, box.max.z);
    for (const ObstacleMesh& mesh : obstacles.GetMeshes())
        std::printf("%8zu  %-12s  mesh %s  offset %.3f %.3f %.3f  scale %g  (%zu triangles)\n", ++number,
                    PrintableText(mesh.name).c_str(), PrintableText(mesh.file).c_str(), mesh.offset.x, mesh.offset.y,
                    mesh.offset.z, mesh.scale, mesh.mesh ? mesh.mesh->triangles.size() : 0);
}

} // namespace

void AddRigCommand(CLI::App& app, const std::shared_ptr<CRigAsBuilt>& handler)
{
    CLI::App* command =
        app.add_subcommand("rig", "Print the camera rig as a table, or save it as a camera data file or a project");
    auto options = std::make_shared<RigOptions>();
    auto savePath = std::make_shared<std::string>();
    auto projectPath = std::make_shared<std::string>();
    auto coverage = std::make_shared<CoverageOptions>();
    auto planning = std::make_shared<PlanningOptions>();
    auto asBuilt = std::make_shared<AsBuiltOptions>();
    AddRigOptions(*command, *options);
    AddAsBuiltOptions(*command, *asBuilt);
    AddCoverageOptions(*command, *coverage);
    AddPlanningOptions(*command, *planning);
    command->add_option("--save", *savePath, "write the rig to this camera data file")->type_name("FILE");
    command->add_option("--save-project", *projectPath, "write the plan to this project file (.vplan)")
        ->type_name("FILE");

    command->callback([options, savePath, projectPath, coverage, planning, asBuilt, handler]() {
        if (asBuilt->Given() && !handler) {
            std::cerr << "The calibration options are not available here: volume-planner-calibration reads and "
                         "writes calibration files.\n";
            throw CLI::RuntimeError(1);
        }
        // A calibrated rig sets the room and the camera count the scene is built with.
        RigOptions rigOptions = *options;
        if (handler) {
            if (const auto refused = handler->Prepare(*asBuilt, rigOptions)) {
                std::cerr << *refused << '\n';
                throw CLI::RuntimeError(1);
            }
        }
        RigPlanResult built = BuildRigPlan(rigOptions);
        if (!built.plan) {
            std::cerr << built.error << '\n';
            throw CLI::RuntimeError(1);
        }
        Plan plan = std::move(*built.plan);
        if (handler)
            handler->Place(plan);
        // The criteria and planning settings a saved project holds.
        std::optional<std::string> error = ApplyCoverageOptions(*coverage, plan, built.fromProject);
        if (!error)
            error = ApplyPlanningOptions(*planning, plan.planning, plan.cameras);
        if (error) {
            std::cerr << *error << '\n';
            throw CLI::RuntimeError(1);
        }
        CPlanDocument document(std::move(plan));
        const CCameraSet cameras = CameraSetOf(document.GetPlan());
        if (!savePath->empty() && !cameras.WriteFile(*savePath)) {
            std::cerr << "Unable to Create File: " << *savePath << '\n' << cameras.GetFileError() << '\n';
            throw CLI::RuntimeError(1);
        }
        if (!projectPath->empty()) {
            // A project refused creates no file: only a failure to write one is "unable to create".
            std::string failure;
            if (const auto error = CheckPlan(document.GetPlan()))
                failure = "Project not saved: " + *projectPath + ": " + *error;
            else if (const SaveResult saved = document.SaveAs(*projectPath); !saved)
                failure = "Unable to Create File: " + *projectPath + ": " + saved.reason;
            if (!failure.empty()) {
                std::cerr << failure << '\n';
                throw CLI::RuntimeError(1);
            }
        }
        const Plan& planned = document.GetPlan();
        const std::array<double, 3> room{planned.length, planned.width, planned.height};
        if (const auto exportError =
                handler ? handler->Export(*asBuilt, cameras, cameras.GetCount(), room) : std::nullopt) {
            std::cerr << *exportError << '\n';
            throw CLI::RuntimeError(1);
        }
        PrintRig(cameras, planned);
        if (const auto obstacles = document.Obstacles())
            PrintObstacles(*obstacles);
        if (handler)
            handler->PrintNotes();
    });
}
