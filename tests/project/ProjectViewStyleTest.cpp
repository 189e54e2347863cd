// The view style in the project file: remembered only when it is the Planner
// view, so a classic plan's file keeps every byte it had, and files written
// before the key existed open in the classic picture.
#include "project/ProjectFile.h"
#include "support/PlanMaking.h"

#include <gtest/gtest.h>

namespace
{

class ProjectViewStyleTest : public ::testing::Test
{
  protected:
    static Plan Read(const std::string& text)
    {
        ProjectReadResult read = ParseProject(text);
        EXPECT_TRUE(read.plan) << read.error;
        return read.plan ? *read.plan : Plan{};
    }

    const Plan m_plan = DefaultRigPlan(4, 12.0f, 8.0f, 4.0f);
};

TEST_F(ProjectViewStyleTest, PlannerViewRoundTripsAndClassicWritesNoKey)
{
    const std::string classic = ProjectText(m_plan);
    EXPECT_EQ(classic.find("\"view\""), std::string::npos);
    EXPECT_FALSE(Read(classic).plannerView);

    Plan planner = m_plan;
    planner.plannerView = true;
    const std::string plannerText = ProjectText(planner);
    EXPECT_EQ(Json::parse(plannerText)["view"], Json({{"style", "planner"}}));
    Plan reread = Read(plannerText);
    EXPECT_TRUE(reread.plannerView);
    EXPECT_EQ(ProjectText(reread), plannerText);

    // Back to classic: the file is the classic one again, byte for byte.
    reread.plannerView = false;
    EXPECT_EQ(ProjectText(reread), classic);
}

TEST_F(ProjectViewStyleTest, OtherViewKeysSurviveAndClassicMayBeSpelledOut)
{
    Json document = Json::parse(ProjectText(m_plan));
    document["view"] = {{"style", "classic"}, {"grid", "dots"}};
    Plan read = Read(document.dump());
    EXPECT_FALSE(read.plannerView);
    // Only the style goes; what a newer program put beside it stays.
    EXPECT_EQ(Json::parse(ProjectText(read))["view"], Json({{"grid", "dots"}}));
    read.plannerView = true;
    EXPECT_EQ(Json::parse(ProjectText(read))["view"], Json({{"style", "planner"}, {"grid", "dots"}}));

    // A view section without a style reads as classic.
    document["view"] = Json::object();
    EXPECT_FALSE(Read(document.dump()).plannerView);
}

TEST_F(ProjectViewStyleTest, UnknownStylesAreRefusedNamingTheKey)
{
    const Json good = Json::parse(ProjectText(m_plan));
    const std::pair<Json, const char*> cases[] = {
        {Json("planner"), "view: must be an object"},
        {Json({{"style", "fancy"}}), "view.style: must be \"classic\" or \"planner\""},
        {Json({{"style", 1}}), "view.style: must be \"classic\" or \"planner\""},
        {Json({{"style", "Planner"}}), "view.style: must be \"classic\" or \"planner\""},
    };
    for (const auto& [view, message] : cases) {
        Json document = good;
        document["view"] = view;
        const ProjectReadResult read = ParseProject(document.dump());
        EXPECT_FALSE(read.plan) << view.dump();
        EXPECT_EQ(read.error, message) << view.dump();
    }
}

} // namespace
