#include "cli/CommandFailure.h"
#include "cli/Commands.h"
#include "cli/PlanningOptions.h"
#include "cli/RigOptions.h"

#include "cameras/CameraTypes.h"
#include "coverage/placement/AutoPlacement.h"
#include "coverage/placement/PlacementLimits.h"
#include "document/PlanDocument.h"
#include "document/PlanEdits.h"
#include "project/JsonText.h"
#include "project/PlacementOfPlan.h"
#include "project/ProjectFile.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace
{

// The options of `place` besides the rig and planning options, as parsed.
struct PlaceOptions {
    long long count = 0;
    std::string lenses;  // F[,F...]
    std::string lensKit; // F[,F...]
    std::string objective = "coverage";
    bool replace = false;
    std::string frame;       // W,H
    std::string mount;       // walls, ceiling, x0, x1, z0, z1
    std::string mountHeight; // A,B
    std::vector<std::string> targets;
    long long minCameras = 2;
    bool robust = false;
    unsigned long long seed = 1;
    double timeLimit = 60.0;
    long long restarts = 8;
    long long threads = 0;
    double sampleStep = 0.25;
    std::string saveProject;
};

// Comma-separated finite numbers, exactly `count` of them unless 0; nullopt otherwise.
std::optional<std::vector<double>> Numbers(const std::string& text, size_t count)
{
    std::vector<double> values;
    const char* p = text.data();
    const char* end = p + text.size();
    while (true) {
        double v = 0.0;
        const auto [next, ec] = std::from_chars(p, end, v);
        if (ec != std::errc{} || next == p || !std::isfinite(v))
            return std::nullopt;
        values.push_back(v);
        if (next == end)
            break;
        if (*next != ',')
            return std::nullopt;
        p = next + 1;
    }
    if (count != 0 && values.size() != count)
        return std::nullopt;
    return values;
}

Json TripleJson(const Vec3d& v)
{
    return Json::array({DoubleJson(v.x), DoubleJson(v.y), DoubleJson(v.z)});
}

Json FiguresJson(const PlacementFigures& f)
{
    return {{"objective", DoubleJson(f.objective)},
            {"plain_objective", DoubleJson(f.plainObjective)},
            {"robust_objective", DoubleJson(f.robustObjective)},
            {"mean_marker_cameras", DoubleJson(f.meanMarkerCameras)},
            {"median_sigma3d_mm", DoubleJson(f.medianSigmaMm)},
            {"share_seen_by_k", DoubleJson(f.shareAtLeastK)},
            {"min_marker_cameras", f.minMarkerCameras},
            {"min_seen_cameras", f.minSeenCameras},
            {"views_lacking", DoubleJson(f.viewsLacking)},
            {"mean_occluded_deg", DoubleJson(f.meanOccludedDeg)},
            {"share_unoccluded", DoubleJson(f.shareUnoccluded)}};
}

// The mounts the options and the project give: --mount chooses the walls
// and the ceiling, --mount-height the band; segments, points and keep-outs
// come from the project.
MountSurfaces MountsOf(const PlaceOptions& options, const Plan& plan, const RoomSize& room)
{
    MountSurfaces mounts = plan.placement.mounts ? *plan.placement.mounts : MountSurfaces{};
    if (!options.mount.empty()) {
        mounts.walls = {false, false, false, false};
        mounts.ceiling = false;
        size_t start = 0;
        while (start <= options.mount.size()) {
            const size_t comma = std::min(options.mount.find(',', start), options.mount.size());
            const std::string word = options.mount.substr(start, comma - start);
            if (word == "walls")
                mounts.walls = {true, true, true, true};
            else if (word == "ceiling")
                mounts.ceiling = true;
            else if (const auto wall = WallFromKey(word))
                mounts.walls[static_cast<size_t>(*wall)] = true;
            else
                Fail("--mount " + options.mount + ": \"" + word +
                     "\" is not a mount; use walls, ceiling or the walls x0, x1, z0, z1, comma-separated");
            start = comma + 1;
        }
    }
    if (!options.mountHeight.empty()) {
        const auto band = Numbers(options.mountHeight, 2);
        if (!band)
            Fail("--mount-height " + options.mountHeight + ": needs two heights A,B in metres, e.g. 2,3.8");
        mounts.wallBand = std::array<double, 2>{(*band)[0], (*band)[1]};
        MountSurfaces bandOnly;
        bandOnly.wallBand = mounts.wallBand;
        if (const auto error = CheckMounts(bandOnly, room))
            Fail("--mount-height " + options.mountHeight + ": " + *error);
    }
    if (const auto error = CheckMounts(mounts, room))
        Fail((options.mount.empty() ? std::string("placement mounts") : "--mount " + options.mount) + ": " + *error);
    return mounts;
}

std::vector<TargetBox> TargetsOf(const PlaceOptions& options, const Plan& plan, const RoomSize& room)
{
    if (options.targets.empty())
        return plan.placement.target;
    if (const auto error = CheckTargetCount(options.targets.size()))
        Fail("--target: " + *error);
    std::vector<TargetBox> boxes;
    for (const std::string& text : options.targets) {
        const auto v = Numbers(text, 6);
        if (!v)
            Fail("--target " + text + ": needs six numbers X0,Y0,Z0,X1,Y1,Z1 in metres from the room corner");
        const TargetBox box{{(*v)[0], (*v)[1], (*v)[2]}, {(*v)[3], (*v)[4], (*v)[5]}, 1.0};
        if (const auto error = CheckTargetBox(box, room))
            Fail("--target " + text + ": " + *error);
        boxes.push_back(box);
    }
    return boxes;
}

// Lens, frame and sensor of the new cameras: the default camera's, changed
// by the options given.
CameraModel ModelOf(const PlaceOptions& options, const PlanningOptions& planning, std::vector<float>& lenses)
{
    CameraModel model;
    if (!options.lenses.empty()) {
        const auto values = Numbers(options.lenses, 0);
        if (!values)
            Fail("--lens " + options.lenses + ": needs focal lengths in millimetres, comma-separated, e.g. 8.5,12");
        for (const double f : *values) {
            if (const auto error = CheckPlacedLens(f))
                Fail("--lens " + options.lenses + ": " + *error);
            lenses.push_back(static_cast<float>(f));
        }
        model.focalMm = lenses.front();
    }
    if (!options.lensKit.empty()) {
        const auto values = Numbers(options.lensKit, 0);
        if (!values)
            Fail("--lens-kit " + options.lensKit +
                 ": needs focal lengths in millimetres, comma-separated, e.g. 6,8.5,12.5");
        for (const double f : *values) {
            if (const auto error = CheckPlacedLens(f))
                Fail("--lens-kit " + options.lensKit + ": " + *error);
        }
    }
    if (!options.frame.empty()) {
        const auto frame = Numbers(options.frame, 2);
        if (!frame || !((*frame)[0] > 0.0 && (*frame)[0] <= 1000.0) || !((*frame)[1] > 0.0 && (*frame)[1] <= 1000.0))
            Fail("--frame " + options.frame +
                 ": needs the film frame W,H in millimetres, each above 0 and at most 1000");
        model.frameWidthMm = static_cast<float>((*frame)[0]);
        model.frameHeightMm = static_cast<float>((*frame)[1]);
    }
    if (planning.cameraType) {
        model.cameraType = *planning.cameraType;
        model.pixelsX = CameraTypePixelsX(model.cameraType);
        model.pixelsY = CameraTypePixelsY(model.cameraType);
    } else if (!planning.sensorPx.empty()) {
        const auto pixels = Numbers(planning.sensorPx, 2);
        model.cameraType = kCustomCameraType;
        model.pixelsX = static_cast<int>((*pixels)[0]);
        model.pixelsY = static_cast<int>((*pixels)[1]);
    }
    return model;
}

void CheckCounts(const PlaceOptions& options, size_t fixed)
{
    const auto check = [](const std::optional<std::string>& error, const std::string& option) {
        if (error)
            Fail(option + ": " + *error);
    };
    check(CheckPlacedCount(options.count, fixed), "--count " + std::to_string(options.count));
    if (options.count == 0 && fixed == 0)
        Fail("--count 0: no camera of the plan stays (--replace, or no rig given), so there is nothing to place or "
             "score; give a count of 1 or more");
    const std::string minCameras = "--min-cameras " + std::to_string(options.minCameras);
    check(CheckMinCameras(options.minCameras), minCameras);
    check(CheckMinCamerasInRig(options.minCameras, options.count, static_cast<long long>(fixed) + options.count),
          minCameras);
    check(CheckTimeLimit(options.timeLimit), "--time-limit");
    check(CheckRestarts(options.restarts), "--restarts " + std::to_string(options.restarts));
    check(CheckSearchThreads(options.threads), "--threads " + std::to_string(options.threads));
    check(CheckSampleStep(options.sampleStep), "--sample-step");
}

void RunPlace(const RigOptions& rig, const PlanningOptions& planningOptions, const PlaceOptions& options)
{
    RigPlanResult built = BuildRigPlan(rig);
    if (!built.plan)
        Fail(built.error);
    Plan draft = std::move(*built.plan);
    // The sensor options are the new cameras'; the plan's cameras keep theirs.
    std::vector<PlanCamera> noCameras;
    if (const auto error = ApplyPlanningOptions(planningOptions, draft.planning, noCameras))
        Fail(*error);
    CPlanDocument document(std::move(draft));
    const Plan& plan = document.GetPlan();
    // --replace: the plan's cameras give way to the placed ones.
    const bool emptyPlan = options.replace || (!built.fromProject && !OptionGiven(rig.command, "--cameras") &&
                                               !OptionGiven(rig.command, "--default-rig"));
    const RoomSize roomSize{plan.length, plan.width, plan.height};
    // As the window's Auto-Place asks it; a plan made of the options alone has no cameras to keep.
    PlacementRequest request = PlacementRequestOf(plan, document.Obstacles());
    if (emptyPlan)
        request.fixed.clear();
    CheckCounts(options, request.fixed.size());
    request.model = ModelOf(options, planningOptions, request.lenses);
    if (!options.lensKit.empty()) {
        const std::vector<double> kit = *Numbers(options.lensKit, 0);
        for (const double f : kit)
            request.lensKit.push_back(static_cast<float>(f));
    }
    request.objective = options.objective == "occlusion" ? PlacementObjective::Occlusion : PlacementObjective::Coverage;
    request.remedyNames = {"--sample-step", "--room", "--count"};
    request.count = static_cast<int>(options.count);
    request.mounts = MountsOf(options, plan, roomSize);
    request.target = TargetsOf(options, plan, roomSize);
    request.minCameras = static_cast<uint32_t>(options.minCameras);
    request.robust = options.robust;
    request.sampleStep = options.sampleStep;
    request.search.seed = options.seed;
    request.search.restarts = static_cast<int>(options.restarts);
    request.search.threads = static_cast<int>(options.threads);
    request.timeLimitSeconds = options.timeLimit;

    const auto start = std::chrono::steady_clock::now();
    const PlacementResult result = RunPlacement(request, [start](const PlacementProgress& p) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (p.stage == "candidates")
            std::fprintf(stderr, "place: %5.1f s  candidates and their sight of the target\n", seconds);
        else if (p.stage == "search")
            std::fprintf(stderr, "place: %5.1f s  search: %d of %d restarts done, best objective %.4f\n", seconds,
                         p.restartsDone, p.restarts, p.bestObjective);
        else
            std::fprintf(stderr, "place: %5.1f s  refining the best rig (objective %.4f)\n", seconds, p.bestObjective);
        std::fflush(stderr);
    });
    if (!result.ok)
        Fail("place: " + result.error);

    // The new cameras after the plan's own, the range taking them in, or in
    // their place: one step, as the window's Accept takes it.
    const size_t firstNumber = emptyPlan ? 1 : plan.cameras.size() + 1;
    std::vector<PlanCamera> cameras = PlanCamerasOfPlaced(result.placed, firstNumber);
    Json placed = Json::array();
    for (size_t k = 0; k < cameras.size(); ++k) {
        const PlanCamera& entry = cameras[k];
        const PlacedCamera& camera = result.placed[k];
        placed.push_back({{"number", firstNumber + k},
                          {"mount", camera.mount},
                          {"surface", CMountGeometry::KindKey(camera.place.kind)},
                          {"position", Json::array({FloatJson(entry.x), FloatJson(entry.y), FloatJson(entry.z)})},
                          {"pan_deg", FloatJson(entry.hTilt)},
                          {"tilt_deg", FloatJson(entry.vTilt)},
                          {"lens_mm", FloatJson(entry.focalLength)}});
    }
    const std::string step = "Auto-place " + std::to_string(cameras.size()) + " cameras";
    if (const auto refusal = document.Apply(step, [&](Plan& changed) {
            auto error =
                emptyPlan ? ReplaceCameras(changed, std::move(cameras)) : AddCameras(changed, std::move(cameras));
            changed.placement.mounts = request.mounts;
            changed.placement.target = TargetOf(request);
            return error;
        }))
        Fail("place: the placed cameras cannot join the plan: " + *refusal);

    if (!options.saveProject.empty()) {
        if (const SaveResult saved = document.SaveAs(options.saveProject); !saved)
            Fail("Unable to Create File: " + options.saveProject + ": " + saved.reason);
    }

    // Read again: a step may move the plans of the history, and `plan` with them.
    const Plan& after = document.GetPlan();
    Json target = Json::array();
    for (const TargetBox& box : after.placement.target)
        target.push_back(
            {{"min", TripleJson(box.min)}, {"max", TripleJson(box.max)}, {"weight", DoubleJson(box.weight)}});
    Json report;
    report["room"] = {
        {"length", FloatJson(after.length)}, {"width", FloatJson(after.width)}, {"height", FloatJson(after.height)}};
    report["settings"] = {{"count", options.count},
                          {"objective", PlacementObjectiveKey(request.objective)},
                          {"replace", options.replace},
                          {"search_sample_step_m", DoubleJson(result.lattice.sampleStep)},
                          {"search_wall_step_m", DoubleJson(result.lattice.wallStep)},
                          {"min_cameras", options.minCameras},
                          {"robust", options.robust},
                          {"seed", options.seed},
                          {"restarts", options.restarts},
                          {"time_limit_s", DoubleJson(options.timeLimit)},
                          {"sample_step_m", DoubleJson(request.sampleStep)},
                          {"wall_step_m", DoubleJson(request.wallStep)},
                          {"ceiling_step_m", DoubleJson(request.ceilingStep)}};
    report["mounts"] = ProjectPlacementJson({request.mounts, {}})["mounts"];
    report["target"] = std::move(target);
    report["fixed_cameras"] = request.fixed.size();
    report["samples"] = result.samples;
    report["places"] = result.places;
    report["candidates"] = result.candidates;
    report["before"] = FiguresJson(result.before);
    report["after"] = FiguresJson(result.after);
    if (options.count > 0)
        report["after_search"] = FiguresJson(result.unrefined);
    report["placed"] = std::move(placed);
    report["evaluations"] = result.evaluations;
    report["restarts_done"] = result.restartsDone;
    report["stopped_early"] = result.stopped;
    report["seconds"] = DoubleJson(std::round(result.seconds * 1000.0) / 1000.0);
    Json stages = Json::object();
    for (const auto& [stage, seconds] : result.stageSeconds)
        stages[stage] = DoubleJson(std::round(seconds * 1000.0) / 1000.0);
    report["stage_seconds"] = std::move(stages);
    std::cout << JsonText(report) << '\n';
}

} // namespace

void AddPlaceCommand(CLI::App& app)
{
    CLI::App* command =
        app.add_subcommand("place", "Propose where to mount new cameras and where to aim them, and print it as JSON");
    auto rig = std::make_shared<RigOptions>();
    auto planning = std::make_shared<PlanningOptions>();
    auto options = std::make_shared<PlaceOptions>();
    AddRigOptions(*command, *rig);
    AddPlanningOptions(*command, *planning);
    command->add_option("--count", options->count, "cameras to place, beside the enabled cameras of the plan")
        ->type_name("N")
        ->required();
    CLI::Option* lens =
        command->add_option("--lens", options->lenses, "focal lengths in mm, cycled over the new cameras (default 8.5)")
            ->type_name("F[,F...]");
    command->add_option("--lens-kit", options->lensKit, "focal lengths in mm the search chooses each camera's from")
        ->type_name("F[,F...]")
        ->excludes(lens);
    command
        ->add_option("--objective", options->objective,
                     "what the search seeks: coverage (target points that count) or occlusion (the least mean "
                     "occluded angle)")
        ->check(CLI::IsMember({"coverage", "occlusion"}))
        ->capture_default_str();
    command->add_flag("--replace", options->replace, "replace the plan's cameras instead of placing beside them");
    command->add_option("--frame", options->frame, "film frame of the new cameras in mm (default 6.5241,4.8807)")
        ->type_name("W,H");
    command
        ->add_option("--mount", options->mount,
                     "where cameras may go: walls, ceiling, x0, x1, z0, z1 (default walls,ceiling)")
        ->type_name("LIST");
    command
        ->add_option("--mount-height", options->mountHeight,
                     "height band on the walls in metres (default 2.2 m up to the ceiling; the upper half "
                     "of a wall lower than 2.5 m)")
        ->type_name("A,B");
    command
        ->add_option("--target", options->targets,
                     "a target box, min and max corner in metres from the room corner (repeatable)")
        ->type_name("X0,Y0,Z0,X1,Y1,Z1")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command->add_option("--min-cameras", options->minCameras, "cameras that must see a marker at each target point")
        ->type_name("K")
        ->capture_default_str();
    command->add_flag("--robust", options->robust, "each target point must still count with any one camera lost");
    command->add_option("--seed", options->seed, "seed of the restarts")->type_name("S")->capture_default_str();
    command->add_option("--time-limit", options->timeLimit, "stop after this long and keep the best rig found")
        ->type_name("SECONDS")
        ->capture_default_str();
    command->add_option("--restarts", options->restarts, "restarts of the search")
        ->type_name("N")
        ->capture_default_str();
    command->add_option("--threads", options->threads, "threads of the search, 0 for every core")
        ->type_name("N")
        ->capture_default_str();
    command->add_option("--sample-step", options->sampleStep, "metres between the target points scored")
        ->type_name("M")
        ->capture_default_str();
    command->add_option("--save-project", options->saveProject, "write the plan with the placed cameras (.vplan)")
        ->type_name("FILE");
    command->callback([rig, planning, options]() {
        // No allocation failure reaches the user as an unexpected error.
        try {
            RunPlace(*rig, *planning, *options);
        } catch (const std::bad_alloc&) {
            Fail("place: " + OutOfMemoryText({"--sample-step", "--room", "--count"}));
        }
    });
}
