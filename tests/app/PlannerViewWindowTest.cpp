#include "MenuWindowFixture.h"

#include "app/DialogLayout.h"
#include "app/MainMenu.h"
#include "app/ProjectCommands.h"
#include "app/ViewStyleCommands.h"
#include "app/VolumePlannerDlg.h"
#include "project/ProjectFile.h"
#include "render/RoomModel.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
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
    void fitRoomAfterZoomingFramesTheRoomAgain_data();
    void fitRoomAfterZoomingFramesTheRoomAgain();
    void keyFFitsInTheViewAndStaysALetterInTheBoxes();
    void projectRemembersTheStyle();

  private:
    CVolumeView& View() const { return *m_dlg->View(); }
    // A room with four cameras at its ceiling corners, computed; 12 x 8 x 4 m unless said.
    void MakeStage(const QString& length = "12", const QString& width = "8", const QString& height = "4");
    void Settle();
    QImage Frame() { return View().grabFramebuffer(); }
    // One wheel notch per step at the view pixel, forwards (towards the scene) for positive steps.
    void Wheel(QPoint at, int steps);
    // The box around everything that is not background in the scene's rows above the legend.
    static QRect DrawnBounds(const QImage& frame);
    // Background along all four edges of the scene, the legend's corner left out.
    static bool HasBackgroundMargin(const QImage& frame);
    // Where the room's corners fall in the planner's scene viewport (pixels from its bottom left).
    std::vector<QPointF> RoomCorners() const;
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
// Rows from the top where the legend panel may begin at the lower right.
constexpr int kLegendTopRow = 505;
constexpr int kLegendLeftColumn = 720;
// The planner's scene viewport is the frame below the status strip.
constexpr int kSceneHeight = 680;

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

void PlannerViewWindowTest::MakeStage(const QString& length, const QString& width, const QString& height)
{
    EnterCameras(4);
    static_cast<QLineEdit*>(Ctl(kIdRoomLength))->setText(length);
    static_cast<QLineEdit*>(Ctl(kIdRoomWidth))->setText(width);
    static_cast<QLineEdit*>(Ctl(kIdRoomHeight))->setText(height);
    QTest::mouseClick(Ctl(kIdRender), Qt::LeftButton);
    Settle();
    // A new rig for the room now drawn: the default one at its ceiling corners.
    EnterCameras(4);
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
    for (int y = kStatusRows; y < kLegendTopRow; ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (frame.pixelColor(x, y) != kBackground)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

bool PlannerViewWindowTest::HasBackgroundMargin(const QImage& frame)
{
    constexpr int kMargin = 4;
    const auto clear = [&frame](int left, int top, int right, int bottom) {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (frame.pixelColor(x, y) != kBackground)
                    return false;
        return true;
    };
    const int w = frame.width(), h = frame.height();
    return clear(0, kStatusRows, kMargin, h) && clear(0, kStatusRows, w, kStatusRows + kMargin) &&
           clear(w - kMargin, kStatusRows, w, kLegendTopRow) && clear(0, h - kMargin, kLegendLeftColumn, h);
}

std::vector<QPointF> PlannerViewWindowTest::RoomCorners() const
{
    std::vector<QPointF> corners;
    const CSceneRenderer& renderer = View().Renderer();
    for (int i = 0; i < CRoomBox::kCornerCount; ++i) {
        const Vec3d p = renderer.GetPlannerProjection().Project(renderer.GetRoom().Corner(i));
        corners.emplace_back(p.x, p.y);
    }
    return corners;
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

    // The room corner under the cursor stays under it, the others move away from it.
    const std::vector<QPointF> before = RoomCorners();
    const QPointF pivot = before[0];
    const double distance = View().Renderer().GetPlannerProjection().GetDistance();
    Wheel(QPoint(qRound(pivot.x()), qRound(kViewHeight - pivot.y())), 1);
    const std::vector<QPointF> after = RoomCorners();
    QVERIFY(View().Renderer().GetPlannerProjection().GetDistance() < distance);
    QVERIFY2(QLineF(after[0], pivot).length() < 1.0,
             qPrintable(QString("%1,%2 -> %3,%4").arg(pivot.x()).arg(pivot.y()).arg(after[0].x()).arg(after[0].y())));
    for (int i = 1; i < CRoomBox::kCornerCount; ++i)
        QVERIFY(QLineF(after[i], pivot).length() > QLineF(before[i], pivot).length());
    QCOMPARE(View().GetView(), classicPose);
    Trigger(MenuCommand::FitRoom);
    QVERIFY(Frame() == fitted);

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
                            .arg(room.left())
                            .arg(afterLeft.left())
                            .arg(room.right())
                            .arg(afterLeft.right())));

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

void PlannerViewWindowTest::fitRoomAfterZoomingFramesTheRoomAgain_data()
{
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("name");
    QTest::newRow("12 x 8 m stage") << "12"
                                    << "8"
                                    << "4"
                                    << "stage";
    QTest::newRow("20 x 20 m hall") << "20"
                                    << "20"
                                    << "6"
                                    << "hall";
    QTest::newRow("1.5 m booth") << "1.5"
                                 << "1.5"
                                 << "1.5"
                                 << "booth";
}

void PlannerViewWindowTest::fitRoomAfterZoomingFramesTheRoomAgain()
{
    QFETCH(QString, length);
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(QString, name);
    // Switched on before RENDER: the new room is fitted by the frame that
    // computes it, Fit Room then takes in the rig entered for it too.
    Trigger(MenuCommand::PlannerView);
    MakeStage(length, width, height);
    Trigger(MenuCommand::FitRoom);
    const QImage fitted = Frame();
    SaveScreenshot(fitted, "planner_view_fitted_" + name + ".png");
    const auto inFrame = [this] {
        for (const QPointF& c : RoomCorners())
            if (c.x() < 0 || c.x() > kViewWidth || c.y() < 0 || c.y() > kSceneHeight)
                return false;
        return true;
    };
    QVERIFY(inFrame());
    QVERIFY(HasBackgroundMargin(fitted));

    // Zoomed in until the room leaves the frame.
    Wheel(DrawnBounds(fitted).center(), 8);
    const QImage zoomed = Frame();
    SaveScreenshot(zoomed, "planner_view_zoomed_" + name + ".png");
    QVERIFY(!inFrame());
    QVERIFY(!HasBackgroundMargin(zoomed));

    Trigger(MenuCommand::FitRoom);
    QVERIFY(inFrame());
    const QImage again = Frame();
    SaveScreenshot(again, "planner_view_fitted_again_" + name + ".png");
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
    QTest::keyClicks(units, "F");
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
