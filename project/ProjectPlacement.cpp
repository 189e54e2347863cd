#include "project/ProjectPlacement.h"

#include <cmath>

namespace
{

struct PlacementError {
    std::string message;
};

[[noreturn]] void Refuse(const std::string& key, const std::string& reason)
{
    throw PlacementError{key + ": " + reason};
}

const Json* Find(const Json& object, const char* key)
{
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

const Json& Member(const Json& object, const std::string& path, const char* key)
{
    const Json* value = Find(object, key);
    if (!value)
        Refuse(path + "." + key, "missing");
    return *value;
}

double Number(const Json& value, const std::string& key)
{
    if (!value.is_number() || !std::isfinite(value.get<double>()))
        Refuse(key, "must be a number");
    return value.get<double>();
}

Vec3d Triple(const Json& object, const std::string& path, const char* key)
{
    const Json& value = Member(object, path, key);
    if (!value.is_array() || value.size() != 3 || !value[0].is_number() || !value[1].is_number() ||
        !value[2].is_number())
        Refuse(path + "." + key, "must be a list of 3 numbers");
    return {value[0].get<double>(), value[1].get<double>(), value[2].get<double>()};
}

std::string Name(const Json& object, const std::string& path)
{
    const Json* value = Find(object, "name");
    if (!value)
        return {};
    if (!value->is_string())
        Refuse(path + ".name", "must be a string");
    return value->get<std::string>();
}

// Refused before any entry is read: a list beyond the bound only costs memory.
const Json& List(const Json& object, const std::string& path, const char* key, size_t most)
{
    const Json& value = Member(object, path, key);
    if (!value.is_array())
        Refuse(path + "." + key, "must be a list");
    if (value.size() > most)
        Refuse(path + "." + key,
               "at most " + std::to_string(most) + " entries (" + std::to_string(value.size()) + " given)");
    return value;
}

const Json& Entry(const Json& list, size_t i, const std::string& path)
{
    if (!list[i].is_object())
        Refuse(path, "must be an object");
    return list[i];
}

MountSurfaces ReadMounts(const Json& value, const std::string& path)
{
    if (!value.is_object())
        Refuse(path, "must be an object");
    MountSurfaces mounts;
    if (Find(value, "walls")) {
        const Json& walls = List(value, path, "walls", kMaxMountEntries);
        mounts.walls = {false, false, false, false};
        for (size_t i = 0; i < walls.size(); ++i) {
            const std::optional<Wall> wall = walls[i].is_string() ? WallFromKey(walls[i]) : std::nullopt;
            if (!wall)
                Refuse(path + ".walls[" + std::to_string(i) + "]", "must be one of \"x0\" \"x1\" \"z0\" \"z1\"");
            mounts.walls[static_cast<size_t>(*wall)] = true;
        }
    }
    if (const Json* band = Find(value, "wall_band_m")) {
        if (!band->is_array() || band->size() != 2)
            Refuse(path + ".wall_band_m", "must be a list of 2 numbers");
        mounts.wallBand =
            std::array<double, 2>{Number((*band)[0], path + ".wall_band_m"), Number((*band)[1], path + ".wall_band_m")};
    }
    if (const Json* ceiling = Find(value, "ceiling")) {
        if (!ceiling->is_boolean())
            Refuse(path + ".ceiling", "must be true or false");
        mounts.ceiling = ceiling->get<bool>();
    }
    if (Find(value, "segments")) {
        const Json& list = List(value, path, "segments", kMaxMountEntries);
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string key = path + ".segments[" + std::to_string(i) + "]";
            const Json& entry = Entry(list, i, key);
            mounts.segments.push_back({Name(entry, key), Triple(entry, key, "a"), Triple(entry, key, "b")});
        }
    }
    if (Find(value, "points")) {
        const Json& list = List(value, path, "points", kMaxMountEntries);
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string key = path + ".points[" + std::to_string(i) + "]";
            const Json& entry = Entry(list, i, key);
            mounts.points.push_back({Name(entry, key), Triple(entry, key, "position")});
        }
    }
    if (Find(value, "keep_outs")) {
        const Json& list = List(value, path, "keep_outs", kMaxMountEntries);
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string key = path + ".keep_outs[" + std::to_string(i) + "]";
            const Json& entry = Entry(list, i, key);
            mounts.keepOuts.push_back({Name(entry, key), Triple(entry, key, "min"), Triple(entry, key, "max")});
        }
    }
    return mounts;
}

std::vector<TargetBox> ReadTarget(const Json& value, const std::string& path)
{
    if (!value.is_array())
        Refuse(path, "must be a list of boxes");
    // An empty list would place for the default target, which the file did not ask for.
    if (value.empty())
        Refuse(path, "the list is empty; leave the key out for the default target");
    if (const auto error = CheckTargetCount(value.size()))
        Refuse(path, *error);
    std::vector<TargetBox> boxes;
    for (size_t i = 0; i < value.size(); ++i) {
        const std::string key = path + "[" + std::to_string(i) + "]";
        const Json& entry = Entry(value, i, key);
        TargetBox box{Triple(entry, key, "min"), Triple(entry, key, "max"), 1.0};
        if (const Json* weight = Find(entry, "weight"))
            box.weight = Number(*weight, key + ".weight");
        boxes.push_back(box);
    }
    return boxes;
}

Json TripleJson(const Vec3d& v)
{
    return Json::array({DoubleJson(v.x), DoubleJson(v.y), DoubleJson(v.z)});
}

// Entry i of a list written over the kept entry, when that is an object.
Json Over(const Json& kept, const char* key, size_t i)
{
    const Json* list = kept.is_object() ? Find(kept, key) : nullptr;
    return list && list->is_array() && i < list->size() && (*list)[i].is_object() ? (*list)[i] : Json::object();
}

} // namespace

ProjectPlacementResult ReadProjectPlacement(const Json& value)
{
    ProjectPlacementResult result;
    try {
        if (!value.is_object())
            Refuse("placement", "must be an object");
        ProjectPlacement placement;
        if (const Json* mounts = Find(value, "mounts"))
            placement.mounts = ReadMounts(*mounts, "placement.mounts");
        if (const Json* target = Find(value, "target"))
            placement.target = ReadTarget(*target, "placement.target");
        result.placement = std::move(placement);
    } catch (const PlacementError& error) {
        result.error = error.message;
    }
    return result;
}

Json ProjectPlacementJson(const ProjectPlacement& placement, const Json& kept)
{
    Json json = kept.is_object() ? kept : Json::object();
    if (placement.mounts) {
        const MountSurfaces& m = *placement.mounts;
        const Json keptMounts = json.contains("mounts") && json["mounts"].is_object() ? json["mounts"] : Json::object();
        Json mounts = keptMounts;
        Json walls = Json::array();
        for (int w = 0; w < kWallCount; ++w) {
            if (m.walls[static_cast<size_t>(w)])
                walls.push_back(WallKey(static_cast<Wall>(w)));
        }
        mounts["walls"] = std::move(walls);
        if (m.wallBand)
            mounts["wall_band_m"] = Json::array({DoubleJson((*m.wallBand)[0]), DoubleJson((*m.wallBand)[1])});
        else
            mounts.erase("wall_band_m");
        mounts["ceiling"] = m.ceiling;
        auto named = [&](const char* key, size_t count, auto&& fill) {
            Json list = Json::array();
            for (size_t i = 0; i < count; ++i) {
                Json entry = Over(keptMounts, key, i);
                fill(i, entry);
                list.push_back(std::move(entry));
            }
            if (list.empty())
                mounts.erase(key);
            else
                mounts[key] = std::move(list);
        };
        named("segments", m.segments.size(), [&](size_t i, Json& entry) {
            entry["name"] = m.segments[i].name;
            entry["a"] = TripleJson(m.segments[i].a);
            entry["b"] = TripleJson(m.segments[i].b);
        });
        named("points", m.points.size(), [&](size_t i, Json& entry) {
            entry["name"] = m.points[i].name;
            entry["position"] = TripleJson(m.points[i].position);
        });
        named("keep_outs", m.keepOuts.size(), [&](size_t i, Json& entry) {
            entry["name"] = m.keepOuts[i].name;
            entry["min"] = TripleJson(m.keepOuts[i].min);
            entry["max"] = TripleJson(m.keepOuts[i].max);
        });
        json["mounts"] = std::move(mounts);
    } else {
        json.erase("mounts");
    }
    if (!placement.target.empty()) {
        Json target = Json::array();
        for (size_t i = 0; i < placement.target.size(); ++i) {
            Json entry = Over(json, "target", i);
            entry["min"] = TripleJson(placement.target[i].min);
            entry["max"] = TripleJson(placement.target[i].max);
            entry["weight"] = DoubleJson(placement.target[i].weight);
            target.push_back(std::move(entry));
        }
        json["target"] = std::move(target);
    } else {
        json.erase("target");
    }
    return json;
}
