#pragma once

#include "project/Plan.h"

#include <QObject>

#include <optional>
#include <string>

class CClassicPlan;
class CVolumePlannerDlg;
class QAction;

// Edit > Copy, Paste and Duplicate Camera. Copy keeps the selected camera's
// values (lens, sensor, aim, position, enabled) beside the plan, so they
// survive a new rig or an opened project; Paste adds them as a new camera
// after the last, Duplicate adds a copy of the selected camera. Each addition
// is one step of the plan's history and selects the new camera.
class CCameraClipboard : public QObject
{
    Q_OBJECT
  public:
    CCameraClipboard(CVolumePlannerDlg& dialog, CClassicPlan& plan, QObject* parent);

    QAction* CopyAction() const { return m_pCopy; }
    QAction* PasteAction() const { return m_pPaste; }
    QAction* DuplicateAction() const { return m_pDuplicate; }

  private:
    void Copy();
    void Paste();
    void Duplicate();
    // The selected camera of the plan, or nothing after saying that none is.
    std::optional<PlanCamera> SelectedCamera() const;
    void Append(const std::string& name, PlanCamera camera);

    CVolumePlannerDlg& m_dialog;
    CClassicPlan& m_plan;
    // One camera once copied.
    std::optional<PlanCamera> m_copied;
    QAction* m_pCopy;
    QAction* m_pPaste;
    QAction* m_pDuplicate;
};
