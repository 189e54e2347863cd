#include "cli/ShareOptions.h"

#include "cli/RigOptions.h"
#include "coverage/CoverageInput.h"
#include "exports/GltfExport.h"
#include "project/PlanInput.h"
#include "project/ProjectFile.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace
{

std::string Today()
{
    const std::chrono::year_month_day day{std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(day.year()), static_cast<unsigned>(day.month()),
                  static_cast<unsigned>(day.day()));
    return text;
}

// As the report fills its title block when no option is given.
PlanTitle TitleOf(const RigOptions& rig, const Plan& plan)
{
    PlanTitle title{plan.report.title, plan.report.client, plan.report.site, plan.report.author, plan.report.date};
    if (title.projectName.empty())
        title.projectName = !rig.projectFile.empty() ? std::filesystem::path(rig.projectFile).stem().string()
                                                     : std::string("Untitled plan");
    if (title.date.empty())
        title.date = Today();
    return title;
}

} // namespace

void AddShareOptions(CLI::App& command, ShareFiles& files)
{
    command.add_option("--gltf", files.gltf, "also write the plan as a glTF 2.0 scene (.glb binary, .gltf text)")
        ->type_name("FILE");
    command.add_option("--web", files.web, "also write the plan as one offline web page")->type_name("FILE.html");
}

std::optional<std::string> PrepareShareFiles(const ShareFiles& files, WebScripts& scripts)
{
    if (!files.gltf.empty() && !GltfIsBinary(files.gltf))
        return "--gltf " + files.gltf + ": a file ending in .glb or .gltf";
    if (!files.web.empty())
        if (const auto error = ReadWebScripts(DefaultThreeDir(), scripts))
            return "--web: " + *error;
    return std::nullopt;
}

std::optional<std::string> WriteShareFiles(const ShareFiles& files, const WebScripts& scripts,
                                           const CoverageInput& input, const CCoverageVolume& volume,
                                           const CPlanningMeasures* planning, const RigOptions& rig, const Plan& plan,
                                           bool fromProject)
{
    // The target and pass share the report judges the plan by, at its defaults.
    TargetRule target;
    target.boxes = PlanTarget(plan);
    const ShareFigures figures = CollectShareFigures(input, volume, planning, &target);
    const PlanTitle title = TitleOf(rig, plan);
    ShareDisplay display;
    if (fromProject && plan.window)
        display = {plan.window->display, plan.window->qualityMeasure, plan.window->qualityThreshold};
    const ShareSource source{input, volume, planning, figures, title, display, target.boxes};
    if (!files.gltf.empty())
        if (const SaveResult saved = WriteGltf(files.gltf, source); !saved)
            return "Unable to write file: " + files.gltf + ": " + saved.reason;
    if (!files.web.empty())
        if (const SaveResult saved = WriteWebPage(files.web, source, scripts); !saved)
            return "Unable to write file: " + files.web + ": " + saved.reason;
    return std::nullopt;
}
