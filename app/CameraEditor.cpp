#include "app/CameraEditor.h"

#include "app/BoxNumber.h"
#include "app/DialogItems.h"
#include "app/DialogLayout.h"
#include "app/DialogRules.h"
#include "app/DialogText.h"
#include "app/RigMarks.h"
#include "cameras/CameraSet.h"
#include "cameras/CameraTypes.h"
#include "project/JsonText.h"
#include "project/ProjectFile.h"
#include "render/view/VolumeView.h"
#include "scene/SceneSettings.h"

#include <QCheckBox>
#include <QComboBox>

#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>

bool g_bFocalLengthWatchArmed = false;

namespace
{

const char* const kUnsavedEditsQuestion = "Previous Camera Settings not saved. Click on Update Settings";
const char* const kNoCameraSelected = "No Camera Selected";
const char* const kViewVolumeNotBuilt = "View Volume Not Built";
const char* const kFrameSizeNotUsable = "The selected camera's film frame width and height must be above 0";
const char* const kNoPixelCount = "Enter pixel numbers and a length of 0 or more";

// The camera boxes Update Settings stores, and whether each must be above 0
// (a lens or sensor of no size sees nothing) or only finite.
struct CameraBox {
    int id;
    const char* name;
    bool positive;
};
const CameraBox kCameraBoxes[] = {
    {kIdPositionX, "X position", false},  {kIdPositionY, "Y position", false},
    {kIdPositionZ, "Z position", false},  {kIdFocalLength, "focal length", true},
    {kIdFrameWidth, "frame width", true}, {kIdFrameHeight, "frame height", true},
    {kIdHTilt, "horizontal tilt", false}, {kIdVTilt, "vertical tilt", false},
    {kIdFStop, "f-stop", true},           {kIdSpin, "spin", false},
};

bool IsStorable(float value, bool positive)
{
    return std::isfinite(value) && (!positive || value > 0.0f);
}

CCameraSet& Cameras()
{
    return CCameraSet::Instance();
}

std::string Fixed2(double value)
{
    return FormatFixed(value, 2);
}

} // namespace

CCameraEditor::CCameraEditor(CDialogItems& items, RigMarks& rig, CVolumeView& view, std::function<void(int)> selected)
    : m_items(items), m_rig(rig), m_view(view), m_selected(std::move(selected))
{
}

void CCameraEditor::OnCameraSelected()
{
    QComboBox* selector = m_items.Combo(kIdCameraSelector);
    if (!m_bCameraEditsUnsaved) {
        m_nSelectedCamera = selector->currentIndex();
        ShowCameraSettings();
        m_selected(m_nSelectedCamera);
        return;
    }
    // The edits belong to the camera selected so far; the newly chosen one is
    // not taken, the user chooses it again.
    AskToStoreCameraEdits();
    selector->setCurrentIndex(m_nSelectedCamera);
    m_selected(m_nSelectedCamera);
}

void CCameraEditor::SelectCamera(int i)
{
    if (!m_bCameraEditsTyped)
        m_bCameraEditsUnsaved = false;
    m_items.Combo(kIdCameraSelector)->setCurrentIndex(i);
    OnCameraSelected();
}

std::string CCameraEditor::CameraBoxText(int id) const
{
    const int i = m_nSelectedCamera;
    const CCameraSet& cams = Cameras();
    const Vec3d position = cams.GetPosition(i);
    const Vec3d user = cams.ToUser(position);
    // Update Settings combines a typed position with the origin in floats.
    const auto origin = [&cams](double o) { return static_cast<float>(o); };
    switch (id) {
    case kIdPositionX:
        return FormatBoxNumber(user.x, [&](float typed) {
            return typed + origin(cams.GetUserOriginX()) == static_cast<float>(position.x);
        });
    case kIdPositionY:
        return FormatBoxNumber(user.y, [&](float typed) {
            return typed - origin(cams.GetUserOriginY()) == static_cast<float>(position.y);
        });
    case kIdPositionZ:
        return FormatBoxNumber(user.z, [&](float typed) {
            return origin(cams.GetUserOriginZ()) - typed == static_cast<float>(position.z);
        });
    case kIdFocalLength:
        return FormatBoxNumber(cams.GetFocalLength(i));
    case kIdFrameWidth:
        return FormatBoxNumber(cams.GetFrameWidth(i));
    case kIdFrameHeight:
        return FormatBoxNumber(cams.GetFrameHeight(i));
    case kIdHTilt:
        return FormatBoxNumber(cams.GetHTilt(i));
    case kIdVTilt:
        return FormatBoxNumber(cams.GetVTilt(i));
    case kIdFStop:
        return FormatBoxNumber(cams.GetFNumber(i));
    case kIdSpin:
        return FormatBoxNumber(cams.GetSpin(i));
    default:
        return {};
    }
}

void CCameraEditor::ShowCameraSettings()
{
    if (m_nSelectedCamera < 0) {
        m_items.Message("Select a camera for its settings", kInvalidAction);
        return;
    }
    const int i = m_nSelectedCamera;
    CCameraSet& cams = Cameras();
    // Each write runs the box's watch before the next one, as typing would,
    // but stores nothing: the boxes show what the camera holds, digit for digit.
    m_items.WriteAsDialog([&] {
        for (const int id : {kIdPositionX, kIdPositionY, kIdPositionZ, kIdFocalLength})
            m_items.SetItemText(id, CameraBoxText(id));
        m_items.SetItemText(kIdHFov, Fixed2(cams.GetHFov(i)));
        m_items.SetItemText(kIdVFov, Fixed2(cams.GetVFov(i)));
        for (const int id : {kIdFrameWidth, kIdFrameHeight, kIdHTilt, kIdVTilt, kIdFStop, kIdSpin})
            m_items.SetItemText(id, CameraBoxText(id));
        static_cast<QCheckBox*>(m_items.Control(kIdEnableCamera))
            ->setCheckState(cams.GetEnabled(i) == 1 ? Qt::Checked : Qt::Unchecked);
    });
    m_bCameraEditsTyped = false;
    m_view.RequestRepaint();
}

void CCameraEditor::OnCameraEdit()
{
    if (!m_rig.camerasInitialised)
        m_items.Message(kViewVolumeNotBuilt, kInvalidAction);
    else if (m_nSelectedCamera != -1) {
        m_bCameraEditsUnsaved = true;
        m_bCameraEditsTyped = m_bCameraEditsTyped || !m_items.IsDialogWriting();
    } else
        m_items.Message(kNoCameraSelected, kInvalidAction);
}

void CCameraEditor::OnFocalLengthChanged()
{
    if (!m_rig.camerasInitialised) {
        m_items.Message(kViewVolumeNotBuilt, kInvalidAction);
        return;
    }
    if (g_bFocalLengthWatchArmed) {
        if (m_nSelectedCamera == -1) {
            m_items.Message(kNoCameraSelected, kInvalidAction);
            return;
        }
        const int i = m_nSelectedCamera;
        CCameraSet& cams = Cameras();
        // Typing passes through values that cannot be stored ("0" of "0.5",
        // "n" of "nan"): they are skipped here, Update Settings names them.
        // A box the dialog fills holds the camera's own value: nothing to store.
        const std::optional<float> focal = m_items.BoxValue(kIdFocalLength);
        if (!m_items.IsDialogWriting() && focal && IsStorable(*focal, true)) {
            m_rig.edited = m_rig.edited || *focal != cams.GetFocalLength(i);
            cams.SetFocalLength(i, *focal);
        }
        // Deriving the fields of view resets every camera's drawn edges until
        // the next computation: only for a lens that changed, not for a camera shown.
        if (!m_items.IsDialogWriting())
            cams.RecomputeFieldOfView();
        m_items.SetItemText(kIdHFov, Fixed2(cams.GetHFov(i)));
        m_items.SetItemText(kIdVFov, Fixed2(cams.GetVFov(i)));
    }
    m_bCameraEditsUnsaved = true;
    m_bCameraEditsTyped = m_bCameraEditsTyped || (!m_items.IsDialogWriting() && m_nSelectedCamera != -1);
    g_bFocalLengthWatchArmed = true;
}

void CCameraEditor::OnFrameSizeChanged(int id)
{
    if (!m_rig.camerasInitialised) {
        m_items.Message(kViewVolumeNotBuilt, kInvalidAction);
        return;
    }
    if (m_nSelectedCamera == -1) {
        m_items.Message(kNoCameraSelected, kInvalidAction);
        return;
    }
    // A size of 0 is stored (the pixel calculator then says why it cannot
    // count); Update Settings refuses it for the camera's lens.
    if (const std::optional<float> size = m_items.BoxValue(id); size && !m_items.IsDialogWriting()) {
        CCameraSet& cams = Cameras();
        const int i = m_nSelectedCamera;
        const float before = id == kIdFrameWidth ? cams.GetFrameWidth(i) : cams.GetFrameHeight(i);
        m_rig.edited = m_rig.edited || *size != before;
        if (id == kIdFrameWidth)
            cams.SetFrameWidth(i, *size);
        else
            cams.SetFrameHeight(i, *size);
    }
    OnFocalLengthChanged();
}

void CCameraEditor::OnEnableCamera()
{
    m_bCameraEditsUnsaved = true;
    m_bCameraEditsTyped = true;
}

void CCameraEditor::OnUpdateSettings()
{
    // The boxes must show the camera they are stored into.
    if (m_nSelectedCamera == -1 || m_items.Combo(kIdCameraSelector)->currentIndex() != m_nSelectedCamera) {
        m_items.Message(kNoCameraSelected, kInvalidAction);
        return;
    }
    std::map<int, float> value;
    for (const CameraBox& box : kCameraBoxes) {
        const std::optional<float> read = m_items.BoxValue(box.id);
        if (!read || !IsStorable(*read, box.positive)) {
            m_items.Message(std::string("The ") + box.name + " " + Quoted(m_items.ItemText(box.id)) + " is not " +
                                (box.positive ? "a number above 0" : "a number") +
                                ". The camera keeps all its previous values.",
                            kInvalidAction);
            // The box shows the value the camera keeps.
            m_items.PutBack(box.id, CameraBoxText(box.id));
            return;
        }
        value[box.id] = *read;
    }
    // A position far outside the room is a typing error (1e9 for 1.9), refused as the other values are.
    const SceneSettings& settings = *GetSceneSettings();
    const float toMetres = settings.InFeet() ? kMetresPerFoot : 1.0f;
    const std::pair<int, float> sides[] = {{kIdPositionX, settings.GetRoomLength() * toMetres},
                                           {kIdPositionY, settings.GetRoomHeight() * toMetres},
                                           {kIdPositionZ, settings.GetRoomWidth() * toMetres}};
    for (const auto& [id, side] : sides) {
        const double v = value[id];
        if (v >= -kMaxCameraOutsideMetres && v <= side + kMaxCameraOutsideMetres)
            continue;
        const char* const name = id == kIdPositionX ? "X position" : id == kIdPositionY ? "Y position" : "Z position";
        m_items.Message(std::string("The ") + name + " " + Quoted(m_items.ItemText(id)) + " is more than " +
                            ShortestText(kMaxCameraOutsideMetres) +
                            " m outside the room. The camera keeps all its previous values.",
                        kInvalidAction);
        m_items.PutBack(id, CameraBoxText(id));
        return;
    }
    const int i = m_nSelectedCamera;
    CCameraSet& cams = Cameras();
    // User frame to scene frame, with the origin rounded to float first.
    cams.SetX(i, value[kIdPositionX] + static_cast<float>(cams.GetUserOriginX()));
    cams.SetY(i, value[kIdPositionY] - static_cast<float>(cams.GetUserOriginY()));
    cams.SetZ(i, static_cast<float>(cams.GetUserOriginZ()) - value[kIdPositionZ]);
    cams.SetFocalLength(i, value[kIdFocalLength]);
    cams.SetFrameWidth(i, value[kIdFrameWidth]);
    cams.SetFrameHeight(i, value[kIdFrameHeight]);
    cams.SetHTilt(i, value[kIdHTilt]);
    cams.SetVTilt(i, value[kIdVTilt]);
    cams.SetFNumber(i, value[kIdFStop]);
    cams.SetSpin(i, value[kIdSpin]);
    const Qt::CheckState enabled = static_cast<QCheckBox*>(m_items.Control(kIdEnableCamera))->checkState();
    if (enabled == Qt::Checked)
        cams.SetEnabled(i, 1);
    else if (enabled == Qt::Unchecked)
        cams.SetEnabled(i, 0);
    m_bCameraEditsUnsaved = false;
    m_bCameraEditsTyped = false;
    m_rig.edited = true;
    // The camera's glyph moves at once; its coverage waits for the next RENDER.
    m_view.RequestRepaint();
}

void CCameraEditor::OnCameraType()
{
    const int type = m_items.Combo(kIdCameraType)->currentIndex();
    // An index outside the table answers -1, shown as "%u" does.
    m_items.SetItemText(kIdPixelsX, FormatUnsigned(static_cast<uint32_t>(CameraTypePixelsX(type))));
    m_items.SetItemText(kIdPixelsY, FormatUnsigned(static_cast<uint32_t>(CameraTypePixelsY(type))));
}

void CCameraEditor::OnPixelCalculator()
{
    if (!m_rig.camerasInitialised) {
        m_items.Message(kInitializeCameras, kInvalidAction);
        return;
    }
    if (m_nSelectedCamera == -1) {
        m_items.Message("Select a camera for its resolution", kInvalidAction);
        return;
    }
    const uint32_t pixelsX = static_cast<uint32_t>(m_items.ItemInt(kIdPixelsX));
    const uint32_t pixelsY = static_cast<uint32_t>(m_items.ItemInt(kIdPixelsY));
    const float length = m_items.ItemFloat(kIdSensorLength);
    const float frameWidth = Cameras().GetFrameWidth(m_nSelectedCamera);
    const float frameHeight = Cameras().GetFrameHeight(m_nSelectedCamera);
    if (!(frameWidth > 0.0f) || !(frameHeight > 0.0f)) {
        m_items.Message(kFrameSizeNotUsable, kInvalidAction);
        return;
    }
    const std::optional<uint32_t> across = SensorPixels(pixelsX, length, frameWidth);
    const std::optional<uint32_t> down = SensorPixels(pixelsY, length, frameHeight);
    if (!across || !down) {
        m_items.Message(kNoPixelCount, kInvalidAction);
        return;
    }
    m_items.SetItemText(kIdResultPixelsX, FormatUnsigned(*across));
    m_items.SetItemText(kIdResultPixelsY, FormatUnsigned(*down));
}

void CCameraEditor::AskToStoreCameraEdits()
{
    if (m_items.Message(kUnsavedEditsQuestion, "Warning", PromptButtons::YesNo) == PromptAnswer::Yes) {
        OnUpdateSettings();
    } else {
        m_bCameraEditsUnsaved = false;
        m_bCameraEditsTyped = false;
    }
}

void CCameraEditor::ListCameraTypes()
{
    QComboBox* types = m_items.Combo(kIdCameraType);
    types->clear();
    for (int i = 0; i < kCameraTypeCount; ++i)
        types->insertItem(i, QString::fromStdString(CameraTypeName(i)));
    types->setCurrentIndex(-1);
}

void CCameraEditor::ShowNewRig(int count)
{
    QComboBox* selector = m_items.Combo(kIdCameraSelector);
    selector->clear();
    for (int i = 0; i < count; ++i)
        selector->insertItem(i, QString::fromStdString(Cameras().GetLabel(i)));
    selector->setCurrentIndex(-1);
    // The refresh follows a new rig (Enter or Load File). Edits pending for
    // the cameras it replaced would overwrite a new camera on the next Yes,
    // so they go; a selected camera beyond the new count is no selection.
    // A camera still in the rig stays selected, visibly, with its new values
    // in the boxes: the boxes never hold another camera's values.
    if (m_nSelectedCamera >= count)
        m_nSelectedCamera = -1;
    if (m_nSelectedCamera >= 0) {
        selector->setCurrentIndex(m_nSelectedCamera);
        ShowCameraSettings();
    }
    m_bCameraEditsUnsaved = false;
    m_bCameraEditsTyped = false;
}
