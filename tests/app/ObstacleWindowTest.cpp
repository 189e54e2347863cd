#include "MenuWindowFixture.h"
#include "support/MeshFiles.h"

#include "app/ObstaclePanel.h"
#include "app/ProjectCommands.h"
#include "cameras/CameraSet.h"
#include "classic/ClassicState.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

// Plan > Obstacles in the real main window on an X display.
class ObstacleWindowTest : public QObject, CMenuWindowFixture
{
    Q_OBJECT

  private slots:
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void boxAddedInTheTableShadowsAtTheNextRender();
    void refusedValuesKeepTheStoredOnes_data();
    void refusedValuesKeepTheStoredOnes();
    void projectKeepsTheObstacles();
    void hostileMeshesAreRefusedAndThePlanKept();
    void boxRowIsCheckedAsAWholeAndByCentreAndSize();

  private:
    CObstaclePanel& Panel()
    {
        if (!m_menu->ObstacleWindow())
            Trigger(MenuCommand::Obstacles);
        return *m_menu->ObstacleWindow();
    }
    void SetCell(int row, int column, const QString& text) { Panel().Table()->item(row, column)->setText(text); }
    QString CellText(int row, int column) { return Panel().Table()->item(row, column)->text(); }
    void Render()
    {
        QTest::mouseClick(Ctl(kIdRender), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!GetSceneSettings()->GetRecalculate(), 60000);
        QTest::qWait(50);
    }
    const CCoverageVolume& Volume() const { return m_dlg->View()->Renderer().GetVolume(); }
    // The obstacles' slate grey in the view, lit: blue well above green above red.
    int SlatePixels() const
    {
        const QImage frame = m_dlg->View()->grabFramebuffer();
        int count = 0;
        for (int y = 0; y < frame.height(); ++y) {
            for (int x = 0; x < frame.width(); ++x) {
                const QColor c = frame.pixelColor(x, y);
                count += c.red() > 20 && c.blue() > c.red() + c.blue() / 7 && c.green() > c.red() + 4 &&
                                 c.blue() > c.green() + 4 && c.blue() < c.red() + 60
                             ? 1
                             : 0;
            }
        }
        return count;
    }
    void SaveScreenshot(const QString& name) const
    {
        if (const char* dir = std::getenv("VP_SCREENSHOT_DIR"))
            m_dlg->grab().save(QDir(dir).filePath(name));
    }

    QTemporaryDir m_dir;
};

void ObstacleWindowTest::boxAddedInTheTableShadowsAtTheNextRender()
{
    EnterCameras(4);
    Render();
    QCOMPARE(SlatePixels(), 0);

    // A pillar below camera 1, tall enough to stand between it and the
    // middle of the room: the first voxel past it that all four cameras saw.
    const CCameraSet& rig = *CCameraSet::Current();
    const Vec3d camera = rig.GetPosition(0), top = rig.FromUser({0.75, 4.0, 0.75});
    size_t behind = Volume().GetVoxelCount();
    for (double s = 1.2; s < 4.0 && behind == Volume().GetVoxelCount(); s += 0.05) {
        const Vec3d p{camera.x + s * (top.x - camera.x), camera.y + s * (top.y - camera.y),
                      camera.z + s * (top.z - camera.z)};
        const double e = Volume().GetVoxelEdge();
        const Vec3d corner = GetSceneSettings()->GetRoomCorner();
        const auto i = static_cast<uint32_t>((p.x - corner.x) / e), j = static_cast<uint32_t>((p.y - corner.y) / e),
                   k = static_cast<uint32_t>((corner.z - p.z) / e);
        const size_t t = Volume().VoxelIndex(i, j, k);
        if (Volume().SeenCount(t) == 4)
            behind = t;
    }
    QVERIFY(behind < Volume().GetVoxelCount());
    const uint32_t layer = static_cast<uint32_t>(behind % Volume().GetCountY());
    auto colourOf = [&]() -> std::optional<ColorName> {
        for (const VoxelPaint& paint : Volume().CountLayerPaint(layer, ClassicFilters()))
            if (paint.voxel == behind)
                return paint.color;
        return std::nullopt;
    };
    QCOMPARE(colourOf(), std::optional<ColorName>(ColorName::Red));

    QTest::mouseClick(Panel().AddBoxButton(), Qt::LeftButton);
    QCOMPARE(Panel().Table()->rowCount(), 1);
    SetCell(0, CObstaclePanel::kColName, "pillar");
    // Max first: the new min is not below the new box's max.
    SetCell(0, CObstaclePanel::kColMaxOrFile, "1, 4.6, 1");
    SetCell(0, CObstaclePanel::kColMin, "0.5, 0, 0.5");
    QCOMPARE(WindowPlan().obstacles.boxes.size(), size_t{1});
    QCOMPARE(WindowPlan().obstacles.boxes[0].max.y, 4.6);
    QVERIFY(m_prompts->messages.empty());
    // Nothing changes before RENDER.
    m_dlg->View()->RequestRepaint();
    QTest::qWait(100);
    QCOMPARE(SlatePixels(), 0);
    QCOMPARE(Volume().SeenCount(behind), 4u);

    Render();
    QVERIFY(Volume().SeenCount(behind) < 4);
    QCOMPARE(colourOf(), std::optional<ColorName>(ColorName::Green));
    QVERIFY2(SlatePixels() > 300, qPrintable(QString::number(SlatePixels())));
    SaveScreenshot("obstacle_window.png");
    if (const char* dir = std::getenv("VP_SCREENSHOT_DIR"))
        Panel().grab().save(QDir(dir).filePath("obstacle_panel.png"));

    // Removed, the next RENDER gives the classic coverage back.
    Panel().Table()->selectRow(0);
    QTest::mouseClick(Panel().RemoveButton(), Qt::LeftButton);
    QVERIFY(WindowPlan().obstacles.empty());
    Render();
    QCOMPARE(Volume().SeenCount(behind), 4u);
    QCOMPARE(SlatePixels(), 0);
}

void ObstacleWindowTest::refusedValuesKeepTheStoredOnes_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason");
    QTest::newRow("min not numbers") << int(CObstaclePanel::kColMin) << "a, b, c"
                                     << "three numbers";
    QTest::newRow("max two numbers") << int(CObstaclePanel::kColMaxOrFile) << "1, 2"
                                     << "three numbers";
    QTest::newRow("max below min") << int(CObstaclePanel::kColMaxOrFile) << "1, -1, 1"
                                   << "below its max";
    QTest::newRow("infinite") << int(CObstaclePanel::kColMin) << "0, inf, 0"
                              << "three numbers";
}

void ObstacleWindowTest::refusedValuesKeepTheStoredOnes()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QString, reason);
    QTest::mouseClick(Panel().AddBoxButton(), Qt::LeftButton);
    const ObstacleBox before = WindowPlan().obstacles.boxes[0];
    const QString shown = CellText(0, column);
    SetCell(0, column, text);
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    QVERIFY2(m_prompts->messages[0].text.find(reason.toStdString()) != std::string::npos,
             m_prompts->messages[0].text.c_str());
    QCOMPARE(CellText(0, column), shown);
    const ObstacleBox after = WindowPlan().obstacles.boxes[0];
    QVERIFY(after.min == before.min && after.max == before.max);

    // A mesh that cannot be read is refused and nothing is added.
    const QString broken = m_dir.filePath("broken.obj");
    std::ofstream(broken.toStdString()) << "v 0 0 0\n";
    m_prompts->files.push_back(broken.toStdString());
    QTest::mouseClick(Panel().ImportMeshButton(), Qt::LeftButton);
    QCOMPARE(m_prompts->messages.size(), size_t{2});
    QVERIFY(WindowPlan().obstacles.meshes.empty());
    QCOMPARE(Panel().Table()->rowCount(), 1);
}

void ObstacleWindowTest::projectKeepsTheObstacles()
{
    EnterCameras(4);
    const QString mesh = m_dir.filePath("cube.obj");
    std::ofstream(mesh.toStdString()) << "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
                                         "f 1 3 2\nf 1 4 3\nf 5 6 7\nf 5 7 8\nf 1 2 6\nf 1 6 5\n"
                                         "f 4 8 7\nf 4 7 3\nf 1 5 8\nf 1 8 4\nf 2 3 7\nf 2 7 6\n";
    QTest::mouseClick(Panel().AddBoxButton(), Qt::LeftButton);
    m_prompts->files.push_back(mesh.toStdString());
    QTest::mouseClick(Panel().ImportMeshButton(), Qt::LeftButton);
    QCOMPARE(Panel().Table()->rowCount(), 2);
    SetCell(1, CObstaclePanel::kColScale, "0.5");
    QCOMPARE(WindowPlan().obstacles.meshes[0].scale, 0.5);

    const QString plan = m_dir.filePath("stage.vplan");
    m_prompts->files.push_back(plan.toStdString());
    Trigger(MenuCommand::SaveProjectAs);
    QVERIFY(QFile::exists(plan));
    m_menu->ClassicPlan().Edit("Clear", [](Plan& edited) -> std::optional<std::string> {
        edited.obstacles = {};
        return std::nullopt;
    });
    QCOMPARE(Panel().Table()->rowCount(), 0);

    m_prompts->answers.push_back(PromptAnswer::No);
    m_prompts->files.push_back(plan.toStdString());
    Trigger(MenuCommand::OpenProject);
    QCOMPARE(WindowPlan().obstacles.boxes.size() + WindowPlan().obstacles.meshes.size(), size_t{2});
    QCOMPARE(Panel().Table()->rowCount(), 2);
    QCOMPARE(CellText(1, CObstaclePanel::kColScale), QString("0.5"));
    QCOMPARE(WindowPlan().obstacles.meshes[0].mesh->triangles.size(), size_t{12});
}

void ObstacleWindowTest::hostileMeshesAreRefusedAndThePlanKept()
{
    // Milliseconds a refusal may take: below the reader's 10 s limit, so a
    // refusal never waits the limit out, with room for a loaded machine;
    // the sanitized builds run many times slower.
#if defined(__SANITIZE_ADDRESS__)
    constexpr qint64 kQuickly = 30000;
#else
    constexpr qint64 kQuickly = 9000;
#endif
    EnterCameras(4);
    const std::filesystem::path dir = m_dir.path().toStdString();
    mesh_files::WriteCubes(dir / "cubes");
    QTest::mouseClick(Panel().AddBoxButton(), Qt::LeftButton);
    m_prompts->files.push_back((dir / "cubes" / "cube.glb").string());
    QTest::mouseClick(Panel().ImportMeshButton(), Qt::LeftButton);
    QVERIFY(m_prompts->messages.empty());
    QCOMPARE(WindowPlan().obstacles.boxes.size() + WindowPlan().obstacles.meshes.size(), size_t{2});
    const ObstacleList before = WindowPlan().obstacles;
    const Vec3d camera = CCameraSet::Current()->GetPosition(3);
    auto planKept = [&] {
        return WindowPlan().obstacles == before && Panel().Table()->rowCount() == 2 &&
               GetSceneSettings()->GetCameraCount() == 4 && CCameraSet::Current()->GetPosition(3) == camera;
    };

    for (const auto& file : mesh_files::WriteHostile(dir / "hostile")) {
        const std::string path = (dir / "hostile" / file.file).string();
        m_prompts->files.push_back(path);
        const size_t shown = m_prompts->messages.size();
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(Panel().ImportMeshButton(), Qt::LeftButton);
        QVERIFY2(timer.elapsed() < kQuickly, file.file.c_str());
        QCOMPARE(m_prompts->messages.size(), shown + 1);
        const std::string& text = m_prompts->messages.back().text;
        QVERIFY2(text.find("could not read the mesh " + path + ": ") != std::string::npos &&
                     text.find(file.reason) != std::string::npos,
                 text.c_str());
        QVERIFY2(planKept(), file.file.c_str());
    }

    // A project naming a hostile mesh is not opened: the plan stays.
    const std::filesystem::path saved = dir / "stage.vplan";
    m_prompts->files.push_back(saved.string());
    Trigger(MenuCommand::SaveProjectAs);
    nlohmann::json project = nlohmann::json::parse(std::ifstream(saved));
    project["obstacles"][1]["file"] = "hostile/deep.gltf";
    std::ofstream(dir / "hostile.vplan") << project.dump(2);
    const size_t shown = m_prompts->messages.size();
    m_prompts->answers.push_back(PromptAnswer::No);
    m_prompts->files.push_back((dir / "hostile.vplan").string());
    Trigger(MenuCommand::OpenProject);
    QVERIFY(m_prompts->messages.size() > shown);
    // Named where the project's folder puts it.
    QVERIFY2(m_prompts->messages.back().text.find("could not read the mesh " +
                                                  (dir / "hostile" / "deep.gltf").string() +
                                                  ": nodes: nested more than 256 deep") != std::string::npos,
             m_prompts->messages.back().text.c_str());
    QVERIFY(planKept());
}

void ObstacleWindowTest::boxRowIsCheckedAsAWholeAndByCentreAndSize()
{
    QTest::mouseClick(Panel().AddBoxButton(), Qt::LeftButton);
    QTest::mouseClick(Panel().AddBoxButton(), Qt::LeftButton);
    const auto box = [this] { return WindowPlan().obstacles.boxes[0]; };
    QTableWidget& table = *Panel().Table();

    // Min first, past the new box's 0.5 m: it waits for the Max of its row.
    table.setCurrentCell(0, CObstaclePanel::kColMin);
    SetCell(0, CObstaclePanel::kColMin, "1, 0, 1");
    QVERIFY(m_prompts->messages.empty());
    QCOMPARE(Panel().PendingRow(), 0);
    QVERIFY(box().min == (Vec3d{0.0, 0.0, 0.0}));
    SetCell(0, CObstaclePanel::kColMaxOrFile, "2, 1.5, 2");
    QVERIFY(m_prompts->messages.empty());
    QCOMPARE(Panel().PendingRow(), -1);
    QVERIFY(box().min == (Vec3d{1.0, 0.0, 1.0}) && box().max == (Vec3d{2.0, 1.5, 2.0}));
    QCOMPARE(CellText(0, CObstaclePanel::kColCentre), QString("1.5, 0.75, 1.5"));
    QCOMPARE(CellText(0, CObstaclePanel::kColSize), QString("1, 1.5, 1"));

    // A new centre moves the box, a new size grows it about its centre.
    SetCell(0, CObstaclePanel::kColCentre, "3, 1, 3");
    QVERIFY(box().min == (Vec3d{2.5, 0.25, 2.5}) && box().max == (Vec3d{3.5, 1.75, 3.5}));
    SetCell(0, CObstaclePanel::kColSize, "2, 2, 2");
    QVERIFY(box().min == (Vec3d{2.0, 0.0, 2.0}) && box().max == (Vec3d{4.0, 2.0, 4.0}));
    QCOMPARE(CellText(0, CObstaclePanel::kColMin), QString("2, 0, 2"));
    QVERIFY(m_prompts->messages.empty());
    SetCell(0, CObstaclePanel::kColSize, "1, 0, 1");
    QCOMPARE(m_prompts->messages.size(), size_t{1});
    QVERIFY(m_prompts->messages.back().text.find("Size: three lengths above 0") != std::string::npos);
    QCOMPARE(CellText(0, CObstaclePanel::kColSize), QString("2, 2, 2"));

    // A waiting Min whose Max still lies below it is refused, the stored row shown again.
    SetCell(0, CObstaclePanel::kColMin, "5, 5, 5");
    QCOMPARE(Panel().PendingRow(), 0);
    SetCell(0, CObstaclePanel::kColMaxOrFile, "4.5, 5.5, 5.5");
    QCOMPARE(m_prompts->messages.size(), size_t{2});
    QCOMPARE(Panel().PendingRow(), -1);
    QCOMPARE(CellText(0, CObstaclePanel::kColMin), QString("2, 0, 2"));
    QVERIFY(box().max == (Vec3d{4.0, 2.0, 4.0}));

    // So is one left waiting when the user moves on to another row.
    table.setCurrentCell(0, CObstaclePanel::kColMin);
    SetCell(0, CObstaclePanel::kColMin, "5, 5, 5");
    QCOMPARE(m_prompts->messages.size(), size_t{2});
    table.setCurrentCell(1, CObstaclePanel::kColMin);
    QCOMPARE(m_prompts->messages.size(), size_t{3});
    QCOMPARE(CellText(0, CObstaclePanel::kColMin), QString("2, 0, 2"));
    QVERIFY(box().min == (Vec3d{2.0, 0.0, 2.0}));
}

QTEST_MAIN(ObstacleWindowTest)
#include "ObstacleWindowTest.moc"
