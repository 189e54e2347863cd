#pragma once

#include "project/ProjectPlacement.h"

#include <optional>

// The plan's mounts and target for auto-placement, shared by the project
// commands and the Auto-Place window: as the opened project had them, and
// once the window changes them, its values. Until then a saved project
// writes its "placement" back as it was read, byte for byte.
struct PlanPlacement {
    ProjectPlacement opened;
    std::optional<ProjectPlacement> edited;

    const ProjectPlacement& Current() const { return edited ? *edited : opened; }
};
