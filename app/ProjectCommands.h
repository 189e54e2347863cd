#pragma once

#include "app/ProjectDocument.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class CObstacleSet;
class CVolumePlannerDlg;
struct PlanPlacement;
class QMenu;
class QAction;
class QTimer;

// The File menu's commands on whole plans: project files, exports of the
// coverage for other tools and the picture of the view; the title that
// names the plan, and the question before unsaved changes are lost.
class CProjectCommands : public QObject
{
    Q_OBJECT
  public:
    // `obstacles` is the window's set, saved with the plan and replaced by an
    // opened one's; `placement` the plan's mounts and target, the same.
    CProjectCommands(CVolumePlannerDlg& dialog, const std::shared_ptr<CObstacleSet>& obstacles,
                     const std::shared_ptr<PlanPlacement>& placement);

    CProjectDocument& Document() { return m_document; }
    void OpenProject();
    // A project chosen from File > Open Recent; true once opened.
    bool OpenProjectFile(const QString& path);
    void SaveProject();
    void SaveProjectAs();
    // VTK, PLY or CSV, by the extension of the file chosen.
    void ExportCoverage();
    void SaveViewAsPng();
    // The title now: the classic caption until there is a plan, then the
    // plan's name with a star while it has unsaved changes.
    void UpdateTitle();
    // What the window shows, saved with the plan and shown again when a
    // plan that holds it is opened. Without it no window state is saved.
    void SetWindowStateLink(std::function<ProjectWindowState()> capture,
                            std::function<void(const ProjectWindowState&)> restore);

  signals:
    // An opened project replaced the window's obstacles.
    void obstaclesReplaced();
    // An opened project set the view's style.
    void viewStyleRestored();
    // An opened project replaced the plan (its placement mounts and target
    // too), and the window shows it.
    void projectOpened();
    // A project was opened from or saved to `path`.
    void projectFileUsed(const QString& path);
    // A save or an export wrote its file: `text` says which and where.
    void saved(const QString& text);

  private:
    void ConfirmProjectSaved();

    CVolumePlannerDlg& m_dialog;
    CProjectDocument m_document;
    QString m_strClassicTitle;
    QTimer* m_pTitleTimer;
    std::function<ProjectWindowState()> m_captureWindow;
    std::function<void(const ProjectWindowState&)> m_restoreWindow;
};
