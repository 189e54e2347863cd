// The shared files' writers on a computation made here: thinning, the
// display chosen, the cameras left out, and text of the plan that must not
// break the page.
#include "support/CoverageFixture.h"
#include "coverage/CoverageInput.h"
#include "coverage/GltfFile.h"
#include "exports/GltfExport.h"
#include "exports/WebPage.h"
#include "support/CliRun.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace
{

namespace fs = std::filesystem;
using nlohmann::json;

class ShareFilesTest : public CoverageTest
{
  protected:
    void SetUp() override
    {
        CoverageTest::SetUp();
        m_path = fs::temp_directory_path() / ("share_files_" + std::to_string(getpid()) + ".glb");
        MakeRig(4);
    }
    void TearDown() override
    {
        fs::remove(m_path);
        CoverageTest::TearDown();
    }

    // The rig as it stands now, computed as the window computes it.
    void ComputeInput()
    {
        Rig().RecomputeFieldOfView();
        m_input = Input();
        ASSERT_EQ(volume.BuildGrid(m_input), CCoverageVolume::GridStatus::Ok);
        ASSERT_EQ(volume.ComputeCoverage(m_input), CCoverageVolume::GridStatus::Ok);
        ASSERT_EQ(m_planning.Compute(volume, m_input), CPlanningMeasures::Status::Ok);
        m_figures = CollectShareFigures(m_input, volume, &m_planning, nullptr);
    }

    ShareSource Source(ShareDisplay display = {}) const
    {
        return {m_input, volume, &m_planning, m_figures, m_title, display, {}};
    }

    json WrittenGltf(const ShareSource& source, uint64_t maxVoxels)
    {
        const SaveResult saved = WriteGltf(m_path.string(), source, maxVoxels);
        EXPECT_TRUE(saved) << saved.reason;
        return GlbJson(ReadText(m_path));
    }

    fs::path m_path;
    CoverageInput m_input;
    CPlanningMeasures m_planning;
    ShareFigures m_figures;
    PlanTitle m_title{"Stage <b>A</b>", "Client", "", "", "2026-01-02"};
};

TEST_F(ShareFilesTest, ALargeDisplayIsThinnedAndSaysSo)
{
    ComputeInput();
    const json whole = WrittenGltf(Source(), kGltfMaxVoxels);
    const json& all = whole["scenes"][0]["extras"]["thinning"];
    EXPECT_FALSE(all["thinned"].get<bool>());
    const uint64_t shown = all["display_voxels"];
    ASSERT_GT(shown, 2000u);
    EXPECT_EQ(all["written_voxels"], shown);

    const json thinned = WrittenGltf(Source(), shown / 4);
    const json& note = thinned["scenes"][0]["extras"]["thinning"];
    EXPECT_TRUE(note["thinned"].get<bool>());
    EXPECT_GE(note["stride"].get<int>(), 2);
    EXPECT_LE(note["written_voxels"].get<uint64_t>(), shown / 4);
    EXPECT_NE(note["note"].get<std::string>().find("one in " + std::to_string(note["stride"].get<int>())),
              std::string::npos);
    // The points written are the ones the note counts.
    const json* coverage = Named(thinned, "meshes", "coverage");
    ASSERT_NE(coverage, nullptr);
    const size_t positions = (*coverage)["primitives"][0]["attributes"]["POSITION"];
    EXPECT_EQ(thinned["accessors"][positions]["count"], note["written_voxels"]);

    // The page says so in words beside the legend.
    const std::string page = WebPageHtml(Source(), {}, shown / 4);
    EXPECT_NE(page.find("id=\"thinning\">Thinned: " + note["note"].get<std::string>()), std::string::npos);
    EXPECT_EQ(WebPageHtml(Source(), {}, shown).find("id=\"thinning\""), std::string::npos);
}

TEST_F(ShareFilesTest, TheShownDisplayAndTheEnabledCamerasAreWhatIsShared)
{
    Rig().SetEnabled(1, 0);
    ComputeInput();
    // A map of voxels seen by all four cameras, with one of them off: none.
    m_input.filters.isoThreshold = 4;
    const json map = WrittenGltf(Source({WindowDisplay::ResolutionMap, PlanningMeasure::Cameras, {}}), kGltfMaxVoxels);
    EXPECT_EQ(Named(map, "meshes", "coverage"), nullptr);
    EXPECT_FALSE(map["scenes"][0]["extras"]["display"]["empty"].get<std::string>().empty());
    EXPECT_EQ(map["scenes"][0]["extras"]["display"]["name"], "Resolution map of camera 1");

    const json count =
        WrittenGltf(Source({WindowDisplay::CameraCount2D, PlanningMeasure::Cameras, {}}), kGltfMaxVoxels);
    EXPECT_EQ(count["scenes"][0]["extras"]["thinning"]["written_voxels"], volume.GetVoxelCount());

    const json quality = WrittenGltf(Source(), kGltfMaxVoxels);
    int cameraNodes = 0;
    for (const json& node : quality["nodes"])
        cameraNodes += node.contains("camera") ? 1 : 0;
    EXPECT_EQ(cameraNodes, 3);
    EXPECT_EQ(Named(quality, "nodes", Rig().GetLabel(1)), nullptr);
    // A band per camera count, 0 to the three cameras counted.
    EXPECT_EQ(quality["scenes"][0]["extras"]["display"]["bands"].size(), 4u);
}

TEST_F(ShareFilesTest, TextOfThePlanCannotBreakThePage)
{
    Rig().SetLabel(0, "</script><script>alert(1)</script>");
    ComputeInput();
    const std::string page = WebPageHtml(Source(), {"/* three */", "/* controls */"});
    EXPECT_EQ(page.find("alert(1)</script>"), std::string::npos);
    EXPECT_NE(page.find("&lt;/script&gt;&lt;script&gt;alert(1)"), std::string::npos);
    EXPECT_NE(page.find("<h1>Stage &lt;b&gt;A&lt;/b&gt;</h1>"), std::string::npos);
    // Four script elements: the data, three.js, its controls and the viewer.
    size_t scripts = 0;
    for (size_t at = page.find("</script>"); at != std::string::npos; at = page.find("</script>", at + 1))
        ++scripts;
    EXPECT_EQ(scripts, 4u);
    WebScripts missing;
    EXPECT_EQ(ReadWebScripts("/nonexistent", missing).value_or(""),
              "cannot read /nonexistent/three.min.js (Debian's libjs-three provides it)");
}

} // namespace
