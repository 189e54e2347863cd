#include "cli/AsBuiltOptions.h"
#include "cli/CalibrationPlan.h"
#include "cli/CommandFailure.h"
#include "cli/Commands.h"
#include "cli/CoverageOptions.h"
#include "cli/OptionValues.h"
#include "cli/PlanningOptions.h"
#include "cli/RigOptions.h"

#include "document/PlanDocument.h"
#include "render/OffscreenContext.h"
#include "render/PngWriter.h"
#include "coverage/QualityDisplay.h"
#include "render/SceneRenderer.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace
{

// How the frame looks: everything a user of the window can change without
// changing what is computed.
struct ViewOptions {
    float yaw = 0.0f;
    float pitch = 0.0f;
    std::vector<float> pan{0.0f, 0.0f};
    float zoom = 0.0f;
    bool orthographic = false;
    bool seeThrough = false;
    bool view2d = false;
    bool selective = false;
    bool noLegend = false;
    bool noRoom = false;
    std::string scales = "y";
    int divisions = 1;
    std::optional<int> shownLayers;
    std::string pngFile;
    std::string display = "classic";
    std::string measure;
    std::string qualityThreshold;
    std::string style = "classic";
    // The rig as built of the Difference display.
    AsBuiltOptions asBuilt;
    std::string align = "rigid";
    std::string match = "labels";
};

// More ticks than this only paint the rulers solid.
constexpr int kMaxDivisions = 1000;

struct ScaleRows {
    bool x = false;
    bool y = false;
    bool z = false;
};

std::optional<ScaleRows> ParseScales(const std::string& text)
{
    ScaleRows rows;
    if (text == "none")
        return rows;
    for (const char c : text) {
        if (c == 'x' || c == 'X')
            rows.x = true;
        else if (c == 'y' || c == 'Y')
            rows.y = true;
        else if (c == 'z' || c == 'Z')
            rows.z = true;
        else
            return std::nullopt;
    }
    return rows;
}

bool AllFinite(std::initializer_list<float> values)
{
    for (const float v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

void RunRender(const RigOptions& rig, const CoverageOptions& coverage, const PlanningOptions& planning,
               const ViewOptions& view)
{
    const std::optional<ScaleRows> scales = ParseScales(view.scales);
    if (!scales)
        Fail("--scales: any of the letters x, y and z, or none");
    if (view.divisions < 0 || view.divisions > kMaxDivisions)
        Fail("--divisions: from 0 to " + std::to_string(kMaxDivisions));
    if (view.pan.size() != 2 || !AllFinite({view.yaw, view.pitch, view.pan[0], view.pan[1], view.zoom}))
        Fail("--yaw, --pitch, --pan X,Y and --zoom take finite numbers");
    if (view.shownLayers && *view.shownLayers < 0)
        Fail("--shown-layers: a number of layers from 0");
    const bool quality = view.display == "quality";
    const bool difference = view.display == "difference";
    if ((quality || difference) && (view.view2d || view.selective))
        Fail("--display " + view.display + " replaces the volume display: leave out --view-2d and --selective");
    if (difference != !view.asBuilt.path.empty())
        Fail("--display difference and --as-built go together: the difference is the rig as built against the plan");
    if (!quality && (!view.measure.empty() || !view.qualityThreshold.empty()))
        Fail("--measure and --quality-threshold need --display quality");
    PlanningMeasure measure = PlanningMeasure::Cameras;
    if (!view.measure.empty()) {
        const auto key = PlanningMeasureFromKey(view.measure);
        if (!key)
            Fail("--measure: one of cameras, marker-px, angle, sigma");
        measure = *key;
    }
    std::optional<QualityThreshold> threshold;
    if (!view.qualityThreshold.empty()) {
        threshold = ParseQualityThreshold(view.qualityThreshold);
        if (!threshold)
            Fail("--quality-threshold OP,V: OP one of < <= == >= > != and V a number, e.g. --quality-threshold '<=,1'");
    }

    const bool planner = view.style == "planner";
    if (planner && (view.zoom != 0.0f || view.pan[0] != 0.0f || view.pan[1] != 0.0f))
        Fail("--pan and --zoom move the classic view; --style planner fits the room to the frame itself");

    RigPlanResult built = BuildRigPlan(rig);
    if (!built.plan)
        Fail(built.error);
    Plan draft = std::move(*built.plan);
    if (const auto error = ApplyCoverageOptions(coverage, draft, built.fromProject))
        Fail(*error);
    CCameraSet calibrationFile;
    if (const auto error = ImportCalibrationOption(coverage, calibrationFile))
        Fail(*error);
    if (const auto error = ApplyPlanningOptions(planning, draft.planning, draft.cameras))
        Fail(*error);
    const CPlanDocument document(std::move(draft));
    const Plan& plan = document.GetPlan();
    const std::shared_ptr<const CObstacleSet> obstacles = document.Obstacles();

    std::shared_ptr<const CCoverageDifference> differenceShown;
    if (difference) {
        const PlanComparison compared = CompareWithCalibration(
            view.asBuilt, {*RigAlignmentFromKey(view.align), *RigMatchingFromKey(view.match)}, plan, obstacles);
        if (!compared.difference)
            Fail(compared.error);
        differenceShown = compared.difference;
    }

    COffscreenContext context;
    if (!context.Create())
        Fail("Cannot draw without an OpenGL context: " + context.GetError());
    CFrameImage image;
    {
        CSceneRenderer renderer;
        renderer.InitGL();
        renderer.LoadPlan(plan);
        renderer.LoadCalibration(calibrationFile);
        renderer.SetRoomShown(!view.noRoom);
        renderer.SetDisplaySwitches(view.view2d, view.selective, !coverage.calibrationFile.empty());
        renderer.SetLegendShown(!view.noLegend);
        renderer.SetView({view.yaw, view.pitch, view.pan[0], view.pan[1], view.zoom});
        if (planner) {
            renderer.SetViewStyle(ViewStyle::Planner);
            // The room was converted to metres before the renderer saw it.
            const bool feet = plan.unit == "ft";
            renderer.SetRulerUnit(feet ? LengthUnit::Feet : LengthUnit::Metres);
        }
        if (view.orthographic)
            renderer.SetOrthographic();
        if (view.seeThrough)
            renderer.ToggleSeeThrough();
        renderer.SetScaleRows(scales->x, scales->y, scales->z);
        renderer.SetScaleDivisions(view.divisions);
        renderer.SetPlanningEnabled(planning.Requested());
        renderer.SetQualityDisplay(quality);
        renderer.SetQualityMeasure(measure);
        renderer.SetQualityThreshold(threshold);
        renderer.SetDifference(differenceShown);
        if (obstacles)
            renderer.SetObstacles(obstacles);

        // The frame that computes is the picture the window shows. Only a
        // truncation needs a second frame: each computation shows all layers.
        renderer.Render();
        if (const auto message = renderer.TakeComputationMessage())
            Fail(*message);
        if (view.shownLayers) {
            if (*view.shownLayers > renderer.GetLayerTotal())
                Fail("--shown-layers: the grid has " + std::to_string(renderer.GetLayerTotal()) + " layers");
            renderer.SetShownLayers(*view.shownLayers);
            renderer.Render();
        }
        image = context.ReadPixels();
        renderer.ReleaseGL();
    }
    if (const SaveResult saved = WritePng(view.pngFile, image); !saved)
        Fail("Unable to write file: " + view.pngFile + ": " + saved.reason);
}

} // namespace

void AddRenderCommand(CLI::App& app)
{
    CLI::App* command =
        app.add_subcommand("render", "Draw the view of the computed coverage, as the window shows it, into a PNG file");
    auto rig = std::make_shared<RigOptions>();
    auto coverage = std::make_shared<CoverageOptions>();
    auto planning = std::make_shared<PlanningOptions>();
    auto view = std::make_shared<ViewOptions>();
    AddRigOptions(*command, *rig);
    AddCoverageOptions(*command, *coverage);
    AddPlanningOptions(*command, *planning);
    DecimalNumbers(command->add_option("--yaw", view->yaw, "turn of the room about its vertical axis, degrees"))
        ->type_name("DEG")
        ->capture_default_str();
    DecimalNumbers(
        command->add_option("--pitch", view->pitch, "tilt of the scene about the screen's horizontal axis, degrees"))
        ->type_name("DEG")
        ->capture_default_str();
    DecimalNumbers(command->add_option("--pan", view->pan, "pan along the screen's x and y, scene units"))
        ->delimiter(',')
        ->expected(2)
        ->type_name("X,Y");
    DecimalNumbers(
        command->add_option("--zoom", view->zoom, "move towards the viewer, scene units (each zoom click is 0.5)"))
        ->type_name("Z")
        ->capture_default_str();
    command->add_flag("--orthographic", view->orthographic, "orthographic instead of perspective projection");
    command->add_flag("--see-through", view->seeThrough, "draw the volume as points");
    command->add_flag("--view-2d", view->view2d, "the camera-count layers, red where the iso condition holds");
    command->add_flag("--selective", view->selective, "the voxels every enabled camera of the range sees");
    command->add_flag("--no-legend", view->noLegend, "leave out the legend inset");
    command->add_flag("--no-room", view->noRoom, "leave out the floor slabs and corner posts");
    command->add_option("--scales", view->scales, "scale rulers shown: any of x, y, z, or none")
        ->type_name("xyz")
        ->capture_default_str();
    DecimalWholeNumbers(command->add_option("--divisions", view->divisions, "divisions of every scale ruler"))
        ->type_name("N")
        ->capture_default_str();
    DecimalWholeNumbers(
        command->add_option("--shown-layers", view->shownLayers, "draw only the lowest N layers of the volume"))
        ->type_name("N");
    command
        ->add_option("--display", view->display,
                     "classic (the map, or what --view-2d or --selective choose), quality, or difference (the "
                     "rig as built of --as-built against the plan)")
        ->check(CLI::IsMember({"classic", "quality", "difference"}))
        ->capture_default_str();
    CLI::Option* asBuilt = command
                               ->add_option("--as-built", view->asBuilt.path,
                                            "the calibration of the rig as built, for --display difference")
                               ->type_name("FILE|FOLDER");
    AddAsBuiltReaderOptions(*command, view->asBuilt, asBuilt);
    command->add_option("--align", view->align, "as compare's: none, rigid or similarity")
        ->check(CLI::IsMember({"none", "rigid", "similarity"}))
        ->capture_default_str()
        ->needs(asBuilt);
    command->add_option("--match", view->match, "as compare's: labels or nearest")
        ->check(CLI::IsMember({"labels", "nearest"}))
        ->capture_default_str()
        ->needs(asBuilt);
    command
        ->add_option("--measure", view->measure,
                     "measure of the Quality display: cameras, marker-px, angle, sigma, occlusion")
        ->type_name("M");
    command->add_option("--quality-threshold", view->qualityThreshold, "show only voxels whose measure meets OP V")
        ->type_name("OP,V");
    command
        ->add_option("--style", view->style,
                     "classic, or planner: the room fitted to the frame in its true proportions, with rulers "
                     "in the room's unit (their own ticks: --scales and --divisions are the classic style's), "
                     "keyed legend and status, and the cameras' view pyramids")
        ->check(CLI::IsMember({"classic", "planner"}))
        ->capture_default_str();
    command->add_option("--png", view->pngFile, "the PNG file to write (1000 x 725)")->type_name("FILE")->required();
    command->callback([rig, coverage, planning, view]() { RunRender(*rig, *coverage, *planning, *view); });
}
