#include "app/ShareCommands.h"

#include "app/BusyCursor.h"
#include "app/ClassicPlan.h"
#include "app/ReplaceQuestion.h"
#include "app/UserPrompts.h"
#include "app/VolumePlannerDlg.h"
#include "coverage/CoverageVolume.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "exports/GltfExport.h"
#include "exports/WebPage.h"
#include "project/PlanInput.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

#include <QDate>

#include <filesystem>

namespace
{

const FileDialogRequest kExportGltf{"Export glTF", "plan", "glb",
                                    "glTF Binary (*.glb)|*.glb|glTF with its buffer inside (*.gltf)|*.gltf||"};
const FileDialogRequest kShareWebPage{"Share as Web Page", "plan", "html", "Web Page (*.html)|*.html||"};

} // namespace

std::optional<std::string> RunShareCommand(ShareFormat format, const ShareRequest& request, CUserPrompts& prompts)
{
    if (!request.volume || !request.volume->HasResults()) {
        prompts.ShowMessage("There is no coverage to share yet: press RENDER first", "Invalid Action",
                            PromptButtons::Ok);
        return std::nullopt;
    }
    // The scripts before the question: a page that cannot be made is said at once.
    WebScripts scripts;
    if (format == ShareFormat::WebPage) {
        if (const auto error = ReadWebScripts(request.threeDir, scripts)) {
            prompts.ShowMessageWithReason("The web page cannot be made", *error, "Error");
            return std::nullopt;
        }
    }
    const std::optional<std::string> path =
        ChooseFileToWrite(prompts, format == ShareFormat::Gltf ? kExportGltf : kShareWebPage);
    if (!path)
        return std::nullopt;
    if (format == ShareFormat::Gltf && !GltfIsBinary(*path)) {
        prompts.ShowMessage("Choose a file ending in .glb or .gltf", "Invalid Action", PromptButtons::Ok);
        return std::nullopt;
    }
    // The target judged as the report and the command line judge it, at the report's defaults.
    TargetRule target;
    target.boxes = request.target;
    const ShareFigures figures = CollectShareFigures(request.input, *request.volume, request.planning, &target);
    const ShareSource source{request.input, *request.volume, request.planning, figures,
                             request.title, request.display, request.target};
    SaveResult written;
    {
        const CBusyCursor busy;
        written = format == ShareFormat::Gltf ? WriteGltf(*path, source) : WriteWebPage(*path, source, scripts);
    }
    if (!written) {
        prompts.ShowMessageWithReason("Unable to write file\n" + *path, written.reason, "Error");
        return std::nullopt;
    }
    return (format == ShareFormat::Gltf ? "Plan exported to " : "Web page written to ") + *path;
}

CShareCommands::CShareCommands(CVolumePlannerDlg& dialog, CClassicPlan& plan,
                               std::function<ProjectWindowState()> windowState)
    : QObject(&dialog), m_dialog(dialog), m_plan(plan), m_windowState(std::move(windowState))
{
}

void CShareCommands::ExportGltf()
{
    Run(ShareFormat::Gltf);
}

void CShareCommands::ShareWebPage()
{
    Run(ShareFormat::WebPage);
}

void CShareCommands::Run(ShareFormat format)
{
    if (!m_dialog.IsSceneReady())
        return;
    if (const auto text = RunShareCommand(format, Request(), m_dialog.Prompts()))
        emit saved(QString::fromStdString(*text));
}

ShareRequest CShareCommands::Request() const
{
    const CSceneRenderer& renderer = m_dialog.View()->Renderer();
    ShareRequest request;
    request.volume = &renderer.GetVolume();
    request.planning = renderer.GetPlanning().HasResults() ? &renderer.GetPlanning() : nullptr;
    // What the coverage shown was computed from, the edges it derived with it.
    request.input = renderer.GetComputedInput();
    // The title block as Export Report fills it.
    const Plan& plan = m_plan.GetPlan();
    const ProjectReport& held = plan.report;
    request.title = {held.title, held.client, held.site, held.author, held.date};
    const std::string& path = m_plan.Document().Path();
    if (request.title.projectName.empty())
        request.title.projectName =
            path.empty() ? std::string("Untitled plan") : std::filesystem::path(path).stem().string();
    if (request.title.date.empty())
        request.title.date = QDate::currentDate().toString(Qt::ISODate).toStdString();
    const ProjectWindowState state = m_windowState();
    request.display = {state.display, state.qualityMeasure, state.qualityThreshold};
    request.target = PlanTarget(plan);
    request.threeDir = DefaultThreeDir();
    return request;
}
