#pragma once

#include "project/ProjectWindowState.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>

class CClassicPlan;
class CPlanDocument;
class CVolumePlannerDlg;
class QTimer;

// The File menu's commands on whole plans: project files, exports of the
// coverage for other tools and the picture of the view; the title that
// names the plan, and the question before unsaved changes are lost. The
// plan is the window's document (app/ClassicPlan); every save goes through
// it, so mesh files are written relative to the project's folder.
class CProjectCommands : public QObject
{
    Q_OBJECT
  public:
    CProjectCommands(CVolumePlannerDlg& dialog, CClassicPlan& plan);

    CPlanDocument& Document();
    void OpenProject();
    // A project chosen from File > Open Recent; true once opened.
    bool OpenProjectFile(const QString& path);
    void SaveProject();
    void SaveProjectAs();
    // Whether the plan, with what the boxes stored and typed, has changes its file has not.
    bool IsModified() const;
    // Before the plan is discarded: true when it may go (nothing unsaved, the
    // user saved it, or the user agreed to lose it).
    bool MayDiscard();
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
    // Reads the file whole and shows it; a refusal, named, leaves the plan as it was.
    bool Read(const std::string& path);
    bool WriteTo(const std::string& path);
    bool Save();
    bool SaveAs();
    void ConfirmProjectSaved();

    CVolumePlannerDlg& m_dialog;
    CClassicPlan& m_plan;
    QString m_strClassicTitle;
    QTimer* m_pTitleTimer;
    std::function<ProjectWindowState()> m_captureWindow;
    std::function<void(const ProjectWindowState&)> m_restoreWindow;
};
