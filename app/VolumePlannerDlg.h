#pragma once

#include "app/CameraEditor.h"
#include "app/DialogItems.h"
#include "app/RigFileCommands.h"
#include "app/RigMarks.h"
#include "app/RoomForm.h"
#include "app/UserPrompts.h"
#include "app/VolumeCriteria.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <utility>

class CDialogPlan;
class CVolumeView;

// The program's one window: the OpenGL view with every control around it.
// Handlers read the controls as text, store what they read in the scene
// settings, the camera set and the coverage parameters, and ask the view to
// repaint; they never draw. The room form, the volume criteria, the camera
// editor and the rig-file commands are parts of their own; the dialog wires
// the controls to them and keeps the camera count, the active range and the
// view's commands.
class CVolumePlannerDlg : public QDialog
{
    Q_OBJECT
  public:
    // Without prompts the dialog asks through Qt's message boxes and file dialogs.
    explicit CVolumePlannerDlg(std::unique_ptr<CUserPrompts> prompts = nullptr, QWidget* parent = nullptr);
    ~CVolumePlannerDlg() override;
    CVolumePlannerDlg(const CVolumePlannerDlg&) = delete;
    CVolumePlannerDlg& operator=(const CVolumePlannerDlg&) = delete;

    // The control with this id; null for an id the dialog does not have.
    QWidget* Control(int id) const;
    CVolumeView* View() const { return m_pView; }
    // The questions of the window's parts go through the dialog's own prompts.
    CUserPrompts& Prompts() const { return *m_prompts; }
    // The view has its GL context; the shared state exists from the start.
    bool IsSceneReady() const;

    int GetSelectedCamera() const { return m_cameraEditor.GetSelectedCamera(); }
    // Selects camera i as Select Camera does, asking about edits typed and not
    // stored; the mark that showing a camera sets asks nothing.
    void SelectCamera(int i);
    bool AreCamerasInitialised() const { return m_rig.camerasInitialised; }
    bool AreCameraEditsUnsaved() const { return m_cameraEditor.AreCameraEditsUnsaved(); }
    // The user typed into a camera box (or clicked Enable Camera) since the
    // boxes were last stored, dropped or filled: the classic mark above is
    // also set by showing a camera, which changes nothing.
    bool AreCameraEditsTyped() const { return m_cameraEditor.AreCameraEditsTyped(); }
    // The rig holds values stored since the last Enter, load or save.
    bool IsRigEdited() const { return m_rig.edited; }
    // The rig is in a file now (the window's plan saved or opened): Enter
    // has no changes of it to ask about.
    void NoteRigSaved() { m_rig.edited = false; }

    // The window holds the plan as a document: what the handlers store becomes
    // its steps, and Enter keeps the room typed and lays the new rig out by
    // it. Without one the dialog stores and nothing more, as it always did.
    void SetPlan(CDialogPlan* plan) { m_pPlan = plan; }

    // Asked before the window closes (Quit, Esc, the close box, Escape in
    // the view); false keeps it open. Without one it closes at once.
    void SetCloseGuard(std::function<bool()> guard) { m_closeGuard = std::move(guard); }
    // After a plan was applied to the shared state from a project: the boxes
    // show it (the room in the unit it was entered in), the rig is the
    // window's, and the next frame computes it.
    void ShowOpenedPlan(const std::string& unit, int resolutionCamera);
    // After the rig was changed outside the dialog's own handlers (a placement
    // taken, an undo): the boxes show it (the room in `unit`, as it was
    // entered), it counts as edited, and the next frame computes it.
    void ShowChangedRig(const std::string& unit = "m");
    // The unit of the room as typed: "m" or "ft".
    std::string TypedUnit() const;
    // Says that an action stopped on an exception the event loop caught
    // (CGuardedApplication), and that the window and its plan go on.
    void ShowUnexpectedError(const std::string& what);

  signals:
    // Save File wrote the rig to `path`.
    void cameraFileSaved(const QString& path);
    // Select Camera took a choice, or kept the camera selected so far (after the question about its edits).
    void cameraSelected(int camera);

  public slots:
    void reject() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void CreateControls();
    void RouteMessages();
    void OnSceneReady();

    // The boxes show the rig, the room and the criteria as stored.
    void RefreshDialog();

    // Camera count and RENDER.
    void OnEnter();
    void OnRender();
    // Active range, view and volume buttons.
    void OnClickRange();
    void OnViewAllCams();
    void OnViewRes();
    void OnDimensionsReleased();
    void OnTranslate(int delta);
    void OnTruncate(int delta);
    // After a handler stored: a step of the window's plan, when it holds one.
    void RecordStep(const char* name = nullptr);

    std::unique_ptr<CUserPrompts> m_prompts;
    CDialogItems m_items;
    RigMarks m_rig;
    CVolumeView* m_pView;
    CRoomForm m_roomForm;
    CVolumeCriteria m_criteria;
    CCameraEditor m_cameraEditor;
    CRigFileCommands m_rigFiles;
    std::function<bool()> m_closeGuard;
    CDialogPlan* m_pPlan = nullptr;
};
