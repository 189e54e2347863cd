#include "MenuWindowFixture.h"

#include "app/DialogLayout.h"
#include "app/MainMenu.h"
#include "app/PartnerProcess.h"
#include "app/ReportCommands.h"
#include "app/VolumePlannerDlg.h"
#include "coverage/CoverageVolume.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"
#include "scene/SceneSettings.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

#include <cerrno>
#include <fstream>
#include <sstream>

// File > Export Report in the real main window: the report of the plan as
// it stood is written by its own process while the window goes on working.
class ReportWindowTest : public QObject, CMenuWindowFixture
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void reportOfThePlanWhileTheWindowWorks();
    void cancelledReportLeavesNoFile();
    void refusedTargets();
    void viewsShowTheWindowsDisplay();
    void obstaclesOfTheWindowAreInTheReport();
    void optionsReachTheReportAndStayWithThePlan();
    void optionsThatCannotBeUsedAreNamed();
    void aPartnerStillRunningEndsWithItsOwner();

  private:
    void SetBox(int id, const char* text) { static_cast<QLineEdit*>(Ctl(id))->setText(text); }
    void RenderAndSettle()
    {
        QTest::mouseClick(Ctl(kIdRender), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!GetSceneSettings()->GetRecalculate(), 60000);
        QTRY_VERIFY(m_dlg->View()->Renderer().GetVolume().HasResults());
    }
    QString Path(const char* name) const { return m_dir.filePath(name); }
    static std::string Read(const QString& path)
    {
        std::ifstream in(path.toStdString(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static QString PdfText(const QString& path)
    {
        QProcess pdftotext;
        pdftotext.start("pdftotext", {path, "-"});
        pdftotext.waitForFinished(30000);
        return QString::fromUtf8(pdftotext.readAllStandardOutput());
    }
    CReportCommands& Report() { return m_menu->Report(); }

    QTemporaryDir m_dir;
};

void ReportWindowTest::init()
{
    OpenWindow();
}

void ReportWindowTest::cleanup()
{
    CloseWindow();
}

void ReportWindowTest::reportOfThePlanWhileTheWindowWorks()
{
    QCOMPARE(m_menu->Action(MenuCommand::ExportReport)->shortcut(), QKeySequence("Ctrl+E"));
    EnterCameras(4);
    // Small voxels make the report long enough to work in the window meanwhile.
    SetBox(kIdRoomLength, "7");
    SetBox(kIdVoxelSize, "6");
    RenderAndSettle();

    QSignalSpy finished(&Report(), &CReportCommands::reportFinished);
    m_prompts->files.push_back(Path("plan.pdf").toStdString());
    Trigger(MenuCommand::ExportReport);
    QVERIFY(Report().IsRunning());
    QVERIFY(Report().Progress() != nullptr);
    QTRY_VERIFY(Report().Progress()->isVisible());
    QCOMPARE(Report().Progress()->windowModality(), Qt::NonModal);
    // The report's steps reach the dialog.
    QTRY_VERIFY_WITH_TIMEOUT(Report().Progress()->labelText().contains("computing the coverage"), 30000);

    // Another computation in the window while the report is made.
    SetBox(kIdRoomLength, "9");
    SetBox(kIdVoxelSize, "20");
    RenderAndSettle();
    QCOMPARE(GetSceneSettings()->GetRoomLength(), 9.0f);
    QVERIFY2(Report().IsRunning(), "the report ended before the window's own computation");

    QTRY_VERIFY_WITH_TIMEOUT(finished.count() == 1 || Report().Progress()->value() >= 40, 300000);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 300000);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QVERIFY(Report().Progress() == nullptr);
    QVERIFY(Read(Path("plan.pdf")).rfind("%PDF-", 0) == 0);
    // The plan as it was when the report was asked for.
    const QString text = PdfText(Path("plan.pdf"));
    QVERIFY2(text.contains("7.00 x 5.00 x 5.00 m"), qPrintable(text.left(600)));
    QVERIFY(text.contains("Installation sheet"));
    QVERIFY(m_prompts->messages.empty());
}

void ReportWindowTest::cancelledReportLeavesNoFile()
{
    EnterCameras(4);
    SetBox(kIdVoxelSize, "5");
    RenderAndSettle();
    QSignalSpy finished(&Report(), &CReportCommands::reportFinished);
    m_prompts->files.push_back(Path("cancelled.html").toStdString());
    Trigger(MenuCommand::ExportReport);
    QTRY_VERIFY(Report().Progress() != nullptr && Report().Progress()->isVisible());
    // A second report waits for the first.
    Trigger(MenuCommand::ExportReport);
    QCOMPARE(m_prompts->messages.back().text, std::string("A report is being made already: wait for it or cancel it"));
    const size_t asked = m_prompts->messages.size();
    QPushButton* cancel = Report().Progress()->findChild<QPushButton*>();
    QVERIFY(cancel != nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(m_prompts->messages.size(), asked);
    QVERIFY(!Report().IsRunning());
    // Neither the report nor a temporary of it.
    QCOMPARE(QDir(m_dir.path()).entryList({"*cancelled*"}, QDir::Files | QDir::Hidden), QStringList());
}

void ReportWindowTest::refusedTargets()
{
    EnterCameras(4);
    m_prompts->files.push_back(Path("report.txt").toStdString());
    Trigger(MenuCommand::ExportReport);
    QCOMPARE(m_prompts->messages.back().text, std::string("Choose a file ending in .pdf or .html"));
    QVERIFY(!Report().IsRunning());

    // An existing report is kept unless the user agrees to replace it.
    {
        std::ofstream(Path("old.pdf").toStdString()) << "earlier";
    }
    m_prompts->files.push_back(Path("old.pdf").toStdString());
    m_prompts->answers.push_back(PromptAnswer::No);
    Trigger(MenuCommand::ExportReport);
    QCOMPARE(m_prompts->messages.back().text, std::string("old.pdf already exists.\nDo you want to replace it?"));
    QVERIFY(!Report().IsRunning());
    QCOMPARE(Read(Path("old.pdf")), std::string("earlier"));

    QSignalSpy finished(&Report(), &CReportCommands::reportFinished);
    m_prompts->files.push_back(Path("none/r.pdf").toStdString());
    Trigger(MenuCommand::ExportReport);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 120000);
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(m_prompts->messages.back().text, std::string("Unable to make the report"));
    QVERIFY2(m_prompts->reasons.back().rfind("Unable to write file: ", 0) == 0, m_prompts->reasons.back().c_str());
}

void ReportWindowTest::viewsShowTheWindowsDisplay()
{
    EnterCameras(4);
    Trigger(MenuCommand::Quality);
    QVERIFY(m_dlg->View()->Renderer().IsQualityDisplay());
    QSignalSpy finished(&Report(), &CReportCommands::reportFinished);
    m_prompts->files.push_back(Path("quality.pdf").toStdString());
    Trigger(MenuCommand::ExportReport);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 120000);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    // The first picture, the perspective view, has the Quality legend's dark backing at its lower right.
    QProcess pdfimages;
    pdfimages.start("pdfimages", {"-png", "-f", "2", "-l", "2", Path("quality.pdf"), Path("view")});
    QVERIFY(pdfimages.waitForFinished(30000));
    const QImage view(Path("view-000.png"));
    QCOMPARE(view.size(), QSize(1000, 725));
    int backing = 0;
    for (int y = 725 - 250; y < 725; ++y)
        for (int x = 1000 - 260; x < 1000; ++x)
            backing += view.pixelColor(x, y) == QColor(20, 20, 20) ? 1 : 0;
    QVERIFY2(backing > 20000, qPrintable(QString::number(backing)));
}

void ReportWindowTest::obstaclesOfTheWindowAreInTheReport()
{
    EnterCameras(4);
    QVERIFY(!AddObstacleBox({"desk", {1.0, 0.0, 1.0}, {2.0, 0.8, 3.0}}));
    QSignalSpy finished(&Report(), &CReportCommands::reportFinished);
    m_prompts->files.push_back(Path("desk.pdf").toStdString());
    Trigger(MenuCommand::ExportReport);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 120000);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    const QString text = PdfText(Path("desk.pdf"));
    QVERIFY2(text.contains("Obstacles\n") && text.contains("desk"), qPrintable(text.left(1600)));
    QVERIFY(text.contains("2.00, 0.80, 3.00"));
}

void ReportWindowTest::optionsReachTheReportAndStayWithThePlan()
{
    EnterCameras(4);
    ReportChoices choices;
    choices.title = "Hall B";
    choices.client = "-Acme";
    choices.site = "Leeds";
    choices.author = "J. Doe";
    choices.date = "2026-12-09";
    choices.bandFromM = 0.5f;
    choices.bandToM = 1.5f;
    choices.slicesM = {1.0f, 2.5f};
    m_prompts->reportChoices.push_back(choices);
    QSignalSpy finished(&Report(), &CReportCommands::reportFinished);
    m_prompts->files.push_back(Path("hall.html").toStdString());
    Trigger(MenuCommand::ExportReport);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 120000);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    const std::string page = Read(Path("hall.html"));
    // A client starting with a dash is a text, not an option.
    for (const char* cell :
         {"<td>Hall B</td>", "<td>-Acme</td>", "<td>Leeds</td>", "<td>J. Doe</td>", "<td>2026-12-09</td>",
          "band (1.50 m)", "Camera count at 1.00 m", "Camera count at 2.50 m"})
        QVERIFY2(page.find(cell) != std::string::npos, cell);

    // The title block is the plan's now; the next report offers it and the heights again.
    m_prompts->reportChoices.push_back(std::nullopt);
    Trigger(MenuCommand::ExportReport);
    QVERIFY(!Report().IsRunning());
    const ReportChoices& offered = m_prompts->offeredReportChoices.back();
    QCOMPARE(offered.client, std::string("-Acme"));
    QCOMPARE(offered.date, std::string("2026-12-09"));
    QCOMPARE(offered.bandToM, 1.5f);
    QCOMPARE(offered.slicesM.size(), size_t{2});
    // Cancelled there, nothing more was asked.
    QCOMPARE(m_prompts->saveRequests.size(), size_t{1});

    const QString plan = Path("hall.vplan");
    m_prompts->files.push_back(plan.toStdString());
    Trigger(MenuCommand::SaveProjectAs);
    const std::string saved = Read(plan);
    QVERIFY2(saved.find("\"client\": \"-Acme\"") != std::string::npos, saved.c_str());
    QVERIFY(saved.find("\"title\": \"Hall B\"") != std::string::npos);
}

void ReportWindowTest::optionsThatCannotBeUsedAreNamed()
{
    ReportChoices texts;
    ReportChoices chosen;
    chosen.title = "kept";
    const struct {
        std::string band, slices, message;
    } cases[] = {
        {"2, 1", "", "Height band: two heights"},
        {"0.5", "", "Height band: two heights"},
        {"0.5, 2", "1, x", "Slices: heights in metres"},
        {"0.5, 2", "-1", "Slices: -1 m lies below the floor"},
    };
    for (const auto& c : cases) {
        const auto error = ReadReportChoices(texts, c.band, c.slices, chosen);
        QVERIFY2(error && error->rfind(c.message, 0) == 0, c.message.c_str());
        QCOMPARE(chosen.title, std::string("kept"));
    }
    texts.author = std::string(257, 'a');
    const auto tooLong = ReadReportChoices(texts, "0.5, 2", "", chosen);
    QVERIFY(tooLong && *tooLong == "Author: at most 256 characters, not 257");
    texts.author = "J. Doe";
    QVERIFY(!ReadReportChoices(texts, " 1,2 ", "1 2, 3", chosen));
    QCOMPARE(chosen.author, std::string("J. Doe"));
    QCOMPARE(chosen.bandFromM, 1.0f);
    QCOMPARE(chosen.slicesM, (std::vector<float>{1.0f, 2.0f, 3.0f}));
}

void ReportWindowTest::aPartnerStillRunningEndsWithItsOwner()
{
    // Found beside the program when it is there, else where the build put it.
    QCOMPARE(CPartnerProcess::Binary("report_window_tests", "/built/here"),
             QCoreApplication::applicationDirPath() + "/report_window_tests");
    QCOMPARE(CPartnerProcess::Binary("no-such-partner", "/built/here"), QString("/built/here"));

    for (const CPartnerProcess::Stop stop : {CPartnerProcess::Stop::Terminate, CPartnerProcess::Stop::Kill}) {
        qint64 pid = 0;
        bool reached = false;
        {
            QObject owner;
            CPartnerProcess partner(stop);
            QVERIFY(!partner);
            QProcess* process = partner.Begin(&owner);
            connect(process, &QProcess::finished, &owner, [&reached] { reached = true; });
            process->start("sleep", {"600"});
            QVERIFY(process->waitForStarted());
            pid = process->processId();
            QVERIFY(partner);
        }
        // Ended and reaped before the owner went, and nothing reached the owner.
        errno = 0;
        QCOMPARE(::kill(static_cast<pid_t>(pid), 0), -1);
        QCOMPARE(errno, ESRCH);
        QVERIFY(!reached);
    }

    // A run that ended is let go: nothing is stopped afterwards.
    QObject owner;
    CPartnerProcess partner(CPartnerProcess::Stop::Kill);
    QProcess* process = partner.Begin(&owner);
    process->start("true", {});
    QVERIFY(process->waitForFinished());
    partner.End();
    QVERIFY(!partner);
}

QTEST_MAIN(ReportWindowTest)
#include "ReportWindowTest.moc"
