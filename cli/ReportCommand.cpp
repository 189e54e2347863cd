#include "cli/AsBuiltOptions.h"
#include "cli/CalibrationPlan.h"
#include "cli/CommandFailure.h"
#include "cli/Commands.h"
#include "cli/CoverageOptions.h"
#include "cli/OptionValues.h"
#include "cli/PlanningOptions.h"
#include "cli/RigOptions.h"

#include "coverage/placement/PlacementLimits.h"
#include "coverage/placement/PlacementSetup.h"
#include "document/PlanDocument.h"
#include "project/PlanInput.h"
#include "project/ProjectReport.h"
#include "report/ReportBuilder.h"
#include "scene/SceneSettings.h"

#include <CLI/CLI.hpp>
#include <QDate>
#include <QLocale>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace
{

// More maps than this make a report nobody reads.
constexpr size_t kMaxSlices = 50;

struct ReportOptions {
    std::string outFile;
    std::vector<float> heights{0.5f, 2.0f};
    std::vector<float> slices;
    std::string title;
    std::string client;
    std::string site;
    std::string author;
    std::string date;
    // The pass/fail line: cameras a marker needs at each target point and
    // the share of the target that must meet it, per cent.
    long long minCameras = 2;
    double passShare = 95.0;
    bool progress = false;
    bool view2d = false;
    bool selective = false;
    std::string display = "classic";
    std::string measure;
    std::string qualityThreshold;
    // The rig as built of the "As built" section.
    AsBuiltOptions asBuilt;
    std::string align = "rigid";
    std::string match = "labels";
};

ReportDisplay DisplayOf(const ReportOptions& options)
{
    ReportDisplay display;
    display.view2d = options.view2d;
    display.selective = options.selective;
    display.quality = options.display == "quality";
    if (display.quality && (display.view2d || display.selective))
        Fail("--display quality replaces the volume display: leave out --view-2d and --selective");
    if (!display.quality && (!options.measure.empty() || !options.qualityThreshold.empty()))
        Fail("--measure and --quality-threshold need --display quality");
    if (!options.measure.empty()) {
        const auto measure = PlanningMeasureFromKey(options.measure);
        if (!measure)
            Fail("--measure: one of cameras, marker-px, angle, sigma");
        display.measure = *measure;
    }
    if (!options.qualityThreshold.empty()) {
        display.threshold = ParseQualityThreshold(options.qualityThreshold);
        if (!display.threshold)
            Fail("--quality-threshold OP,V: OP one of < <= == >= > != and V a number, e.g. --quality-threshold '<=,1'");
    }
    return display;
}

// The title block's fields: the option given, else the project's own.
void CheckTitleBlock(const ReportOptions& options)
{
    const std::pair<const char*, const std::string*> fields[] = {{"--title", &options.title},
                                                                 {"--client", &options.client},
                                                                 {"--site", &options.site},
                                                                 {"--author", &options.author},
                                                                 {"--date", &options.date}};
    for (const auto& [option, text] : fields)
        if (const auto error = CheckReportText(*text))
            Fail(std::string(option) + ": " + *error);
}

std::string MetresText(float m)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", m);
    return text;
}

void RunReport(const RigOptions& rig, const CoverageOptions& coverage, const PlanningOptions& planning,
               const ReportOptions& options)
{
    const auto format = ReportFormatOf(options.outFile);
    if (!format)
        Fail("--out: a file ending in .pdf or .html");
    if (options.slices.size() > kMaxSlices)
        Fail("--slices: at most " + std::to_string(kMaxSlices) + " heights, not " +
             std::to_string(options.slices.size()));
    CheckTitleBlock(options);
    if (const auto error = CheckMinCameras(options.minCameras))
        Fail("--min-cameras " + std::to_string(options.minCameras) + ": " + *error);
    if (!(options.passShare >= 0.0 && options.passShare <= 100.0))
        Fail("--pass-share: a share from 0 to 100 per cent");
    ReportRequest request;
    request.display = DisplayOf(options);
    request.outPath = options.outFile;
    request.format = *format;
    request.pageSize = ReportPageSizeFor(QLocale::system());
    request.bandFromM = options.heights[0];
    request.bandToM = options.heights[1];
    request.slicesM = options.slices;

    RigPlanResult built = BuildRigPlan(rig);
    if (!built.plan)
        Fail(built.error);
    Plan draft = std::move(*built.plan);
    // A band given must lie inside the room; the default one may reach above a low ceiling.
    const float roomHeightM = draft.height;
    if (OptionGiven(rig.command, "--heights") && (request.bandFromM < 0.0f || request.bandToM > roomHeightM))
        Fail("--heights: the band " + MetresText(request.bandFromM) + "-" + MetresText(request.bandToM) +
             " m lies outside the room (0-" + MetresText(roomHeightM) + " m)");
    if (const auto error = ApplyCoverageOptions(coverage, draft, built.fromProject))
        Fail(*error);
    if (const auto error = ImportCalibrationOption(coverage, request.calibration))
        Fail(*error);
    if (const auto error = ApplyPlanningOptions(planning, draft.planning, draft.cameras))
        Fail(*error);
    const CPlanDocument document(std::move(draft));
    const Plan& plan = document.GetPlan();
    request.display.resolutionCamera = static_cast<int>(plan.resolutionCamera) - 1;
    request.display.testMode = !coverage.calibrationFile.empty();
    request.obstacles = document.Obstacles();
    if (!options.asBuilt.path.empty()) {
        const PlanComparison compared = CompareWithCalibration(
            options.asBuilt, {*RigAlignmentFromKey(options.align), *RigMatchingFromKey(options.match)}, plan,
            request.obstacles);
        if (!compared.comparison)
            Fail(compared.error);
        request.asBuilt = ReportAsBuilt{compared.comparison, compared.difference};
    }

    request.target.boxes = PlanTarget(plan);
    request.target.minCameras = static_cast<uint32_t>(options.minCameras);
    request.target.requiredShare = options.passShare / 100.0;

    const ProjectReport& kept = plan.report;
    const auto either = [](const std::string& given, const std::string& fromProject) {
        return given.empty() ? fromProject : given;
    };
    ReportHeading& heading = request.heading;
    heading.projectName = either(options.title, kept.title);
    if (heading.projectName.empty())
        heading.projectName = !rig.projectFile.empty() ? std::filesystem::path(rig.projectFile).stem().string()
                                                       : std::string("Untitled plan");
    heading.client = either(options.client, kept.client);
    heading.site = either(options.site, kept.site);
    heading.author = either(options.author, kept.author);
    heading.date = either(options.date, kept.date);
    if (heading.date.empty())
        heading.date = QDate::currentDate().toString(Qt::ISODate).toStdString();
    if (OptionGiven(rig.command, "--units"))
        heading.enteredUnit = IsFeetUnit(rig.units) ? "ft" : "m";
    else if (built.fromProject)
        heading.enteredUnit = plan.unit;

    request.plan = plan;
    const bool showProgress = options.progress || isatty(STDERR_FILENO) == 1;
    const auto error = MakeReport(request, [showProgress](int percent, const std::string& step) {
        if (showProgress)
            std::fprintf(stderr, "Report: %3d%% %s\n", percent, step.c_str());
    });
    if (error)
        Fail(*error);
}

} // namespace

void AddReportCommand(CLI::App& app)
{
    CLI::App* command = app.add_subcommand("report", "Write a printable coverage report of the plan, PDF or HTML");
    auto rig = std::make_shared<RigOptions>();
    auto coverage = std::make_shared<CoverageOptions>();
    auto planning = std::make_shared<PlanningOptions>();
    auto options = std::make_shared<ReportOptions>();
    AddRigOptions(*command, *rig);
    AddCoverageOptions(*command, *coverage);
    AddPlanningOptions(*command, *planning);
    command->add_option("--out", options->outFile, "the report to write: FILE.pdf or FILE.html")
        ->type_name("FILE")
        ->required();
    DecimalNumbers(
        command->add_option("--heights", options->heights, "capture height band of the worst-case map, metres"))
        ->delimiter(',')
        ->expected(2)
        ->type_name("A,B")
        ->capture_default_str();
    DecimalNumbers(command->add_option("--slices", options->slices, "heights of single-layer maps, metres"))
        ->delimiter(',')
        ->type_name("H1,H2,...");
    command
        ->add_option("--title", options->title,
                     "project name on the title block (default: the project's report.title, else its file name)")
        ->type_name("TEXT");
    command->add_option("--client", options->client, "client on the title block")->type_name("TEXT");
    command->add_option("--site", options->site, "site on the title block")->type_name("TEXT");
    command->add_option("--author", options->author, "author on the title block")->type_name("TEXT");
    command
        ->add_option("--date", options->date,
                     "date on the title block (default: the project's report.date, else today, YYYY-MM-DD)")
        ->type_name("TEXT");
    DecimalWholeNumbers(command->add_option("--min-cameras", options->minCameras,
                                            "cameras that must see a marker at each point of the target"))
        ->type_name("K")
        ->capture_default_str();
    DecimalNumbers(command->add_option("--pass-share", options->passShare,
                                       "per cent of the target that must be triangulable by K within the error bound"))
        ->type_name("PERCENT")
        ->capture_default_str();
    command->add_flag("--progress", options->progress, "progress on standard error even when it is not a terminal");
    command->add_flag("--view-2d", options->view2d, "pictures of the camera-count layers");
    command->add_flag("--selective", options->selective, "pictures of the voxels every enabled camera sees");
    CLI::Option* asBuilt =
        command
            ->add_option("--as-built", options->asBuilt.path,
                         "add the section \"As built\": this calibration's rig against the plan, as compare does")
            ->type_name("FILE|FOLDER");
    AddAsBuiltReaderOptions(*command, options->asBuilt, asBuilt);
    command->add_option("--align", options->align, "as compare's: none, rigid or similarity")
        ->check(CLI::IsMember({"none", "rigid", "similarity"}))
        ->capture_default_str()
        ->needs(asBuilt);
    command->add_option("--match", options->match, "as compare's: labels or nearest")
        ->check(CLI::IsMember({"labels", "nearest"}))
        ->capture_default_str()
        ->needs(asBuilt);
    command->add_option("--display", options->display, "classic or quality, the volume display of the pictures")
        ->check(CLI::IsMember({"classic", "quality"}))
        ->capture_default_str();
    command
        ->add_option("--measure", options->measure,
                     "measure of the Quality display: cameras, marker-px, angle, sigma, occlusion")
        ->type_name("M");
    command->add_option("--quality-threshold", options->qualityThreshold, "show only voxels whose measure meets OP V")
        ->type_name("OP,V");
    command->callback([rig, coverage, planning, options]() { RunReport(*rig, *coverage, *planning, *options); });
}
