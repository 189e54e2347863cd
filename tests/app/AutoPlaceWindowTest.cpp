#include "MenuWindowFixture.h"

#include "app/AutoPlacePanel.h"
#include "app/ProjectCommands.h"
#include "cameras/CameraSet.h"
#include "cameras/CameraTypes.h"
#include "project/ProjectFile.h"
#include "render/PlacementDrawer.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <sstream>

// Plan > Auto-Place and Edit > Undo / Redo in the real main window on an X display.
class AutoPlaceWindowTest : public QObject, CMenuWindowFixture
{
    Q_OBJECT

  private slots:
    void init()
    {
        OpenWindow();
        EnterCameras(2);
    }
    void cleanup() { CloseWindow(); }

    void refusedFieldsAreNamedAndStartNothing_data();
    void refusedFieldsAreNamedAndStartNothing();
    void progressShowsAndCancelKeepsTheRig();
    void acceptIsOneStepThatUndoAndRedoTakeBackAndForth();
    void closingTheWindowWhileItRunsEnds();
    void sensorFieldGivesTheNewCamerasTheirSensor();
    void mountsAndTargetGoWithTheProject();
    void cancelEndsTheWorkerAtOnceInTheCandidatesAndTheRefinement();
    void aSampleStepThatCannotFitIsRefusedAndKeepsThePlan();
    void replaceTheRigWithCamerasOfTheKit();

  private:
    CAutoPlacePanel& Panel()
    {
        if (!m_menu->AutoPlaceWindow())
            Trigger(MenuCommand::AutoPlace);
        return *m_menu->AutoPlaceWindow();
    }
    // A problem that ends in a second or two: few cameras, coarse samples.
    void SmallProblem(const char* seconds)
    {
        Panel().FieldBox(CAutoPlacePanel::kCount)->setText("2");
        Panel().FieldBox(CAutoPlacePanel::kSampleStep)->setText("1");
        Panel().FieldBox(CAutoPlacePanel::kTimeLimit)->setText(seconds);
    }
    void RunToTheEnd()
    {
        QTest::mouseClick(Panel().StartButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(Panel().GetState() == CAutoPlacePanel::Done, 60000);
    }
    // Every value the rig holds, floats and doubles exactly, and its range.
    static std::string RigText()
    {
        const CCameraSet& set = CCameraSet::Instance();
        const SceneSettings& s = *GetSceneSettings();
        std::ostringstream out;
        out << std::hexfloat << s.GetCameraCount() << ' ' << s.GetFirstCamera() << ' ' << s.GetEndCamera() << ' '
            << set.GetUserOriginX() << ' ' << set.GetUserOriginY() << ' ' << set.GetUserOriginZ() << '\n';
        for (int i = 0; i < static_cast<int>(s.GetCameraCount()); ++i) {
            const Vec3d p = set.GetPosition(i);
            out << set.GetLabel(i) << ' ' << p.x << ' ' << p.y << ' ' << p.z << ' ' << set.GetFocalLength(i) << ' '
                << set.GetFNumber(i) << ' ' << set.GetHFov(i) << ' ' << set.GetVFov(i) << ' ' << set.GetFrameWidth(i)
                << ' ' << set.GetFrameHeight(i) << ' ' << set.GetHTilt(i) << ' ' << set.GetVTilt(i) << ' '
                << set.GetSpin(i) << ' ' << set.GetEnabled(i) << ' ' << set.GetCameraType(i) << ' '
                << set.GetSensorPixelsX(i) << ' ' << set.GetSensorPixelsY(i);
            for (const Vec3d& e :
                 {set.GetEdgeHPlus(i), set.GetEdgeHMinus(i), set.GetEdgeVPlus(i), set.GetEdgeVMinus(i)})
                out << ' ' << e.x << ' ' << e.y << ' ' << e.z;
            out << '\n';
        }
        return out.str();
    }
    const PlacementPreview* Preview() const { return m_dlg->View()->Renderer().GetPlacementPreview().get(); }
    // The proposed cameras' magenta in the view.
    int MagentaPixels() const
    {
        const QImage frame = m_dlg->View()->grabFramebuffer();
        int count = 0;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x) {
                const QColor c = frame.pixelColor(x, y);
                count += c.red() > 120 && c.blue() > 100 && c.green() < c.red() / 2 && c.green() < c.blue() / 2;
            }
        return count;
    }
    void WaitForCoverage()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->View()->Renderer().IsComputing() && !GetSceneSettings()->GetRecalculate(),
                                 60000);
    }

    QTemporaryDir m_dir;
};

void AutoPlaceWindowTest::refusedFieldsAreNamedAndStartNothing_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("named");
    QTest::newRow("count not a number") << int(CAutoPlacePanel::kCount) << "two"
                                        << "Count: a whole number";
    QTest::newRow("count beyond the plan") << int(CAutoPlacePanel::kCount) << "999"
                                           << "Count: must be 0 to 998";
    QTest::newRow("lens of 0") << int(CAutoPlacePanel::kLenses) << "8.5, 0"
                               << "Lenses: each focal length";
    QTest::newRow("no such camera type") << int(CAutoPlacePanel::kSensor) << "3"
                                         << "Sensor: the camera type must be 0 to 2";
    QTest::newRow("camera type not whole") << int(CAutoPlacePanel::kSensor) << "1.5"
                                           << "Sensor: the camera type must be 0 to 2";
    QTest::newRow("sensor of no pixels") << int(CAutoPlacePanel::kSensor) << "2048, 0"
                                         << "Sensor: the pixels W, H must be two whole counts of at least 1";
    QTest::newRow("sensor of three numbers") << int(CAutoPlacePanel::kSensor) << "1, 2, 3"
                                             << "Sensor: a camera type 0 to 2, or the sensor's pixels W, H";
    QTest::newRow("sensor not a number") << int(CAutoPlacePanel::kSensor) << "T4"
                                         << "Sensor: a camera type 0 to 2, or the sensor's pixels W, H";
    QTest::newRow("K of 0") << int(CAutoPlacePanel::kMinCameras) << "0"
                            << "K: K must be 1 to 1000";
    QTest::newRow("K beyond the rig") << int(CAutoPlacePanel::kMinCameras) << "7"
                                      << "K: the rig would have only 6 cameras";
    QTest::newRow("no time") << int(CAutoPlacePanel::kTimeLimit) << "0"
                             << "Time limit: must be a number of seconds";
    QTest::newRow("fine samples") << int(CAutoPlacePanel::kSampleStep) << "0.001"
                                  << "Sample step: must be 0.01";
    QTest::newRow("band above the walls") << int(CAutoPlacePanel::kWallBand) << "2, 9"
                                          << "Wall band: ";
    QTest::newRow("band of one number") << int(CAutoPlacePanel::kWallBand) << "2"
                                        << "Wall band: two heights";
    // The target table's cells, by negative numbers: min, max, weight of box 1.
    QTest::newRow("min not three numbers") << -1 << "1, 2"
                                           << "Target box 1, min: three numbers";
    QTest::newRow("box outside the room") << -2 << "1, 1, 9"
                                          << "Target box 1: ";
    QTest::newRow("weight not a number") << -3 << "heavy"
                                         << "Target box 1, weight: a number above 0";
}

void AutoPlaceWindowTest::refusedFieldsAreNamedAndStartNothing()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QString, named);
    WaitForCoverage();
    const std::string before = RigText();
    SmallProblem("5");
    Panel().FieldBox(CAutoPlacePanel::kCount)->setText("4");
    if (field >= 0)
        Panel().FieldBox(static_cast<CAutoPlacePanel::Field>(field))->setText(text);
    else
        Panel().TargetTable()->item(0, -field - 1)->setText(text);
    QTest::mouseClick(Panel().StartButton(), Qt::LeftButton);
    QCOMPARE(Panel().GetState(), CAutoPlacePanel::Idle);
    QVERIFY(!Panel().IsWorkerRunning());
    QVERIFY(!m_prompts->messages.empty());
    const QString shown = QString::fromStdString(m_prompts->messages.back().text);
    QVERIFY2(shown.startsWith("Auto-Place not started\n" + named), qPrintable(shown));
    QCOMPARE(RigText(), before);
    QVERIFY(!Preview());
}

void AutoPlaceWindowTest::progressShowsAndCancelKeepsTheRig()
{
    WaitForCoverage();
    const std::string before = RigText();
    // Large enough to be cancelled in the middle: fine samples, a long limit.
    Panel().FieldBox(CAutoPlacePanel::kCount)->setText("6");
    Panel().FieldBox(CAutoPlacePanel::kTimeLimit)->setText("120");
    QTest::mouseClick(Panel().StartButton(), Qt::LeftButton);
    QCOMPARE(Panel().GetState(), CAutoPlacePanel::Running);
    QVERIFY(!Panel().StartButton()->isEnabled());
    const QString first = Panel().ProgressText()->text();
    QTRY_VERIFY_WITH_TIMEOUT(Panel().ProgressText()->text() != first, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(Panel().ProgressText()->text().startsWith("Search:"), 60000);
    QVERIFY(Preview() && !Preview()->target.empty());

    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(Panel().CancelButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(Panel().GetState() == CAutoPlacePanel::Idle, kPromptlyMs);
    const qint64 idleMs = timer.elapsed();
    QTRY_VERIFY_WITH_TIMEOUT(!Panel().IsWorkerRunning(), 10000);
    const qint64 workerMs = timer.elapsed();
    qInfo("Cancel: panel idle after %lld ms, worker ended after %lld ms", idleMs, workerMs);
    QVERIFY2(idleMs < kPromptlyMs, qPrintable(QString::number(idleMs)));
    QVERIFY(Panel().StartButton()->isEnabled() && !Panel().AcceptButton()->isEnabled());
    QVERIFY(!Preview());
    // What the worker sent after the cancel changes nothing.
    QTest::qWait(200);
    QCOMPARE(Panel().GetState(), CAutoPlacePanel::Idle);
    QCOMPARE(RigText(), before);
    QVERIFY(!m_menu->Action(MenuCommand::Undo)->isEnabled());
}

void AutoPlaceWindowTest::acceptIsOneStepThatUndoAndRedoTakeBackAndForth()
{
    // A saved plan: the document says whether it changed.
    const QString path = m_dir.filePath("plan.vplan");
    m_prompts->files.push_back(path.toStdString());
    Trigger(MenuCommand::SaveProjectAs);
    const CPlanDocument& document = m_menu->Plan().Document();
    QVERIFY(!document.IsModified());
    WaitForCoverage();
    const std::string before = RigText();

    SmallProblem("3");
    RunToTheEnd();
    const PlacementResult* result = Panel().Result();
    QVERIFY(result && result->placed.size() == 2);
    QVERIFY(Panel().AcceptButton()->isEnabled());
    QVERIFY(Preview() && Preview()->cameras.size() == 2);
    QTRY_VERIFY_WITH_TIMEOUT(MagentaPixels() > 30, 5000);
    if (const char* dir = std::getenv("VP_SCREENSHOT_DIR")) {
        // The window and the panel beside it, as the screen shows them.
        m_dlg->move(0, 0);
        Panel().move(m_dlg->frameGeometry().topRight());
        QTest::qWait(300);
        QGuiApplication::primaryScreen()->grabWindow(0).save(QDir(dir).filePath("auto-place-screen.png"));
    }
    QCOMPARE(RigText(), before);

    QTest::mouseClick(Panel().AcceptButton(), Qt::LeftButton);
    const SceneSettings& s = *GetSceneSettings();
    QCOMPARE(s.GetCameraCount(), 4u);
    QCOMPARE(s.GetFirstCamera(), 0u);
    QCOMPARE(s.GetEndCamera(), 4u);
    const CCameraSet& set = CCameraSet::Instance();
    for (int k = 0; k < 2; ++k) {
        const PlacedCamera& placed = result->placed[static_cast<size_t>(k)];
        const Vec3d p = set.GetFilePosition(2 + k);
        QCOMPARE(p.x, static_cast<double>(static_cast<float>(placed.pose.position.x)));
        QCOMPARE(p.z, static_cast<double>(static_cast<float>(placed.pose.position.z)));
        QCOMPARE(set.GetHTilt(2 + k), placed.pose.hTilt);
        QCOMPARE(set.GetVTilt(2 + k), placed.pose.vTilt);
        QCOMPARE(set.GetFocalLength(2 + k), 8.5f);
        QCOMPARE(QString::fromStdString(set.GetLabel(2 + k)), QString("Camera %1").arg(3 + k));
    }
    QVERIFY(!Preview());
    QCOMPARE(static_cast<QLineEdit*>(Ctl(kIdCameraCount))->text(), QString("4"));
    QVERIFY(m_dlg->IsRigEdited());
    QTRY_VERIFY(document.IsModified());

    // One step: a single undo puts back every value (those the computation derives once it is in), and the
    // saved plan is unchanged again.
    QCOMPARE(m_menu->ClassicPlan().UndoStack().count(), 1);
    WaitForCoverage();
    const std::string placedComputed = RigText();
    Trigger(MenuCommand::Undo);
    WaitForCoverage();
    QCOMPARE(RigText(), before);
    QCOMPARE(static_cast<QLineEdit*>(Ctl(kIdCameraCount))->text(), QString("2"));
    QVERIFY(!document.IsModified());
    QVERIFY(!m_menu->Action(MenuCommand::Undo)->isEnabled());
    Trigger(MenuCommand::Redo);
    QCOMPARE(PlanCamerasOf(CCameraSet::Instance(), 4), m_menu->ClassicPlan().GetPlan().cameras);
    QVERIFY(document.IsModified());
    WaitForCoverage();
    QCOMPARE(RigText(), placedComputed);

    // A camera edit in the dialog is a step of its own, undone before the placement.
    auto* selector = static_cast<QComboBox*>(Ctl(kIdCameraSelector));
    selector->setCurrentIndex(0);
    emit selector->activated(0);
    static_cast<QLineEdit*>(Ctl(kIdHTilt))->setText("12");
    QTest::mouseClick(Ctl(kIdUpdateSettings), Qt::LeftButton);
    QCOMPARE(CCameraSet::Instance().GetHTilt(0), 12.0f);
    QCOMPARE(m_menu->ClassicPlan().UndoStack().count(), 2);
    Trigger(MenuCommand::Undo);
    QCOMPARE(CCameraSet::Instance().GetHTilt(0), 45.0f);
    QCOMPARE(s.GetCameraCount(), 4u);
    Trigger(MenuCommand::Undo);
    WaitForCoverage();
    QCOMPARE(QString::fromStdString(RigText()), QString::fromStdString(before));

    // A new rig is a step too (after the question, as the rig was edited), and what it replaced comes back.
    m_prompts->answers = {PromptAnswer::Yes};
    EnterCameras(3);
    QCOMPARE(m_menu->Action(MenuCommand::Undo)->text(), QString("&Undo Camera count"));
    QVERIFY(!m_menu->Action(MenuCommand::Redo)->isEnabled());
    Trigger(MenuCommand::Undo);
    QCOMPARE(s.GetCameraCount(), 2u);
}

void AutoPlaceWindowTest::closingTheWindowWhileItRunsEnds()
{
    // The first coverage derives the cameras' edges: the rig is compared after it.
    WaitForCoverage();
    const std::string before = RigText();
    Panel().FieldBox(CAutoPlacePanel::kCount)->setText("6");
    Panel().FieldBox(CAutoPlacePanel::kTimeLimit)->setText("120");
    QTest::mouseClick(Panel().StartButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(Panel().ProgressText()->text().startsWith("Candidates"), 30000);
    // The Auto-Place window first: its run ends, the rig stays.
    Panel().close();
    QCOMPARE(Panel().GetState(), CAutoPlacePanel::Idle);
    QCOMPARE(RigText(), before);
    QTest::mouseClick(Panel().StartButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(Panel().ProgressText()->text().startsWith("Candidates"), 30000);
    // Then the main window, while a run goes on.
    QElapsedTimer timer;
    timer.start();
    CloseWindow();
    qInfo("Closing the window while a placement ran took %lld ms", timer.elapsed());
    QVERIFY(timer.elapsed() < kPromptlyMs);
}

void AutoPlaceWindowTest::sensorFieldGivesTheNewCamerasTheirSensor()
{
    WaitForCoverage();
    SmallProblem("2");
    Panel().FieldBox(CAutoPlacePanel::kSensor)->setText("2048, 1088");
    RunToTheEnd();
    const PlacementResult* result = Panel().Result();
    QVERIFY(result && result->placed.size() == 2);
    for (const PlacedCamera& camera : result->placed) {
        QCOMPARE(camera.model.cameraType, kCustomCameraType);
        QCOMPARE(camera.model.pixelsX, 2048);
        QCOMPARE(camera.model.pixelsY, 1088);
    }
    QTest::mouseClick(Panel().AcceptButton(), Qt::LeftButton);
    const CCameraSet& set = CCameraSet::Instance();
    for (int i = 2; i < 4; ++i) {
        QCOMPARE(set.GetCameraType(i), kCustomCameraType);
        QCOMPARE(set.GetSensorPixelsX(i), 2048);
        QCOMPARE(set.GetSensorPixelsY(i), 1088);
    }
    // The rig's own cameras keep theirs.
    QCOMPARE(set.GetCameraType(0), 0);

    // A camera type of the table: its pixels.
    Panel().FieldBox(CAutoPlacePanel::kSensor)->setText("1");
    RunToTheEnd();
    for (const PlacedCamera& camera : Panel().Result()->placed) {
        QCOMPARE(camera.model.cameraType, 1);
        QCOMPARE(camera.model.pixelsX, kCameraTypes[1].pixelsX);
        QCOMPARE(camera.model.pixelsY, kCameraTypes[1].pixelsY);
    }
}

void AutoPlaceWindowTest::mountsAndTargetGoWithTheProject()
{
    WaitForCoverage();
    const std::string plain = m_dir.filePath("plain.vplan").toStdString();
    m_prompts->files.push_back(plain);
    Trigger(MenuCommand::SaveProjectAs);
    const auto readText = [](const std::string& path) {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray plainText = readText(plain);
    QVERIFY(!plainText.isEmpty() && !plainText.contains("placement"));

    // Shown but not edited, the window changes nothing the plan saves.
    Panel().show();
    const std::string again = m_dir.filePath("again.vplan").toStdString();
    m_prompts->files.push_back(again);
    Trigger(MenuCommand::SaveProjectAs);
    QCOMPARE(readText(again), plainText);

    // A project with mounts and target: the window shows them.
    Plan project = *ReadProjectFile(plain).plan;
    MountSurfaces mounts;
    mounts.walls = {true, false, false, true};
    mounts.wallBand = std::array<double, 2>{2.0, 2.8};
    mounts.ceiling = false;
    mounts.segments = {{"truss", {1.0, 2.5, 2.5}, {4.0, 2.5, 2.5}}};
    project.placement = {mounts, {{{1.0, 0.0, 1.0}, {4.0, 2.0, 4.0}, 2.0}}};
    const std::string withSetup = m_dir.filePath("setup.vplan").toStdString();
    QVERIFY(WriteProjectFile(withSetup, project));
    m_prompts->files.push_back(withSetup);
    Trigger(MenuCommand::OpenProject);
    QCOMPARE(Panel().TargetTable()->rowCount(), 1);
    QCOMPARE(Panel().TargetTable()->item(0, CAutoPlacePanel::kColMin)->text(), QString("1, 0, 1"));
    QCOMPARE(Panel().TargetTable()->item(0, CAutoPlacePanel::kColMax)->text(), QString("4, 2, 4"));
    QCOMPARE(Panel().TargetTable()->item(0, CAutoPlacePanel::kColWeight)->text(), QString("2"));
    QVERIFY(Panel().MountBox(0)->isChecked() && !Panel().MountBox(1)->isChecked());
    QVERIFY(!Panel().MountBox(2)->isChecked() && Panel().MountBox(3)->isChecked());
    QVERIFY(!Panel().MountBox(4)->isChecked());
    QCOMPARE(Panel().FieldBox(CAutoPlacePanel::kWallBand)->text(), QString("2, 2.8"));
    QVERIFY(Panel().ProjectMountsText()->text().contains("1 segments"));
    QVERIFY(!m_menu->Plan().Document().IsModified());

    // Saved as it was read; then edits of the window go into the plan, the segment with them.
    const std::string copy = m_dir.filePath("copy.vplan").toStdString();
    m_prompts->files.push_back(copy);
    Trigger(MenuCommand::SaveProjectAs);
    QCOMPARE(readText(copy), readText(withSetup));
    Panel().MountBox(4)->setChecked(true);
    Panel().TargetTable()->item(0, CAutoPlacePanel::kColMax)->setText("4.5, 2, 4");
    // A value not yet valid leaves the plan's last valid one.
    Panel().FieldBox(CAutoPlacePanel::kWallBand)->setText("2");
    QTRY_VERIFY(m_menu->Plan().Document().IsModified());
    Trigger(MenuCommand::SaveProject);
    const ProjectPlacement saved = ReadProjectFile(copy).plan->placement;
    QVERIFY(saved.mounts);
    MountSurfaces expected = mounts;
    expected.ceiling = true;
    QVERIFY(*saved.mounts == expected);
    QCOMPARE(saved.target.size(), size_t{1});
    QVERIFY((saved.target[0] == TargetBox{{1.0, 0.0, 1.0}, {4.5, 2.0, 4.0}, 2.0}));

    // A project without them puts back the room's default box and every mount.
    m_prompts->files.push_back(plain);
    Trigger(MenuCommand::OpenProject);
    QCOMPARE(Panel().TargetTable()->rowCount(), 1);
    QCOMPARE(Panel().TargetTable()->item(0, CAutoPlacePanel::kColMin)->text(), QString("0.5, 0, 0.5"));
    for (int m = 0; m < 5; ++m)
        QVERIFY(Panel().MountBox(m)->isChecked());
    QVERIFY(Panel().FieldBox(CAutoPlacePanel::kWallBand)->text().isEmpty());
    QVERIFY(Panel().ProjectMountsText()->text().isEmpty());
    QVERIFY(!m_menu->Plan().Document().IsModified());
}

void AutoPlaceWindowTest::cancelEndsTheWorkerAtOnceInTheCandidatesAndTheRefinement()
{
    WaitForCoverage();
    const std::string before = RigText();
    // Few places (one height, no ceiling) and fine samples: the candidates
    // take a while, and so does each trial of the refinement.
    Panel().FieldBox(CAutoPlacePanel::kCount)->setText("6");
    Panel().FieldBox(CAutoPlacePanel::kWallBand)->setText("2.5, 2.5");
    Panel().MountBox(4)->setChecked(false);
    Panel().FieldBox(CAutoPlacePanel::kSampleStep)->setText("0.1");
    Panel().FieldBox(CAutoPlacePanel::kTimeLimit)->setText("120");
    for (const QString stage : {"Candidates", "Refining"}) {
        QTest::mouseClick(Panel().StartButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(Panel().ProgressText()->text().startsWith(stage), 120000);
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(Panel().CancelButton(), Qt::LeftButton);
        while (Panel().IsWorkerRunning() && timer.elapsed() < kPromptlyMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const qint64 ms = timer.elapsed();
        qInfo("Cancel in the %s: the worker ended after %lld ms", qPrintable(stage), ms);
        QVERIFY2(ms < kPromptlyMs, qPrintable(stage + ": " + QString::number(ms) + " ms"));
        QCOMPARE(Panel().GetState(), CAutoPlacePanel::Idle);
        QCOMPARE(RigText(), before);
    }
}

void AutoPlaceWindowTest::aSampleStepThatCannotFitIsRefusedAndKeepsThePlan()
{
    WaitForCoverage();
    const std::string before = RigText();
    // The whole room at 1 cm: far more target points than a placement may hold.
    const SceneSettings& s = *GetSceneSettings();
    Panel().TargetTable()->item(0, CAutoPlacePanel::kColMin)->setText("0, 0, 0");
    Panel()
        .TargetTable()
        ->item(0, CAutoPlacePanel::kColMax)
        ->setText(QString("%1, %2, %3").arg(s.GetRoomLength()).arg(s.GetRoomHeight()).arg(s.GetRoomWidth()));
    Panel().FieldBox(CAutoPlacePanel::kSampleStep)->setText("0.01");
    m_prompts->messages.clear();
    const int steps = m_menu->ClassicPlan().UndoStack().count();
    QTest::mouseClick(Panel().StartButton(), Qt::LeftButton);
    QCOMPARE(Panel().GetState(), CAutoPlacePanel::Idle);
    QVERIFY(!Panel().IsWorkerRunning());
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    const QString shown = QString::fromStdString(m_prompts->messages.back().text);
    QVERIFY2(shown.contains("memory") && shown.contains("Sample step"), qPrintable(shown));
    QCOMPARE(RigText(), before);
    // The refusal took no step of the plan's history.
    QCOMPARE(m_menu->ClassicPlan().UndoStack().count(), steps);
}

void AutoPlaceWindowTest::replaceTheRigWithCamerasOfTheKit()
{
    WaitForCoverage();
    const std::string before = RigText();
    SmallProblem("3");
    Panel().FieldBox(CAutoPlacePanel::kLenses)->setText("6, 12.5");
    Panel().LensKitBox()->setChecked(true);
    Panel().ReplaceButton()->setChecked(true);
    RunToTheEnd();
    const PlacementResult* result = Panel().Result();
    QVERIFY(result && result->placed.size() == 2);
    QTest::mouseClick(Panel().AcceptButton(), Qt::LeftButton);
    // The two placed cameras are the whole rig, each with a lens of the kit.
    const SceneSettings& s = *GetSceneSettings();
    QCOMPARE(s.GetCameraCount(), 2u);
    QCOMPARE(s.GetFirstCamera(), 0u);
    QCOMPARE(s.GetEndCamera(), 2u);
    const CCameraSet& set = CCameraSet::Instance();
    for (int k = 0; k < 2; ++k) {
        const PlacedCamera& placed = result->placed[static_cast<size_t>(k)];
        QCOMPARE(set.GetFilePosition(k).x, static_cast<double>(static_cast<float>(placed.pose.position.x)));
        QVERIFY(set.GetFocalLength(k) == 6.0f || set.GetFocalLength(k) == 12.5f);
        QCOMPARE(set.GetFocalLength(k), placed.model.focalMm);
        // Above the performers' heads on a wall, or on the ceiling.
        QVERIFY(placed.pose.position.y >= 2.2 - 1e-9);
    }
    // Undone, the rig comes back as it was, its edges once computed again.
    Trigger(MenuCommand::Undo);
    WaitForCoverage();
    QCOMPARE(RigText(), before);
}

QTEST_MAIN(AutoPlaceWindowTest)
#include "AutoPlaceWindowTest.moc"
