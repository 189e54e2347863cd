#pragma once

#include "app/DialogPlan.h"
#include "coverage/placement/PlacementSetup.h"
#include "document/PlanDocument.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CQtPlanDocument;
class CVolumePlannerDlg;
class QAction;
class QUndoStack;

// The classic window's plan: the one plan document it works on, and the
// crossing between that document and the classic window's own state (the
// dialog's boxes, the scene settings, the camera set and the coverage
// parameters it stores into, which its view draws and computes).
//
// The dialog stores as it always did; at defined points what it stored
// becomes a step of the document: RENDER, Update Settings, Iso Volume, the
// active range, Load File and Enter, and before every other step, undo, redo
// and save. The panels change the plan by the document's edits (Edit), and
// the classic state then shows the plan after them; so does an undo, a redo,
// an opened plan and a new one. The document is the truth: the report,
// exports, comparisons and placements read it.
class CClassicPlan : public QObject, public CDialogPlan
{
    Q_OBJECT
  public:
    explicit CClassicPlan(CVolumePlannerDlg& dialog);
    ~CClassicPlan() override;
    CClassicPlan(const CClassicPlan&) = delete;
    CClassicPlan& operator=(const CClassicPlan&) = delete;

    CPlanDocument& Document() { return m_document; }
    const Plan& GetPlan() const { return m_document.GetPlan(); }
    QUndoStack& UndoStack() const;
    // Edit > Undo and Redo with their shortcuts, named after the step they
    // take; enabled while there is one.
    QAction* UndoAction() const { return m_pUndo; }
    QAction* RedoAction() const { return m_pRedo; }

    // The plan as the classic state holds it now (a room typed in feet in
    // metres, as the next frame converts it), with what only the document
    // holds: obstacles, placement, report details, view.
    Plan Captured() const;
    // The room the window shows, in metres, as Captured has it.
    RoomSize Room() const;
    // The classic state holds the document's plan; typed edits not stored aside.
    bool IsClassicStateCurrent() const;

    // What the dialog stored since the last step becomes a step named for what
    // changed ("Room change", "Camera edits", ...). A plan the document
    // refuses (a camera loaded from a file more than 10 m outside the room)
    // is named, and the classic state shows the document's plan again.
    void RecordEdits() override;
    // The same as one step named `name`.
    void Take(const std::string& name) override;
    // One step of the document's edits: what the dialog stored first becomes
    // a step of its own, then `edit` changes the plan; the classic state shows
    // the plan after it. The refusal, with the plan as it was, when there is one.
    std::optional<std::string> Edit(const std::string& name, const CPlanDocument::Edit& edit);
    std::optional<std::string> ResetRig(uint32_t count) override;

    // A new plan in place of this one (File > New Plan): no file, its own history.
    void StartNew(Plan plan);
    // Enter set up a new rig since the plan was last opened or saved, and the
    // file holds another: Save asks before it replaces it.
    bool IsSavedRigReplaced() const;

  signals:
    // The classic state shows the document's plan after a step, an undo, a
    // redo, an opened plan or a new one.
    void planShown();

  private:
    void Heard(const PlanChange& change);
    // The document's plan into the classic state when it holds another (an
    // opened or new plan always), then the dialog's boxes; `opened` for a plan
    // opened or new (its rig not edited).
    void Show(bool opened);
    // The classic state as a step: `name` when given, else named by what changed.
    void TakeCaptured(const std::optional<std::string>& name);
    // After a computation refused the grid and the dialog put the room before back.
    void DropRefusedStep();
    void Undo();
    void Redo();

    CVolumePlannerDlg& m_dialog;
    CPlanDocument m_document;
    std::unique_ptr<CQtPlanDocument> m_pQt;
    QAction* m_pUndo;
    QAction* m_pRedo;
    // A step is being taken from the classic state, which holds it already.
    bool m_bTaking = false;
    int m_nListener = -1;
    // The cameras of the plan as last opened or saved, and whether Enter replaced them since.
    std::vector<PlanCamera> m_savedCameras;
    bool m_bRigReset = false;
};
