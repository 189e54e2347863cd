#include "MenuWindowFixture.h"

#include "app/DialogLayout.h"
#include "app/MainMenu.h"
#include "app/ProjectCommands.h"
#include "app/ViewStyleCommands.h"
#include "app/VolumePlannerDlg.h"
#include "project/ProjectFile.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"
#include "scene/SceneSettings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <cstdlib>
#include <fstream>
#include <sstream>

// View > Planner View, the wheel, Fit Room and the project file's memory of
// the style, driven in the real main window on an X display. The pictures are
// read back from the view's framebuffer.
class PlannerViewWindowTest : public QObject, CMenuWindowFixture
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void startsClassicAndSwitchesBothWays();
    void wheelZoomsTowardsTheCursorOnlyInThePlannerView();
    void fitRoomAfterZoomingFramesTheRoomAgain();
    void keyFFitsInTheViewAndStaysALetterInTheBoxes();
    void projectRemembersTheStyle();

  private:
    CVolumeView& View() const { return *m_dlg->View(); }
    // A 12 x 8 x 4 m stage with four cameras, computed.
    void MakeStage();
    void Settle();
    QImage Frame() { return View().grabFramebuffer(); }
    // One wheel notch per step at the view pixel, forwards (towards the scene) for positive steps.
    void Wheel(QPoint at, int steps);
    // The box around everything that is not background in the scene's part of the frame.
    static QRect DrawnBounds(const QImage& frame);
    void SaveScreenshot(const QImage& picture, const QString& name) const
    {
        if (const char* dir = std::getenv("VP_SCREENSHOT_DIR"))
            picture.save(QDir(dir).filePath(name));
    }
    QString Path(const char* name) const { return m_dir.filePath(name); }
    static std::string Read(const QString& path)
    {
        std::ifstream in(path.toStdString(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    QTemporaryDir m_dir;
};

namespace
{

const QColor kBackground(51, 51, 51);
// Rows of the frame above the scene: the status strip.
constexpr int kStatusRows = 45;
// The legend's corner at the lower right, left out of the scene's bounds.
const QRect kLegendCorner(800, 500, 200, 225);

} // namespace

void PlannerViewWindowTest::init()
{
    OpenWindow();
}

void PlannerViewWindowTest::cleanup()
{
    CloseWindow();
}

void PlannerViewWindowTest::Settle()
{
    QTRY_VERIFY_WITH_TIMEOUT(!GetSceneSettings()->GetRecalculate() && !View().IsComputing(), 60000);
    QTest::qWait(20);
}

void PlannerViewWindowTest::MakeStage()
{
    EnterCameras(4);
    static_cast<QLineEdit*>(Ctl(kIdRoomLength))->setText("12");
    static_cast<QLineEdit*>(Ctl(kIdRoomWidth))->setText("8");
    static_cast<QLineEdit*>(Ctl(kIdRoomHeight))->setText("4");
    QTest::mouseClick(Ctl(kIdRender), Qt::LeftButton);
    Settle();
}

void PlannerViewWindowTest::Wheel(QPoint at, int steps)
{
    for (int n = 0; n < std::abs(steps); ++n) {
        QWheelEvent event(at, View().mapToGlobal(at), QPoint(), QPoint(0, steps > 0 ? 120 : -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&View(), &event);
    }
}

QRect PlannerViewWindowTest::DrawnBounds(const QImage& frame)
{
    QRect bounds;
    for (int y = kStatusRows; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (!kLegendCorner.contains(x, y) && frame.pixelColor(x, y) != kBackground)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

void PlannerViewWindowTest::startsClassicAndSwitchesBothWays()
{
    QAction* planner = m_menu->Action(MenuCommand::PlannerView);
    QAction* fit = m_menu->Action(MenuCommand::FitRoom);
    QVERIFY(planner->isCheckable());
    QVERIFY(!planner->isChecked());
    QVERIFY(!fit->isEnabled());
    QCOMPARE(View().GetViewStyle(), ViewStyle::Classic);
    MakeStage();
    const QImage classic = Frame();
    SaveScreenshot(classic, "planner_view_classic_at_start.png");

    planner->trigger();
    QCOMPARE(View().GetViewStyle(), ViewStyle::Planner);
    QVERIFY(planner->isChecked());
    QVERIFY(fit->isEnabled());
    const QImage drawn = Frame();
    SaveScreenshot(drawn, "planner_view_on.png");
    QVERIFY(drawn != classic);

    // Off again: the classic picture as it was, pixel for pixel, and Fit Room does nothing there.
    planner->trigger();
    QCOMPARE(View().GetViewStyle(), ViewStyle::Classic);
    QVERIFY(!fit->isEnabled());
    m_menu->ViewStyle().FitRoom();
    QVERIFY(Frame() == classic);
}

void PlannerViewWindowTest::wheelZoomsTowardsTheCursorOnlyInThePlannerView()
{
    MakeStage();
    // The classic view has no wheel.
    const ViewPose classicPose = View().GetView();
    const QImage classic = Frame();
    Wheel({200, 400}, 3);
    QCOMPARE(View().GetView(), classicPose);
    QVERIFY(Frame() == classic);

    Trigger(MenuCommand::PlannerView);
    Trigger(MenuCommand::FitRoom);
    const QImage fitted = Frame();
    const QRect room = DrawnBounds(fitted);
    QVERIFY(!room.isEmpty());

    // A notch forwards with the cursor near the left end of the room: that
    // end stays nearly where it was, the right end moves out.
    const QPoint left(room.left() + room.width() / 8, room.center().y());
    Wheel(left, 1);
    const QImage zoomedLeft = Frame();
    SaveScreenshot(zoomedLeft, "planner_view_wheel_left.png");
    const QRect afterLeft = DrawnBounds(zoomedLeft);
    QVERIFY(afterLeft.width() > room.width());
    QVERIFY2(std::abs(afterLeft.left() - room.left()) < std::abs(afterLeft.right() - room.right()),
             qPrintable(QString("left %1 -> %2, right %3 -> %4")
                            .arg(room.left()).arg(afterLeft.left()).arg(room.right()).arg(afterLeft.right())));

    // And the other way about with the cursor near the right end.
    Trigger(MenuCommand::FitRoom);
    QVERIFY(Frame() == fitted);
    const QPoint right(room.right() - room.width() / 8, room.center().y());
    Wheel(right, 1);
    const QRect afterRight = DrawnBounds(Frame());
    QVERIFY(std::abs(afterRight.right() - room.right()) < std::abs(afterRight.left() - room.left()));

    // Backwards shrinks the picture below the fitted one.
    Trigger(MenuCommand::FitRoom);
    Wheel(room.center(), -2);
    const QRect smaller = DrawnBounds(Frame());
    QVERIFY(smaller.width() < room.width());
    QVERIFY(smaller.height() < room.height());
}

void PlannerViewWindowTest::fitRoomAfterZoomingFramesTheRoomAgain()
{
    MakeStage();
    Trigger(MenuCommand::PlannerView);
    Trigger(MenuCommand::FitRoom);
    const QImage fitted = Frame();
    SaveScreenshot(fitted, "planner_view_fitted.png");
    // Background on all four sides of the room and its cameras.
    const QRect room = DrawnBounds(fitted);
    QVERIFY2(room.left() > 0 && room.right() < fitted.width() - 1 && room.top() > kStatusRows &&
                 room.bottom() < fitted.height() - 1,
             qPrintable(QString("drawn %1,%2 %3x%4").arg(room.x()).arg(room.y()).arg(room.width()).arg(room.height())));

    // Zoomed in until the room leaves the frame on every side.
    Wheel(room.center(), 8);
    const QImage zoomed = Frame();
    SaveScreenshot(zoomed, "planner_view_zoomed_in.png");
    const QRect cut = DrawnBounds(zoomed);
    QVERIFY(cut.left() == 0 && cut.right() == zoomed.width() - 1);

    Trigger(MenuCommand::FitRoom);
    const QImage again = Frame();
    SaveScreenshot(again, "planner_view_fitted_again.png");
    QVERIFY(again == fitted);
}

void PlannerViewWindowTest::keyFFitsInTheViewAndStaysALetterInTheBoxes()
{
    MakeStage();
    // In the classic view F is no key of the view's.
    QTest::mouseClick(&View(), Qt::LeftButton, Qt::NoModifier, QPoint(500, 400));
    const ViewPose pose = View().GetView();
    const QImage classic = Frame();
    QTest::keyClick(&View(), Qt::Key_F);
    QCOMPARE(View().GetView(), pose);
    QVERIFY(Frame() == classic);

    Trigger(MenuCommand::PlannerView);
    Trigger(MenuCommand::FitRoom);
    const QImage fitted = Frame();
    Wheel({300, 300}, 4);
    QVERIFY(Frame() != fitted);
    QTest::keyClick(&View(), Qt::Key_F);
    QVERIFY(Frame() == fitted);

    // The unit box takes the F of feet whatever the view draws.
    auto* units = static_cast<QLineEdit*>(Ctl(kIdUnits));
    units->setFocus();
    units->selectAll();
    QTest::keyClick(units, Qt::Key_F, Qt::ShiftModifier);
    QCOMPARE(units->text(), QString("F"));
}

void PlannerViewWindowTest::projectRemembersTheStyle()
{
    MakeStage();
    m_prompts->files.push_back(Path("classic.vplan").toStdString());
    Trigger(MenuCommand::SaveProjectAs);
    const std::string classic = Read(Path("classic.vplan"));
    QVERIFY(!classic.empty());

    Trigger(MenuCommand::PlannerView);
    m_prompts->files.push_back(Path("planner.vplan").toStdString());
    Trigger(MenuCommand::SaveProjectAs);
    const ProjectReadResult read = ReadProjectFile(Path("planner.vplan").toStdString());
    QVERIFY(read.project);
    QVERIFY(read.project->plannerView);

    // Switching is a change of the plan; back in the classic view the plan
    // saves as it did before, byte for byte.
    Trigger(MenuCommand::PlannerView);
    m_menu->Project().UpdateTitle();
    QVERIFY(m_dlg->windowTitle().startsWith("planner.vplan*"));
    m_prompts->files.push_back(Path("classic-again.vplan").toStdString());
    Trigger(MenuCommand::SaveProjectAs);
    QCOMPARE(Read(Path("classic-again.vplan")), classic);

    // Opening restores the style, the menu follows, and the opened plan is unchanged.
    m_prompts->files.push_back(Path("planner.vplan").toStdString());
    Trigger(MenuCommand::OpenProject);
    QCOMPARE(View().GetViewStyle(), ViewStyle::Planner);
    QVERIFY(m_menu->Action(MenuCommand::PlannerView)->isChecked());
    QVERIFY(m_menu->Action(MenuCommand::FitRoom)->isEnabled());
    m_menu->Project().UpdateTitle();
    QVERIFY(m_dlg->windowTitle().startsWith("planner.vplan -"));
    Settle();
    const QImage opened = Frame();
    SaveScreenshot(opened, "planner_view_opened.png");
    QCOMPARE(DrawnBounds(opened).isEmpty(), false);

    // A file without the key opens in the classic view.
    m_prompts->files.push_back(Path("classic.vplan").toStdString());
    Trigger(MenuCommand::OpenProject);
    QCOMPARE(View().GetViewStyle(), ViewStyle::Classic);
    QVERIFY(!m_menu->Action(MenuCommand::PlannerView)->isChecked());
    QVERIFY(!m_menu->Action(MenuCommand::FitRoom)->isEnabled());
}

QTEST_MAIN(PlannerViewWindowTest)
#include "PlannerViewWindowTest.moc"
