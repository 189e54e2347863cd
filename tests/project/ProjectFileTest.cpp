// The project file: a plan with every field set survives a save and a load
// byte for byte, keys a newer program wrote are kept, and whatever cannot be
// used is refused with the key it concerns.
#include "cameras/CameraSet.h"
#include "coverage/CoverageVolume.h"
#include "project/ProjectFile.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

class ProjectFileTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        CreateSceneSettings();
        ResetCoverageParameters();
        m_dir = fs::temp_directory_path() / ("project_" + std::to_string(getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        CCameraSet::DestroyInstance();
        DestroySceneSettings();
        ResetCoverageParameters();
        g_fSceneScaleX = g_fSceneScaleY = g_fSceneScaleZ = 1.0f;
        fs::remove_all(m_dir);
    }

    // A plan that uses every field: a room entered in feet, scale factors,
    // five cameras (one disabled, one with custom pixels, one moved and
    // turned), a partial range, other criteria and planning settings.
    void MakeFullPlan()
    {
        SceneSettings& s = *GetSceneSettings();
        s.SetUnits("f");
        s.SetRoomLength(40.0f);
        s.SetRoomWidth(30.0f);
        s.SetRoomHeight(12.0f);
        s.ConvertToMetres();
        m_room.Update();
        s.SetCameraCount(5);
        CCameraSet& set = CCameraSet::Instance();
        set.Allocate();
        set.SetDefaults(m_room);
        set.SetUserOrigin(m_room.Corner(3));
        set.SetEnabled(1, 0);
        set.SetCustomPixels(2, 2048, 1088);
        set.SetCameraType(3, 2);
        set.SetFilePosition(4, {3.3, 2.7, 1.9});
        set.SetFocalLength(4, 12.5f);
        set.SetFNumber(4, 2.8f);
        set.SetSpin(4, 7.5f);
        set.SetHTilt(4, 100.25f);
        set.SetVTilt(4, 30.1f);
        s.SetFirstCamera(1);
        s.SetEndCamera(4);
        g_fSceneScaleX = 1.5f;
        g_fSceneScaleZ = 0.75f;
        SetVoxelSize(12.5f);
        SetIsoOperator(3);
        SetIsoThreshold(2);
        SetResOperator1(4);
        SetResBound1(0.71f);
        SetResOperator2(0);
        SetResBound2(0.75f);
        PlanningSettings planning;
        planning.markerDiameterMm = 9.5;
        planning.minAngleDeg = 30.0;
        planning.sigmaBoundMm = 0.5;
        SetPlanningSettings(planning);
    }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    CRoomBox m_room;
    fs::path m_dir;
};

TEST_F(ProjectFileTest, FullPlanSavesLoadsAndSavesByteForByte)
{
    MakeFullPlan();
    const Plan saved = CapturePlan("ft", 3);
    ASSERT_FALSE(CheckPlan(saved).has_value()) << *CheckPlan(saved);
    ASSERT_TRUE(WriteProjectFile(Path("plan.vplan"), saved));
    const std::string first = Read(Path("plan.vplan"));

    // Into a fresh program: every value back where it was.
    CCameraSet::DestroyInstance();
    DestroySceneSettings();
    ResetCoverageParameters();
    g_fSceneScaleX = g_fSceneScaleZ = 1.0f;
    CreateSceneSettings();
    const ProjectReadResult read = ReadProjectFile(Path("plan.vplan"));
    ASSERT_TRUE(read.plan) << read.error;
    CRoomBox room;
    ApplyPlan(*read.plan, room);
    const SceneSettings& s = *GetSceneSettings();
    EXPECT_EQ(s.GetRoomLength(), 40.0f * kMetresPerFoot);
    EXPECT_EQ(s.GetUnits(), "m");
    EXPECT_EQ(s.GetCameraCount(), 5u);
    EXPECT_EQ(s.GetFirstCamera(), 1u);
    EXPECT_EQ(s.GetEndCamera(), 4u);
    EXPECT_EQ(g_fSceneScaleX, 1.5f);
    EXPECT_EQ(GetVoxelSize(), 12.5f);
    EXPECT_EQ(GetIsoOperator(), 3u);
    EXPECT_EQ(GetIsoThreshold(), 2u);
    EXPECT_EQ(GetResBound1(), 0.71f);
    EXPECT_EQ(GetPlanningSettings().markerDiameterMm, 9.5);
    const CCameraSet& set = *CCameraSet::Current();
    EXPECT_EQ(set.GetEnabled(1), 0);
    EXPECT_EQ(set.GetCameraType(2), kCustomCameraType);
    EXPECT_EQ(set.GetSensorPixelsX(2), 2048);
    EXPECT_EQ(set.GetCameraType(3), 2);
    EXPECT_EQ(set.GetFocalLength(4), 12.5f);
    EXPECT_EQ(set.GetFNumber(4), 2.8f);
    EXPECT_EQ(set.GetHTilt(4), 100.25f);
    EXPECT_EQ(set.GetFilePosition(4).x, 3.3f);
    EXPECT_EQ(read.plan->unit, "ft");
    EXPECT_EQ(read.plan->resolutionCamera, 3u);

    const Plan again = CapturePlan(read.plan->unit, read.plan->resolutionCamera, read.plan->kept);
    EXPECT_EQ(ProjectText(again), first);
}

TEST_F(ProjectFileTest, KeysOfANewerMinorVersionAreKept)
{
    MakeFullPlan();
    Json document = Json::parse(ProjectText(CapturePlan("m", 1)));
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
    MakeFullPlan();
    const Json good = Json::parse(ProjectText(CapturePlan("m", 1)));
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
    EXPECT_EQ(ReadProjectFile(m_dir.string()).error, m_dir.string() + " is not a regular file");
    EXPECT_FALSE(ReadProjectFile("/dev/zero").plan);
}

// A camera built from a calibration keeps its principal point and
// distortion; a plan without one writes neither key, as before.
TEST_F(ProjectFileTest, CalibratedLensesSaveAndLoadAndOnlyThen)
{
    MakeFullPlan();
    const std::string classic = ProjectText(CapturePlan("ft", 3));
    EXPECT_EQ(classic.find("principal_point_px"), std::string::npos);
    EXPECT_EQ(classic.find("distortion"), std::string::npos);

    CCameraSet& set = CCameraSet::Instance();
    const CalibratedLens lens{1020.25, 541.5, {-0.21, 0.05, 0.001, -0.002, 1e-7}};
    set.SetCalibratedLens(2, lens);
    set.SetCalibratedLens(4, CalibratedLens{10.0, 20.0, {}});
    ASSERT_TRUE(WriteProjectFile(Path("lens.vplan"), CapturePlan("ft", 3)));
    const std::string first = Read(Path("lens.vplan"));
    CCameraSet::DestroyInstance();
    const ProjectReadResult read = ReadProjectFile(Path("lens.vplan"));
    ASSERT_TRUE(read.plan) << read.error;
    CRoomBox room;
    ApplyPlan(*read.plan, room);
    const CCameraSet& loaded = *CCameraSet::Current();
    EXPECT_EQ(loaded.GetCalibratedLens(2), lens);
    EXPECT_EQ(loaded.GetCalibratedLens(4), (CalibratedLens{10.0, 20.0, {}}));
    EXPECT_FALSE(loaded.GetCalibratedLens(0));
    EXPECT_EQ(ProjectText(CapturePlan("ft", 3, read.plan->kept)), first);

    // Another sensor: the point was in the old one's pixels, and both keys go.
    CCameraSet::Instance().SetCameraType(2, 1);
    const Json again = Json::parse(ProjectText(CapturePlan("ft", 3, read.plan->kept)));
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
