#include "app/ProjectCommands.h"

#include "app/BusyCursor.h"
#include "app/ClassicPlan.h"
#include "app/CoverageExport.h"
#include "app/ReplaceQuestion.h"
#include "app/VolumePlannerDlg.h"
#include "project/ProjectFile.h"
#include "render/PngWriter.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

#include <QImage>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace
{

const FileDialogRequest kProjectOpen{"Open Project", "plan", "vplan", "Volume Planner Projects (*.vplan)|*.vplan||"};
const FileDialogRequest kProjectSave{"Save Project", "plan", "vplan", "Volume Planner Projects (*.vplan)|*.vplan||"};
const FileDialogRequest kSaveView{"Save View as PNG", "view", "png", "PNG Pictures (*.png)|*.png||"};

// Often enough to follow typing, seldom enough to cost nothing.
constexpr int kTitleRefreshMs = 400;

// The widget's picture, rows top-down, as the frame the PNG writer takes (rows bottom-up).
CFrameImage FrameOf(const QImage& picture)
{
    const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    CFrameImage frame;
    frame.m_nWidth = rgba.width();
    frame.m_nHeight = rgba.height();
    frame.m_pixels.resize(static_cast<size_t>(frame.m_nWidth) * static_cast<size_t>(frame.m_nHeight) * 4);
    const size_t row = static_cast<size_t>(frame.m_nWidth) * 4;
    for (int y = 0; y < frame.m_nHeight; ++y)
        std::memcpy(&frame.m_pixels[static_cast<size_t>(frame.m_nHeight - 1 - y) * row], rgba.constScanLine(y), row);
    return frame;
}

} // namespace

CProjectCommands::CProjectCommands(CVolumePlannerDlg& dialog, CClassicPlan& plan)
    : QObject(&dialog), m_dialog(dialog), m_plan(plan), m_strClassicTitle(dialog.windowTitle()),
      m_pTitleTimer(new QTimer(this))
{
    // Without a scene there is no plan to lose.
    dialog.SetCloseGuard([this] { return !m_dialog.IsSceneReady() || MayDiscard(); });
    connect(m_pTitleTimer, &QTimer::timeout, this, &CProjectCommands::UpdateTitle);
    m_pTitleTimer->start(kTitleRefreshMs);
}

CPlanDocument& CProjectCommands::Document()
{
    return m_plan.Document();
}

void CProjectCommands::SetWindowStateLink(std::function<ProjectWindowState()> capture,
                                          std::function<void(const ProjectWindowState&)> restore)
{
    m_captureWindow = std::move(capture);
    m_restoreWindow = std::move(restore);
}

bool CProjectCommands::IsModified() const
{
    return m_plan.Document().IsModified() || !m_plan.IsClassicStateCurrent() || m_dialog.AreCameraEditsTyped();
}

void CProjectCommands::UpdateTitle()
{
    const CPlanDocument& document = m_plan.Document();
    if (!m_dialog.IsSceneReady() || (!m_dialog.AreCamerasInitialised() && document.Path().empty())) {
        m_dialog.setWindowTitle(m_strClassicTitle);
        return;
    }
    std::string title = document.Title();
    if (!document.IsModified() && IsModified())
        title += "*";
    m_dialog.setWindowTitle(QString::fromStdString(title) + " - " + m_strClassicTitle);
}

bool CProjectCommands::MayDiscard()
{
    m_plan.RecordEdits();
    if (!IsModified())
        return true;
    // Save saves first (a save that fails or is cancelled keeps the plan),
    // Discard lets the changes go, Cancel keeps the plan as it is.
    const PromptAnswer answer = m_dialog.Prompts().ShowMessage(
        "The plan has unsaved changes.\nSave them before they are lost?", "Warning", PromptButtons::SaveDiscardCancel);
    if (answer == PromptAnswer::Discard)
        return true;
    return answer == PromptAnswer::Save && Save();
}

void CProjectCommands::OpenProject()
{
    if (!m_dialog.IsSceneReady() || !MayDiscard())
        return;
    const std::optional<std::string> path = m_dialog.Prompts().ChooseFileToOpen(kProjectOpen);
    if (path && Read(*path))
        emit projectFileUsed(QString::fromStdString(*path));
    UpdateTitle();
}

bool CProjectCommands::OpenProjectFile(const QString& path)
{
    if (!m_dialog.IsSceneReady())
        return false;
    const bool opened = MayDiscard() && Read(path.toStdString());
    if (opened)
        emit projectFileUsed(path);
    UpdateTitle();
    return opened;
}

bool CProjectCommands::Read(const std::string& path)
{
    std::optional<std::string> error;
    {
        const CBusyCursor busy;
        error = m_plan.Document().Open(path);
    }
    if (error) {
        // The user has just chosen the file: the message says what is wrong with it.
        if (error->rfind(path + ": ", 0) == 0)
            error->erase(0, path.size() + 2);
        m_dialog.Prompts().ShowMessage("Project not opened\n" + *error, "File Not Found", PromptButtons::Ok);
        return false;
    }
    const Plan& plan = m_plan.GetPlan();
    m_dialog.View()->SetViewStyle(plan.plannerView ? ViewStyle::Planner : ViewStyle::Classic);
    emit viewStyleRestored();
    emit projectOpened();
    if (plan.window && m_restoreWindow)
        m_restoreWindow(*plan.window);
    return true;
}

bool CProjectCommands::WriteTo(const std::string& path)
{
    CPlanDocument& document = m_plan.Document();
    std::optional<ProjectWindowState> window;
    if (m_captureWindow)
        window = m_captureWindow();
    document.SetShown(m_dialog.View()->GetViewStyle() == ViewStyle::Planner, window);
    if (const auto error = CheckPlan(document.GetPlan())) {
        m_dialog.Prompts().ShowMessage("The plan cannot be saved\n" + *error, "Error", PromptButtons::Ok);
        return false;
    }
    if (const SaveResult saved = document.SaveAs(path); !saved) {
        m_dialog.Prompts().ShowMessageWithReason("Unable to Create File\n" + path, saved.reason, "Error");
        return false;
    }
    return true;
}

bool CProjectCommands::Save()
{
    m_plan.RecordEdits();
    if (!m_dialog.AreCamerasInitialised() || m_plan.GetPlan().cameras.empty()) {
        m_dialog.Prompts().ShowMessage("No cameras loaded", "Invalid Action", PromptButtons::Ok);
        return false;
    }
    const std::string& path = m_plan.Document().Path();
    if (path.empty())
        return SaveAs();
    // Enter set up a new rig: the file holds the one the user saved, maybe the only copy of it. A careful user
    // is asked before it is replaced; No keeps the file, and Save Project As writes the new rig elsewhere.
    if (m_plan.IsSavedRigReplaced() &&
        m_dialog.Prompts().ShowMessage(std::filesystem::path(path).filename().string() +
                                           " holds the rig it was saved with; Enter has set up a new one since.\n"
                                           "Replace the saved rig with the new one?",
                                       "Warning", PromptButtons::YesNo) != PromptAnswer::Yes)
        return false;
    return WriteTo(path);
}

bool CProjectCommands::SaveAs()
{
    m_plan.RecordEdits();
    if (!m_dialog.AreCamerasInitialised() || m_plan.GetPlan().cameras.empty()) {
        m_dialog.Prompts().ShowMessage("No cameras loaded", "Invalid Action", PromptButtons::Ok);
        return false;
    }
    std::optional<std::string> path = m_dialog.Prompts().ChooseFileToSave(kProjectSave);
    if (!path)
        return false;
    if (std::filesystem::path(*path).extension().empty())
        *path += kProjectExtension;
    // Saving over the plan's own file is what Save does: no question.
    if (*path != m_plan.Document().Path() && !MayReplaceFile(m_dialog.Prompts(), *path, kProjectSave.title))
        return false;
    return WriteTo(*path);
}

void CProjectCommands::SaveProject()
{
    if (!m_dialog.IsSceneReady())
        return;
    if (Save())
        ConfirmProjectSaved();
    UpdateTitle();
}

void CProjectCommands::SaveProjectAs()
{
    if (!m_dialog.IsSceneReady())
        return;
    if (SaveAs())
        ConfirmProjectSaved();
    UpdateTitle();
}

void CProjectCommands::ConfirmProjectSaved()
{
    const QString path = QString::fromStdString(m_plan.Document().Path());
    emit saved("Project saved to " + path);
    emit projectFileUsed(path);
}

void CProjectCommands::ExportCoverage()
{
    CUserPrompts& prompts = m_dialog.Prompts();
    const CSceneRenderer& renderer = m_dialog.View()->Renderer();
    if (!m_dialog.IsSceneReady() || !renderer.GetVolume().HasResults()) {
        prompts.ShowMessage("There is no coverage to export yet: press RENDER first", "Invalid Action",
                            PromptButtons::Ok);
        return;
    }
    const CPlanningMeasures* planning = renderer.GetPlanning().HasResults() ? &renderer.GetPlanning() : nullptr;
    if (const auto text = RunCoverageExport(prompts, renderer.GetVolume(), renderer.GetComputedInput(), planning))
        emit saved(QString::fromStdString(*text));
}

void CProjectCommands::SaveViewAsPng()
{
    if (!m_dialog.IsSceneReady())
        return;
    const std::optional<std::string> path = ChooseFileToWrite(m_dialog.Prompts(), kSaveView);
    if (!path)
        return;
    if (const SaveResult written = WritePng(*path, FrameOf(m_dialog.View()->grabFramebuffer())); !written)
        m_dialog.Prompts().ShowMessageWithReason("Unable to write file\n" + *path, written.reason, "Error");
    else
        emit saved("View saved to " + QString::fromStdString(*path));
}
