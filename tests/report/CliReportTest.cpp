// Runs `volume-planner-cli report` as a user would and reads the report back
// with poppler-utils: the figures must be the `coverage` command's, the
// camera table must hold every camera, the pictures must be in it and the
// floor maps' colour key must show on the rendered pages.
#include "support/CliRun.h"
#include "support/TempDir.h"

#include "project/JsonText.h"
#include "report/FloorMaps.h"

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

std::string Fixed(double v, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Words of a line, split on runs of spaces.
std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

bool HasLineWith(const std::vector<std::string>& lines, const std::vector<std::string>& parts)
{
    for (const std::string& line : lines) {
        size_t at = 0;
        bool all = true;
        for (const std::string& part : parts) {
            at = line.find(part, at);
            if (at == std::string::npos) {
                all = false;
                break;
            }
            at += part.size();
        }
        if (all)
            return true;
    }
    return false;
}

// A binary PPM (P6) as pdftoppm writes it.
struct Ppm {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    std::array<int, 3> At(int x, int y) const
    {
        const size_t i = (static_cast<size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

Ppm ReadPpm(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    Ppm ppm;
    in >> magic >> ppm.width >> ppm.height >> maxValue;
    in.get();
    ppm.rgb.resize(static_cast<size_t>(ppm.width) * ppm.height * 3);
    in.read(reinterpret_cast<char*>(ppm.rgb.data()), static_cast<std::streamsize>(ppm.rgb.size()));
    return ppm;
}

bool Near(const std::array<int, 3>& p, uint32_t rgb, int tolerance)
{
    return std::abs(p[0] - static_cast<int>((rgb >> 16) & 0xff)) <= tolerance &&
           std::abs(p[1] - static_cast<int>((rgb >> 8) & 0xff)) <= tolerance &&
           std::abs(p[2] - static_cast<int>(rgb & 0xff)) <= tolerance;
}

// A colour key on a page: a column in which every count's colour appears,
// from all cameras at the top down to none at the bottom.
bool FindColourKey(const Ppm& page, uint32_t maxCount)
{
    for (int x = 0; x < page.width; ++x) {
        int lastY = page.height;
        bool ordered = true;
        for (int c = 0; c <= static_cast<int>(maxCount) && ordered; ++c) {
            int found = -1;
            for (int y = lastY - 1; y >= 0 && found < 0; --y)
                if (Near(page.At(x, y), FloorMapRgb(static_cast<uint32_t>(c), maxCount), 6))
                    found = y;
            ordered = found >= 0;
            lastY = found;
        }
        if (ordered)
            return true;
    }
    return false;
}

struct Stage {
    const char* name;
    std::string rig;           // rig and coverage options
    std::vector<float> slices; // --slices
};

class CliReportTest : public ::testing::TestWithParam<Stage>
{
  protected:
    CliRun Cli(const std::string& arguments) { return RunCli(VP_CLI_PATH, arguments, m_dir.Path()); }
    std::string Shell(const std::string& command)
    {
        const fs::path out = m_dir.Path() / "shell";
        EXPECT_EQ(std::system((command + " >'" + out.string() + "' 2>/dev/null").c_str()), 0) << command;
        return ReadText(out);
    }
    std::string File(const std::string& name) const { return (m_dir.Path() / name).string(); }

    static std::string SliceOption(const std::vector<float>& slices)
    {
        if (slices.empty())
            return "";
        std::string text = " --slices ";
        for (size_t s = 0; s < slices.size(); ++s)
            text += (s ? "," : "") + Fixed(slices[s], 2);
        return text;
    }

    TempDir m_dir;
};

TEST_P(CliReportTest, PdfAndHtmlHoldTheCoverageFiguresCamerasAndPictures)
{
    const Stage& stage = GetParam();
    const CliRun coverage = Cli("coverage " + stage.rig + " --planning");
    ASSERT_EQ(coverage.status, 0) << coverage.err;
    const Json json = Json::parse(coverage.out);
    const std::string options = stage.rig + SliceOption(stage.slices);
    const CliRun pdf = Cli("report " + options + " --out '" + File("r.pdf") + "'");
    ASSERT_EQ(pdf.status, 0) << pdf.err;
    const CliRun html = Cli("report " + options + " --out '" + File("r.html") + "'");
    ASSERT_EQ(html.status, 0) << html.err;
    const std::vector<std::string> text = Lines(Shell("pdftotext -layout '" + File("r.pdf") + "' -"));
    const std::string page = ReadText(File("r.html"));

    // Summary: volume and share seen by at least k cameras, k = 1 .. n.
    const Json& atLeast = json["volume_m3"]["seen_by_at_least"];
    const double whole = atLeast[0].get<double>();
    ASSERT_GT(atLeast.size(), 2u);
    for (size_t k = 1; k < atLeast.size(); ++k) {
        const std::string volume = Fixed(atLeast[k].get<double>(), 2);
        const std::string share = Fixed(100.0 * atLeast[k].get<double>() / whole, 1) + " %";
        const std::string label = ">= " + std::to_string(k) + (k == 1 ? " camera" : " cameras");
        EXPECT_TRUE(HasLineWith(text, {label, volume, share})) << label << " " << volume << " " << share;
        EXPECT_NE(page.find("<td>&gt;= " + std::to_string(k) + (k == 1 ? " camera" : " cameras") + "</td><td>" +
                            volume + "</td><td>" + share + "</td>"),
                  std::string::npos)
            << label;
    }
    // The planning figures.
    const Json& planning = json["planning"];
    const Json& marker = planning["volume_m3"]["marker_by_at_least"];
    const std::vector<std::pair<std::string, std::string>> figures{
        {"Marker seen by >= 2 cameras", Fixed(marker[2].get<double>(), 2) + " m"},
        {"Marker seen by >= 3 cameras", Fixed(marker[3].get<double>(), 2) + " m"},
        {"Triangulable volume", Fixed(planning["volume_m3"]["triangulable"].get<double>(), 2) + " m"},
        {"Expected 3D error, median", Fixed(planning["sigma3d_mm"]["median"].get<double>(), 3) + " mm"},
        {"Expected 3D error, 95th percentile", Fixed(planning["sigma3d_mm"]["p95"].get<double>(), 3) + " mm"},
    };
    for (const auto& [label, value] : figures) {
        EXPECT_TRUE(HasLineWith(text, {label, value})) << label << " " << value;
        EXPECT_NE(page.find(value), std::string::npos) << label << " " << value;
    }

    // The installation sheet: one row per camera, in order, its place in the user frame.
    const Json& perCamera = planning["per_camera"];
    for (const Json& camera : json["cameras"]) {
        const Json& position = camera["position"];
        const size_t c = camera["number"].get<size_t>() - 1;
        const std::string number = std::to_string(c + 1);
        const std::string label = camera["label"].get<std::string>();
        const std::string x = Fixed(position[0].get<double>(), 2), y = Fixed(position[1].get<double>(), 2),
                          z = Fixed(position[2].get<double>(), 2);
        const std::string reach = Fixed(perCamera[c]["reach_m"].get<double>(), 2);
        const std::string seen = std::to_string(perCamera[c]["voxels_seen"].get<uint64_t>());
        bool row = false;
        for (const std::string& line : text) {
            const std::vector<std::string> w = Words(line);
            // No., label (two words), X, Z, height, wall, pan, tilt, lens, FOV ("h / v"), reach, seen
            row = row || (w.size() >= 16 && w[0] == number && w[1] + " " + w[2] == label && w[3] == x && w[4] == z &&
                          w[5] == y && w[13] == reach && w[14] == seen);
        }
        EXPECT_TRUE(row) << "camera " << number << " " << label << " " << x << " " << z << " " << y;
        EXPECT_NE(page.find("<td>" + number + "</td><td>" + label + "</td><td>" + x + "</td><td>" + z + "</td><td>" +
                            y + "</td>"),
                  std::string::npos)
            << number;
    }

    // Two views, a worst-case map and the slices, three histograms.
    const size_t pictures = 2 + 1 + stage.slices.size() + 3;
    const std::vector<std::string> images = Lines(Shell("pdfimages -list '" + File("r.pdf") + "'"));
    ASSERT_EQ(images.size(), 2 + pictures);
    for (size_t i = 2; i < images.size(); ++i) {
        const std::vector<std::string> w = Words(images[i]);
        ASSERT_GE(w.size(), 5u);
        EXPECT_EQ(w[2], "image");
        EXPECT_GE(std::stoi(w[3]), 1000) << images[i];
    }
    // The HTML stands alone: every picture inline, nothing fetched.
    size_t inline_ = 0;
    for (size_t at = page.find("<img src=\""); at != std::string::npos; at = page.find("<img src=\"", at + 1)) {
        EXPECT_EQ(page.compare(at + 10, 22, "data:image/png;base64,"), 0);
        ++inline_;
    }
    EXPECT_EQ(inline_, pictures);
    EXPECT_EQ(page.find("http://"), std::string::npos);
    EXPECT_EQ(page.find("https://"), std::string::npos);

    // The pages render; the floor maps' page shows a colour key over every count, the views' page none.
    const uint32_t cameras = json["range"]["enabled"].get<uint32_t>();
    const auto pageWith = [this](const std::string& heading) {
        for (int p = 1; p <= 12; ++p) {
            const std::string one =
                Shell("pdftotext -f " + std::to_string(p) + " -l " + std::to_string(p) + " '" + File("r.pdf") + "' -");
            if (one.rfind(heading + "\n", 0) == 0)
                return p;
        }
        return 0;
    };
    const auto render = [this](int p) {
        const std::string prefix = File("page" + std::to_string(p));
        Shell("pdftoppm -r 100 -singlefile -f " + std::to_string(p) + " -l " + std::to_string(p) + " '" +
              File("r.pdf") + "' '" + prefix + "'");
        return ReadPpm(prefix + ".ppm");
    };
    const int mapsPage = pageWith("Floor maps"), viewsPage = pageWith("Views");
    ASSERT_GT(mapsPage, 0);
    ASSERT_GT(viewsPage, 0);
    const Ppm maps = render(mapsPage);
    ASSERT_GT(maps.width, 500);
    EXPECT_TRUE(FindColourKey(maps, cameras));
    EXPECT_FALSE(FindColourKey(render(viewsPage), cameras));
}

INSTANTIATE_TEST_SUITE_P(Stages, CliReportTest,
                         ::testing::Values(Stage{"DefaultRig", "", {}},
                                           Stage{"TwelveCameraStage",
                                                 std::string("--room 12,10,4 --cameras '") + VP_STAGE_RIG +
                                                     "' --iso '>=,3'",
                                                 {1.0f, 3.0f}}),
                         [](const auto& info) { return std::string(info.param.name); });

class CliReportFileTest : public CliReportTest
{
};

TEST_F(CliReportFileTest, PageSizeFollowsTheLocale)
{
    for (const auto& [locale, size] :
         {std::pair{"en_US.UTF-8", "letter"}, std::pair{"de_DE.UTF-8", "A4"}, std::pair{"C", "A4"}}) {
        const std::string out = File(std::string(locale) + ".pdf");
        const std::string info = Shell(std::string("LC_ALL=") + locale + " '" + VP_CLI_PATH +
                                       "' report --voxel 50 --out '" + out + "' && pdfinfo '" + out + "'");
        EXPECT_NE(info.find(std::string("(") + size + ")"), std::string::npos) << locale << "\n" << info;
    }
}

TEST_F(CliReportFileTest, TextIsTextInEmbeddedFonts)
{
    ASSERT_EQ(Cli("report --voxel 50 --title 'Hall B' --out '" + File("r.pdf") + "'").status, 0);
    const std::vector<std::string> fonts = Lines(Shell("pdffonts '" + File("r.pdf") + "'"));
    ASSERT_GT(fonts.size(), 2u);
    for (size_t i = 2; i < fonts.size(); ++i)
        EXPECT_NE(fonts[i].find(" yes "), std::string::npos) << fonts[i];
    const std::string text = Shell("pdftotext '" + File("r.pdf") + "' -");
    EXPECT_NE(text.find("Coverage report: Hall B"), std::string::npos);
    EXPECT_NE(text.find("Installation sheet"), std::string::npos);
}

TEST_F(CliReportFileTest, RoomInTheUnitItWasEnteredInAndInMetres)
{
    ASSERT_EQ(Cli("report --room 20,10,10 --units f --voxel 50 --out '" + File("r.pdf") + "'").status, 0);
    const std::string text = Shell("pdftotext '" + File("r.pdf") + "' -");
    EXPECT_NE(text.find("20.00 x 10.00 x 10.00 ft, 6.10 x 3.05 x 3.05 m"), std::string::npos) << text;
}

TEST_F(CliReportFileTest, RefusalsWriteNothingAndKeepAnEarlierReport)
{
    const std::string old = File("old.pdf");
    std::ofstream(old) << "earlier report";
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"--out '" + File("r.txt") + "'", 1, "--out: a file ending in .pdf or .html"},
        {"--out '" + old + "' --heights 6,7", 1, "lies outside the room"},
        {"--out '" + old + "' --heights 2,1", 1, "A not above B"},
        {"--out '" + old + "' --heights 0.3,0.4", 1, "no voxel layer"},
        {"--out '" + old + "' --slices 1,5.5", 1, "--slices: 5.50 m lies outside the room"},
        {"--out '" + old + "' --heights 1", 2, ""},
        {"--out '" + old + "' --display quality --view-2d", 1, "--display quality replaces"},
        {"--out '" + old + "' --default-rig 0", 1, ""},
        {"--out '" + File("none/r.pdf") + "'", 1, "Unable to write file"},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli("report --voxel 50 " + c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << "\n" << run.err;
        EXPECT_EQ(ReadText(old), "earlier report") << c.arguments;
    }
    EXPECT_FALSE(fs::exists(File("r.txt")));
    // Only the earlier report is left: no temporary beside it.
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(m_dir.Path()))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1u);
}

TEST_F(CliReportFileTest, BandsSlicesAndTitlesBeyondTheirBoundsAreRefused)
{
    const std::string out = File("r.html");
    std::string slices = "1";
    for (int i = 0; i < 50; ++i)
        slices += ",1";
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {"--heights -1,2", "--heights: the band -1.00-2.00 m lies outside the room (0-5.00 m)"},
        {"--heights 0,100", "--heights: the band 0.00-100.00 m lies outside the room (0-5.00 m)"},
        {"--slices " + slices, "--slices: at most 50 heights, not 51"},
        {"--title " + std::string(257, 't'), "--title: at most 256 characters, not 257"},
        {"--title ''", "--title: the value is empty"},
        {"--heights 0x1,2", "--heights 0x1: write the number in decimal"},
    };
    for (const auto& c : cases) {
        const CliRun run = Cli("report --voxel 50 " + c.arguments + " --out '" + out + "'");
        EXPECT_EQ(run.status, 1) << c.arguments;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << "\n" << run.err;
        EXPECT_FALSE(fs::exists(out)) << c.arguments;
    }
    // The whole room, and 256 characters of three bytes each, are fine.
    std::string title;
    for (int i = 0; i < 256; ++i)
        title += "\xE2\x82\xAC";
    EXPECT_EQ(Cli("report --voxel 50 --heights 0,5 --title '" + title + "' --out '" + out + "'").status, 0);
}

TEST_F(CliReportFileTest, TitleAndLabelsReachTheReportWithoutControlsOrBrokenText)
{
    // Escapes, a right-to-left override and a byte that is no UTF-8, in the
    // title and in a camera label from a project.
    const std::string project = (fs::path(VP_FUZZ_CORPUS) / "project_file" / "terminal-escapes.vplan").string();
    const CliRun run = Cli("report --voxel 50 --project '" + project + "' --title 'Hall\x1b[2J \xe2\x80\xae" +
                           "B\xff' --out '" + File("r.html") + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string page = ReadText(File("r.html"));
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_NE(page.find("Coverage report: Hall" + fffd + "[2J " + fffd + "B" + fffd), std::string::npos);
    EXPECT_NE(page.find(fffd + "]0;owned" + fffd + fffd + "[2J" + fffd + "Cam"), std::string::npos);
    EXPECT_EQ(page.find_first_of("\x1b\x07\xff"), std::string::npos);
    EXPECT_EQ(page.find("\xE2\x80\xAE"), std::string::npos);
}

// Pixels of the Quality legend's dark backing in the lower right of the
// report's first picture, the perspective view.
int QualityLegendPixels(const std::string& pdf, const fs::path& scratch)
{
    const std::string prefix = scratch.string() + "-view";
    if (std::system(("pdfimages -png -f 2 -l 2 '" + pdf + "' '" + prefix + "'").c_str()) != 0)
        return -1;
    const QImage view(QString::fromStdString(prefix + "-000.png"));
    int n = 0;
    for (int y = view.height() - 250; y >= 0 && y < view.height(); ++y)
        for (int x = view.width() - 260; x >= 0 && x < view.width(); ++x) {
            const QColor c = view.pixelColor(x, y);
            n += std::abs(c.red() - 20) <= 2 && std::abs(c.green() - 20) <= 2 && std::abs(c.blue() - 20) <= 2 ? 1 : 0;
        }
    return n;
}

TEST_F(CliReportFileTest, CamerasOutsideTheFiguresAreMarked)
{
    // Camera 2 disabled, camera 4 outside the range of the first three.
    ASSERT_EQ(Cli("report --voxel 50 --disable 2 --range 1,3 --out '" + File("r.html") + "'").status, 0);
    const std::string page = ReadText(File("r.html"));
    const auto row = [&page](int number) {
        const size_t at = page.find("<tr><td>" + std::to_string(number) + "</td>");
        return at == std::string::npos ? std::string() : page.substr(at, page.find("</tr>", at) - at);
    };
    for (const int off : {2, 4}) {
        EXPECT_NE(row(off).find("<td>Camera " + std::to_string(off) + " (off)</td>"), std::string::npos) << row(off);
        EXPECT_NE(row(off).find("<td>-</td><td>-</td>"), std::string::npos) << row(off);
    }
    for (const int on : {1, 3}) {
        EXPECT_NE(row(on).find("<td>Camera " + std::to_string(on) + "</td>"), std::string::npos) << row(on);
        EXPECT_EQ(row(on).find("<td>-</td>"), std::string::npos) << row(on);
    }
    EXPECT_NE(page.find("active range: 3 from camera 1, 2 of them enabled"), std::string::npos);
}

TEST_F(CliReportFileTest, ViewsShowTheChosenDisplay)
{
    ASSERT_EQ(Cli("report --out '" + File("classic.pdf") + "'").status, 0);
    ASSERT_EQ(
        Cli("report --display quality --measure sigma --quality-threshold '<=,2' --out '" + File("quality.pdf") + "'")
            .status,
        0);
    EXPECT_LT(QualityLegendPixels(File("classic.pdf"), m_dir.Path() / "c"), 100);
    EXPECT_GT(QualityLegendPixels(File("quality.pdf"), m_dir.Path() / "q"), 20000);
}

TEST_F(CliReportFileTest, ProgressOnlyWhenAskedOrOnATerminal)
{
    const CliRun quiet = Cli("report --voxel 50 --out '" + File("q.pdf") + "'");
    ASSERT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err.find("Report:"), std::string::npos) << quiet.err;
    EXPECT_TRUE(quiet.out.empty());
    const CliRun asked = Cli("report --voxel 50 --progress --out '" + File("p.pdf") + "'");
    ASSERT_EQ(asked.status, 0);
    EXPECT_NE(asked.err.find("Report:   0% computing"), std::string::npos) << asked.err;
    EXPECT_NE(asked.err.find("Report: 100% done"), std::string::npos) << asked.err;
}

} // namespace

TEST_F(CliReportFileTest, ObstaclesAreComputedListedAndLeftOutOfTheMaps)
{
    // A pillar through the capture band: its columns are blocked on the worst-case map.
    const std::string box = "--obstacle-box 1.5,0,1.5,3,3.5,3";
    const CliRun coverage = Cli("coverage " + box + " --planning");
    ASSERT_EQ(coverage.status, 0) << coverage.err;
    const Json json = Json::parse(coverage.out);
    ASSERT_EQ(Cli("report " + box + " --out '" + File("r.pdf") + "'").status, 0);
    ASSERT_EQ(Cli("report " + box + " --out '" + File("r.html") + "'").status, 0);
    const std::vector<std::string> text = Lines(Shell("pdftotext -layout '" + File("r.pdf") + "' -"));
    const std::string page = ReadText(File("r.html"));

    const Json& atLeast = json["volume_m3"]["seen_by_at_least"];
    const double whole = atLeast[0].get<double>();
    for (size_t k = 1; k < atLeast.size(); ++k) {
        const std::string volume = Fixed(atLeast[k].get<double>(), 2);
        const std::string share = Fixed(100.0 * atLeast[k].get<double>() / whole, 1) + " %";
        const std::string label = std::to_string(k) + (k == 1 ? " camera" : " cameras");
        EXPECT_TRUE(HasLineWith(text, {">= " + label, volume, share})) << label << " " << volume;
        EXPECT_NE(page.find("<td>&gt;= " + label + "</td><td>" + volume + "</td><td>" + share + "</td>"),
                  std::string::npos)
            << label;
    }
    const std::string triangulable = Fixed(json["planning"]["volume_m3"]["triangulable"].get<double>(), 2);
    EXPECT_TRUE(HasLineWith(text, {"Triangulable volume", triangulable + " m"})) << triangulable;

    const std::string obstacleM3 = Fixed(json["obstacles"]["volume_m3"].get<double>(), 2);
    ASSERT_NE(obstacleM3, "0.00");
    EXPECT_TRUE(HasLineWith(text, {"box 1", "box", "1.50, 0.00, 1.50", "3.00, 3.50, 3.00"}));
    EXPECT_TRUE(HasLineWith(text, {"Obstacle volume: " + obstacleM3 + " m"})) << obstacleM3;
    EXPECT_NE(page.find("<h2>Obstacles</h2>"), std::string::npos);
    EXPECT_NE(page.find("<td>box 1</td><td>box</td><td>1.50, 0.00, 1.50</td><td>3.00, 3.50, 3.00</td>"),
              std::string::npos);
    EXPECT_NE(page.find("Obstacle volume: " + obstacleM3 + " m&#179;"), std::string::npos);

    // The worst-case map is on the third page: the blocked columns show in the obstacles' grey.
    const auto greyPixels = [this](const std::string& pdf) {
        const std::string prefix = File(pdf + "-maps");
        Shell("pdftoppm -r 100 -singlefile -f 3 -l 3 '" + File(pdf) + "' '" + prefix + "'");
        const Ppm maps = ReadPpm(prefix + ".ppm");
        size_t n = 0;
        for (int y = 0; y < maps.height; ++y)
            for (int x = 0; x < maps.width; ++x)
                n += Near(maps.At(x, y), FloorMapObstacleRgb(), 3) ? 1 : 0;
        return n;
    };
    EXPECT_GT(greyPixels("r.pdf"), 2000u);

    // Without obstacles: no section, no grey.
    ASSERT_EQ(Cli("report --out '" + File("plain.pdf") + "'").status, 0);
    ASSERT_EQ(Cli("report --out '" + File("plain.html") + "'").status, 0);
    EXPECT_FALSE(HasLineWith(Lines(Shell("pdftotext -layout '" + File("plain.pdf") + "' -")), {"Obstacle"}));
    EXPECT_EQ(ReadText(File("plain.html")).find("Obstacle"), std::string::npos);
    EXPECT_EQ(greyPixels("plain.pdf"), 0u);
}

TEST_F(CliReportFileTest, MeshObstaclesAreListedWithTheirPlacement)
{
    // A unit cube placed 0.8 m wide at (2, 0, 2), beside a box from the same list.
    std::ofstream(File("cube.obj")) << "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
                                       "f 1 3 2\nf 1 4 3\nf 5 6 7\nf 5 7 8\nf 1 2 6\nf 1 6 5\n"
                                       "f 4 7 3\nf 4 8 7\nf 1 5 8\nf 1 8 4\nf 2 3 7\nf 2 7 6\n";
    std::ofstream(File("set.json")) << R"([{"name": "crate", "file": "cube.obj", "offset": [2, 0, 2], "scale": 0.8},
                                          {"name": "desk", "min": [0.5, 0, 3.5], "max": [1.5, 0.8, 4.5]}])";
    const std::string options = "--voxel 25 --obstacles '" + File("set.json") + "'";
    const CliRun coverage = Cli("coverage " + options);
    ASSERT_EQ(coverage.status, 0) << coverage.err;
    const Json json = Json::parse(coverage.out);
    ASSERT_EQ(Cli("report " + options + " --out '" + File("r.html") + "'").status, 0);
    const std::string page = ReadText(File("r.html"));
    EXPECT_NE(page.find("<td>desk</td><td>box</td><td>0.50, 0.00, 3.50</td><td>1.50, 0.80, 4.50</td>"
                        "<td>-</td><td>-</td><td>-</td>"),
              std::string::npos);
    EXPECT_NE(page.find("<td>crate</td><td>mesh</td><td>-</td><td>-</td><td>cube.obj</td><td>2.00, 0.00, 2.00</td>"
                        "<td>0.800</td>"),
              std::string::npos);
    const std::string obstacleM3 = Fixed(json["obstacles"]["volume_m3"].get<double>(), 2);
    EXPECT_NE(page.find("Obstacle volume: " + obstacleM3 + " m&#179;"), std::string::npos) << obstacleM3;
    EXPECT_NE(page.find(Fixed(json["volume_m3"]["seen_by_at_least"][1].get<double>(), 2)), std::string::npos);
    // The list's order: boxes first, as the project file writes them.
    EXPECT_LT(page.find("<td>desk</td>"), page.find("<td>crate</td>"));
}

TEST_F(CliReportFileTest, AsBuiltSectionTabulatesTheDeltasAndTheVolumes)
{
    const std::string plan = File("plan.vplan"), mounted = File("mounted.vplan");
    ASSERT_EQ(Cli("rig --room 8,6,3 --default-rig 4 --iso '>=,2' --save-project '" + plan + "'").status, 0);
    // Camera 3 mounted 10 cm off along X.
    Json project = Json::parse(ReadText(plan));
    project["cameras"][2]["position_m"][0] = project["cameras"][2]["position_m"][0].get<double>() - 0.1;
    std::ofstream(mounted) << project.dump();
    ASSERT_EQ(Cli("rig --project '" + mounted + "' --export-calibration '" + File("mounted.toml") + "'").status, 0);
    const CliRun compared =
        Cli("compare --project '" + plan + "' --as-built '" + File("mounted.toml") + "' --as-built-up +z");
    ASSERT_EQ(compared.status, 0) << compared.err;
    const Json coverage = Json::parse(compared.out)["coverage"];

    const CliRun run = Cli("report --project '" + plan + "' --as-built '" + File("mounted.toml") +
                           "' --as-built-up +z --out '" + File("r.pdf") + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string text = Shell("pdftotext -layout '" + File("r.pdf") + "' -");
    const size_t section = text.find("As built");
    ASSERT_NE(section, std::string::npos);
    const std::string tail = text.substr(section);
    EXPECT_NE(tail.find("alignment rigid"), std::string::npos) << tail;
    EXPECT_NE(tail.find("100.0"), std::string::npos) << tail;
    EXPECT_NE(tail.find("Camera 3"), std::string::npos) << tail;
    for (const char* key : {"planned_triangulable_m3", "as_built_triangulable_m3", "gained_m3", "lost_m3"})
        EXPECT_NE(tail.find(Fixed(coverage[key].get<double>(), 2)), std::string::npos) << key << "\n" << tail;
    // The difference views follow the table.
    EXPECT_NE(tail.find("triangulable lost red, gained green"), std::string::npos) << tail;

    // Without --as-built the report has no such section.
    ASSERT_EQ(Cli("report --project '" + plan + "' --out '" + File("plain.pdf") + "'").status, 0);
    EXPECT_EQ(Shell("pdftotext '" + File("plain.pdf") + "' -").find("As built"), std::string::npos);
}
