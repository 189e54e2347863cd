#include "ScriptedPrompts.h"

#include "app/CameraTableModel.h"
#include "app/CameraTablePanel.h"
#include "app/DialogLayout.h"
#include "app/FloorMapPanel.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/ObstaclePanel.h"
#include "app/PlanningPanel.h"
#include "app/VolumePlannerDlg.h"
#include "cameras/CameraSet.h"
#include "classic/ClassicParameters.h"
#include "coverage/CoverageVolume.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"
#include "report/FloorMaps.h"
#include "scene/SceneSettings.h"

#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <utility>

// The program's window on a 1366 x 768 screen: the dialog scrolls, the
// panels are docks, and the Planner view grows with the window.
class LaptopWindowTest : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void windowFitsTheScreenAndRenderPanelAndTableAreUsable();
    void docksFloatTabAndHideAndTheMenuFollows();
    void plannerViewGrowsWithTheWindowAndClassicKeepsItsLayout();
    void closeBoxAsksTheDialogAndQuitEndsTheWindow();
    void windowTitleShowsThePlanAndItsStar();
    void figuresGiveTheShareOfTheRoomInSightOfEveryRow();
    void floorMapDockIsTheReportsWorstCaseMapOfTheBandTyped();

  private:
    CVolumePlannerDlg& Dlg() const { return m_window->Dialog(); }
    CMainMenu& Menu() const { return m_window->Menu(); }
    QWidget* Ctl(int id) const { return Dlg().Control(id); }
    void Trigger(MenuCommand command) { Menu().Action(command)->trigger(); }
    // Scrolls the dialog to the widget and says whether the user can see it whole on the screen.
    bool Reach(QWidget* widget) const;
    // Scrolls to the button and clicks it, as a user does.
    void Click(int id);
    void EnterCameras(int n);
    void Settle();
    void SaveScreenshot(const QString& name) const
    {
        if (const char* dir = std::getenv("VP_SCREENSHOT_DIR"))
            m_window->grab().save(QDir(dir).filePath(name));
    }

    std::unique_ptr<CMainWindow> m_window;
    CScriptedPrompts* m_prompts = nullptr;
};

void LaptopWindowTest::init()
{
    g_bFocalLengthWatchArmed = false;
    g_fSceneScaleX = g_fSceneScaleY = g_fSceneScaleZ = 1.0f;
    ResetCoverageParameters();
    auto prompts = std::make_unique<CScriptedPrompts>();
    m_prompts = prompts.get();
    m_window = std::make_unique<CMainWindow>(std::move(prompts));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QTRY_VERIFY(Dlg().IsSceneReady());
}

void LaptopWindowTest::cleanup()
{
    m_window.reset();
    m_prompts = nullptr;
}

bool LaptopWindowTest::Reach(QWidget* widget) const
{
    QWidget* dock = widget;
    while (dock && !qobject_cast<QScrollArea*>(dock))
        dock = dock->parentWidget();
    if (auto* area = qobject_cast<QScrollArea*>(dock))
        area->ensureWidgetVisible(widget, 0, 0);
    QCoreApplication::processEvents();
    const QRect screen = m_window->screen()->geometry();
    const QRect onScreen(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    return widget->isVisible() && screen.contains(onScreen) && widget->visibleRegion().boundingRect() == widget->rect();
}

void LaptopWindowTest::Click(int id)
{
    QVERIFY(Reach(Ctl(id)));
    QTest::mouseClick(Ctl(id), Qt::LeftButton);
}

void LaptopWindowTest::EnterCameras(int n)
{
    static_cast<QLineEdit*>(Ctl(kIdCameraCount))->setText(QString::number(n));
    Click(kIdEnter);
    QCOMPARE(GetSceneSettings()->GetCameraCount(), static_cast<uint32_t>(n));
}

void LaptopWindowTest::Settle()
{
    QTRY_VERIFY_WITH_TIMEOUT(!GetSceneSettings()->GetRecalculate() && !Dlg().View()->IsComputing(), 60000);
    QTest::qWait(20);
}

void LaptopWindowTest::windowFitsTheScreenAndRenderPanelAndTableAreUsable()
{
    const QRect screen = m_window->screen()->availableGeometry();
    QCOMPARE(screen.size(), QSize(1366, 768));
    QVERIFY(m_window->frameGeometry().width() <= screen.width());
    QVERIFY(m_window->frameGeometry().height() <= screen.height());
    // The classic dialog, unchanged inside the window, is taller than the screen: it scrolls.
    QCOMPARE(Dlg().size(), QSize(1251, 834));
    QCOMPARE(Dlg().View()->geometry(), QRect(7, 7, 1000, 725));
    QVERIFY(m_window->DialogArea()->verticalScrollBar()->maximum() > 0);
    // The screen is wide enough for the dialog and the scroll bar beside it: nothing at its right is cut.
    QVERIFY2(m_window->DialogArea()->viewport()->width() >= Dlg().width(),
             qPrintable(QString::number(m_window->DialogArea()->viewport()->width())));
    QVERIFY(m_window->menuBar()->isVisible());

    // RENDER, at the dialog's lower edge, is reached by scrolling and computes.
    EnterCameras(4);
    static_cast<QLineEdit*>(Ctl(kIdRoomLength))->setText("9");
    Click(kIdRender);
    Settle();
    QCOMPARE(GetSceneSettings()->GetRoomLength(), 9.0f);
    QVERIFY(Dlg().View()->Renderer().GetLastTakenRequests() > 0);
    SaveScreenshot("laptop-render.png");

    // The Planning panel opens as a dock and computes its figures.
    Trigger(MenuCommand::PlanningPanel);
    QDockWidget* planning = m_window->Dock(DockedPanel::Planning);
    QVERIFY(planning->isVisible());
    QVERIFY(Menu().Panel() && Menu().Panel()->isVisible());
    QVERIFY(planning->isAncestorOf(Menu().Panel()));
    QVERIFY(Reach(Menu().Panel()->TriangulableFigure()));
    QTRY_VERIFY_WITH_TIMEOUT(Menu().Panel()->TriangulableFigure()->text() != "-", 60000);
    QVERIFY(screen.contains(QRect(planning->mapToGlobal(QPoint(0, 0)), planning->size())));

    // The camera table opens as a dock below, and a cell takes a typed value.
    Trigger(MenuCommand::CameraTable);
    QDockWidget* cameras = m_window->Dock(DockedPanel::CameraTable);
    QVERIFY(cameras->isVisible());
    QTableView* table = Menu().CameraTable()->Table();
    const QModelIndex cell = table->model()->index(0, CCameraTableModel::kColPan);
    table->setCurrentIndex(cell);
    table->edit(cell);
    QLineEdit* editor = nullptr;
    for (QLineEdit* child : table->viewport()->findChildren<QLineEdit*>())
        if (child->isVisible())
            editor = child;
    QVERIFY(editor);
    QVERIFY(Reach(editor));
    editor->selectAll();
    QTest::keyClicks(editor, "30");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    QCOMPARE(CCameraSet::Instance().GetHTilt(0), 30.0f);
    QVERIFY(m_prompts->messages.empty());
    SaveScreenshot("laptop-docks.png");
}

void LaptopWindowTest::docksFloatTabAndHideAndTheMenuFollows()
{
    EnterCameras(2);
    QDockWidget* planning = m_window->Dock(DockedPanel::Planning);
    QDockWidget* obstacles = m_window->Dock(DockedPanel::Obstacles);
    QDockWidget* cameras = m_window->Dock(DockedPanel::CameraTable);
    for (QDockWidget* dock : {planning, obstacles, cameras}) {
        QVERIFY(!dock->isVisible());
        QVERIFY(dock->features().testFlag(QDockWidget::DockWidgetFloatable));
        QVERIFY(dock->features().testFlag(QDockWidget::DockWidgetClosable));
    }

    // View > Panels builds a panel the first time it shows its dock.
    QMenu* panels = nullptr;
    for (QAction* action : Menu().ViewMenu()->actions())
        if (action->menu() && action->text() == "Pa&nels")
            panels = action->menu();
    QVERIFY(panels);
    QStringList names;
    for (const QAction* action : panels->actions())
        names << action->text();
    QCOMPARE(names, QStringList({"Planning", "Obstacles", "Cameras", "Floor Map"}));
    cameras->toggleViewAction()->trigger();
    QVERIFY(cameras->isVisible());
    QVERIFY(Menu().CameraTable() && cameras->isAncestorOf(Menu().CameraTable()));
    QCOMPARE(Menu().CameraTable()->Table()->model()->rowCount(), 2);
    Trigger(MenuCommand::Obstacles);
    QVERIFY(obstacles->isVisible() && Menu().ObstacleWindow()->isVisible());
    QVERIFY(!Menu().ObstacleWindow()->isWindow());
    // The two wide tables share the bottom as tabs.
    QVERIFY(m_window->tabifiedDockWidgets(cameras).contains(obstacles));

    // The dock's close box ends the Planning panel as the menu does: its measures stop.
    Trigger(MenuCommand::PlanningPanel);
    QVERIFY(Dlg().View()->IsPlanningEnabled());
    planning->close();
    QVERIFY(!Menu().Action(MenuCommand::PlanningPanel)->isChecked());
    QVERIFY(!Dlg().View()->IsPlanningEnabled());
    planning->toggleViewAction()->trigger();
    QVERIFY(planning->isVisible());
    QVERIFY(Menu().Action(MenuCommand::PlanningPanel)->isChecked());
    QVERIFY(Dlg().View()->IsPlanningEnabled());
    Trigger(MenuCommand::PlanningPanel);
    QVERIFY(!planning->isVisible());
    QVERIFY(!planning->toggleViewAction()->isChecked());

    // A floating dock is a window of its own and still the panel's.
    cameras->setFloating(true);
    QVERIFY(cameras->isWindow());
    QVERIFY(cameras->isAncestorOf(Menu().CameraTable()));
    Trigger(MenuCommand::CameraTable);
    QVERIFY(cameras->isVisible());
}

void LaptopWindowTest::plannerViewGrowsWithTheWindowAndClassicKeepsItsLayout()
{
    // Without the Planning dock a window as wide as the screen is wider than the dialog.
    m_window->resize(1366, 768);
    QCoreApplication::processEvents();
    const QRect classicView(7, 7, 1000, 725);
    const QPoint renderAt = Ctl(kIdRender)->pos(), quitAt = Ctl(kIdQuit)->pos(), countAt = Ctl(kIdCameraCount)->pos();
    EnterCameras(4);
    Click(kIdRender);
    Settle();
    Trigger(MenuCommand::PlannerView);
    QCoreApplication::processEvents();
    CVolumeView* view = Dlg().View();
    const int grow = view->width() - classicView.width();
    QVERIFY2(grow > 50, qPrintable(QString::number(grow)));
    QCOMPARE(view->height(), classicView.height());
    QCOMPARE(Dlg().width(), 1251 + grow);
    // No scroll bar along the side the view grew on.
    QCOMPARE(m_window->DialogArea()->horizontalScrollBar()->maximum(), 0);
    Settle();
    view->RequestRepaint();
    QTRY_COMPARE(view->grabFramebuffer().width(), view->width());
    const QImage grown = view->grabFramebuffer();
    SaveScreenshot("laptop-planner.png");
    // The controls right of the view move with its edge; those below it stay.
    QCOMPARE(Ctl(kIdRender)->pos().x(), renderAt.x() + (renderAt.x() >= classicView.right() ? grow : 0));
    QCOMPARE(Ctl(kIdCameraCount)->pos(), countAt + QPoint(countAt.x() >= classicView.right() ? grow : 0, 0));
    // The room is framed in the whole grown scene: its middle moved right with the edge.
    const auto middleColumn = [](const QImage& frame) {
        long sum = 0, count = 0;
        for (int y = 45; y < frame.height(); y += 2)
            for (int x = 0; x < frame.width(); x += 2)
                if (frame.pixelColor(x, y) != QColor(51, 51, 51)) {
                    sum += x;
                    ++count;
                }
        return count ? static_cast<double>(sum) / count : 0.0;
    };
    QVERIFY(grown.pixelColor(grown.width() - 3, 2) == grown.pixelColor(3, 2));

    Trigger(MenuCommand::PlannerView);
    QCoreApplication::processEvents();
    QCOMPARE(view->geometry(), classicView);
    QCOMPARE(Dlg().size(), QSize(1251, 834));
    QCOMPARE(Ctl(kIdRender)->pos(), renderAt);
    QCOMPARE(Ctl(kIdQuit)->pos(), quitAt);
    QCOMPARE(Ctl(kIdCameraCount)->pos(), countAt);
    view->RequestRepaint();
    QTRY_COMPARE(view->grabFramebuffer().size(), QSize(1000, 725));

    // The Planning dock leaves the dialog less room than its width: the planner keeps the classic size.
    Trigger(MenuCommand::PlanningPanel);
    Trigger(MenuCommand::PlannerView);
    QCoreApplication::processEvents();
    QCOMPARE(view->width(), classicView.width());
    view->RequestRepaint();
    Settle();
    QTRY_COMPARE(view->grabFramebuffer().size(), QSize(1000, 725));
    const QImage classicSize = view->grabFramebuffer();
    QVERIFY2(middleColumn(grown) > middleColumn(classicSize) + grow / 4.0,
             qPrintable(QString("%1 %2").arg(middleColumn(grown)).arg(middleColumn(classicSize))));
}

void LaptopWindowTest::closeBoxAsksTheDialogAndQuitEndsTheWindow()
{
    bool allow = false;
    int asked = 0;
    Dlg().SetCloseGuard([&] {
        ++asked;
        return allow;
    });
    m_window->close();
    QCOMPARE(asked, 1);
    QVERIFY(m_window->isVisible());
    QVERIFY(Dlg().isVisible());

    allow = true;
    Trigger(MenuCommand::Quit);
    QCOMPARE(asked, 2);
    QVERIFY(!Dlg().isVisible());
    QVERIFY(!m_window->isVisible());
}

void LaptopWindowTest::windowTitleShowsThePlanAndItsStar()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    EnterCameras(3);
    m_prompts->files.push_back(folder.filePath("stage.vplan").toStdString());
    Trigger(MenuCommand::SaveProjectAs);
    QTRY_VERIFY(m_window->windowTitle().startsWith("stage.vplan -"));
    EnterCameras(4);
    QTRY_VERIFY(m_window->windowTitle().startsWith("stage.vplan* -"));
    QCOMPARE(m_window->windowTitle(), Dlg().windowTitle());
}

void LaptopWindowTest::figuresGiveTheShareOfTheRoomInSightOfEveryRow()
{
    EnterCameras(6);
    Click(kIdRender);
    Settle();
    Trigger(MenuCommand::PlanningPanel);
    QTableWidget* counts = Menu().Panel()->CountFigures();
    QTRY_VERIFY_WITH_TIMEOUT(counts->rowCount() == 6 && counts->item(0, 2), 60000);
    QCOMPARE(counts->columnCount(), 4);
    QCOMPARE(counts->horizontalHeaderItem(2)->text(), QString("Seen %"));
    // The share against the room's own volume: the grid covers the room.
    const SceneSettings& s = *GetSceneSettings();
    const double room = double(s.GetRoomLength()) * s.GetRoomWidth() * s.GetRoomHeight();
    double previous = 100.0;
    for (int row = 0; row < counts->rowCount(); ++row) {
        const double share = counts->item(row, 2)->text().toDouble();
        QVERIFY2(std::abs(share - 100.0 * counts->item(row, 0)->text().toDouble() / room) < 2.0,
                 qPrintable(QString("row %1: %2").arg(row).arg(share)));
        QVERIFY(share <= previous);
        previous = share;
        QVERIFY(counts->item(row, 3)->text().toDouble() <= share + 1e-9);
    }
    // Every row in sight without scrolling the table.
    QVERIFY(!counts->verticalScrollBar()->isVisible());
    QVERIFY2(counts->viewport()->height() >= counts->verticalHeader()->length(),
             qPrintable(QString("%1 < %2").arg(counts->viewport()->height()).arg(counts->verticalHeader()->length())));
}

void LaptopWindowTest::floorMapDockIsTheReportsWorstCaseMapOfTheBandTyped()
{
    CFloorMapPanel* panel = m_window->FloorMap();
    QVERIFY(!m_window->FloorMapDock()->isVisible());
    m_window->FloorMapDock()->toggleViewAction()->trigger();
    QVERIFY(m_window->FloorMapDock()->isVisible());
    QVERIFY(panel->MapImage().isNull());
    QCOMPARE(panel->Note()->text(), QString("No coverage yet: RENDER computes it."));

    EnterCameras(4);
    Click(kIdRender);
    Settle();
    QTRY_VERIFY(!panel->MapImage().isNull());
    const CCoverageVolume& volume = Dlg().View()->Renderer().GetVolume();
    const SceneSettings& s = *GetSceneSettings();
    const auto drawn = [&](float from, float to) {
        return DrawFloorMap(*CaptureBandMap(volume, s.GetRoomHeight(), from, to),
                            CCameraSet::Instance().CountEnabledInRange(), s.GetRoomLength(), s.GetRoomWidth());
    };
    QCOMPARE(panel->MapImage(), drawn(0.5f, 2.0f));
    if (const char* dir = std::getenv("VP_SCREENSHOT_DIR"))
        panel->MapImage().save(QDir(dir).filePath("laptop-floor-map.png"));

    // A band the panel cannot use is refused naming its box; the band and the map stay.
    const QImage before = panel->MapImage();
    for (const auto& [box, text] :
         {std::pair{panel->FromBox(), QString("abc")}, std::pair{panel->ToBox(), QString("0.2")}}) {
        m_prompts->messages.clear();
        box->setText(text);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(m_prompts->Texts().size(), size_t(1));
        QVERIFY2(m_prompts->Texts().front().find(box == panel->FromBox() ? "from \"abc\"" : "to \"0.2\"") !=
                     std::string::npos,
                 m_prompts->Texts().front().c_str());
        QCOMPARE(panel->BandFromM(), 0.5f);
        QCOMPARE(panel->BandToM(), 2.0f);
        QCOMPARE(panel->FromBox()->text(), QString("0.5"));
        QCOMPARE(panel->ToBox()->text(), QString("2"));
        QCOMPARE(panel->MapImage(), before);
    }

    // A band taken draws that band's map at once.
    m_prompts->messages.clear();
    panel->FromBox()->setText("1");
    panel->ToBox()->setText("1.5");
    QTest::keyClick(panel->ToBox(), Qt::Key_Return);
    QVERIFY(m_prompts->messages.empty());
    QCOMPARE(panel->BandFromM(), 1.0f);
    QCOMPARE(panel->MapImage(), drawn(1.0f, 1.5f));
    QVERIFY(panel->MapImage() != before);
}

QTEST_MAIN(LaptopWindowTest)
#include "LaptopWindowTest.moc"
