#include "MenuWindowFixture.h"

#include "app/BoxNumber.h"
#include "app/CameraTableModel.h"
#include "app/CameraTablePanel.h"
#include "app/GenerateRigPanel.h"
#include "app/ObstaclePanel.h"
#include "app/ProjectCommands.h"
#include "app/RecentPlans.h"
#include "cameras/CameraSet.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <memory>
#include <sstream>

// Edit > Undo over the whole plan, copying cameras, the camera table and
// Plan > Generate Rig in the real main window on an X display.
class EditingWindowTest : public QObject, CMenuWindowFixture
{
    Q_OBJECT

  private slots:
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void roomChangeAndObstacleEditsAreStepsOfTheirOwn();
    void copyPasteAndDuplicateAddOneCameraAStep();
    void cameraTableEditsACameraWithTheBoxesRefusals();
    void cameraTableRowIsTheSelectedCamera();
    void generatedRigIsOneStep();
    void emptyStartNewPlanRecentPlansAndSaveConfirmations();

  private:
    void StartWithTwoCameras()
    {
        EnterCameras(2);
        WaitForCoverage();
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
                << set.GetSpin(i) << ' ' << set.GetEnabled(i) << ' ' << set.GetCameraType(i) << '\n';
        }
        return out.str();
    }
    void WaitForCoverage()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->View()->Renderer().IsComputing() && !GetSceneSettings()->GetRecalculate(),
                                 60000);
    }
    QUndoStack& Stack() { return m_menu->ClassicPlan().UndoStack(); }
    QLineEdit* Box(int id) { return static_cast<QLineEdit*>(Ctl(id)); }
    void SelectCamera(int i)
    {
        // The dialog asks about the boxes of the camera shown before (No: nothing was typed) and takes the
        // choice made again.
        auto* selector = static_cast<QComboBox*>(Ctl(kIdCameraSelector));
        for (int attempt = 0; attempt < 2 && m_dlg->GetSelectedCamera() != i; ++attempt) {
            selector->setCurrentIndex(i);
            emit selector->activated(i);
        }
        QCOMPARE(m_dlg->GetSelectedCamera(), i);
    }
    CCameraTablePanel& Table()
    {
        if (!m_menu->CameraTable())
            Trigger(MenuCommand::CameraTable);
        return *m_menu->CameraTable();
    }
    // Types `text` into the cell's own editor and presses Enter, as a user does.
    void TypeIntoCell(int row, int column, const QString& text)
    {
        QTableView* view = Table().Table();
        const QModelIndex index = view->model()->index(row, column);
        view->setCurrentIndex(index);
        // The editors of earlier cells go first.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        view->edit(index);
        QLineEdit* editor = nullptr;
        for (QLineEdit* child : view->viewport()->findChildren<QLineEdit*>())
            if (child->isVisible())
                editor = child;
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The delegate commits the editor's text from the event loop.
        QCoreApplication::processEvents();
    }
    int YellowPixels() const
    {
        const QImage frame = m_dlg->View()->grabFramebuffer();
        int count = 0;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x) {
                const QColor c = frame.pixelColor(x, y);
                count += c.red() > 220 && c.green() > 180 && c.green() < 235 && c.blue() < 60;
            }
        return count;
    }
    QString Cell(int row, int column)
    {
        QAbstractItemModel* model = Table().Table()->model();
        return model->data(model->index(row, column)).toString();
    }

    QTemporaryDir m_dir;
};

void EditingWindowTest::roomChangeAndObstacleEditsAreStepsOfTheirOwn()
{
    StartWithTwoCameras();
    SceneSettings& s = *GetSceneSettings();
    const std::string rigBefore = RigText();
    const float length = s.GetRoomLength();
    const QString lengthText = Box(kIdRoomLength)->text();
    const Vec3d camera = CCameraSet::Instance().GetFilePosition(0);

    Box(kIdRoomLength)->setText(QString::number(length + 2.0f));
    QTest::mouseClick(Ctl(kIdRender), Qt::LeftButton);
    QCOMPARE(s.GetRoomLength(), length + 2.0f);
    QCOMPARE(Stack().count(), 1);
    QCOMPARE(m_menu->Action(MenuCommand::Undo)->text(), QString("&Undo Room change"));
    WaitForCoverage();
    // The cameras keep their distance from the room corner, whose place moved.
    QCOMPARE(CCameraSet::Instance().GetFilePosition(0), camera);

    Trigger(MenuCommand::Undo);
    QCOMPARE(s.GetRoomLength(), length);
    QCOMPARE(Box(kIdRoomLength)->text(), lengthText);
    QCOMPARE(RigText(), rigBefore);
    QVERIFY(s.GetRecalculate());
    WaitForCoverage();
    Trigger(MenuCommand::Redo);
    QCOMPARE(s.GetRoomLength(), length + 2.0f);
    Trigger(MenuCommand::Undo);

    WaitForCoverage();

    // Obstacles: each edit in their window a step, undone in its rows too.
    Trigger(MenuCommand::Obstacles);
    CObstaclePanel& panel = *m_menu->ObstacleWindow();
    QTest::mouseClick(panel.AddBoxButton(), Qt::LeftButton);
    QCOMPARE(WindowPlan().obstacles.boxes.size(), 1u);
    panel.Table()->item(0, CObstaclePanel::kColMaxOrFile)->setText("2, 1, 2");
    QCOMPARE(WindowPlan().obstacles.boxes[0].max.x, 2.0);
    // A refused value is no step.
    panel.Table()->item(0, CObstaclePanel::kColMin)->setText("a, b");
    QCOMPARE(m_prompts->messages.back().text.rfind("Obstacle not changed", 0), 0u);
    QCOMPARE(Stack().count(), 2);
    QCOMPARE(m_menu->Action(MenuCommand::Undo)->text(), QString("&Undo Obstacle Edit"));
    // Obstacles wait for the next RENDER, undone or not.
    QVERIFY(!s.GetRecalculate());
    Trigger(MenuCommand::Undo);
    QCOMPARE(WindowPlan().obstacles.boxes[0].max.x, 0.5);
    QCOMPARE(panel.Table()->item(0, CObstaclePanel::kColMaxOrFile)->text(), QString("0.5, 1, 0.5"));
    QVERIFY(!s.GetRecalculate());
    Trigger(MenuCommand::Undo);
    QVERIFY(WindowPlan().obstacles.empty());
    QCOMPARE(panel.Table()->rowCount(), 0);
    QCOMPARE(RigText(), rigBefore);
    Trigger(MenuCommand::Redo);
    QCOMPARE(panel.Table()->rowCount(), 1);
}

void EditingWindowTest::copyPasteAndDuplicateAddOneCameraAStep()
{
    StartWithTwoCameras();
    const std::string before = RigText();
    // Nothing selected: named, nothing copied.
    Trigger(MenuCommand::CopyCamera);
    QCOMPARE(m_prompts->messages.back().caption, std::string("Invalid Action"));
    QVERIFY(!m_menu->Action(MenuCommand::PasteCamera)->isEnabled());

    SelectCamera(1);
    Trigger(MenuCommand::CopyCamera);
    QVERIFY(m_menu->Action(MenuCommand::PasteCamera)->isEnabled());
    SelectCamera(0);
    Trigger(MenuCommand::PasteCamera);
    const SceneSettings& s = *GetSceneSettings();
    QCOMPARE(s.GetCameraCount(), 3u);
    QCOMPARE(s.GetEndCamera(), 3u);
    const CCameraSet& set = CCameraSet::Instance();
    QCOMPARE(set.GetFilePosition(2), set.GetFilePosition(1));
    QCOMPARE(set.GetHTilt(2), set.GetHTilt(1));
    QCOMPARE(set.GetVTilt(2), set.GetVTilt(1));
    QCOMPARE(set.GetFocalLength(2), set.GetFocalLength(1));
    QCOMPARE(QString::fromStdString(set.GetLabel(2)), QString("Camera 3"));
    // The new camera is selected, its values in the boxes.
    QCOMPARE(m_dlg->GetSelectedCamera(), 2);
    QCOMPARE(Box(kIdHTilt)->text(), QString::fromStdString(FormatBoxNumber(set.GetHTilt(1))));
    const std::string pasted = RigText();

    SelectCamera(0);
    Trigger(MenuCommand::DuplicateCamera);
    QCOMPARE(s.GetCameraCount(), 4u);
    QCOMPARE(set.GetFilePosition(3), set.GetFilePosition(0));
    QCOMPARE(set.GetHTilt(3), set.GetHTilt(0));
    QCOMPARE(Stack().count(), 2);
    QCOMPARE(m_menu->Action(MenuCommand::Undo)->text(), QString("&Undo Duplicate Camera"));

    Trigger(MenuCommand::Undo);
    QCOMPARE(RigText(), pasted);
    Trigger(MenuCommand::Undo);
    QCOMPARE(RigText(), before);
    QCOMPARE(Box(kIdCameraCount)->text(), QString("2"));
}

void EditingWindowTest::cameraTableEditsACameraWithTheBoxesRefusals()
{
    StartWithTwoCameras();
    CCameraTablePanel& table = Table();
    QCOMPARE(table.Table()->model()->rowCount(), 2);
    const CCameraSet& set = CCameraSet::Instance();
    QCOMPARE(Cell(0, CCameraTableModel::kColPan), QString::fromStdString(FormatBoxNumber(set.GetHTilt(0))));
    QCOMPARE(Cell(1, CCameraTableModel::kColLabel), QString("Camera 2"));
    QVERIFY(Cell(0, CCameraTableModel::kColReach).toDouble() > 0.0);
    const std::string before = RigText();

    TypeIntoCell(0, CCameraTableModel::kColPan, "30");
    QCOMPARE(set.GetHTilt(0), 30.0f);
    QCOMPARE(Cell(0, CCameraTableModel::kColPan), QString("30.00"));
    QCOMPARE(Stack().count(), 1);
    // The glyph moves at once, as after Update Settings.
    QVERIFY(GetSceneSettings()->GetRecalculate());

    // A position in the user frame: stored as Update Settings stores the box.
    TypeIntoCell(1, CCameraTableModel::kColX, "1.25");
    QCOMPARE(set.GetFilePosition(1).x, 1.25);
    // A longer lens narrows the field of view at once.
    const float hFov = set.GetHFov(0);
    TypeIntoCell(0, CCameraTableModel::kColLens, "12");
    QCOMPARE(set.GetFocalLength(0), 12.0f);
    QVERIFY(set.GetHFov(0) < hFov);
    const std::string edited = RigText();

    // Refusals as the boxes have them: named, the camera and the history unchanged.
    const struct {
        int column;
        const char* text;
        const char* named;
    } refused[] = {{CCameraTableModel::kColLens, "0", "focal length \"0\" is not a number above 0"},
                   {CCameraTableModel::kColFStop, "-2", "f-stop \"-2\" is not a number above 0"},
                   {CCameraTableModel::kColTilt, "abc", "vertical tilt \"abc\" is not a number"},
                   {CCameraTableModel::kColZ, "1 000", "Z position \"1 000\" is not a number"},
                   {CCameraTableModel::kColLabel, " ", "label"}};
    for (const auto& r : refused) {
        const size_t shown = m_prompts->messages.size();
        TypeIntoCell(0, r.column, r.text);
        QCOMPARE(m_prompts->messages.size(), shown + 1);
        const std::string& text = m_prompts->messages.back().text;
        QVERIFY2(text.find(r.named) != std::string::npos, text.c_str());
        QCOMPARE(text.rfind("Camera 1 not changed", 0), 0u);
        QCOMPARE(RigText(), edited);
    }
    QCOMPARE(Stack().count(), 3);

    // Enabled is a check box.
    QAbstractItemModel* model = table.Table()->model();
    QVERIFY(model->setData(model->index(1, CCameraTableModel::kColEnabled), Qt::Unchecked, Qt::CheckStateRole));
    QCOMPARE(set.GetEnabled(1), 0);

    for (int n = 0; n < 4; ++n)
        Trigger(MenuCommand::Undo);
    QCOMPARE(RigText(), before);
    QCOMPARE(Cell(0, CCameraTableModel::kColPan), QString::fromStdString(FormatBoxNumber(set.GetHTilt(0))));
}

void EditingWindowTest::cameraTableRowIsTheSelectedCamera()
{
    StartWithTwoCameras();
    CCameraTablePanel& table = Table();
    QTableView* view = table.Table();
    // A row chosen selects its camera in the dialog, its values in the boxes.
    view->selectRow(1);
    QCOMPARE(m_dlg->GetSelectedCamera(), 1);
    QCOMPARE(static_cast<QComboBox*>(Ctl(kIdCameraSelector))->currentIndex(), 1);
    QCOMPARE(Box(kIdHTilt)->text(), Cell(1, CCameraTableModel::kColPan));
    // A camera chosen in the dialog selects its row.
    SelectCamera(0);
    QCOMPARE(view->currentIndex().row(), 0);

    // Edits typed in the boxes and not stored: the dialog's question decides, and the row follows it.
    Box(kIdHTilt)->setText("77");
    m_prompts->answers = {PromptAnswer::No};
    view->selectRow(1);
    QCOMPARE(m_prompts->messages.back().caption, std::string("Warning"));
    QCOMPARE(m_dlg->GetSelectedCamera(), 0);
    QCOMPARE(view->currentIndex().row(), 0);
    QCOMPARE(CCameraSet::Instance().GetHTilt(0) == 77.0f, false);

    // The Planner view rings the selected camera in yellow while the table shows.
    CSceneRenderer& renderer = m_dlg->View()->Renderer();
    QCOMPARE(renderer.GetHighlightedCamera(), 0);
    Trigger(MenuCommand::PlannerView);
    const int ringed = YellowPixels();
    table.hide();
    QCOMPARE(renderer.GetHighlightedCamera(), -1);
    QVERIFY2(ringed > YellowPixels() + 20, QByteArray::number(ringed).constData());
    table.show();
    QCOMPARE(renderer.GetHighlightedCamera(), 0);

    // A new rig: the table has its rows.
    m_prompts->answers = {PromptAnswer::Yes};
    EnterCameras(5);
    QCOMPARE(view->model()->rowCount(), 5);
}

void EditingWindowTest::generatedRigIsOneStep()
{
    StartWithTwoCameras();
    Trigger(MenuCommand::GenerateRig);
    CGenerateRigPanel& panel = *m_menu->GenerateRigWindow();
    const std::string before = RigText();
    const SceneSettings& s = *GetSceneSettings();

    // A refused field is named; nothing changes.
    panel.FieldBox(CGenerateRigPanel::kCount)->setText("0");
    QTest::mouseClick(panel.GenerateButton(), Qt::LeftButton);
    QVERIFY(m_prompts->messages.back().text.find("Cameras \"0\"") != std::string::npos);
    panel.FieldBox(CGenerateRigPanel::kCount)->setText("6");
    panel.FieldBox(CGenerateRigPanel::kHeight)->setText(QString::number(s.GetRoomHeight() + 1.0f));
    QTest::mouseClick(panel.GenerateButton(), Qt::LeftButton);
    QCOMPARE(m_prompts->messages.back().text.rfind("Rig not generated\nHeight", 0), 0u);
    QCOMPARE(RigText(), before);
    QCOMPARE(Stack().count(), 0);

    panel.FieldBox(CGenerateRigPanel::kHeight)->setText("2");
    panel.AimBox()->setCurrentIndex(CGenerateRigPanel::kAimAtPoint);
    panel.FieldBox(CGenerateRigPanel::kAimPoint)->setText("1, 0.5, 1");
    QTest::mouseClick(panel.GenerateButton(), Qt::LeftButton);
    QCOMPARE(s.GetCameraCount(), 6u);
    QCOMPARE(s.GetEndCamera(), 6u);
    QCOMPARE(Box(kIdCameraCount)->text(), QString("6"));
    const CCameraSet& set = CCameraSet::Instance();
    const float length = s.GetRoomLength(), width = s.GetRoomWidth();
    for (int i = 0; i < 6; ++i) {
        const Vec3d p = set.GetFilePosition(i);
        QCOMPARE(p.y, 2.0);
        QVERIFY(p.x == 0.0 || p.z == 0.0 || p.x == static_cast<double>(length) || p.z == static_cast<double>(width));
        QCOMPARE(set.GetFocalLength(i), 8.5f);
        // Looking down at the point below the ring.
        QVERIFY(set.GetVTilt(i) > 0.0f);
    }
    QCOMPARE(Stack().count(), 1);
    QCOMPARE(m_menu->Action(MenuCommand::Undo)->text(), QString("&Undo Generate Rig"));
    WaitForCoverage();

    Trigger(MenuCommand::Undo);
    QCOMPARE(RigText(), before);
    QCOMPARE(Box(kIdCameraCount)->text(), QString("2"));
    Trigger(MenuCommand::Redo);
    QCOMPARE(s.GetCameraCount(), 6u);

    // A ceiling grid aimed at the target's centre.
    panel.LayoutBox()->setCurrentIndex(1);
    panel.AimBox()->setCurrentIndex(CGenerateRigPanel::kAimAtTargetCentre);
    panel.FieldBox(CGenerateRigPanel::kCount)->setText("4");
    QTest::mouseClick(panel.GenerateButton(), Qt::LeftButton);
    QCOMPARE(s.GetCameraCount(), 4u);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(set.GetFilePosition(i).y, static_cast<double>(static_cast<float>(s.GetRoomHeight())));
    QCOMPARE(Stack().count(), 2);
}

void EditingWindowTest::emptyStartNewPlanRecentPlansAndSaveConfirmations()
{
    // Every box names its unit and convention; the pan is the "Horizontal tilt" box.
    QVERIFY(Ctl(kIdHTilt)->toolTip().contains("pan"));
    QVERIFY(Ctl(kIdVoxelSize)->toolTip().contains("centimetres"));
    // The first step shows in the empty view.
    QVERIFY(m_menu->StartHint()->isVisible());
    QVERIFY(m_menu->StartHint()->text().contains("File > New Plan"));
    // Recent plans kept in a file of the test's own, never the user's settings.
    const QString store = m_dir.filePath("settings.ini");
    m_menu->KeepRecentPlansIn(std::make_unique<QSettings>(store, QSettings::IniFormat));

    Trigger(MenuCommand::NewPlan);
    CGenerateRigPanel& panel = *m_menu->NewPlanWindow();
    panel.FieldBox(CGenerateRigPanel::kRoomWidth)->setText("0");
    QTest::mouseClick(panel.GenerateButton(), Qt::LeftButton);
    QCOMPARE(m_prompts->messages.back().text.rfind("Rig not generated\nRoom width \"0\"", 0), 0u);
    QVERIFY(!m_dlg->AreCamerasInitialised());
    panel.FieldBox(CGenerateRigPanel::kRoomLength)->setText("7");
    panel.FieldBox(CGenerateRigPanel::kRoomWidth)->setText("4.5");
    panel.FieldBox(CGenerateRigPanel::kRoomHeight)->setText("3");
    panel.FieldBox(CGenerateRigPanel::kCount)->setText("5");
    QTest::mouseClick(panel.GenerateButton(), Qt::LeftButton);
    const SceneSettings& s = *GetSceneSettings();
    QCOMPARE(s.GetRoomLength(), 7.0f);
    QCOMPARE(s.GetRoomWidth(), 4.5f);
    QCOMPARE(s.GetRoomHeight(), 3.0f);
    QCOMPARE(Box(kIdRoomWidth)->text(), QString("4.50"));
    QCOMPARE(s.GetCameraCount(), 5u);
    QVERIFY(m_dlg->AreCamerasInitialised());
    QVERIFY(!m_menu->StartHint()->isVisible());
    // A new plan starts the history; it is unsaved.
    QCOMPARE(Stack().count(), 0);
    QVERIFY(m_menu->Plan().Document().IsModified());
    WaitForCoverage();

    // Saves say so beside the menus, and the file joins Open Recent.
    const QString path = m_dir.filePath("room.vplan");
    m_prompts->files.push_back(path.toStdString());
    Trigger(MenuCommand::SaveProjectAs);
    QCOMPARE(m_menu->StatusBar()->currentMessage(), "Project saved to " + path);
    QCOMPARE(m_menu->RecentPlans().Plans(), QStringList{path});
    QCOMPARE(QSettings(store, QSettings::IniFormat).value("recentProjects").toStringList(), QStringList{path});
    const QString cameras = m_dir.filePath("cameras.txt");
    m_prompts->files.push_back(cameras.toStdString());
    QTest::mouseClick(Ctl(kIdSaveFile), Qt::LeftButton);
    QCOMPARE(m_menu->StatusBar()->currentMessage(), "Cameras saved to " + cameras);

    // Another plan, then the first one again from Open Recent.
    Trigger(MenuCommand::NewPlan);
    panel.FieldBox(CGenerateRigPanel::kCount)->setText("3");
    QTest::mouseClick(panel.GenerateButton(), Qt::LeftButton);
    QCOMPARE(s.GetCameraCount(), 3u);
    m_prompts->answers = {PromptAnswer::No};
    QMenu* recent = qobject_cast<QMenu*>(m_menu->Action(MenuCommand::OpenProject)->parent())->findChild<QMenu*>();
    QVERIFY(recent && recent->isEnabled());
    recent->actions().front()->trigger();
    QTRY_COMPARE(s.GetCameraCount(), 5u);
    QCOMPARE(QString::fromStdString(m_menu->Plan().Document().Path()), path);
    QVERIFY(!m_menu->Plan().Document().IsModified());

    // A file gone since is named and leaves the list.
    QVERIFY(QFile::remove(path));
    recent->actions().front()->trigger();
    QTRY_VERIFY(m_menu->RecentPlans().Plans().isEmpty());
    QCOMPARE(m_prompts->messages.back().text.rfind("Project not opened", 0), 0u);
    QVERIFY(!recent->isEnabled());
}

QTEST_MAIN(EditingWindowTest)
#include "EditingWindowTest.moc"
