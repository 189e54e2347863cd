#include "MenuWindowFixture.h"

#include "app/DialogLayout.h"
#include "app/MainMenu.h"
#include "app/ProjectCommands.h"
#include "app/VolumePlannerDlg.h"
#include "cameras/CameraSet.h"
#include "coverage/CoverageVolume.h"
#include "project/ProjectFile.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"
#include "scene/SceneSettings.h"

#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <memory>
#include <sstream>

// The File menu's project commands in the real main window: the plan saved,
// changed, asked about and opened again; exports of what the view computed.
class ProjectWindowTest : public QObject, CMenuWindowFixture
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void savedPlanChangesAsksAndOpensAgain();
    void refusedProjectLeavesThePlan();
    void projectInFeetShowsFeet();
    void exportsOfTheComputedView();

  private:
    void RenderAndSettle();
    QString Path(const char* name) const { return m_dir.filePath(name); }
    static std::string Read(const QString& path)
    {
        std::ifstream in(path.toStdString(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    QString Title()
    {
        m_menu->Plan().UpdateTitle();
        return m_dlg->windowTitle();
    }

    QTemporaryDir m_dir;
};

void ProjectWindowTest::init()
{
    OpenWindow();
}

void ProjectWindowTest::cleanup()
{
    CloseWindow();
}

void ProjectWindowTest::RenderAndSettle()
{
    QTest::mouseClick(Ctl(kIdRender), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!GetSceneSettings()->GetRecalculate(), 60000);
    QTRY_VERIFY(m_dlg->View()->Renderer().GetVolume().HasResults());
}

void ProjectWindowTest::savedPlanChangesAsksAndOpensAgain()
{
    // The classic caption until there is a plan.
    QCOMPARE(Title(), QString("Zarvoscope"));
    EnterCameras(4);
    QCOMPARE(Title(), QString("Untitled plan* - Zarvoscope"));

    m_prompts->files.push_back(Path("stage").toStdString());
    Trigger(MenuCommand::SaveProject);
    QCOMPARE(m_prompts->saveRequests.back().title, std::string("Save Project"));
    QVERIFY(QFile::exists(Path("stage.vplan")));
    QCOMPARE(Title(), QString("stage.vplan - Zarvoscope"));
    const std::string saved = Read(Path("stage.vplan"));

    CCameraSet::Current()->SetFocalLength(1, 12.0f);
    QCOMPARE(Title(), QString("stage.vplan* - Zarvoscope"));
    // Save writes to the file it has, without asking for one.
    Trigger(MenuCommand::SaveProject);
    QCOMPARE(m_prompts->saveRequests.size(), size_t(1));
    QCOMPARE(Title(), QString("stage.vplan - Zarvoscope"));
    QVERIFY(Read(Path("stage.vplan")) != saved);

    // Another rig; Quit asks, and No keeps the window open only if the
    // question was answered so: here Yes would save, No lets it go. Open
    // Project asks the same first.
    EnterCameras(2);
    m_prompts->answers.push_back(PromptAnswer::No);
    m_prompts->files.push_back(Path("stage.vplan").toStdString());
    const size_t before = m_prompts->messages.size();
    Trigger(MenuCommand::OpenProject);
    QCOMPARE(m_prompts->messages.size(), before + 1);
    QCOMPARE(m_prompts->messages.back().buttons, PromptButtons::SaveDiscardCancel);
    QCOMPARE(GetSceneSettings()->GetCameraCount(), 4u);
    QCOMPARE(CCameraSet::Current()->GetFocalLength(1), 12.0f);
    QCOMPARE(static_cast<QLineEdit*>(Ctl(kIdCameraCount))->text(), QString("4"));
    QCOMPARE(Title(), QString("stage.vplan - Zarvoscope"));

    // Unchanged, Quit closes without a question; changed, it asks.
    CCameraSet::Current()->SetHTilt(0, 30.0f);
    m_prompts->answers.push_back(PromptAnswer::Yes);
    QTest::mouseClick(Ctl(kIdQuit), Qt::LeftButton);
    QCOMPARE(m_prompts->messages.back().text,
             std::string("The plan has unsaved changes.\nSave them before they are lost?"));
    QVERIFY(!m_dlg->isVisible());
    // Yes saved it first.
    const ProjectReadResult read = ReadProjectFile(Path("stage.vplan").toStdString());
    QVERIFY(read.plan);
    QCOMPARE(read.plan->cameras[0].hTilt, 30.0f);
}

void ProjectWindowTest::refusedProjectLeavesThePlan()
{
    EnterCameras(3);
    {
        std::ofstream bad(Path("bad.vplan").toStdString());
        bad << "{\"format\": \"volume-planner-project\", \"version\": \"1.0\"}";
    }
    m_prompts->answers.push_back(PromptAnswer::No);
    m_prompts->files.push_back(Path("bad.vplan").toStdString());
    Trigger(MenuCommand::OpenProject);
    QCOMPARE(m_prompts->messages.back().text, std::string("Project not opened\nroom: missing"));
    QCOMPARE(m_prompts->messages.back().caption, std::string("File Not Found"));
    QCOMPARE(GetSceneSettings()->GetCameraCount(), 3u);
    QCOMPARE(Title(), QString("Untitled plan* - Zarvoscope"));
}

void ProjectWindowTest::projectInFeetShowsFeet()
{
    EnterCameras(2);
    static_cast<QLineEdit*>(Ctl(kIdUnits))->setText("F");
    static_cast<QLineEdit*>(Ctl(kIdRoomLength))->setText("40");
    RenderAndSettle();
    m_prompts->files.push_back(Path("feet.vplan").toStdString());
    Trigger(MenuCommand::SaveProjectAs);
    const ProjectReadResult read = ReadProjectFile(Path("feet.vplan").toStdString());
    QVERIFY(read.plan);
    QCOMPARE(read.plan->unit, std::string("ft"));
    QCOMPARE(read.plan->length, 40.0f * kMetresPerFoot);

    EnterCameras(1);
    m_prompts->answers.push_back(PromptAnswer::No);
    m_prompts->files.push_back(Path("feet.vplan").toStdString());
    Trigger(MenuCommand::OpenProject);
    QCOMPARE(static_cast<QLineEdit*>(Ctl(kIdUnits))->text(), QString("F"));
    QCOMPARE(static_cast<QLineEdit*>(Ctl(kIdRoomLength))->text(), QString("40.00"));
    QCOMPARE(Title(), QString("feet.vplan - Zarvoscope"));
}

void ProjectWindowTest::exportsOfTheComputedView()
{
    Trigger(MenuCommand::ExportCoverage);
    QCOMPARE(m_prompts->messages.back().text, std::string("There is no coverage to export yet: press RENDER first"));
    EnterCameras(4);
    RenderAndSettle();
    for (const char* name : {"c.vtk", "c.ply", "c.csv"}) {
        m_prompts->files.push_back(Path(name).toStdString());
        Trigger(MenuCommand::ExportCoverage);
    }
    QVERIFY(Read(Path("c.vtk")).rfind("# vtk DataFile Version 3.0\n", 0) == 0);
    QVERIFY(Read(Path("c.ply")).rfind("ply\nformat binary_little_endian 1.0\n", 0) == 0);
    QVERIFY(Read(Path("c.csv")).rfind("t,i,j,k,x,y,z,seen,iso_list,iso_condition,map_band,r1,r2,r3,r4\n", 0) == 0);
    m_prompts->files.push_back(Path("c.txt").toStdString());
    Trigger(MenuCommand::ExportCoverage);
    QCOMPARE(m_prompts->messages.back().text, std::string("Choose a file ending in .vtk, .ply or .csv"));

    m_prompts->files.push_back(Path("view.png").toStdString());
    Trigger(MenuCommand::SaveViewPng);
    const QImage picture(Path("view.png"));
    QCOMPARE(picture.size(), QSize(1000, 725));
    // The frame's background grey in a corner the scene leaves alone.
    QCOMPARE(picture.pixelColor(995, 300), QColor(51, 51, 51));
}

QTEST_MAIN(ProjectWindowTest)
#include "ProjectWindowTest.moc"
