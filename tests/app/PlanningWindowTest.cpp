#include "MenuWindowFixture.h"

#include "app/DialogLayout.h"
#include "app/MainMenu.h"
#include "app/PlanningPanel.h"
#include "app/VolumePlannerDlg.h"
#include "cameras/CameraSet.h"
#include "classic/ClassicParameters.h"
#include "coverage/CoverageFigures.h"
#include "coverage/CoverageVolume.h"
#include "coverage/PlanningMeasures.h"
#include "coverage/QualityDisplay.h"
#include "render/QualityLegend.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"
#include "scene/SceneSettings.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

// Drives the menu bar and the Planning panel of the real main window on an X display.
class PlanningWindowTest : public QObject, CMenuWindowFixture
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void menuBarMovesTheClassicWindowDownAndThePanelWidensIt();
    void fileMenuRunsTheClassicCommands();
    void viewMenuChoosesTheDisplay_data();
    void viewMenuChoosesTheDisplay();
    void qualityMeasureFromTheViewMenu();
    void helpMessages();
    void panelTurnsPlanningOnAndFollowsTheRig();
    void figuresFollowTheMarkerSize();
    void seenFiguresAreTheReportsFigures();
    void refusedSettingKeepsThePreviousValue_data();
    void refusedSettingKeepsThePreviousValue();
    void cameraTypeAndCustomPixels();
    void calibratedLensOfTheSelectedCamera();
    void qualityDisplayLegendOnScreen();
    void qualityThresholdHidesVoxels();

  private:
    void OpenPanelAndRender(int cameras);
    // Serves the pending repaints, including any computation they run.
    void SettleView();
    // Selects the box's text, types the new one and presses Enter.
    static void TypeAndEnter(QLineEdit* box, const QString& text);
    // The whole window as a PNG in VP_SCREENSHOT_DIR, when that is set, for a person to look at.
    void SaveScreenshot(const QString& name) const;
    QLineEdit* CameraBox(int camera, int column) const
    {
        return static_cast<QLineEdit*>(m_menu->Panel()->CameraTable()->cellWidget(camera, column));
    }
    SceneSettings& Settings() const { return *GetSceneSettings(); }
    CVolumeView& View() const { return *m_dlg->View(); }

    QTemporaryDir m_dir;
};

void PlanningWindowTest::init()
{
    OpenWindow();
}

void PlanningWindowTest::cleanup()
{
    CloseWindow();
}

void PlanningWindowTest::OpenPanelAndRender(int cameras)
{
    Trigger(MenuCommand::PlanningPanel);
    QVERIFY(m_menu->Panel() && m_menu->Panel()->isVisible());
    EnterCameras(cameras);
    QTest::mouseClick(Ctl(kIdRender), Qt::LeftButton);
    SettleView();
    QTRY_VERIFY(View().GetPlanning().HasResults());
    QTRY_VERIFY(m_menu->Panel()->TriangulableFigure()->text() != "-");
}

void PlanningWindowTest::SettleView()
{
    for (int i = 0; i < 4; ++i) {
        QTest::qWait(50);
        if (!Settings().GetRecalculate())
            return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(!Settings().GetRecalculate(), 60000);
}

void PlanningWindowTest::TypeAndEnter(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

void PlanningWindowTest::SaveScreenshot(const QString& name) const
{
    if (const char* dir = std::getenv("VP_SCREENSHOT_DIR"))
        m_dlg->grab().save(QDir(dir).filePath(name));
}

void PlanningWindowTest::menuBarMovesTheClassicWindowDownAndThePanelWidensIt()
{
    const int bar = m_menu->MenuBar()->height();
    QVERIFY(bar > 10);
    QCOMPARE(m_menu->MenuBar()->geometry().topLeft(), QPoint(0, 0));
    QCOMPARE(m_dlg->size(), QSize(1251, 834 + bar));
    QCOMPARE(m_dlg->View()->geometry(), QRect(7, 7 + bar, 1000, 725));
    // Every control sits where the classic window has it, one bar lower.
    const CVolumePlannerDlg classic;
    for (size_t n = 0; n < kDialogControlCount; ++n) {
        const int id = kDialogControls[n].id;
        if (id == kIdNone)
            continue;
        QCOMPARE(Ctl(id)->geometry(), classic.Control(id)->geometry().translated(0, bar));
    }

    Trigger(MenuCommand::PlanningPanel);
    QVERIFY(m_menu->Action(MenuCommand::PlanningPanel)->isChecked());
    const QRect panel = m_menu->Panel()->geometry();
    QVERIFY(m_dlg->width() > 1251);
    QVERIFY(panel.left() >= 1251);
    QVERIFY(panel.right() < m_dlg->width());
    QVERIFY(panel.top() >= bar);
    QCOMPARE(m_dlg->height(), 834 + bar);
    QCOMPARE(m_dlg->View()->geometry(), QRect(7, 7 + bar, 1000, 725));
    Trigger(MenuCommand::PlanningPanel);
    QVERIFY(!m_menu->Panel()->isVisible());
    QCOMPARE(m_dlg->size(), QSize(1251, 834 + bar));
}

void PlanningWindowTest::fileMenuRunsTheClassicCommands()
{
    QCOMPARE(m_menu->Action(MenuCommand::LoadFile)->text(), QString("&Load File..."));
    QCOMPARE(m_menu->Action(MenuCommand::SaveProject)->shortcut(), QKeySequence(QKeySequence::Save));
    QCOMPARE(m_menu->Action(MenuCommand::OpenProject)->shortcut(), QKeySequence(QKeySequence::Open));
    QCOMPARE(m_menu->Action(MenuCommand::SaveProjectAs)->shortcut(), QKeySequence("Ctrl+Shift+S"));
    QCOMPARE(m_menu->Action(MenuCommand::Quit)->shortcut(), QKeySequence("Ctrl+Q"));

    // Save before any rig: the classic refusal.
    Trigger(MenuCommand::SaveFile);
    QCOMPARE(m_prompts->Texts(), std::vector<std::string>{"No cameras loaded"});

    const std::string path = QDir(m_dir.path()).filePath("five.txt").toStdString();
    EnterCameras(5);
    m_prompts->messages.clear();
    m_prompts->files = {path};
    Trigger(MenuCommand::SaveFile);
    QCOMPARE(m_prompts->saveRequests.back().title, std::string("Save Camera Data File"));
    QVERIFY(std::filesystem::exists(path));

    // Loading the five cameras back over a rig of two; the open panel's table follows.
    Trigger(MenuCommand::PlanningPanel);
    EnterCameras(2);
    QCOMPARE(m_menu->Panel()->CameraTable()->rowCount(), 2);
    m_prompts->files = {path};
    Trigger(MenuCommand::LoadFile);
    QCOMPARE(m_prompts->openRequests.back().title, std::string("Open Camera Data File"));
    QCOMPARE(Settings().GetCameraCount(), 5u);
    QCOMPARE(static_cast<QLineEdit*>(Ctl(kIdCameraCount))->text(), QString("5"));
    QCOMPARE(m_menu->Panel()->CameraTable()->rowCount(), 5);
    QVERIFY(m_prompts->messages.empty());

    // The shortcut reaches the menu from the view too.
    m_dlg->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
    m_dlg->View()->setFocus();
    QTest::keyClick(m_dlg->View(), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!m_dlg->isVisible());
    QCOMPARE(m_dlg->result(), int(QDialog::Rejected));
}

void PlanningWindowTest::viewMenuChoosesTheDisplay_data()
{
    QTest::addColumn<int>("display");
    QTest::addColumn<bool>("selective");
    QTest::addColumn<int>("twoD"); // -1: left as it was
    QTest::addColumn<bool>("quality");
    QTest::newRow("resolution map") << int(MenuCommand::ResolutionMap) << false << 0 << false;
    QTest::newRow("camera count") << int(MenuCommand::CameraCount2D) << false << 1 << false;
    QTest::newRow("selective") << int(MenuCommand::SelectiveCameras) << true << -1 << false;
    QTest::newRow("quality") << int(MenuCommand::Quality) << false << -1 << true;
}

void PlanningWindowTest::viewMenuChoosesTheDisplay()
{
    QFETCH(int, display);
    QFETCH(bool, selective);
    QFETCH(int, twoD);
    QFETCH(bool, quality);
    // From the opposite flags, so every flag the choice sets is seen to change.
    Settings().SetSelectiveCameras(!selective && !quality);
    Settings().Set2DView(twoD != 1);
    View().SetQualityDisplay(!quality);

    Trigger(static_cast<MenuCommand>(display));
    QCOMPARE(View().IsQualityDisplay(), quality);
    QCOMPARE(Settings().GetSelectiveCameras(), selective);
    if (twoD >= 0)
        QCOMPARE(Settings().Get2DView(), twoD == 1);
    QVERIFY(m_menu->Action(static_cast<MenuCommand>(display))->isChecked());

    // The marks follow the classic toggles: after the 2D/3D button the
    // opened menu shows what the view draws.
    View().SetQualityDisplay(false);
    Settings().SetSelectiveCameras(false);
    Settings().Set2DView(false);
    QTest::mouseClick(Ctl(kId2D3DView), Qt::LeftButton);
    QMenu* viewMenu = m_menu->MenuBar()->actions().at(1)->menu();
    QCOMPARE(viewMenu->title(), QString("&View"));
    emit viewMenu->aboutToShow();
    QVERIFY(m_menu->Action(MenuCommand::CameraCount2D)->isChecked());
}

void PlanningWindowTest::qualityMeasureFromTheViewMenu()
{
    QCOMPARE(View().GetQualityMeasure(), PlanningMeasure::Cameras);
    QVERIFY(m_menu->Action(MenuCommand::MeasureCameras)->isChecked());
    const std::pair<MenuCommand, PlanningMeasure> choices[] = {
        {MenuCommand::MeasureSigma, PlanningMeasure::Sigma},
        {MenuCommand::MeasureAngle, PlanningMeasure::Angle},
        {MenuCommand::MeasureMarkerPx, PlanningMeasure::MarkerPx},
        {MenuCommand::MeasureCameras, PlanningMeasure::Cameras}};
    for (const auto& [command, measure] : choices) {
        Trigger(command);
        QCOMPARE(View().GetQualityMeasure(), measure);
        QCOMPARE(m_menu->Action(command)->text(), QString(PlanningMeasureName(measure)));
    }
}

void PlanningWindowTest::helpMessages()
{
    Trigger(MenuCommand::MouseAndKeys);
    Trigger(MenuCommand::About);
    QCOMPARE(m_prompts->messages.size(), size_t{2});
    QVERIFY(m_prompts->messages[0].text.find("Arrow keys") != std::string::npos);
    QVERIFY(m_prompts->messages[0].text.find("Shift") != std::string::npos);
    QVERIFY(m_prompts->messages[1].text.find("Volume Planner " VP_VERSION) != std::string::npos);
}

void PlanningWindowTest::panelTurnsPlanningOnAndFollowsTheRig()
{
    QVERIFY(!View().IsPlanningEnabled());
    QVERIFY(!m_menu->Panel());
    Trigger(MenuCommand::PlanningPanel);
    QVERIFY(View().IsPlanningEnabled());
    CPlanningPanel* panel = m_menu->Panel();
    QCOMPARE(panel->CameraTable()->rowCount(), 0);
    // The boxes show the settings in force.
    QCOMPARE(panel->SettingBox(CPlanningPanel::kMarkerMm)->text(), QString("14"));
    QCOMPARE(panel->SettingBox(CPlanningPanel::kPixelNoisePx)->text(), QString("0.5"));
    QCOMPARE(panel->SettingBox(CPlanningPanel::kMaxAngleDeg)->text(), QString("140"));

    for (const int n : {3, 6, 1}) {
        EnterCameras(n);
        QCOMPARE(panel->CameraTable()->rowCount(), n);
        QCOMPARE(panel->CameraTable()->item(n - 1, CPlanningPanel::kColNumber)->text(), QString::number(n));
    }
    Trigger(MenuCommand::PlanningPanel);
    QVERIFY(!View().IsPlanningEnabled());
    Trigger(MenuCommand::PlanningPanel);
    QVERIFY(View().IsPlanningEnabled());
    QCOMPARE(m_menu->Panel(), panel);
}

void PlanningWindowTest::seenFiguresAreTheReportsFigures()
{
    OpenPanelAndRender(4);
    // One camera disabled after the coverage: the panel's measures recount
    // without a RENDER, and still state what the report states.
    CCameraSet::Current()->SetEnabled(3, 0);
    View().RequestPlanningUpdate();
    View().RequestRepaint();
    SettleView();
    const CCoverageVolume& volume = View().Renderer().GetVolume();
    QTRY_COMPARE(View().GetPlanning().SeenAtLeast().size(), size_t{4});
    const std::vector<double> reported = VolumeSeenAtLeast(SeenHistogram(volume, 3), volume.GetVoxelEdge());
    QTableWidget* counts = m_menu->Panel()->CountFigures();
    QTRY_COMPARE(counts->rowCount(), 3);
    for (int k = 1; k <= 3; ++k)
        QCOMPARE(counts->item(k - 1, 0)->text(), QString::number(reported[static_cast<size_t>(k)], 'f', 3));
}

void PlanningWindowTest::figuresFollowTheMarkerSize()
{
    OpenPanelAndRender(4);
    CPlanningPanel* panel = m_menu->Panel();
    const CPlanningMeasures& planning = View().GetPlanning();
    QCOMPARE(panel->CountFigures()->rowCount(), 4);
    // The panel shows the figures the renderer computed.
    QCOMPARE(panel->CountFigures()->item(1, 1)->text(),
             QString::number(planning.VolumeOf(planning.MarkerAtLeast()[2]), 'f', 3));
    QCOMPARE(panel->TriangulableFigure()->text(),
             QString::number(planning.VolumeOf(planning.TriangulableCount()), 'f', 3));
    const QString markerBefore = panel->CountFigures()->item(1, 1)->text();
    const QString seenBefore = panel->CountFigures()->item(1, 0)->text();
    const QString triangulableBefore = panel->TriangulableFigure()->text();
    const double reachBefore = panel->CameraTable()->item(0, CPlanningPanel::kColReach)->text().toDouble();
    QVERIFY(reachBefore > 0.0);
    SaveScreenshot("planning_panel_14mm.png");

    // A 2 mm marker images in fewer pixels: less volume sees it, the reach
    // shrinks; the classic "seen" figure stays.
    TypeAndEnter(panel->SettingBox(CPlanningPanel::kMarkerMm), "2");
    QVERIFY(m_prompts->messages.empty());
    QCOMPARE(GetPlanningSettings().markerDiameterMm, 2.0);
    QVERIFY(!Settings().GetRecalculate()); // Enter in the panel is no RENDER
    QTRY_VERIFY(panel->CountFigures()->item(1, 1)->text() != markerBefore);
    QVERIFY(panel->CountFigures()->item(1, 1)->text().toDouble() < markerBefore.toDouble());
    QVERIFY(panel->TriangulableFigure()->text().toDouble() < triangulableBefore.toDouble());
    QCOMPARE(panel->CountFigures()->item(1, 0)->text(), seenBefore);
    const double reachAfter = panel->CameraTable()->item(0, CPlanningPanel::kColReach)->text().toDouble();
    // R - f scales with D; f is a few millimetres against metres of reach.
    QVERIFY(std::abs(reachAfter / reachBefore - 2.0 / 14.0) < 0.01);
    SaveScreenshot("planning_panel_2mm.png");
}

void PlanningWindowTest::refusedSettingKeepsThePreviousValue_data()
{
    QTest::addColumn<int>("setting");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("named");
    QTest::newRow("marker not a number") << int(CPlanningPanel::kMarkerMm) << "abc"
                                         << "marker diameter";
    QTest::newRow("marker zero") << int(CPlanningPanel::kMarkerMm) << "0"
                                 << "marker diameter";
    QTest::newRow("min px negative") << int(CPlanningPanel::kMinImagePx) << "-3"
                                     << "minimum marker image";
    QTest::newRow("min angle above max") << int(CPlanningPanel::kMinAngleDeg) << "150"
                                         << "angle range";
    QTest::newRow("max angle above 180") << int(CPlanningPanel::kMaxAngleDeg) << "181"
                                         << "angle range";
    QTest::newRow("noise empty") << int(CPlanningPanel::kPixelNoisePx) << ""
                                 << "image noise";
    QTest::newRow("bound trailing text") << int(CPlanningPanel::kSigmaBoundMm) << "1mm"
                                         << "3D error bound";
}

void PlanningWindowTest::refusedSettingKeepsThePreviousValue()
{
    QFETCH(int, setting);
    QFETCH(QString, typed);
    QFETCH(QString, named);
    Trigger(MenuCommand::PlanningPanel);
    QLineEdit* box = m_menu->Panel()->SettingBox(setting);
    const QString before = box->text();
    const PlanningSettings stored = GetPlanningSettings();

    TypeAndEnter(box, typed);
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    const std::string& text = m_prompts->messages[0].text;
    QVERIFY2(text.find(named.toStdString()) != std::string::npos, text.c_str());
    QVERIFY(text.find("previous value is kept") != std::string::npos);
    QCOMPARE(box->text(), before);
    QVERIFY(!CheckPlanningSettings(GetPlanningSettings()));
    QCOMPARE(GetPlanningSettings().markerDiameterMm, stored.markerDiameterMm);
    QCOMPARE(GetPlanningSettings().minAngleDeg, stored.minAngleDeg);
    QCOMPARE(GetPlanningSettings().maxAngleDeg, stored.maxAngleDeg);
    QCOMPARE(GetPlanningSettings().sigmaBoundMm, stored.sigmaBoundMm);

    // Leaving the restored box asks nothing more.
    box->clearFocus();
    QCOMPARE(m_prompts->messages.size(), size_t{1});
}

void PlanningWindowTest::cameraTypeAndCustomPixels()
{
    Trigger(MenuCommand::PlanningPanel);
    EnterCameras(2);
    CCameraSet& cams = CCameraSet::Instance();
    QTableWidget* table = m_menu->Panel()->CameraTable();
    auto* type = static_cast<QComboBox*>(table->cellWidget(1, CPlanningPanel::kColType));
    QCOMPARE(type->count(), kCameraTypeCount + 1);
    QCOMPARE(type->itemText(kCameraTypeCount), QString("Custom"));
    QCOMPARE(type->currentIndex(), 0);
    QCOMPARE(CameraBox(1, CPlanningPanel::kColPixelsX)->text(), QString("1280"));
    QVERIFY(!CameraBox(1, CPlanningPanel::kColPixelsX)->isEnabled());
    const QString reachT4 = table->item(1, CPlanningPanel::kColReach)->text();

    type->setCurrentIndex(1);
    emit type->activated(1);
    QCOMPARE(cams.GetCameraType(1), 1);
    QCOMPARE(CameraBox(1, CPlanningPanel::kColPixelsY)->text(), QString("493"));
    QVERIFY(table->item(1, CPlanningPanel::kColReach)->text() != reachT4);
    QCOMPARE(cams.GetCameraType(0), 0);

    // Custom keeps the pixels the camera had until others are entered.
    type->setCurrentIndex(kCameraTypeCount);
    emit type->activated(kCameraTypeCount);
    QCOMPARE(cams.GetCameraType(1), kCustomCameraType);
    QCOMPARE(cams.GetSensorPixelsX(1), 659);
    QVERIFY(CameraBox(1, CPlanningPanel::kColPixelsX)->isEnabled());

    struct Refused {
        int column;
        const char* typed;
    };
    for (const Refused& r : {Refused{CPlanningPanel::kColPixelsX, "0"}, Refused{CPlanningPanel::kColPixelsY, "-5"},
                             Refused{CPlanningPanel::kColPixelsX, "12.5"}, Refused{CPlanningPanel::kColPixelsY, "x"}}) {
        m_prompts->messages.clear();
        TypeAndEnter(CameraBox(1, r.column), r.typed);
        QCOMPARE(m_prompts->messages.size(), size_t{1});
        QVERIFY(m_prompts->messages[0].text.find("at least 1") != std::string::npos);
        QCOMPARE(CameraBox(1, CPlanningPanel::kColPixelsX)->text(), QString("659"));
        QCOMPARE(CameraBox(1, CPlanningPanel::kColPixelsY)->text(), QString("493"));
        QCOMPARE(cams.GetSensorPixelsY(1), 493);
    }

    m_prompts->messages.clear();
    TypeAndEnter(CameraBox(1, CPlanningPanel::kColPixelsX), "2560");
    TypeAndEnter(CameraBox(1, CPlanningPanel::kColPixelsY), "2048");
    QVERIFY(m_prompts->messages.empty());
    QCOMPARE(cams.GetSensorPixelsX(1), 2560);
    QCOMPARE(cams.GetSensorPixelsY(1), 2048);
    // Twice the pixels of the T4 on the same frame: about twice its reach.
    const double ratio = table->item(1, CPlanningPanel::kColReach)->text().toDouble() / reachT4.toDouble();
    QVERIFY2(std::abs(ratio - 2.0) < 0.02, qPrintable(QString::number(ratio)));
}

namespace
{

// Whether the frame's pixel at the legend bar's height f (0 at its bottom,
// 1 at its top) has the colour of its swatch there: the legend of four
// cameras has one per count from 0 to 4.
bool LegendBarShows(const QImage& frame, double f)
{
    const QualityLegendLayout layout;
    const int x = kQualityLegendViewport[0] + (layout.barLeft + layout.barRight) / 2;
    const int glY =
        kQualityLegendViewport[1] + layout.barBottom + static_cast<int>(f * (layout.barTop - layout.barBottom));
    const QColor seen = frame.pixelColor(x, frame.height() - 1 - glY);
    const QualityRgb want = QualityColor(std::floor(f * 5.0) / 4.0);
    // The bar is shaded from colour samples: a few levels either way.
    return std::abs(seen.redF() - want[0]) < 0.06 && std::abs(seen.greenF() - want[1]) < 0.06 &&
           std::abs(seen.blueF() - want[2]) < 0.06;
}

} // namespace

// A camera built from a calibration shows its principal point and
// distortion, read only, while it is the selected one.
void PlanningWindowTest::calibratedLensOfTheSelectedCamera()
{
    Trigger(MenuCommand::PlanningPanel);
    EnterCameras(3);
    CPlanningPanel* panel = m_menu->Panel();
    QVERIFY(panel->CalibrationBox()->isHidden());
    CCameraSet::Instance().SetCalibratedLens(1, CalibratedLens{640.5, 511.25, {-0.21, 0.05, 0.001}});
    CCameraSet::Instance().SetCalibratedLens(2, CalibratedLens{320, 240, {}});
    auto* selector = static_cast<QComboBox*>(Ctl(kIdCameraSelector));
    const auto select = [selector](int camera) {
        selector->setCurrentIndex(camera);
        emit selector->activated(camera);
    };
    select(1);
    QCOMPARE(m_dlg->GetSelectedCamera(), 1);
    QVERIFY(panel->CalibrationBox()->isVisible());
    QCOMPARE(panel->CalibrationBox()->title(), QString("Calibration of camera 2"));
    QCOMPARE(panel->PrincipalPointFigure()->text(), QString("640.5, 511.25"));
    QCOMPARE(panel->DistortionFigure()->text(), QString("-0.21, 0.05, 0.001"));
    QVERIFY(!(panel->DistortionFigure()->textInteractionFlags() & Qt::TextEditable));
    QTest::qWait(50); // the panel lays the box out
    SaveScreenshot("planning_panel_calibration.png");
    panel->ShowCalibratedLens(2);
    QCOMPARE(panel->DistortionFigure()->text(), QString("none"));
    panel->ShowCalibratedLens(0);
    QVERIFY(panel->CalibrationBox()->isHidden());
    // Another sensor for the camera: its calibration no longer applies.
    panel->ShowCalibratedLens(1);
    QVERIFY(panel->CalibrationBox()->isVisible());
    auto* type = static_cast<QComboBox*>(panel->CameraTable()->cellWidget(1, CPlanningPanel::kColType));
    type->setCurrentIndex(2);
    emit type->activated(2);
    QVERIFY(!CCameraSet::Instance().GetCalibratedLens(1));
    QVERIFY(panel->CalibrationBox()->isHidden());
}

void PlanningWindowTest::qualityDisplayLegendOnScreen()
{
    EnterCameras(4);
    QTest::mouseClick(Ctl(kIdRender), Qt::LeftButton);
    SettleView();
    const double probes[] = {0.05, 0.5, 0.95};
    const QImage classic = View().grabFramebuffer();
    for (const double f : probes)
        QVERIFY2(!LegendBarShows(classic, f), qPrintable(QString::number(f)));

    Trigger(MenuCommand::Quality);
    QVERIFY(View().IsQualityDisplay());
    QTRY_VERIFY(View().GetPlanning().HasResults());
    const QImage quality = View().grabFramebuffer();
    SaveScreenshot("quality_window.png");
    for (const double f : probes)
        QVERIFY2(LegendBarShows(quality, f), qPrintable(QString::number(f)));

    Trigger(MenuCommand::ResolutionMap);
    QVERIFY(!View().IsQualityDisplay());
    QVERIFY(!LegendBarShows(View().grabFramebuffer(), 0.5));
}

void PlanningWindowTest::qualityThresholdHidesVoxels()
{
    OpenPanelAndRender(4);
    Trigger(MenuCommand::Quality);
    const QImage all = View().grabFramebuffer();
    CPlanningPanel* panel = m_menu->Panel();
    QComboBox* op = panel->ThresholdOperator();
    QCOMPARE(op->currentIndex(), 0);
    QVERIFY(!panel->ThresholdValue()->isEnabled());

    // Only where all four cameras see a marker: the fringe of the volume goes.
    op->setCurrentIndex(4); // ">="
    emit op->activated(4);
    QVERIFY(panel->ThresholdValue()->isEnabled());
    TypeAndEnter(panel->ThresholdValue(), "4");
    QCOMPARE(View().GetQualityThreshold(), std::optional<QualityThreshold>(QualityThreshold{3, 4.0f}));
    const QImage four = View().grabFramebuffer();
    SaveScreenshot("quality_threshold.png");
    int changed = 0;
    for (int y = 150; y < 600; ++y)
        for (int x = 250; x < 720; ++x)
            changed += all.pixel(x, y) != four.pixel(x, y);
    QVERIFY2(changed > 2000, qPrintable(QString::number(changed)));

    TypeAndEnter(panel->ThresholdValue(), "four");
    QCOMPARE(m_prompts->Texts(),
             std::vector<std::string>{"The Quality threshold must be a number. The previous threshold is kept."});
    QCOMPARE(panel->ThresholdValue()->text(), QString("4"));
    QCOMPARE(View().GetQualityThreshold()->value, 4.0f);

    op->setCurrentIndex(0);
    emit op->activated(0);
    QVERIFY(!View().GetQualityThreshold());
    QVERIFY(!panel->ThresholdValue()->isEnabled());
}

QTEST_MAIN(PlanningWindowTest)
#include "PlanningWindowTest.moc"
