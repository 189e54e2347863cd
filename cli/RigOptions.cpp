#include "cli/RigOptions.h"
#include "cli/OptionValues.h"

#include "cameras/CameraSet.h"
#include "project/ProjectFile.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

void AddRigOptions(CLI::App& command, RigOptions& options)
{
    DecimalNumbers(command.add_option("--room", options.room, "room length, width and height, in --units"))
        ->delimiter(',')
        ->expected(3)
        ->type_name("L,W,H")
        ->capture_default_str();
    command.add_option("--units", options.units, "unit of --room: m (metres) or f (feet)")
        ->check(CLI::IsMember({"m", "M", "f", "F"}))
        ->capture_default_str();
    CLI::Option* cameras = command
                               .add_option("--cameras", options.camerasFile,
                                           "load the rig from a camera data file; positions relative to --room")
                               ->type_name("FILE");
    DecimalWholeNumbers(command.add_option("--default-rig", options.defaultRig,
                                           "without --cameras: this many cameras, default placement"))
        ->type_name("N")
        ->capture_default_str()
        ->excludes(cameras);
    DecimalWholeNumbers(
        command.add_option("--range", options.range, "active range: N cameras starting at camera M (default all)"))
        ->delimiter(',')
        ->expected(2)
        ->type_name("M,N");
    DecimalWholeNumbers(
        command.add_option("--disable", options.disable, "comma-separated camera numbers (from 1) to disable"))
        ->delimiter(',')
        ->type_name("LIST");
    command.add_option("--project", options.projectFile, "start from this project file (.vplan)")->type_name("FILE");
    command.add_option("--obstacles", options.obstaclesFile, "obstacles from a JSON list (the project file's form)")
        ->type_name("FILE");
    command
        .add_option("--obstacle-box", options.obstacleBoxes,
                    "a box that blocks the view: min and max corner, metres from the room corner (repeatable)")
        ->type_name("X0,Y0,Z0,X1,Y1,Z1")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    options.command = &command;
}

bool OptionGiven(const CLI::App* command, const std::string& name)
{
    return command && command->count(name) > 0;
}

namespace
{

// Six comma-separated decimal numbers, or nullopt.
std::optional<ObstacleBox> ParseBox(const std::string& text, const std::string& name)
{
    // The reader below would take 0x10 as 16.
    if (text.find_first_of("xX") != std::string::npos)
        return std::nullopt;
    ObstacleBox box{name, {}, {}};
    double* values[6] = {&box.min.x, &box.min.y, &box.min.z, &box.max.x, &box.max.y, &box.max.z};
    const char* p = text.c_str();
    for (int v = 0; v < 6; ++v) {
        char* end = nullptr;
        *values[v] = std::strtod(p, &end);
        if (end == p || (v < 5 ? *end != ',' : *end != '\0'))
            return std::nullopt;
        p = end + 1;
    }
    return box;
}

// The obstacles the options name, or those of the project; a message when
// one cannot be used.
std::optional<std::string> GatherObstacles(const RigOptions& options, const std::optional<Plan>& project,
                                           CObstacleSet& out)
{
    ObstacleList list;
    std::string baseDir;
    if (!options.obstaclesFile.empty() || !options.obstacleBoxes.empty()) {
        if (!options.obstaclesFile.empty()) {
            ObstacleListResult read = ReadObstacleListFile(options.obstaclesFile);
            if (!read.list)
                return "Obstacles not loaded: " + read.error;
            list = std::move(*read.list);
            baseDir = std::filesystem::path(options.obstaclesFile).parent_path().string();
        }
        for (size_t b = 0; b < options.obstacleBoxes.size(); ++b) {
            const auto box = ParseBox(options.obstacleBoxes[b], "box " + std::to_string(list.boxes.size() + 1));
            if (!box)
                return "--obstacle-box " + options.obstacleBoxes[b] +
                       ": needs six numbers X0,Y0,Z0,X1,Y1,Z1 in decimal";
            if (const auto error = CheckObstacleBox(*box))
                return "--obstacle-box " + options.obstacleBoxes[b] + ": " + *error;
            list.boxes.push_back(*box);
        }
    } else if (project) {
        list = project->obstacles;
        baseDir = std::filesystem::path(options.projectFile).parent_path().string();
    }
    if (const auto error = BuildObstacleSet(list, baseDir, out))
        return "Obstacles not loaded: " + *error;
    return std::nullopt;
}

std::string RoomBoundText(bool feet)
{
    char text[48];
    if (feet)
        std::snprintf(text, sizeof text, "%.0f ft (%g m)", std::floor(kMaxRoomMetres / kMetresPerFoot), kMaxRoomMetres);
    else
        std::snprintf(text, sizeof text, "%g m", kMaxRoomMetres);
    return text;
}

RigPlanResult Failure(std::string message)
{
    RigPlanResult result;
    result.error = std::move(message);
    return result;
}

// The room of the options in metres, converted as the window converts a
// room typed in feet.
void SetRoom(const RigOptions& options, Plan& plan)
{
    SceneSettings room;
    room.SetUnits(options.units);
    room.SetRoomLength(options.room[0]);
    room.SetRoomWidth(options.room[1]);
    room.SetRoomHeight(options.room[2]);
    room.ConvertToMetres();
    plan.length = room.GetRoomLength();
    plan.width = room.GetRoomWidth();
    plan.height = room.GetRoomHeight();
    plan.unit = IsFeetUnit(options.units) ? "ft" : "m";
}

// The cameras of --cameras FILE or of the default rig of --default-rig N in
// the plan's room; the message when the file cannot be used.
std::optional<std::string> SetRig(const RigOptions& options, Plan& plan)
{
    CCameraSet cameras;
    if (!options.camerasFile.empty()) {
        // Read from the room's corner: the file's positions are the plan's.
        if (!cameras.ReadFile(options.camerasFile))
            return "File Not Found or Invalid File\n" + cameras.GetFileError();
    } else {
        CRoomBox room;
        room.Update(plan.length, plan.width, plan.height);
        cameras.Allocate(static_cast<uint32_t>(options.defaultRig));
        cameras.SetUserOrigin(room.Corner(3));
        cameras.SetDefaults(room);
    }
    plan.cameras = PlanCamerasOf(cameras, cameras.GetCount());
    return std::nullopt;
}

} // namespace

RigPlanResult BuildRigPlan(const RigOptions& options)
{
    if (options.room.size() != 3)
        return Failure("--room needs three values: length,width,height");
    // The window takes any typed size; on the command line a room that is not
    // a positive, finite size is a typing error worth refusing.
    const bool feet = IsFeetUnit(options.units);
    for (const float size : options.room) {
        if (!std::isfinite(size) || size <= 0.0f)
            return Failure("--room: length, width and height must be positive");
        if (size * (feet ? kMetresPerFoot : 1.0f) > kMaxRoomMetres)
            return Failure("--room: length, width and height must be at most " + RoomBoundText(feet));
    }
    if (options.camerasFile.empty() && !IsValidCameraCount(options.defaultRig))
        return Failure("Invalid Number of Cameras");
    RigPlanResult result;
    Plan plan;
    if (!options.projectFile.empty()) {
        ProjectReadResult read = ReadProjectFile(options.projectFile);
        if (!read.plan)
            return Failure("Project not loaded: " + options.projectFile + ": " + read.error);
        plan = std::move(*read.plan);
        result.fromProject = true;
    }
    // A room given to a project keeps its cameras at their user-frame places.
    if (!result.fromProject || OptionGiven(options.command, "--room"))
        SetRoom(options, plan);
    // Without a camera option the project's cameras, range and criteria stand.
    if (!result.fromProject || OptionGiven(options.command, "--cameras") ||
        OptionGiven(options.command, "--default-rig")) {
        if (const auto error = SetRig(options, plan))
            return Failure(*error);
        plan.firstCamera = 1;
        plan.rangeCount = static_cast<uint32_t>(plan.cameras.size());
    }

    const auto count = static_cast<long long>(plan.cameras.size());
    if (!options.range.empty()) {
        const long long first = options.range[0];
        const long long n = options.range[1];
        if (first < 1 || n < 1)
            return Failure("--range M,N: the first camera M and the count N must be at least 1");
        if (first > count || n > count || first - 1 + n > count)
            return Failure("Exceeding Total Cameras");
        plan.firstCamera = static_cast<uint32_t>(first);
        plan.rangeCount = static_cast<uint32_t>(n);
    }
    for (const long long number : options.disable) {
        if (number < 1 || number > count)
            return Failure("--disable: there is no camera " + std::to_string(number) + "; the rig has cameras 1 to " +
                           std::to_string(count));
        plan.cameras[static_cast<size_t>(number - 1)].enabled = false;
    }

    CObstacleSet obstacles;
    const std::optional<Plan> project = result.fromProject ? std::optional<Plan>(plan) : std::nullopt;
    if (const auto error = GatherObstacles(options, project, obstacles))
        return Failure(*error);
    // The meshes' triangles travel with the plan: the document computes them from its list.
    plan.obstacles = ObstacleListOf(obstacles);
    result.plan = std::move(plan);
    return result;
}
