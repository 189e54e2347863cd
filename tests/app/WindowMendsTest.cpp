#include "MenuWindowFixture.h"

#include "app/DialogLayout.h"
#include "app/MainMenu.h"
#include "app/ObstaclePanel.h"
#include "app/PlanningPanel.h"
#include "app/ProjectCommands.h"
#include "app/QtUserPrompts.h"
#include "app/VolumePlannerDlg.h"
#include "cameras/CameraSet.h"
#include "classic/ClassicParameters.h"
#include "coverage/CoverageVolume.h"
#include "project/ProjectFile.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"
#include "scene/SceneSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <sstream>

// The window never changes the plan by itself and loses nothing on quit:
// refused boxes, selection, decimal commas, refused and cancelled
// computations, the unsaved-changes question, mesh paths and the view as
// saved with the plan.
class WindowMendsTest : public QObject, CMenuWindowFixture
{
    Q_OBJECT

  private slots:
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void lettersInABoxAreRefusedAndTheOldValueComesBack();
    void selectingACameraWritesNothing();
    void aDecimalCommaIsReadNotCutShort();
    void aRefusedComputationKeepsTheResultsAndThePlan();
    void cancelMarksTheResultsStaleUntilTheNextRun();
    void unsavedChangesAskSaveDiscardOrCancel();
    void escapeAndTheCloseBoxOfTheQuestionCancel();
    void meshFilesAreSavedRelativeToTheProject();
    void reopeningShowsWhatWasShown();

  private:
    QLineEdit* Edit(int id) const { return static_cast<QLineEdit*>(Ctl(id)); }
    QString Text(int id) const { return Edit(id)->text(); }
    void Type(int id, const QString& text)
    {
        Edit(id)->selectAll();
        QTest::keyClicks(Edit(id), text);
    }
    void Click(int id) { QTest::mouseClick(Ctl(id), Qt::LeftButton); }
    void Choose(int index)
    {
        auto* selector = static_cast<QComboBox*>(Ctl(kIdCameraSelector));
        selector->setCurrentIndex(index);
        emit selector->activated(index);
    }
    void RenderAndSettle()
    {
        Click(kIdRender);
        QTRY_VERIFY_WITH_TIMEOUT(!GetSceneSettings()->GetRecalculate(), 60000);
        QTRY_VERIFY(!m_dlg->View()->IsComputing());
    }
    // Saved as a project, so the title tells whether anything changed since.
    void SaveAs(const QString& name)
    {
        m_prompts->files.push_back(m_dir.filePath(name).toStdString());
        Trigger(MenuCommand::SaveProjectAs);
    }
    bool Modified() const { return m_menu->Plan().IsModified(); }
    const CCoverageVolume& Volume() const { return m_dlg->View()->Renderer().GetVolume(); }
    std::string LastMessage() const { return m_prompts->messages.empty() ? "" : m_prompts->messages.back().text; }
    static std::string Read(const QString& path)
    {
        std::ifstream in(path.toStdString(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    QTemporaryDir m_dir;
};

void WindowMendsTest::lettersInABoxAreRefusedAndTheOldValueComesBack()
{
    EnterCameras(2);
    RenderAndSettle();
    CCameraSet& cams = CCameraSet::Instance();
    Choose(1);
    const Vec3d before = cams.GetPosition(1);
    for (const auto& [box, name] : {std::pair{kIdPositionX, "X position"}, std::pair{kIdPositionY, "Y position"},
                                    std::pair{kIdPositionZ, "Z position"}}) {
        const QString shown = Text(box);
        Type(box, "abc");
        m_prompts->messages.clear();
        Click(kIdUpdateSettings);
        QCOMPARE(m_prompts->messages.size(), size_t{1});
        QVERIFY2(LastMessage().find(name) != std::string::npos, LastMessage().c_str());
        QVERIFY(LastMessage().find("\"abc\"") != std::string::npos);
        QCOMPARE(Text(box), shown);
        QCOMPARE(cams.GetPosition(1).x, before.x);
        QCOMPARE(cams.GetPosition(1).y, before.y);
        QCOMPARE(cams.GetPosition(1).z, before.z);
    }

    // A room box: refused by name, the value in force back in the box.
    GetSceneSettings()->SetRecalculate(false);
    for (const char* text : {"abc", "xyz", "7m"}) {
        m_prompts->messages.clear();
        Type(kIdRoomLength, text);
        Click(kIdRender);
        QCOMPARE(m_prompts->messages.size(), size_t{1});
        QVERIFY2(LastMessage().find("Room Length") != std::string::npos, LastMessage().c_str());
        QCOMPARE(Text(kIdRoomLength), QString("5.00"));
        QCOMPARE(GetSceneSettings()->GetRoomLength(), 5.0f);
        QVERIFY(!GetSceneSettings()->GetRecalculate());
    }

    // The Iso "Cameras" box keeps its threshold instead of taking 0.
    m_prompts->messages.clear();
    Type(kIdIsoThreshold, "abc");
    Click(kIdIsoVolume);
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    QVERIFY2(LastMessage().find("\"Cameras\"") != std::string::npos, LastMessage().c_str());
    QCOMPARE(GetIsoThreshold(), 2u);
    QCOMPARE(Text(kIdIsoThreshold), QString("2"));
    QVERIFY(!GetSceneSettings()->GetRecalculate());
}

void WindowMendsTest::selectingACameraWritesNothing()
{
    EnterCameras(2);
    CCameraSet& cams = CCameraSet::Instance();
    cams.SetFrameWidth(1, 6.5241f);
    cams.SetFrameHeight(1, 4.8807f);
    cams.SetFocalLength(1, 4.1234567f);
    RenderAndSettle();
    const Vec3d edge = cams.GetEdgeVPlus(1);
    SaveAs("frame.vplan");
    QVERIFY(!Modified());
    const std::string saved = Read(m_dir.filePath("frame.vplan"));

    Choose(1);
    QCOMPARE(cams.GetFrameWidth(1), 6.5241f);
    QCOMPARE(cams.GetFrameHeight(1), 4.8807f);
    QCOMPARE(cams.GetFocalLength(1), 4.1234567f);
    // Every digit the camera has, and a short f-stop.
    QCOMPARE(Text(kIdFrameWidth), QString("6.5241"));
    QCOMPARE(Text(kIdFrameHeight), QString("4.8807"));
    QCOMPARE(Text(kIdFStop), QString("12.00"));
    QVERIFY(!Modified());
    QVERIFY(!m_dlg->AreCameraEditsTyped());
    // The pyramids keep the edges the computation gave them.
    QCOMPARE(cams.GetEdgeVPlus(1), edge);

    // The classic question still comes at RENDER; storing the boxes changes nothing.
    m_prompts->answers = {PromptAnswer::Yes};
    RenderAndSettle();
    QCOMPARE(cams.GetFrameWidth(1), 6.5241f);
    QCOMPARE(cams.GetFocalLength(1), 4.1234567f);
    QVERIFY(!Modified());
    Trigger(MenuCommand::SaveProject);
    QCOMPARE(Read(m_dir.filePath("frame.vplan")), saved);

    // Typing is an edit: the plan is modified until stored or dropped.
    Type(kIdHTilt, "3");
    QVERIFY(m_dlg->AreCameraEditsTyped());
    QVERIFY(Modified());
}

void WindowMendsTest::aDecimalCommaIsReadNotCutShort()
{
    EnterCameras(2);
    Type(kIdRoomLength, "13,5");
    Type(kIdRoomWidth, " 7,25 ");
    RenderAndSettle();
    QVERIFY(m_prompts->messages.empty());
    QCOMPARE(GetSceneSettings()->GetRoomLength(), 13.5f);
    QCOMPARE(GetSceneSettings()->GetRoomWidth(), 7.25f);

    CCameraSet& cams = CCameraSet::Instance();
    Choose(0);
    Type(kIdPositionX, "1,75");
    Type(kIdFStop, "2,8");
    // Update Settings redraws: the moved camera shows at once.
    QSignalSpy frames(m_dlg->View(), &QOpenGLWidget::frameSwapped);
    Click(kIdUpdateSettings);
    QTRY_VERIFY(frames.count() > 0);
    QVERIFY(m_prompts->messages.empty());
    QCOMPARE(float(cams.ToUser(cams.GetPosition(0)).x), 1.75f);
    QCOMPARE(cams.GetFNumber(0), 2.8f);

    // A number that is neither form is refused, never cut short.
    Type(kIdRoomHeight, "1,234.5");
    Click(kIdRender);
    QVERIFY2(LastMessage().find("Room Height \"1,234.5\" is not a number") != std::string::npos, LastMessage().c_str());
    QCOMPARE(GetSceneSettings()->GetRoomHeight(), 5.0f);
}

void WindowMendsTest::aRefusedComputationKeepsTheResultsAndThePlan()
{
    EnterCameras(2);
    RenderAndSettle();
    SaveAs("kept.vplan");
    const size_t voxels = Volume().GetVoxelCount();
    const uint32_t iso = Volume().GetIsoCount();
    QVERIFY(Volume().HasResults());
    QVERIFY(!Modified());

    // A typo'd room is refused with the bound before anything is stored.
    Type(kIdRoomLength, "100000");
    Click(kIdRender);
    QVERIFY2(LastMessage().find("1000 m") != std::string::npos, LastMessage().c_str());
    QCOMPARE(Text(kIdRoomLength), QString("5.00"));
    QCOMPARE(GetSceneSettings()->GetRoomLength(), 5.0f);
    Type(kIdVoxelSize, "20000");
    Click(kIdRender);
    QVERIFY2(LastMessage().find("10000 cm") != std::string::npos, LastMessage().c_str());
    QCOMPARE(Text(kIdVoxelSize), QString("20.00"));
    QVERIFY(!Modified());

    // A grid beyond the memory: the computation refuses it, and the
    // coverage, the boxes and the plan stay as they were.
    m_prompts->messages.clear();
    Type(kIdVoxelSize, "0,001");
    RenderAndSettle();
    QTRY_COMPARE(m_prompts->messages.size(), size_t{1});
    QCOMPARE(LastMessage(), std::string(kNotEnoughMemoryMessage));
    QTRY_COMPARE(Text(kIdVoxelSize), QString("20.00"));
    QCOMPARE(GetVoxelSize(), 20.0f);
    QVERIFY(Volume().HasResults());
    QCOMPARE(Volume().GetVoxelCount(), voxels);
    QCOMPARE(Volume().GetIsoCount(), iso);
    QVERIFY(!Modified());

    // And the next computation runs as ever.
    Type(kIdVoxelSize, "25");
    RenderAndSettle();
    QVERIFY(Volume().GetVoxelCount() != voxels);
    QCOMPARE(GetVoxelSize(), 25.0f);
}

void WindowMendsTest::cancelMarksTheResultsStaleUntilTheNextRun()
{
    EnterCameras(64);
    Edit(kIdRoomLength)->setText("20");
    Edit(kIdRoomWidth)->setText("20");
    Edit(kIdRoomHeight)->setText("6");
    Edit(kIdVoxelSize)->setText("40");
    RenderAndSettle();
    QLabel* stale = m_dlg->View()->StaleNote();
    QVERIFY(!stale->isVisible());
    const size_t voxels = Volume().GetVoxelCount();

    // On a quick machine a run may end before the click arrives; a finer
    // grid is then tried, until one is cancelled while it runs.
    bool cancelled = false;
    for (const char* voxel : {"8", "6", "5"}) {
        Edit(kIdVoxelSize)->setText(voxel);
        Click(kIdRender);
        QTRY_VERIFY(m_dlg->View()->CancelButton()->isVisible() && m_dlg->View()->CancelButton()->isEnabled());
        QTest::mouseClick(m_dlg->View()->CancelButton(), Qt::LeftButton);
        QTRY_VERIFY(!m_dlg->View()->IsComputing());
        cancelled = Volume().GetVoxelCount() == voxels;
        if (cancelled)
            break;
        Edit(kIdVoxelSize)->setText("40");
        RenderAndSettle();
        // The note follows the frame after the run: the check waits for it.
        QTRY_VERIFY(!stale->isVisible());
    }
    QVERIFY2(cancelled, "every run ended before its Cancel arrived");
    QTRY_VERIFY(stale->isVisible());
    QCOMPARE(stale->text(), QString(kStaleResultsMessage));
    QCOMPARE(Volume().GetVoxelCount(), voxels);

    // The mark stays over ordinary frames, and goes with the next run's results.
    m_dlg->View()->RequestRepaint();
    QTest::qWait(100);
    QVERIFY(stale->isVisible());
    Edit(kIdVoxelSize)->setText("50");
    RenderAndSettle();
    QTRY_VERIFY(!stale->isVisible());
}

void WindowMendsTest::unsavedChangesAskSaveDiscardOrCancel()
{
    EnterCameras(2);
    // Cancel keeps the window and the plan: Quit, Escape, Open Project.
    m_prompts->answers = {PromptAnswer::Cancel};
    Click(kIdQuit);
    QCOMPARE(m_prompts->messages.back().buttons, PromptButtons::SaveDiscardCancel);
    QVERIFY(m_dlg->isVisible());
    m_prompts->answers = {PromptAnswer::Cancel};
    QTest::keyClick(Edit(kIdRoomLength), Qt::Key_Escape);
    QVERIFY(m_dlg->isVisible());
    m_prompts->answers = {PromptAnswer::Cancel};
    Trigger(MenuCommand::OpenProject);
    QVERIFY(m_prompts->openRequests.empty());
    QCOMPARE(m_prompts->messages.size(), size_t{3});
    QVERIFY(m_menu->Plan().Document().IsModified());

    // Save saves first and then goes; a cancelled save keeps the window.
    m_prompts->answers = {PromptAnswer::Save};
    Click(kIdQuit);
    QCOMPARE(m_prompts->saveRequests.size(), size_t{1});
    QVERIFY(m_dlg->isVisible());
    m_prompts->answers = {PromptAnswer::Save};
    m_prompts->files.push_back(m_dir.filePath("quit.vplan").toStdString());
    Click(kIdQuit);
    QVERIFY(QFile::exists(m_dir.filePath("quit.vplan")));
    QVERIFY(!m_dlg->isVisible());

    // Discard lets the changes go.
    CloseWindow();
    OpenWindow();
    EnterCameras(2);
    m_prompts->answers = {PromptAnswer::Discard};
    m_dlg->close();
    QVERIFY(!m_dlg->isVisible());
}

void WindowMendsTest::escapeAndTheCloseBoxOfTheQuestionCancel()
{
    CQtUserPrompts prompts(m_dlg.get());
    const auto answerWith = [&prompts](std::function<void(QWidget*)> act) {
        QTimer::singleShot(0, [act] {
            QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
            act(QApplication::activeModalWidget());
        });
        return prompts.ShowMessage("The plan has unsaved changes.\nSave them before they are lost?", "Warning",
                                   PromptButtons::SaveDiscardCancel);
    };
    QCOMPARE(answerWith([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); }), PromptAnswer::Cancel);
    QCOMPARE(answerWith([](QWidget* box) { box->close(); }), PromptAnswer::Cancel);
    QCOMPARE(answerWith([](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::Discard)->click(); }),
             PromptAnswer::Discard);
    QCOMPARE(answerWith([](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::Save)->click(); }),
             PromptAnswer::Save);
}

void WindowMendsTest::meshFilesAreSavedRelativeToTheProject()
{
    EnterCameras(2);
    QVERIFY(QDir(m_dir.path()).mkpath("meshes") && QDir(m_dir.path()).mkpath("plans/a") &&
            QDir(m_dir.path()).mkpath("sent"));
    const QString mesh = m_dir.filePath("meshes/stage.obj");
    const char* const cube = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
                             "f 1 3 2\nf 1 4 3\nf 5 6 7\nf 5 7 8\nf 1 2 6\nf 1 6 5\n"
                             "f 4 8 7\nf 4 7 3\nf 1 5 8\nf 1 8 4\nf 2 3 7\nf 2 7 6\n";
    std::ofstream(mesh.toStdString()) << cube;
    // Imported as the Obstacles panel does: the absolute path chosen.
    Trigger(MenuCommand::Obstacles);
    m_prompts->files.push_back(mesh.toStdString());
    QTest::mouseClick(m_menu->ObstacleWindow()->ImportMeshButton(), Qt::LeftButton);
    QCOMPARE(WindowPlan().obstacles.meshes.size(), size_t{1});
    const auto meshIn = [](const QString& path) {
        const std::string text = Read(path);
        const size_t at = text.find("\"file\": \"");
        return at == std::string::npos ? std::string("(none)") : text.substr(at + 9, text.find('"', at + 9) - at - 9);
    };
    SaveAs("plans/a/plan.vplan");
    QCOMPARE(meshIn(m_dir.filePath("plans/a/plan.vplan")), std::string("../../meshes/stage.obj"));

    // Opened and saved elsewhere, the name is made anew for the new folder.
    m_prompts->files.push_back(m_dir.filePath("plans/a/plan.vplan").toStdString());
    Trigger(MenuCommand::OpenProject);
    QVERIFY(!Modified());
    SaveAs("sent/plan.vplan");
    QCOMPARE(meshIn(m_dir.filePath("sent/plan.vplan")), std::string("../meshes/stage.obj"));
    QVERIFY(!Modified());

    // Saved beside its mesh, the plan opens wherever its folder is moved to.
    SaveAs("meshes/plan.vplan");
    QCOMPARE(meshIn(m_dir.filePath("meshes/plan.vplan")), std::string("stage.obj"));
    QVERIFY(QDir(m_dir.path()).rename("meshes", "moved"));
    m_prompts->files.push_back(m_dir.filePath("moved/plan.vplan").toStdString());
    Trigger(MenuCommand::OpenProject);
    QVERIFY2(m_prompts->messages.empty(), LastMessage().c_str());
    QCOMPARE(WindowPlan().obstacles.meshes.size(), size_t{1});
    QCOMPARE(WindowPlan().obstacles.meshes[0].mesh->triangles.size(), size_t{12});
    QCOMPARE(QDir::cleanPath(QString::fromStdString(WindowPlan().obstacles.meshes[0].file)),
             m_dir.filePath("moved/stage.obj"));
}

void WindowMendsTest::reopeningShowsWhatWasShown()
{
    EnterCameras(3);
    RenderAndSettle();
    CVolumeView* view = m_dlg->View();
    Trigger(MenuCommand::Quality);
    Trigger(MenuCommand::MeasureSigma);
    view->SetQualityThreshold(QualityThreshold{1, 2.5f});
    m_menu->Action(MenuCommand::PlanningPanel)->setChecked(true);
    const ViewPose pose{35.0f, -12.5f, 0.25f, -0.5f, -1.5f};
    view->Renderer().SetView(pose);
    SaveAs("shown.vplan");
    QVERIFY(!Modified());
    // Turning the view is no change of the plan.
    view->Renderer().SetView({});
    QVERIFY(!Modified());

    // Another display, measure, threshold, pose and no panel; then opened again.
    Trigger(MenuCommand::CameraCount2D);
    Trigger(MenuCommand::MeasureAngle);
    view->SetQualityThreshold(std::nullopt);
    m_menu->Action(MenuCommand::PlanningPanel)->setChecked(false);
    m_prompts->files.push_back(m_dir.filePath("shown.vplan").toStdString());
    Trigger(MenuCommand::OpenProject);
    QVERIFY(view->IsQualityDisplay());
    QVERIFY(m_menu->Action(MenuCommand::Quality)->isChecked());
    QCOMPARE(view->GetQualityMeasure(), PlanningMeasure::Sigma);
    QVERIFY(m_menu->Action(MenuCommand::MeasureSigma)->isChecked());
    QCOMPARE(view->GetQualityThreshold(), std::optional<QualityThreshold>(QualityThreshold{1, 2.5f}));
    QVERIFY(view->GetView() == pose);
    QVERIFY(m_menu->Action(MenuCommand::PlanningPanel)->isChecked());
    QVERIFY(m_menu->Panel() && m_menu->Panel()->isVisible());
    QCOMPARE(m_menu->Panel()->ThresholdValue()->text(), QString("2.5"));
    QVERIFY(!Modified());

    // A classic display, saved and opened, comes back too.
    Trigger(MenuCommand::SelectiveCameras);
    m_menu->Action(MenuCommand::PlanningPanel)->setChecked(false);
    SaveAs("classic.vplan");
    Trigger(MenuCommand::ResolutionMap);
    m_prompts->files.push_back(m_dir.filePath("classic.vplan").toStdString());
    Trigger(MenuCommand::OpenProject);
    QVERIFY(!view->IsQualityDisplay());
    QVERIFY(GetSceneSettings()->GetSelectiveCameras());
    QVERIFY(!m_menu->Action(MenuCommand::PlanningPanel)->isChecked());
}

QTEST_MAIN(WindowMendsTest)
#include "WindowMendsTest.moc"
