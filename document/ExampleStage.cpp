#include "document/ExampleStage.h"

#include "coverage/placement/PlacementCamera.h"
#include "coverage/placement/PlacementSetup.h"
#include "document/PlanEdits.h"

#include <cmath>

Plan ExampleStagePlan()
{
    Plan plan;
    plan.length = 10.0f;
    plan.width = 8.0f;
    plan.height = 4.0f;
    ResetRig(plan, 4);
    // Every camera hangs a little below the ceiling, at the corners and the
    // middle of the walls, looking at the middle of the stage floor; wide
    // lenses, and the larger markers a stage of this size takes.
    const double mount = plan.height - 0.3;
    const Vec3d middle{plan.length / 2.0, 0.0, plan.width / 2.0};
    const double l = plan.length, w = plan.width;
    // Named as a rigger names them, by the wall the front one (user Z = 0) faces.
    const std::pair<const char*, Vec3d> places[] = {{"front left", {0.0, mount, 0.0}}, {"front right", {l, mount, 0.0}},
                                                    {"back right", {l, mount, w}},     {"back left", {0.0, mount, w}},
                                                    {"front", {l / 2.0, mount, 0.0}},  {"right", {l, mount, w / 2}},
                                                    {"back", {l / 2.0, mount, w}},     {"left", {0.0, mount, w / 2}}};
    const PlanCamera model = plan.cameras.front();
    plan.cameras.clear();
    for (const auto& [label, at] : places) {
        PlanCamera camera = model;
        camera.label = label;
        camera.x = static_cast<float>(at.x);
        camera.y = static_cast<float>(at.y);
        camera.z = static_cast<float>(at.z);
        camera.focalLength = 6.0f;
        // Aimed as a rigger sets a mount: to the half degree.
        const auto [pan, tilt] = AimTowards(at, middle);
        camera.hTilt = std::round(pan * 2.0f) / 2.0f;
        camera.vTilt = std::round(tilt * 2.0f) / 2.0f;
        plan.cameras.push_back(camera);
    }
    plan.rangeCount = static_cast<uint32_t>(plan.cameras.size());
    plan.isoThreshold = 2;
    plan.planning.markerDiameterMm = 19.0;
    plan.planning.sigmaBoundMm = 2.0;
    plan.obstacles.boxes.push_back({"riser", {4.0, 0.0, 5.5}, {6.0, 0.6, 7.0}});
    plan.placement.target.push_back(FloorTargetBox({plan.length, plan.width, plan.height}, 1.0, 2.5));
    return plan;
}
