#include "app/workspace/WorkspaceWindow.h"

#include "app/ButtonIcons.h"
#include "app/QtUserPrompts.h"
#include "app/CoverageExport.h"
#include "app/RecentPlans.h"
#include "app/ReplaceQuestion.h"
#include "app/ReportCommands.h"
#include "app/ShareCommands.h"
#include "app/document/QtPlanDocument.h"
#include "app/workspace/AsBuiltDock.h"
#include "app/workspace/AutoPlaceDock.h"
#include "app/workspace/CameraTableDock.h"
#include "app/workspace/DisplayBar.h"
#include "app/workspace/FiguresDock.h"
#include "app/workspace/HistoryDock.h"
#include "app/workspace/PlanTreeDock.h"
#include "app/workspace/PropertiesDock.h"
#include "app/workspace/WelcomePage.h"
#include "app/workspace/WorkspaceIcons.h"
#include "app/workspace/WorkspaceSelection.h"
#include "app/workspace/WorkspaceView.h"
#include "document/ExampleStage.h"
#include "coverage/CoverageController.h"
#include "document/PlanEdits.h"
#include "exports/WebPage.h"
#include "project/PlanInput.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDate>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUndoStack>

#include <algorithm>
#include <filesystem>

namespace
{

// Saved layouts of another version are not restored: the docks may differ.
constexpr int kLayoutVersion = 1;
const QString kProgramName = "Volume Planner";
const FileDialogRequest kOpenPlan{"Open Plan", "", "vplan", "Volume Planner Plans (*.vplan)|*.vplan||"};
const FileDialogRequest kSavePlan{"Save Plan", "plan", "vplan", "Volume Planner Plans (*.vplan)|*.vplan||"};
// A new plan's rig: the four ceiling corners, as the classic Enter gives four cameras.
constexpr uint32_t kNewPlanCameras = 4;

std::unique_ptr<QSettings> ProgramSettings()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "volume-planner", "volume-planner");
}

// The plan file among dropped files, if there is one.
QString DroppedPlan(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && url.toLocalFile().endsWith(".vplan", Qt::CaseInsensitive))
            return url.toLocalFile();
    return {};
}

} // namespace

CWorkspaceWindow::CWorkspaceWindow(std::unique_ptr<CUserPrompts> prompts, std::unique_ptr<QSettings> settings)
    : m_prompts(prompts ? std::move(prompts) : std::make_unique<CQtUserPrompts>(this)),
      m_settings(settings ? std::move(settings) : ProgramSettings()),
      m_pQtDocument(new CQtPlanDocument(m_document, this)), m_pSelection(new CWorkspaceSelection(this))
{
    setObjectName("WorkspaceWindow");
    setWindowIcon(MakeButtonIcon(ButtonIcon::Window));
    setAcceptDrops(true);
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks | QMainWindow::AllowNestedDocks);
    // The right-hand docks run down to the status bar; the bottom ones sit under the view only.
    setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);

    m_pCentre = new QStackedWidget;
    m_pWelcome = new CWelcomePage;
    m_pView = new CWorkspaceView(*m_pQtDocument, *m_pSelection);
    m_pCentre->addWidget(m_pWelcome);
    m_pCentre->addWidget(m_pView);
    setCentralWidget(m_pCentre);

    // The report binary judges the document's plan as `volume-planner-cli report --project` does.
    ReportWindowLink report;
    report.parent = this;
    report.prompts = m_prompts.get();
    report.ready = [this] { return !m_document.GetPlan().cameras.empty(); };
    report.document = [this]() -> const CPlanDocument& { return m_document; };
    report.edit = [this](const std::string& name, const CPlanDocument::Edit& edit) { Take(name, edit); };
    report.displayArguments = [this] { return CReportCommands::DisplayArgumentsOf(m_pView->View().Renderer()); };
    m_pReport = new CReportCommands(std::move(report), this);
    connect(m_pReport, &CReportCommands::saved, this, [this](const QString& text) { statusBar()->showMessage(text); });

    MakeActions();
    MakeMenus();
    MakeDocks();
    MakeViewMenu();
    MakeToolBar();
    MakeStatusBar();
    ArrangeDocks();
    RestoreLayout();

    connect(m_pQtDocument, &CQtPlanDocument::titleChanged, this, &CWorkspaceWindow::ShowTitle);
    connect(m_pQtDocument, &CQtPlanDocument::planChanged, this, &CWorkspaceWindow::ShowCentre);
    connect(m_pView, &CWorkspaceView::computeStateChanged, this, &CWorkspaceWindow::ShowComputeState);
    connect(m_pView, &CWorkspaceView::readout, m_pReadout, &QLabel::setText);
    connect(&m_pView->View(), &CVolumeView::computationMessage, this, [this](const QString& text, const QString& why) {
        m_prompts->ShowMessageWithReason(text.toStdString(), why.toStdString(), "Warning");
    });
    connect(m_pWelcome, &CWelcomePage::newPlan, this, &CWorkspaceWindow::NewPlan);
    connect(m_pWelcome, &CWelcomePage::openPlan, this, &CWorkspaceWindow::ChooseAndOpen);
    connect(m_pWelcome, &CWelcomePage::openExample, this, &CWorkspaceWindow::OpenExample);
    connect(m_pWelcome, &CWelcomePage::openRecent, this, [this](const QString& path) { OpenPlan(path.toStdString()); });
    ShowCentre();
    ShowTitle();
    ShowComputeState();
}

CWorkspaceWindow::~CWorkspaceWindow()
{
    // What shows the document goes first: the document is a member, which
    // goes before QWidget deletes the children.
    delete m_pDisplayBar;
    qDeleteAll(Docks());
    delete takeCentralWidget();
    delete m_pQtDocument;
}

QList<QDockWidget*> CWorkspaceWindow::Docks() const
{
    return {m_pPlanDock,      m_pPropertiesDock, m_pFiguresDock, m_pCameraDock,
            m_pAutoPlaceDock, m_pAsBuiltDock,    m_pHistoryDock};
}

void CWorkspaceWindow::MakeActions()
{
    const auto make = [this](WorkspaceCommand command, const QString& text, const QKeySequence& keys = {},
                             const QIcon& icon = {}) {
        auto* action = new QAction(icon, text, this);
        if (!keys.isEmpty())
            action->setShortcut(keys);
        m_actions[static_cast<size_t>(command)] = action;
        return action;
    };
    QStyle* s = style();
    using C = WorkspaceCommand;
    connect(make(C::NewPlan, "&New Plan", QKeySequence::New, s->standardIcon(QStyle::SP_FileIcon)), &QAction::triggered,
            this, &CWorkspaceWindow::NewPlan);
    connect(make(C::Open, "&Open...", QKeySequence::Open, s->standardIcon(QStyle::SP_DialogOpenButton)),
            &QAction::triggered, this, &CWorkspaceWindow::ChooseAndOpen);
    connect(make(C::OpenExample, "Open &Example Stage"), &QAction::triggered, this, &CWorkspaceWindow::OpenExample);
    connect(make(C::Save, "&Save", QKeySequence::Save, s->standardIcon(QStyle::SP_DialogSaveButton)),
            &QAction::triggered, this, &CWorkspaceWindow::Save);
    connect(make(C::SaveAs, "Save &As...", QKeySequence::SaveAs), &QAction::triggered, this, &CWorkspaceWindow::SaveAs);
    QAction* report = make(C::ExportReport, "Export &Report...", QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(report, &QAction::triggered, this, &CWorkspaceWindow::ExportReport);
    connect(make(C::ExportCoverage, "&Coverage (VTK, PLY, CSV)..."), &QAction::triggered, this,
            &CWorkspaceWindow::ExportCoverage);
    connect(make(C::ExportGltf, "&glTF..."), &QAction::triggered, this, [this] { ExportShared(true); });
    connect(make(C::ShareWebPage, "Share as &Web Page..."), &QAction::triggered, this, [this] { ExportShared(false); });
    connect(make(C::Quit, "&Quit", QKeySequence::Quit), &QAction::triggered, this, &QWidget::close);

    // The document's history, mirrored by the stack: its names and its state.
    QUndoStack& stack = m_pQtDocument->UndoStack();
    QAction* undo = stack.createUndoAction(this, "&Undo");
    undo->setShortcut(QKeySequence::Undo);
    undo->setIcon(s->standardIcon(QStyle::SP_ArrowBack));
    m_actions[static_cast<size_t>(C::Undo)] = undo;
    QAction* redo = stack.createRedoAction(this, "&Redo");
    redo->setShortcuts({QKeySequence::Redo, QKeySequence(Qt::CTRL | Qt::Key_Y)});
    redo->setIcon(s->standardIcon(QStyle::SP_ArrowForward));
    m_actions[static_cast<size_t>(C::Redo)] = redo;

    connect(make(C::AddCamera, "Add &Camera"), &QAction::triggered, this, &CWorkspaceWindow::AddCamera);
    connect(make(C::RemoveItem, "&Remove"), &QAction::triggered, this, &CWorkspaceWindow::RemoveSelected);
    connect(make(C::AddTargetBox, "Add &Target Box"), &QAction::triggered, this, &CWorkspaceWindow::AddTargetBox);

    connect(make(C::Compute, "&Compute Now", Qt::Key_F5, MakeButtonIcon(ButtonIcon::Render)), &QAction::triggered,
            m_pView, &CWorkspaceView::Compute);
    QAction* automatic = make(C::AutoCompute, "Compute &Automatically (small grids)");
    automatic->setCheckable(true);
    automatic->setChecked(m_pView->IsAutoCompute());
    automatic->setToolTip(QString("After every change, for grids of at most %L1 voxels")
                              .arg(static_cast<qulonglong>(CWorkspaceView::kAutoComputeVoxels)));
    connect(automatic, &QAction::toggled, m_pView, &CWorkspaceView::SetAutoCompute);
    connect(make(C::CancelComputation, "C&ancel Computation"), &QAction::triggered, m_pView,
            &CWorkspaceView::CancelComputation);

    // The view's keys: the number keys while the view has the focus, so they type into the boxes elsewhere.
    const auto viewKey = [this](QAction* action) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_pView->addAction(action);
        return action;
    };
    connect(viewKey(make(C::ViewTop, "&Top", Qt::Key_1, MakeWorkspaceIcon(WorkspaceIcon::Top))), &QAction::triggered,
            this, [this] { m_pView->ShowPreset(PlannerPreset::Top); });
    connect(viewKey(make(C::ViewFront, "&Front", Qt::Key_2, MakeWorkspaceIcon(WorkspaceIcon::Front))),
            &QAction::triggered, this, [this] { m_pView->ShowPreset(PlannerPreset::Front); });
    connect(viewKey(make(C::ViewSide, "&Side", Qt::Key_3, MakeWorkspaceIcon(WorkspaceIcon::Side))), &QAction::triggered,
            this, [this] { m_pView->ShowPreset(PlannerPreset::Side); });
    connect(viewKey(make(C::ViewPerspective, "&Perspective", Qt::Key_4, MakeButtonIcon(ButtonIcon::Perspective))),
            &QAction::triggered, m_pView, &CWorkspaceView::ShowPerspective);
    connect(viewKey(make(C::FitRoom, "F&it Room", Qt::Key_5, MakeWorkspaceIcon(WorkspaceIcon::Fit))),
            &QAction::triggered, m_pView, &CWorkspaceView::FitRoom);

    auto* measures = new QActionGroup(this);
    const std::pair<C, PlanningMeasure> shown[] = {{C::ShowCameras, PlanningMeasure::Cameras},
                                                   {C::ShowMarkerSize, PlanningMeasure::MarkerPx},
                                                   {C::ShowPairAngle, PlanningMeasure::Angle},
                                                   {C::ShowError, PlanningMeasure::Sigma}};
    for (const auto& [command, measure] : shown) {
        QAction* action = make(command, PlanningMeasureName(measure));
        action->setCheckable(true);
        action->setChecked(measure == m_pView->GetMeasure());
        measures->addAction(action);
        connect(action, &QAction::triggered, this, [this, m = measure] { m_pView->ShowMeasure(m); });
    }
    QAction* twoOrMore = make(C::TwoOrMore, "Only Where Two or More Cameras See a Marker");
    twoOrMore->setCheckable(true);
    twoOrMore->setChecked(m_pView->IsTriangulableOnly());
    twoOrMore->setIconText("2+");
    twoOrMore->setToolTip("The camera count hides the voxels fewer than two cameras see a marker in");
    connect(twoOrMore, &QAction::toggled, m_pView, &CWorkspaceView::SetTriangulableOnly);
    QAction* pyramids = make(C::AllPyramids, "Pyramids of All Cameras");
    pyramids->setCheckable(true);
    connect(pyramids, &QAction::toggled, m_pView, &CWorkspaceView::SetAllPyramids);

    connect(make(C::ResetLayout, "Reset &Layout"), &QAction::triggered, this, &CWorkspaceWindow::ResetLayout);
    connect(make(C::ClassicWindow, "&Classic Window"), &QAction::triggered, this, &CWorkspaceWindow::OpenClassicWindow);
    connect(make(C::About, "&About Volume Planner"), &QAction::triggered, this, &CWorkspaceWindow::ShowAbout);
}

void CWorkspaceWindow::MakeMenus()
{
    using C = WorkspaceCommand;
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction(Action(C::NewPlan));
    file->addAction(Action(C::Open));
    QMenu* recent = file->addMenu("Open &Recent");
    file->addAction(Action(C::OpenExample));
    file->addSeparator();
    file->addAction(Action(C::Save));
    file->addAction(Action(C::SaveAs));
    file->addSeparator();
    file->addAction(Action(C::ExportReport));
    QMenu* exports = file->addMenu("E&xport");
    exports->addAction(Action(C::ExportCoverage));
    exports->addAction(Action(C::ExportGltf));
    file->addAction(Action(C::ShareWebPage));
    file->addSeparator();
    file->addAction(Action(C::Quit));
    m_pRecent = new CRecentPlans(
        *recent, [this](const QString& path) { return OpenPlan(path.toStdString()); }, this);
    // The same list the classic window keeps, in the same file.
    m_pRecent->SetStore(std::make_unique<QSettings>(m_settings->fileName(), m_settings->format()));
    m_pWelcome->ShowRecent(m_pRecent->Plans());

    QMenu* edit = menuBar()->addMenu("&Edit");
    edit->addAction(Action(C::Undo));
    edit->addAction(Action(C::Redo));

    m_pItemMenu = menuBar()->addMenu("&Plan");
    m_pItemMenu->addAction(Action(C::AddCamera));
    m_pItemMenu->addAction(Action(C::AddTargetBox));
    m_pItemMenu->addSeparator();
    m_pItemMenu->addAction(Action(C::RemoveItem));

    QMenu* compute = menuBar()->addMenu("&Compute");
    compute->addAction(Action(C::Compute));
    compute->addAction(Action(C::AutoCompute));
    compute->addAction(Action(C::CancelComputation));
}

void CWorkspaceWindow::MakeToolBar()
{
    using C = WorkspaceCommand;
    m_pToolBar = addToolBar("Tools");
    m_pToolBar->setObjectName("WorkspaceToolBar");
    m_pToolBar->setIconSize(QSize(24, 24));
    for (const C command : {C::NewPlan, C::Open, C::Save})
        m_pToolBar->addAction(Action(command));
    m_pToolBar->addSeparator();
    m_pToolBar->addAction(Action(C::Undo));
    m_pToolBar->addAction(Action(C::Redo));
    m_pToolBar->addSeparator();
    m_pToolBar->addAction(Action(C::Compute));
    m_pToolBar->addSeparator();
    for (const C command : {C::ViewTop, C::ViewFront, C::ViewSide, C::ViewPerspective, C::FitRoom})
        m_pToolBar->addAction(Action(command));
    m_pDisplayBar = new CDisplayBar(*m_pView, *m_pDisplayMenu, *Action(C::TwoOrMore), this);
    addToolBar(m_pDisplayBar);
    // Every button says what it does and its key.
    for (QAction* action : m_pToolBar->actions())
        if (!action->isSeparator() && !action->shortcut().isEmpty())
            action->setToolTip(action->text().remove('&') + " (" +
                               action->shortcut().toString(QKeySequence::NativeText) + ")");
}

void CWorkspaceWindow::MakeDocks()
{
    m_pPlanDock = new CPlanTreeDock(*m_pQtDocument, *m_pSelection, *m_pItemMenu, this);
    m_pPropertiesDock = new CPropertiesDock(*m_pQtDocument, *m_pSelection, *m_prompts, this);
    m_pFiguresDock = new CFiguresDock(m_document, *m_pView, this);
    m_pCameraDock = new CCameraTableDock(*m_pQtDocument, *m_pSelection, *m_prompts, this);
    m_pHistoryDock = new CHistoryDock(*m_pQtDocument, this);
    m_pAsBuiltDock = new CAsBuiltDock(*m_pQtDocument, *m_prompts, this);
    m_pAutoPlaceDock = new CAutoPlaceDock(*m_pQtDocument, m_pView->View(), *m_prompts, this);
}

void CWorkspaceWindow::MakeViewMenu()
{
    using C = WorkspaceCommand;
    QMenu* view = menuBar()->addMenu("&View");
    QMenu* panels = view->addMenu("&Panels");
    for (QDockWidget* dock : Docks())
        panels->addAction(dock->toggleViewAction());
    view->addAction(Action(C::ResetLayout));
    view->addSeparator();
    for (const C command : {C::ViewTop, C::ViewFront, C::ViewSide, C::ViewPerspective, C::FitRoom})
        view->addAction(Action(command));
    view->addSeparator();
    m_pDisplayMenu = view->addMenu("&Display");
    for (const C command : {C::ShowCameras, C::ShowMarkerSize, C::ShowPairAngle, C::ShowError})
        m_pDisplayMenu->addAction(Action(command));
    view->addAction(Action(C::TwoOrMore));
    view->addAction(Action(C::AllPyramids));
    view->addSeparator();
    view->addAction(Action(C::ClassicWindow));
    menuBar()->addMenu("&Help")->addAction(Action(C::About));
}

void CWorkspaceWindow::MakeStatusBar()
{
    m_pReadout = new QLabel;
    m_pReadout->setObjectName("Readout");
    m_pComputeState = new QLabel;
    m_pComputeState->setObjectName("ComputeState");
    statusBar()->addWidget(m_pReadout, 1);
    statusBar()->addPermanentWidget(m_pComputeState);
    // The view's own progress, Cancel and stale note, here rather than over its picture.
    CVolumeView& view = m_pView->View();
    view.ProgressBar()->setFixedWidth(200);
    view.StaleNote()->setStyleSheet({});
    statusBar()->addPermanentWidget(view.StaleNote());
    statusBar()->addPermanentWidget(view.ProgressBar());
    statusBar()->addPermanentWidget(view.CancelButton());
}

void CWorkspaceWindow::ArrangeDocks()
{
    addDockWidget(Qt::RightDockWidgetArea, m_pPlanDock);
    addDockWidget(Qt::RightDockWidgetArea, m_pPropertiesDock);
    splitDockWidget(m_pPlanDock, m_pPropertiesDock, Qt::Vertical);
    tabifyDockWidget(m_pPlanDock, m_pHistoryDock);
    m_pPlanDock->raise();
    tabifyDockWidget(m_pPropertiesDock, m_pAutoPlaceDock);
    tabifyDockWidget(m_pPropertiesDock, m_pAsBuiltDock);
    m_pPropertiesDock->raise();
    addDockWidget(Qt::BottomDockWidgetArea, m_pFiguresDock);
    tabifyDockWidget(m_pFiguresDock, m_pCameraDock);
    m_pFiguresDock->raise();
}

void CWorkspaceWindow::SizeDocks()
{
    // The right column wide enough for a camera's values, the Plan tree a
    // third of it; the figures a few rows under the view, which keeps the rest.
    const int high = height();
    resizeDocks({m_pPlanDock}, {340}, Qt::Horizontal);
    resizeDocks({m_pPlanDock, m_pPropertiesDock}, {high * 3 / 10, high * 7 / 10}, Qt::Vertical);
    resizeDocks({m_pFiguresDock}, {std::clamp(high / 5, 120, 220)}, Qt::Vertical);
}

void CWorkspaceWindow::RestoreLayout()
{
    m_settings->beginGroup("workspace");
    m_savedState = m_settings->value("state").toByteArray();
    const QByteArray geometry = m_settings->value("geometry").toByteArray();
    const bool automatic = m_settings->value("autoCompute", true).toBool();
    m_settings->endGroup();
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
    Action(WorkspaceCommand::AutoCompute)->setChecked(automatic);
}

void CWorkspaceWindow::SaveLayout()
{
    m_settings->beginGroup("workspace");
    m_settings->setValue("state", saveState(kLayoutVersion));
    m_settings->setValue("geometry", saveGeometry());
    m_settings->setValue("autoCompute", m_pView->IsAutoCompute());
    m_settings->endGroup();
    m_settings->sync();
}

void CWorkspaceWindow::ResetLayout()
{
    restoreState(m_defaultState, kLayoutVersion);
}

void CWorkspaceWindow::ShowAsLastTime()
{
    m_settings->beginGroup("workspace");
    const bool known = m_settings->contains("geometry");
    m_settings->endGroup();
    // A designer works in it all day: the whole screen at first, the docks
    // laid out for it from the start.
    if (known) {
        show();
        return;
    }
    if (const QScreen* screen = this->screen())
        setGeometry(screen->availableGeometry());
    showMaximized();
}

void CWorkspaceWindow::ShowCentre()
{
    const bool plan = !m_document.GetPlan().cameras.empty();
    m_pCentre->setCurrentWidget(plan ? static_cast<QWidget*>(m_pView) : m_pWelcome);
    using C = WorkspaceCommand;
    for (const C command : {C::Save, C::SaveAs, C::AddCamera, C::RemoveItem, C::AddTargetBox, C::Compute, C::ViewTop,
                            C::ViewFront, C::ViewSide, C::ViewPerspective, C::FitRoom})
        Action(command)->setEnabled(plan);
    // Nothing to show or edit without a plan: the docks wait for one.
    for (QDockWidget* dock : Docks())
        dock->widget()->setEnabled(plan);
    m_pDisplayBar->setEnabled(plan);
    if (!plan)
        m_pWelcome->ShowRecent(m_pRecent->Plans());
}

void CWorkspaceWindow::ShowTitle()
{
    if (m_document.GetPlan().cameras.empty() && m_document.Path().empty())
        setWindowTitle(kProgramName);
    else
        setWindowTitle(QString::fromStdString(m_document.Title()) + " - " + kProgramName);
}

void CWorkspaceWindow::ShowComputeState()
{
    if (m_document.GetPlan().cameras.empty())
        m_pComputeState->clear();
    else if (m_pView->IsComputing())
        m_pComputeState->setText("Computing");
    else if (m_pView->IsUpToDate())
        m_pComputeState->setText("Computed");
    else
        m_pComputeState->setText("Not computed: F5");
    Action(WorkspaceCommand::CancelComputation)->setEnabled(m_pView->IsComputing());
}

bool CWorkspaceWindow::MayDiscard()
{
    if (!m_document.IsModified() || m_document.GetPlan().cameras.empty())
        return true;
    const std::string name = m_document.Path().empty()
                                 ? "the untitled plan"
                                 : QFileInfo(QString::fromStdString(m_document.Path())).fileName().toStdString();
    switch (m_prompts->ShowMessage("Save the changes to " + name + "?", kProgramName.toStdString(),
                                   PromptButtons::SaveDiscardCancel)) {
    case PromptAnswer::Save:
    case PromptAnswer::Yes:
        return Save();
    case PromptAnswer::Discard:
    case PromptAnswer::No:
        return true;
    default:
        return false;
    }
}

void CWorkspaceWindow::NewPlan()
{
    if (!MayDiscard())
        return;
    Plan plan;
    ResetRig(plan, kNewPlanCameras);
    m_pSelection->Select(std::nullopt);
    m_document.New(std::move(plan));
}

void CWorkspaceWindow::OpenExample()
{
    if (!MayDiscard())
        return;
    m_pSelection->Select(std::nullopt);
    m_document.New(ExampleStagePlan());
}

void CWorkspaceWindow::ChooseAndOpen()
{
    if (const std::optional<std::string> path = m_prompts->ChooseFileToOpen(kOpenPlan))
        OpenPlan(*path);
}

bool CWorkspaceWindow::OpenPlan(const std::string& path)
{
    if (!MayDiscard())
        return false;
    if (const std::optional<std::string> error = m_document.Open(path)) {
        m_prompts->ShowMessage("The plan could not be opened.\n" + *error, "Warning", PromptButtons::Ok);
        return false;
    }
    m_pSelection->Select(std::nullopt);
    m_pRecent->Add(QString::fromStdString(path));
    return true;
}

bool CWorkspaceWindow::Save()
{
    if (m_document.Path().empty())
        return SaveAs();
    const SaveResult saved = m_document.Save();
    if (!saved) {
        m_prompts->ShowMessage("The plan could not be saved.\n" + saved.reason, "Warning", PromptButtons::Ok);
        return false;
    }
    m_pRecent->Add(QString::fromStdString(m_document.Path()));
    statusBar()->showMessage("Saved " + QString::fromStdString(m_document.Path()), 5000);
    return true;
}

bool CWorkspaceWindow::SaveAs()
{
    FileDialogRequest request = kSavePlan;
    if (!m_document.Path().empty())
        request.initialName = m_document.Path();
    const std::optional<std::string> path = ChooseFileToWrite(*m_prompts, request);
    if (!path)
        return false;
    const SaveResult saved = m_document.SaveAs(*path);
    if (!saved) {
        m_prompts->ShowMessage("The plan could not be saved.\n" + saved.reason, "Warning", PromptButtons::Ok);
        return false;
    }
    m_pRecent->Add(QString::fromStdString(*path));
    statusBar()->showMessage("Saved " + QString::fromStdString(*path), 5000);
    return true;
}

void CWorkspaceWindow::Take(const std::string& name, const CPlanDocument::Edit& edit)
{
    if (const std::optional<std::string> refusal = m_document.Apply(name, edit))
        m_prompts->ShowMessage(*refusal, "Invalid Action", PromptButtons::Ok);
}

bool CWorkspaceWindow::ResultsAreCurrent()
{
    if (m_document.GetPlan().cameras.empty()) {
        m_prompts->ShowMessage("No Cameras Initialized", "Invalid Action", PromptButtons::Ok);
        return false;
    }
    // A file of an earlier plan would say what the plan no longer holds.
    if (!m_pView->IsUpToDate() || !m_document.Controller().GetVolume().HasResults()) {
        m_prompts->ShowMessage(
            "The plan has changed since it was computed: compute it first (Compute > Compute Now, F5)",
            "Invalid Action", PromptButtons::Ok);
        return false;
    }
    return true;
}

void CWorkspaceWindow::ExportReport()
{
    // The report computes the plan itself, as it is now.
    m_pReport->ExportReport();
}

void CWorkspaceWindow::ExportCoverage()
{
    if (!ResultsAreCurrent())
        return;
    const CCoverageController& controller = m_document.Controller();
    const CPlanningMeasures* planning = controller.GetPlanning().HasResults() ? &controller.GetPlanning() : nullptr;
    if (const auto text =
            RunCoverageExport(*m_prompts, controller.GetVolume(), controller.GetComputedInput(), planning))
        statusBar()->showMessage(QString::fromStdString(*text));
}

void CWorkspaceWindow::ExportShared(bool gltf)
{
    if (!ResultsAreCurrent())
        return;
    const CCoverageController& controller = m_document.Controller();
    const CSceneRenderer& renderer = m_pView->View().Renderer();
    const Plan& plan = m_document.GetPlan();
    ShareRequest request;
    request.volume = &controller.GetVolume();
    request.planning = controller.GetPlanning().HasResults() ? &controller.GetPlanning() : nullptr;
    request.input = controller.GetComputedInput();
    request.title = {plan.report.title, plan.report.client, plan.report.site, plan.report.author, plan.report.date};
    if (request.title.projectName.empty())
        request.title.projectName = m_document.Path().empty()
                                        ? std::string("Untitled plan")
                                        : std::filesystem::path(m_document.Path()).stem().string();
    if (request.title.date.empty())
        request.title.date = QDate::currentDate().toString(Qt::ISODate).toStdString();
    request.display = {WindowDisplay::Quality, renderer.GetQualityMeasure(), renderer.GetQualityThreshold()};
    request.target = PlanTarget(plan);
    request.threeDir = DefaultThreeDir();
    if (const auto text = RunShareCommand(gltf ? ShareFormat::Gltf : ShareFormat::WebPage, request, *m_prompts))
        statusBar()->showMessage(QString::fromStdString(*text));
}

void CWorkspaceWindow::AddCamera()
{
    const auto obstacles = m_document.Obstacles();
    const size_t before = m_document.GetPlan().cameras.size();
    Take("Add camera", [&obstacles](Plan& plan) { return AddDefaultCamera(plan, obstacles.get()); });
    if (m_document.GetPlan().cameras.size() > before)
        m_pSelection->Select(PlanItem{PlanItemKind::Camera, before});
}

void CWorkspaceWindow::RemoveSelected()
{
    const std::optional<PlanItem> item = m_pSelection->Item();
    if (!item) {
        m_prompts->ShowMessage("Choose a camera, an obstacle or a target box to remove first.", "Invalid Action",
                               PromptButtons::Ok);
        return;
    }
    const size_t i = item->index;
    const std::string name = ItemName(m_document.GetPlan(), *item);
    switch (item->kind) {
    case PlanItemKind::Camera:
        Take("Remove " + name, [i](Plan& plan) { return RemoveCamera(plan, i); });
        break;
    case PlanItemKind::Obstacle:
        Take("Remove " + name, [i](Plan& plan) { return RemoveObstacle(plan, i); });
        break;
    case PlanItemKind::TargetBox:
        Take("Remove " + name, [i](Plan& plan) { return RemoveTargetBox(plan, i); });
        break;
    default:
        m_prompts->ShowMessage(name + " is part of every plan and cannot be removed.", "Invalid Action",
                               PromptButtons::Ok);
        return;
    }
    m_pSelection->Follow(m_document.GetPlan());
}

void CWorkspaceWindow::AddTargetBox()
{
    const size_t before = m_document.GetPlan().placement.target.size();
    Take("Add target box", [](Plan& plan) { return ::AddTargetBox(plan); });
    if (m_document.GetPlan().placement.target.size() > before)
        m_pSelection->Select(PlanItem{PlanItemKind::TargetBox, before});
}

void CWorkspaceWindow::OpenClassicWindow()
{
    // The classic window keeps its plan in process-wide state, which this
    // window's view draws from too: it runs as a program of its own, on the
    // plan as saved.
    QStringList arguments{"--classic"};
    if (m_document.IsModified() && !m_document.GetPlan().cameras.empty()) {
        const PromptAnswer answer =
            m_prompts->ShowMessage("The classic window opens the plan as it was last saved. Save the changes first?",
                                   kProgramName.toStdString(), PromptButtons::SaveDiscardCancel);
        if (answer == PromptAnswer::Cancel ||
            ((answer == PromptAnswer::Save || answer == PromptAnswer::Yes) && !Save()))
            return;
    }
    if (!m_document.Path().empty())
        arguments << QString::fromStdString(m_document.Path());
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments))
        m_prompts->ShowMessage("The classic window could not be started.", "Warning", PromptButtons::Ok);
}

void CWorkspaceWindow::ShowAbout()
{
    m_prompts->ShowMessage(
        QString("%1 %2\n\nPlans how a rig of optical motion-capture cameras covers a stage: where the cameras see "
                "a marker, from which angles, and with what 3D error.\n\nThe classic window: View > Classic "
                "Window, or volume-planner --classic.")
            .arg(kProgramName, VP_VERSION)
            .toStdString(),
        "About " + kProgramName.toStdString(), PromptButtons::Ok);
}

void CWorkspaceWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_bShown)
        return;
    m_bShown = true;
    SizeDocks();
    m_defaultState = saveState(kLayoutVersion);
    if (!m_savedState.isEmpty())
        restoreState(m_savedState, kLayoutVersion);
}

void CWorkspaceWindow::closeEvent(QCloseEvent* event)
{
    if (!MayDiscard()) {
        event->ignore();
        return;
    }
    SaveLayout();
    event->accept();
}

void CWorkspaceWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedPlan(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CWorkspaceWindow::dropEvent(QDropEvent* event)
{
    const QString path = DroppedPlan(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // After the drop has ended: the question about unsaved changes must not run inside it.
    QMetaObject::invokeMethod(
        this, [this, path] { OpenPlan(path.toStdString()); }, Qt::QueuedConnection);
}
