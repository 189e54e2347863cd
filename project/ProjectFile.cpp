#include "project/ProjectFile.h"

#include "cameras/CameraSet.h"
#include "cameras/CameraTypes.h"
#include "coverage/CoverageVolume.h"
#include "project/JsonInput.h"
#include "scene/AtomicFile.h"

#include <cmath>
#include <limits>
#include <sstream>

namespace
{

constexpr const char* kCustomTypeKey = "custom";
constexpr const char* kPrincipalPointKey = "principal_point_px";
constexpr const char* kDistortionKey = "distortion";
constexpr const char* kClassicStyle = "classic";
constexpr const char* kPlannerStyle = "planner";

// A refusal on the way in, with the key it concerns.
struct ProjectError {
    std::string message;
};

[[noreturn]] void Refuse(const std::string& key, const std::string& reason)
{
    throw ProjectError{key + ": " + reason};
}

std::string Join(const std::string& path, const std::string& key)
{
    return path.empty() ? key : path + "." + key;
}

const Json& Member(const Json& object, const std::string& path, const std::string& key)
{
    const auto it = object.find(key);
    if (it == object.end())
        Refuse(Join(path, key), "missing");
    return *it;
}

const Json& ObjectMember(const Json& object, const std::string& path, const std::string& key)
{
    const Json& value = Member(object, path, key);
    if (!value.is_object())
        Refuse(Join(path, key), "must be an object");
    return value;
}

double NumberMember(const Json& object, const std::string& path, const std::string& key)
{
    const Json& value = Member(object, path, key);
    if (!value.is_number())
        Refuse(Join(path, key), "must be a number");
    return value.get<double>();
}

// Numbers the program holds in single precision must fit one.
float FloatMember(const Json& object, const std::string& path, const std::string& key)
{
    const double value = NumberMember(object, path, key);
    if (!(std::abs(value) <= std::numeric_limits<float>::max()))
        Refuse(Join(path, key), "must be a number that fits single precision");
    return static_cast<float>(value);
}

uint32_t CountMember(const Json& object, const std::string& path, const std::string& key)
{
    const Json& value = Member(object, path, key);
    if (!value.is_number_integer() || value.get<long long>() < 0 ||
        value.get<long long>() > std::numeric_limits<uint32_t>::max())
        Refuse(Join(path, key), "must be a whole number of at least 0");
    return value.get<uint32_t>();
}

std::string StringMember(const Json& object, const std::string& path, const std::string& key)
{
    const Json& value = Member(object, path, key);
    if (!value.is_string())
        Refuse(Join(path, key), "must be a string");
    return value.get<std::string>();
}

bool BoolMember(const Json& object, const std::string& path, const std::string& key)
{
    const Json& value = Member(object, path, key);
    if (!value.is_boolean())
        Refuse(Join(path, key), "must be true or false");
    return value.get<bool>();
}

unsigned OperatorMember(const Json& object, const std::string& path, const std::string& key)
{
    const std::string text = StringMember(object, path, key);
    for (unsigned i = 0; i < static_cast<unsigned>(kComparisonOpCount); ++i) {
        if (text == kComparisonOps[i])
            return i;
    }
    Refuse(Join(path, key), "must be one of < <= == >= > !=");
}

// [a, b, ...] of exactly n numbers.
std::vector<double> NumberList(const Json& object, const std::string& path, const std::string& key, size_t n)
{
    const Json& value = Member(object, path, key);
    if (!value.is_array() || value.size() != n)
        Refuse(Join(path, key), "must be a list of " + std::to_string(n) + " numbers");
    std::vector<double> numbers;
    for (const Json& item : value) {
        if (!item.is_number())
            Refuse(Join(path, key), "must be a list of " + std::to_string(n) + " numbers");
        numbers.push_back(item.get<double>());
    }
    return numbers;
}

bool PositiveFinite(double v)
{
    return std::isfinite(v) && v > 0.0;
}

PlanCamera ReadCamera(const Json& value, const std::string& path)
{
    if (!value.is_object())
        Refuse(path, "must be an object");
    PlanCamera camera;
    camera.label = StringMember(value, path, "label");
    camera.enabled = BoolMember(value, path, "enabled");
    const std::vector<double> position = NumberList(value, path, "position_m", 3);
    for (const double v : position) {
        if (!(std::abs(v) <= std::numeric_limits<float>::max()))
            Refuse(Join(path, "position_m"), "must be three numbers that fit single precision");
    }
    camera.x = static_cast<float>(position[0]);
    camera.y = static_cast<float>(position[1]);
    camera.z = static_cast<float>(position[2]);
    camera.focalLength = FloatMember(value, path, "focal_length_mm");
    camera.fNumber = FloatMember(value, path, "f_stop");
    camera.frameWidth = FloatMember(value, path, "frame_width_mm");
    camera.frameHeight = FloatMember(value, path, "frame_height_mm");
    camera.spin = FloatMember(value, path, "spin_deg");
    camera.hTilt = FloatMember(value, path, "h_tilt_deg");
    camera.vTilt = FloatMember(value, path, "v_tilt_deg");
    const Json& type = Member(value, path, "camera_type");
    if (type.is_string() && type.get<std::string>() == kCustomTypeKey) {
        camera.cameraType = kCustomCameraType;
        const std::vector<double> pixels = NumberList(value, path, "pixels", 2);
        for (const double p : pixels) {
            if (!(p >= 1.0 && p <= 1e9 && p == std::floor(p)))
                Refuse(Join(path, "pixels"), "must be two whole numbers of at least 1");
        }
        camera.pixelsX = static_cast<int>(pixels[0]);
        camera.pixelsY = static_cast<int>(pixels[1]);
    } else if (type.is_number_integer() && type.get<long long>() >= 0 && type.get<long long>() < kCameraTypeCount) {
        camera.cameraType = type.get<int>();
    } else {
        Refuse(Join(path, "camera_type"),
               "must be a camera type from 0 to " + std::to_string(kCameraTypeCount - 1) + " or \"custom\"");
    }
    if (value.contains(kPrincipalPointKey)) {
        const std::vector<double> point = NumberList(value, path, kPrincipalPointKey, 2);
        CalibratedLens lens{point[0], point[1], {}};
        if (value.contains(kDistortionKey)) {
            const Json& coefficients = value[kDistortionKey];
            if (!coefficients.is_array())
                Refuse(Join(path, kDistortionKey), "must be a list of numbers");
            for (const Json& item : coefficients) {
                if (!item.is_number())
                    Refuse(Join(path, kDistortionKey), "must be a list of numbers");
                lens.distortion.push_back(item.get<double>());
            }
        }
        camera.lens = std::move(lens);
    } else if (value.contains(kDistortionKey)) {
        Refuse(Join(path, kDistortionKey), std::string("is kept only with ") + kPrincipalPointKey + " beside it");
    }
    return camera;
}

Plan ReadProject(const Json& document)
{
    if (!document.is_object())
        Refuse("(document)", "must be a JSON object");
    if (StringMember(document, "", "format") != kProjectFormatName)
        Refuse("format", std::string("must be \"") + kProjectFormatName + "\"");
    const std::string version = StringMember(document, "", "version");
    int major = 0, minor = 0;
    char dot = 0;
    std::istringstream versionText(version);
    if (!(versionText >> major >> dot >> minor) || dot != '.' || !versionText.eof() || major < 1 || minor < 0)
        Refuse("version", "must read MAJOR.MINOR, e.g. \"1.0\"");
    if (major > kProjectMajorVersion)
        Refuse("version", "the project is in format " + version + ", written by a newer program; this one reads " +
                              std::to_string(kProjectMajorVersion) + ".x");

    Plan project;
    project.kept = document;
    const Json& room = ObjectMember(document, "", "room");
    project.length = FloatMember(room, "room", "length_m");
    project.width = FloatMember(room, "room", "width_m");
    project.height = FloatMember(room, "room", "height_m");
    project.unit = StringMember(room, "room", "unit");
    const Json& scale = ObjectMember(document, "", "scale");
    project.scaleX = FloatMember(scale, "scale", "x");
    project.scaleY = FloatMember(scale, "scale", "y");
    project.scaleZ = FloatMember(scale, "scale", "z");
    project.voxelCm = FloatMember(document, "", "voxel_cm");

    const Json& cameras = Member(document, "", "cameras");
    if (!cameras.is_array())
        Refuse("cameras", "must be a list of cameras");
    if (!IsValidCameraCount(static_cast<long long>(cameras.size())))
        Refuse("cameras", "must hold 1 to " + std::to_string(kMaxCameras) + " cameras");
    for (size_t i = 0; i < cameras.size(); ++i)
        project.cameras.push_back(ReadCamera(cameras[i], "cameras[" + std::to_string(i) + "]"));

    const Json& range = ObjectMember(document, "", "active_range");
    project.firstCamera = CountMember(range, "active_range", "first");
    project.rangeCount = CountMember(range, "active_range", "count");
    const Json& iso = ObjectMember(document, "", "iso");
    project.isoOp = OperatorMember(iso, "iso", "op");
    project.isoThreshold = CountMember(iso, "iso", "threshold");
    const Json& res = ObjectMember(document, "", "resolution_filter");
    project.resOp1 = OperatorMember(res, "resolution_filter", "op1");
    project.resBound1 = FloatMember(res, "resolution_filter", "bound1");
    project.resOp2 = OperatorMember(res, "resolution_filter", "op2");
    project.resBound2 = FloatMember(res, "resolution_filter", "bound2");
    project.resolutionCamera = CountMember(document, "", "resolution_camera");

    const Json& planning = ObjectMember(document, "", "planning");
    project.planning.markerDiameterMm = NumberMember(planning, "planning", "marker_mm");
    project.planning.minImagePx = NumberMember(planning, "planning", "min_px");
    const std::vector<double> angles = NumberList(planning, "planning", "angle_range", 2);
    project.planning.minAngleDeg = angles[0];
    project.planning.maxAngleDeg = angles[1];
    project.planning.pixelNoisePx = NumberMember(planning, "planning", "pixel_noise_px");
    project.planning.sigmaBoundMm = NumberMember(planning, "planning", "sigma_max_mm");
    if (const auto it = document.find("obstacles"); it != document.end()) {
        ObstacleListResult obstacles = ReadObstacleList(*it);
        if (!obstacles.list)
            throw ProjectError{obstacles.error};
        project.obstacles = std::move(*obstacles.list);
    }
    if (const auto it = document.find("view"); it != document.end()) {
        if (!it->is_object())
            Refuse("view", "must be an object");
        if (const auto style = it->find("style"); style != it->end()) {
            if (!style->is_string() || (*style != kClassicStyle && *style != kPlannerStyle))
                Refuse("view.style", std::string("must be \"") + kClassicStyle + "\" or \"" + kPlannerStyle + "\"");
            project.plannerView = *style == kPlannerStyle;
        }
        ProjectWindowStateResult window = ReadProjectWindowState(*it);
        if (!window.error.empty())
            throw ProjectError{window.error};
        project.window = window.state;
    }
    if (const auto it = document.find("placement"); it != document.end()) {
        ProjectPlacementResult placement = ReadProjectPlacement(*it);
        if (!placement.placement)
            throw ProjectError{placement.error};
        project.placement = std::move(*placement.placement);
    }
    if (const auto it = document.find("report"); it != document.end()) {
        ProjectReportResult report = ReadProjectReport(*it);
        if (!report.report)
            throw ProjectError{report.error};
        project.report = std::move(*report.report);
    }
    return project;
}

// Known keys over what was read, in the order a new file has them.
Json CameraJson(const PlanCamera& camera, Json base)
{
    base["label"] = camera.label;
    base["enabled"] = camera.enabled;
    base["position_m"] = Json::array({FloatJson(static_cast<float>(camera.x)), FloatJson(static_cast<float>(camera.y)),
                                      FloatJson(static_cast<float>(camera.z))});
    base["focal_length_mm"] = FloatJson(camera.focalLength);
    base["f_stop"] = FloatJson(camera.fNumber);
    base["frame_width_mm"] = FloatJson(camera.frameWidth);
    base["frame_height_mm"] = FloatJson(camera.frameHeight);
    base["spin_deg"] = FloatJson(camera.spin);
    base["h_tilt_deg"] = FloatJson(camera.hTilt);
    base["v_tilt_deg"] = FloatJson(camera.vTilt);
    if (camera.cameraType == kCustomCameraType) {
        base["camera_type"] = kCustomTypeKey;
        base["pixels"] = Json::array({camera.pixelsX, camera.pixelsY});
    } else {
        base["camera_type"] = camera.cameraType;
        base.erase("pixels");
    }
    if (camera.lens) {
        base[kPrincipalPointKey] = Json::array({DoubleJson(camera.lens->cx), DoubleJson(camera.lens->cy)});
        Json distortion = Json::array();
        for (const double d : camera.lens->distortion)
            distortion.push_back(DoubleJson(d));
        base[kDistortionKey] = std::move(distortion);
    } else {
        base.erase(kPrincipalPointKey);
        base.erase(kDistortionKey);
    }
    return base;
}

} // namespace

std::optional<std::string> CheckCameraPlace(const PlanCamera& camera, const Plan& plan)
{
    const double m = kMaxCameraOutsideMetres;
    const auto outside = [m](double v, double side) { return !(v >= -m && v <= side + m); };
    if (outside(camera.x, plan.length) || outside(camera.y, plan.height) || outside(camera.z, plan.width))
        return "more than " + ShortestText(m) + " m outside the room";
    return std::nullopt;
}

std::optional<std::string> CheckPlanRoom(const Plan& p)
{
    if (p.unit != "m" && p.unit != "ft")
        return "room.unit: must be \"m\" or \"ft\"";
    if (!PositiveFinite(p.length) || !PositiveFinite(p.width) || !PositiveFinite(p.height))
        return std::string("room: length_m, width_m and height_m must be numbers above 0");
    if (p.length > kMaxRoomMetres || p.width > kMaxRoomMetres || p.height > kMaxRoomMetres)
        return "room: length_m, width_m and height_m must be at most " + ShortestText(kMaxRoomMetres) + " m";
    if (!PositiveFinite(p.scaleX) || !PositiveFinite(p.scaleY) || !PositiveFinite(p.scaleZ))
        return std::string("scale: x, y and z must be numbers above 0");
    if (!PositiveFinite(p.voxelCm))
        return std::string("voxel_cm: must be a number above 0");
    if (p.voxelCm > kMaxVoxelCm)
        return "voxel_cm: must be at most " + ShortestText(kMaxVoxelCm);
    return std::nullopt;
}

std::optional<std::string> CheckPlan(const Plan& p)
{
    if (auto error = CheckPlanRoom(p))
        return error;
    if (!IsValidCameraCount(static_cast<long long>(p.cameras.size())))
        return "cameras: must hold 1 to " + std::to_string(kMaxCameras) + " cameras";
    for (size_t i = 0; i < p.cameras.size(); ++i) {
        const PlanCamera& c = p.cameras[i];
        const std::string key = "cameras[" + std::to_string(i) + "].";
        if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(c.z))
            return key + "position_m: must be three numbers";
        if (const auto error = CheckCameraPlace(c, p))
            return key + "position_m: " + *error;
        const std::pair<const char*, float> positive[] = {{"focal_length_mm", c.focalLength},
                                                          {"f_stop", c.fNumber},
                                                          {"frame_width_mm", c.frameWidth},
                                                          {"frame_height_mm", c.frameHeight}};
        for (const auto& [name, value] : positive) {
            if (!PositiveFinite(value))
                return key + name + ": must be a number above 0";
        }
        if (!std::isfinite(c.spin) || !std::isfinite(c.hTilt) || !std::isfinite(c.vTilt))
            return key + "spin_deg, h_tilt_deg, v_tilt_deg: must be numbers";
        if (c.cameraType == kCustomCameraType ? c.pixelsX < 1 || c.pixelsY < 1
                                              : c.cameraType < 0 || c.cameraType >= kCameraTypeCount)
            return key + "camera_type: must be a camera type or \"custom\" with pixels of at least 1";
    }
    const auto n = static_cast<uint64_t>(p.cameras.size());
    if (p.firstCamera < 1 || p.rangeCount < 1 || p.firstCamera - 1 + static_cast<uint64_t>(p.rangeCount) > n)
        return "active_range: first and count must be at least 1 and the range within the " + std::to_string(n) +
               " cameras";
    if (p.isoOp >= static_cast<unsigned>(kComparisonOpCount) || p.resOp1 >= static_cast<unsigned>(kComparisonOpCount) ||
        p.resOp2 >= static_cast<unsigned>(kComparisonOpCount))
        return std::string("iso, resolution_filter: operators must be one of < <= == >= > !=");
    if (p.isoThreshold > p.firstCamera - 1 + p.rangeCount)
        return "iso.threshold: must not exceed the end of the active range (" +
               std::to_string(p.firstCamera - 1 + p.rangeCount) + ")";
    if (!std::isfinite(p.resBound1) || !std::isfinite(p.resBound2))
        return std::string("resolution_filter: bound1 and bound2 must be numbers");
    if (p.resolutionCamera < 1 || p.resolutionCamera > n)
        return "resolution_camera: must be a camera from 1 to " + std::to_string(n);
    if (const auto error = CheckPlanningSettings(p.planning))
        return "planning: " + *error;
    const RoomSize room{p.length, p.width, p.height};
    if (p.placement.mounts) {
        if (const auto error = CheckMounts(*p.placement.mounts, room))
            return "placement.mounts: " + *error;
    }
    for (size_t b = 0; b < p.placement.target.size(); ++b) {
        if (const auto error = CheckTargetBox(p.placement.target[b], room))
            return "placement.target[" + std::to_string(b) + "]: " + *error;
    }
    return std::nullopt;
}

std::vector<PlanCamera> PlanCamerasOf(const CCameraSet& set, uint32_t count)
{
    std::vector<PlanCamera> cameras;
    cameras.reserve(count);
    for (uint32_t c = 0; c < count; ++c) {
        const int i = static_cast<int>(c);
        PlanCamera camera;
        camera.label = set.GetLabel(i);
        camera.enabled = set.GetEnabled(i) == 1;
        const Vec3d user = set.GetFilePosition(i);
        camera.x = user.x;
        camera.y = user.y;
        camera.z = user.z;
        camera.focalLength = set.GetFocalLength(i);
        camera.fNumber = set.GetFNumber(i);
        camera.frameWidth = set.GetFrameWidth(i);
        camera.frameHeight = set.GetFrameHeight(i);
        camera.spin = set.GetSpin(i);
        camera.hTilt = set.GetHTilt(i);
        camera.vTilt = set.GetVTilt(i);
        camera.cameraType = set.GetCameraType(i);
        if (camera.cameraType == kCustomCameraType) {
            camera.pixelsX = set.GetSensorPixelsX(i);
            camera.pixelsY = set.GetSensorPixelsY(i);
        }
        camera.lens = set.GetCalibratedLens(i);
        cameras.push_back(std::move(camera));
    }
    return cameras;
}

void FillCameraSet(const std::vector<PlanCamera>& cameras, const Vec3d& userOrigin, CCameraSet& set)
{
    set.Release();
    set.Allocate(static_cast<uint32_t>(cameras.size()));
    set.SetUserOrigin(userOrigin);
    for (size_t c = 0; c < cameras.size(); ++c) {
        const int i = static_cast<int>(c);
        const PlanCamera& camera = cameras[c];
        set.SetLabel(i, camera.label);
        set.SetEnabled(i, camera.enabled ? 1 : 0);
        set.SetFilePosition(i, {camera.x, camera.y, camera.z});
        set.SetFocalLength(i, camera.focalLength);
        set.SetFNumber(i, camera.fNumber);
        set.SetFrameWidth(i, camera.frameWidth);
        set.SetFrameHeight(i, camera.frameHeight);
        set.SetSpin(i, camera.spin);
        set.SetHTilt(i, camera.hTilt);
        set.SetVTilt(i, camera.vTilt);
        if (camera.cameraType == kCustomCameraType)
            set.SetCustomPixels(i, camera.pixelsX, camera.pixelsY);
        else
            set.SetCameraType(i, camera.cameraType);
        set.SetCalibratedLens(i, camera.lens);
    }
    set.RecomputeFieldOfView();
}

std::string ProjectText(const Plan& p)
{
    Json document = p.kept.is_object() ? p.kept : Json::object();
    // Each section keeps the keys it had that this program does not know.
    auto section = [&document](const char* key) -> Json& {
        Json& value = document[key];
        if (!value.is_object())
            value = Json::object();
        return value;
    };
    document["format"] = kProjectFormatName;
    document["version"] = std::to_string(kProjectMajorVersion) + "." + std::to_string(kProjectMinorVersion);
    Json& room = section("room");
    room["length_m"] = FloatJson(p.length);
    room["width_m"] = FloatJson(p.width);
    room["height_m"] = FloatJson(p.height);
    room["unit"] = p.unit;
    Json& scale = section("scale");
    scale["x"] = FloatJson(p.scaleX);
    scale["y"] = FloatJson(p.scaleY);
    scale["z"] = FloatJson(p.scaleZ);
    document["voxel_cm"] = FloatJson(p.voxelCm);
    Json& range = section("active_range");
    range["first"] = p.firstCamera;
    range["count"] = p.rangeCount;
    Json& iso = section("iso");
    iso["op"] = ComparisonOpText(p.isoOp);
    iso["threshold"] = p.isoThreshold;
    Json& res = section("resolution_filter");
    res["op1"] = ComparisonOpText(p.resOp1);
    res["bound1"] = FloatJson(p.resBound1);
    res["op2"] = ComparisonOpText(p.resOp2);
    res["bound2"] = FloatJson(p.resBound2);
    document["resolution_camera"] = p.resolutionCamera;
    Json& planning = section("planning");
    planning["marker_mm"] = DoubleJson(p.planning.markerDiameterMm);
    planning["min_px"] = DoubleJson(p.planning.minImagePx);
    planning["angle_range"] = Json::array({DoubleJson(p.planning.minAngleDeg), DoubleJson(p.planning.maxAngleDeg)});
    planning["pixel_noise_px"] = DoubleJson(p.planning.pixelNoisePx);
    planning["sigma_max_mm"] = DoubleJson(p.planning.sigmaBoundMm);
    const Json keptCameras =
        document.contains("cameras") && document["cameras"].is_array() ? document["cameras"] : Json::array();
    Json cameras = Json::array();
    for (size_t i = 0; i < p.cameras.size(); ++i) {
        const bool kept = i < keptCameras.size() && keptCameras[i].is_object();
        cameras.push_back(CameraJson(p.cameras[i], kept ? keptCameras[i] : Json::object()));
    }
    document["cameras"] = std::move(cameras);
    if (p.obstacles.empty())
        document.erase("obstacles");
    else
        document["obstacles"] = ObstacleListJson(p.obstacles, document["obstacles"]);
    // Without placement values the document's own, if any, stay as read: a
    // plan saved by a part of the program that does not place keeps them.
    if (!p.placement.empty())
        document["placement"] = ProjectPlacementJson(p.placement, document["placement"]);
    // Likewise the title block: only a plan that sets one writes it.
    if (!p.report.empty())
        document["report"] = ProjectReportJson(p.report, document["report"]);
    if (p.plannerView)
        section("view")["style"] = kPlannerStyle;
    else if (const auto view = document.find("view");
             view != document.end() && view->is_object() && view->erase("style") && view->empty())
        document.erase(view);
    if (p.window)
        WriteProjectWindowState(*p.window, section("view"));
    return JsonText(document) + "\n";
}

ProjectReadResult ParseProject(const std::string& text)
{
    ProjectReadResult result;
    const JsonReadResult json = ParseJsonDocument(text);
    if (!json.document) {
        result.error = json.error;
        return result;
    }
    try {
        Plan project = ReadProject(*json.document);
        if (const auto error = CheckPlan(project)) {
            result.error = *error;
            return result;
        }
        result.plan = std::move(project);
    } catch (const ProjectError& error) {
        result.error = error.message;
    }
    return result;
}

ProjectReadResult ReadProjectFile(const std::string& path)
{
    const JsonFileText file = ReadJsonFileText(path, "a project file");
    if (!file.text) {
        ProjectReadResult result;
        result.error = file.error;
        return result;
    }
    ProjectReadResult read = ParseProject(*file.text);
    if (read.plan)
        ResolveMeshFiles(read.plan->obstacles, FolderOf(path));
    return read;
}

SaveResult WriteProjectFile(const std::string& path, const Plan& project)
{
    Plan written = project;
    RelateMeshFiles(written.obstacles, FolderOf(path));
    AtomicFile file(path);
    if (file.Open() && file.Write(ProjectText(written)))
        file.Commit();
    return file.Result();
}
