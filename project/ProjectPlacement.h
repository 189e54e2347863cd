#pragma once

#include "coverage/placement/PlacementSetup.h"
#include "project/JsonText.h"

#include <optional>
#include <string>
#include <vector>

// What a plan says about auto-placement: the mounts cameras may go on and
// the target volume, under the project file's "placement" key,
//   {"mounts": {"walls": ["x0", "z1"], "wall_band_m": [2, 3.8], "ceiling": true,
//               "segments": [{"name": N, "a": [X, Y, Z], "b": [X, Y, Z]}],
//               "points": [{"name": N, "position": [X, Y, Z]}],
//               "keep_outs": [{"name": N, "min": [X, Y, Z], "max": [X, Y, Z]}]},
//    "target": [{"min": [X, Y, Z], "max": [X, Y, Z], "weight": W}]}
// in metres in the user frame. Every key is optional; an absent list is empty,
// absent walls are all four, an absent band DefaultWallBand's, an absent
// ceiling one to mount on, an absent weight 1. An absent target is the
// default one; an empty one is refused, as are more than kMaxTargetBoxes
// boxes and more than kMaxMountEntries segments, points or keep-outs.
struct ProjectPlacement {
    std::optional<MountSurfaces> mounts;
    std::vector<TargetBox> target;
    bool empty() const { return !mounts && target.empty(); }
    friend bool operator==(const ProjectPlacement&, const ProjectPlacement&) = default;
};

// All or nothing; a refusal names the key ("placement.target[1].max: ...").
struct ProjectPlacementResult {
    std::optional<ProjectPlacement> placement;
    std::string error;
};
ProjectPlacementResult ReadProjectPlacement(const Json& value);
// The "placement" object, written over `kept` so keys another program added stay.
Json ProjectPlacementJson(const ProjectPlacement& placement, const Json& kept = Json::object());
