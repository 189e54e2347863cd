// What the window showed, in the project file's "view" object: written only
// when the window saves it, read back whole, refused by key when malformed.
#include "project/ProjectFile.h"
#include "support/PlanMaking.h"

#include <gtest/gtest.h>

namespace
{

class ProjectWindowStateTest : public ::testing::Test
{
  protected:
    // The plan's text with the "view" object replaced.
    std::string WithView(const Json& view) const
    {
        Json document = Json::parse(ProjectText(m_plan));
        document["view"] = view;
        return document.dump();
    }

    const Plan m_plan = DefaultRigPlan(2, 6.0f, 5.0f, 3.0f);
};

TEST_F(ProjectWindowStateTest, RoundTripsBesideTheStyleAndIsAbsentOtherwise)
{
    const std::string plain = ProjectText(m_plan);
    EXPECT_EQ(plain.find("\"view\""), std::string::npos);
    EXPECT_FALSE(ParseProject(plain).plan->window);

    Plan project = m_plan;
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
