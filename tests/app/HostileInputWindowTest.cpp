#include "MenuWindowFixture.h"

#include "app/GuardedApplication.h"
#include "cameras/CameraSet.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QTest>

#include <stdexcept>

// Hostile input in the real main window: Open Project of a hostile file says
// why and keeps the plan; an exception that escapes a handler is caught at
// the event loop, shown, and the window goes on with its plan.
class HostileInputWindowTest : public QObject, CMenuWindowFixture
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void hostileProjectsAreRefusedAndThePlanStays();
    void anExceptionInAHandlerIsShownAndTheWindowGoesOn();

  private:
    // Three cameras, the second with a 12 mm lens, and a box.
    void MakePlan()
    {
        EnterCameras(3);
        CCameraSet::Current()->SetFocalLength(1, 12.0f);
        QVERIFY(!AddObstacleBox({"crate", {1, 0, 1}, {2, 1, 2}}));
    }
    void VerifyPlanKept()
    {
        QCOMPARE(GetSceneSettings()->GetCameraCount(), 3u);
        QCOMPARE(CCameraSet::Current()->GetFocalLength(1), 12.0f);
        QCOMPARE(WindowPlan().obstacles.boxes.size(), size_t{1});
        QVERIFY(WindowPlan().obstacles.meshes.empty());
        QCOMPARE(WindowPlan().obstacles.boxes[0].name, std::string("crate"));
    }
    static CGuardedApplication& Application() { return *static_cast<CGuardedApplication*>(qApp); }
};

// Throws from its event handler, as a handler in the window might.
class CThrowingObject : public QObject
{
  public:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw std::runtime_error("a handler gave up");
        return QObject::event(event);
    }
};

void HostileInputWindowTest::init()
{
    OpenWindow();
    Application().SetErrorHandler([this](const std::string& what) { m_dlg->ShowUnexpectedError(what); });
}

void HostileInputWindowTest::cleanup()
{
    Application().SetErrorHandler(nullptr);
    CloseWindow();
}

void HostileInputWindowTest::hostileProjectsAreRefusedAndThePlanStays()
{
    MakePlan();
    const std::string corpus = std::string(VP_FUZZ_CORPUS) + "/project_file/";
    const std::pair<const char*, const char*> files[] = {
        {"deep-unknown-key.vplan", "extra: lists and objects nested more than 64 levels deep"},
        {"duplicate-key.vplan", "room.unit: the key is given twice"},
        {"huge-number.vplan", "room.length_m: the number 1e999 is beyond the range of a double"},
        {"huge-room.vplan", "room: length_m, width_m and height_m must be at most 1000 m"},
        {"subnormal-marker.vplan", "planning: marker diameter: must be a number from 0.1 to 1000 mm"},
    };
    for (const auto& [file, reason] : files) {
        // The plan has unsaved changes: No lets them go for the file to open.
        m_prompts->answers.push_back(PromptAnswer::No);
        m_prompts->files.push_back(corpus + file);
        QElapsedTimer clock;
        clock.start();
        Trigger(MenuCommand::OpenProject);
        QVERIFY2(clock.elapsed() < kPromptlyMs, file);
        QCOMPARE(m_prompts->messages.back().text, std::string("Project not opened\n") + reason);
        VerifyPlanKept();
    }
}

void HostileInputWindowTest::anExceptionInAHandlerIsShownAndTheWindowGoesOn()
{
    MakePlan();
    const size_t before = m_prompts->messages.size();
    CThrowingObject thrower;
    // Two at once give one message: a handler that throws again and again
    // does not stack message boxes.
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QTRY_COMPARE(m_prompts->messages.size(), before + 1);
    QTest::qWait(50);
    QCOMPARE(m_prompts->messages.size(), before + 1);
    QCOMPARE(m_prompts->messages.back().text,
             std::string("An action stopped on an unexpected error:\na handler gave up\n"
                         "The window and the plan are still open; save the plan to keep it."));
    QCOMPARE(m_prompts->messages.back().caption, std::string("Error"));
    QVERIFY(m_dlg->isVisible());
    VerifyPlanKept();

    // The loop goes on: a later one is shown as well, and RENDER computes.
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QTRY_COMPARE(m_prompts->messages.size(), before + 2);
    QTest::mouseClick(Ctl(kIdRender), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!GetSceneSettings()->GetRecalculate(), 60000);
    QTRY_VERIFY(m_dlg->View()->Renderer().GetVolume().HasResults());
    VerifyPlanKept();
}

int main(int argc, char** argv)
{
    CGuardedApplication application(argc, argv);
    application.setAttribute(Qt::AA_Use96Dpi, true);
    HostileInputWindowTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "HostileInputWindowTest.moc"
