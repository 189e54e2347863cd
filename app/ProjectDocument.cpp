#include "app/ProjectDocument.h"

#include "classic/PlanCrossing.h"
#include "app/ReplaceQuestion.h"
#include "scene/RoomBox.h"

#include <filesystem>

namespace
{

const FileDialogRequest kProjectOpen{"Open Project", "plan", "vplan", "Volume Planner Projects (*.vplan)|*.vplan||"};
const FileDialogRequest kProjectSave{"Save Project", "plan", "vplan", "Volume Planner Projects (*.vplan)|*.vplan||"};

} // namespace

CProjectDocument::CProjectDocument(CUserPrompts& prompts, WindowLink link) : m_prompts(prompts), m_link(std::move(link))
{
}

ObstacleList CProjectDocument::ResolvedObstacles() const
{
    if (!m_link.obstacles)
        return {};
    ObstacleList list = m_link.obstacles();
    const std::filesystem::path folder(m_strMeshFolder);
    for (ObstacleMesh& mesh : list.meshes)
        if (std::filesystem::path(mesh.file).is_relative() && !folder.empty())
            mesh.file = (folder / mesh.file).string();
    return list;
}

Plan CProjectDocument::CurrentProject(const std::string& path, bool withWindow) const
{
    Plan project = CapturePlan(m_link.unit(), m_link.resolutionCamera(), m_kept);
    if (m_link.obstacles) {
        project.obstacles = ResolvedObstacles();
        // Relative to the project's own folder, so that a plan sent on with
        // its meshes beside it opens anywhere.
        std::error_code error;
        const std::filesystem::path folder =
            std::filesystem::absolute(std::filesystem::path(path).parent_path(), error).lexically_normal();
        for (ObstacleMesh& mesh : project.obstacles.meshes) {
            const std::filesystem::path file = std::filesystem::absolute(mesh.file, error).lexically_normal();
            const std::filesystem::path relative = file.lexically_relative(folder);
            if (!path.empty() && !relative.empty())
                mesh.file = relative.generic_string();
        }
    }
    if (m_link.plannerView)
        project.plannerView = m_link.plannerView();
    if (m_link.placement) {
        if (std::optional<ProjectPlacement> placement = m_link.placement())
            project.placement = std::move(*placement);
    }
    project.report = m_report;
    // A title block cleared in the window goes from the file too, keys of other programs aside.
    if (const auto kept = project.kept.find("report"); m_report.empty() && kept != project.kept.end()) {
        const Json rest = ProjectReportJson(m_report, *kept);
        if (rest.empty())
            project.kept.erase(kept);
        else
            *kept = rest;
    }
    if (withWindow && m_link.windowState)
        project.window = m_link.windowState();
    return project;
}

ObstacleList CProjectDocument::PortableObstacles() const
{
    return ResolvedObstacles();
}

std::string CProjectDocument::CurrentText() const
{
    return ProjectText(CurrentProject(m_strPath, false));
}

void CProjectDocument::StartNew()
{
    m_strPath.clear();
    m_strMeshFolder.clear();
    m_strSavedText.clear();
    m_kept = Json::object();
}

bool CProjectDocument::IsModified() const
{
    if (m_link.hasPendingEdits())
        return true;
    // A window without a rig has nothing to lose until a project is opened.
    if (m_strSavedText.empty())
        return m_link.hasRig();
    return CurrentText() != m_strSavedText;
}

std::string CProjectDocument::Title() const
{
    const std::string name =
        m_strPath.empty() ? std::string("Untitled plan") : std::filesystem::path(m_strPath).filename().string();
    return IsModified() ? name + "*" : name;
}

bool CProjectDocument::Open()
{
    if (!MayDiscard())
        return false;
    const std::optional<std::string> path = m_prompts.ChooseFileToOpen(kProjectOpen);
    return path && Read(*path);
}

bool CProjectDocument::OpenFile(const std::string& path)
{
    return MayDiscard() && Read(path);
}

bool CProjectDocument::Read(const std::string& path)
{
    const ProjectReadResult read = ReadProjectFile(path);
    if (!read.plan) {
        m_prompts.ShowMessage("Project not opened\n" + read.error, "File Not Found", PromptButtons::Ok);
        return false;
    }
    if (m_link.setObstacles) {
        const std::string baseDir = std::filesystem::path(path).parent_path().string();
        if (const auto error = m_link.setObstacles(read.plan->obstacles, baseDir)) {
            m_prompts.ShowMessage("Project not opened\n" + *error, "File Not Found", PromptButtons::Ok);
            return false;
        }
    }
    CRoomBox room;
    ApplyPlan(*read.plan, room);
    m_strPath = path;
    m_strMeshFolder = std::filesystem::path(path).parent_path().string();
    m_kept = read.plan->kept;
    m_report = read.plan->report;
    m_link.projectOpened(*read.plan);
    m_strSavedText = CurrentText();
    return true;
}

bool CProjectDocument::WriteTo(const std::string& path)
{
    const Plan project = CurrentProject(path, true);
    if (const auto error = CheckPlan(project)) {
        m_prompts.ShowMessage("The plan cannot be saved\n" + *error, "Error", PromptButtons::Ok);
        return false;
    }
    if (const SaveResult saved = WriteProjectFile(path, project); !saved) {
        m_prompts.ShowMessageWithReason("Unable to Create File\n" + path, saved.reason, "Error");
        return false;
    }
    m_strPath = path;
    m_strSavedText = ProjectText(CurrentProject(path, false));
    return true;
}

bool CProjectDocument::Save()
{
    if (!m_link.hasRig()) {
        m_prompts.ShowMessage("No cameras loaded", "Invalid Action", PromptButtons::Ok);
        return false;
    }
    return m_strPath.empty() ? SaveAs() : WriteTo(m_strPath);
}

bool CProjectDocument::SaveAs()
{
    if (!m_link.hasRig()) {
        m_prompts.ShowMessage("No cameras loaded", "Invalid Action", PromptButtons::Ok);
        return false;
    }
    std::optional<std::string> path = m_prompts.ChooseFileToSave(kProjectSave);
    if (!path)
        return false;
    if (std::filesystem::path(*path).extension().empty())
        *path += kProjectExtension;
    // Saving over the plan's own file is what Save does: no question.
    if (*path != m_strPath && !MayReplaceFile(m_prompts, *path, kProjectSave.title))
        return false;
    return WriteTo(*path);
}

bool CProjectDocument::MayDiscard()
{
    if (!IsModified())
        return true;
    // Save saves first (a save that fails or is cancelled keeps the plan),
    // Discard lets the changes go, Cancel keeps the plan as it is.
    const PromptAnswer answer = m_prompts.ShowMessage("The plan has unsaved changes.\nSave them before they are lost?",
                                                      "Warning", PromptButtons::SaveDiscardCancel);
    if (answer == PromptAnswer::Discard)
        return true;
    return answer == PromptAnswer::Save && Save();
}
