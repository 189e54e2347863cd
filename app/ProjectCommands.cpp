#include "app/ProjectCommands.h"

#include "app/BusyCursor.h"
#include "app/PlanPlacement.h"
#include "app/ReplaceQuestion.h"
#include "app/VolumePlannerDlg.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "exports/VoxelExport.h"
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

const FileDialogRequest kExportCoverage{"Export Coverage", "coverage", "vtk",
                                        "VTK Volume (*.vtk)|*.vtk|PLY Point Cloud (*.ply)|*.ply|"
                                        "Voxel Table (*.csv)|*.csv||"};
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

CProjectCommands::CProjectCommands(CVolumePlannerDlg& dialog, const std::shared_ptr<CObstacleSet>& obstacles,
                                   const std::shared_ptr<PlanPlacement>& placement)
    : QObject(&dialog), m_dialog(dialog),
      m_document(
          dialog.Prompts(),
          {[&dialog] { return dialog.TypedUnit(); },
           [&dialog] { return static_cast<uint32_t>(dialog.View()->Renderer().GetVolume().GetResolutionCamera() + 1); },
           [&dialog] { return dialog.AreCamerasInitialised(); }, [&dialog] { return dialog.AreCameraEditsTyped(); },
           [this, &dialog, placement](const Plan& project) {
               *placement = {project.placement, std::nullopt};
               dialog.View()->SetViewStyle(project.plannerView ? ViewStyle::Planner : ViewStyle::Classic);
               emit viewStyleRestored();
               dialog.ShowOpenedPlan(project.unit, static_cast<int>(project.resolutionCamera) - 1);
               emit projectOpened();
               if (project.window && m_restoreWindow)
                   m_restoreWindow(*project.window);
           },
           [obstacles] { return ObstacleListOf(*obstacles); },
           [this, obstacles](const ObstacleList& list, const std::string& baseDir) {
               std::optional<std::string> error;
               {
                   const CBusyCursor busy;
                   error = BuildObstacleSet(list, baseDir, *obstacles);
               }
               if (!error)
                   emit obstaclesReplaced();
               return error;
           },
           [&dialog] { return dialog.View()->GetViewStyle() == ViewStyle::Planner; },
           [placement] { return placement->edited; },
           [this]() -> std::optional<ProjectWindowState> {
               if (!m_captureWindow)
                   return std::nullopt;
               return m_captureWindow();
           }}),
      m_strClassicTitle(dialog.windowTitle()), m_pTitleTimer(new QTimer(this))
{
    // Without a scene there is no plan to lose.
    dialog.SetCloseGuard([this] { return !m_dialog.IsSceneReady() || m_document.MayDiscard(); });
    connect(m_pTitleTimer, &QTimer::timeout, this, &CProjectCommands::UpdateTitle);
    m_pTitleTimer->start(kTitleRefreshMs);
}

void CProjectCommands::SetWindowStateLink(std::function<ProjectWindowState()> capture,
                                          std::function<void(const ProjectWindowState&)> restore)
{
    m_captureWindow = std::move(capture);
    m_restoreWindow = std::move(restore);
}

void CProjectCommands::UpdateTitle()
{
    if (!m_dialog.IsSceneReady() || (!m_dialog.AreCamerasInitialised() && m_document.Path().empty())) {
        m_dialog.setWindowTitle(m_strClassicTitle);
        return;
    }
    m_dialog.setWindowTitle(QString::fromStdString(m_document.Title()) + " - " + m_strClassicTitle);
}

void CProjectCommands::OpenProject()
{
    if (!m_dialog.IsSceneReady())
        return;
    if (m_document.Open())
        emit projectFileUsed(QString::fromStdString(m_document.Path()));
    UpdateTitle();
}

bool CProjectCommands::OpenProjectFile(const QString& path)
{
    if (!m_dialog.IsSceneReady())
        return false;
    const bool opened = m_document.OpenFile(path.toStdString());
    if (opened)
        emit projectFileUsed(path);
    UpdateTitle();
    return opened;
}

void CProjectCommands::SaveProject()
{
    if (!m_dialog.IsSceneReady())
        return;
    if (m_document.Save())
        ConfirmProjectSaved();
    UpdateTitle();
}

void CProjectCommands::SaveProjectAs()
{
    if (!m_dialog.IsSceneReady())
        return;
    if (m_document.SaveAs())
        ConfirmProjectSaved();
    UpdateTitle();
}

void CProjectCommands::ConfirmProjectSaved()
{
    const QString path = QString::fromStdString(m_document.Path());
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
    std::optional<std::string> path = ChooseFileToWrite(prompts, kExportCoverage);
    if (!path)
        return;
    std::string extension = std::filesystem::path(*path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const CPlanningMeasures* planning = renderer.GetPlanning().HasResults() ? &renderer.GetPlanning() : nullptr;
    SaveResult written;
    if (extension == ".vtk")
        written = WriteVtk(*path, renderer.GetVolume(), renderer.GetComputedInput(), planning);
    else if (extension == ".ply")
        written = WritePly(*path, renderer.GetVolume(), renderer.GetComputedInput(), planning);
    else if (extension == ".csv")
        written = WriteVoxelTable(*path, renderer.GetVolume(), renderer.GetComputedInput(), planning);
    else {
        prompts.ShowMessage("Choose a file ending in .vtk, .ply or .csv", "Invalid Action", PromptButtons::Ok);
        return;
    }
    if (!written)
        prompts.ShowMessageWithReason("Unable to write file\n" + *path, written.reason, "Error");
    else
        emit saved("Coverage exported to " + QString::fromStdString(*path));
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
