#include "MenuWindowFixture.h"

#include "app/ReportCommands.h"
#include "app/asbuilt/AsBuiltCompareCommand.h"
#include "app/asbuilt/AsBuiltCompareDialog.h"
#include "app/asbuilt/CalibrationChoice.h"
#include "app/asbuilt/CalibrationImportCommand.h"
#include "app/asbuilt/CalibrationPartner.h"
#include "cameras/CameraSet.h"
#include "cameras/asbuilt/CalibrationExport.h"
#include "project/ProjectFile.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QUndoStack>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <utility>

// File > Import Calibration as Rig and Plan > Compare with As Built in the
// real main window, with the calibration partner reading the files.
class AsBuiltWindowTest : public QObject, CMenuWindowFixture
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void importedCalibrationIsThePlansRig();
    void refusedCalibrationLeavesThePlan();
    void camerasOutsideTheRoomAreOfferedTheirBox();
    void comparisonShowsThePartnersFiguresAndTheDifference();

  private:
    // The rig as the window's view has it: the camera set whole and its range.
    struct RigState {
        CCameraSet cameras;
        uint32_t count = 0;
        uint32_t first = 0;
        uint32_t end = 0;
    };
    static RigState Capture()
    {
        const SceneSettings& s = *GetSceneSettings();
        return {CCameraSet::Instance(), s.GetCameraCount(), s.GetFirstCamera(), s.GetEndCamera()};
    }
    static bool SameRig(const RigState& a, const RigState& b)
    {
        return a.count == b.count && a.first == b.first && a.end == b.end &&
               PlanCamerasOf(a.cameras, a.count) == PlanCamerasOf(b.cameras, b.count);
    }
    QUndoStack& History() const { return m_menu->ClassicPlan().UndoStack(); }
    // Answers the next calibration dialog: the path, up and (for a comparison) the alignment.
    void AnswerChoice(const QString& path, const QString& up, const QString& align = {})
    {
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [poll, path, up, align] {
            auto* dialog = qobject_cast<CCalibrationChoiceDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll->deleteLater();
            dialog->findChild<QLineEdit*>("calibrationPath")->setText(path);
            auto* upBox = dialog->findChild<QComboBox*>("calibrationUp");
            upBox->setCurrentIndex(upBox->findData(up));
            if (!align.isEmpty()) {
                auto* alignBox = dialog->findChild<QComboBox*>("calibrationAlign");
                alignBox->setCurrentIndex(alignBox->findData(align));
            }
            dialog->accept();
        });
        poll->start(20);
    }
    void RenderAndSettle()
    {
        QTest::mouseClick(Ctl(kIdRender), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!GetSceneSettings()->GetRecalculate(), 60000);
        QTRY_VERIFY(m_dlg->View()->Renderer().GetVolume().HasResults());
    }
    // A rig that is not the default one: each camera placed and turned its own way.
    static void VaryRig()
    {
        CCameraSet& set = CCameraSet::Instance();
        for (int i = 0; i < static_cast<int>(GetSceneSettings()->GetCameraCount()); ++i) {
            // Drawn in from the walls, so that every camera stays inside the room.
            const Vec3d at = set.GetFilePosition(i);
            set.SetFilePosition(i, {at.x * 0.9 + 0.25, at.y * 0.95 - 0.01 * i, at.z * 0.9 + 0.25});
            set.SetHTilt(i, set.GetHTilt(i) + 3.5f * static_cast<float>(i));
            set.SetVTilt(i, set.GetVTilt(i) - 2.0f);
            set.SetLabel(i, "cam" + std::to_string(i + 1));
        }
        set.RecomputeFieldOfView();
    }
    static std::string Export(const CCameraSet& cameras, const QString& path)
    {
        const SaveResult saved = ExportCalibration(path.toStdString(), cameras, GetSceneSettings()->GetCameraCount());
        return saved ? std::string() : saved.reason;
    }
    void ExpectRig(const RigState& expected)
    {
        const RigState now = Capture();
        QCOMPARE(now.count, expected.count);
        QCOMPARE(now.first, 0u);
        QCOMPARE(now.end, expected.count);
        for (int i = 0; i < static_cast<int>(expected.count); ++i) {
            const Vec3d a = now.cameras.GetFilePosition(i), b = expected.cameras.GetFilePosition(i);
            QVERIFY2(std::abs(a.x - b.x) < 1e-6 && std::abs(a.y - b.y) < 1e-6 && std::abs(a.z - b.z) < 1e-6,
                     qPrintable(QString("camera %1").arg(i + 1)));
            QVERIFY(std::abs(now.cameras.GetHFov(i) - expected.cameras.GetHFov(i)) < 1e-4);
            QVERIFY(std::abs(now.cameras.GetVFov(i) - expected.cameras.GetVFov(i)) < 1e-4);
            QCOMPARE(now.cameras.GetLabel(i), expected.cameras.GetLabel(i));
            QVERIFY2(AimGapDeg(now.cameras, expected.cameras, i) < 1e-3, qPrintable(QString("camera %1").arg(i + 1)));
            QVERIFY(std::abs(now.cameras.GetFocalLength(i) - expected.cameras.GetFocalLength(i)) < 1e-4);
        }
    }
    // The largest difference of the aiming angles, turns apart aside.
    static double AimGapDeg(const CCameraSet& a, const CCameraSet& b, int i)
    {
        double worst = 0.0;
        for (const auto& [x, y] : {std::pair{a.GetHTilt(i), b.GetHTilt(i)}, std::pair{a.GetVTilt(i), b.GetVTilt(i)},
                                   std::pair{a.GetSpin(i), b.GetSpin(i)}})
            worst = std::max(worst, std::abs(std::remainder(static_cast<double>(x) - y, 360.0)));
        return worst;
    }
    CCalibrationImportCommand& Import() { return m_menu->CalibrationImport(); }
    CAsBuiltCompareCommand& Compare() { return m_menu->AsBuiltCompare(); }
    QString Path(const char* name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

void AsBuiltWindowTest::init()
{
    OpenWindow();
}

void AsBuiltWindowTest::cleanup()
{
    CloseWindow();
}

void AsBuiltWindowTest::importedCalibrationIsThePlansRig()
{
    EnterCameras(5);
    VaryRig();
    const RigState planned = Capture();
    QCOMPARE(Export(planned.cameras, Path("rig.toml")), std::string());
    QDir().mkpath(Path("pair"));
    QCOMPARE(Export(planned.cameras, Path("pair/extri.yml")), std::string());
    // Another rig in the window, saved: the import replaces it and marks the plan changed.
    EnterCameras(3);
    m_prompts->files.push_back(Path("saved.vplan").toStdString());
    Trigger(MenuCommand::SaveProjectAs);
    QTRY_VERIFY(m_dlg->windowTitle().startsWith("saved.vplan -"));

    // The reader's default options: the file records its vertical, the window gives its room.
    QSignalSpy finished(&Import(), &CCalibrationImportCommand::importFinished);
    AnswerChoice(Path("rig.toml"), "");
    Trigger(MenuCommand::ImportCalibration);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    QVERIFY2(finished.at(0).at(0).toBool(), m_prompts->Texts().empty() ? "" : m_prompts->Texts().back().c_str());
    ExpectRig(planned);
    QCOMPARE(static_cast<QLineEdit*>(Ctl(kIdCameraCount))->text(), QString("5"));
    // One step of the rig's history, and a plan with unsaved changes.
    QCOMPARE(History().undoText(), QString("Import Calibration"));
    QTRY_VERIFY(m_dlg->windowTitle().startsWith("saved.vplan* -"));
    Trigger(MenuCommand::Undo);
    QCOMPARE(GetSceneSettings()->GetCameraCount(), 3u);
    Trigger(MenuCommand::Redo);
    ExpectRig(planned);

    // The folder of an OpenCV pair reads as the same rig, the format found from the content.
    Trigger(MenuCommand::Undo);
    QCOMPARE(GetSceneSettings()->GetCameraCount(), 3u);
    AnswerChoice(Path("pair"), "+z");
    Trigger(MenuCommand::ImportCalibration);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 30000);
    QVERIFY(finished.at(1).at(0).toBool());
    QCOMPARE(GetSceneSettings()->GetCameraCount(), 5u);
    const RigState pair = Capture();
    for (int i = 0; i < 5; ++i) {
        const Vec3d a = pair.cameras.GetFilePosition(i), b = planned.cameras.GetFilePosition(i);
        QVERIFY(std::abs(a.x - b.x) < 1e-6 && std::abs(a.y - b.y) < 1e-6 && std::abs(a.z - b.z) < 1e-6);
    }
    QVERIFY(m_prompts->messages.empty());
}

void AsBuiltWindowTest::refusedCalibrationLeavesThePlan()
{
    EnterCameras(4);
    VaryRig();
    QVERIFY(!AddObstacleBox({"desk", {1, 0, 1}, {2, 1, 2}}));
    const RigState before = Capture();
    const size_t steps = static_cast<size_t>(History().count());
    {
        std::ofstream bad(Path("bad.toml").toStdString());
        bad << "[cam_0]\nname = \"a\"\nsize = [1280, 1024]\nmatrix = [[1, 0], [0, 1]]\n";
    }
    QSignalSpy finished(&Import(), &CCalibrationImportCommand::importFinished);
    for (const char* name : {"bad.toml", "missing.toml"}) {
        m_prompts->messages.clear();
        m_prompts->reasons.clear();
        AnswerChoice(Path(name), "");
        Trigger(MenuCommand::ImportCalibration);
        QTRY_VERIFY_WITH_TIMEOUT(!Import().Partner().IsRunning() && finished.count() > 0, 30000);
        QCOMPARE(finished.takeLast().at(0).toBool(), false);
        QCOMPARE(m_prompts->reasons.size(), size_t{1});
        // The partner's own message, naming the file.
        QVERIFY2(m_prompts->reasons[0].find(name) != std::string::npos, m_prompts->reasons[0].c_str());
        QVERIFY(SameRig(before, Capture()));
        QCOMPARE(static_cast<size_t>(History().count()), steps);
        QCOMPARE(WindowPlan().obstacles.boxes.size(), size_t{1});
    }
}

void AsBuiltWindowTest::camerasOutsideTheRoomAreOfferedTheirBox()
{
    EnterCameras(4);
    VaryRig();
    CCameraSet outside = CCameraSet::Instance();
    const Vec3d far = outside.GetFilePosition(1);
    outside.SetFilePosition(1, {far.x + 9.0, far.y, far.z});
    QCOMPARE(Export(outside, Path("wide.toml")), std::string());
    const RigState before = Capture();
    QSignalSpy finished(&Import(), &CCalibrationImportCommand::importFinished);

    // No: the cameras come where the calibration has them, the room stays, and the window says so.
    const Plan planBefore = WindowPlan();
    m_prompts->answers.push_back(PromptAnswer::No);
    AnswerChoice(Path("wide.toml"), "+z");
    Trigger(MenuCommand::ImportCalibration);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QCOMPARE(m_prompts->messages.size(), size_t{2});
    QVERIFY2(m_prompts->messages[0].text.find("\"cam2\"") != std::string::npos, m_prompts->messages[0].text.c_str());
    QVERIFY2(m_prompts->messages[1].text.find("The room stays") != std::string::npos &&
                 m_prompts->messages[1].text.find("\"cam2\" stands outside it") != std::string::npos,
             m_prompts->messages[1].text.c_str());
    QCOMPARE(WindowPlan().length, planBefore.length);
    QCOMPARE(WindowPlan().width, planBefore.width);
    QVERIFY(std::abs(CCameraSet::Instance().GetFilePosition(1).x - outside.GetFilePosition(1).x) < 1e-5);
    QVERIFY(CCameraSet::Instance().GetFilePosition(1).x > GetSceneSettings()->GetRoomLength());
    QCOMPARE(History().undoText(), QString("Import Calibration"));
    Trigger(MenuCommand::Undo);
    QVERIFY(SameRig(before, Capture()));
    m_prompts->messages.clear();

    // Yes: the room becomes the box round the cameras, every one inside it.
    m_prompts->answers.push_back(PromptAnswer::Yes);
    AnswerChoice(Path("wide.toml"), "+z");
    Trigger(MenuCommand::ImportCalibration);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 30000);
    QVERIFY(finished.at(1).at(0).toBool());
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    const SceneSettings& s = *GetSceneSettings();
    QVERIFY2(s.GetRoomLength() > 10.0f, qPrintable(QString::number(s.GetRoomLength())));
    const CCameraSet& set = CCameraSet::Instance();
    for (int i = 0; i < 4; ++i) {
        const Vec3d at = set.GetFilePosition(i);
        QVERIFY(at.x >= 0 && at.x <= s.GetRoomLength() && at.y >= 0 && at.y <= s.GetRoomHeight() && at.z >= 0 &&
                at.z <= s.GetRoomWidth());
    }
    // Their distances apart are the calibration's.
    const Vec3d a = set.GetFilePosition(1), b = set.GetFilePosition(0);
    const Vec3d p = outside.GetFilePosition(1), q = outside.GetFilePosition(0);
    QVERIFY(std::abs(std::hypot(a.x - b.x, a.y - b.y, a.z - b.z) - std::hypot(p.x - q.x, p.y - q.y, p.z - q.z)) < 1e-5);
}

void AsBuiltWindowTest::comparisonShowsThePartnersFiguresAndTheDifference()
{
    EnterCameras(4);
    VaryRig();
    RenderAndSettle();
    // As built: camera 2 sits 10 cm along the room and looks 25 degrees further round.
    CCameraSet built = CCameraSet::Instance();
    const Vec3d at = built.GetFilePosition(1);
    built.SetFilePosition(1, {at.x + 0.1, at.y, at.z});
    built.SetHTilt(1, built.GetHTilt(1) + 25.0f);
    built.RecomputeFieldOfView();
    QCOMPARE(Export(built, Path("built.toml")), std::string());

    QSignalSpy finished(&Compare(), &CAsBuiltCompareCommand::comparisonFinished);
    AnswerChoice(Path("built.toml"), "+z", "none");
    Trigger(MenuCommand::CompareAsBuilt);
    // The partner works behind a busy message; the window goes on.
    QVERIFY(Compare().Partner().IsRunning());
    QVERIFY(Compare().Partner().Progress() && Compare().Partner().Progress()->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
    QVERIFY(Compare().Partner().Progress() == nullptr);
    QVERIFY2(finished.at(0).at(0).toBool(), m_prompts->reasons.empty() ? "" : m_prompts->reasons.back().c_str());
    QVERIFY(Compare().Window() && Compare().Window()->isVisible());
    const AsBuiltFigures& figures = *Compare().Figures();
    QCOMPARE(figures.cameras.size(), size_t{4});
    for (const AsBuiltFigures::Camera& camera : figures.cameras) {
        QCOMPARE(camera.asBuiltNumber, camera.planNumber);
        if (camera.planNumber == 2) {
            QVERIFY2(std::abs(camera.positionMm - 100.0) < 0.5, qPrintable(QString::number(camera.positionMm)));
            QVERIFY(camera.aimDeg > 10.0);
        } else {
            QVERIFY(camera.positionMm < 0.5);
            QVERIFY(camera.aimDeg < 0.05);
        }
    }
    const QTableWidget& table = Compare().Window()->Cameras();
    QCOMPARE(table.rowCount(), 4);
    QCOMPARE(table.item(1, 0)->text(), QString("2"));
    QVERIFY2(table.item(1, 2)->text().startsWith("100."), qPrintable(table.item(1, 2)->text()));
    QCOMPARE(table.item(0, 2)->text(), QString("0.0"));
    QVERIFY(Compare().Window()->AlignmentText().contains("none"));

    // The figures are those `compare` prints for the same plan and calibration.
    QVERIFY(WriteProjectFile(Path("plan.vplan").toStdString(), WindowPlan()));
    QProcess cli;
    cli.start(VP_CLI_PATH, {"compare", "--project", Path("plan.vplan"), "--as-built", Path("built.toml"),
                            "--as-built-up", "+z", "--align", "none"});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    const AsBuiltFiguresResult printed = ParseComparisonOutput(cli.readAllStandardOutput().toStdString());
    QVERIFY(printed.figures);
    const AsBuiltFigures& p = *printed.figures;
    QCOMPARE(figures.scale, p.scale);
    QCOMPARE(figures.rmsMm, p.rmsMm);
    for (size_t k = 0; k < p.cameras.size(); ++k) {
        QCOMPARE(figures.cameras[k].positionMm, p.cameras[k].positionMm);
        QCOMPARE(figures.cameras[k].aimDeg, p.cameras[k].aimDeg);
        QCOMPARE(figures.cameras[k].rollDeg, p.cameras[k].rollDeg);
        QCOMPARE(figures.cameras[k].focalFoundMm, p.cameras[k].focalFoundMm);
    }
    QCOMPARE(figures.plannedM3, p.plannedM3);
    QCOMPARE(figures.asBuiltM3, p.asBuiltM3);
    QCOMPARE(figures.gainedM3, p.gainedM3);
    QCOMPARE(figures.lostM3, p.lostM3);
    QVERIFY(figures.markerPlannedM3 == p.markerPlannedM3 && figures.markerLostM3 == p.markerLostM3);
    QVERIFY(p.gainedM3 + p.lostM3 > 0.0);
    QCOMPARE(Compare().Window()->Coverage().item(0, 1)->text(), QString::number(p.plannedM3, 'f', 3));

    // The Difference display: lost red, gained green, drawn in the view.
    QSignalSpy shown(&Compare(), &CAsBuiltCompareCommand::differenceShown);
    Compare().Window()->DifferenceBox().setChecked(true);
    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 60000);
    QVERIFY(shown.at(0).at(0).toBool());
    QVERIFY(m_dlg->View()->Renderer().GetDifference() != nullptr);
    m_dlg->View()->RequestRepaint();
    QTest::qWait(300);
    const QImage frame = m_dlg->View()->grabFramebuffer();
    // Kept for looking at when asked: VP_KEEP_PICTURES=FOLDER.
    if (qEnvironmentVariableIsSet("VP_KEEP_PICTURES")) {
        const QString folder = qEnvironmentVariable("VP_KEEP_PICTURES");
        QVERIFY(frame.save(folder + "/difference.png"));
        QVERIFY(Compare().Window()->grab().save(folder + "/comparison.png"));
    }
    const auto colouredIn = [](const QImage& picture) {
        int coloured = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QColor c = picture.pixelColor(x, y);
                const bool red = c.red() > 120 && c.green() < 60 && c.blue() < 60;
                const bool green = c.green() > 110 && c.red() < 70 && c.blue() < 90;
                coloured += red || green ? 1 : 0;
            }
        return coloured;
    };
    const int coloured = colouredIn(frame);
    QVERIFY2(coloured > 50, qPrintable(QString::number(coloured)));
    // The Planner view shows it too, and says so.
    Trigger(MenuCommand::PlannerView);
    QTest::qWait(300);
    const QImage planner = m_dlg->View()->grabFramebuffer();
    if (qEnvironmentVariableIsSet("VP_KEEP_PICTURES"))
        QVERIFY(planner.save(qEnvironmentVariable("VP_KEEP_PICTURES") + "/difference-planner.png"));
    QVERIFY2(colouredIn(planner) > 50, qPrintable(QString::number(colouredIn(planner))));
    QVERIFY(QString::fromStdString(m_dlg->View()->Renderer().GetPlannerStatus().at(0)).contains("Difference"));
    Trigger(MenuCommand::PlannerView);

    // Closing the comparison shows the plan's own display again.
    Compare().Window()->close();
    QTRY_VERIFY(m_dlg->View()->Renderer().GetDifference() == nullptr);

    // The report with its "As built" section, through the report partner.
    QSignalSpy report(&m_menu->Report(), &CReportCommands::reportFinished);
    m_prompts->files.push_back(Path("report.html").toStdString());
    Compare().Window()->ReportButton().click();
    QTRY_COMPARE_WITH_TIMEOUT(report.count(), 1, 300000);
    QVERIFY2(report.at(0).at(0).toBool(), m_prompts->reasons.empty() ? "" : m_prompts->reasons.back().c_str());
    std::ifstream in(Path("report.html").toStdString());
    std::ostringstream html;
    html << in.rdbuf();
    QVERIFY(html.str().find("<th>As built</th>") != std::string::npos);
}

QTEST_MAIN(AsBuiltWindowTest)
#include "AsBuiltWindowTest.moc"
