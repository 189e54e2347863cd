#include "ScriptedPrompts.h"

#include "app/ReportCommands.h"
#include "app/StartRequest.h"
#include "app/asbuilt/CalibrationPartner.h"
#include "cameras/asbuilt/CalibrationExport.h"
#include "app/document/QtPlanDocument.h"
#include "app/workspace/AsBuiltDock.h"
#include "app/workspace/AutoPlaceDock.h"
#include "app/workspace/CameraTableDock.h"
#include "app/workspace/FiguresDock.h"
#include "app/workspace/HistoryDock.h"
#include "app/workspace/PlanTreeDock.h"
#include "app/workspace/PropertiesDock.h"
#include "app/workspace/WelcomePage.h"
#include "app/workspace/WorkspaceSelection.h"
#include "app/workspace/WorkspaceView.h"
#include "app/workspace/WorkspaceWindow.h"
#include "coverage/CoverageController.h"
#include "document/ExampleStage.h"
#include "document/PlanEdits.h"
#include "project/PlanInput.h"
#include "project/ProjectFile.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

#include <QCheckBox>
#include <QCommandLineParser>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>

#include <cmath>
#include <cstdlib>
#include <memory>

// The workspace, the program's main window, driven as a user drives it.
class WorkspaceWindowTest : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void commandLineOpensThePlanInTheWorkspace();
    void welcomePageMakesOpensAndRecallsPlans();
    void clickOnACameraSelectsItEverywhere();
    void dragIsOneStepWithItsReadoutAndUndoes();
    void computeFromTheMenuTheToolbarAndF5();
    void presetsFromTheToolbarAndTheNumberKeys();
    void pointerOverTheVolumeReadsItsVoxel();
    void propertiesTakeStepsAndRefuseBadValues();
    void docksCloseAndComeBackFromTheViewMenu();
    void layoutIsRestoredAtTheNextStart();
    void droppedPlanOpens();
    void asBuiltImportsTheRigAndComparesIt();
    void autoPlaceProposesCamerasAndAcceptIsOneStep();
    void reportAndSharedFilesFromTheFileMenu();
    void screenshotsForTheManual();

  private:
    std::unique_ptr<CWorkspaceWindow> MakeWindow();
    CWorkspaceView& View() const { return m_window->View(); }
    CVolumeView& GlView() const { return m_window->View().View(); }
    // Opens the example stage and waits for its first results.
    void OpenExample();
    void WaitComputed();
    // Where the view draws camera i (client pixels).
    QPoint CameraPixel(int camera) const;
    QPoint PixelOf(const Vec3d& scene) const;
    void MoveMouse(const QPoint& at, Qt::MouseButtons buttons);
    QString SavedPlan(const QString& name, const Plan& plan) const;
    void SaveScreenshot(QWidget& widget, const QString& name) const;

    QTemporaryDir m_dir;
    CScriptedPrompts* m_prompts = nullptr;
    std::unique_ptr<CWorkspaceWindow> m_window;
};

std::unique_ptr<CWorkspaceWindow> WorkspaceWindowTest::MakeWindow()
{
    auto prompts = std::make_unique<CScriptedPrompts>();
    m_prompts = prompts.get();
    // Settings of the test's own, so no two tests share a layout or a recent list.
    auto settings = std::make_unique<QSettings>(m_dir.filePath("settings.ini"), QSettings::IniFormat);
    return std::make_unique<CWorkspaceWindow>(std::move(prompts), std::move(settings));
}

void WorkspaceWindowTest::init()
{
    QVERIFY(m_dir.isValid());
    m_window = MakeWindow();
    m_window->resize(1500, 940);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void WorkspaceWindowTest::cleanup()
{
    if (m_window)
        m_window->close();
    m_window.reset();
    QDir(m_dir.path()).removeRecursively();
    QDir().mkpath(m_dir.path());
}

void WorkspaceWindowTest::OpenExample()
{
    m_window->Action(WorkspaceCommand::OpenExample)->trigger();
    WaitComputed();
}

void WorkspaceWindowTest::WaitComputed()
{
    QTRY_VERIFY_WITH_TIMEOUT(View().IsUpToDate() && !View().IsComputing(), 30000);
}

QPoint WorkspaceWindowTest::PixelOf(const Vec3d& scene) const
{
    const Vec3d p = GlView().Renderer().GetPlannerProjection().Plan(scene);
    return {static_cast<int>(std::lround(p.x)), GlView().height() - static_cast<int>(std::lround(p.y))};
}

QPoint WorkspaceWindowTest::CameraPixel(int camera) const
{
    return PixelOf(CameraSetOf(m_window->Document().GetPlan()).GetPosition(camera));
}

void WorkspaceWindowTest::MoveMouse(const QPoint& at, Qt::MouseButtons buttons)
{
    const QPointF global = GlView().mapToGlobal(QPointF(at));
    QMouseEvent move(QEvent::MouseMove, QPointF(at), global, Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&GlView(), &move);
}

QString WorkspaceWindowTest::SavedPlan(const QString& name, const Plan& plan) const
{
    const QString path = m_dir.filePath(name);
    const SaveResult saved = WriteProjectFile(path.toStdString(), plan);
    return saved ? path : QString();
}

void WorkspaceWindowTest::SaveScreenshot(QWidget& widget, const QString& name) const
{
    // In 256 colours: the pages carry them, and the repository stays small.
    if (const char* dir = std::getenv("VP_SCREENSHOT_DIR"))
        widget.grab()
            .toImage()
            .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither)
            .save(QDir(dir).filePath(name));
}

void WorkspaceWindowTest::commandLineOpensThePlanInTheWorkspace()
{
    Plan plan = ExampleStagePlan();
    plan.cameras.resize(6);
    plan.rangeCount = 6;
    const QString path = SavedPlan("stage.vplan", plan);
    QVERIFY(!path.isEmpty());

    QCommandLineParser parser;
    DescribeStartOptions(parser);
    QVERIFY(parser.parse({"volume-planner", path}));
    const StartRequest request = StartRequestOf(parser);
    QVERIFY(!request.classic);
    QCOMPARE(request.plan, path);
    QCommandLineParser classic;
    DescribeStartOptions(classic);
    QVERIFY(classic.parse({"volume-planner", "--classic", path}));
    QVERIFY(StartRequestOf(classic).classic);

    // What the program does with the request: the plan in the view, computed.
    QVERIFY(m_window->OpenPlan(request.plan.toStdString()));
    QCOMPARE(m_window->Centre()->currentWidget(), &View());
    QCOMPARE(m_window->Document().GetPlan().cameras.size(), 6u);
    QCOMPARE(m_window->windowTitle(), QString("stage.vplan - Volume Planner"));
    WaitComputed();

    // A file that is no plan is refused by name, and the plan stays.
    const QString broken = m_dir.filePath("broken.vplan");
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("{ not a plan");
    file.close();
    QVERIFY(!m_window->OpenPlan(broken.toStdString()));
    QVERIFY(!m_prompts->messages.empty());
    QVERIFY(m_prompts->messages.back().text.find("broken.vplan") != std::string::npos);
    QCOMPARE(m_window->Document().Path(), path.toStdString());
}

void WorkspaceWindowTest::welcomePageMakesOpensAndRecallsPlans()
{
    CWelcomePage& welcome = m_window->Welcome();
    QCOMPARE(m_window->Centre()->currentWidget(), &welcome);
    QVERIFY(!m_window->Action(WorkspaceCommand::Compute)->isEnabled());
    QCOMPARE(m_window->windowTitle(), QString("Volume Planner"));

    QTest::mouseClick(welcome.NewButton(), Qt::LeftButton);
    QCOMPARE(m_window->Centre()->currentWidget(), &View());
    QCOMPARE(m_window->Document().GetPlan().cameras.size(), 4u);
    // A rig in no file yet: unsaved from the start.
    QCOMPARE(m_window->windowTitle(), QString("Untitled plan* - Volume Planner"));
    WaitComputed();

    const QString path = SavedPlan("recalled.vplan", ExampleStagePlan());
    m_window->Document().New(Plan{});
    QCOMPARE(m_window->Centre()->currentWidget(), &welcome);
    m_prompts->files.push_back(path.toStdString());
    QTest::mouseClick(welcome.OpenButton(), Qt::LeftButton);
    QCOMPARE(m_window->Document().Path(), path.toStdString());
    QCOMPARE(m_prompts->openRequests.back().defaultExtension, std::string("vplan"));

    m_window->Document().New(Plan{});
    QTest::mouseClick(welcome.ExampleButton(), Qt::LeftButton);
    QCOMPARE(m_window->Document().GetPlan(), ExampleStagePlan());
    QVERIFY(m_window->Document().Path().empty());

    // At the next start the plan opened is offered on the welcome page.
    m_window->close();
    // One window at a time: its view makes and ends the process's shared scene.
    m_window.reset();
    m_window = MakeWindow();
    m_window->show();
    QVERIFY(m_window->Welcome().RecentButton(0));
    QVERIFY(m_window->Welcome().RecentButton(0)->text().startsWith("recalled.vplan"));
    QTest::mouseClick(m_window->Welcome().RecentButton(0), Qt::LeftButton);
    QCOMPARE(m_window->Document().Path(), path.toStdString());
    QCOMPARE(m_window->Centre()->currentWidget(), &View());
}

void WorkspaceWindowTest::clickOnACameraSelectsItEverywhere()
{
    OpenExample();
    const QPoint at = CameraPixel(4);
    QVERIFY(GlView().rect().contains(at));
    QTest::mouseClick(&GlView(), Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(m_window->Selection().Camera(), 4);
    QCOMPARE(GlView().Renderer().GetSelectedCamera(), 4);
    // The tree and the table show the same camera, Properties its values.
    QTreeWidgetItem* current = m_window->PlanDock().Tree()->currentItem();
    QVERIFY(current);
    QCOMPARE(ItemOfEntry(*current), std::optional<PlanItem>(PlanItem{PlanItemKind::Camera, 4}));
    QCOMPARE(m_window->CameraDock().Table()->currentIndex().row(), 4);
    QTRY_COMPARE(m_window->PropertiesDock().Heading()->text(), QString("Camera 5 (front)"));
    auto* x = qobject_cast<QLineEdit*>(m_window->PropertiesDock().Editor("x"));
    QVERIFY(x);
    QCOMPARE(x->text(), QString("5.00"));
    // A click beside every camera selects none of them.
    QTest::mouseClick(&GlView(), Qt::LeftButton, Qt::NoModifier, QPoint(5, GlView().height() - 5));
    QCOMPARE(m_window->Selection().Camera(), 4);
    QVERIFY(m_window->Document().History().StepCount() == 1);
}

void WorkspaceWindowTest::dragIsOneStepWithItsReadoutAndUndoes()
{
    OpenExample();
    const PlanCamera before = m_window->Document().GetPlan().cameras[4];
    const QPoint from = CameraPixel(4);
    QTest::mousePress(&GlView(), Qt::LeftButton, Qt::NoModifier, from);
    QVERIFY(GlView().Renderer().IsPlannerDragging());
    for (int dx = 10; dx <= 80; dx += 10)
        MoveMouse(from + QPoint(dx, 0), Qt::LeftButton);
    QVERIFY(m_window->Readout()->text().startsWith("Camera 5: X "));
    QCOMPARE(m_window->Document().History().StepCount(), 1u);
    QTest::mouseRelease(&GlView(), Qt::LeftButton, Qt::NoModifier, from + QPoint(80, 0));

    const Plan& plan = m_window->Document().GetPlan();
    QCOMPARE(m_window->Document().History().StepCount(), 2u);
    QCOMPARE(m_window->Document().History().StepName(1), std::string("Move camera 5"));
    const PlanCamera& moved = plan.cameras[4];
    QVERIFY(moved.x != before.x);
    QCOMPARE(moved.z, before.z); // along its wall
    // On the wall in steps of a centimetre.
    for (const double v : {moved.x, moved.y})
        QVERIFY2(std::abs(v * 100.0 - std::round(v * 100.0)) < 1e-3, qPrintable(QString::number(v)));
    QVERIFY(m_window->Readout()->text().contains(QString::number(moved.x, 'f', 2)));
    QVERIFY(m_window->windowTitle().startsWith("Untitled plan*"));

    m_window->Action(WorkspaceCommand::Undo)->trigger();
    QCOMPARE(m_window->Document().GetPlan().cameras[4], before);
    m_window->Action(WorkspaceCommand::Redo)->trigger();
    QCOMPARE(m_window->Document().GetPlan().cameras[4], moved);
}

void WorkspaceWindowTest::computeFromTheMenuTheToolbarAndF5()
{
    OpenExample();
    m_window->Action(WorkspaceCommand::AutoCompute)->setChecked(false);
    QAction* fromMenu = nullptr;
    for (QAction* menu : m_window->menuBar()->actions())
        if (menu->text() == "&Compute")
            for (QAction* item : menu->menu()->actions())
                if (item->text() == "&Compute Now")
                    fromMenu = item;
    QVERIFY(fromMenu);
    QWidget* button = m_window->ToolBar()->widgetForAction(m_window->Action(WorkspaceCommand::Compute));
    QVERIFY(button && button->isVisible());

    const std::vector<std::function<void()>> ways{
        [&] { fromMenu->trigger(); },
        [&] { QTest::mouseClick(button, Qt::LeftButton); },
        [&] {
            m_window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
            QTest::keyClick(m_window.get(), Qt::Key_F5);
        },
    };
    float focal = 6.5f;
    for (const auto& compute : ways) {
        CPlanDocument& document = m_window->Document();
        focal += 0.5f;
        QVERIFY(!document.Apply("Lens", [focal](Plan& plan) {
            return SetProperty(plan, {PlanItemKind::Camera, 0}, "focal", static_cast<double>(focal));
        }));
        QTest::qWait(50);
        QVERIFY(!View().IsUpToDate());
        QCOMPARE(m_window->ComputeState()->text(), QString("Not computed: F5"));
        QVERIFY(m_window->FiguresDock().State()->text().startsWith("The plan changed"));
        compute();
        WaitComputed();
        QCOMPARE(m_window->ComputeState()->text(), QString("Computed"));
        QCOMPARE(document.Controller().GetComputedInput().cameras.GetFocalLength(0), focal);
        QCOMPARE(m_window->FiguresDock().State()->text(), QString("Figures of the plan as it is."));
    }
}

void WorkspaceWindowTest::presetsFromTheToolbarAndTheNumberKeys()
{
    OpenExample();
    CSceneRenderer& renderer = GlView().Renderer();
    QVERIFY(renderer.IsPerspective());
    QTest::mouseClick(m_window->ToolBar()->widgetForAction(m_window->Action(WorkspaceCommand::ViewTop)),
                      Qt::LeftButton);
    QVERIFY(!renderer.IsPerspective());
    QCOMPARE(renderer.GetView().pitch, -90.0f);
    // The number keys, once a click gave the view the keys.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTest::mouseClick(&GlView(), Qt::LeftButton, Qt::NoModifier, QPoint(4, GlView().height() - 4));
    QCOMPARE(QApplication::focusWidget(), &GlView());
    QTest::keyClick(&GlView(), Qt::Key_4);
    QVERIFY(renderer.IsPerspective());
    QVERIFY(renderer.GetView().pitch < 0.0f && renderer.GetView().pitch > -90.0f);
    QTest::keyClick(&GlView(), Qt::Key_3);
    QCOMPARE(renderer.GetView().yaw, 90.0f);
    QCOMPARE(renderer.GetView().pitch, 0.0f);
    // A digit typed into a box is the box's.
    m_window->Selection().Select(PlanItem{PlanItemKind::Camera, 0});
    QTRY_VERIFY(m_window->PropertiesDock().Editor("x"));
    auto* x = qobject_cast<QLineEdit*>(m_window->PropertiesDock().Editor("x"));
    x->setFocus();
    x->selectAll();
    QTest::keyClick(x, Qt::Key_1);
    QCOMPARE(x->text(), QString("1"));
    QCOMPARE(renderer.GetView().yaw, 90.0f);
}

void WorkspaceWindowTest::pointerOverTheVolumeReadsItsVoxel()
{
    OpenExample();
    // The middle of the stage, under the cameras' aim.
    const Vec3d middle = CameraSetOf(m_window->Document().GetPlan()).FromUser({5.0, 1.0, 4.0});
    const QPoint at = PixelOf(middle);
    MoveMouse(at, Qt::NoButton);
    const QString text = m_window->Readout()->text();
    QVERIFY2(text.startsWith("Voxel at X "), qPrintable(text));
    const std::optional<size_t> voxel = GlView().Renderer().PickQualityVoxel(at.x(), at.y());
    QVERIFY(voxel);
    const CPlanningMeasures& planning = m_window->Document().Controller().GetPlanning();
    QVERIFY(planning.MarkerCount(*voxel) >= 2); // the display shows two or more
    QVERIFY(text.contains(QString("a marker by %1;").arg(planning.MarkerCount(*voxel))));
    // Off the volume, nothing to read.
    MoveMouse(QPoint(3, GlView().height() - 3), Qt::NoButton);
    QVERIFY(m_window->Readout()->text().isEmpty());
}

void WorkspaceWindowTest::propertiesTakeStepsAndRefuseBadValues()
{
    OpenExample();
    m_window->Selection().Select(PlanItem{PlanItemKind::Camera, 1});
    QTRY_COMPARE(m_window->PropertiesDock().Heading()->text(), QString("Camera 2 (front right)"));
    auto* lens = qobject_cast<QLineEdit*>(m_window->PropertiesDock().Editor("focal"));
    QVERIFY(lens);
    lens->setFocus();
    lens->selectAll();
    QTest::keyClicks(lens, "8,5");
    QTest::keyClick(lens, Qt::Key_Return);
    QCOMPARE(m_window->Document().GetPlan().cameras[1].focalLength, 8.5f);
    QCOMPARE(m_window->Document().History().StepName(1), std::string("Camera 2: Lens"));
    QTRY_COMPARE(lens->text(), QString("8.50"));

    for (const char* typed : {"abc", "0", "-3"}) {
        const size_t messages = m_prompts->messages.size();
        lens->selectAll();
        QTest::keyClicks(lens, typed);
        QTest::keyClick(lens, Qt::Key_Return);
        QCOMPARE(m_prompts->messages.size(), messages + 1);
        QCOMPARE(m_prompts->messages.back().caption, std::string("Invalid Action"));
        QVERIFY(m_prompts->messages.back().text.rfind("Lens: must be a number", 0) == 0);
        QCOMPARE(lens->text(), QString("8.50"));
        QCOMPARE(m_window->Document().GetPlan().cameras[1].focalLength, 8.5f);
    }
    auto* x = qobject_cast<QLineEdit*>(m_window->PropertiesDock().Editor("x"));
    x->selectAll();
    QTest::keyClicks(x, "40");
    QTest::keyClick(x, Qt::Key_Return);
    QVERIFY(m_prompts->messages.back().text.find("more than 10 m outside the room") != std::string::npos);
    QCOMPARE(m_window->Document().History().StepCount(), 2u);
}

void WorkspaceWindowTest::docksCloseAndComeBackFromTheViewMenu()
{
    for (QDockWidget* dock : m_window->Docks()) {
        QAction* toggle = dock->toggleViewAction();
        dock->close();
        QVERIFY(!dock->isVisible());
        QVERIFY(!toggle->isChecked());
        toggle->trigger();
        QVERIFY(dock->isVisible());
        QVERIFY(dock->widget()->isVisible() || m_window->tabifiedDockWidgets(dock).size() > 0);
    }
    // Reset Layout brings back the docks as the program first laid them out.
    m_window->FiguresDock().close();
    m_window->HistoryDock().setFloating(true);
    m_window->Action(WorkspaceCommand::ResetLayout)->trigger();
    QVERIFY(m_window->FiguresDock().isVisible());
    QVERIFY(!m_window->HistoryDock().isFloating());
    QCOMPARE(m_window->dockWidgetArea(&m_window->PropertiesDock()), Qt::RightDockWidgetArea);
}

void WorkspaceWindowTest::layoutIsRestoredAtTheNextStart()
{
    m_window->FiguresDock().close();
    m_window->addDockWidget(Qt::LeftDockWidgetArea, &m_window->PropertiesDock());
    m_window->Action(WorkspaceCommand::AutoCompute)->setChecked(false);
    m_window->resize(1300, 850);
    QTest::qWait(50);
    const QSize size = m_window->size();
    m_window->close();
    m_window.reset();

    m_window = MakeWindow();
    m_window->ShowAsLastTime();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QVERIFY(!m_window->FiguresDock().isVisible());
    QCOMPARE(m_window->dockWidgetArea(&m_window->PropertiesDock()), Qt::LeftDockWidgetArea);
    QCOMPARE(m_window->size(), size);
    QVERIFY(!m_window->Action(WorkspaceCommand::AutoCompute)->isChecked());
    QVERIFY(!View().IsAutoCompute());
}

void WorkspaceWindowTest::droppedPlanOpens()
{
    const QString path = SavedPlan("dropped.vplan", ExampleStagePlan());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(m_dir.filePath("notes.txt")), QUrl::fromLocalFile(path)});
    const QPoint at = m_window->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &drop);
    QTRY_COMPARE(m_window->Document().Path(), path.toStdString());

    QMimeData other;
    other.setUrls({QUrl::fromLocalFile(m_dir.filePath("notes.txt"))});
    QDragEnterEvent refused(at, Qt::CopyAction, &other, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QApplication::sendEvent(m_window.get(), &refused);
    QVERIFY(!refused.isAccepted());
}

void WorkspaceWindowTest::asBuiltImportsTheRigAndComparesIt()
{
    OpenExample();
    // The rig as built: the plan's own, exported as its calibration.
    const Plan planned = m_window->Document().GetPlan();
    const QString calibration = m_dir.filePath("rig.toml");
    QVERIFY(ExportCalibration(calibration.toStdString(), CameraSetOf(planned), 8));
    CalibrationChoice choice;
    choice.path = calibration.toStdString();
    CAsBuiltDock& dock = m_window->AsBuiltDock();
    dock.SetChoice(choice);

    // The plan with its first camera half a metre along its wall, compared with the rig as built.
    QVERIFY(!m_window->Document().Apply("Move", [](Plan& plan) {
        return PlaceCamera(plan, 0, {plan.cameras[0].x + 0.5, plan.cameras[0].y, plan.cameras[0].z},
                           plan.cameras[0].hTilt, plan.cameras[0].vTilt);
    }));
    QSignalSpy compared(&dock, &CAsBuiltDock::finished);
    QTest::mouseClick(dock.CompareButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!compared.isEmpty(), 60000);
    QVERIFY2(compared.first().first().toBool(), m_prompts->reasons.empty() ? "" : m_prompts->reasons.back().c_str());
    QVERIFY(dock.Figures());
    QCOMPARE(dock.Figures()->cameras.size(), 8u);
    QCOMPARE(dock.Cameras()->rowCount(), 8);
    double moved = 0.0;
    for (const AsBuiltFigures::Camera& camera : dock.Figures()->cameras)
        moved = std::max(moved, camera.positionMm);
    QVERIFY2(moved > 300.0 && moved < 700.0, qPrintable(QString::number(moved)));

    // Import as Rig: the rig as built becomes the plan's, one step back from the plan moved.
    const size_t steps = m_window->Document().History().StepCount();
    QSignalSpy imported(&dock, &CAsBuiltDock::finished);
    QTest::mouseClick(dock.ImportButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!imported.isEmpty(), 60000);
    QVERIFY(imported.first().first().toBool());
    QCOMPARE(m_window->Document().History().StepCount(), steps + 1);
    QCOMPARE(m_window->Document().History().StepName(steps), std::string("Import calibration"));
    const Plan& now = m_window->Document().GetPlan();
    QCOMPARE(now.cameras.size(), 8u);
    QVERIFY(std::abs(now.cameras[0].x - planned.cameras[0].x) < 1e-3);
    m_window->Action(WorkspaceCommand::Undo)->trigger();
    QVERIFY(std::abs(m_window->Document().GetPlan().cameras[0].x - planned.cameras[0].x - 0.5) < 1e-3);
}

void WorkspaceWindowTest::autoPlaceProposesCamerasAndAcceptIsOneStep()
{
    OpenExample();
    CAutoPlaceDock& dock = m_window->AutoPlaceDock();
    dock.CountBox()->setValue(2);
    dock.TimeLimitBox()->setValue(60);
    // A lens the placement refuses: named, nothing started.
    dock.LensBox()->setText("0");
    QTest::mouseClick(dock.PlaceButton(), Qt::LeftButton);
    QCOMPARE(dock.GetState(), CAutoPlaceDock::State::Idle);
    QVERIFY(m_prompts->messages.back().text.find("Lens: ") != std::string::npos);

    dock.LensBox()->setText("6");
    QSignalSpy finished(&dock, &CAutoPlaceDock::placementFinished);
    QTest::mouseClick(dock.PlaceButton(), Qt::LeftButton);
    QCOMPARE(dock.GetState(), CAutoPlaceDock::State::Running);
    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 60000);
    QVERIFY2(finished.first().first().toBool(),
             m_prompts->messages.empty() ? "" : m_prompts->messages.back().text.c_str());
    QCOMPARE(dock.Result()->placed.size(), 2u);
    QVERIFY(GlView().Renderer().GetPlacementPreview());
    QCOMPARE(m_window->Document().GetPlan().cameras.size(), 8u); // proposed, not yet taken
    dock.raise();
    SaveScreenshot(*m_window, "workspace-autoplace.png");

    QTest::mouseClick(dock.AcceptButton(), Qt::LeftButton);
    const Plan& plan = m_window->Document().GetPlan();
    QCOMPARE(plan.cameras.size(), 10u);
    QCOMPARE(RangeEnd(plan), 10u);
    QCOMPARE(m_window->Document().History().StepName(1), std::string("Auto-place 2 cameras"));
    QVERIFY(!GlView().Renderer().GetPlacementPreview());
    m_window->Action(WorkspaceCommand::Undo)->trigger();
    QCOMPARE(m_window->Document().GetPlan().cameras.size(), 8u);

    // A kit of lenses, the rig replaced: the two placed cameras are the whole rig, each with a lens of the kit.
    const Plan before = m_window->Document().GetPlan();
    dock.LensBox()->setText("6, 12.5");
    dock.LensKitBox()->setChecked(true);
    dock.ReplaceButton()->setChecked(true);
    finished.clear();
    QTest::mouseClick(dock.PlaceButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 60000);
    QVERIFY(finished.first().first().toBool());
    QTest::mouseClick(dock.AcceptButton(), Qt::LeftButton);
    const Plan& replaced = m_window->Document().GetPlan();
    QCOMPARE(replaced.cameras.size(), 2u);
    QCOMPARE(RangeEnd(replaced), 2u);
    for (const PlanCamera& camera : replaced.cameras)
        QVERIFY(camera.focalLength == 6.0f || camera.focalLength == 12.5f);
    m_window->Action(WorkspaceCommand::Undo)->trigger();
    QVERIFY(m_window->Document().GetPlan() == before);

    // A sample step too fine for the memory a placement may take: refused before the worker starts, naming the
    // box to change, the plan kept.
    const Plan kept = m_window->Document().GetPlan();
    dock.SampleStepBox()->setValue(1);
    m_prompts->messages.clear();
    QTest::mouseClick(dock.PlaceButton(), Qt::LeftButton);
    QCOMPARE(dock.GetState(), CAutoPlaceDock::State::Idle);
    QCOMPARE(m_prompts->messages.size(), 1u);
    QVERIFY2(QString::fromStdString(m_prompts->messages.back().text).contains("coarser Sample step"),
             m_prompts->messages.back().text.c_str());
    QVERIFY(m_window->Document().GetPlan() == kept);
}

void WorkspaceWindowTest::reportAndSharedFilesFromTheFileMenu()
{
    OpenExample();
    CPlanDocument& document = m_window->Document();
    QVERIFY(document.SaveAs(m_dir.filePath("stage.vplan").toStdString()));
    const auto passFail = [](const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QString("(no file)");
        const QRegularExpressionMatch line =
            QRegularExpression("(PASS|FAIL): [^<]*").match(QString::fromUtf8(file.readAll()));
        return line.hasMatch() ? line.captured(0) : QString("(no pass/fail line)");
    };

    // The report of the window judges the plan as the command line does.
    QSignalSpy finished(&m_window->Report(), &CReportCommands::reportFinished);
    m_prompts->files.push_back(m_dir.filePath("window.html").toStdString());
    m_window->Action(WorkspaceCommand::ExportReport)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 120000);
    QVERIFY(finished.at(0).at(0).toBool());
    QProcess cli;
    cli.start(VP_CLI_PATH, {"report", "--project", m_dir.filePath("stage.vplan"), "--out", m_dir.filePath("cli.html")});
    QVERIFY(cli.waitForFinished(120000) && cli.exitCode() == 0);
    const QString windowLine = passFail(m_dir.filePath("window.html"));
    QVERIFY2(windowLine.startsWith("PASS") || windowLine.startsWith("FAIL"), qPrintable(windowLine));
    QCOMPARE(windowLine, passFail(m_dir.filePath("cli.html")));

    // The shared files and the coverage, of the plan as computed.
    m_prompts->files.push_back(m_dir.filePath("stage.glb").toStdString());
    m_window->Action(WorkspaceCommand::ExportGltf)->trigger();
    m_prompts->files.push_back(m_dir.filePath("stage.html").toStdString());
    m_window->Action(WorkspaceCommand::ShareWebPage)->trigger();
    m_prompts->files.push_back(m_dir.filePath("stage.csv").toStdString());
    m_window->Action(WorkspaceCommand::ExportCoverage)->trigger();
    QVERIFY2(m_prompts->messages.empty(), m_prompts->messages.empty() ? "" : m_prompts->messages[0].text.c_str());
    QFile glb(m_dir.filePath("stage.glb"));
    QVERIFY(glb.open(QIODevice::ReadOnly) && glb.read(4) == "glTF");
    QFile page(m_dir.filePath("stage.html"));
    QVERIFY(page.open(QIODevice::ReadOnly) && page.readAll().contains("id=\"cameras\""));
    QVERIFY(QFile::exists(m_dir.filePath("stage.csv")));

    // Of a plan changed since it was computed, none is written.
    m_window->Action(WorkspaceCommand::AutoCompute)->setChecked(false);
    QVERIFY(!document.Apply("Lens", [](Plan& plan) {
        return SetProperty(plan, {PlanItemKind::Camera, 0}, "focal", 7.5);
    }));
    QTRY_VERIFY(!View().IsUpToDate());
    m_prompts->files.push_back(m_dir.filePath("stale.glb").toStdString());
    m_window->Action(WorkspaceCommand::ExportGltf)->trigger();
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    QVERIFY(m_prompts->messages[0].text.find("compute it first") != std::string::npos);
    QVERIFY(!QFile::exists(m_dir.filePath("stale.glb")));
}

void WorkspaceWindowTest::screenshotsForTheManual()
{
    if (!std::getenv("VP_SCREENSHOT_DIR"))
        QSKIP("VP_SCREENSHOT_DIR names no folder for the screenshots");
    m_window->resize(1600, 960);
    QTest::qWait(100);
    SaveScreenshot(*m_window, "workspace-welcome.png");
    OpenExample();
    m_window->Selection().Select(PlanItem{PlanItemKind::Camera, 4});
    QTRY_COMPARE(m_window->PropertiesDock().Heading()->text(), QString("Camera 5 (front)"));
    GlView().update();
    QTest::qWait(300);
    SaveScreenshot(*m_window, "workspace.png");
}

QTEST_MAIN(WorkspaceWindowTest)
#include "WorkspaceWindowTest.moc"
