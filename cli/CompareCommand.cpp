// `compare`: the rig as built, from its calibration files, against the plan.
// Built into volume-planner-calibration, which links the readers.
#include "cli/AsBuiltOptions.h"
#include "cli/CalibrationPlan.h"
#include "cli/CommandFailure.h"
#include "cli/Commands.h"
#include "cli/RigOptions.h"

#include "cameras/CameraSet.h"
#include "coverage/CoverageInput.h"
#include "coverage/asbuilt/CoverageDifference.h"
#include "coverage/asbuilt/RigComparison.h"
#include "document/PlanDocument.h"
#include "project/JsonText.h"
#include "project/ProjectFile.h"
#include "scene/PrintableText.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <memory>
#include <string>

namespace
{

struct CompareOptions {
    std::string project;
    AsBuiltOptions asBuilt;
    std::string align = "rigid";
    std::string match = "labels";
    std::string saveAligned;
};

Json VolumesJson(const CPlanningMeasures& measures, const std::vector<uint64_t>& counts)
{
    Json list = Json::array();
    for (const uint64_t count : counts)
        list.push_back(DoubleJson(measures.VolumeOf(count)));
    return list;
}

Json ComparisonJson(const RigComparison& comparison, const CCoverageDifference& difference)
{
    Json json;
    json["alignment"] = {{"method", RigAlignmentKey(comparison.alignment)},
                         {"matching", RigMatchingKey(comparison.matching)},
                         {"scale", DoubleJson(comparison.scale)},
                         {"rms_mm", DoubleJson(comparison.rmsMm)},
                         {"cameras_fitted", comparison.fitted}};
    Json cameras = Json::array();
    for (const CameraDelta& delta : comparison.cameras)
        cameras.push_back({{"plan_number", delta.planNumber},
                           {"as_built_number", delta.asBuiltNumber},
                           {"as_built_name", delta.asBuiltName},
                           {"delta_position_mm", DoubleJson(delta.positionMm)},
                           {"delta_aim_deg", DoubleJson(delta.aimDeg)},
                           {"delta_roll_deg", DoubleJson(delta.rollDeg)},
                           {"focal_mm_planned", DoubleJson(delta.focalPlannedMm)},
                           {"focal_mm_found", DoubleJson(delta.focalFoundMm)}});
    json["cameras"] = std::move(cameras);
    json["unmatched"] = {{"plan_numbers", comparison.unmatchedPlan}, {"as_built_numbers", comparison.unmatchedAsBuilt}};
    const CPlanningMeasures& planned = difference.Planned();
    const CPlanningMeasures& built = difference.AsBuilt();
    json["coverage"] = {{"planned_triangulable_m3", DoubleJson(planned.VolumeOf(planned.TriangulableCount()))},
                        {"as_built_triangulable_m3", DoubleJson(planned.VolumeOf(built.TriangulableCount()))},
                        {"gained_m3", DoubleJson(planned.VolumeOf(difference.GainedTriangulable()))},
                        {"lost_m3", DoubleJson(planned.VolumeOf(difference.LostTriangulable()))},
                        {"marker_by_at_least",
                         {{"planned_m3", VolumesJson(planned, difference.MarkerAtLeast(planned))},
                          {"as_built_m3", VolumesJson(planned, difference.MarkerAtLeast(built))},
                          {"gained_m3", VolumesJson(planned, difference.GainedMarkerAtLeast())},
                          {"lost_m3", VolumesJson(planned, difference.LostMarkerAtLeast())}}}};
    return json;
}

// The plan with the rig as built in its place: the plan's settings and
// obstacles, the aligned cameras, their whole range.
void SaveAligned(const std::string& path, Plan project, const CoverageInput& asBuilt)
{
    const uint32_t count = asBuilt.cameraCount;
    project.cameras = PlanCamerasOf(asBuilt.cameras, count);
    project.firstCamera = 1;
    project.rangeCount = count;
    project.isoThreshold = std::min(project.isoThreshold, count);
    if (project.resolutionCamera > count)
        project.resolutionCamera = 1;
    if (const auto error = CheckPlan(project))
        Fail("Project not saved: " + PrintableText(path) + ": " + *error);
    CPlanDocument aligned(std::move(project));
    if (const SaveResult saved = aligned.SaveAs(path); !saved)
        Fail("Unable to Create File: " + path + ": " + saved.reason);
}

void RunCompare(const CompareOptions& options)
{
    const std::optional<RigAlignment> alignment = RigAlignmentFromKey(options.align);
    const std::optional<RigMatching> matching = RigMatchingFromKey(options.match);
    RigOptions rig;
    rig.projectFile = options.project;
    RigPlanResult built = BuildRigPlan(rig);
    if (!built.plan)
        Fail(built.error);
    const CPlanDocument document(std::move(*built.plan));
    const PlanComparison compared =
        CompareWithCalibration(options.asBuilt, {*alignment, *matching}, document.GetPlan(), document.Obstacles());
    if (!compared.comparison)
        Fail(compared.error);
    const RigComparison& comparison = *compared.comparison;
    Json json = ComparisonJson(comparison, *compared.difference);
    Json notes = Json::array();
    for (const std::string& note : compared.notes)
        notes.push_back(PrintableText(note));
    json["notes"] = std::move(notes);
    if (!options.saveAligned.empty())
        SaveAligned(options.saveAligned, document.GetPlan(), comparison.asBuilt);
    std::cout << JsonText(json) << '\n';
}

} // namespace

void AddCompareCommand(CLI::App& app)
{
    CLI::App* command = app.add_subcommand(
        "compare", "Compare the rig as built, from its calibration files, with the plan, and print it as JSON");
    auto options = std::make_shared<CompareOptions>();
    command->add_option("--project", options->project, "the plan, a project file (.vplan)")
        ->type_name("FILE")
        ->required();
    CLI::Option* asBuilt =
        command
            ->add_option("--as-built", options->asBuilt.path,
                         "the calibration of the rig as built: a FILE, or a FOLDER with intri.yml + extri.yml or "
                         "cameras.txt + images.txt")
            ->type_name("FILE|FOLDER")
            ->required();
    AddAsBuiltReaderOptions(*command, options->asBuilt, asBuilt);
    command
        ->add_option("--align", options->align,
                     "bring the rig as built into the plan's frame: none (both measured from the room corner), "
                     "rigid, or similarity (with a scale)")
        ->check(CLI::IsMember({"none", "rigid", "similarity"}))
        ->capture_default_str();
    command->add_option("--match", options->match, "pair the cameras by labels (their names) or by nearest centres")
        ->check(CLI::IsMember({"labels", "nearest"}))
        ->capture_default_str();
    command
        ->add_option("--save-aligned", options->saveAligned,
                     "also write the plan with the rig as built, aligned, in place of its cameras (.vplan)")
        ->type_name("FILE");
    command->callback([options]() { RunCompare(*options); });
}
