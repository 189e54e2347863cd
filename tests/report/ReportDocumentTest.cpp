// The report as a document to hand over, read back as a reader gets it: the
// title block, the pass/fail line against the plan's target (checked against
// the voxel table of `coverage`), the installation sheet's sensor, f-stop
// and spin, and captions that name the display the views show.
#include "support/CliRun.h"
#include "support/TempDir.h"

#include "project/JsonText.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

class ReportDocumentTest : public ::testing::Test
{
  protected:
    CliRun Cli(const std::string& arguments) { return RunCli(VP_CLI_PATH, arguments, m_dir.Path()); }
    std::string File(const std::string& name) const { return (m_dir.Path() / name).string(); }
    std::string PdfText(const std::string& name)
    {
        const std::string out = File(name + ".txt");
        EXPECT_EQ(std::system(("pdftotext -layout '" + File(name) + "' '" + out + "'").c_str()), 0);
        return ReadText(out);
    }
    // A plan of 8 x 6 x 3 m with four cameras, a target box and part of a title block.
    std::string Plan()
    {
        const std::string plan = File("hall.vplan");
        EXPECT_EQ(Cli("rig --room 8,6,3 --default-rig 4 --save-project '" + plan + "'").status, 0);
        Json project = Json::parse(ReadText(plan));
        project["report"] = {{"client", "Acme Stage"}, {"site", "Hall 3"}};
        project["placement"] = {{"target", Json::array({{{"min", {1, 0, 1}}, {"max", {7, 2, 5}}}})}};
        std::ofstream(plan) << project.dump();
        return plan;
    }

    TempDir m_dir;
};

// The verdict's share and volumes; empty when the line is not there.
std::smatch Verdict(const std::string& text)
{
    static const std::regex line(
        R"((PASS|FAIL): ([0-9.]+) % of the target \(([0-9.]+) of ([0-9.]+) m(?:&#179;|[^)]{1,2})\) is )"
        R"(triangulable by at least (\d+) cameras within 1\.00 mm; ([0-9.]+) % asked\.)");
    std::smatch match;
    std::regex_search(text, match, line);
    return match;
}

TEST_F(ReportDocumentTest, TitleBlockVerdictAndSheetColumnsReadBack)
{
    const std::string plan = Plan();
    const std::string options =
        "--project '" + plan + "' --voxel 25 --author 'J. Doe' --date 2026-12-09 --site 'Studio 5'";
    ASSERT_EQ(Cli("report " + options + " --out '" + File("r.pdf") + "'").status, 0);
    ASSERT_EQ(Cli("report " + options + " --out '" + File("r.html") + "'").status, 0);
    const std::string text = PdfText("r.pdf");

    // The project's fields, an option over the project's own, the date as given.
    for (const char* expected :
         {"Project +hall", "Client +Acme Stage", "Site +Studio 5", "Author +J\\. Doe", "Date +2026-12-09"})
        EXPECT_TRUE(std::regex_search(text, std::regex(expected))) << expected << "\n" << text.substr(0, 1500);
    EXPECT_EQ(text.find("Hall 3"), std::string::npos);

    // The target is the plan's box: 6 x 2 x 4 m, 24 x 8 x 16 voxel centres of 25 cm.
    const std::string html = ReadText(File("r.html"));
    const std::smatch verdict = Verdict(html);
    ASSERT_FALSE(verdict.empty()) << html.substr(0, 4000);
    EXPECT_EQ(verdict[4].str(), "48.00");
    EXPECT_EQ(verdict[5].str(), "2");
    EXPECT_EQ(verdict[6].str(), "95.0");
    EXPECT_EQ(verdict[1].str() == "PASS", std::stod(verdict[2].str()) >= 95.0);
    EXPECT_NE(text.find(verdict[1].str() + ": " + verdict[2].str() + " % of the target"), std::string::npos)
        << "the PDF's text holds the same line";

    // The met volume from the voxel table: centres in the box, marker in two
    // or more cameras, triangulable, sigma3d within the bound.
    ASSERT_EQ(Cli("coverage --project '" + plan + "' --voxel 25 --planning --voxels '" + File("v.csv") + "'").status,
              0);
    std::istringstream csv(ReadText(File("v.csv")));
    std::string line;
    std::getline(csv, line);
    std::vector<std::string> header;
    for (std::stringstream names(line); std::getline(names, line, ',');)
        header.push_back(line);
    const auto column = [&header](const std::string& name) {
        return static_cast<size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    };
    const size_t x = column("x"), y = column("y"), z = column("z"), marker = column("cameras_marker"),
                 sigma = column("sigma3d_mm"), triangulable = column("triangulable");
    ASSERT_LT(triangulable, header.size());
    size_t inTarget = 0, met = 0;
    while (std::getline(csv, line)) {
        std::vector<std::string> f;
        for (std::stringstream row(line); std::getline(row, line, ',');)
            f.push_back(line);
        f.resize(header.size());
        // Internal frame about the room's centre to the user frame from its corner.
        const double ux = std::stod(f[x]) + 4.0, uy = std::stod(f[y]) + 1.5, uz = 3.0 - std::stod(f[z]);
        if (ux < 1 || ux > 7 || uy < 0 || uy > 2 || uz < 1 || uz > 5)
            continue;
        ++inTarget;
        met += f[triangulable] == "1" && std::stoi(f[marker]) >= 2 && !f[sigma].empty() && std::stod(f[sigma]) <= 1.0
                   ? 1
                   : 0;
    }
    EXPECT_EQ(inTarget, 24u * 8u * 16u);
    char metText[32];
    std::snprintf(metText, sizeof metText, "%.2f", static_cast<double>(met) * 0.25 * 0.25 * 0.25);
    EXPECT_EQ(verdict[3].str(), metText);

    // The sheet's new columns: f-stop, spin and the sensor with its type, per camera.
    const Json project = Json::parse(ReadText(plan));
    for (const char* heading : {"<th>f-stop</th>", "<th>Spin (deg)</th>", "<th>Sensor</th>"})
        EXPECT_NE(html.find(heading), std::string::npos) << heading;
    for (const Json& camera : project["cameras"]) {
        char cells[128];
        std::snprintf(cells, sizeof cells, "<td>%.1f</td><td>%.1f</td><td>1280 x 1024 px, T4 Camera</td>",
                      camera["f_stop"].get<double>(), camera["spin_deg"].get<double>());
        EXPECT_NE(html.find(cells), std::string::npos) << cells;
    }
    EXPECT_NE(text.find("Sensor"), std::string::npos);
    EXPECT_NE(text.find("Unique: the triangulable volume lost when this camera alone is switched off"),
              std::string::npos);

    // The rule decides the verdict: nothing asked passes, more cameras than the rig has fail.
    ASSERT_EQ(Cli("report " + options + " --pass-share 0 --out '" + File("easy.html") + "'").status, 0);
    EXPECT_EQ(Verdict(ReadText(File("easy.html")))[1].str(), "PASS");
    ASSERT_EQ(Cli("report " + options + " --min-cameras 5 --out '" + File("hard.html") + "'").status, 0);
    const std::smatch hard = Verdict(ReadText(File("hard.html")));
    ASSERT_FALSE(hard.empty());
    EXPECT_EQ(hard[1].str() + " " + hard[2].str(), "FAIL 0.0");
}

TEST_F(ReportDocumentTest, ATargetBetweenTheVoxelCentresFails)
{
    // 25 cm voxels have their centres at 0.125, 0.375 m ...: none between 0.2 and 0.3 m.
    const std::string plan = File("thin.vplan");
    ASSERT_EQ(Cli("rig --room 8,6,3 --default-rig 4 --save-project '" + plan + "'").status, 0);
    Json project = Json::parse(ReadText(plan));
    project["placement"] = {{"target", Json::array({{{"min", {1, 0.2, 1}}, {"max", {7, 0.3, 5}}}})}};
    std::ofstream(plan) << project.dump();
    ASSERT_EQ(Cli("report --project '" + plan + "' --voxel 25 --pass-share 0 --out '" + File("r.html") + "'").status,
              0);
    EXPECT_NE(ReadText(File("r.html")).find("FAIL: no voxel centre lies in the target"), std::string::npos);
}

TEST_F(ReportDocumentTest, TitleBlockTextIsBoundedAndMadePrintable)
{
    const std::string out = File("r.html");
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {"--client " + std::string(257, 'c'), "--client: at most 256 characters, not 257"},
        {"--author " + std::string(300, 'a'), "--author: at most 256 characters, not 300"},
        {"--pass-share 101", "--pass-share: a share from 0 to 100 per cent"},
        {"--min-cameras 0", "--min-cameras 0: K must be 1 to 1000"},
    };
    for (const auto& c : cases) {
        const CliRun run = Cli("report --voxel 50 " + c.arguments + " --out '" + out + "'");
        EXPECT_EQ(run.status, 1) << c.arguments;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << "\n" << run.err;
        EXPECT_FALSE(fs::exists(out)) << c.arguments;
    }

    // The project's keys are read as strictly, naming the key.
    const std::string plan = File("p.vplan");
    ASSERT_EQ(Cli("rig --save-project '" + plan + "'").status, 0);
    Json project = Json::parse(ReadText(plan));
    for (const auto& [report, message] :
         {std::pair{Json{{"client", 5}}, "report.client: must be a string"},
          std::pair{Json{{"site", std::string(257, 's')}}, "report.site: at most 256 characters, not 257"},
          std::pair{Json("Acme"), "report: must be an object"}}) {
        project["report"] = report;
        std::ofstream(File("bad.vplan")) << project.dump();
        const CliRun run = Cli("report --project '" + File("bad.vplan") + "' --voxel 50 --out '" + out + "'");
        EXPECT_EQ(run.status, 1) << message;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(out));
    }

    // Escapes and a turned-around text reach the page as replacement characters.
    ASSERT_EQ(Cli("report --voxel 50 --client 'Acme\x1b[2J\xe2\x80\xaeStage' --out '" + out + "'").status, 0);
    const std::string html = ReadText(out);
    EXPECT_NE(html.find("<td>Acme\xEF\xBF\xBD[2J\xEF\xBF\xBDStage</td>"), std::string::npos);
}

TEST_F(ReportDocumentTest, CaptionsNameTheDisplayAndThePlanHasItsLegendBeside)
{
    ASSERT_EQ(Cli("report --voxel 50 --out '" + File("classic.html") + "'").status, 0);
    ASSERT_EQ(Cli("report --voxel 50 --display quality --measure sigma --quality-threshold '<=,2' --out '" +
                  File("quality.pdf") + "'")
                  .status,
              0);
    const std::string classic = ReadText(File("classic.html"));
    EXPECT_NE(classic.find("Perspective view from above at an angle: resolution map of camera 1<"), std::string::npos);
    EXPECT_NE(classic.find("Plan from above, orthographic, cut at the top of the capture height band (2.00 m): "
                           "resolution map of camera 1; camera numbers"),
              std::string::npos);
    EXPECT_NE(classic.find("Volume by the number of cameras that see it"), std::string::npos);
    const std::string quality = PdfText("quality.pdf");
    EXPECT_NE(quality.find("Quality display: Expected 3D error (mm), only where <= 2"), std::string::npos) << quality;

    // The views' page: the perspective frame's status strip is blank, the
    // plan wider than the frame by the legend beside it.
    ASSERT_EQ(std::system(("pdfimages -png -f 2 -l 2 '" + File("quality.pdf") + "' '" + File("view") + "'").c_str()),
              0);
    const QImage perspective(QString::fromStdString(File("view-000.png")));
    const QImage plan(QString::fromStdString(File("view-001.png")));
    ASSERT_EQ(perspective.size(), QSize(1000, 725));
    for (int y = 0; y < 45; ++y)
        for (int x = 0; x < perspective.width(); ++x)
            ASSERT_EQ(perspective.pixel(x, y), perspective.pixel(999, 0)) << x << "," << y;
    EXPECT_GT(plan.width(), 1000 + 200);
    // The Quality legend's dark backing stands beside the room, right of the frame.
    int backing = 0;
    for (int y = 0; y < plan.height(); ++y)
        for (int x = 1000; x < plan.width(); ++x)
            backing += plan.pixelColor(x, y) == QColor(20, 20, 20) ? 1 : 0;
    EXPECT_GT(backing, 20000);
}

} // namespace
