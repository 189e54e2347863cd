#include "app/VolumePlannerDlg.h"

#include "classic/ClassicParameters.h"
#include "app/ButtonIcons.h"
#include "app/DialogFont.h"
#include "app/DialogPlan.h"
#include "app/DialogLayout.h"
#include "app/DialogRules.h"
#include "app/DialogText.h"
#include "app/EditBox.h"
#include "app/QtUserPrompts.h"
#include "app/UpDownControl.h"
#include "cameras/CameraSet.h"
#include "coverage/CoverageVolume.h"
#include "render/view/VolumeView.h"
#include "scene/SceneSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include <algorithm>
#include <vector>

namespace
{

const char* const kCameraRangeBelowOne = "Select at least 1 camera, starting from camera 1";
const char* const kDiscardRigQuestion =
    "The cameras were changed since the last save or load. Set up a new rig and lose the changes?";

// Combo boxes keep their closed height whatever list height the layout gives.
constexpr int kComboHeightDu = 14;

SceneSettings& Settings()
{
    return *GetSceneSettings();
}

std::unique_ptr<CUserPrompts> PromptsOrQt(std::unique_ptr<CUserPrompts> prompts, QWidget* owner)
{
    if (!prompts)
        return std::make_unique<CQtUserPrompts>(owner);
    return prompts;
}

} // namespace

CVolumePlannerDlg::CVolumePlannerDlg(std::unique_ptr<CUserPrompts> prompts, QWidget* parent)
    : QDialog(parent), m_prompts(PromptsOrQt(std::move(prompts), this)), m_items(*m_prompts),
      m_pView(new CVolumeView(this)), m_roomForm(m_items, m_rig, *m_pView), m_criteria(m_items, m_rig, *m_pView),
      m_cameraEditor(m_items, m_rig, *m_pView, [this](int camera) { emit cameraSelected(camera); }),
      m_rigFiles(
          m_items, m_rig, *m_pView, [this] { RefreshDialog(); },
          [this](const std::string& path) { emit cameraFileSaved(QString::fromStdString(path)); })
{
    setWindowTitle("Zarvoscope");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(MakeButtonIcon(ButtonIcon::Window));
    setFixedSize(DuToPixelsX(kDialogWidthDu), DuToPixelsY(kDialogHeightDu));
    // The layout is measured for a small dialog font: the font fits the captions to it.
    setFont(ClassicDialogFont(font(), *style()));

    m_pView->move(kViewLeftPx, kViewTopPx);
    CreateControls();
    RouteMessages();
    connect(m_pView, &CVolumeView::sceneReady, this, &CVolumePlannerDlg::OnSceneReady);
    connect(m_pView, &CVolumeView::computationMessage, this, [this](const QString& text, const QString& reason) {
        // A grid that cannot be allocated is the classic fatal case; any other refusal is the user's to mend.
        const std::string message = text.toStdString();
        m_items.Message(message, reason.toStdString(),
                        message == kNotEnoughMemoryMessage ? "Fatal Error" : kInvalidAction);
    });
    connect(m_pView, &CVolumeView::coverageRefused, this, [this] { m_roomForm.OnCoverageRefused(); });
    connect(m_pView, &CVolumeView::computationFinished, this, [this] { m_roomForm.OnComputationFinished(); });
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
            // On the button, not the dialog: a dialog's style sheet loses the
            // dialog's font for all its controls once a window takes it in.
            button->setStyleSheet("padding: 0px 1px;");
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
            m_items.Add(c.id, w);
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
    onClick(kIdEnableCamera, [this] { m_cameraEditor.OnEnableCamera(); });
    onClick(kIdUpdateSettings, [this] {
        m_cameraEditor.OnUpdateSettings();
        RecordStep("Camera edits");
    });
    onClick(kIdPerspective, repaintAfter(&CVolumeView::SetPerspective));
    onClick(kIdOrthographic, repaintAfter(&CVolumeView::SetOrthographic));
    onClick(kIdToggleXScale, repaintAfter(&CVolumeView::ToggleXScale));
    onClick(kIdToggleYScale, repaintAfter(&CVolumeView::ToggleYScale));
    onClick(kIdToggleZScale, repaintAfter(&CVolumeView::ToggleZScale));
    onClick(kIdHome, repaintAfter(&CVolumeView::GoHome));
    onClick(kIdSetHome, repaintAfter(&CVolumeView::SetHome));
    onClick(kIdResetHome, repaintAfter(&CVolumeView::ResetHome));
    onClick(kIdViewRes, [this] { OnViewRes(); });
    onClick(kIdLoadFile, [this] {
        m_rigFiles.OnLoadFile();
        RecordStep("Load File");
    });
    onClick(kIdSaveFile, [this] { m_rigFiles.OnSaveFile(); });
    onClick(kIdClick, [this] {
        OnClickRange();
        RecordStep();
    });
    onClick(kIdViewAllCams, [this] {
        OnViewAllCams();
        RecordStep();
    });
    onClick(kIdIsoVolume, [this] {
        m_criteria.OnIsoVolume();
        RecordStep();
    });
    onClick(kIdRoomOnOff, toggle(&SceneSettings::GetShowRoom, &SceneSettings::SetShowRoom, true));
    onClick(kId2D3DView, toggle(&SceneSettings::Get2DView, &SceneSettings::Set2DView, true));
    // Test mode takes effect at the next recalculation, so nothing is repainted.
    onClick(kIdTestOnOff, toggle(&SceneSettings::GetTestMode, &SceneSettings::SetTestMode, false));
    onClick(kIdLegend, toggle(&SceneSettings::GetShowLegend, &SceneSettings::SetShowLegend, true));
    onClick(kIdSelectiveCams, toggle(&SceneSettings::GetSelectiveCameras, &SceneSettings::SetSelectiveCameras, true));
    onClick(kIdTest, [this] { m_rigFiles.OnTest(); });

    connect(m_items.Combo(kIdCameraSelector), &QComboBox::activated, this,
            [this] { m_cameraEditor.OnCameraSelected(); });
    connect(m_items.Combo(kIdCameraType), &QComboBox::activated, this, [this] { m_cameraEditor.OnCameraType(); });

    for (const int id : {kIdPositionX, kIdPositionY, kIdPositionZ, kIdHTilt, kIdVTilt, kIdFStop, kIdSpin})
        onEdit(id, [this] { m_cameraEditor.OnCameraEdit(); });
    onEdit(kIdFocalLength, [this] { m_cameraEditor.OnFocalLengthChanged(); });
    onEdit(kIdFrameWidth, [this] { m_cameraEditor.OnFrameSizeChanged(kIdFrameWidth); });
    onEdit(kIdFrameHeight, [this] { m_cameraEditor.OnFrameSizeChanged(kIdFrameHeight); });
    onEdit(kIdSensorLength, [this] { m_cameraEditor.OnPixelCalculator(); });

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
    return m_items.Control(id);
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

void CVolumePlannerDlg::RefreshDialog()
{
    const SceneSettings& s = Settings();
    m_roomForm.ShowRoom();
    m_items.SetItemText(kIdRangeCount, FormatUnsigned(s.GetCameraCount()));
    m_items.SetItemText(kIdRangeFirst, "1");
    m_criteria.ShowCriteria();
    m_cameraEditor.ListCameraTypes();
    m_cameraEditor.ShowNewRig(static_cast<int>(s.GetCameraCount()));
}

void CVolumePlannerDlg::OnEnter()
{
    const int n = m_items.ItemInt(kIdCameraCount);
    if (!IsValidCameraCount(n)) {
        m_items.Message("Invalid Number of Cameras", "Error");
        return;
    }
    if (m_rig.edited && m_items.Message(kDiscardRigQuestion, "Warning", PromptButtons::YesNo) != PromptAnswer::Yes)
        return;
    SceneSettings& s = Settings();
    const bool feet = TypedUnit() == "ft";
    if (m_pPlan) {
        m_pPlan->RecordEdits();
        // The room typed is the new rig's, stored as RENDER stores it: a box that cannot be is named.
        if (!m_roomForm.StoreRoom())
            return;
        if (const std::optional<std::string> refusal = m_pPlan->ResetRig(static_cast<uint32_t>(n))) {
            m_items.Message(*refusal, kInvalidAction);
            return;
        }
    } else {
        s.SetCameraCount(static_cast<uint32_t>(n));
        s.SetFirstCamera(0);
        s.SetEndCamera(s.GetCameraCount());
        SetIsoThreshold(static_cast<unsigned>(n));
        m_pView->ResetCameras();
    }
    m_rig.edited = false;
    m_rig.camerasInitialised = true;
    s.SetRecalculate(true);
    if (m_pPlan)
        m_roomForm.AwaitComputation(s.GetComputationRequests());
    m_pView->RequestRepaint();
    RefreshDialog();
    if (m_pPlan && feet)
        m_roomForm.ShowRoomInFeet();
}

void CVolumePlannerDlg::RecordStep(const char* name)
{
    if (!m_pPlan)
        return;
    if (name)
        m_pPlan->Take(name);
    else
        m_pPlan->RecordEdits();
}

void CVolumePlannerDlg::OnRender()
{
    SceneSettings& s = Settings();
    if (!m_roomForm.StoreRoom())
        return;
    if (m_cameraEditor.AreCameraEditsUnsaved())
        m_cameraEditor.AskToStoreCameraEdits();
    else if (!m_rig.camerasInitialised)
        m_items.Message("No Cameras Initialized", "Warning");
    else
        s.SetRecalculate(true);
    m_criteria.OnIsoVolume();
    m_roomForm.AwaitComputation(s.GetComputationRequests());
    m_pView->RequestRepaint();
    RecordStep();
}

void CVolumePlannerDlg::SelectCamera(int i)
{
    m_cameraEditor.SelectCamera(i);
}

void CVolumePlannerDlg::OnClickRange()
{
    const int n = m_items.ItemInt(kIdRangeCount);
    const int m = m_items.ItemInt(kIdRangeFirst);
    SceneSettings& s = Settings();
    switch (CheckCameraRange(n, m, s.GetCameraCount())) {
    case CameraRangeCheck::BelowOne:
        m_items.Message(kCameraRangeBelowOne, kInvalidAction);
        return;
    case CameraRangeCheck::Exceeding:
        m_items.Message("Exceeding Total Cameras", kInvalidAction);
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
    if (m_cameraEditor.GetSelectedCamera() < 0) {
        m_items.Message("Select a camera for viewing its resolution map", kInvalidAction);
        return;
    }
    m_pView->ShowResolutionMap(m_cameraEditor.GetSelectedCamera());
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

void CVolumePlannerDlg::reject()
{
    if (m_closeGuard && !m_closeGuard())
        return;
    QDialog::reject();
}

std::string CVolumePlannerDlg::TypedUnit() const
{
    return m_roomForm.TypedUnit();
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
    m_items.SetItemText(kIdCameraCount, FormatUnsigned(s.GetCameraCount()));
    RefreshDialog();
    m_items.SetItemText(kIdRangeFirst, FormatUnsigned(s.GetFirstCamera() + 1));
    m_items.SetItemText(kIdRangeCount, FormatUnsigned(s.GetEndCamera() - s.GetFirstCamera()));
    if (unit == "ft")
        m_roomForm.ShowRoomInFeet();
    m_pView->ShowResolutionMap(resolutionCamera);
    m_rig.camerasInitialised = true;
    Settings().SetRecalculate(true);
    m_pView->RequestRepaint();
}

void CVolumePlannerDlg::ShowChangedRig(const std::string& unit)
{
    // As after Load File, with the range the rig now has.
    const SceneSettings& s = Settings();
    m_items.SetItemText(kIdCameraCount, FormatUnsigned(s.GetCameraCount()));
    RefreshDialog();
    m_items.SetItemText(kIdRangeFirst, FormatUnsigned(s.GetFirstCamera() + 1));
    m_items.SetItemText(kIdRangeCount, FormatUnsigned(s.GetEndCamera() - s.GetFirstCamera()));
    if (unit == "ft")
        m_roomForm.ShowRoomInFeet();
    m_rig.edited = true;
    m_rig.camerasInitialised = true;
    Settings().SetRecalculate(true);
    m_pView->RequestRepaint();
}
