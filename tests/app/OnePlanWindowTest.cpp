#include "MenuWindowFixture.h"

#include "app/CameraTableModel.h"
#include "app/CameraTablePanel.h"
#include "app/GenerateRigPanel.h"
#include "app/ProjectCommands.h"
#include "app/ReportCommands.h"
#include "cameras/CameraSet.h"
#include "project/ProjectFile.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <fstream>
#include <sstream>

// The real main window works on one plan, the one its document holds: the
// report judges that plan as the command line does, every change the
// dialog stores is a step of it, and what the window shows is what is in force.
class OnePlanWindowTest : public QObject, CMenuWindowFixture
{
    Q_OBJECT

  private slots:
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void reportJudgesThePlansTargetAsTheCommandLineDoes();
    void roomCountRigAndSavesAreStepsOfOnePlan();
    void aRefusedVoxelSizeLeavesTheOneInForce();
    void implausiblePlacesAndRoomsAreRefusedNamed();

  private:
    QLineEdit* Box(int id) const { return static_cast<QLineEdit*>(Ctl(id)); }
    void Click(int id) { QTest::mouseClick(Ctl(id), Qt::LeftButton); }
    void Settle()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->View()->Renderer().IsComputing() && !GetSceneSettings()->GetRecalculate(),
                                 60000);
    }
    QString UndoText() const { return m_menu->Action(MenuCommand::Undo)->text(); }
    QString Path(const char* name) const { return m_dir.filePath(name); }
    // The report's pass/fail line, as its HTML holds it.
    static QString PassFailLine(const QString& path)
    {
        std::ifstream in(path.toStdString());
        std::ostringstream html;
        html << in.rdbuf();
        const QRegularExpressionMatch line =
            QRegularExpression("(PASS|FAIL): [^<]*").match(QString::fromStdString(html.str()));
        return line.hasMatch() ? line.captured(0) : QString("(no pass/fail line)");
    }
    static QString CliReport(const QString& project, const QString& out)
    {
        QProcess cli;
        cli.start(VP_CLI_PATH, {"report", "--project", project, "--out", out});
        if (!cli.waitForFinished(120000) || cli.exitCode() != 0)
            return QString::fromUtf8(cli.readAllStandardError());
        return PassFailLine(out);
    }
    int SavedCameras(const char* name) const
    {
        const ProjectReadResult read = ReadProjectFile(Path(name).toStdString());
        return read.plan ? static_cast<int>(read.plan->cameras.size()) : -1;
    }

    QTemporaryDir m_dir;
};

void OnePlanWindowTest::reportJudgesThePlansTargetAsTheCommandLineDoes()
{
    Plan plan;
    plan.length = 8.0f;
    plan.width = 6.0f;
    plan.height = 3.0f;
    plan.voxelCm = 25.0f;
    QVERIFY(!ResetRig(plan, 4));
    const std::string bare = Path("bare.vplan").toStdString();
    QVERIFY(WriteProjectFile(bare, plan));
    // A target of the plan's own, away from the room's default box.
    plan.placement.target = {{{1.0, 0.0, 1.0}, {4.0, 2.0, 3.0}, 1.0}};
    QVERIFY(WriteProjectFile(Path("target.vplan").toStdString(), plan));

    m_prompts->files.push_back(Path("target.vplan").toStdString());
    Trigger(MenuCommand::OpenProject);
    QSignalSpy finished(&m_menu->Report(), &CReportCommands::reportFinished);
    m_prompts->files.push_back(Path("window.html").toStdString());
    Trigger(MenuCommand::ExportReport);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 120000);
    QVERIFY2(finished.at(0).at(0).toBool(), m_prompts->reasons.empty() ? "" : m_prompts->reasons.back().c_str());

    const QString window = PassFailLine(Path("window.html"));
    QCOMPARE(window, CliReport(Path("target.vplan"), Path("cli.html")));
    // The default target judges otherwise: the line is the plan's own.
    QVERIFY2(window != CliReport(Path("bare.vplan"), Path("bare.html")), qPrintable(window));
}

void OnePlanWindowTest::roomCountRigAndSavesAreStepsOfOnePlan()
{
    EnterCameras(8);
    Settle();
    // A room change is a step.
    Box(kIdRoomLength)->setText("9");
    Click(kIdRender);
    QCOMPARE(UndoText(), QString("&Undo Room change"));
    Trigger(MenuCommand::Undo);
    QCOMPARE(GetSceneSettings()->GetRoomLength(), 5.0f);
    QCOMPARE(Box(kIdRoomLength)->text(), QString("5.00"));
    Trigger(MenuCommand::Redo);
    QCOMPARE(GetSceneSettings()->GetRoomLength(), 9.0f);
    Settle();

    // Enter keeps the room typed and lays the new rig out in it, clear of the obstacle at its centre.
    const ObstacleBox pillar{"pillar", {4.0, 0.0, 2.0}, {6.5, 3.0, 3.0}};
    QVERIFY(!AddObstacleBox(pillar));
    Box(kIdRoomLength)->setText("10");
    Box(kIdCameraCount)->setText("8");
    // The rig the redo put back counts as edited: Enter asks first, as after any change of it.
    m_prompts->answers = {PromptAnswer::Yes};
    Click(kIdEnter);
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    QCOMPARE(m_prompts->messages[0].buttons, PromptButtons::YesNo);
    QCOMPARE(GetSceneSettings()->GetRoomLength(), 10.0f);
    QCOMPARE(Box(kIdRoomLength)->text(), QString("10.00"));
    QCOMPARE(UndoText(), QString("&Undo Camera count"));
    const std::vector<PlanCamera>& cameras = WindowPlan().cameras;
    QCOMPARE(cameras.size(), size_t{8});
    for (const PlanCamera& camera : cameras) {
        const bool inside = camera.x >= pillar.min.x && camera.x <= pillar.max.x && camera.y >= pillar.min.y &&
                            camera.y <= pillar.max.y && camera.z >= pillar.min.z && camera.z <= pillar.max.z;
        QVERIFY2(!inside, camera.label.c_str());
    }
    QCOMPARE(PlanCamerasOf(CCameraSet::Instance(), 8), cameras);
    // Undone: the room and the rig before it, the obstacle kept.
    Trigger(MenuCommand::Undo);
    QCOMPARE(GetSceneSettings()->GetRoomLength(), 9.0f);
    QCOMPARE(WindowPlan().obstacles.boxes.size(), size_t{1});
    Trigger(MenuCommand::Redo);
    Settle();

    // Saved, then a new rig by Enter: Save asks before it replaces the rig the file holds.
    m_prompts->files.push_back(Path("stage.vplan").toStdString());
    Trigger(MenuCommand::SaveProjectAs);
    QCOMPARE(SavedCameras("stage.vplan"), 8);
    // The rig is in the file: Enter asks nothing about losing it.
    m_prompts->messages.clear();
    EnterCameras(6);
    QVERIFY(m_prompts->messages.empty());
    m_prompts->answers = {PromptAnswer::No};
    Trigger(MenuCommand::SaveProject);
    QCOMPARE(m_prompts->messages.back().buttons, PromptButtons::YesNo);
    QVERIFY2(m_prompts->messages.back().text.find("stage.vplan holds the rig it was saved with") == 0,
             m_prompts->messages.back().text.c_str());
    QCOMPARE(SavedCameras("stage.vplan"), 8);
    m_menu->Plan().UpdateTitle();
    QVERIFY2(m_dlg->windowTitle().startsWith("stage.vplan* -"), qPrintable(m_dlg->windowTitle()));
    m_prompts->answers = {PromptAnswer::Yes};
    Trigger(MenuCommand::SaveProject);
    QCOMPARE(SavedCameras("stage.vplan"), 6);
    // Saved with that rig, the next save asks nothing.
    const size_t asked = m_prompts->messages.size();
    Trigger(MenuCommand::SaveProject);
    QCOMPARE(m_prompts->messages.size(), asked);

    // A generated rig is a step of its own.
    Trigger(MenuCommand::GenerateRig);
    QTest::mouseClick(m_menu->GenerateRigWindow()->GenerateButton(), Qt::LeftButton);
    QCOMPARE(UndoText(), QString("&Undo Generate Rig"));
    QCOMPARE(GetSceneSettings()->GetCameraCount(), 8u);
    Trigger(MenuCommand::Undo);
    QCOMPARE(GetSceneSettings()->GetCameraCount(), 6u);
    QCOMPARE(Box(kIdCameraCount)->text(), QString("6"));
}

void OnePlanWindowTest::aRefusedVoxelSizeLeavesTheOneInForce()
{
    EnterCameras(2);
    Trigger(MenuCommand::PlannerView);
    Settle();
    const CSceneRenderer& renderer = m_dlg->View()->Renderer();
    QVERIFY(QString::fromStdString(renderer.GetPlannerStatus().at(1)).contains("Voxel: 20 cm"));

    // A grid that cannot be allocated: the classic fatal message, and the voxel size before it stays.
    Box(kIdVoxelSize)->setText("0.001");
    Click(kIdRender);
    QTRY_COMPARE_WITH_TIMEOUT(m_prompts->messages.size(), size_t{1}, 60000);
    QCOMPARE(m_prompts->messages[0].text, std::string(kNotEnoughMemoryMessage));
    QCOMPARE(m_prompts->messages[0].caption, std::string("Fatal Error"));
    Settle();
    QCOMPARE(GetVoxelSize(), 20.0f);
    QCOMPARE(Box(kIdVoxelSize)->text(), QString("20.00"));
    QCOMPARE(renderer.GetComputedInput().voxelSizeCm, 20.0f);
    QCOMPARE(WindowPlan().voxelCm, 20.0f);
    m_dlg->View()->update();
    QTest::qWait(100);
    QVERIFY2(QString::fromStdString(renderer.GetPlannerStatus().at(1)).contains("Voxel: 20 cm"),
             renderer.GetPlannerStatus().at(1).c_str());
    // The refused room is no step to undo or redo.
    QVERIFY(!m_menu->Action(MenuCommand::Undo)->isEnabled());
    QVERIFY(!m_menu->Action(MenuCommand::Redo)->isEnabled());

    // A voxel size the room form refuses is an Invalid Action, not a fatal one.
    m_prompts->messages.clear();
    Box(kIdVoxelSize)->setText("600");
    Click(kIdRender);
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    QCOMPARE(m_prompts->messages[0].caption, std::string("Invalid Action"));
    QCOMPARE(WindowPlan().voxelCm, 20.0f);
}

void OnePlanWindowTest::implausiblePlacesAndRoomsAreRefusedNamed()
{
    EnterCameras(2);
    auto* selector = static_cast<QComboBox*>(Ctl(kIdCameraSelector));
    selector->setCurrentIndex(1);
    emit selector->activated(1);
    const Vec3d before = CCameraSet::Instance().GetFilePosition(1);
    const QString shown = Box(kIdPositionX)->text();

    // X = 1e9 for 1.9: named, and the camera keeps every value.
    Box(kIdPositionX)->setText("1e9");
    Click(kIdUpdateSettings);
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    QCOMPARE(m_prompts->messages[0].caption, std::string("Invalid Action"));
    QVERIFY2(m_prompts->messages[0].text.find("The X position \"1e9\" is more than 10 m outside the room") == 0,
             m_prompts->messages[0].text.c_str());
    QCOMPARE(Box(kIdPositionX)->text(), shown);
    QCOMPARE(CCameraSet::Instance().GetFilePosition(1), before);
    QCOMPARE(WindowPlan().cameras[1].x, before.x);

    // 14 m along a 5 m room is outside it, but within reach; a room that would leave it 11 m out is refused.
    Box(kIdPositionX)->setText("14");
    Click(kIdUpdateSettings);
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    QCOMPARE(WindowPlan().cameras[1].x, 14.0);
    Box(kIdRoomLength)->setText("3");
    Click(kIdRender);
    QCOMPARE(m_prompts->messages.size(), size_t{2});
    QVERIFY2(m_prompts->messages[1].text.find("Room Length 3 m would leave Camera 2 more than 10 m outside") == 0,
             m_prompts->messages[1].text.c_str());
    QCOMPARE(GetSceneSettings()->GetRoomLength(), 5.0f);
    QCOMPARE(WindowPlan().length, 5.0f);

    // The camera table refuses it as the boxes do.
    Trigger(MenuCommand::CameraTable);
    QAbstractItemModel* model = m_menu->CameraTable()->Table()->model();
    QVERIFY(!model->setData(model->index(0, CCameraTableModel::kColY), "-1e9", Qt::EditRole));
    QVERIFY2(m_prompts->messages.back().text.find("The Y position \"-1e9\" is more than 10 m outside the room") !=
                 std::string::npos,
             m_prompts->messages.back().text.c_str());
    QCOMPARE(WindowPlan().cameras[0].y, 5.0);
}

QTEST_MAIN(OnePlanWindowTest)
#include "OnePlanWindowTest.moc"
