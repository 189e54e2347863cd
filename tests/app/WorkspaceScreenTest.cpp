#include "ScriptedPrompts.h"

#include "app/workspace/WorkspaceView.h"
#include "app/workspace/WorkspaceWindow.h"
#include "render/view/VolumeView.h"

#include <QDockWidget>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <memory>

// The workspace at its first start on the screen it is run on (the test
// runs under a laptop's 1366 x 768 screen and a 1900 x 1040 one): all of it
// on the screen, and the view taking what the docks leave.
class WorkspaceScreenTest : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void wholeWorkspaceIsOnTheScreen();
    void viewTakesTheWidthTheDocksLeave();

  private:
    QRect Screen() const { return QGuiApplication::primaryScreen()->availableGeometry(); }
    // Whether the widget is shown whole, within the screen.
    bool OnScreen(const QWidget& widget) const;

    QTemporaryDir m_dir;
    std::unique_ptr<CWorkspaceWindow> m_window;
};

void WorkspaceScreenTest::init()
{
    QVERIFY(m_dir.isValid());
    m_window = std::make_unique<CWorkspaceWindow>(
        std::make_unique<CScriptedPrompts>(),
        std::make_unique<QSettings>(m_dir.filePath("settings.ini"), QSettings::IniFormat));
    // As at the first start: nothing kept, the window fills the screen.
    m_window->ShowAsLastTime();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->Action(WorkspaceCommand::OpenExample)->trigger();
    QTest::qWait(200);
}

void WorkspaceScreenTest::cleanup()
{
    m_window.reset();
}

bool WorkspaceScreenTest::OnScreen(const QWidget& widget) const
{
    const QRect shown(widget.mapToGlobal(QPoint(0, 0)), widget.size());
    return widget.isVisible() && Screen().contains(shown);
}

void WorkspaceScreenTest::wholeWorkspaceIsOnTheScreen()
{
    QVERIFY(Screen().contains(m_window->frameGeometry()));
    QVERIFY(m_window->minimumSizeHint().width() <= Screen().width());
    QVERIFY(m_window->minimumSizeHint().height() <= Screen().height());
    QVERIFY(OnScreen(*m_window->menuBar()));
    QVERIFY(OnScreen(*m_window->statusBar()));
    QVERIFY(OnScreen(m_window->View().View()));
    QVERIFY(m_window->View().View().width() >= kMinimumViewWidth);
    QVERIFY(m_window->View().View().height() >= kMinimumViewHeight);
    // Each dock, a tab brought to the front first.
    for (QDockWidget* dock : m_window->Docks()) {
        dock->raise();
        QTest::qWait(20);
        QVERIFY2(OnScreen(*dock) && !dock->visibleRegion().isEmpty(), qPrintable(dock->windowTitle()));
    }
    // Every toolbar button on the bar, none folded away behind its extension.
    for (QToolBar* bar : m_window->findChildren<QToolBar*>()) {
        QVERIFY(OnScreen(*bar));
        for (QAction* action : bar->actions()) {
            QWidget* button = bar->widgetForAction(action);
            if (button && !action->isSeparator())
                QVERIFY2(OnScreen(*button), qPrintable(action->text()));
        }
    }
}

void WorkspaceScreenTest::viewTakesTheWidthTheDocksLeave()
{
    if (Screen().width() < 1900)
        QSKIP("The wide screen's check; this run is on a narrower one");
    m_window->showNormal();
    m_window->setGeometry(QRect(Screen().topLeft(), QSize(1900, 1040)).intersected(Screen()));
    QTest::qWait(200);
    QVERIFY2(m_window->View().View().width() > 1300, qPrintable(QString::number(m_window->View().View().width())));
}

QTEST_MAIN(WorkspaceScreenTest)
#include "WorkspaceScreenTest.moc"
