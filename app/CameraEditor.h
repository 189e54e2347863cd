#pragma once

#include <functional>
#include <string>

class CDialogItems;
class CVolumeView;
struct RigMarks;

// Set by the first change of the focal-length box and never cleared: until
// then the focal-length watch stores nothing.
extern bool g_bFocalLengthWatchArmed;

// The dialog's camera editor: the camera selector, the boxes of the selected
// camera and their watches, Update Settings, Enable Camera, and the camera
// type with its pixel calculator. The boxes show the selected camera's values;
// what the user types is stored into the camera set as the watches and Update
// Settings decide.
class CCameraEditor
{
  public:
    // `selected` hears the camera Select Camera took or kept.
    CCameraEditor(CDialogItems& items, RigMarks& rig, CVolumeView& view, std::function<void(int)> selected);

    int GetSelectedCamera() const { return m_nSelectedCamera; }
    bool AreCameraEditsUnsaved() const { return m_bCameraEditsUnsaved; }
    bool AreCameraEditsTyped() const { return m_bCameraEditsTyped; }

    // Select Camera took the selector's choice.
    void OnCameraSelected();
    // Selects camera i as Select Camera does, asking about edits typed and not
    // stored; the mark that showing a camera sets asks nothing.
    void SelectCamera(int i);
    void OnCameraEdit();
    void OnFocalLengthChanged();
    void OnFrameSizeChanged(int id);
    void OnEnableCamera();
    void OnUpdateSettings();
    void OnCameraType();
    void OnPixelCalculator();
    // The unsaved-edits question; Yes stores the edits, No drops them.
    void AskToStoreCameraEdits();

    // The camera types offered, none chosen.
    void ListCameraTypes();
    // A new rig of `count` cameras: the selector lists them and edits pending
    // for the cameras it replaced go.
    void ShowNewRig(int count);

  private:
    void ShowCameraSettings();
    // The selected camera's value as its box shows it, with every digit it has.
    std::string CameraBoxText(int id) const;

    CDialogItems& m_items;
    RigMarks& m_rig;
    CVolumeView& m_view;
    std::function<void(int)> m_selected;

    int m_nSelectedCamera = -1;
    bool m_bCameraEditsUnsaved = false;
    bool m_bCameraEditsTyped = false;
};
