// `coverage --web` and the viewer of `report --html`: the page a client
// opens, read for what it would load and drawn in headless Chromium.
#include "support/CliRun.h"

#include <QImage>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

// The 8-camera default rig in the 12 x 10 x 4 m stage, at 20 cm.
constexpr const char* kStage = "--room 12,10,4 --default-rig 8";
constexpr const char* kThree = VP_THREE_DIR "/three.min.js";
constexpr const char* kControls = VP_THREE_DIR "/examples/js/controls/OrbitControls.js";

class WebPageTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("web_page_" + std::to_string(getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    std::string StagePage()
    {
        const CliRun run =
            RunCli(VP_CLI_PATH, std::string("coverage ") + kStage + " --web " + Path("plan.html"), m_dir);
        EXPECT_EQ(run.status, 0) << run.err;
        return ReadText(Path("plan.html"));
    }

    // Headless Chromium on the page, drawing WebGL in software, in a profile of its own.
    CliRun Chromium(const std::string& mode)
    {
        const std::string profile = Path("profile");
        fs::remove_all(profile);
        return RunCli(VP_CHROMIUM,
                      "--headless --no-sandbox --disable-gpu --use-gl=swiftshader --enable-unsafe-swiftshader "
                      "--disable-background-networking --no-first-run --disable-component-update --disable-sync "
                      "--user-data-dir=" +
                          profile + " --window-size=1280,800 --virtual-time-budget=5000 " + mode + " file://" +
                          Path("plan.html"),
                      m_dir);
    }

    fs::path m_dir;
};

TEST_F(WebPageTest, ThePageLoadsNothingFromElsewhereAndStaysSmall)
{
    std::string page = StagePage();
    EXPECT_LE(page.size(), 5u << 20);
    // three.js goes in as Debian ships it; whatever it can fetch, the viewer never asks it to.
    for (const char* library : {kThree, kControls}) {
        const std::string script = ReadText(library);
        ASSERT_FALSE(script.empty()) << library;
        const size_t at = page.find(script);
        ASSERT_NE(at, std::string::npos) << library;
        page.erase(at, script.size());
    }
    for (const char* load : {"http:", "https:", "src=", "href=", "<link", "url(", "@import", "import(", "fetch(",
                             "XMLHttpRequest", "<iframe", "<img"})
        EXPECT_EQ(page.find(load), std::string::npos) << load;
    EXPECT_NE(page.find("<table id=\"cameras\">"), std::string::npos);
}

TEST_F(WebPageTest, ChromiumShowsTheCamerasAndDrawsTheScene)
{
    if (std::string(VP_CHROMIUM).empty())
        GTEST_SKIP() << "chromium is missing (scripts/install-deps.sh installs it)";
    StagePage();
    const CliRun dom = Chromium("--dump-dom");
    ASSERT_EQ(dom.status, 0) << dom.err;
    const size_t body = dom.out.find("<tbody>", dom.out.find("id=\"cameras\""));
    ASSERT_NE(body, std::string::npos);
    const std::string rows = dom.out.substr(body, dom.out.find("</tbody>", body) - body);
    size_t count = 0;
    for (size_t at = rows.find("<tr"); at != std::string::npos; at = rows.find("<tr", at + 1))
        ++count;
    EXPECT_EQ(count, 8u);
    // The viewer ran: it put its canvas into the page.
    EXPECT_NE(dom.out.find("<canvas"), std::string::npos);

    const CliRun shot = Chromium("--screenshot=" + Path("shot.png"));
    ASSERT_EQ(shot.status, 0) << shot.err;
    const QImage image(QString::fromStdString(Path("shot.png")));
    ASSERT_FALSE(image.isNull());
    // Right of the side panel is the view: most of it is the scene, not the background.
    const QRgb background = qRgb(0xf7, 0xf7, 0xf4);
    int drawn = 0, total = 0;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = image.width() / 2; x < image.width(); x += 4) {
            ++total;
            drawn += image.pixel(x, y) != background ? 1 : 0;
        }
    }
    EXPECT_GT(drawn, total / 4) << drawn << " of " << total << " pixels drawn";
    // The whole room is in sight at first: nothing of it reaches the view's right or bottom edge.
    for (int y = 0; y < image.height(); ++y)
        ASSERT_EQ(image.pixel(image.width() - 2, y), background) << "right edge, y " << y;
    for (int x = image.width() / 2; x < image.width(); ++x)
        ASSERT_EQ(image.pixel(x, image.height() - 2), background) << "bottom edge, x " << x;
}

TEST_F(WebPageTest, TheHtmlReportShowsTheViewerFirst)
{
    const CliRun run = RunCli(VP_CLI_PATH, std::string("report ") + kStage + " --out " + Path("report.html"), m_dir);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string report = ReadText(Path("report.html"));
    const size_t viewer = report.find("<figure id=\"viewer\"><iframe");
    ASSERT_NE(viewer, std::string::npos);
    EXPECT_LT(viewer, report.find("<img"));
    EXPECT_NE(report.find("<table id=&quot;cameras&quot;>", viewer), std::string::npos);
    EXPECT_EQ(report.find("\"", report.find("srcdoc=\"", viewer) + 8), report.find("\"></iframe>", viewer));
}

} // namespace
