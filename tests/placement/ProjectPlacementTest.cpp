// Mounts and target in the project file: read and written back byte for
// byte, keys another program added to them kept, refusals naming the key,
// and plans without them as before.
#include "project/ProjectFile.h"

#include <gtest/gtest.h>

namespace
{

// A 12 x 10 x 4 m plan with one camera.
Plan SmallPlan()
{
    Plan project;
    project.length = 12.0f;
    project.width = 10.0f;
    project.height = 4.0f;
    PlanCamera camera;
    camera.label = "Camera 1";
    camera.x = 1.0;
    camera.y = 3.0;
    camera.z = 1.0;
    camera.focalLength = 8.5f;
    camera.fNumber = 12.0f;
    camera.frameWidth = 6.5241f;
    camera.frameHeight = 4.8807f;
    project.cameras.push_back(camera);
    project.rangeCount = 1;
    return project;
}

ProjectPlacement FullPlacement()
{
    MountSurfaces mounts;
    mounts.walls = {true, false, false, true};
    mounts.wallBand = std::array<double, 2>{2.0, 3.8};
    mounts.ceiling = false;
    mounts.segments.push_back({"truss", {1, 3.5, 5}, {11, 3.5, 5}});
    mounts.points.push_back({"bracket", {6, 3.9, 0}});
    mounts.keepOuts.push_back({"door", {0, 0, 4}, {0.2, 2.2, 5.5}});
    return {mounts, {{{1, 0, 1}, {11, 2, 9}, 1.0}, {{5, 0, 4}, {7, 2.5, 6}, 2.5}}};
}

Json Parsed(const std::string& text)
{
    return Json::parse(text);
}

TEST(ProjectPlacementTest, MountsAndTargetSurviveASaveAndALoadByteForByte)
{
    Plan plan = SmallPlan();
    plan.placement = FullPlacement();
    const std::string text = ProjectText(plan);
    const ProjectReadResult read = ParseProject(text);
    ASSERT_TRUE(read.plan) << read.error;
    EXPECT_EQ(read.plan->placement.mounts, plan.placement.mounts);
    EXPECT_EQ(read.plan->placement.target, plan.placement.target);
    EXPECT_EQ(ProjectText(*read.plan), text);

    const Json json = Parsed(text)["placement"];
    EXPECT_EQ(json["mounts"]["walls"], Json::parse(R"(["x0", "z1"])"));
    EXPECT_EQ(json["mounts"]["wall_band_m"], Json::parse("[2, 3.8]"));
    EXPECT_EQ(json["target"][1]["weight"], 2.5);

    // A plan without them has no placement key at all.
    EXPECT_FALSE(Parsed(ProjectText(SmallPlan())).contains("placement"));
}

TEST(ProjectPlacementTest, AbsentKeysTakeTheirDefaultsAndUnknownKeysStay)
{
    Json document = Parsed(ProjectText(SmallPlan()));
    document["placement"] = Json::parse(R"({"mounts": {"rail": 3}, "target": [{"min": [1, 0, 1], "max": [2, 1, 2],
                                             "note": "stage"}], "solver": "x"})");
    const ProjectReadResult read = ParseProject(document.dump());
    ASSERT_TRUE(read.plan) << read.error;
    const MountSurfaces& mounts = *read.plan->placement.mounts;
    EXPECT_EQ(mounts, MountSurfaces{});
    ASSERT_EQ(read.plan->placement.target.size(), 1u);
    EXPECT_EQ(read.plan->placement.target[0].weight, 1.0);
    const Json again = Parsed(ProjectText(*read.plan))["placement"];
    EXPECT_EQ(again["mounts"]["rail"], 3);
    EXPECT_EQ(again["target"][0]["note"], "stage");
    EXPECT_EQ(again["solver"], "x");

    // Saved by a part of the program that sets no placement values: the
    // document's stay as read.
    Plan other = SmallPlan();
    other.kept = read.plan->kept;
    EXPECT_EQ(Parsed(ProjectText(other))["placement"], document["placement"]);
}

TEST(ProjectPlacementTest, RefusalsNameTheKeyAndTheReason)
{
    const Json base = Parsed(ProjectText(SmallPlan()));
    const std::pair<const char*, const char*> cases[] = {
        {R"([])", "placement: must be an object"},
        {R"({"mounts": {"walls": ["north"]}})", "placement.mounts.walls[0]: must be one of"},
        {R"({"mounts": {"wall_band_m": [3]}})", "placement.mounts.wall_band_m: must be a list of 2 numbers"},
        {R"({"mounts": {"wall_band_m": [1, 5]}})",
         "placement.mounts: wall height band 1 to 5: must lie within the walls"},
        {R"({"mounts": {"ceiling": 1}})", "placement.mounts.ceiling: must be true or false"},
        {R"({"mounts": {"segments": [{"a": [1, 1, 1]}]}})", "placement.mounts.segments[0].b: missing"},
        {R"({"mounts": {"segments": [{"a": [1, 1, 1], "b": [1, 9, 1]}]}})",
         "placement.mounts: segment 1: both ends must lie in the room"},
        {R"({"mounts": {"keep_outs": [{"min": [1, 1, 1], "max": [1, 2, 2]}]}})",
         "placement.mounts: keep-out 1: each value of min must be below the max's"},
        {R"({"mounts": {"walls": [], "ceiling": false}})", "placement.mounts: mounts: no wall, ceiling"},
        {R"({"target": [{"min": [1, 0, 1], "max": [13, 2, 2]}]})", "placement.target[0]: must lie in the room"},
        {R"({"target": [{"min": [1, 0, 1], "max": [2, 2, 2], "weight": 0}]})",
         "placement.target[0]: weight: must be a number above 0"},
        {R"({"target": {"min": [1, 0, 1]}})", "placement.target: must be a list of boxes"},
        {R"({"target": []})", "placement.target: the list is empty; leave the key out for the default target"},
    };
    for (const auto& [placement, message] : cases) {
        Json document = base;
        document["placement"] = Json::parse(placement);
        const ProjectReadResult read = ParseProject(document.dump());
        EXPECT_FALSE(read.plan) << placement;
        EXPECT_NE(read.error.find(message), std::string::npos) << placement << " gave: " << read.error;
    }
}

} // namespace
