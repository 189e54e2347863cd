#include "project/ProjectWindowState.h"

#include "coverage/CoverageVolume.h"

#include <cmath>

namespace
{

struct WindowStateError {
    std::string message;
};

[[noreturn]] void Refuse(const std::string& key, const std::string& reason)
{
    throw WindowStateError{"view." + key + ": " + reason};
}

struct DisplayKey {
    WindowDisplay display;
    const char* key;
};
constexpr DisplayKey kDisplayKeys[] = {{WindowDisplay::ResolutionMap, "resolution_map"},
                                       {WindowDisplay::CameraCount2D, "camera_count_2d"},
                                       {WindowDisplay::SelectiveCameras, "selective_cameras"},
                                       {WindowDisplay::Quality, "quality"}};
constexpr const char* kWindowKeys[] = {"display", "quality_measure", "quality_threshold", "pose", "planning_panel"};

float Float(const Json& value, const std::string& key)
{
    if (!value.is_number() || !std::isfinite(value.get<double>()) ||
        !std::isfinite(static_cast<float>(value.get<double>())))
        Refuse(key, "must be a number that fits single precision");
    return static_cast<float>(value.get<double>());
}

const Json& Member(const Json& object, const std::string& path, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end())
        Refuse(path + "." + key, "missing");
    return *it;
}

std::optional<QualityThreshold> ReadThreshold(const Json& value)
{
    if (value.is_null())
        return std::nullopt;
    if (!value.is_object())
        Refuse("quality_threshold", "must be null or an object");
    const Json& op = Member(value, "quality_threshold", "op");
    for (unsigned n = 0; n < static_cast<unsigned>(kComparisonOpCount); ++n)
        if (op.is_string() && op.get<std::string>() == ComparisonOpText(n))
            return QualityThreshold{n, Float(Member(value, "quality_threshold", "value"), "quality_threshold.value")};
    Refuse("quality_threshold.op", "must be one of < <= == >= > !=");
}

void ReadPose(const Json& value, ProjectWindowState& state)
{
    if (!value.is_object())
        Refuse("pose", "must be an object");
    state.yawDeg = Float(Member(value, "pose", "yaw_deg"), "pose.yaw_deg");
    state.pitchDeg = Float(Member(value, "pose", "pitch_deg"), "pose.pitch_deg");
    const Json& pan = Member(value, "pose", "pan");
    if (!pan.is_array() || pan.size() != 2)
        Refuse("pose.pan", "must be a list of 2 numbers");
    state.panX = Float(pan[0], "pose.pan");
    state.panY = Float(pan[1], "pose.pan");
    state.zoom = Float(Member(value, "pose", "zoom"), "pose.zoom");
}

ProjectWindowState ReadState(const Json& view)
{
    ProjectWindowState state;
    if (const auto it = view.find("display"); it != view.end()) {
        bool known = false;
        for (const DisplayKey& entry : kDisplayKeys)
            if (it->is_string() && it->get<std::string>() == entry.key) {
                state.display = entry.display;
                known = true;
            }
        if (!known)
            Refuse("display", "must be one of resolution_map camera_count_2d selective_cameras quality");
    }
    if (const auto it = view.find("quality_measure"); it != view.end()) {
        const std::optional<PlanningMeasure> measure =
            it->is_string() ? PlanningMeasureFromKey(it->get<std::string>()) : std::nullopt;
        if (!measure)
            Refuse("quality_measure", "must be one of cameras marker-px angle sigma");
        state.qualityMeasure = *measure;
    }
    if (const auto it = view.find("quality_threshold"); it != view.end())
        state.qualityThreshold = ReadThreshold(*it);
    if (const auto it = view.find("pose"); it != view.end())
        ReadPose(*it, state);
    if (const auto it = view.find("planning_panel"); it != view.end()) {
        if (!it->is_boolean())
            Refuse("planning_panel", "must be true or false");
        state.planningPanel = it->get<bool>();
    }
    return state;
}

} // namespace

ProjectWindowStateResult ReadProjectWindowState(const Json& view)
{
    ProjectWindowStateResult result;
    bool any = false;
    for (const char* key : kWindowKeys)
        any = any || view.contains(key);
    if (!any)
        return result;
    try {
        result.state = ReadState(view);
    } catch (const WindowStateError& error) {
        result.error = error.message;
    }
    return result;
}

void WriteProjectWindowState(const ProjectWindowState& state, Json& view)
{
    for (const DisplayKey& entry : kDisplayKeys)
        if (entry.display == state.display)
            view["display"] = entry.key;
    view["quality_measure"] = PlanningMeasureKey(state.qualityMeasure);
    if (state.qualityThreshold)
        view["quality_threshold"] = {{"op", ComparisonOpText(state.qualityThreshold->op)},
                                     {"value", FloatJson(state.qualityThreshold->value)}};
    else
        view["quality_threshold"] = nullptr;
    view["pose"] = {{"yaw_deg", FloatJson(state.yawDeg)},
                    {"pitch_deg", FloatJson(state.pitchDeg)},
                    {"pan", Json::array({FloatJson(state.panX), FloatJson(state.panY)})},
                    {"zoom", FloatJson(state.zoom)}};
    view["planning_panel"] = state.planningPanel;
}
