// What the window showed, in the project file's "view" object: written only
// when the window saves it, read back whole, refused by key when malformed.
#include "cameras/CameraSet.h"
#include "coverage/CoverageVolume.h"
#include "project/ProjectFile.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

#include <gtest/gtest.h>

namespace
{

class ProjectWindowStateTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        CreateSceneSettings();
        ResetCoverageParameters();
        GetSceneSettings()->SetCameraCount(2);
        m_room.Update(6.0f, 5.0f, 3.0f);
        CCameraSet& set = CCameraSet::Instance();
        set.Allocate();
        set.SetDefaults(m_room);
        set.SetUserOrigin(m_room.Corner(3));
    }
    void TearDown() override
    {
        CCameraSet::DestroyInstance();
        DestroySceneSettings();
        ResetCoverageParameters();
    }
    // The plan's text with the "view" object replaced.
    static std::string WithView(const Json& view)
    {
        Json document = Json::parse(ProjectText(CapturePlan("m", 1)));
        document["view"] = view;
        return document.dump();
    }

    CRoomBox m_room;
};

TEST_F(ProjectWindowStateTest, RoundTripsBesideTheStyleAndIsAbsentOtherwise)
{
    const std::string plain = ProjectText(CapturePlan("m", 1));
    EXPECT_EQ(plain.find("\"view\""), std::string::npos);
    EXPECT_FALSE(ParseProject(plain).plan->window);

    Plan project = CapturePlan("m", 1);
    project.plannerView = true;
    ProjectWindowState state;
    state.display = WindowDisplay::Quality;
    state.qualityMeasure = PlanningMeasure::Sigma;
    state.qualityThreshold = QualityThreshold{1, 2.5f};
    state.yawDeg = 35.0f;
    state.pitchDeg = -12.5f;
    state.panX = 0.1f;
    state.panY = -0.5f;
    state.zoom = -1.5f;
    state.planningPanel = true;
    project.window = state;
    const std::string text = ProjectText(project);
    const Json view = Json::parse(text)["view"];
    EXPECT_EQ(view["style"], "planner");
    EXPECT_EQ(view["display"], "quality");
    EXPECT_EQ(view["quality_threshold"], Json({{"op", "<="}, {"value", 2.5}}));
    const ProjectReadResult read = ParseProject(text);
    ASSERT_TRUE(read.plan) << read.error;
    EXPECT_EQ(read.plan->window, state);
    EXPECT_TRUE(read.plan->plannerView);
    EXPECT_EQ(ProjectText(*read.plan), text);
}

TEST_F(ProjectWindowStateTest, MissingKeysTakeTheStartValues)
{
    const ProjectReadResult read = ParseProject(WithView({{"planning_panel", true}, {"quality_threshold", nullptr}}));
    ASSERT_TRUE(read.plan) << read.error;
    ProjectWindowState expected;
    expected.planningPanel = true;
    EXPECT_EQ(read.plan->window, expected);
}

TEST_F(ProjectWindowStateTest, MalformedKeysAreRefusedByName)
{
    const std::pair<Json, const char*> refused[] = {
        {{{"display", "map"}}, "view.display: must be one of"},
        {{{"quality_measure", 3}}, "view.quality_measure: must be one of"},
        {{{"quality_threshold", {{"op", "=>"}, {"value", 1}}}}, "view.quality_threshold.op:"},
        {{{"quality_threshold", {{"op", "<"}}}}, "view.quality_threshold.value: missing"},
        {{{"pose", {{"yaw_deg", 0}, {"pitch_deg", 0}, {"pan", {0}}, {"zoom", 0}}}}, "view.pose.pan:"},
        {{{"pose", {{"yaw_deg", 1e300}, {"pitch_deg", 0}, {"pan", {0, 0}}, {"zoom", 0}}}}, "view.pose.yaw_deg:"},
        {{{"planning_panel", "yes"}}, "view.planning_panel: must be true or false"},
    };
    for (const auto& [view, message] : refused) {
        const ProjectReadResult read = ParseProject(WithView(view));
        EXPECT_FALSE(read.plan) << view.dump();
        EXPECT_EQ(read.error.rfind(message, 0), 0u) << read.error;
    }
}

} // namespace
