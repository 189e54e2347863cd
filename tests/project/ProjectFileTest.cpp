// The project file: a plan with every field set survives a save and a load
// byte for byte, keys a newer program wrote are kept, and whatever cannot be
// used is refused with the key it concerns.
#include "project/ProjectFile.h"
#include "support/PlanMaking.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace
{

class ProjectFileTest : public ::testing::Test
{
  protected:
    std::string Path(const std::string& name) const { return m_dir.File(name); }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TempDir m_dir;
};

TEST_F(ProjectFileTest, FullPlanSavesLoadsAndSavesByteForByte)
{
    const Plan saved = FullPlan();
    ASSERT_FALSE(CheckPlan(saved).has_value()) << *CheckPlan(saved);
    ASSERT_TRUE(WriteProjectFile(Path("plan.vplan"), saved));
    const std::string first = Read(Path("plan.vplan"));

    // Every value back where it was; the plan read also keeps the document.
    const ProjectReadResult read = ReadProjectFile(Path("plan.vplan"));
    ASSERT_TRUE(read.plan) << read.error;
    Plan values = *read.plan;
    values.kept = saved.kept;
    EXPECT_EQ(values, saved);
    EXPECT_EQ(read.plan->length, 40.0f * kMetresPerFoot);
    EXPECT_EQ(read.plan->unit, "ft");
    EXPECT_EQ(read.plan->cameras.size(), 5u);
    EXPECT_EQ(read.plan->firstCamera, 2u);
    EXPECT_EQ(read.plan->rangeCount, 3u);
    EXPECT_EQ(read.plan->scaleX, 1.5f);
    EXPECT_EQ(read.plan->voxelCm, 12.5f);
    EXPECT_EQ(read.plan->resBound1, 0.71f);
    EXPECT_EQ(read.plan->planning.markerDiameterMm, 9.5);
    EXPECT_FALSE(read.plan->cameras[1].enabled);
    EXPECT_EQ(read.plan->cameras[2].cameraType, kCustomCameraType);
    EXPECT_EQ(SensorPixelsX(read.plan->cameras[2]), 2048);
    EXPECT_EQ(read.plan->cameras[3].cameraType, 2);
    EXPECT_EQ(read.plan->cameras[4].fNumber, 2.8f);
    EXPECT_EQ(read.plan->cameras[4].x, 3.3f);
    EXPECT_EQ(read.plan->resolutionCamera, 3u);

    // Written again: the same bytes, and read again the same plan, document and all.
    EXPECT_EQ(ProjectText(*read.plan), first);
    ASSERT_TRUE(WriteProjectFile(Path("again.vplan"), *read.plan));
    EXPECT_EQ(Read(Path("again.vplan")), first);
    const ProjectReadResult again = ReadProjectFile(Path("again.vplan"));
    ASSERT_TRUE(again.plan) << again.error;
    EXPECT_EQ(*again.plan, *read.plan);
}

// Every kind of plan: read back equal in every value, written back to the
// same bytes, and read again equal in everything, the document it keeps too.
TEST_F(ProjectFileTest, EveryKindOfPlanRoundTripsByteForByteAndReadsBackEqual)
{
    const std::vector<Plan> plans = VariedPlans();
    for (size_t p = 0; p < plans.size(); ++p) {
        SCOPED_TRACE(testing::Message() << "plan " << p);
        const Plan& plan = plans[p];
        ASSERT_TRUE(WriteProjectFile(Path("plan.vplan"), plan));
        const std::string first = Read(Path("plan.vplan"));
        const ProjectReadResult read = ReadProjectFile(Path("plan.vplan"));
        ASSERT_TRUE(read.plan) << read.error;
        Plan values = *read.plan;
        values.kept = plan.kept;
        EXPECT_EQ(values, plan);

        ASSERT_TRUE(WriteProjectFile(Path("again.vplan"), *read.plan));
        EXPECT_EQ(Read(Path("again.vplan")), first);
        const ProjectReadResult again = ReadProjectFile(Path("again.vplan"));
        ASSERT_TRUE(again.plan) << again.error;
        EXPECT_EQ(*again.plan, *read.plan);
        // A change is seen: the plans differ, and so do their files.
        Plan moved = *read.plan;
        moved.cameras.back().hTilt += 0.5f;
        EXPECT_NE(moved, *read.plan);
        EXPECT_NE(ProjectText(moved), first);
    }
}

TEST_F(ProjectFileTest, KeysOfANewerMinorVersionAreKept)
{
    Json document = Json::parse(ProjectText(FullPlan()));
    document["version"] = "1.4";
    document["obstacles"] = Json::array({{{"name", "pillar"}, {"min", {1, 0, 1}}, {"max", {1.5, 4, 1.5}}}});
    document["room"]["colour"] = "grey";
    document["cameras"][0]["mount"] = "truss A";
    const ProjectReadResult read = ParseProject(document.dump());
    ASSERT_TRUE(read.plan) << read.error;
    const Json written = Json::parse(ProjectText(*read.plan));
    EXPECT_EQ(written["obstacles"], document["obstacles"]);
    EXPECT_EQ(written["room"]["colour"], "grey");
    EXPECT_EQ(written["cameras"][0]["mount"], "truss A");
    // It is written as this program's format version.
    EXPECT_EQ(written["version"], "1.0");
}

TEST_F(ProjectFileTest, UnusableProjectsAreRefusedNamingTheKey)
{
    const Json good = Json::parse(ProjectText(FullPlan()));
    struct Case {
        const char* what;
        void (*change)(Json&);
        const char* message;
    };
    const Case cases[] = {
        {"missing key", [](Json& d) { d.erase("voxel_cm"); }, "voxel_cm: missing"},
        {"wrong type", [](Json& d) { d["room"]["width_m"] = "4"; }, "room.width_m: must be a number"},
        {"negative voxel", [](Json& d) { d["voxel_cm"] = -5.0; }, "voxel_cm: must be a number above 0"},
        {"future version", [](Json& d) { d["version"] = "2.0"; },
         "version: the project is in format 2.0, written by a newer program; this one reads 1.x"},
        {"other format", [](Json& d) { d["format"] = "something"; }, "format: must be \"volume-planner-project\""},
        {"focal length", [](Json& d) { d["cameras"][3]["focal_length_mm"] = 0.0; },
         "cameras[3].focal_length_mm: must be a number above 0"},
        {"huge number", [](Json& d) { d["cameras"][1]["spin_deg"] = 1e300; },
         "cameras[1].spin_deg: must be a number that fits single precision"},
        {"camera type", [](Json& d) { d["cameras"][0]["camera_type"] = 7; },
         "cameras[0].camera_type: must be a camera type from 0 to 2 or \"custom\""},
        {"custom pixels",
         [](Json& d) {
             d["cameras"][2]["pixels"] = {0, 5};
         },
         "cameras[2].pixels: must be two whole numbers of at least 1"},
        {"no cameras", [](Json& d) { d["cameras"] = Json::array(); }, "cameras: must hold 1 to 1000 cameras"},
        {"range", [](Json& d) { d["active_range"]["count"] = 5; },
         "active_range: first and count must be at least 1 and the range within the 5 cameras"},
        {"operator", [](Json& d) { d["iso"]["op"] = "=<"; }, "iso.op: must be one of < <= == >= > !="},
        {"resolution camera", [](Json& d) { d["resolution_camera"] = 6; },
         "resolution_camera: must be a camera from 1 to 5"},
        {"planning",
         [](Json& d) {
             d["planning"]["angle_range"] = {120, 60};
         },
         "planning: triangulation angle range: must be two angles from 0 to 180 degrees, the first not above the "
         "second"},
        {"unit", [](Json& d) { d["room"]["unit"] = "yd"; }, "room.unit: must be \"m\" or \"ft\""},
    };
    for (const Case& c : cases) {
        Json document = good;
        c.change(document);
        const ProjectReadResult read = ParseProject(document.dump());
        EXPECT_FALSE(read.plan) << c.what;
        EXPECT_EQ(read.error, c.message) << c.what;
    }
    EXPECT_EQ(ParseProject("{\"format\": ").error, "the file is not JSON");
    EXPECT_EQ(ReadProjectFile(Path("absent.vplan")).error, Path("absent.vplan") + " does not exist");
    EXPECT_EQ(ReadProjectFile(m_dir.Path().string()).error, m_dir.Path().string() + " is not a regular file");
    EXPECT_FALSE(ReadProjectFile("/dev/zero").plan);
}

// A camera built from a calibration keeps its principal point and
// distortion; a plan without one writes neither key, as before.
TEST_F(ProjectFileTest, CalibratedLensesSaveAndLoadAndOnlyThen)
{
    Plan plan = FullPlan();
    const std::string classic = ProjectText(plan);
    EXPECT_EQ(classic.find("principal_point_px"), std::string::npos);
    EXPECT_EQ(classic.find("distortion"), std::string::npos);

    const CalibratedLens lens{1020.25, 541.5, {-0.21, 0.05, 0.001, -0.002, 1e-7}};
    plan.cameras[2].lens = lens;
    plan.cameras[4].lens = CalibratedLens{10.0, 20.0, {}};
    ASSERT_TRUE(WriteProjectFile(Path("lens.vplan"), plan));
    const std::string first = Read(Path("lens.vplan"));
    const ProjectReadResult read = ReadProjectFile(Path("lens.vplan"));
    ASSERT_TRUE(read.plan) << read.error;
    EXPECT_EQ(read.plan->cameras[2].lens, lens);
    EXPECT_EQ(read.plan->cameras[4].lens, (CalibratedLens{10.0, 20.0, {}}));
    EXPECT_FALSE(read.plan->cameras[0].lens);
    EXPECT_EQ(ProjectText(*read.plan), first);

    // Another sensor: the point was in the old one's pixels, and both keys go.
    Plan other = *read.plan;
    ASSERT_TRUE(SetCameraType(other.cameras[2], 1));
    const Json again = Json::parse(ProjectText(other));
    EXPECT_FALSE(again["cameras"][2].contains("principal_point_px"));
    EXPECT_FALSE(again["cameras"][2].contains("distortion"));
    EXPECT_EQ(again["cameras"][4]["principal_point_px"], Json::array({10, 20}));

    Json document = Json::parse(first);
    document["cameras"][2]["distortion"] = Json::array({0.1, "x"});
    EXPECT_EQ(ParseProject(document.dump()).error, "cameras[2].distortion: must be a list of numbers");
    document["cameras"][2]["principal_point_px"] = Json::array({1});
    EXPECT_EQ(ParseProject(document.dump()).error, "cameras[2].principal_point_px: must be a list of 2 numbers");
    document["cameras"][2].erase("principal_point_px");
    document["cameras"][2]["distortion"] = Json::array({0.1});
    EXPECT_EQ(ParseProject(document.dump()).error,
              "cameras[2].distortion: is kept only with principal_point_px beside it");
}

} // namespace
