#pragma once

#include "app/UserPrompts.h"
#include "coverage/RoomState.h"

#include <QDialog>

#include <cstdint>
#include <functional>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class CVolumeView;
class QComboBox;

// Set by the first change of the focal-length box and never cleared: until
// then the focal-length watch stores nothing.
extern bool g_bFocalLengthWatchArmed;

// The program's one window: the OpenGL view with every control around it.
// Handlers read the controls as text, store what they read in the scene
// settings, the camera set and the coverage parameters, and ask the view to
// repaint; they never draw.
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

    int GetSelectedCamera() const { return m_nSelectedCamera; }
    // Selects camera i as Select Camera does, asking about edits typed and not
    // stored; the mark that showing a camera sets asks nothing.
    void SelectCamera(int i);
    bool AreCamerasInitialised() const { return m_bCamerasInitialised; }
    bool AreCameraEditsUnsaved() const { return m_bCameraEditsUnsaved; }
    // The user typed into a camera box (or clicked Enable Camera) since the
    // boxes were last stored, dropped or filled: the classic mark above is
    // also set by showing a camera, which changes nothing.
    bool AreCameraEditsTyped() const { return m_bCameraEditsTyped; }
    // The rig holds values stored since the last Enter, load or save.
    bool IsRigEdited() const { return m_bRigEdited; }

    // Asked before the window closes (Quit, Esc, the close box, Escape in
    // the view); false keeps it open. Without one it closes at once.
    void SetCloseGuard(std::function<bool()> guard) { m_closeGuard = std::move(guard); }
    // After a plan was applied to the shared state from a project: the boxes
    // show it (the room in the unit it was entered in), the rig is the
    // window's, and the next frame computes it.
    void ShowOpenedPlan(const std::string& unit, int resolutionCamera);
    // After the rig was changed outside the dialog's own handlers (a placement
    // taken, an undo): the boxes show it, it counts as edited, and the next
    // frame computes it.
    void ShowChangedRig();
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

    // Control access in the dialog's text conventions: reads come from edit
    // boxes, writes go to edit boxes (which report the change) or labels.
    std::string ItemText(int id) const;
    void SetItemText(int id, const std::string& text);
    int ItemInt(int id) const;
    float ItemFloat(int id) const;
    // The whole text of the box as a number, or nothing (see ReadBoxNumber).
    std::optional<float> BoxValue(int id) const;
    // A box written by the dialog, not by the user: no watch stores it.
    void PutBack(int id, const std::string& text);
    QComboBox* Combo(int id) const;
    PromptAnswer Message(const std::string& text, const std::string& caption,
                         PromptButtons buttons = PromptButtons::Ok);
    void Message(const std::string& text, const std::string& reason, const std::string& caption);
    // The selected camera's value as its box shows it, with every digit it has.
    std::string CameraBoxText(int id) const;
    // The first room, scale or voxel box whose text cannot be stored, with the message.
    std::optional<std::pair<int, std::string>> CheckRoomBoxes() const;
    // The room boxes as last stored or shown, put back into a refused box.
    void RememberRoomBoxes();
    // A computation refused the grid of the room the last RENDER stored: that room goes again.
    void OnCoverageRefused();
    // Moves the cameras with the room just stored, keeping their user-frame positions.
    void KeepCamerasInTheRoom();

    void RefreshDialog();
    // The unsaved-edits question; Yes stores the edits, No drops them.
    void AskToStoreCameraEdits();

    // Room, camera count and volume criteria.
    void OnEnter();
    void OnRender();
    void OnIsoVolume();
    // Camera editing and selection.
    void OnCameraSelected();
    void ShowCameraSettings();
    void OnCameraEdit();
    void OnFocalLengthChanged();
    void OnFrameSizeChanged(int id);
    void OnEnableCamera();
    void OnUpdateSettings();
    void OnCameraType();
    void OnPixelCalculator();
    void OnClickRange();
    void OnViewAllCams();
    // View, volume and file buttons.
    void OnViewRes();
    void OnDimensionsReleased();
    void OnTranslate(int delta);
    void OnTruncate(int delta);
    void OnLoadFile();
    void OnSaveFile();
    void OnTest();

    std::unique_ptr<CUserPrompts> m_prompts;
    std::map<int, QWidget*> m_controls;

    int m_nSelectedCamera = -1;
    int m_nSelectedCameraType = -1;
    bool m_bCamerasInitialised = false;
    bool m_bCameraEditsUnsaved = false;
    bool m_bCameraEditsTyped = false;
    bool m_bRigEdited = false;
    // Showing a camera writes its boxes, which stores nothing new.
    bool m_bShowingCamera = false;
    CVolumeView* m_pView;
    std::function<bool()> m_closeGuard;
    // The room, scales and voxel size as stored, and their boxes' texts.
    struct StoredRoom {
        RoomState room;
        std::map<int, std::string> texts;
        // The computation request of that RENDER.
        uint64_t request = 0;
    };
    std::map<int, std::string> m_roomBoxTexts;
    // What the last RENDER replaced, until its computation is in.
    std::optional<StoredRoom> m_roomBeforeRender;
};
