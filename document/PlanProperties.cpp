#include "document/PlanProperties.h"

#include "cameras/CameraSet.h"
#include "cameras/CameraTypes.h"
#include "document/PlanEdits.h"
#include "project/JsonText.h"
#include "project/ProjectFile.h"
#include "scene/SceneSettings.h"

#include <array>
#include <cmath>
#include <limits>
#include <utility>

namespace
{

constexpr const char* kWallKeys[kWallCount] = {"wall_x0", "wall_x1", "wall_z0", "wall_z1"};
constexpr const char* kWallNames[kWallCount] = {"Wall X = 0", "Wall X = length", "Wall Z = 0", "Wall Z = width"};

PlanProperty Number(std::string key, std::string name, std::string unit, double value, bool editable = true)
{
    return {std::move(key), std::move(name), std::move(unit), PropertyKind::Number, value, {}, editable};
}

PlanProperty Whole(std::string key, std::string name, double value, bool editable = true)
{
    return {std::move(key), std::move(name), "", PropertyKind::Whole, value, {}, editable};
}

PlanProperty Flag(std::string key, std::string name, bool value)
{
    return {std::move(key), std::move(name), "", PropertyKind::Flag, value ? 1.0 : 0.0, {}, true};
}

PlanProperty Text(std::string key, std::string name, std::string value, bool editable = true)
{
    return {std::move(key), std::move(name), "", PropertyKind::Text, std::move(value), {}, editable};
}

PlanProperty Choice(std::string key, std::string name, int index, std::vector<std::string> choices)
{
    return {std::move(key),
            std::move(name),
            "",
            PropertyKind::Choice,
            static_cast<double>(index),
            std::move(choices),
            true};
}

void AddPoint(std::vector<PlanProperty>& list, const std::string& key, const std::string& name, const Vec3d& p)
{
    list.push_back(Number(key + "_x", name + " X", "m", p.x));
    list.push_back(Number(key + "_y", name + " Y", "m", p.y));
    list.push_back(Number(key + "_z", name + " Z", "m", p.z));
}

// The coordinate of a point a key of AddPoint names; null for another key.
double* PointCoordinate(Vec3d& p, const std::string& prefix, const std::string& key)
{
    if (key == prefix + "_x")
        return &p.x;
    if (key == prefix + "_y")
        return &p.y;
    if (key == prefix + "_z")
        return &p.z;
    return nullptr;
}

std::vector<std::string> CameraTypeChoices()
{
    std::vector<std::string> choices;
    for (const CameraType& type : kCameraTypes)
        choices.emplace_back(type.name);
    choices.emplace_back("Custom sensor");
    return choices;
}

int CameraTypeChoice(const PlanCamera& camera)
{
    return camera.cameraType == kCustomCameraType ? kCameraTypeCount : camera.cameraType;
}

std::vector<PlanProperty> RoomProperties(const Plan& plan)
{
    const RoomValues room = RoomValuesOf(plan);
    return {
        Choice("unit", "Units", plan.unit == "ft" ? 1 : 0, {"m", "ft"}),
        Number("length", "Room Length", plan.unit, room.length),
        Number("width", "Room Width", plan.unit, room.width),
        Number("height", "Room Height", plan.unit, room.height),
        Number("voxel", "Voxel Size", "cm", room.voxelCm),
        Number("scale_x", "X Scale", "", room.scaleX),
        Number("scale_y", "Y Scale", "", room.scaleY),
        Number("scale_z", "Z Scale", "", room.scaleZ),
    };
}

std::vector<PlanProperty> PlanningProperties(const Plan& plan)
{
    const PlanningSettings& s = plan.planning;
    return {
        Number("marker", "Marker diameter", "mm", s.markerDiameterMm),
        Number("min_px", "Minimum marker image", "px", s.minImagePx),
        Number("min_angle", "Least pair angle", "deg", s.minAngleDeg),
        Number("max_angle", "Largest pair angle", "deg", s.maxAngleDeg),
        Number("noise", "Image noise", "px", s.pixelNoisePx),
        Number("sigma", "3D error bound", "mm", s.sigmaBoundMm),
    };
}

std::vector<PlanProperty> CameraProperties(const Plan& plan, const PlanCamera& c)
{
    const bool custom = c.cameraType == kCustomCameraType;
    const double pitch = PixelPitchMm(c.frameWidth, c.frameHeight, SensorPixelsX(c), SensorPixelsY(c));
    const double reachMm =
        CameraReachMm(c.focalLength, plan.planning.markerDiameterMm, plan.planning.minImagePx, pitch);
    return {
        Text("label", "Label", c.label),
        Flag("enabled", "Enabled", c.enabled),
        Number("x", "X", "m", c.x),
        Number("y", "Y (height)", "m", c.y),
        Number("z", "Z", "m", c.z),
        Number("h_tilt", "Horizontal tilt", "deg", c.hTilt),
        Number("v_tilt", "Vertical tilt", "deg", c.vTilt),
        Number("spin", "Spin", "deg", c.spin),
        Number("focal", "Lens", "mm", c.focalLength),
        Number("f_stop", "F-Stop", "", c.fNumber),
        Number("frame_width", "Frame width", "mm", c.frameWidth),
        Number("frame_height", "Frame height", "mm", c.frameHeight),
        Choice("type", "Camera type", CameraTypeChoice(c), CameraTypeChoices()),
        Whole("pixels_x", "Sensor pixels X", SensorPixelsX(c), custom),
        Whole("pixels_y", "Sensor pixels Y", SensorPixelsY(c), custom),
        Number("h_fov", "Horizontal field of view", "deg", FieldOfViewDegrees(c.frameWidth, c.focalLength), false),
        Number("v_fov", "Vertical field of view", "deg", FieldOfViewDegrees(c.frameHeight, c.focalLength), false),
        Number("reach", "Reach", "m", reachMm / 1000.0, false),
    };
}

std::vector<PlanProperty> ObstacleProperties(const Plan& plan, size_t index)
{
    const ObstacleList& list = plan.obstacles;
    std::vector<PlanProperty> properties;
    if (index < list.boxes.size()) {
        const ObstacleBox& box = list.boxes[index];
        properties.push_back(Text("name", "Name", box.name));
        AddPoint(properties, "min", "Min", box.min);
        AddPoint(properties, "max", "Max", box.max);
        return properties;
    }
    const ObstacleMesh& mesh = list.meshes[index - list.boxes.size()];
    properties.push_back(Text("name", "Name", mesh.name));
    properties.push_back(Text("file", "Mesh file", mesh.file, false));
    AddPoint(properties, "offset", "Offset", mesh.offset);
    properties.push_back(Number("scale", "Scale", "", mesh.scale));
    return properties;
}

std::vector<PlanProperty> TargetProperties(const TargetBox& box)
{
    std::vector<PlanProperty> properties;
    AddPoint(properties, "min", "Min", box.min);
    AddPoint(properties, "max", "Max", box.max);
    properties.push_back(Number("weight", "Weight", "", box.weight));
    return properties;
}

std::vector<PlanProperty> MountProperties(const Plan& plan)
{
    const MountSurfaces mounts = plan.placement.mounts.value_or(MountSurfaces{});
    std::vector<PlanProperty> properties;
    properties.reserve(kWallCount + 3);
    for (int w = 0; w < kWallCount; ++w)
        properties.push_back(Flag(kWallKeys[w], kWallNames[w], mounts.walls[static_cast<size_t>(w)]));
    properties.push_back(Flag("ceiling", "Ceiling", mounts.ceiling));
    const RoomSize room{plan.length, plan.width, plan.height};
    properties.push_back(Number("band_bottom", "Wall band bottom", "m", WallBottom(mounts, room)));
    properties.push_back(Number("band_top", "Wall band top", "m", WallTop(mounts, room)));
    return properties;
}

std::optional<PlanProperty> Find(const Plan& plan, const PlanItem& item, const std::string& key)
{
    for (PlanProperty& property : PropertiesOf(plan, item))
        if (property.key == key)
            return std::move(property);
    return std::nullopt;
}

std::string NotANumber(const PlanProperty& property)
{
    return property.name + ": must be a number";
}

std::optional<std::string> SetRoomValue(Plan& plan, const std::string& key, double value)
{
    RoomValues room = RoomValuesOf(plan);
    if (key == "unit") {
        // The same room in the other unit: its sides stay as long as they are.
        if (value != 0.0 && value != 1.0)
            return std::string("Units: must be m or ft");
        room.unit = value == 1.0 ? "ft" : "m";
        const float toUnit = room.unit == "ft" ? 1.0f / kMetresPerFoot : 1.0f;
        room.length = plan.length * toUnit;
        room.width = plan.width * toUnit;
        room.height = plan.height * toUnit;
        Plan changed = plan;
        if (auto error = SetRoom(changed, room))
            return error;
        changed.length = plan.length;
        changed.width = plan.width;
        changed.height = plan.height;
        plan = std::move(changed);
        return std::nullopt;
    }
    const auto v = static_cast<float>(value);
    const std::pair<const char*, float*> fields[] = {
        {"length", &room.length},  {"width", &room.width},    {"height", &room.height},  {"voxel", &room.voxelCm},
        {"scale_x", &room.scaleX}, {"scale_y", &room.scaleY}, {"scale_z", &room.scaleZ},
    };
    float* field = nullptr;
    for (const auto& [name, address] : fields)
        if (key == name)
            field = address;
    if (!field)
        return "The room has no value " + key;
    *field = v;
    Plan changed = plan;
    if (auto error = SetRoom(changed, room))
        return error;
    // The sides not typed keep their metres exactly: read back from another
    // unit they would move by a rounding.
    if (key != "length")
        changed.length = plan.length;
    if (key != "width")
        changed.width = plan.width;
    if (key != "height")
        changed.height = plan.height;
    // What stands in the room must stay in it.
    const std::string name = Find(plan, {PlanItemKind::Room, 0}, key)->name;
    const RoomSize size{changed.length, changed.width, changed.height};
    for (size_t b = 0; b < changed.placement.target.size(); ++b)
        if (CheckTargetBox(changed.placement.target[b], size))
            return name + ": target box " + std::to_string(b + 1) + " would no longer lie in the room";
    if (changed.placement.mounts && CheckMounts(*changed.placement.mounts, size))
        return name + ": the mounts' wall band would no longer lie on the walls";
    if (auto error = CheckEditedPlan(changed))
        return name + ": " + *error;
    plan = std::move(changed);
    return std::nullopt;
}

std::optional<std::string> SetPlanningValue(Plan& plan, const std::string& key, double value)
{
    PlanningSettings s = plan.planning;
    const std::pair<const char*, double*> fields[] = {
        {"marker", &s.markerDiameterMm}, {"min_px", &s.minImagePx},  {"min_angle", &s.minAngleDeg},
        {"max_angle", &s.maxAngleDeg},   {"noise", &s.pixelNoisePx}, {"sigma", &s.sigmaBoundMm},
    };
    for (const auto& [name, address] : fields)
        if (key == name)
            *address = value;
    return SetPlanningSettings(plan, s);
}

std::optional<std::string> SetCameraValue(Plan& plan, size_t index, const PlanProperty& property, double value)
{
    PlanCamera c = plan.cameras[index];
    const std::string& key = property.key;
    const auto v = static_cast<float>(value);
    if (key == "enabled") {
        c.enabled = value != 0.0;
    } else if (key == "x" || key == "y" || key == "z") {
        // A plan holds its camera positions as float values.
        (key == "x" ? c.x : key == "y" ? c.y : c.z) = v;
    } else if (key == "h_tilt" || key == "v_tilt" || key == "spin") {
        if (!std::isfinite(v))
            return NotANumber(property);
        (key == "h_tilt" ? c.hTilt : key == "v_tilt" ? c.vTilt : c.spin) = v;
    } else if (key == "focal" || key == "f_stop" || key == "frame_width" || key == "frame_height") {
        if (!(std::isfinite(v) && v > 0.0f))
            return property.name + ": must be a number above 0";
        (key == "focal"         ? c.focalLength
         : key == "f_stop"      ? c.fNumber
         : key == "frame_width" ? c.frameWidth
                                : c.frameHeight) = v;
    } else if (key == "type") {
        const bool custom = value == kCameraTypeCount;
        if (value != std::floor(value) || value < 0 || value > kCameraTypeCount)
            return property.name + ": must be one of the camera types";
        if (custom ? !SetCustomPixels(c, SensorPixelsX(c), SensorPixelsY(c))
                   : !SetCameraType(c, static_cast<int>(value)))
            return property.name + ": must be one of the camera types";
    } else if (key == "pixels_x" || key == "pixels_y") {
        if (value != std::floor(value) || !(value >= 1.0 && value <= std::numeric_limits<int>::max()))
            return property.name + ": must be a whole number of at least 1";
        const int px = key == "pixels_x" ? static_cast<int>(value) : SensorPixelsX(c);
        const int py = key == "pixels_y" ? static_cast<int>(value) : SensorPixelsY(c);
        if (!SetCustomPixels(c, px, py))
            return property.name + ": must be a whole number of at least 1";
    }
    if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(c.z))
        return NotANumber(property);
    if (auto error = CheckCameraPlace(c, plan))
        return property.name + ": " + *error;
    return SetCamera(plan, index, c);
}

std::optional<std::string> SetObstacleValue(Plan& plan, size_t index, const PlanProperty& property,
                                            const PropertyValue& value)
{
    ObstacleList list = plan.obstacles;
    const bool box = index < list.boxes.size();
    const std::string& key = property.key;
    if (key == "name") {
        std::string& name = box ? list.boxes[index].name : list.meshes[index - list.boxes.size()].name;
        name = std::get<std::string>(value);
        return SetObstacles(plan, std::move(list));
    }
    const double v = std::get<double>(value);
    if (!std::isfinite(v))
        return NotANumber(property);
    if (box) {
        ObstacleBox& b = list.boxes[index];
        double* at = PointCoordinate(b.min, "min", key);
        at = at ? at : PointCoordinate(b.max, "max", key);
        *at = v;
    } else {
        ObstacleMesh& mesh = list.meshes[index - list.boxes.size()];
        if (key == "scale")
            mesh.scale = v;
        else
            *PointCoordinate(mesh.offset, "offset", key) = v;
    }
    if (auto error = SetObstacles(plan, std::move(list)))
        return ItemName(plan, {PlanItemKind::Obstacle, index}) + ": " + *error;
    return std::nullopt;
}

std::optional<std::string> SetTargetValue(Plan& plan, size_t index, const PlanProperty& property, double value)
{
    if (!std::isfinite(value))
        return NotANumber(property);
    ProjectPlacement placement = plan.placement;
    TargetBox& box = placement.target[index];
    if (property.key == "weight") {
        box.weight = value;
    } else {
        double* at = PointCoordinate(box.min, "min", property.key);
        at = at ? at : PointCoordinate(box.max, "max", property.key);
        *at = value;
    }
    if (auto error = CheckTargetBox(box, {plan.length, plan.width, plan.height}))
        return ItemName(plan, {PlanItemKind::TargetBox, index}) + ": " + *error;
    return SetPlacement(plan, std::move(placement));
}

std::optional<std::string> SetMountValue(Plan& plan, const PlanProperty& property, double value)
{
    ProjectPlacement placement = plan.placement;
    MountSurfaces mounts = placement.mounts.value_or(MountSurfaces{});
    const RoomSize room{plan.length, plan.width, plan.height};
    const std::string& key = property.key;
    if (key == "band_bottom" || key == "band_top") {
        if (!std::isfinite(value))
            return NotANumber(property);
        std::array<double, 2> band{WallBottom(mounts, room), WallTop(mounts, room)};
        band[key == "band_bottom" ? 0 : 1] = value;
        // The default band is none of the plan's own: it follows the room's height.
        if (band == DefaultWallBand(room))
            mounts.wallBand.reset();
        else
            mounts.wallBand = band;
    } else if (key == "ceiling") {
        mounts.ceiling = value != 0.0;
    } else {
        for (int w = 0; w < kWallCount; ++w)
            if (key == kWallKeys[w])
                mounts.walls[static_cast<size_t>(w)] = value != 0.0;
    }
    if (auto error = CheckMounts(mounts, room))
        return error;
    placement.mounts = std::move(mounts);
    return SetPlacement(plan, std::move(placement));
}

} // namespace

bool HasItem(const Plan& plan, const PlanItem& item)
{
    switch (item.kind) {
    case PlanItemKind::Room:
    case PlanItemKind::Planning:
    case PlanItemKind::Mounts:
        return true;
    case PlanItemKind::Camera:
        return item.index < plan.cameras.size();
    case PlanItemKind::Obstacle:
        return item.index < plan.obstacles.boxes.size() + plan.obstacles.meshes.size();
    case PlanItemKind::TargetBox:
        return item.index < plan.placement.target.size();
    }
    return false;
}

std::string ItemName(const Plan& plan, const PlanItem& item)
{
    // A name that says no more than the number (a camera labelled "Camera 3") is not repeated.
    const auto numbered = [&](const char* kind, const std::string& name) {
        std::string text = std::string(kind) + " " + std::to_string(item.index + 1);
        return name.empty() || name == text ? text : text + " (" + name + ")";
    };
    switch (item.kind) {
    case PlanItemKind::Room:
        return "Room";
    case PlanItemKind::Planning:
        return "Planning settings";
    case PlanItemKind::Mounts:
        return "Mounts";
    case PlanItemKind::Camera:
        return numbered("Camera", HasItem(plan, item) ? plan.cameras[item.index].label : "");
    case PlanItemKind::Obstacle: {
        const ObstacleList& list = plan.obstacles;
        if (!HasItem(plan, item))
            return numbered("Obstacle", "");
        return numbered("Obstacle", item.index < list.boxes.size() ? list.boxes[item.index].name
                                                                   : list.meshes[item.index - list.boxes.size()].name);
    }
    case PlanItemKind::TargetBox:
        return numbered("Target box", "");
    }
    return {};
}

std::vector<PlanProperty> PropertiesOf(const Plan& plan, const PlanItem& item)
{
    if (!HasItem(plan, item))
        return {};
    switch (item.kind) {
    case PlanItemKind::Room:
        return RoomProperties(plan);
    case PlanItemKind::Planning:
        return PlanningProperties(plan);
    case PlanItemKind::Camera:
        return CameraProperties(plan, plan.cameras[item.index]);
    case PlanItemKind::Obstacle:
        return ObstacleProperties(plan, item.index);
    case PlanItemKind::TargetBox:
        return TargetProperties(plan.placement.target[item.index]);
    case PlanItemKind::Mounts:
        return MountProperties(plan);
    }
    return {};
}

std::optional<std::string> SetProperty(Plan& plan, const PlanItem& item, const std::string& key,
                                       const PropertyValue& value)
{
    const std::optional<PlanProperty> property = Find(plan, item, key);
    if (!property)
        return ItemName(plan, item) + " has no value " + key;
    if (!property->editable)
        return property->name + ": is derived from the other values and cannot be set";
    const bool text = property->kind == PropertyKind::Text;
    if (text != std::holds_alternative<std::string>(value))
        return property->name + (text ? ": must be text" : ": must be a number");
    if (!text && property->kind == PropertyKind::Flag && std::get<double>(value) != 0.0 &&
        std::get<double>(value) != 1.0)
        return property->name + ": must be on or off";
    Plan changed = plan;
    std::optional<std::string> error;
    switch (item.kind) {
    case PlanItemKind::Room:
        error = SetRoomValue(changed, key, std::get<double>(value));
        break;
    case PlanItemKind::Planning:
        error = SetPlanningValue(changed, key, std::get<double>(value));
        break;
    case PlanItemKind::Camera:
        if (text)
            changed.cameras[item.index].label = std::get<std::string>(value);
        else
            error = SetCameraValue(changed, item.index, *property, std::get<double>(value));
        break;
    case PlanItemKind::Obstacle:
        error = SetObstacleValue(changed, item.index, *property, value);
        break;
    case PlanItemKind::TargetBox:
        error = SetTargetValue(changed, item.index, *property, std::get<double>(value));
        break;
    case PlanItemKind::Mounts:
        error = SetMountValue(changed, *property, std::get<double>(value));
        break;
    }
    if (error)
        return error;
    if (auto refusal = CheckEditedPlan(changed))
        return refusal;
    plan = std::move(changed);
    return std::nullopt;
}

std::string PropertyStepName(const Plan& plan, const PlanItem& item, const std::string& key)
{
    const std::optional<PlanProperty> property = Find(plan, item, key);
    const std::string itemName = item.kind == PlanItemKind::Camera      ? "Camera " + std::to_string(item.index + 1)
                                 : item.kind == PlanItemKind::Obstacle  ? "Obstacle " + std::to_string(item.index + 1)
                                 : item.kind == PlanItemKind::TargetBox ? "Target box " + std::to_string(item.index + 1)
                                                                        : ItemName(plan, item);
    return itemName + ": " + (property ? property->name : key);
}
