#include "cameras/CameraSet.h"
#include "cameras/CameraTypes.h"
#include "document/PlanEdits.h"
#include "document/PlanProperties.h"
#include "project/ProjectFile.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

// A plan with a camera, an obstacle box and a mesh, a target box and mounts.
Plan ThePlan()
{
    Plan plan;
    plan.length = 8.0f;
    plan.width = 6.0f;
    plan.height = 3.5f;
    EXPECT_FALSE(ResetRig(plan, 4));
    plan.obstacles.boxes.push_back({"table", {1.0, 0.0, 1.0}, {2.0, 0.8, 1.5}});
    ObstacleMesh mesh;
    mesh.name = "truss";
    mesh.file = "truss.obj";
    mesh.offset = {4.0, 0.0, 3.0};
    mesh.mesh =
        std::make_shared<const MeshTriangles>(MeshTriangles{{{Vec3d{0, 0, 0}, Vec3d{1, 0, 0}, Vec3d{0, 1, 0}}}});
    plan.obstacles.meshes.push_back(mesh);
    plan.placement.target.push_back({{1.0, 0.0, 1.0}, {7.0, 2.0, 5.0}, 1.0});
    plan.placement.mounts = MountSurfaces{};
    return plan;
}

double Number(const Plan& plan, const PlanItem& item, const std::string& key)
{
    for (const PlanProperty& p : PropertiesOf(plan, item))
        if (p.key == key)
            return std::get<double>(p.value);
    ADD_FAILURE() << "no property " << key;
    return NAN;
}

// Sets a property and expects a refusal naming `name`, the plan untouched.
void ExpectRefused(Plan& plan, const PlanItem& item, const std::string& key, const PropertyValue& value,
                   const std::string& name)
{
    const Plan before = plan;
    const std::optional<std::string> refusal = SetProperty(plan, item, key, value);
    ASSERT_TRUE(refusal) << key;
    EXPECT_EQ(refusal->rfind(name, 0), 0u) << *refusal;
    EXPECT_EQ(plan, before) << key;
}

const PlanItem kRoom{PlanItemKind::Room, 0};
const PlanItem kCamera2{PlanItemKind::Camera, 1};

} // namespace

TEST(PlanPropertiesTest, EveryItemAndOnlyTheItemsThePlanHolds)
{
    const Plan plan = ThePlan();
    EXPECT_TRUE(HasItem(plan, {PlanItemKind::Camera, 3}));
    EXPECT_FALSE(HasItem(plan, {PlanItemKind::Camera, 4}));
    EXPECT_TRUE(HasItem(plan, {PlanItemKind::Obstacle, 1}));
    EXPECT_FALSE(HasItem(plan, {PlanItemKind::Obstacle, 2}));
    EXPECT_FALSE(HasItem(plan, {PlanItemKind::TargetBox, 1}));
    EXPECT_TRUE(PropertiesOf(plan, {PlanItemKind::TargetBox, 1}).empty());
    EXPECT_EQ(ItemName(plan, {PlanItemKind::Obstacle, 0}), "Obstacle 1 (table)");
    EXPECT_EQ(ItemName(plan, {PlanItemKind::Obstacle, 1}), "Obstacle 2 (truss)");
    Plan labelled = plan;
    labelled.cameras[1].label = "stage left";
    EXPECT_EQ(ItemName(labelled, kCamera2), "Camera 2 (stage left)");
    labelled.cameras[1].label = "Camera 2";
    EXPECT_EQ(ItemName(labelled, kCamera2), "Camera 2");
    EXPECT_EQ(PropertyStepName(plan, kCamera2, "focal"), "Camera 2: Lens");
    EXPECT_EQ(PropertyStepName(plan, kRoom, "length"), "Room: Room Length");
}

TEST(PlanPropertiesTest, EachValueSetToItselfLeavesThePlanAsItWas)
{
    // A value shown and stored back must change nothing: no unit drift, no
    // rounding of a float, no side effect on the other values. In feet too.
    for (const char* unit : {"m", "ft"}) {
        Plan plan = ThePlan();
        ASSERT_FALSE(SetProperty(plan, kRoom, "unit", unit == std::string("ft") ? 1.0 : 0.0));
        std::vector<PlanItem> items{kRoom, {PlanItemKind::Planning, 0}, {PlanItemKind::Mounts, 0}};
        for (size_t i = 0; i < plan.cameras.size(); ++i)
            items.push_back({PlanItemKind::Camera, i});
        items.push_back({PlanItemKind::Obstacle, 0});
        items.push_back({PlanItemKind::Obstacle, 1});
        items.push_back({PlanItemKind::TargetBox, 0});
        for (const PlanItem& item : items) {
            for (const PlanProperty& property : PropertiesOf(plan, item)) {
                if (!property.editable)
                    continue;
                const Plan before = plan;
                EXPECT_FALSE(SetProperty(plan, item, property.key, property.value)) << property.key;
                EXPECT_EQ(plan, before) << ItemName(plan, item) << " " << property.key << " in " << unit;
            }
        }
    }
}

TEST(PlanPropertiesTest, RoomTakesItsValuesInItsUnitAndKeepsTheOtherSides)
{
    Plan plan = ThePlan();
    ASSERT_FALSE(SetProperty(plan, kRoom, "unit", 1.0));
    EXPECT_EQ(plan.unit, "ft");
    EXPECT_EQ(plan.length, 8.0f);
    EXPECT_NEAR(Number(plan, kRoom, "length"), 8.0 / 0.3048, 1e-4);
    const float width = plan.width;
    ASSERT_FALSE(SetProperty(plan, kRoom, "length", 30.0));
    EXPECT_NEAR(plan.length, 30.0 * 0.3048, 1e-5);
    EXPECT_EQ(plan.width, width);

    ExpectRefused(plan, kRoom, "height", -1.0, "Room Height");
    ExpectRefused(plan, kRoom, "voxel", 0.0, "Voxel Size");
    ExpectRefused(plan, kRoom, "unit", 2.0, "Units");
    ExpectRefused(plan, kRoom, "length", std::string("30"), "Room Length");
    ExpectRefused(plan, kRoom, "depth", 3.0, "Room has no value depth");
    // What stands in the room keeps its place in the room's corner frame: a
    // room it would be left outside of is refused, the value named.
    Plan metres = ThePlan();
    ExpectRefused(metres, kRoom, "length", 5.0, "Room Length: target box 1 would no longer lie in the room");
    ASSERT_FALSE(SetProperty(metres, kRoom, "length", 20.0));
    ASSERT_FALSE(SetProperty(metres, kCamera2, "x", 19.0));
    ExpectRefused(metres, kRoom, "length", 7.5, "The room would leave camera 2");
}

TEST(PlanPropertiesTest, CameraValuesAreRefusedByTheirNames)
{
    Plan plan = ThePlan();
    ASSERT_FALSE(SetProperty(plan, kCamera2, "x", 2.1));
    EXPECT_EQ(plan.cameras[1].x, static_cast<double>(2.1f)) << "held as a float value, as a plan holds it";
    ASSERT_FALSE(SetProperty(plan, kCamera2, "label", std::string("stage left")));
    EXPECT_EQ(plan.cameras[1].label, "stage left");
    ASSERT_FALSE(SetProperty(plan, kCamera2, "enabled", 0.0));
    EXPECT_FALSE(plan.cameras[1].enabled);

    ExpectRefused(plan, kCamera2, "focal", 0.0, "Lens: must be a number above 0");
    ExpectRefused(plan, kCamera2, "f_stop", NAN, "F-Stop");
    ExpectRefused(plan, kCamera2, "x", 50.0, "X: more than 10 m outside the room");
    ExpectRefused(plan, kCamera2, "h_tilt", INFINITY, "Horizontal tilt: must be a number");
    ExpectRefused(plan, kCamera2, "enabled", 0.5, "Enabled: must be on or off");
    ExpectRefused(plan, kCamera2, "h_fov", 40.0, "Horizontal field of view: is derived");
    // Sensor pixels are the camera type's until the sensor is a custom one.
    ExpectRefused(plan, kCamera2, "pixels_x", 2000.0, "Sensor pixels X: is derived");
    ASSERT_FALSE(SetProperty(plan, kCamera2, "type", static_cast<double>(kCameraTypeCount)));
    EXPECT_EQ(plan.cameras[1].cameraType, kCustomCameraType);
    ASSERT_FALSE(SetProperty(plan, kCamera2, "pixels_x", 2000.0));
    EXPECT_EQ(SensorPixelsX(plan.cameras[1]), 2000);
    ExpectRefused(plan, kCamera2, "pixels_y", 0.0, "Sensor pixels Y: must be a whole number");
    ExpectRefused(plan, kCamera2, "pixels_y", 2.5, "Sensor pixels Y: must be a whole number");
    ExpectRefused(plan, kCamera2, "type", 7.0, "Camera type");
}

TEST(PlanPropertiesTest, DerivedValuesComeFromTheirHomes)
{
    const Plan plan = ThePlan();
    const PlanCamera& c = plan.cameras[1];
    EXPECT_EQ(Number(plan, kCamera2, "h_fov"), FieldOfViewDegrees(c.frameWidth, c.focalLength));
    const double pitch = PixelPitchMm(c.frameWidth, c.frameHeight, SensorPixelsX(c), SensorPixelsY(c));
    EXPECT_EQ(Number(plan, kCamera2, "reach"),
              CameraReachMm(c.focalLength, plan.planning.markerDiameterMm, plan.planning.minImagePx, pitch) / 1000.0);
}

TEST(PlanPropertiesTest, ObstaclesTargetMountsAndPlanningSettings)
{
    Plan plan = ThePlan();
    const PlanItem table{PlanItemKind::Obstacle, 0};
    const PlanItem truss{PlanItemKind::Obstacle, 1};
    ASSERT_FALSE(SetProperty(plan, table, "max_y", 1.1));
    EXPECT_EQ(plan.obstacles.boxes[0].max.y, 1.1);
    ExpectRefused(plan, table, "min_x", 3.0, "Obstacle 1 (table)");
    ASSERT_FALSE(SetProperty(plan, truss, "scale", 2.0));
    EXPECT_EQ(plan.obstacles.meshes[0].scale, 2.0);
    EXPECT_EQ(plan.obstacles.meshes[0].mesh->triangles.size(), 1u) << "the triangles stay with the mesh";
    ExpectRefused(plan, truss, "file", std::string("other.obj"), "Mesh file: is derived");
    ASSERT_FALSE(SetProperty(plan, truss, "name", std::string("rig truss")));
    EXPECT_EQ(plan.obstacles.meshes[0].name, "rig truss");

    const PlanItem box{PlanItemKind::TargetBox, 0};
    ASSERT_FALSE(SetProperty(plan, box, "max_y", 2.5));
    EXPECT_EQ(plan.placement.target[0].max.y, 2.5);
    ExpectRefused(plan, box, "weight", 0.0, "Target box 1: weight");
    ExpectRefused(plan, box, "max_x", 9.0, "Target box 1: must lie in the room");

    const PlanItem mounts{PlanItemKind::Mounts, 0};
    ASSERT_FALSE(SetProperty(plan, mounts, "wall_x0", 0.0));
    EXPECT_FALSE(plan.placement.mounts->walls[0]);
    ASSERT_FALSE(SetProperty(plan, mounts, "band_bottom", 1.5));
    EXPECT_EQ((*plan.placement.mounts->wallBand)[0], 1.5);
    ExpectRefused(plan, mounts, "band_top", 1.0, "wall height band");
    for (const char* key : {"wall_x1", "wall_z0", "wall_z1"})
        ASSERT_FALSE(SetProperty(plan, mounts, key, 0.0));
    ExpectRefused(plan, mounts, "ceiling", 0.0, "mounts: no wall");

    const PlanItem planning{PlanItemKind::Planning, 0};
    ASSERT_FALSE(SetProperty(plan, planning, "marker", 19.0));
    EXPECT_EQ(plan.planning.markerDiameterMm, 19.0);
    ExpectRefused(plan, planning, "marker", 0.0, "Planning settings: marker diameter");
    ExpectRefused(plan, planning, "min_angle", 150.0, "Planning settings: triangulation angle range");
}
