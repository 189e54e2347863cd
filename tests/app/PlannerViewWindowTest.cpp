#include "MenuWindowFixture.h"

#include "app/DialogLayout.h"
#include "cameras/CameraSet.h"
#include "coverage/placement/PlacementCamera.h"
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
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QUndoStack>
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
    void draggedCameraSlidesOnTheCeilingAndUndoPutsItBack();
    void draggedTargetAimsTheSelectedCameraInOneStep();
    void presetsGiveTheirViews();
    void turnIsCalmerAndStaysAboveTheFloor();
    void fitRoomHoldsACameraOutsideTheRoom();

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
    // The client pixel (y down) of a scene point in the planner view.
    QPoint Client(const Vec3d& scene) const
    {
        const Vec3d p = View().Renderer().GetPlannerProjection().Plan(scene);
        return {qRound(p.x), qRound(kViewHeight - p.y)};
    }
    // A left drag in motion messages of a few pixels each, as a hand makes it.
    void Drag(QPoint from, QPoint to);
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
        const Vec3d p = renderer.GetPlannerProjection().Plan(renderer.GetRoom().Corner(i));
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
    QVERIFY(read.plan);
    QVERIFY(read.plan->plannerView);

    // Switching is a change of the plan; back in the classic view the plan
    // saves as it did before, byte for byte.
    Trigger(MenuCommand::PlannerView);
    m_menu->Plan().UpdateTitle();
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
    m_menu->Plan().UpdateTitle();
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

void PlannerViewWindowTest::Drag(QPoint from, QPoint to)
{
    const auto send = [this](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at) {
        QMouseEvent event(type, QPointF(at), QPointF(View().mapToGlobal(at)), button, held, Qt::NoModifier);
        QApplication::sendEvent(&View(), &event);
    };
    send(QEvent::MouseMove, Qt::NoButton, {}, from);
    send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, from);
    constexpr int kSteps = 8;
    for (int n = 1; n <= kSteps; ++n)
        send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, from + (to - from) * n / kSteps);
    send(QEvent::MouseButtonRelease, Qt::LeftButton, {}, to);
}

void PlannerViewWindowTest::draggedCameraSlidesOnTheCeilingAndUndoPutsItBack()
{
    MakeStage();
    const CCameraSet& cams = CCameraSet::Instance();
    const Vec3d before = cams.GetFilePosition(1);
    // In the classic view a press on the camera and a drag turn the scene and move no camera.
    const QPoint grab = Client(cams.GetPosition(1));
    Drag(grab, grab + QPoint(60, 40));
    QCOMPARE(cams.GetFilePosition(1), before);

    Trigger(MenuCommand::PlannerView);
    Trigger(MenuCommand::FitRoom);
    const ViewPose pose = View().GetView();
    QUndoStack& history = m_menu->ClassicPlan().UndoStack();
    const int steps = history.count();
    // To the ceiling point 4 m along, 3 m across.
    Drag(Client(cams.GetPosition(1)), Client(cams.FromUser({4.0, before.y, 3.0})));
    const Vec3d after = cams.GetFilePosition(1);
    SaveScreenshot(Frame(), "planner_view_camera_dragged.png");

    // At its height under the ceiling still, where the pointer let go, on the 5 cm grid.
    QCOMPARE(after.y, before.y);
    QVERIFY2(std::abs(after.x - 4.0) < 0.06 && std::abs(after.z - 3.0) < 0.06,
             qPrintable(QString("%1, %2").arg(after.x).arg(after.z)));
    for (const double v : {after.x, after.z})
        QVERIFY2(std::abs(std::remainder(v, 0.05)) < 1e-5, qPrintable(QString::number(v)));
    // The drag neither turned the view nor left more than one step.
    QCOMPARE(View().GetView(), pose);
    QCOMPARE(history.count(), steps + 1);
    QVERIFY(history.text(history.index() - 1).startsWith("Move "));
    Settle();

    Trigger(MenuCommand::Undo);
    QCOMPARE(cams.GetFilePosition(1), before);
    Trigger(MenuCommand::Redo);
    QCOMPARE(cams.GetFilePosition(1), after);
    Trigger(MenuCommand::Undo);
    QCOMPARE(cams.GetFilePosition(1), before);

    // A press away from every camera turns the view, a quarter degree a pixel.
    Drag({480, 60}, {520, 60});
    QCOMPARE(cams.GetFilePosition(1), before);
    QCOMPARE(View().GetView().yaw, pose.yaw + 10.0f);
}

void PlannerViewWindowTest::draggedTargetAimsTheSelectedCameraInOneStep()
{
    MakeStage();
    Trigger(MenuCommand::PlannerView);
    Trigger(MenuCommand::FitRoom);
    Settle();
    CCameraSet& cams = CCameraSet::Instance();
    // No camera selected: no target.
    QCOMPARE(View().Renderer().GetSelectedCamera(), -1);
    const QImage unaimed = Frame();
    m_dlg->SelectCamera(0);
    const int selected = m_dlg->GetSelectedCamera();
    QCOMPARE(selected, 0);
    const float pan = cams.GetHTilt(selected), tilt = cams.GetVTilt(selected);
    const Vec3d position = cams.GetFilePosition(selected);
    QCOMPARE(View().Renderer().GetSelectedCamera(), selected);
    const QImage aimed = Frame();
    QVERIFY(aimed != unaimed);
    SaveScreenshot(aimed, "planner_view_target.png");
    // The mark is drawn in the highlight colour where the target projects.
    const QPoint mark = Client(View().Renderer().GetPlannerTarget());
    bool yellow = false;
    for (int dx = -12; dx <= 12; ++dx) {
        const QColor c = aimed.pixelColor(mark + QPoint(dx, 0));
        yellow = yellow || (c.red() > 200 && c.green() > 170 && c.blue() < 80);
    }
    QVERIFY(yellow);

    // What showing the camera wrote into its boxes is a step of its own before the drag.
    m_menu->ClassicPlan().RecordEdits();
    QUndoStack& history = m_menu->ClassicPlan().UndoStack();
    const int steps = history.count();
    // To the floor's middle, 6 m along and 4 m across.
    const Vec3d middle = cams.FromUser({6.0, 0.0, 4.0});
    Drag(mark, Client(middle));
    SaveScreenshot(Frame(), "planner_view_target_dragged.png");
    QCOMPARE(cams.GetFilePosition(selected), position);
    const Vec3d target = cams.ToUser(View().Renderer().GetPlannerTarget());
    QVERIFY2(std::hypot(target.x - 6.0, target.z - 4.0) < 0.1,
             qPrintable(QString("%1, %2").arg(target.x).arg(target.z)));
    const auto [wantPan, wantTilt] = AimTowards(position, {6.0, 0.0, 4.0});
    QVERIFY(std::abs(cams.GetHTilt(selected) - wantPan) < 1.0f);
    QVERIFY(std::abs(cams.GetVTilt(selected) - wantTilt) < 1.0f);
    QCOMPARE(history.count(), steps + 1);
    QVERIFY(history.text(history.index() - 1).startsWith("Aim "));

    Trigger(MenuCommand::Undo);
    QCOMPARE(cams.GetHTilt(selected), pan);
    QCOMPARE(cams.GetVTilt(selected), tilt);
}

void PlannerViewWindowTest::presetsGiveTheirViews()
{
    MakeStage();
    const QImage classic = Frame();
    QAction* top = m_menu->Action(MenuCommand::ViewTop);
    QVERIFY(!top->isEnabled());
    Trigger(MenuCommand::PlannerView);
    QVERIFY(top->isEnabled());
    const CCameraSet& cams = CCameraSet::Instance();
    const CPlannerProjection& view = View().Renderer().GetPlannerProjection();
    const auto background = [](const QImage& frame, QPoint at) { return frame.pixelColor(at) == kBackground; };

    // From above: the floor's corners a 12 x 8 rectangle with straight sides.
    Trigger(MenuCommand::ViewTop);
    const QImage fromAbove = Frame();
    SaveScreenshot(fromAbove, "planner_view_top.png");
    const auto floor = [&](double x, double z) { return view.Plan(cams.FromUser({x, 0.0, z})); };
    const Vec3d f0 = floor(0.0, 0.0), f1 = floor(12.0, 0.0), f2 = floor(12.0, 8.0), f3 = floor(0.0, 8.0);
    QVERIFY(std::abs(f0.x - f3.x) < 0.5 && std::abs(f1.x - f2.x) < 0.5);
    QVERIFY(std::abs(f0.y - f1.y) < 0.5 && std::abs(f2.y - f3.y) < 0.5);
    const double ratio = std::abs(f1.x - f0.x) / std::abs(f3.y - f0.y);
    QVERIFY2(std::abs(ratio - 1.5) < 0.01, qPrintable(QString::number(ratio)));
    // Room in the middle, fitted with background all round.
    QVERIFY(!background(fromAbove, Client(cams.FromUser({6.0, 0.0, 4.0}))));
    QVERIFY(HasBackgroundMargin(fromAbove));
    QVERIFY(fromAbove != classic);

    // From the front: the room's long wall, wider than high by 3 to 1.
    Trigger(MenuCommand::ViewFront);
    const QImage front = Frame();
    SaveScreenshot(front, "planner_view_front.png");
    const Vec3d a = view.Plan(cams.FromUser({0.0, 0.0, 0.0})), b = view.Plan(cams.FromUser({12.0, 4.0, 0.0}));
    QVERIFY2(std::abs((b.x - a.x) / (b.y - a.y) - 3.0) < 0.01, qPrintable(QString::number((b.x - a.x) / (b.y - a.y))));
    QVERIFY(!background(front, Client(cams.FromUser({6.0, 0.0, 4.0}))));
    QVERIFY(background(front, Client(cams.FromUser({6.0, 5.5, 0.0}))));

    // From the side: the short wall, 8 to 4.
    Trigger(MenuCommand::ViewSide);
    SaveScreenshot(Frame(), "planner_view_side.png");
    Settle();
    const Vec3d s0 = view.Plan(cams.FromUser({0.0, 0.0, 8.0})), s1 = view.Plan(cams.FromUser({0.0, 4.0, 0.0}));
    QVERIFY2(std::abs(std::abs(s1.x - s0.x) / (s1.y - s0.y) - 2.0) < 0.01,
             qPrintable(QString::number((s1.x - s0.x) / (s1.y - s0.y))));

    // Through the selected camera: its eye, its field of view, its aim in the
    // middle. None selected: refused with a message, the view as it was.
    QMenu* viewMenu = m_menu->MenuBar()->actions().at(1)->menu();
    emit viewMenu->aboutToShow();
    QCOMPARE(m_menu->Action(MenuCommand::ThroughCamera)->text(), QString("Through &Camera"));
    const QImage side = Frame();
    const size_t messages = m_prompts->messages.size();
    Trigger(MenuCommand::ThroughCamera);
    QCOMPARE(m_prompts->messages.size(), messages + 1);
    QVERIFY(m_prompts->messages.back().text.find("No camera is selected") != std::string::npos);
    QVERIFY(Frame() == side);
    m_dlg->SelectCamera(1);
    const int camera = m_dlg->GetSelectedCamera();
    emit viewMenu->aboutToShow();
    QCOMPARE(m_menu->Action(MenuCommand::ThroughCamera)->text(), QString("Through &Camera %1").arg(camera + 1));
    Trigger(MenuCommand::ThroughCamera);
    const QImage through = Frame();
    SaveScreenshot(through, "planner_view_through_camera.png");
    // The camera's own glyph is not drawn round the eye: beside the target
    // the view shows the pink floor, not the bluish white of a lit sphere.
    const QColor beside = through.pixelColor(530, kViewHeight - 340);
    QVERIFY2(beside.red() > beside.blue() + 20, qPrintable(beside.name()));
    QCOMPARE(view.GetFieldOfView(), static_cast<double>(cams.GetVFov(camera)));
    const Vec3d eye = view.EyePosition();
    QVERIFY(Length(eye - cams.GetPosition(camera)) < 1e-6);
    const Vec3d aim = view.Plan(View().Renderer().GetPlannerTarget());
    QVERIFY2(std::hypot(aim.x - 500.0, aim.y - 340.0) < 2.0, qPrintable(QString("%1,%2").arg(aim.x).arg(aim.y)));

    // Pyramids: none drawn is another picture, all again the one before.
    Trigger(MenuCommand::ViewTop);
    const QImage all = Frame();
    Trigger(MenuCommand::PyramidsNone);
    const QImage none = Frame();
    QVERIFY(none != all);
    Trigger(MenuCommand::PyramidsSelected);
    const QImage one = Frame();
    SaveScreenshot(one, "planner_view_pyramid_selected.png");
    QVERIFY(one != none && one != all);
    Trigger(MenuCommand::PyramidsAll);
    QVERIFY(Frame() == all);
    Trigger(MenuCommand::FitRoom);
    QCOMPARE(view.GetFieldOfView(), CPlannerProjection::kFieldOfViewDeg);

    Trigger(MenuCommand::PlannerView);
    QVERIFY(!top->isEnabled());
}

void PlannerViewWindowTest::turnIsCalmerAndStaysAboveTheFloor()
{
    MakeStage();
    Trigger(MenuCommand::PlannerView);
    Trigger(MenuCommand::ViewFront);
    const auto right = [this](QPoint from, QPoint to) {
        const auto send = [this](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at) {
            QMouseEvent event(type, QPointF(at), QPointF(View().mapToGlobal(at)), button, held, Qt::NoModifier);
            QApplication::sendEvent(&View(), &event);
        };
        send(QEvent::MouseMove, Qt::NoButton, {}, from);
        send(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, from);
        send(QEvent::MouseMove, Qt::NoButton, Qt::RightButton, to);
        send(QEvent::MouseButtonRelease, Qt::RightButton, {}, to);
    };
    // 40 pixels: 10 degrees.
    Drag({480, 80}, {520, 80});
    QCOMPARE(View().GetView().yaw, 10.0f);
    right({480, 80}, {480, 120});
    QCOMPARE(View().GetView().pitch, -10.0f);
    // Dragged far up and far down: the eye never goes below the floor, and tilts at most straight down.
    const double floor = -2.0;
    for (const int up : {600, -2000, 3000}) {
        right({480, 400}, {480, 400 - up});
        QVERIFY2(View().Renderer().GetPlannerProjection().EyePosition().y >= floor - 1e-6,
                 qPrintable(QString::number(View().Renderer().GetPlannerProjection().EyePosition().y)));
        QVERIFY(std::abs(View().GetView().pitch) <= 90.0f);
    }
    SaveScreenshot(Frame(), "planner_view_lowest_turn.png");
}

void PlannerViewWindowTest::fitRoomHoldsACameraOutsideTheRoom()
{
    MakeStage();
    // Camera 4 beyond the wall at X = 0, 3 m out.
    CCameraSet& cams = CCameraSet::Instance();
    m_menu->ClassicPlan().Edit("Move", [](Plan& plan) -> std::optional<std::string> {
        plan.cameras[3].x = -3.0;
        plan.cameras[3].y = 2.0;
        plan.cameras[3].z = 4.0;
        return std::nullopt;
    });
    Settle();
    Trigger(MenuCommand::PlannerView);
    Trigger(MenuCommand::FitRoom);
    const QImage fitted = Frame();
    SaveScreenshot(fitted, "planner_view_camera_outside.png");
    const Vec3d p = View().Renderer().GetPlannerProjection().Plan(cams.GetPosition(3));
    QVERIFY2(p.x > 0.0 && p.x < kLegendLeftColumn && p.y > 0.0 && p.y < kSceneHeight,
             qPrintable(QString("%1,%2").arg(p.x).arg(p.y)));
    QVERIFY(HasBackgroundMargin(fitted));
}

QTEST_MAIN(PlannerViewWindowTest)
#include "PlannerViewWindowTest.moc"
