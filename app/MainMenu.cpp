#include "app/MainMenu.h"

#include "app/AutoPlacePanel.h"
#include "app/BoxTooltips.h"
#include "app/CameraClipboard.h"
#include "app/CameraTablePanel.h"
#include "app/ClassicPlan.h"
#include "app/DockHost.h"
#include "app/DialogLayout.h"
#include "app/GenerateRigPanel.h"
#include "app/ObstaclePanel.h"
#include "app/PlanningPanel.h"
#include "app/ProjectCommands.h"
#include "app/RecentPlans.h"
#include "app/ReportCommands.h"
#include "app/ShareCommands.h"
#include "app/PlannerViewCommands.h"
#include "app/ViewDragCommands.h"
#include "app/ViewStyleCommands.h"
#include "app/VolumePlannerDlg.h"
#include "app/asbuilt/AsBuiltCompareCommand.h"
#include "app/asbuilt/CalibrationImportCommand.h"
#include "coverage/PlanningMeasures.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"
#include "scene/SceneSettings.h"
#include "scene/ShownDisplay.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>

namespace
{

constexpr int kPanelWidthPx = 390;
constexpr int kPanelMarginPx = 7;

constexpr MenuCommand kDisplays[] = {MenuCommand::ResolutionMap, MenuCommand::CameraCount2D,
                                     MenuCommand::SelectiveCameras, MenuCommand::Quality};
// The same displays as the project file names them, in the same order.
constexpr WindowDisplay kWindowDisplays[] = {WindowDisplay::ResolutionMap, WindowDisplay::CameraCount2D,
                                             WindowDisplay::SelectiveCameras, WindowDisplay::Quality};

// The display the view shows now; the map before the window has its settings.
WindowDisplay WindowDisplayShown(const CVolumeView& view)
{
    const SceneSettings* s = GetSceneSettings();
    if (!s)
        return view.IsQualityDisplay() ? WindowDisplay::Quality : WindowDisplay::ResolutionMap;
    return ShownDisplay(*s, view.IsQualityDisplay());
}

struct MeasureEntry {
    MenuCommand command;
    PlanningMeasure measure;
};
constexpr MeasureEntry kMeasures[] = {{MenuCommand::MeasureCameras, PlanningMeasure::Cameras},
                                      {MenuCommand::MeasureMarkerPx, PlanningMeasure::MarkerPx},
                                      {MenuCommand::MeasureAngle, PlanningMeasure::Angle},
                                      {MenuCommand::MeasureSigma, PlanningMeasure::Sigma},
                                      {MenuCommand::MeasureOcclusion, PlanningMeasure::Occlusion}};

const char* const kMouseAndKeys = "In the view:\n"
                                  "Left button drag: turn the scene\n"
                                  "Right button drag: tilt the scene\n"
                                  "Left button, then hold Shift while dragging: pan\n"
                                  "Arrow keys (after a click into the view): pan\n"
                                  "Escape: end the program\n"
                                  "In the Planner view: the wheel zooms towards the cursor,\n"
                                  "F (after a click into the view) fits the room,\n"
                                  "a camera dragged slides on its wall or ceiling (5 cm steps),\n"
                                  "the selected camera's target dragged over the floor aims it\n"
                                  "\n"
                                  "Enter in a box of the window: RENDER\n"
                                  "Enter in a box of the Planning panel: take its value";

} // namespace

ReportWindowLink CMainMenu::ReportLink()
{
    ReportWindowLink link;
    link.parent = &m_dialog;
    link.prompts = &m_dialog.Prompts();
    link.ready = [this] { return m_dialog.IsSceneReady(); };
    // What the dialog stored is the plan's before the plan goes to the report.
    link.document = [this]() -> const CPlanDocument& {
        m_pPlan->RecordEdits();
        return m_pPlan->Document();
    };
    link.edit = [this](const std::string& name, const CPlanDocument::Edit& edit) { m_pPlan->Edit(name, edit); };
    link.displayArguments = [this] { return CReportCommands::DisplayArgumentsOf(m_dialog.View()->Renderer()); };
    return link;
}

CMainMenu::CMainMenu(CVolumePlannerDlg& dialog, CDockHost* docks)
    : QObject(&dialog), m_dialog(dialog), m_pDocks(docks), m_pPlan(new CClassicPlan(dialog)),
      m_pMenuBar(new QMenuBar(docks ? nullptr : &dialog)), m_pProject(new CProjectCommands(dialog, *m_pPlan)),
      m_pReport(new CReportCommands(ReportLink(), &dialog)), m_nClassicWidth(dialog.width())
{
    dialog.SetPlan(m_pPlan);
    BuildFileMenu();
    BuildViewMenu();
    BuildEditMenu();
    BuildPlanMenu();
    BuildHelpMenu();
    SetBoxTooltips(dialog);

    if (m_pDocks)
        m_pDocks->TakeMenuBar(m_pMenuBar);
    const int barHeight = m_pMenuBar->sizeHint().height();
    if (!m_pDocks) {
        for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child != m_pMenuBar)
                child->move(child->pos() + QPoint(0, barHeight));
        dialog.setFixedSize(m_nClassicWidth, dialog.height() + barHeight);
        m_pMenuBar->setGeometry(0, 0, m_nClassicWidth, barHeight);
    }
    m_pProject->SetWindowStateLink([this] { return CaptureWindowState(); },
                                   [this](const ProjectWindowState& state) { RestoreWindowState(state); });
    BuildStatus();
}

void CMainMenu::BuildStatus()
{
    // Beside the menus, so the classic window keeps its size and every control its place.
    m_pStatus = new QStatusBar(m_pMenuBar);
    m_pStatus->setSizeGripEnabled(false);
    m_pStatus->setMaximumHeight(m_pMenuBar->height());
    m_pStatus->setMinimumWidth(m_nClassicWidth / 2);
    m_pMenuBar->setCornerWidget(m_pStatus, Qt::TopRightCorner);
    const auto show = [this](const QString& text) { m_pStatus->showMessage(text); };
    connect(m_pProject, &CProjectCommands::saved, m_pStatus, show);
    connect(m_pReport, &CReportCommands::saved, m_pStatus, show);
    connect(m_pShare, &CShareCommands::saved, m_pStatus, show);
    connect(&m_dialog, &CVolumePlannerDlg::cameraFileSaved, m_pStatus,
            [show](const QString& path) { show("Cameras saved to " + path); });

    m_pStartHint = new QLabel("To start: File > New Plan lays out a room and a rig.\n"
                              "Or type a Number Of Cameras and press Enter, or File > Open Project.",
                              m_dialog.View());
    m_pStartHint->setAlignment(Qt::AlignCenter);
    m_pStartHint->setStyleSheet("color: rgb(255, 255, 255); background: rgb(51, 51, 51); padding: 8px;");
    m_pStartHint->adjustSize();
    m_pStartHint->move((m_dialog.View()->width() - m_pStartHint->width()) / 2,
                       (m_dialog.View()->height() - m_pStartHint->height()) / 2);
    // Whatever gives the window a rig hides it, after the dialog's own handler.
    for (const int id : {kIdEnter, kIdLoadFile})
        connect(static_cast<QAbstractButton*>(m_dialog.Control(id)), &QAbstractButton::clicked, this,
                &CMainMenu::ShowStartHint);
    connect(m_pPlan, &CClassicPlan::planShown, this, &CMainMenu::ShowStartHint);
    ShowStartHint();
}

void CMainMenu::ShowStartHint()
{
    m_pStartHint->setVisible(!m_dialog.AreCamerasInitialised());
}

void CMainMenu::KeepRecentPlansIn(std::unique_ptr<QSettings> store)
{
    m_pRecent->SetStore(std::move(store));
}

ProjectWindowState CMainMenu::CaptureWindowState() const
{
    ProjectWindowState state;
    const CVolumeView* view = m_dialog.View();
    state.display = WindowDisplayShown(*view);
    state.qualityMeasure = view->GetQualityMeasure();
    state.qualityThreshold = view->GetQualityThreshold();
    const ViewPose pose = view->GetView();
    state.yawDeg = pose.yaw;
    state.pitchDeg = pose.pitch;
    state.panX = pose.panX;
    state.panY = pose.panY;
    state.zoom = pose.zoom;
    state.planningPanel = Action(MenuCommand::PlanningPanel)->isChecked();
    return state;
}

void CMainMenu::RestoreWindowState(const ProjectWindowState& state)
{
    CVolumeView* view = m_dialog.View();
    for (size_t n = 0; n < std::size(kDisplays); ++n)
        if (kWindowDisplays[n] == state.display)
            ChooseDisplay(kDisplays[n]);
    view->SetQualityMeasure(state.qualityMeasure);
    view->SetQualityThreshold(state.qualityThreshold);
    view->Renderer().SetView({state.yawDeg, state.pitchDeg, state.panX, state.panY, state.zoom});
    // Opens or closes the panel through its own toggle; an open one shows the threshold anew.
    Action(MenuCommand::PlanningPanel)->setChecked(state.planningPanel);
    if (m_pPanel && state.planningPanel)
        m_pPanel->Refresh();
    ShowDisplayState();
    view->RequestRepaint();
}

QAction* CMainMenu::AddAction(MenuCommand command, QMenu* menu, const QString& text)
{
    QAction* action = menu->addAction(text);
    m_actions[static_cast<size_t>(command)] = action;
    return action;
}

void CMainMenu::BuildFileMenu()
{
    QMenu* menu = m_pMenuBar->addMenu("&File");
    // The buttons' own clicks: the menu runs exactly what the buttons run.
    const auto clickOf = [this](int id) {
        return [this, id] { static_cast<QAbstractButton*>(m_dialog.Control(id))->click(); };
    };
    // The project holds the whole plan: it takes the standard shortcuts.
    QAction* newPlan = AddAction(MenuCommand::NewPlan, menu, "&New Plan...");
    newPlan->setShortcut(QKeySequence::New);
    connect(newPlan, &QAction::triggered, this, &CMainMenu::ShowNewPlan);
    QAction* open = AddAction(MenuCommand::OpenProject, menu, "&Open Project...");
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, m_pProject, &CProjectCommands::OpenProject);
    m_pRecent = new CRecentPlans(
        *menu->addMenu("Open &Recent"), [this](const QString& path) { return m_pProject->OpenProjectFile(path); },
        this);
    connect(m_pProject, &CProjectCommands::projectFileUsed, m_pRecent, &CRecentPlans::Add);
    QAction* saveProject = AddAction(MenuCommand::SaveProject, menu, "&Save Project");
    saveProject->setShortcut(QKeySequence::Save);
    connect(saveProject, &QAction::triggered, m_pProject, &CProjectCommands::SaveProject);
    QAction* saveAs = AddAction(MenuCommand::SaveProjectAs, menu, "Save Project &As...");
    saveAs->setShortcut(QKeySequence("Ctrl+Shift+S"));
    connect(saveAs, &QAction::triggered, m_pProject, &CProjectCommands::SaveProjectAs);
    menu->addSeparator();
    connect(AddAction(MenuCommand::LoadFile, menu, "&Load File..."), &QAction::triggered, this, clickOf(kIdLoadFile));
    connect(AddAction(MenuCommand::SaveFile, menu, "Save &File..."), &QAction::triggered, this, clickOf(kIdSaveFile));
    // Connected once the rig's history exists (BuildPlanMenu).
    AddAction(MenuCommand::ImportCalibration, menu, "Import &Calibration as Rig...");
    menu->addSeparator();
    connect(AddAction(MenuCommand::ExportCoverage, menu, "&Export Coverage..."), &QAction::triggered, m_pProject,
            &CProjectCommands::ExportCoverage);
    connect(AddAction(MenuCommand::SaveViewPng, menu, "Save &View as PNG..."), &QAction::triggered, m_pProject,
            &CProjectCommands::SaveViewAsPng);
    QAction* report = AddAction(MenuCommand::ExportReport, menu, "Export &Report...");
    report->setShortcut(QKeySequence("Ctrl+E"));
    connect(report, &QAction::triggered, m_pReport, &CReportCommands::ExportReport);
    m_pShare = new CShareCommands(m_dialog, *m_pPlan, [this] { return CaptureWindowState(); });
    connect(AddAction(MenuCommand::ExportGltf, menu->addMenu("E&xport"), "&glTF..."), &QAction::triggered, m_pShare,
            &CShareCommands::ExportGltf);
    connect(AddAction(MenuCommand::ShareWebPage, menu, "Share as &Web Page..."), &QAction::triggered, m_pShare,
            &CShareCommands::ShareWebPage);
    menu->addSeparator();
    QAction* quit = AddAction(MenuCommand::Quit, menu, "&Quit");
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, clickOf(kIdQuit));
}

void CMainMenu::BuildViewMenu()
{
    QMenu* menu = m_pMenuBar->addMenu("&View");
    m_pViewMenu = menu;
    auto* displays = new QActionGroup(this);
    const char* const names[] = {"&Resolution Map", "&Camera Count (2D)", "&Selective Cameras", "&Quality"};
    for (size_t n = 0; n < std::size(kDisplays); ++n) {
        QAction* action = AddAction(kDisplays[n], menu, names[n]);
        action->setCheckable(true);
        displays->addAction(action);
        connect(action, &QAction::triggered, this, [this, display = kDisplays[n]] { ChooseDisplay(display); });
    }

    QMenu* measures = menu->addMenu("Quality &Measure");
    auto* measureGroup = new QActionGroup(this);
    for (const MeasureEntry& entry : kMeasures) {
        QAction* action = AddAction(entry.command, measures, PlanningMeasureName(entry.measure));
        action->setCheckable(true);
        measureGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, command = entry.command] { ChooseMeasure(command); });
    }

    // The key is the view's own (typed F into a box stays an F): the menu only names it.
    menu->addSeparator();
    QAction* planner = AddAction(MenuCommand::PlannerView, menu, "&Planner View");
    QAction* fit = AddAction(MenuCommand::FitRoom, menu, "&Fit Room\tF");
    m_pViewStyle = new CViewStyleCommands(*m_dialog.View(), *planner, *fit, this);
    const CPlannerViewCommands::Actions presets{AddAction(MenuCommand::ViewTop, menu, "View &Top"),
                                                AddAction(MenuCommand::ViewFront, menu, "View Fro&nt"),
                                                AddAction(MenuCommand::ViewSide, menu, "View Si&de"),
                                                AddAction(MenuCommand::ThroughCamera, menu, "Through &Camera"),
                                                nullptr,
                                                nullptr,
                                                nullptr};
    QMenu* pyramids = menu->addMenu("Show P&yramids");
    CPlannerViewCommands::Actions actions = presets;
    actions.pyramidsAll = AddAction(MenuCommand::PyramidsAll, pyramids, "&All Cameras");
    actions.pyramidsSelected = AddAction(MenuCommand::PyramidsSelected, pyramids, "&Selected Camera");
    actions.pyramidsNone = AddAction(MenuCommand::PyramidsNone, pyramids, "&None");
    new CPlannerViewCommands(m_dialog, *m_pViewStyle, actions, *menu, this);
    menu->addSeparator();
    connect(AddAction(MenuCommand::CameraTable, menu, "Camera &Table"), &QAction::triggered, this,
            &CMainMenu::ShowCameraTable);
    connect(m_pProject, &CProjectCommands::viewStyleRestored, m_pViewStyle, &CViewStyleCommands::ShowStyle);
    connect(menu, &QMenu::aboutToShow, this, &CMainMenu::ShowDisplayState);
    ShowDisplayState();
}

void CMainMenu::BuildEditMenu()
{
    // After View: the classic menus keep their places on the bar.
    QMenu* menu = m_pMenuBar->addMenu("&Edit");
    m_actions[static_cast<size_t>(MenuCommand::Undo)] = m_pPlan->UndoAction();
    m_actions[static_cast<size_t>(MenuCommand::Redo)] = m_pPlan->RedoAction();
    menu->addAction(m_pPlan->UndoAction());
    menu->addAction(m_pPlan->RedoAction());
    menu->addSeparator();
    m_pClipboard = new CCameraClipboard(m_dialog, *m_pPlan, this);
    new CViewDragCommands(m_dialog, *m_pPlan, this);
    m_actions[static_cast<size_t>(MenuCommand::CopyCamera)] = m_pClipboard->CopyAction();
    m_actions[static_cast<size_t>(MenuCommand::PasteCamera)] = m_pClipboard->PasteAction();
    m_actions[static_cast<size_t>(MenuCommand::DuplicateCamera)] = m_pClipboard->DuplicateAction();
    menu->addAction(m_pClipboard->CopyAction());
    menu->addAction(m_pClipboard->PasteAction());
    menu->addAction(m_pClipboard->DuplicateAction());
    connect(m_pPlan, &CClassicPlan::planShown, this, &CMainMenu::ShowPlan);
    // The view's style is the plan's, saved with it; it is no step of its history.
    connect(m_dialog.View(), &CVolumeView::viewStyleChanged, this, [this] {
        m_pPlan->Document().SetShown(m_dialog.View()->GetViewStyle() == ViewStyle::Planner, m_pPlan->GetPlan().window);
    });
}

void CMainMenu::ShowPlan()
{
    if (m_pPanel)
        m_pPanel->Refresh();
}

void CMainMenu::BuildPlanMenu()
{
    QMenu* menu = m_pMenuBar->addMenu("&Plan");
    QAction* panel = AddAction(MenuCommand::PlanningPanel, menu, "&Planning Panel");
    panel->setCheckable(true);
    connect(panel, &QAction::toggled, this, &CMainMenu::ShowPanel);
    connect(AddAction(MenuCommand::Obstacles, menu, "&Obstacles..."), &QAction::triggered, this,
            &CMainMenu::ShowObstacles);
    connect(AddAction(MenuCommand::AutoPlace, menu, "&Auto-Place..."), &QAction::triggered, this,
            &CMainMenu::ShowAutoPlace);
    m_pCalibrationImport = new CCalibrationImportCommand(m_dialog, *m_pPlan);
    connect(Action(MenuCommand::ImportCalibration), &QAction::triggered, m_pCalibrationImport,
            &CCalibrationImportCommand::Import);
    m_pAsBuiltCompare = new CAsBuiltCompareCommand(m_dialog, *m_pPlan, *m_pReport);
    connect(AddAction(MenuCommand::CompareAsBuilt, menu, "Compare with As &Built..."), &QAction::triggered,
            m_pAsBuiltCompare, &CAsBuiltCompareCommand::Compare);
    connect(AddAction(MenuCommand::GenerateRig, menu, "&Generate Rig..."), &QAction::triggered, this,
            &CMainMenu::ShowGenerateRig);
}

void CMainMenu::BuildHelpMenu()
{
    QMenu* menu = m_pMenuBar->addMenu("&Help");
    QAction* keys = AddAction(MenuCommand::MouseAndKeys, menu, "&Mouse and Keys");
    keys->setShortcut(QKeySequence::HelpContents);
    connect(keys, &QAction::triggered, this, &CMainMenu::ShowMouseAndKeys);
    connect(AddAction(MenuCommand::About, menu, "&About"), &QAction::triggered, this, &CMainMenu::ShowAbout);
}

void CMainMenu::ShowDisplayState()
{
    m_pViewStyle->ShowStyle();
    const CVolumeView* view = m_dialog.View();
    const WindowDisplay shown = WindowDisplayShown(*view);
    for (size_t n = 0; n < std::size(kDisplays); ++n)
        if (kWindowDisplays[n] == shown)
            Action(kDisplays[n])->setChecked(true);
    for (const MeasureEntry& entry : kMeasures)
        if (entry.measure == view->GetQualityMeasure())
            Action(entry.command)->setChecked(true);
}

void CMainMenu::ChooseDisplay(MenuCommand display)
{
    SceneSettings* s = GetSceneSettings();
    if (!m_dialog.IsSceneReady() || !s) {
        ShowDisplayState();
        return;
    }
    m_dialog.View()->SetQualityDisplay(display == MenuCommand::Quality);
    switch (display) {
    case MenuCommand::ResolutionMap:
        s->SetSelectiveCameras(false);
        s->Set2DView(false);
        break;
    case MenuCommand::CameraCount2D:
        s->SetSelectiveCameras(false);
        s->Set2DView(true);
        break;
    case MenuCommand::SelectiveCameras:
        s->SetSelectiveCameras(true);
        break;
    default:
        break;
    }
    m_dialog.View()->RequestRepaint();
}

void CMainMenu::ChooseMeasure(MenuCommand command)
{
    for (const MeasureEntry& entry : kMeasures)
        if (entry.command == command)
            m_dialog.View()->SetQualityMeasure(entry.measure);
    m_dialog.View()->RequestRepaint();
}

void CMainMenu::ShowPanel(bool on)
{
    CVolumeView* view = m_dialog.View();
    if (on && !m_pPanel) {
        // Built on first use: the classic window carries nothing of it.
        m_pPanel = new CPlanningPanel(*view, m_dialog.Prompts(), m_pDocks ? nullptr : &m_dialog);
        if (!m_pDocks)
            m_pPanel->setGeometry(m_nClassicWidth, m_pMenuBar->height() + kPanelMarginPx, kPanelWidthPx,
                                  m_dialog.height() - m_pMenuBar->height() - 2 * kPanelMarginPx);
        // A new rig replaces every camera: the table follows, after the dialog's own handler.
        for (const int id : {kIdEnter, kIdLoadFile})
            connect(static_cast<QAbstractButton*>(m_dialog.Control(id)), &QAbstractButton::clicked, m_pPanel, [this] {
                m_pPanel->ShowCalibratedLens(m_dialog.GetSelectedCamera());
                m_pPanel->Refresh();
            });
        // What the panel stores is a step of the plan.
        connect(m_pPanel, &CPlanningPanel::stored, m_pPlan, &CClassicPlan::RecordEdits);
        // The calibration shown is the selected camera's, once the dialog took the choice.
        connect(static_cast<QComboBox*>(m_dialog.Control(kIdCameraSelector)), &QComboBox::activated, m_pPanel,
                [this] { m_pPanel->ShowCalibratedLens(m_dialog.GetSelectedCamera()); });
    }
    if (m_pPanel) {
        if (m_pDocks)
            m_pDocks->ShowDocked(DockedPanel::Planning, m_pPanel, on);
        else
            m_pPanel->setVisible(on);
        if (on) {
            m_pPanel->ShowCalibratedLens(m_dialog.GetSelectedCamera());
            m_pPanel->Refresh();
        }
    }
    if (!m_pDocks) {
        m_dialog.setFixedSize(m_nClassicWidth + (on ? kPanelWidthPx + kPanelMarginPx : 0), m_dialog.height());
        m_pMenuBar->resize(m_dialog.width(), m_pMenuBar->height());
    }
    view->SetPlanningEnabled(on);
    if (on)
        view->RequestPlanningUpdate();
    view->RequestRepaint();
}

void CMainMenu::ShowObstacles()
{
    if (!m_pObstaclePanel)
        m_pObstaclePanel = new CObstaclePanel(*m_pPlan, m_dialog.Prompts(), &m_dialog);
    m_pObstaclePanel->Refresh();
    if (m_pDocks) {
        m_pDocks->ShowDocked(DockedPanel::Obstacles, m_pObstaclePanel, true);
        return;
    }
    m_pObstaclePanel->show();
    m_pObstaclePanel->raise();
}

void CMainMenu::ShowAutoPlace()
{
    // Built on first use, with the plan's target (or the room's default one) then; it keeps its fields when closed.
    if (!m_pAutoPlace)
        m_pAutoPlace = new CAutoPlacePanel(*m_dialog.View(), *m_pPlan, m_dialog.Prompts(), &m_dialog);
    m_pAutoPlace->show();
    m_pAutoPlace->raise();
}

void CMainMenu::ShowCameraTable()
{
    // Built on first use, beside the window.
    if (!m_pCameraTable) {
        m_pCameraTable = new CCameraTablePanel(m_dialog, *m_pPlan, &m_dialog);
        if (!m_pDocks)
            m_pCameraTable->move(m_dialog.frameGeometry().bottomLeft());
    }
    m_pCameraTable->Refresh();
    if (m_pDocks) {
        m_pDocks->ShowDocked(DockedPanel::CameraTable, m_pCameraTable, true);
        return;
    }
    m_pCameraTable->show();
    m_pCameraTable->raise();
}

void CMainMenu::ShowGenerateRig()
{
    if (!m_pGenerateRig)
        m_pGenerateRig = new CGenerateRigPanel(m_dialog, *m_pPlan, nullptr, &m_dialog);
    m_pGenerateRig->show();
    m_pGenerateRig->raise();
}

void CMainMenu::ShowNewPlan()
{
    if (!m_pNewPlan)
        m_pNewPlan = new CGenerateRigPanel(
            m_dialog, *m_pPlan, [this] { return m_pProject->MayDiscard(); }, &m_dialog);
    m_pNewPlan->show();
    m_pNewPlan->raise();
}

void CMainMenu::ShowMouseAndKeys()
{
    m_dialog.Prompts().ShowMessage(kMouseAndKeys, "Mouse and Keys", PromptButtons::Ok);
}

void CMainMenu::ShowAbout()
{
    m_dialog.Prompts().ShowMessage("Volume Planner " VP_VERSION "\nHow well a rig of cameras covers a room.",
                                   "About Volume Planner", PromptButtons::Ok);
}
