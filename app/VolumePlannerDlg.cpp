#include "app/VolumePlannerDlg.h"

#include "app/ButtonIcons.h"
#include "app/DialogLayout.h"
#include "app/DialogRules.h"
#include "app/DialogText.h"
#include "app/EditBox.h"
#include "app/QtUserPrompts.h"
#include "app/UpDownControl.h"
#include "cameras/CameraSet.h"
#include "cameras/CameraTypes.h"
#include "coverage/CoverageVolume.h"
#include "coverage/GridBudget.h"
#include "render/view/VolumeView.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

bool g_bFocalLengthWatchArmed = false;

namespace
{

const char* const kUnsavedEditsQuestion = "Previous Camera Settings not saved. Click on Update Settings";
const char* const kInvalidAction = "Invalid Action";
const char* const kNoCameraSelected = "No Camera Selected";
const char* const kViewVolumeNotBuilt = "View Volume Not Built";
const char* const kInitializeCameras = "Initialize Number of Cameras";
const char* const kFileNotFoundOrInvalid = "File Not Found or Invalid File";
const char* const kInvalidRoomOrVoxel =
    "Room length, width and height and the voxel size must be numbers above 0. The previous values are kept.";
const char* const kCameraRangeBelowOne = "Select at least 1 camera, starting from camera 1";
const char* const kFrameSizeNotUsable = "The selected camera's film frame width and height must be above 0";
const char* const kNoPixelCount = "Enter pixel numbers and a length of 0 or more";
// A negative scale mirrors the drawing; 0 or no number leaves nothing to see.
const char* const kInvalidScale =
    "The scale factors must be numbers other than 0. The previous room, voxel size and scales are kept.";
const char* const kNoVoxelInRoom = "The voxel size is larger than a room dimension, so the grid would hold no voxel. "
                                   "The previous room and voxel size are kept.";
const char* const kDiscardRigQuestion =
    "The cameras were changed since the last save or load. Set up a new rig and lose the changes?";

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

const FileDialogRequest kCameraFileOpen{"Open Camera Data File", "zarvo_cams_data", "txt",
                                        "Camera Data Files (*.txt)|*.txt|*.dat||"};
const FileDialogRequest kCameraFileSave{"Save Camera Data File", "zarvo_cams_data", "txt",
                                        "Camera Data Files (*.txt)|*.txt|*.dat||"};
const FileDialogRequest kCalibrationFileOpen{"Open ZARVO Data File for testing", "OriginalLatestCalibration", "txt",
                                             "ZARVO Data File for testing(*.txt)|*.txt|*.dat||"};

// Combo boxes keep their closed height whatever list height the layout gives.
constexpr int kComboHeightDu = 14;

CCameraSet& Cameras()
{
    return CCameraSet::Instance();
}

SceneSettings& Settings()
{
    return *GetSceneSettings();
}

std::string Fixed2(double value)
{
    return FormatFixed(value, 2);
}

} // namespace

CVolumePlannerDlg::CVolumePlannerDlg(std::unique_ptr<CUserPrompts> prompts, QWidget* parent)
    : QDialog(parent), m_prompts(std::move(prompts)), m_pView(new CVolumeView(this))
{
    if (!m_prompts)
        m_prompts = std::make_unique<CQtUserPrompts>(this);
    setWindowTitle("Zarvoscope");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(MakeButtonIcon(ButtonIcon::Window));
    setFixedSize(DuToPixelsX(kDialogWidthDu), DuToPixelsY(kDialogHeightDu));
    // The layout is measured for a small dialog font; a narrow face keeps the
    // captions inside their controls.
    QFont dialogFont = font();
    dialogFont.setPixelSize(11);
    dialogFont.setStretch(QFont::SemiCondensed);
    setFont(dialogFont);
    setStyleSheet("QPushButton { padding: 0px 1px; }");

    m_pView->move(kViewLeftPx, kViewTopPx);
    CreateControls();
    RouteMessages();
    connect(m_pView, &CVolumeView::sceneReady, this, &CVolumePlannerDlg::OnSceneReady);
    connect(m_pView, &CVolumeView::computationMessage, this, [this](const QString& text, const QString& reason) {
        Message(text.toStdString(), reason.toStdString(), "Fatal Error");
    });
}

CVolumePlannerDlg::~CVolumePlannerDlg() = default;

void CVolumePlannerDlg::CreateControls()
{
    struct Placed {
        QWidget* widget;
        int x, y;
    };
    std::vector<Placed> focusable;
    for (size_t n = 0; n < kDialogControlCount; ++n) {
        const DialogControl& c = kDialogControls[n];
        const QString caption = QString::fromUtf8(c.caption);
        int heightDu = c.height;
        QWidget* w = nullptr;
        switch (c.kind) {
        case ControlKind::PushButton: {
            auto* button = new QPushButton(caption, this);
            button->setAutoDefault(false);
            w = button;
            break;
        }
        case ControlKind::IconButton: {
            auto* button = new QToolButton(this);
            button->setText(caption);
            button->setToolTip(caption);
            button->setIcon(MakeButtonIcon(c.icon));
            button->setToolButtonStyle(Qt::ToolButtonIconOnly);
            const int side = std::min(DuToPixelsX(c.width), DuToPixelsY(c.height)) - 6;
            button->setIconSize(QSize(side, side));
            w = button;
            break;
        }
        case ControlKind::Edit:
            w = new CEditBox(this);
            break;
        case ControlKind::ComboBox:
            // Handlers read only the chosen entry, so typed text would be
            // ignored anyway: the lists offer no edit field.
            w = new QComboBox(this);
            heightDu = kComboHeightDu;
            break;
        case ControlKind::CheckBox:
            w = new QCheckBox(caption, this);
            break;
        case ControlKind::Slider: {
            auto* slider = new QSlider(Qt::Horizontal, this);
            slider->setRange(0, 0);
            w = slider;
            break;
        }
        case ControlKind::UpDown:
            w = new CUpDownControl(this);
            break;
        case ControlKind::Label:
            w = new QLabel(caption, this);
            break;
        }
        int width = DuToPixelsX(c.width);
        // Texts may run past their box into the free space on their right,
        // as the platform's static texts do when the font is wider.
        if (c.kind == ControlKind::Label || c.kind == ControlKind::CheckBox)
            width = std::max(width, w->sizeHint().width());
        w->setGeometry(DuToPixelsX(c.x), DuToPixelsY(c.y), width, DuToPixelsY(heightDu));
        if (c.id != kIdNone) {
            w->setObjectName(QString("control%1").arg(c.id));
            w->setProperty("controlId", c.id);
            m_controls[c.id] = w;
        }
        if (w->focusPolicy() != Qt::NoFocus && c.kind != ControlKind::Label)
            focusable.push_back({w, c.x, c.y});
    }
    // Tab through the controls from top to bottom, left to right.
    std::stable_sort(focusable.begin(), focusable.end(),
                     [](const Placed& a, const Placed& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
    for (size_t n = 1; n < focusable.size(); ++n)
        setTabOrder(focusable[n - 1].widget, focusable[n].widget);
}

void CVolumePlannerDlg::RouteMessages()
{
    // Every handler needs the shared state that the view's scene creates.
    const auto guarded = [this](auto handler) {
        return [this, handler] {
            if (IsSceneReady())
                handler();
        };
    };
    const auto onClick = [this, &guarded](int id, auto handler) {
        auto* button = qobject_cast<QAbstractButton*>(Control(id));
        connect(button, &QAbstractButton::clicked, this, guarded(handler));
    };
    const auto onEdit = [this, &guarded](int id, auto handler) {
        connect(static_cast<CEditBox*>(Control(id)), &CEditBox::changed, this, guarded(handler));
    };
    const auto repaintAfter = [this](auto viewCommand) {
        return [this, viewCommand] {
            (m_pView->*viewCommand)();
            m_pView->RequestRepaint();
        };
    };
    const auto toggle = [this](bool (SceneSettings::*get)() const, void (SceneSettings::*set)(bool), bool repaint) {
        return [this, get, set, repaint] {
            SceneSettings& s = Settings();
            (s.*set)(!(s.*get)());
            if (repaint)
                m_pView->RequestRepaint();
        };
    };

    connect(qobject_cast<QAbstractButton*>(Control(kIdQuit)), &QAbstractButton::clicked, this, &QDialog::reject);
    onClick(kIdRender, [this] { OnRender(); });
    onClick(kIdEnter, [this] { OnEnter(); });
    onClick(kIdSeeThrough, [this] { m_pView->ToggleSeeThrough(); });
    onClick(kIdEnableCamera, [this] { OnEnableCamera(); });
    onClick(kIdUpdateSettings, [this] { OnUpdateSettings(); });
    onClick(kIdPerspective, repaintAfter(&CVolumeView::SetPerspective));
    onClick(kIdOrthographic, repaintAfter(&CVolumeView::SetOrthographic));
    onClick(kIdToggleXScale, repaintAfter(&CVolumeView::ToggleXScale));
    onClick(kIdToggleYScale, repaintAfter(&CVolumeView::ToggleYScale));
    onClick(kIdToggleZScale, repaintAfter(&CVolumeView::ToggleZScale));
    onClick(kIdHome, repaintAfter(&CVolumeView::GoHome));
    onClick(kIdSetHome, repaintAfter(&CVolumeView::SetHome));
    onClick(kIdResetHome, repaintAfter(&CVolumeView::ResetHome));
    onClick(kIdViewRes, [this] { OnViewRes(); });
    onClick(kIdLoadFile, [this] { OnLoadFile(); });
    onClick(kIdSaveFile, [this] { OnSaveFile(); });
    onClick(kIdClick, [this] { OnClickRange(); });
    onClick(kIdViewAllCams, [this] { OnViewAllCams(); });
    onClick(kIdIsoVolume, [this] { OnIsoVolume(); });
    onClick(kIdRoomOnOff, toggle(&SceneSettings::GetShowRoom, &SceneSettings::SetShowRoom, true));
    onClick(kId2D3DView, toggle(&SceneSettings::Get2DView, &SceneSettings::Set2DView, true));
    // Test mode takes effect at the next recalculation, so nothing is repainted.
    onClick(kIdTestOnOff, toggle(&SceneSettings::GetTestMode, &SceneSettings::SetTestMode, false));
    onClick(kIdLegend, toggle(&SceneSettings::GetShowLegend, &SceneSettings::SetShowLegend, true));
    onClick(kIdSelectiveCams, toggle(&SceneSettings::GetSelectiveCameras, &SceneSettings::SetSelectiveCameras, true));
    onClick(kIdTest, [this] { OnTest(); });

    connect(Combo(kIdCameraSelector), &QComboBox::activated, this, guarded([this] { OnCameraSelected(); }));
    connect(Combo(kIdCameraType), &QComboBox::activated, this, guarded([this] { OnCameraType(); }));

    for (const int id : {kIdPositionX, kIdPositionY, kIdPositionZ, kIdHTilt, kIdVTilt, kIdFStop, kIdSpin})
        onEdit(id, [this] { OnCameraEdit(); });
    onEdit(kIdFocalLength, [this] { OnFocalLengthChanged(); });
    onEdit(kIdFrameWidth, [this] { OnFrameSizeChanged(kIdFrameWidth); });
    onEdit(kIdFrameHeight, [this] { OnFrameSizeChanged(kIdFrameHeight); });
    onEdit(kIdSensorLength, [this] { OnPixelCalculator(); });

    connect(static_cast<QSlider*>(Control(kIdDimensions)), &QSlider::sliderReleased, this,
            guarded([this] { OnDimensionsReleased(); }));
    connect(static_cast<CUpDownControl*>(Control(kIdTranslate)), &CUpDownControl::positionChanging, this,
            [this](int delta) {
                if (IsSceneReady())
                    OnTranslate(delta);
            });
    connect(static_cast<CUpDownControl*>(Control(kIdTruncate)), &CUpDownControl::positionChanging, this,
            [this](int delta) {
                if (IsSceneReady())
                    OnTruncate(delta);
            });
}

void CVolumePlannerDlg::OnSceneReady()
{
    auto* slider = static_cast<QSlider*>(Control(kIdDimensions));
    // Set once: later changes of the room or the voxel size leave the range as it is.
    slider->setRange(0, DimensionsSliderMaximum(GetVoxelSize(), Settings().GetRoomLength()));
    slider->setValue(1);
}

QWidget* CVolumePlannerDlg::Control(int id) const
{
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

bool CVolumePlannerDlg::IsSceneReady() const
{
    return m_pView->IsSceneReady() && GetSceneSettings() != nullptr;
}

void CVolumePlannerDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A focused push button takes the Enter key as a click; everywhere
        // else Enter is the dialog's default command, RENDER.
        QWidget* focus = focusWidget();
        if (focus && (qobject_cast<QPushButton*>(focus) || qobject_cast<QToolButton*>(focus))) {
            static_cast<QAbstractButton*>(focus)->click();
            return;
        }
        if (IsSceneReady())
            OnRender();
        return;
    }
    QDialog::keyPressEvent(event);
}

std::string CVolumePlannerDlg::ItemText(int id) const
{
    return static_cast<CEditBox*>(Control(id))->text().toStdString();
}

void CVolumePlannerDlg::SetItemText(int id, const std::string& text)
{
    QWidget* w = Control(id);
    if (auto* edit = qobject_cast<CEditBox*>(w))
        edit->SetTextNotify(QString::fromStdString(text));
    else if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(QString::fromStdString(text));
}

int CVolumePlannerDlg::ItemInt(int id) const
{
    return ReadIntText(ItemText(id));
}

float CVolumePlannerDlg::ItemFloat(int id) const
{
    return static_cast<float>(ReadDoubleText(ItemText(id)));
}

QComboBox* CVolumePlannerDlg::Combo(int id) const
{
    return static_cast<QComboBox*>(Control(id));
}

PromptAnswer CVolumePlannerDlg::Message(const std::string& text, const std::string& caption, PromptButtons buttons)
{
    return m_prompts->ShowMessage(text, caption, buttons);
}

void CVolumePlannerDlg::Message(const std::string& text, const std::string& reason, const std::string& caption)
{
    m_prompts->ShowMessageWithReason(text, reason, caption);
}

void CVolumePlannerDlg::RefreshDialog()
{
    const SceneSettings& s = Settings();
    SetItemText(kIdUnits, s.GetUnits());
    SetItemText(kIdRoomLength, Fixed2(s.GetRoomLength()));
    SetItemText(kIdRoomWidth, Fixed2(s.GetRoomWidth()));
    SetItemText(kIdRoomHeight, Fixed2(s.GetRoomHeight()));
    SetItemText(kIdScaleX, Fixed2(g_fSceneScaleX));
    SetItemText(kIdScaleY, Fixed2(g_fSceneScaleY));
    SetItemText(kIdScaleZ, Fixed2(g_fSceneScaleZ));
    SetItemText(kIdVoxelSize, Fixed2(GetVoxelSize()));
    SetItemText(kIdRangeCount, FormatUnsigned(s.GetCameraCount()));
    SetItemText(kIdRangeFirst, "1");
    SetItemText(kIdIsoThreshold, FormatUnsigned(GetIsoThreshold()));
    SetItemText(kIdResBound1, Fixed2(GetResBound1()));
    SetItemText(kIdResBound2, Fixed2(GetResBound2()));

    QComboBox* types = Combo(kIdCameraType);
    types->clear();
    for (int i = 0; i < kCameraTypeCount; ++i)
        types->insertItem(i, QString::fromStdString(CameraTypeName(i)));
    types->setCurrentIndex(-1);

    const std::pair<int, unsigned> operators[] = {
        {kIdIsoOperator, GetIsoOperator()}, {kIdResOperator1, GetResOperator1()}, {kIdResOperator2, GetResOperator2()}};
    for (const auto& [id, selected] : operators) {
        QComboBox* combo = Combo(id);
        combo->clear();
        for (int i = 0; i < kComparisonOpCount; ++i)
            combo->insertItem(i, QString::fromStdString(ComparisonOpText(static_cast<unsigned>(i))));
        combo->setCurrentIndex(static_cast<int>(selected));
    }

    QComboBox* selector = Combo(kIdCameraSelector);
    selector->clear();
    const int count = static_cast<int>(s.GetCameraCount());
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
}

void CVolumePlannerDlg::AskToStoreCameraEdits()
{
    if (Message(kUnsavedEditsQuestion, "Warning", PromptButtons::YesNo) == PromptAnswer::Yes)
        OnUpdateSettings();
    else
        m_bCameraEditsUnsaved = false;
}

void CVolumePlannerDlg::OnEnter()
{
    const int n = ItemInt(kIdCameraCount);
    if (!IsValidCameraCount(n)) {
        Message("Invalid Number of Cameras", "Error");
        return;
    }
    if (m_bRigEdited && Message(kDiscardRigQuestion, "Warning", PromptButtons::YesNo) != PromptAnswer::Yes)
        return;
    m_bRigEdited = false;
    SceneSettings& s = Settings();
    s.SetCameraCount(static_cast<uint32_t>(n));
    s.SetFirstCamera(0);
    s.SetEndCamera(s.GetCameraCount());
    SetIsoThreshold(static_cast<unsigned>(n));
    m_pView->ResetCameras();
    m_bCamerasInitialised = true;
    s.SetRecalculate(true);
    m_pView->RequestRepaint();
    RefreshDialog();
}

void CVolumePlannerDlg::OnRender()
{
    SceneSettings& s = Settings();
    const std::string units = ItemText(kIdUnits);
    const float length = ItemFloat(kIdRoomLength);
    const float width = ItemFloat(kIdRoomWidth);
    const float height = ItemFloat(kIdRoomHeight);
    const float scaleX = ItemFloat(kIdScaleX);
    const float scaleY = ItemFloat(kIdScaleY);
    const float scaleZ = ItemFloat(kIdScaleZ);
    const float voxelSize = ItemFloat(kIdVoxelSize);
    const bool feet = units == "f" || units == "F";
    const float toMetres = feet ? kMetresPerFoot : 1.0f;
    const bool usable = IsUsableRoomAndVoxel(length, width, height, voxelSize);
    const bool scalesUsable = std::isfinite(scaleX) && std::isfinite(scaleY) && std::isfinite(scaleZ) &&
                              scaleX != 0.0f && scaleY != 0.0f && scaleZ != 0.0f;
    const bool hasVoxels =
        usable && GridVoxels(length * toMetres, width * toMetres, height * toMetres, voxelSize) > 0;
    if (usable && scalesUsable && hasVoxels) {
        s.SetUnits(units);
        s.SetRoomLength(length);
        s.SetRoomWidth(width);
        s.SetRoomHeight(height);
        g_fSceneScaleX = scaleX;
        g_fSceneScaleY = scaleY;
        g_fSceneScaleZ = scaleZ;
        SetVoxelSize(voxelSize);
        KeepCamerasInTheRoom();
    } else if (m_bCamerasInitialised) {
        Message(!usable ? kInvalidRoomOrVoxel : !scalesUsable ? kInvalidScale : kNoVoxelInRoom, kInvalidAction);
        return;
    }
    // Before any camera count the boxes have never been filled: nothing is
    // stored and the messages below tell the user what to do first.

    if (m_bCameraEditsUnsaved)
        AskToStoreCameraEdits();
    else if (!m_bCamerasInitialised)
        Message("No Cameras Initialized", "Warning");
    else
        s.SetRecalculate(true);
    OnIsoVolume();
    m_pView->RequestRepaint();
}

void CVolumePlannerDlg::KeepCamerasInTheRoom()
{
    CCameraSet& cams = Cameras();
    if (!m_bCamerasInitialised || !cams.IsAllocated())
        return;
    // The frame converts feet at its next paint; the corner is needed now,
    // from the same single-precision products.
    const SceneSettings& s = Settings();
    const bool feet = s.GetUnits() == "f" || s.GetUnits() == "F";
    const float toMetres = feet ? kMetresPerFoot : 1.0f;
    CRoomBox room;
    room.Update(s.GetRoomLength() * toMetres, s.GetRoomWidth() * toMetres, s.GetRoomHeight() * toMetres);
    cams.MoveUserOrigin(room.Corner(3));
}

void CVolumePlannerDlg::OnIsoVolume()
{
    if (!m_bCamerasInitialised) {
        Message(kInitializeCameras, kInvalidAction);
        return;
    }
    const int isoOperator = Combo(kIdIsoOperator)->currentIndex();
    if (isoOperator < 0) {
        Message("Select a control for generating Iso Volume", kInvalidAction);
        return;
    }
    SetIsoOperator(static_cast<unsigned>(isoOperator));
    // Compared unsigned, so a negative threshold is refused too.
    const bool accepted = SetIsoThreshold(static_cast<unsigned>(ItemInt(kIdIsoThreshold)));
    if (!accepted)
        Message(kIsoThresholdClampedMessage, "Warning");
    SetItemText(kIdIsoThreshold, FormatUnsigned(GetIsoThreshold()));
    if (!accepted)
        return;
    const int resOperator1 = Combo(kIdResOperator1)->currentIndex();
    if (resOperator1 < 0) {
        Message("No Control Selected", kInvalidAction);
        return;
    }
    SetResOperator1(static_cast<unsigned>(resOperator1));
    const int resOperator2 = Combo(kIdResOperator2)->currentIndex();
    if (resOperator2 >= 0)
        SetResOperator2(static_cast<unsigned>(resOperator2));
    SetResBound1(ItemFloat(kIdResBound1));
    SetResBound2(ItemFloat(kIdResBound2));
    Settings().SetRecalculate(true);
    m_pView->RequestRepaint();
}

void CVolumePlannerDlg::OnCameraSelected()
{
    QComboBox* selector = Combo(kIdCameraSelector);
    if (!m_bCameraEditsUnsaved) {
        m_nSelectedCamera = selector->currentIndex();
        ShowCameraSettings();
        return;
    }
    // The edits belong to the camera selected so far; the newly chosen one is
    // not taken, the user chooses it again.
    AskToStoreCameraEdits();
    selector->setCurrentIndex(m_nSelectedCamera);
}

void CVolumePlannerDlg::ShowCameraSettings()
{
    if (m_nSelectedCamera < 0) {
        Message("Select a camera for its settings", kInvalidAction);
        return;
    }
    // Each write runs the box's watch before the next one, as typing would.
    m_bShowingCamera = true;
    const int i = m_nSelectedCamera;
    CCameraSet& cams = Cameras();
    const Vec3d user = cams.ToUser(cams.GetPosition(i));
    SetItemText(kIdPositionX, Fixed2(user.x));
    SetItemText(kIdPositionY, Fixed2(user.y));
    SetItemText(kIdPositionZ, Fixed2(user.z));
    SetItemText(kIdFocalLength, Fixed2(cams.GetFocalLength(i)));
    SetItemText(kIdHFov, Fixed2(cams.GetHFov(i)));
    SetItemText(kIdVFov, Fixed2(cams.GetVFov(i)));
    SetItemText(kIdFrameWidth, Fixed2(cams.GetFrameWidth(i)));
    SetItemText(kIdFrameHeight, Fixed2(cams.GetFrameHeight(i)));
    SetItemText(kIdHTilt, Fixed2(cams.GetHTilt(i)));
    SetItemText(kIdVTilt, Fixed2(cams.GetVTilt(i)));
    SetItemText(kIdFStop, FormatFixed(1.0 / cams.GetAperture(i), 10));
    SetItemText(kIdSpin, Fixed2(cams.GetSpin(i)));
    static_cast<QCheckBox*>(Control(kIdEnableCamera))
        ->setCheckState(cams.GetEnabled(i) == 1 ? Qt::Checked : Qt::Unchecked);
    m_bShowingCamera = false;
    m_pView->RequestRepaint();
}

void CVolumePlannerDlg::OnCameraEdit()
{
    if (!m_bCamerasInitialised)
        Message(kViewVolumeNotBuilt, kInvalidAction);
    else if (m_nSelectedCamera != -1)
        m_bCameraEditsUnsaved = true;
    else
        Message(kNoCameraSelected, kInvalidAction);
}

void CVolumePlannerDlg::OnFocalLengthChanged()
{
    if (!m_bCamerasInitialised) {
        Message(kViewVolumeNotBuilt, kInvalidAction);
        return;
    }
    if (g_bFocalLengthWatchArmed) {
        if (m_nSelectedCamera == -1) {
            Message(kNoCameraSelected, kInvalidAction);
            return;
        }
        const int i = m_nSelectedCamera;
        CCameraSet& cams = Cameras();
        // Typing passes through values that cannot be stored ("0" of "0.5",
        // "n" of "nan"): they are skipped here, Update Settings names them.
        if (const float focal = ItemFloat(kIdFocalLength); IsStorable(focal, true)) {
            m_bRigEdited = m_bRigEdited || (!m_bShowingCamera && focal != cams.GetFocalLength(i));
            cams.SetFocalLength(i, focal);
        }
        cams.RecomputeFieldOfView();
        SetItemText(kIdHFov, Fixed2(cams.GetHFov(i)));
        SetItemText(kIdVFov, Fixed2(cams.GetVFov(i)));
    }
    m_bCameraEditsUnsaved = true;
    g_bFocalLengthWatchArmed = true;
}

void CVolumePlannerDlg::OnFrameSizeChanged(int id)
{
    if (!m_bCamerasInitialised) {
        Message(kViewVolumeNotBuilt, kInvalidAction);
        return;
    }
    if (m_nSelectedCamera == -1) {
        Message(kNoCameraSelected, kInvalidAction);
        return;
    }
    // A size of 0 is stored (the pixel calculator then says why it cannot
    // count); Update Settings refuses it for the camera's lens.
    const float size = ItemFloat(id);
    if (std::isfinite(size)) {
        CCameraSet& cams = Cameras();
        const int i = m_nSelectedCamera;
        const float before = id == kIdFrameWidth ? cams.GetFrameWidth(i) : cams.GetFrameHeight(i);
        m_bRigEdited = m_bRigEdited || (!m_bShowingCamera && size != before);
        if (id == kIdFrameWidth)
            cams.SetFrameWidth(i, size);
        else
            cams.SetFrameHeight(i, size);
    }
    OnFocalLengthChanged();
}

void CVolumePlannerDlg::OnEnableCamera()
{
    m_bCameraEditsUnsaved = true;
}

std::string CVolumePlannerDlg::CheckCameraBoxes() const
{
    for (const CameraBox& box : kCameraBoxes) {
        if (!IsStorable(ItemFloat(box.id), box.positive))
            return std::string("The ") + box.name + " \"" + ItemText(box.id) + "\" is not " +
                   (box.positive ? "a number above 0" : "a finite number") +
                   ". The camera keeps all its previous values.";
    }
    return {};
}

void CVolumePlannerDlg::OnUpdateSettings()
{
    // The boxes must show the camera they are stored into.
    if (m_nSelectedCamera == -1 || Combo(kIdCameraSelector)->currentIndex() != m_nSelectedCamera) {
        Message(kNoCameraSelected, kInvalidAction);
        return;
    }
    if (const std::string refusal = CheckCameraBoxes(); !refusal.empty()) {
        Message(refusal, kInvalidAction);
        return;
    }
    const int i = m_nSelectedCamera;
    CCameraSet& cams = Cameras();
    // User frame to scene frame, with the origin rounded to float first.
    cams.SetX(i, ItemFloat(kIdPositionX) + static_cast<float>(cams.GetUserOriginX()));
    cams.SetY(i, ItemFloat(kIdPositionY) - static_cast<float>(cams.GetUserOriginY()));
    cams.SetZ(i, static_cast<float>(cams.GetUserOriginZ()) - ItemFloat(kIdPositionZ));
    cams.SetFocalLength(i, ItemFloat(kIdFocalLength));
    cams.SetFrameWidth(i, ItemFloat(kIdFrameWidth));
    cams.SetFrameHeight(i, ItemFloat(kIdFrameHeight));
    cams.SetHTilt(i, ItemFloat(kIdHTilt));
    cams.SetVTilt(i, ItemFloat(kIdVTilt));
    cams.SetFNumber(i, ItemFloat(kIdFStop));
    cams.SetSpin(i, ItemFloat(kIdSpin));
    const Qt::CheckState enabled = static_cast<QCheckBox*>(Control(kIdEnableCamera))->checkState();
    if (enabled == Qt::Checked)
        cams.SetEnabled(i, 1);
    else if (enabled == Qt::Unchecked)
        cams.SetEnabled(i, 0);
    m_bCameraEditsUnsaved = false;
    m_bRigEdited = true;
}

void CVolumePlannerDlg::OnCameraType()
{
    m_nSelectedCameraType = Combo(kIdCameraType)->currentIndex();
    // An index outside the table answers -1, shown as "%u" does.
    SetItemText(kIdPixelsX, FormatUnsigned(static_cast<uint32_t>(CameraTypePixelsX(m_nSelectedCameraType))));
    SetItemText(kIdPixelsY, FormatUnsigned(static_cast<uint32_t>(CameraTypePixelsY(m_nSelectedCameraType))));
}

void CVolumePlannerDlg::OnPixelCalculator()
{
    if (!m_bCamerasInitialised) {
        Message(kInitializeCameras, kInvalidAction);
        return;
    }
    if (m_nSelectedCamera == -1) {
        Message("Select a camera for its resolution", kInvalidAction);
        return;
    }
    const uint32_t pixelsX = static_cast<uint32_t>(ItemInt(kIdPixelsX));
    const uint32_t pixelsY = static_cast<uint32_t>(ItemInt(kIdPixelsY));
    const float length = ItemFloat(kIdSensorLength);
    const float frameWidth = Cameras().GetFrameWidth(m_nSelectedCamera);
    const float frameHeight = Cameras().GetFrameHeight(m_nSelectedCamera);
    if (!(frameWidth > 0.0f) || !(frameHeight > 0.0f)) {
        Message(kFrameSizeNotUsable, kInvalidAction);
        return;
    }
    const std::optional<uint32_t> across = SensorPixels(pixelsX, length, frameWidth);
    const std::optional<uint32_t> down = SensorPixels(pixelsY, length, frameHeight);
    if (!across || !down) {
        Message(kNoPixelCount, kInvalidAction);
        return;
    }
    SetItemText(kIdResultPixelsX, FormatUnsigned(*across));
    SetItemText(kIdResultPixelsY, FormatUnsigned(*down));
}

void CVolumePlannerDlg::OnClickRange()
{
    const int n = ItemInt(kIdRangeCount);
    const int m = ItemInt(kIdRangeFirst);
    SceneSettings& s = Settings();
    switch (CheckCameraRange(n, m, s.GetCameraCount())) {
    case CameraRangeCheck::BelowOne:
        Message(kCameraRangeBelowOne, kInvalidAction);
        return;
    case CameraRangeCheck::Exceeding:
        Message("Exceeding Total Cameras", kInvalidAction);
        return;
    case CameraRangeCheck::Ok:
        break;
    }
    s.SetFirstCamera(static_cast<uint32_t>(m - 1));
    s.SetEndCamera(static_cast<uint32_t>(n + m - 1));
    s.SetSelectiveCameras(true);
    s.SetRecalculate(true);
    m_pView->RequestRepaint();
}

void CVolumePlannerDlg::OnViewAllCams()
{
    SceneSettings& s = Settings();
    s.SetFirstCamera(0);
    s.SetEndCamera(s.GetCameraCount());
    s.SetRecalculate(true);
    m_pView->RequestRepaint();
}

void CVolumePlannerDlg::OnViewRes()
{
    if (m_nSelectedCamera < 0) {
        Message("Select a camera for viewing its resolution map", kInvalidAction);
        return;
    }
    m_pView->ShowResolutionMap(m_nSelectedCamera);
    m_pView->RequestRepaint();
}

void CVolumePlannerDlg::OnDimensionsReleased()
{
    m_pView->SetScaleDivisions(static_cast<QSlider*>(Control(kIdDimensions))->value());
    m_pView->RequestRepaint();
}

void CVolumePlannerDlg::OnTranslate(int delta)
{
    if (delta > 0)
        m_pView->ZoomIn();
    else
        m_pView->ZoomOut();
}

void CVolumePlannerDlg::OnTruncate(int delta)
{
    const int shown = m_pView->GetShownLayers();
    if (delta > 0) {
        if (shown - 1 >= 0)
            m_pView->SetShownLayers(shown - 1);
    } else if (shown + 1 <= m_pView->GetLayerTotal()) {
        m_pView->SetShownLayers(shown + 1);
    }
    Settings().SetSelectiveCameras(false);
    m_pView->RequestRepaint();
}

void CVolumePlannerDlg::OnLoadFile()
{
    const std::optional<std::string> path = m_prompts->ChooseFileToOpen(kCameraFileOpen);
    if (!path)
        return;
    if (!Cameras().LoadFromFile(*path)) {
        Message(kFileNotFoundOrInvalid, Cameras().GetFileError(), "File Not Found");
        return;
    }
    m_bRigEdited = false;
    SceneSettings& s = Settings();
    SetIsoThreshold(s.GetCameraCount());
    SetItemText(kIdCameraCount, FormatUnsigned(s.GetCameraCount()));
    RefreshDialog();
    s.SetRecalculate(true);
    m_pView->RequestRepaint();
    m_bCamerasInitialised = true;
}

void CVolumePlannerDlg::reject()
{
    if (m_closeGuard && !m_closeGuard())
        return;
    QDialog::reject();
}

std::string CVolumePlannerDlg::TypedUnit() const
{
    const std::string unit = ItemText(kIdUnits);
    return unit == "f" || unit == "F" ? "ft" : "m";
}

void CVolumePlannerDlg::ShowUnexpectedError(const std::string& what)
{
    m_prompts->ShowMessage("An action stopped on an unexpected error:\n" + what +
                               "\nThe window and the plan are still open; save the plan to keep it.",
                           "Error", PromptButtons::Ok);
}

void CVolumePlannerDlg::ShowOpenedPlan(const std::string& unit, int resolutionCamera)
{
    const SceneSettings& s = Settings();
    SetItemText(kIdCameraCount, FormatUnsigned(s.GetCameraCount()));
    RefreshDialog();
    SetItemText(kIdRangeFirst, FormatUnsigned(s.GetFirstCamera() + 1));
    SetItemText(kIdRangeCount, FormatUnsigned(s.GetEndCamera() - s.GetFirstCamera()));
    if (unit == "ft") {
        // As typed: the next RENDER converts the feet again.
        SetItemText(kIdUnits, "F");
        SetItemText(kIdRoomLength, Fixed2(s.GetRoomLength() / kMetresPerFoot));
        SetItemText(kIdRoomWidth, Fixed2(s.GetRoomWidth() / kMetresPerFoot));
        SetItemText(kIdRoomHeight, Fixed2(s.GetRoomHeight() / kMetresPerFoot));
    }
    m_pView->ShowResolutionMap(resolutionCamera);
    m_bCamerasInitialised = true;
    Settings().SetRecalculate(true);
    m_pView->RequestRepaint();
}

void CVolumePlannerDlg::ShowChangedRig()
{
    // As after Load File, with the range the rig now has.
    const SceneSettings& s = Settings();
    SetItemText(kIdCameraCount, FormatUnsigned(s.GetCameraCount()));
    RefreshDialog();
    SetItemText(kIdRangeFirst, FormatUnsigned(s.GetFirstCamera() + 1));
    SetItemText(kIdRangeCount, FormatUnsigned(s.GetEndCamera() - s.GetFirstCamera()));
    m_bRigEdited = true;
    m_bCamerasInitialised = true;
    Settings().SetRecalculate(true);
    m_pView->RequestRepaint();
}

void CVolumePlannerDlg::OnSaveFile()
{
    if (!m_bCamerasInitialised) {
        Message("No cameras loaded", kInvalidAction);
        return;
    }
    const std::optional<std::string> path = m_prompts->ChooseFileToSave(kCameraFileSave);
    if (!path)
        return;
    // Replacing a file silently could lose another rig: ask first.
    std::error_code error;
    if (std::filesystem::exists(*path, error)) {
        const std::string name = std::filesystem::path(*path).filename().string();
        if (Message(name + " already exists.\nDo you want to replace it?", kCameraFileSave.title,
                    PromptButtons::YesNo) != PromptAnswer::Yes)
            return;
    }
    if (Cameras().SaveToFile(*path))
        m_bRigEdited = false;
    else
        Message("Unable to Create File", Cameras().GetFileError(), "Error");
}

void CVolumePlannerDlg::OnTest()
{
    const std::optional<std::string> path = m_prompts->ChooseFileToOpen(kCalibrationFileOpen);
    if (!path)
        return;
    if (!Cameras().ImportCalibration(*path)) {
        Message(kFileNotFoundOrInvalid, Cameras().GetFileError(), "File Not Found");
        return;
    }
    SceneSettings& s = Settings();
    s.SetTestDataPending(true);
    s.SetTestMode(true);
    m_pView->RequestRepaint();
}
