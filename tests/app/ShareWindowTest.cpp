#include "MenuWindowFixture.h"

#include "app/DialogLayout.h"
#include "app/MainMenu.h"
#include "app/VolumePlannerDlg.h"
#include "coverage/GltfFile.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"
#include "scene/SceneSettings.h"

#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <sstream>

// File > Export > glTF and File > Share as Web Page in the real main window,
// the file dialogs answered from a script.
class ShareWindowTest : public QObject, CMenuWindowFixture
{
    Q_OBJECT

  private slots:
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void gltfOfTheComputedPlan();
    void webPageOfTheComputedPlan();

  private:
    void RenderAndSettle()
    {
        QTest::mouseClick(Ctl(kIdRender), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!GetSceneSettings()->GetRecalculate(), 60000);
        QTRY_VERIFY(m_dlg->View()->Renderer().GetVolume().HasResults());
    }
    std::string Path(const char* name) const { return m_dir.filePath(name).toStdString(); }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    QTemporaryDir m_dir;
};

void ShareWindowTest::gltfOfTheComputedPlan()
{
    Trigger(MenuCommand::ExportGltf);
    QCOMPARE(m_prompts->messages.back().text, std::string("There is no coverage to share yet: press RENDER first"));
    QVERIFY(m_prompts->saveRequests.empty());

    EnterCameras(4);
    RenderAndSettle();
    m_prompts->files.push_back(Path("plan.glb"));
    Trigger(MenuCommand::ExportGltf);
    QCOMPARE(m_prompts->saveRequests.back().title, std::string("Export glTF"));
    const nlohmann::json gltf = GlbJson(Read(Path("plan.glb")));
    QVERIFY(gltf.is_object());
    QVERIFY(Named(gltf, "meshes", "room"));
    for (int c = 1; c <= 4; ++c)
        QVERIFY(Named(gltf, "nodes", "Camera " + std::to_string(c)));
    QCOMPARE(m_menu->StatusBar()->currentMessage(), QString::fromStdString("Plan exported to " + Path("plan.glb")));

    m_prompts->files.push_back(Path("plan.obj"));
    Trigger(MenuCommand::ExportGltf);
    QCOMPARE(m_prompts->messages.back().text, std::string("Choose a file ending in .glb or .gltf"));
    m_prompts->files.push_back(Path("no/plan.glb"));
    Trigger(MenuCommand::ExportGltf);
    QCOMPARE(m_prompts->messages.back().text, "Unable to write file\n" + Path("no/plan.glb"));
    QVERIFY(!m_prompts->reasons.back().empty());
}

void ShareWindowTest::webPageOfTheComputedPlan()
{
    EnterCameras(4);
    RenderAndSettle();
    m_prompts->files.push_back(Path("plan.html"));
    Trigger(MenuCommand::ShareWebPage);
    const std::string page = Read(Path("plan.html"));
    QVERIFY(page.find("<h1>Untitled plan</h1>") != std::string::npos);
    size_t rows = 0;
    for (size_t at = page.find("<tr data-camera="); at != std::string::npos; at = page.find("<tr data-camera=", at + 1))
        ++rows;
    QCOMPARE(rows, size_t{4});
    QCOMPARE(m_menu->StatusBar()->currentMessage(), QString::fromStdString("Web page written to " + Path("plan.html")));

    // Asked before the page replaces a file; No leaves it as it was.
    std::ofstream(Path("kept.html")) << "kept";
    m_prompts->files.push_back(Path("kept.html"));
    Trigger(MenuCommand::ShareWebPage);
    QVERIFY(m_prompts->messages.back().text.find("already exists") != std::string::npos);
    QCOMPARE(Read(Path("kept.html")), std::string("kept"));
}

QTEST_MAIN(ShareWindowTest)
#include "ShareWindowTest.moc"
