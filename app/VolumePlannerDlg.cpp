#include "app/VolumePlannerDlg.h"

#include "app/BoxNumber.h"
#include "app/ButtonIcons.h"
#include "app/DialogLayout.h"
#include "app/DialogRules.h"
#include "app/DialogText.h"
#include "app/EditBox.h"
#include "app/QtUserPrompts.h"
#include "app/ReplaceQuestion.h"
#include "app/UpDownControl.h"
#include "cameras/CameraSet.h"
#include "cameras/CameraTypes.h"
#include "coverage/CoverageVolume.h"
#include "coverage/GridBudget.h"
#include "project/ProjectFile.h"
#include "render/SceneRenderer.h"
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
#include <climits>
#include <cmath>
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

// The boxes RENDER stores, named as their labels name them.
struct RoomBox {
    int id;
    const char* name;
};
const RoomBox kRoomBoxes[] = {{kIdRoomLength, "Room Length"},   {kIdRoomWidth, "Room Width"},
                              {kIdRoomHeight, "Room Height"},   {kIdScaleX, "Scale X"},
                              {kIdScaleY, "Scale Y"},           {kIdScaleZ, "Scale Z"},
                              {kIdVoxelSize, "Voxel Size (CM)"}};
const char* const kRoomKept = " The previous room, scales and voxel size are kept.";

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

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
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
    connect(m_pView, &CVolumeView::coverageRefused, this, &CVolumePlannerDlg::OnCoverageRefused);
    connect(m_pView, &CVolumeView::computationFinished, this, [this] {
        // Only the computation of that RENDER (or a later one) settles it:
        // an earlier one may end after the click.
        if (m_roomBeforeRender && m_pView->Renderer().GetLastTakenRequests() >= m_roomBeforeRender->request)
            m_roomBeforeRender.reset();
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
    const auto onClick = [this](int id, auto handler) {
        auto* button = qobject_cast<QAbstractButton*>(Control(id));
        connect(button, &QAbstractButton::clicked, this, handler);
    };
    const auto onEdit = [this](int id, auto handler) {
        connect(static_cast<CEditBox*>(Control(id)), &CEditBox::changed, this, handler);
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

    connect(Combo(kIdCameraSelector), &QComboBox::activated, this, [this] { OnCameraSelected(); });
    connect(Combo(kIdCameraType), &QComboBox::activated, this, [this] { OnCameraType(); });

    for (const int id : {kIdPositionX, kIdPositionY, kIdPositionZ, kIdHTilt, kIdVTilt, kIdFStop, kIdSpin})
        onEdit(id, [this] { OnCameraEdit(); });
    onEdit(kIdFocalLength, [this] { OnFocalLengthChanged(); });
    onEdit(kIdFrameWidth, [this] { OnFrameSizeChanged(kIdFrameWidth); });
    onEdit(kIdFrameHeight, [this] { OnFrameSizeChanged(kIdFrameHeight); });
    onEdit(kIdSensorLength, [this] { OnPixelCalculator(); });

    connect(static_cast<QSlider*>(Control(kIdDimensions)), &QSlider::sliderReleased, this,
            [this] { OnDimensionsReleased(); });
    connect(static_cast<CUpDownControl*>(Control(kIdTranslate)), &CUpDownControl::positionChanging, this,
            [this](int delta) { OnTranslate(delta); });
    connect(static_cast<CUpDownControl*>(Control(kIdTruncate)), &CUpDownControl::positionChanging, this,
            [this](int delta) { OnTruncate(delta); });
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
    return m_pView->IsSceneReady();
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

std::optional<float> CVolumePlannerDlg::BoxValue(int id) const
{
    return ReadBoxNumber(ItemText(id));
}

void CVolumePlannerDlg::PutBack(int id, const std::string& text)
{
    const bool showing = m_bShowingCamera;
    m_bShowingCamera = true;
    SetItemText(id, text);
    m_bShowingCamera = showing;
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
    SetItemText(kIdRoomLength, FormatBoxNumber(s.GetRoomLength()));
    SetItemText(kIdRoomWidth, FormatBoxNumber(s.GetRoomWidth()));
    SetItemText(kIdRoomHeight, FormatBoxNumber(s.GetRoomHeight()));
    SetItemText(kIdScaleX, FormatBoxNumber(g_fSceneScaleX));
    SetItemText(kIdScaleY, FormatBoxNumber(g_fSceneScaleY));
    SetItemText(kIdScaleZ, FormatBoxNumber(g_fSceneScaleZ));
    SetItemText(kIdVoxelSize, FormatBoxNumber(GetVoxelSize()));
    RememberRoomBoxes();
    SetItemText(kIdRangeCount, FormatUnsigned(s.GetCameraCount()));
    SetItemText(kIdRangeFirst, "1");
    SetItemText(kIdIsoThreshold, FormatUnsigned(GetIsoThreshold()));
    SetItemText(kIdResBound1, FormatBoxNumber(GetResBound1()));
    SetItemText(kIdResBound2, FormatBoxNumber(GetResBound2()));

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
    m_bCameraEditsTyped = false;
}

void CVolumePlannerDlg::RememberRoomBoxes()
{
    m_roomBoxTexts[kIdUnits] = ItemText(kIdUnits);
    for (const RoomBox& box : kRoomBoxes)
        m_roomBoxTexts[box.id] = ItemText(box.id);
}

void CVolumePlannerDlg::AskToStoreCameraEdits()
{
    if (Message(kUnsavedEditsQuestion, "Warning", PromptButtons::YesNo) == PromptAnswer::Yes) {
        OnUpdateSettings();
    } else {
        m_bCameraEditsUnsaved = false;
        m_bCameraEditsTyped = false;
    }
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

std::optional<std::pair<int, std::string>> CVolumePlannerDlg::CheckRoomBoxes() const
{
    std::map<int, float> value;
    for (const RoomBox& box : kRoomBoxes) {
        const std::optional<float> read = BoxValue(box.id);
        if (!read)
            return std::make_pair(box.id, std::string(box.name) + " " + Quoted(ItemText(box.id)) + " is not a number." +
                                              kRoomKept);
        value[box.id] = *read;
    }
    const std::string units = ItemText(kIdUnits);
    // A unit other than M or F is ignored: the one stored goes on.
    const std::string unit =
        units == "m" || units == "M" || units == "f" || units == "F" ? units : Settings().GetUnits();
    const bool feet = IsFeetUnit(unit);
    const float toMetres = feet ? kMetresPerFoot : 1.0f;
    for (const int id : {kIdRoomLength, kIdRoomWidth, kIdRoomHeight, kIdVoxelSize})
        if (!IsUsableRoomAndVoxel(value[id], 1.0f, 1.0f, 1.0f))
            return std::make_pair(id, std::string(kInvalidRoomOrVoxel));
    for (const int id : {kIdScaleX, kIdScaleY, kIdScaleZ})
        if (value[id] == 0.0f)
            return std::make_pair(id, std::string(kInvalidScale));
    for (const RoomBox& box : kRoomBoxes) {
        if (box.id != kIdRoomLength && box.id != kIdRoomWidth && box.id != kIdRoomHeight)
            continue;
        if (value[box.id] * toMetres > kMaxRoomMetres)
            return std::make_pair(box.id, std::string(box.name) + " " + ItemText(box.id) + (feet ? " ft" : " m") +
                                              " is above the largest room side, 1000 m (3280 ft)." + kRoomKept);
    }
    if (value[kIdVoxelSize] > kMaxVoxelCm)
        return std::make_pair(kIdVoxelSize, "Voxel Size " + ItemText(kIdVoxelSize) +
                                                " cm is above the largest voxel, 10000 cm." + kRoomKept);
    if (GridVoxels(value[kIdRoomLength] * toMetres, value[kIdRoomWidth] * toMetres, value[kIdRoomHeight] * toMetres,
                   value[kIdVoxelSize]) == 0)
        return std::make_pair(kIdVoxelSize, std::string(kNoVoxelInRoom));
    return std::nullopt;
}

void CVolumePlannerDlg::OnRender()
{
    SceneSettings& s = Settings();
    if (const auto refusal = CheckRoomBoxes()) {
        // Before any camera count the boxes have never been filled: nothing
        // is stored and the messages below tell the user what to do first.
        if (m_bCamerasInitialised) {
            Message(refusal->second, kInvalidAction);
            // The box shows the value in force again, as every other box does.
            PutBack(refusal->first, m_roomBoxTexts[refusal->first]);
            return;
        }
    } else {
        const StoredRoom before{RoomState::Capture(), m_roomBoxTexts};
        // Kept until a computation takes it; before any camera count there is none.
        if (!m_roomBeforeRender && m_bCamerasInitialised)
            m_roomBeforeRender = before;
        RoomState{ItemText(kIdUnits),   *BoxValue(kIdRoomLength), *BoxValue(kIdRoomWidth), *BoxValue(kIdRoomHeight),
                  *BoxValue(kIdScaleX), *BoxValue(kIdScaleY),     *BoxValue(kIdScaleZ),    *BoxValue(kIdVoxelSize)}
            .Apply();
        KeepCamerasInTheRoom();
        RememberRoomBoxes();
    }

    if (m_bCameraEditsUnsaved)
        AskToStoreCameraEdits();
    else if (!m_bCamerasInitialised)
        Message("No Cameras Initialized", "Warning");
    else
        s.SetRecalculate(true);
    OnIsoVolume();
    if (m_roomBeforeRender)
        m_roomBeforeRender->request = s.GetComputationRequests();
    m_pView->RequestRepaint();
}

void CVolumePlannerDlg::OnCoverageRefused()
{
    if (!m_roomBeforeRender || m_pView->Renderer().GetLastTakenRequests() < m_roomBeforeRender->request)
        return;
    // The computation could not hold the grid: the plan stays as it was
    // before that RENDER, and so does the coverage shown.
    const StoredRoom before = std::move(*m_roomBeforeRender);
    m_roomBeforeRender.reset();
    before.room.Apply();
    KeepCamerasInTheRoom();
    for (const auto& [id, text] : before.texts)
        PutBack(id, text);
    m_roomBoxTexts = before.texts;
}

void CVolumePlannerDlg::KeepCamerasInTheRoom()
{
    CCameraSet& cams = Cameras();
    if (!m_bCamerasInitialised || !cams.IsAllocated())
        return;
    // The frame converts feet at its next paint; the corner is needed now,
    // from the same single-precision products.
    const SceneSettings& s = Settings();
    const bool feet = s.InFeet();
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
    const std::optional<long long> threshold = ReadBoxCount(ItemText(kIdIsoThreshold));
    if (!threshold) {
        Message("The Iso Volume \"Cameras\" box " + Quoted(ItemText(kIdIsoThreshold)) +
                    " is not a whole number. The threshold stays " + FormatUnsigned(GetIsoThreshold()) + ".",
                kInvalidAction);
        SetItemText(kIdIsoThreshold, FormatUnsigned(GetIsoThreshold()));
        return;
    }
    for (const auto& [id, name] : {std::pair{kIdResBound1, "first"}, std::pair{kIdResBound2, "second"}}) {
        if (!BoxValue(id)) {
            Message(std::string("The ") + name + " resolution bound " + Quoted(ItemText(id)) +
                        " is not a number. The previous bounds are kept.",
                    kInvalidAction);
            SetItemText(id, FormatBoxNumber(id == kIdResBound1 ? GetResBound1() : GetResBound2()));
            return;
        }
    }
    SetIsoOperator(static_cast<unsigned>(isoOperator));
    // Compared unsigned, so a negative threshold is refused too.
    const long long clamped = std::clamp<long long>(*threshold, INT_MIN, INT_MAX);
    const bool accepted = SetIsoThreshold(static_cast<unsigned>(static_cast<int>(clamped)));
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
    SetResBound1(*BoxValue(kIdResBound1));
    SetResBound2(*BoxValue(kIdResBound2));
    Settings().SetRecalculate(true);
    m_pView->RequestRepaint();
}

void CVolumePlannerDlg::OnCameraSelected()
{
    QComboBox* selector = Combo(kIdCameraSelector);
    if (!m_bCameraEditsUnsaved) {
        m_nSelectedCamera = selector->currentIndex();
        ShowCameraSettings();
        emit cameraSelected(m_nSelectedCamera);
        return;
    }
    // The edits belong to the camera selected so far; the newly chosen one is
    // not taken, the user chooses it again.
    AskToStoreCameraEdits();
    selector->setCurrentIndex(m_nSelectedCamera);
    emit cameraSelected(m_nSelectedCamera);
}

void CVolumePlannerDlg::SelectCamera(int i)
{
    if (!m_bCameraEditsTyped)
        m_bCameraEditsUnsaved = false;
    Combo(kIdCameraSelector)->setCurrentIndex(i);
    OnCameraSelected();
}

std::string CVolumePlannerDlg::CameraBoxText(int id) const
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

void CVolumePlannerDlg::ShowCameraSettings()
{
    if (m_nSelectedCamera < 0) {
        Message("Select a camera for its settings", kInvalidAction);
        return;
    }
    // Each write runs the box's watch before the next one, as typing would,
    // but stores nothing: the boxes show what the camera holds, digit for digit.
    m_bShowingCamera = true;
    const int i = m_nSelectedCamera;
    CCameraSet& cams = Cameras();
    for (const int id : {kIdPositionX, kIdPositionY, kIdPositionZ, kIdFocalLength})
        SetItemText(id, CameraBoxText(id));
    SetItemText(kIdHFov, Fixed2(cams.GetHFov(i)));
    SetItemText(kIdVFov, Fixed2(cams.GetVFov(i)));
    for (const int id : {kIdFrameWidth, kIdFrameHeight, kIdHTilt, kIdVTilt, kIdFStop, kIdSpin})
        SetItemText(id, CameraBoxText(id));
    static_cast<QCheckBox*>(Control(kIdEnableCamera))
        ->setCheckState(cams.GetEnabled(i) == 1 ? Qt::Checked : Qt::Unchecked);
    m_bShowingCamera = false;
    m_bCameraEditsTyped = false;
    m_pView->RequestRepaint();
}

void CVolumePlannerDlg::OnCameraEdit()
{
    if (!m_bCamerasInitialised)
        Message(kViewVolumeNotBuilt, kInvalidAction);
    else if (m_nSelectedCamera != -1) {
        m_bCameraEditsUnsaved = true;
        m_bCameraEditsTyped = m_bCameraEditsTyped || !m_bShowingCamera;
    } else
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
        // A box the dialog fills holds the camera's own value: nothing to store.
        const std::optional<float> focal = BoxValue(kIdFocalLength);
        if (!m_bShowingCamera && focal && IsStorable(*focal, true)) {
            m_bRigEdited = m_bRigEdited || *focal != cams.GetFocalLength(i);
            cams.SetFocalLength(i, *focal);
        }
        // Deriving the fields of view resets every camera's drawn edges until
        // the next computation: only for a lens that changed, not for a camera shown.
        if (!m_bShowingCamera)
            cams.RecomputeFieldOfView();
        SetItemText(kIdHFov, Fixed2(cams.GetHFov(i)));
        SetItemText(kIdVFov, Fixed2(cams.GetVFov(i)));
    }
    m_bCameraEditsUnsaved = true;
    m_bCameraEditsTyped = m_bCameraEditsTyped || (!m_bShowingCamera && m_nSelectedCamera != -1);
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
    if (const std::optional<float> size = BoxValue(id); size && !m_bShowingCamera) {
        CCameraSet& cams = Cameras();
        const int i = m_nSelectedCamera;
        const float before = id == kIdFrameWidth ? cams.GetFrameWidth(i) : cams.GetFrameHeight(i);
        m_bRigEdited = m_bRigEdited || *size != before;
        if (id == kIdFrameWidth)
            cams.SetFrameWidth(i, *size);
        else
            cams.SetFrameHeight(i, *size);
    }
    OnFocalLengthChanged();
}

void CVolumePlannerDlg::OnEnableCamera()
{
    m_bCameraEditsUnsaved = true;
    m_bCameraEditsTyped = true;
}

void CVolumePlannerDlg::OnUpdateSettings()
{
    // The boxes must show the camera they are stored into.
    if (m_nSelectedCamera == -1 || Combo(kIdCameraSelector)->currentIndex() != m_nSelectedCamera) {
        Message(kNoCameraSelected, kInvalidAction);
        return;
    }
    std::map<int, float> value;
    for (const CameraBox& box : kCameraBoxes) {
        const std::optional<float> read = BoxValue(box.id);
        if (!read || !IsStorable(*read, box.positive)) {
            Message(std::string("The ") + box.name + " " + Quoted(ItemText(box.id)) + " is not " +
                        (box.positive ? "a number above 0" : "a number") +
                        ". The camera keeps all its previous values.",
                    kInvalidAction);
            // The box shows the value the camera keeps.
            PutBack(box.id, CameraBoxText(box.id));
            return;
        }
        value[box.id] = *read;
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
    const Qt::CheckState enabled = static_cast<QCheckBox*>(Control(kIdEnableCamera))->checkState();
    if (enabled == Qt::Checked)
        cams.SetEnabled(i, 1);
    else if (enabled == Qt::Unchecked)
        cams.SetEnabled(i, 0);
    m_bCameraEditsUnsaved = false;
    m_bCameraEditsTyped = false;
    m_bRigEdited = true;
    // The camera's glyph moves at once; its coverage waits for the next RENDER.
    m_pView->RequestRepaint();
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
    return IsFeetUnit(unit) ? "ft" : "m";
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
        const auto feet = [](float metres) {
            return FormatBoxNumber(metres / kMetresPerFoot,
                                   [metres](float typed) { return typed * kMetresPerFoot == metres; });
        };
        SetItemText(kIdRoomLength, feet(s.GetRoomLength()));
        SetItemText(kIdRoomWidth, feet(s.GetRoomWidth()));
        SetItemText(kIdRoomHeight, feet(s.GetRoomHeight()));
        RememberRoomBoxes();
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
    const std::optional<std::string> path = ChooseFileToWrite(*m_prompts, kCameraFileSave);
    if (!path)
        return;
    if (Cameras().SaveToFile(*path)) {
        m_bRigEdited = false;
        emit cameraFileSaved(QString::fromStdString(*path));
    } else
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
