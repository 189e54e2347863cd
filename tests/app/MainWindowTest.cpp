#include "ScriptedPrompts.h"

#include "app/DialogLayout.h"
#include "app/UpDownControl.h"
#include "app/VolumePlannerDlg.h"
#include "cameras/CameraSet.h"
#include "classic/ClassicParameters.h"
#include "coverage/CoverageVolume.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

// Drives the real main window, with its OpenGL view, on an X display.
class MainWindowTest : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void startsEmptyWithTheSliderFromTheRoom();
    void enterCommitsACountOrRefusesIt_data();
    void enterCommitsACountOrRefusesIt();
    void enterKeyRunsRenderFromAnyEditBox();
    void escapeClosesWithoutAQuestion();
    void renderStoresTheRoomAndRefusesUnusableSizes();
    void isoThresholdAboveTheRangeIsWrittenBack();
    void activeRangeRefusals();
    void unsavedEditsQuestionYesStoresNoDrops();
    void choosingAnotherCameraWithUnsavedEditsKeepsTheFirst();
    void focalLengthWatchArmsOnItsFirstChange();
    void updateSettingsStoresUserFrameAndKeepsAnIndeterminateEnable();
    void pixelCalculator();
    void loadFileFillsTheBoxesAndClearsAVanishedSelection();
    void aNewRigDropsEditsPendingForTheOldOne();
    void saveFileRules();
    void testImportsACalibrationWithoutCameras();
    void truncateAndFlagToggles();
    void escapeInTheViewAsksToEnd();
    void mouseTurnsAndTiltsAndShiftPansOnlyWhileHeld();
    void viewControlsChangeThePicture();
    void gridTooLargeIsReportedAndTheWindowGoesOn();
    void endToEndCoverageVolumeOnScreen();
    void cameraValuesThatCannotBeStoredAreRefused_data();
    void cameraValuesThatCannotBeStoredAreRefused();
    void enterAsksBeforeDroppingStoredChanges();
    void aNewRigShowsTheSelectedCamerasOwnValues();
    void aRoomChangeKeepsTheCamerasUserFramePositions();
    void refusedFilesAndGridsSayWhy();

  private:
    QWidget* Ctl(int id) const { return m_dlg->Control(id); }
    QLineEdit* Edit(int id) const { return qobject_cast<QLineEdit*>(Ctl(id)); }
    QComboBox* Combo(int id) const { return qobject_cast<QComboBox*>(Ctl(id)); }
    QString Text(int id) const;
    void Type(int id, const QString& text);
    void Click(int id);
    void Choose(int comboId, int index);
    void EnterCameras(int n);
    // Serves the pending repaints, including any computation they run.
    void SettleView();
    SceneSettings& Settings() const { return *GetSceneSettings(); }

    std::unique_ptr<CVolumePlannerDlg> m_dlg;
    CScriptedPrompts* m_prompts = nullptr;
    QTemporaryDir m_dir;
};

void MainWindowTest::init()
{
    // Process-wide values start as at program start for every test.
    g_bFocalLengthWatchArmed = false;
    g_fSceneScaleX = g_fSceneScaleY = g_fSceneScaleZ = 1.0f;
    ResetCoverageParameters();

    auto prompts = std::make_unique<CScriptedPrompts>();
    m_prompts = prompts.get();
    m_dlg = std::make_unique<CVolumePlannerDlg>(std::move(prompts));
    m_dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
    QTRY_VERIFY(m_dlg->IsSceneReady());
}

void MainWindowTest::cleanup()
{
    m_dlg.reset();
    m_prompts = nullptr;
}

QString MainWindowTest::Text(int id) const
{
    if (auto* label = qobject_cast<QLabel*>(Ctl(id)))
        return label->text();
    return Edit(id)->text();
}

void MainWindowTest::Type(int id, const QString& text)
{
    QLineEdit* edit = Edit(id);
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

void MainWindowTest::Click(int id)
{
    QTest::mouseClick(Ctl(id), Qt::LeftButton);
}

void MainWindowTest::Choose(int comboId, int index)
{
    QComboBox* combo = Combo(comboId);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void MainWindowTest::EnterCameras(int n)
{
    Edit(kIdCameraCount)->setText(QString::number(n));
    Click(kIdEnter);
    QCOMPARE(Settings().GetCameraCount(), static_cast<uint32_t>(n));
}

void MainWindowTest::SettleView()
{
    for (int i = 0; i < 4; ++i) {
        QTest::qWait(50);
        if (!Settings().GetRecalculate())
            return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(!Settings().GetRecalculate(), 60000);
}

void MainWindowTest::startsEmptyWithTheSliderFromTheRoom()
{
    QCOMPARE(m_dlg->windowTitle(), QString("Zarvoscope"));
    QCOMPARE(m_dlg->size(), QSize(1251, 834));
    QCOMPARE(m_dlg->View()->geometry(), QRect(7, 7, 1000, 725));
    for (const QLineEdit* edit : m_dlg->findChildren<QLineEdit*>())
        QVERIFY2(edit->text().isEmpty(), qPrintable(edit->objectName()));
    for (const QComboBox* combo : m_dlg->findChildren<QComboBox*>())
        QCOMPARE(combo->count(), 0);
    auto* slider = static_cast<QSlider*>(Ctl(kIdDimensions));
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), 25);
    QCOMPARE(slider->value(), 1);
    QCOMPARE(Text(kIdHFov), QString("0"));
    QCOMPARE(Text(kIdVFov), QString("0"));
    // Icon buttons show a picture and keep their caption as text and tooltip.
    auto* render = qobject_cast<QToolButton*>(Ctl(kIdRender));
    QVERIFY(!render->icon().isNull());
    QCOMPARE(render->text(), QString("RENDER"));
    QCOMPARE(render->toolTip(), QString("RENDER"));

    // The range is set once: a committed room and voxel size leave it alone.
    EnterCameras(2);
    Type(kIdVoxelSize, "10");
    Type(kIdRoomLength, "8");
    Click(kIdRender);
    QCOMPARE(GetVoxelSize(), 10.0f);
    QCOMPARE(slider->maximum(), 25);
}

void MainWindowTest::enterCommitsACountOrRefusesIt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // 0: refused
    QTest::newRow("4") << "4" << 4;
    QTest::newRow("3abc") << "3abc" << 3;
    QTest::newRow("abc") << "abc" << 0;
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("-2") << "-2" << 0;
    QTest::newRow("above the limit") << QString::number(kMaxCameras + 1) << 0;
    QTest::newRow("wraps to 4 if cut") << "4294967300" << 0;
}

void MainWindowTest::enterCommitsACountOrRefusesIt()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    Type(kIdCameraCount, text);
    Click(kIdEnter);
    if (expected == 0) {
        QCOMPARE(m_prompts->messages.size(), size_t{1});
        QCOMPARE(m_prompts->messages[0].text, std::string("Invalid Number of Cameras"));
        QCOMPARE(m_prompts->messages[0].caption, std::string("Error"));
        QCOMPARE(Settings().GetCameraCount(), 0u);
        QVERIFY(!m_dlg->AreCamerasInitialised());
        QVERIFY(Text(kIdRangeCount).isEmpty());
        return;
    }
    QVERIFY(m_prompts->messages.empty());
    const auto n = static_cast<uint32_t>(expected);
    QCOMPARE(Settings().GetCameraCount(), n);
    QCOMPARE(Settings().GetFirstCamera(), 0u);
    QCOMPARE(Settings().GetEndCamera(), n);
    QCOMPARE(GetIsoThreshold(), n);
    QVERIFY(Settings().GetRecalculate());
    QComboBox* selector = Combo(kIdCameraSelector);
    QCOMPARE(selector->count(), expected);
    QCOMPARE(selector->itemText(expected - 1), QString("Camera %1").arg(expected));
    QCOMPARE(selector->currentIndex(), -1);
    QCOMPARE(Text(kIdRangeCount), QString::number(expected));
    QCOMPARE(Text(kIdRangeFirst), QString("1"));
    QCOMPARE(Text(kIdIsoThreshold), QString::number(expected));
    QCOMPARE(Text(kIdUnits), QString("m"));
    QCOMPARE(Text(kIdRoomLength), QString("5.00"));
    QCOMPARE(Text(kIdVoxelSize), QString("20.00"));
    QCOMPARE(Text(kIdResBound1), QString("0.70"));
    QCOMPARE(Combo(kIdIsoOperator)->currentText(), QString("=="));
    QCOMPARE(Combo(kIdResOperator1)->currentText(), QString(">="));
    QCOMPARE(Combo(kIdResOperator2)->currentText(), QString("<="));
    QCOMPARE(Combo(kIdCameraType)->count(), 3);
    QCOMPARE(Combo(kIdCameraType)->currentIndex(), -1);
}

void MainWindowTest::enterKeyRunsRenderFromAnyEditBox()
{
    // Before any camera count: RENDER's two messages, and the Enter button does not run.
    Edit(kIdCameraCount)->setText("4");
    Edit(kIdCameraCount)->setFocus();
    QTest::keyClick(Edit(kIdCameraCount), Qt::Key_Return);
    QCOMPARE(m_prompts->Texts(), (std::vector<std::string>{"No Cameras Initialized", "Initialize Number of Cameras"}));
    QCOMPARE(Settings().GetCameraCount(), 0u);
    QVERIFY(m_dlg->isVisible());

    EnterCameras(3);
    m_prompts->messages.clear();
    Settings().SetRecalculate(false);
    Type(kIdRoomWidth, "7");
    Edit(kIdRoomWidth)->setFocus();
    QTest::keyClick(Edit(kIdRoomWidth), Qt::Key_Enter);
    QCOMPARE(Settings().GetRoomWidth(), 7.0f);
    QVERIFY(Settings().GetRecalculate());
    QVERIFY(m_prompts->messages.empty());
    QVERIFY(m_dlg->isVisible());
}

void MainWindowTest::escapeClosesWithoutAQuestion()
{
    EnterCameras(2);
    Choose(kIdCameraSelector, 0);
    QVERIFY(m_dlg->AreCameraEditsUnsaved());
    QTest::keyClick(Edit(kIdPositionX), Qt::Key_Escape);
    QVERIFY(!m_dlg->isVisible());
    QCOMPARE(m_dlg->result(), int(QDialog::Rejected));
    QVERIFY(m_prompts->messages.empty());
}

void MainWindowTest::renderStoresTheRoomAndRefusesUnusableSizes()
{
    EnterCameras(4);
    Type(kIdUnits, "F");
    Type(kIdRoomLength, "10");
    Type(kIdRoomWidth, "20");
    Type(kIdRoomHeight, "8");
    Type(kIdScaleY, "-2");
    Type(kIdVoxelSize, "25");
    Click(kIdRender);
    QVERIFY(m_prompts->messages.empty());
    QCOMPARE(Settings().GetUnits(), std::string("F"));
    QCOMPARE(Settings().GetRoomHeight(), 8.0f);
    QCOMPARE(Settings().GetDisplayCeiling(), 4.0f);
    QCOMPARE(g_fSceneScaleY, -2.0f); // any scale is taken
    QCOMPARE(GetVoxelSize(), 25.0f);
    SettleView();
    // The frame converted the feet.
    QCOMPARE(Settings().GetRoomLength(), 10.0f * kMetresPerFoot);
    QCOMPARE(Settings().GetUnits(), std::string("m"));

    // A unit other than M or F is ignored.
    Type(kIdUnits, "ft");
    Type(kIdRoomLength, "4");
    Click(kIdRender);
    QCOMPARE(Settings().GetUnits(), std::string("m"));
    QCOMPARE(Settings().GetRoomLength(), 4.0f);
    SettleView();

    const float widthBefore = Settings().GetRoomWidth();
    const char* unusable[][2] = {{"1045", "0"}, {"1046", "-3"},  {"1047", "abc"},
                                 {"1044", "0"}, {"1044", "nan"}, {"1045", "inf"}};
    for (const auto& [id, text] : unusable) {
        m_prompts->messages.clear();
        Settings().SetRecalculate(false);
        Type(kIdRoomLength, "6");
        Type(kIdRoomWidth, "5");
        Type(kIdRoomHeight, "3");
        Type(kIdVoxelSize, "30");
        Type(kIdScaleX, "9");
        Type(QByteArray(id).toInt(), text);
        Click(kIdRender);
        QCOMPARE(m_prompts->messages.size(), size_t{1});
        QCOMPARE(m_prompts->messages[0].caption, std::string("Invalid Action"));
        QCOMPARE(Settings().GetRoomLength(), 4.0f);
        QCOMPARE(Settings().GetRoomWidth(), widthBefore);
        QCOMPARE(GetVoxelSize(), 25.0f);
        QCOMPARE(g_fSceneScaleX, 1.0f);
        QVERIFY(!Settings().GetRecalculate());
    }
}

void MainWindowTest::isoThresholdAboveTheRangeIsWrittenBack()
{
    EnterCameras(6);
    SettleView();
    Type(kIdIsoThreshold, "7");
    Click(kIdIsoVolume);
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    QCOMPARE(m_prompts->messages[0].text, std::string(kIsoThresholdClampedMessage));
    QCOMPARE(m_prompts->messages[0].caption, std::string("Warning"));
    QCOMPARE(Text(kIdIsoThreshold), QString("6"));
    QVERIFY(!Settings().GetRecalculate());

    m_prompts->messages.clear();
    Type(kIdIsoThreshold, "3");
    Choose(kIdResOperator1, 4);
    Type(kIdResBound1, "0.5");
    Click(kIdIsoVolume);
    QVERIFY(m_prompts->messages.empty());
    QCOMPARE(GetIsoThreshold(), 3u);
    QCOMPARE(GetResOperator1(), 4u);
    QCOMPARE(GetResBound1(), 0.5f);
    QVERIFY(Settings().GetRecalculate());
    SettleView();

    // Range cameras 3 to 4: the end is 4, so 5 becomes 4; a negative number is refused too.
    Type(kIdRangeCount, "2");
    Type(kIdRangeFirst, "3");
    Click(kIdClick);
    SettleView();
    for (const char* text : {"5", "-1"}) {
        Type(kIdIsoThreshold, text);
        Click(kIdIsoVolume);
        QCOMPARE(Text(kIdIsoThreshold), QString("4"));
        QCOMPARE(GetIsoThreshold(), 4u);
    }
}

void MainWindowTest::activeRangeRefusals()
{
    EnterCameras(8);
    SettleView();
    Type(kIdRangeCount, "3");
    Type(kIdRangeFirst, "6");
    Click(kIdClick);
    QVERIFY(m_prompts->messages.empty());
    QCOMPARE(Settings().GetFirstCamera(), 5u);
    QCOMPARE(Settings().GetEndCamera(), 8u);
    QVERIFY(Settings().GetSelectiveCameras());
    SettleView();

    const char* refused[][3] = {{"4", "6", "Exceeding Total Cameras"},
                                {"2", "0", "Select at least 1 camera, starting from camera 1"},
                                {"0", "2", "Select at least 1 camera, starting from camera 1"},
                                {"x", "1", "Select at least 1 camera, starting from camera 1"}};
    for (const auto& [n, m, message] : refused) {
        m_prompts->messages.clear();
        Type(kIdRangeCount, n);
        Type(kIdRangeFirst, m);
        Click(kIdClick);
        QCOMPARE(m_prompts->Texts(), std::vector<std::string>{message});
        QCOMPARE(Settings().GetFirstCamera(), 5u);
        QCOMPARE(Settings().GetEndCamera(), 8u);
        QVERIFY(!Settings().GetRecalculate());
    }

    Click(kIdViewAllCams);
    QCOMPARE(Settings().GetFirstCamera(), 0u);
    QCOMPARE(Settings().GetEndCamera(), 8u);
    QVERIFY(Settings().GetSelectiveCameras()); // left as it was
}

void MainWindowTest::unsavedEditsQuestionYesStoresNoDrops()
{
    EnterCameras(4);
    SettleView();
    CCameraSet& cams = CCameraSet::Instance();
    // Showing a camera counts as an edit: its boxes were written.
    Choose(kIdCameraSelector, 1);
    QVERIFY(m_dlg->AreCameraEditsUnsaved());
    Type(kIdHTilt, "12.5");

    m_prompts->answers = {PromptAnswer::No};
    Click(kIdRender);
    QCOMPARE(m_prompts->messages.at(0).text,
             std::string("Previous Camera Settings not saved. Click on Update Settings"));
    QCOMPARE(m_prompts->messages.at(0).buttons, PromptButtons::YesNo);
    QVERIFY(!m_dlg->AreCameraEditsUnsaved());
    QVERIFY(cams.GetHTilt(1) != 12.5f);
    QCOMPARE(Text(kIdHTilt), QString("12.5"));
    QVERIFY(Settings().GetRecalculate()); // through Iso Volume
    SettleView();

    m_prompts->messages.clear();
    Type(kIdHTilt, "33");
    m_prompts->answers = {PromptAnswer::Yes};
    Click(kIdRender);
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    QCOMPARE(cams.GetHTilt(1), 33.0f);
    QVERIFY(!m_dlg->AreCameraEditsUnsaved());
    QVERIFY(Settings().GetRecalculate());
}

void MainWindowTest::choosingAnotherCameraWithUnsavedEditsKeepsTheFirst()
{
    EnterCameras(4);
    Choose(kIdCameraSelector, 0);
    m_prompts->answers = {PromptAnswer::No};
    Choose(kIdCameraSelector, 2);
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    QCOMPARE(m_dlg->GetSelectedCamera(), 0);
    QCOMPARE(Combo(kIdCameraSelector)->currentIndex(), 0);
    Choose(kIdCameraSelector, 2);
    QCOMPARE(m_dlg->GetSelectedCamera(), 2);
    CCameraSet& cams = CCameraSet::Instance();
    QCOMPARE(Text(kIdPositionX), QString::number(cams.ToUser(cams.GetPosition(2)).x, 'f', 2));

    // Enable Camera with no camera chosen marks edits; Yes then cannot store them and asks again next time.
    m_dlg.reset();
    init();
    EnterCameras(2);
    Click(kIdEnableCamera);
    m_prompts->answers = {PromptAnswer::Yes};
    Click(kIdRender);
    QCOMPARE(m_prompts->Texts(),
             (std::vector<std::string>{"Previous Camera Settings not saved. Click on Update Settings",
                                       "No Camera Selected"}));
    QVERIFY(m_dlg->AreCameraEditsUnsaved());
}

void MainWindowTest::focalLengthWatchArmsOnItsFirstChange()
{
    EnterCameras(2);
    // No camera chosen: the first change only arms the watch, the second asks for a camera.
    QTest::keyClick(Edit(kIdFocalLength), Qt::Key_7);
    QVERIFY(m_prompts->messages.empty());
    QVERIFY(g_bFocalLengthWatchArmed);
    QTest::keyClick(Edit(kIdFocalLength), Qt::Key_5);
    QCOMPARE(m_prompts->Texts(), std::vector<std::string>{"No Camera Selected"});

    m_prompts->answers = {PromptAnswer::No};
    m_prompts->messages.clear();
    Choose(kIdCameraSelector, 1); // unsaved edits from the typing: answered No
    Choose(kIdCameraSelector, 1);
    CCameraSet& cams = CCameraSet::Instance();
    // Shown two-decimal film frame sizes go back into the camera.
    QCOMPARE(cams.GetFrameWidth(1), Text(kIdFrameWidth).toFloat());
    const QString fovBefore = Text(kIdHFov);
    Type(kIdFocalLength, "4");
    QCOMPARE(cams.GetFocalLength(1), 4.0f);
    QCOMPARE(Text(kIdHFov).toStdString(), QString::number(cams.GetHFov(1), 'f', 2).toStdString());
    QVERIFY(Text(kIdHFov) != fovBefore);
}

void MainWindowTest::updateSettingsStoresUserFrameAndKeepsAnIndeterminateEnable()
{
    EnterCameras(3);
    Click(kIdUpdateSettings);
    QCOMPARE(m_prompts->Texts(), std::vector<std::string>{"No Camera Selected"});

    Choose(kIdCameraSelector, 2);
    Type(kIdPositionX, "1.25");
    Type(kIdPositionY, "2");
    Type(kIdPositionZ, "0.5");
    Type(kIdFStop, "4");
    auto* enable = static_cast<QCheckBox*>(Ctl(kIdEnableCamera));
    enable->setTristate(true);
    enable->setCheckState(Qt::PartiallyChecked);
    CCameraSet& cams = CCameraSet::Instance();
    const int enabledBefore = cams.GetEnabled(2);
    Click(kIdUpdateSettings);
    const Vec3d user = cams.ToUser(cams.GetPosition(2));
    QCOMPARE(float(user.x), 1.25f);
    QCOMPARE(float(user.y), 2.0f);
    QCOMPARE(float(user.z), 0.5f);
    QCOMPARE(cams.GetAperture(2), 0.25);
    QCOMPARE(cams.GetEnabled(2), enabledBefore);
    QVERIFY(!m_dlg->AreCameraEditsUnsaved());

    enable->setCheckState(Qt::Unchecked);
    Click(kIdUpdateSettings);
    QCOMPARE(cams.GetEnabled(2), 0);
}

void MainWindowTest::pixelCalculator()
{
    Type(kIdSensorLength, "1");
    QCOMPARE(m_prompts->Texts(), std::vector<std::string>{"Initialize Number of Cameras"});
    EnterCameras(2);
    m_prompts->messages.clear();
    Type(kIdSensorLength, "1");
    QCOMPARE(m_prompts->Texts(), std::vector<std::string>{"Select a camera for its resolution"});

    Choose(kIdCameraType, 0);
    QCOMPARE(Text(kIdPixelsX), QString("1280"));
    QCOMPARE(Text(kIdPixelsY), QString("1024"));

    Choose(kIdCameraSelector, 0);
    Type(kIdFrameWidth, "6.52");
    Type(kIdFrameHeight, "5");
    Type(kIdPixelsX, "1000");
    Type(kIdPixelsY, "1000");
    m_prompts->messages.clear();
    Type(kIdSensorLength, "0.5");
    QVERIFY(m_prompts->messages.empty());
    QCOMPARE(Text(kIdResultPixelsX), QString("76"));
    QCOMPARE(Text(kIdResultPixelsY), QString("100"));

    // A sensor of no width is a message, not a division by zero.
    Type(kIdFrameWidth, "0");
    Type(kIdSensorLength, "2");
    QCOMPARE(m_prompts->messages.back().text,
             std::string("The selected camera's film frame width and height must be above 0"));
    QCOMPARE(Text(kIdResultPixelsX), QString("76"));
}

void MainWindowTest::loadFileFillsTheBoxesAndClearsAVanishedSelection()
{
    const std::string path = QDir(m_dir.path()).filePath("three.txt").toStdString();
    EnterCameras(3);
    m_prompts->files = {path};
    Click(kIdSaveFile);
    QVERIFY(m_prompts->messages.empty());

    EnterCameras(5);
    Type(kIdRangeFirst, "2");
    Choose(kIdCameraSelector, 4);
    QCOMPARE(m_dlg->GetSelectedCamera(), 4);
    m_prompts->files = {path};
    m_prompts->answers = {PromptAnswer::No};
    Click(kIdLoadFile);
    QCOMPARE(m_prompts->openRequests.back().title, std::string("Open Camera Data File"));
    QCOMPARE(m_prompts->openRequests.back().initialName, std::string("zarvo_cams_data"));
    QCOMPARE(Settings().GetCameraCount(), 3u);
    QCOMPARE(Text(kIdCameraCount), QString("3"));
    QCOMPARE(Text(kIdRangeCount), QString("3"));
    QCOMPARE(Text(kIdRangeFirst), QString("1"));
    QCOMPARE(Text(kIdIsoThreshold), QString("3"));
    QCOMPARE(Combo(kIdCameraSelector)->count(), 3);
    QCOMPARE(m_dlg->GetSelectedCamera(), -1);
    QVERIFY(!m_dlg->AreCameraEditsUnsaved());
    QVERIFY(Settings().GetRecalculate());
    // A camera beyond the set is never reached.
    Click(kIdViewRes);
    QCOMPARE(m_prompts->messages.back().text, std::string("Select a camera for viewing its resolution map"));

    m_prompts->messages.clear();
    const std::string broken = QDir(m_dir.path()).filePath("broken.txt").toStdString();
    std::ofstream(broken) << "not a camera file\n";
    m_prompts->files = {broken};
    Click(kIdLoadFile);
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    QCOMPARE(m_prompts->messages[0].text, std::string("File Not Found or Invalid File"));
    QCOMPARE(m_prompts->messages[0].caption, std::string("File Not Found"));
    QCOMPARE(Settings().GetCameraCount(), 3u);

    // Cancelled: nothing happens.
    m_prompts->messages.clear();
    Click(kIdLoadFile);
    QVERIFY(m_prompts->messages.empty());
}

void MainWindowTest::aNewRigDropsEditsPendingForTheOldOne()
{
    const std::string path = QDir(m_dir.path()).filePath("four.txt").toStdString();
    EnterCameras(4);
    m_prompts->files = {path};
    Click(kIdSaveFile);
    CCameraSet& cams = CCameraSet::Instance();
    const float savedTilt = cams.GetHTilt(1);

    // Edits typed for camera 2, then the rig is replaced: a Yes at the next
    // RENDER must not write them over the new camera 2.
    const std::function<void()> replaceRig[] = {[&] {
                                                    m_prompts->files = {path};
                                                    Click(kIdLoadFile);
                                                },
                                                [&] { EnterCameras(4); }};
    for (const auto& replace : replaceRig) {
        Choose(kIdCameraSelector, 1);
        Type(kIdHTilt, "33");
        QVERIFY(m_dlg->AreCameraEditsUnsaved());
        replace();
        QCOMPARE(m_dlg->GetSelectedCamera(), 1); // still inside the rig
        QVERIFY(!m_dlg->AreCameraEditsUnsaved());
        m_prompts->messages.clear();
        m_prompts->answers = {PromptAnswer::Yes};
        Click(kIdRender);
        QVERIFY(m_prompts->messages.empty());
        QCOMPARE(cams.GetHTilt(1), savedTilt);
        SettleView();
    }
}

void MainWindowTest::saveFileRules()
{
    Click(kIdSaveFile);
    QCOMPARE(m_prompts->Texts(), std::vector<std::string>{"No cameras loaded"});
    QVERIFY(m_prompts->saveRequests.empty());

    EnterCameras(2);
    m_prompts->messages.clear();
    const std::string path = QDir(m_dir.path()).filePath("rig.txt").toStdString();
    std::ofstream(path) << "another rig\n";
    m_prompts->files = {path};
    m_prompts->answers = {PromptAnswer::No};
    Click(kIdSaveFile);
    const FileDialogRequest& request = m_prompts->saveRequests.back();
    QCOMPARE(request.title, std::string("Save Camera Data File"));
    QCOMPARE(request.defaultExtension, std::string("txt"));
    QCOMPARE(request.filter, std::string("Camera Data Files (*.txt)|*.txt|*.dat||"));
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    QCOMPARE(m_prompts->messages[0].buttons, PromptButtons::YesNo);
    std::ifstream kept(path);
    std::stringstream content;
    content << kept.rdbuf();
    QCOMPARE(content.str(), std::string("another rig\n"));

    m_prompts->files = {path};
    m_prompts->answers = {PromptAnswer::Yes};
    Click(kIdSaveFile);
    QVERIFY(CCameraSet::Instance().LoadFromFile(path));

    m_prompts->messages.clear();
    m_prompts->files = {QDir(m_dir.path()).filePath("no/such/folder/rig.txt").toStdString()};
    Click(kIdSaveFile);
    QCOMPARE(m_prompts->Texts(), std::vector<std::string>{"Unable to Create File"});
}

void MainWindowTest::testImportsACalibrationWithoutCameras()
{
    const auto file = [this](const char* name, const std::string& text) {
        const std::string path = QDir(m_dir.path()).filePath(name).toStdString();
        std::ofstream(path) << text;
        return path;
    };
    std::string numbers = "Calibration\n";
    for (int k = 1; k <= 7 + 12 * 9 + 11 * 25; ++k)
        numbers += std::to_string(k) + " ";

    m_prompts->files = {std::nullopt, file("short.txt", "Calibration 1 2 3\n"), file("good.txt", numbers)};
    Click(kIdTest); // cancelled
    QVERIFY(m_prompts->messages.empty());
    const FileDialogRequest& request = m_prompts->openRequests.at(0);
    QCOMPARE(request.title, std::string("Open ZARVO Data File for testing"));
    QCOMPARE(request.initialName, std::string("OriginalLatestCalibration"));
    QCOMPARE(request.defaultExtension, std::string("txt"));
    QCOMPARE(request.filter, std::string("ZARVO Data File for testing(*.txt)|*.txt|*.dat||"));

    Click(kIdTest);
    QCOMPARE(m_prompts->Texts(), std::vector<std::string>{"File Not Found or Invalid File"});
    QCOMPARE(m_prompts->messages[0].caption, std::string("File Not Found"));
    QVERIFY(!Settings().GetTestMode());
    QVERIFY(!Settings().GetTestDataPending());

    Click(kIdTest);
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    QVERIFY(Settings().GetTestMode());
    QVERIFY(Settings().GetTestDataPending());
    QVERIFY(!m_dlg->AreCamerasInitialised());
    // The next frame takes the imported cameras, even with no rig entered.
    QTRY_VERIFY(!Settings().GetTestDataPending());
    QVERIFY(m_dlg->isVisible());
}

void MainWindowTest::truncateAndFlagToggles()
{
    EnterCameras(4);
    SettleView();
    auto* truncate = static_cast<CUpDownControl*>(Ctl(kIdTruncate));
    m_dlg->View()->SetShownLayers(0);
    Settings().SetSelectiveCameras(true);
    emit truncate->positionChanging(+1);
    QCOMPARE(m_dlg->View()->GetShownLayers(), 0);
    QVERIFY(!Settings().GetSelectiveCameras());
    const int total = m_dlg->View()->GetLayerTotal();
    QVERIFY(total > 0);
    QTest::mouseClick(truncate->UpArrow(), Qt::LeftButton);
    QCOMPARE(m_dlg->View()->GetShownLayers(), 1);
    m_dlg->View()->SetShownLayers(total);
    emit truncate->positionChanging(-1);
    QCOMPARE(m_dlg->View()->GetShownLayers(), total);

    const bool room = Settings().GetShowRoom();
    const bool testMode = Settings().GetTestMode();
    const bool legend = Settings().GetShowLegend();
    const bool twoD = Settings().Get2DView();
    Click(kIdRoomOnOff);
    Click(kIdTestOnOff);
    Click(kIdLegend);
    Click(kId2D3DView);
    Click(kIdSelectiveCams);
    QCOMPARE(Settings().Get2DView(), !twoD);
    QCOMPARE(Settings().GetShowRoom(), !room);
    QCOMPARE(Settings().GetTestMode(), !testMode);
    QCOMPARE(Settings().GetShowLegend(), !legend);
    QVERIFY(Settings().GetSelectiveCameras());
    Click(kIdSelectiveCams);
    QVERIFY(!Settings().GetSelectiveCameras());
}

void MainWindowTest::escapeInTheViewAsksToEnd()
{
    QSignalSpy exit(m_dlg->View(), &CVolumeView::exitRequested);
    QTest::mouseClick(m_dlg->View(), Qt::LeftButton, {}, QPoint(500, 300));
    QTest::keyClick(m_dlg->View(), Qt::Key_Left);
    QCOMPARE(exit.count(), 0);
    QTest::keyClick(m_dlg->View(), Qt::Key_Escape);
    QCOMPARE(exit.count(), 1);
}

void MainWindowTest::mouseTurnsAndTiltsAndShiftPansOnlyWhileHeld()
{
    CVolumeView* view = m_dlg->View();
    // Sent straight to the view, so each one arrives before the next step.
    const auto mouse = [view](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at) {
        QMouseEvent event(type, QPointF(at), QPointF(view->mapToGlobal(at)), button, held, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    };
    const auto drag = [&mouse](Qt::MouseButton button, QPoint from, QPoint to) {
        mouse(QEvent::MouseMove, Qt::NoButton, {}, from); // a drag measures from the last motion
        mouse(QEvent::MouseButtonPress, button, button, from);
        mouse(QEvent::MouseMove, Qt::NoButton, button, to);
        mouse(QEvent::MouseButtonRelease, button, {}, to);
    };
    drag(Qt::LeftButton, {500, 300}, {540, 300});
    QCOMPARE(view->GetView().yaw, 40.0f);
    drag(Qt::RightButton, {500, 300}, {500, 290});
    QCOMPARE(view->GetView().pitch, 10.0f);

    // Shift pressed during a left drag pans instead of turning.
    mouse(QEvent::MouseMove, Qt::NoButton, {}, {500, 300});
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {500, 300});
    QTest::keyPress(view, Qt::Key_Shift);
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {520, 280});
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, {}, {520, 280});
    QCOMPARE(view->GetView().yaw, 40.0f);
    QCOMPARE(view->GetView().panX, 0.01f);

    // Shift let go over another control: the next left drag turns again.
    m_dlg->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
    view->setFocus();
    Edit(kIdCameraCount)->setFocus();
    QTest::keyRelease(Edit(kIdCameraCount), Qt::Key_Shift);
    drag(Qt::LeftButton, {500, 300}, {510, 300});
    QCOMPARE(view->GetView().yaw, 50.0f);
    QCOMPARE(view->GetView().panX, 0.01f);
}

void MainWindowTest::viewControlsChangeThePicture()
{
    EnterCameras(4);
    SettleView();
    CVolumeView* view = m_dlg->View();
    QImage last = view->grabFramebuffer();
    const auto changed = [&] {
        const QImage now = view->grabFramebuffer();
        const bool different = now != last;
        last = now;
        return different;
    };

    // Dragging the Dimensions thumb sets the ruler divisions on release only.
    auto* slider = static_cast<QSlider*>(Ctl(kIdDimensions));
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    const QPoint thumb =
        slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
    QTest::mousePress(slider, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(slider, thumb + QPoint(60, 0));
    QVERIFY(slider->value() > 1);
    QVERIFY(!changed());
    QTest::mouseRelease(slider, Qt::LeftButton, {}, thumb + QPoint(60, 0));
    QVERIFY(changed());

    QTest::mouseClick(static_cast<CUpDownControl*>(Ctl(kIdTranslate))->DownArrow(), Qt::LeftButton);
    QVERIFY(changed());
    Click(kIdOrthographic);
    QVERIFY(changed());
    Click(kIdRoomOnOff);
    QVERIFY(changed());
    Click(kIdToggleXScale);
    QVERIFY(changed());
}

void MainWindowTest::gridTooLargeIsReportedAndTheWindowGoesOn()
{
    EnterCameras(2);
    SettleView();
    Type(kIdVoxelSize, "0.001");
    Click(kIdRender);
    SettleView();
    QTRY_COMPARE(m_prompts->messages.size(), size_t{1});
    QCOMPARE(m_prompts->messages[0].text, std::string(kNotEnoughMemoryMessage));
    QCOMPARE(m_prompts->messages[0].caption, std::string("Fatal Error"));

    m_prompts->messages.clear();
    Type(kIdVoxelSize, "25");
    Click(kIdRender);
    SettleView();
    QTest::qWait(50);
    QVERIFY(m_prompts->messages.empty());
    QVERIFY(m_dlg->isVisible());
}

namespace
{

// Pixels of a strongly coloured voxel: far from the grey background, the
// white glyphs and the pale room floor.
int CountVoxelPixels(const QImage& image, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int high = std::max({c.red(), c.green(), c.blue()});
            const int low = std::min({c.red(), c.green(), c.blue()});
            if (high - low > 100)
                ++count;
        }
    }
    return count;
}

int CountChangedPixels(const QImage& a, const QImage& b, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y))
                ++count;
        }
    }
    return count;
}

} // namespace

void MainWindowTest::endToEndCoverageVolumeOnScreen()
{
    // The middle of the room, where four ceiling-corner cameras overlap.
    const QRect middle(380, 340, 240, 220);
    const QImage before = m_dlg->View()->grabFramebuffer();
    QCOMPARE(CountVoxelPixels(before, middle), 0);

    Type(kIdCameraCount, "4");
    Click(kIdEnter);
    Click(kIdRender);
    QVERIFY(m_prompts->messages.empty());
    SettleView();
    const QImage after = m_dlg->View()->grabFramebuffer();
    const int voxelPixels = CountVoxelPixels(after, middle);
    if (voxelPixels < middle.width() * middle.height() / 5)
        after.save("main_window_coverage_frame.png"); // for a person to look at
    QVERIFY2(voxelPixels >= middle.width() * middle.height() / 5,
             qPrintable(QString("%1 voxel pixels").arg(voxelPixels)));

    // The first pass of a computing frame adds the waiting text to the last
    // frame and leaves the rest of it as it was.
    Settings().SetRecalculate(true);
    const QImage waiting = m_dlg->View()->grabFramebuffer();
    QCOMPARE(CountVoxelPixels(waiting, middle), voxelPixels);
    QVERIFY(CountChangedPixels(after, waiting, QRect(0, 0, 1000, 80)) > 200);
    QVERIFY(Settings().GetRecalculate());
    // The second pass computes.
    m_dlg->View()->update();
    SettleView();
    QCOMPARE(CountVoxelPixels(m_dlg->View()->grabFramebuffer(), middle), voxelPixels);

    // Turning the view with the mouse changes the picture.
    QTest::mousePress(m_dlg->View(), Qt::LeftButton, {}, QPoint(500, 300));
    QTest::mouseMove(m_dlg->View(), QPoint(560, 310));
    QTest::mouseRelease(m_dlg->View(), Qt::LeftButton, {}, QPoint(560, 310));
    QVERIFY(CountChangedPixels(after, m_dlg->View()->grabFramebuffer(), middle) > 1000);
}

void MainWindowTest::cameraValuesThatCannotBeStoredAreRefused_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("named");
    QTest::newRow("nan") << kIdPositionX << "nan"
                         << "X position";
    QTest::newRow("too long for a float") << kIdPositionY << "1e39"
                                          << "Y position";
    QTest::newRow("inf tilt") << kIdVTilt << "-inf"
                              << "vertical tilt";
    QTest::newRow("focal length 0") << kIdFocalLength << "0"
                                    << "focal length";
    QTest::newRow("f-stop 0") << kIdFStop << "0"
                              << "f-stop";
    QTest::newRow("negative frame") << kIdFrameHeight << "-4"
                                    << "frame height";
}

void MainWindowTest::cameraValuesThatCannotBeStoredAreRefused()
{
    QFETCH(int, box);
    QFETCH(QString, text);
    QFETCH(QString, named);
    EnterCameras(2);
    Choose(kIdCameraSelector, 1);
    CCameraSet& cams = CCameraSet::Instance();
    const Vec3d positionBefore = cams.GetPosition(1);
    const float tiltBefore = cams.GetVTilt(1), focalBefore = cams.GetFocalLength(1);
    const double apertureBefore = cams.GetAperture(1);
    Type(kIdHTilt, "12");
    Type(box, text);
    m_prompts->messages.clear();
    Click(kIdUpdateSettings);
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    QVERIFY2(QString::fromStdString(m_prompts->messages[0].text).contains(named), m_prompts->messages[0].text.c_str());
    // Nothing of the camera changes, not even the valid boxes.
    QCOMPARE(cams.GetPosition(1).x, positionBefore.x);
    QCOMPARE(cams.GetPosition(1).y, positionBefore.y);
    QCOMPARE(cams.GetVTilt(1), tiltBefore);
    QCOMPARE(cams.GetFocalLength(1), focalBefore);
    QCOMPARE(cams.GetAperture(1), apertureBefore);
    QVERIFY(cams.GetHTilt(1) != 12.0f);

    // Corrected, the values are stored, saved and loaded back as they were.
    Type(box, "2.5");
    m_prompts->messages.clear();
    Click(kIdUpdateSettings);
    QVERIFY2(m_prompts->messages.empty(), m_prompts->messages.front().text.c_str());
    const std::string path = QDir(m_dir.path()).filePath(QString("%1.txt").arg(QTest::currentDataTag())).toStdString();
    m_prompts->files = {path};
    Click(kIdSaveFile);
    QVERIFY(m_prompts->messages.empty());
    const Vec3d user = cams.ToUser(cams.GetPosition(1));
    const float tilt = cams.GetHTilt(1);
    EnterCameras(2);
    m_prompts->files = {path};
    Click(kIdLoadFile);
    QVERIFY(m_prompts->messages.empty());
    QCOMPARE(float(cams.ToUser(cams.GetPosition(1)).y), float(user.y));
    QCOMPARE(cams.GetHTilt(1), tilt);
}

void MainWindowTest::enterAsksBeforeDroppingStoredChanges()
{
    EnterCameras(3);
    Choose(kIdCameraSelector, 0);
    QVERIFY(!m_dlg->IsRigEdited()); // showing a camera changes nothing
    Type(kIdHTilt, "20");
    Click(kIdUpdateSettings);
    QVERIFY(m_dlg->IsRigEdited());
    CCameraSet& cams = CCameraSet::Instance();

    for (const char* count : {"3", "5"}) {
        m_prompts->messages.clear();
        m_prompts->answers = {PromptAnswer::No};
        Type(kIdCameraCount, count);
        Click(kIdEnter);
        QCOMPARE(m_prompts->messages.size(), size_t{1});
        QCOMPARE(m_prompts->messages[0].buttons, PromptButtons::YesNo);
        QCOMPARE(Settings().GetCameraCount(), 3u);
        QCOMPARE(cams.GetHTilt(0), 20.0f);
    }
    m_prompts->answers = {PromptAnswer::Yes};
    Click(kIdEnter);
    QCOMPARE(Settings().GetCameraCount(), 5u);
    QCOMPARE(cams.GetHTilt(0), 45.0f);
    QVERIFY(!m_dlg->IsRigEdited());

    // A save takes the changes into a file: no question afterwards.
    Choose(kIdCameraSelector, 0);
    Type(kIdHTilt, "30");
    Click(kIdUpdateSettings);
    m_prompts->files = {QDir(m_dir.path()).filePath("saved.txt").toStdString()};
    Click(kIdSaveFile);
    m_prompts->messages.clear();
    Click(kIdEnter);
    QVERIFY(m_prompts->messages.empty());
}

void MainWindowTest::aNewRigShowsTheSelectedCamerasOwnValues()
{
    const std::string path = QDir(m_dir.path()).filePath("moved.txt").toStdString();
    EnterCameras(3);
    Choose(kIdCameraSelector, 1);
    Type(kIdPositionX, "1.75");
    Click(kIdUpdateSettings);
    m_prompts->files = {path};
    Click(kIdSaveFile);
    EnterCameras(3);
    Choose(kIdCameraSelector, 1);
    QCOMPARE(Text(kIdPositionX), QString("5.00"));

    m_prompts->files = {path};
    Click(kIdLoadFile);
    QCOMPARE(Combo(kIdCameraSelector)->currentIndex(), 1);
    QCOMPARE(Text(kIdPositionX), QString("1.75"));
    // Update Settings now stores what the boxes show for the camera they show.
    CCameraSet& cams = CCameraSet::Instance();
    m_prompts->messages.clear();
    Click(kIdUpdateSettings);
    QVERIFY(m_prompts->messages.empty());
    QCOMPARE(float(cams.ToUser(cams.GetPosition(1)).x), 1.75f);
    QCOMPARE(float(cams.ToUser(cams.GetPosition(0)).x), 0.0f);

    Combo(kIdCameraSelector)->setCurrentIndex(-1);
    Click(kIdUpdateSettings);
    QCOMPARE(m_prompts->Texts(), std::vector<std::string>{"No Camera Selected"});
}

void MainWindowTest::aRoomChangeKeepsTheCamerasUserFramePositions()
{
    EnterCameras(4);
    SettleView();
    CCameraSet& cams = CCameraSet::Instance();
    std::vector<Vec3d> before;
    for (int i = 0; i < 4; ++i)
        before.push_back(cams.ToUser(cams.GetPosition(i)));
    Type(kIdRoomLength, "9");
    Type(kIdRoomHeight, "6");
    Click(kIdRender);
    SettleView();
    for (int i = 0; i < 4; ++i) {
        const Vec3d now = cams.ToUser(cams.GetPosition(i));
        QVERIFY2(std::abs(now.x - before[i].x) < 1e-5 && std::abs(now.y - before[i].y) < 1e-5 &&
                     std::abs(now.z - before[i].z) < 1e-5,
                 qPrintable(QString("camera %1").arg(i + 1)));
    }
    // The cameras of the 5 m room stand inside the larger one.
    CRoomBox room;
    room.Update(9.0f, 5.0f, 6.0f);
    for (int i = 0; i < 4; ++i)
        QVERIFY(cams.GetX(i) <= room.Corner(2).x && cams.GetY(i) <= room.Corner(2).y);
    QCOMPARE(cams.GetX(1), 5.0 + room.Corner(3).x);
}

void MainWindowTest::refusedFilesAndGridsSayWhy()
{
    const std::string broken = QDir(m_dir.path()).filePath("broken.txt").toStdString();
    std::ofstream(broken) << "2\r\n\r\n0 3 +-8.5\r\n";
    m_prompts->files = {broken, std::string("/dev/zero")};
    Click(kIdLoadFile);
    Click(kIdTest);
    QCOMPARE(m_prompts->Texts(),
             (std::vector<std::string>{"File Not Found or Invalid File", "File Not Found or Invalid File"}));
    QCOMPARE(m_prompts->reasons, (std::vector<std::string>{"line 3: \"+-8.5\" is not a number (camera 1, z position)",
                                                           "/dev/zero is not a regular file"}));

    EnterCameras(2);
    SettleView();
    m_prompts->messages.clear();
    m_prompts->reasons.clear();
    Type(kIdVoxelSize, "600");
    Click(kIdRender);
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    QVERIFY(QString::fromStdString(m_prompts->messages[0].text).contains("no voxel"));
    QCOMPARE(GetVoxelSize(), 20.0f);

    m_prompts->messages.clear();
    Type(kIdVoxelSize, "0.05");
    Click(kIdRender);
    SettleView();
    QTRY_COMPARE(m_prompts->messages.size(), size_t{1});
    QCOMPARE(m_prompts->messages[0].text, std::string(kNotEnoughMemoryMessage));
    QVERIFY2(QString::fromStdString(m_prompts->reasons.at(0))
                 .contains(QRegularExpression(
                     "^The grid needs [0-9.]+ GB, [0-9.]+ GB are free: try a voxel size of [0-9]+ cm or more$")),
             m_prompts->reasons.at(0).c_str());
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
