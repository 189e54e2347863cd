#pragma once

#include "coverage/CoverageFilters.h"
#include "coverage/CoverageInput.h"

#include <cstdint>

// Where the classic window's process-wide state (scene settings, camera set,
// coverage parameters, planning settings) is read as the values a
// computation takes. Nothing below the window reads that state; the window
// and the renderer that draws it ask here.

// The room, grid, range, filters, planning settings and a copy of the rig as
// the window holds them (no room without scene settings); no obstacles,
// which the caller adds.
CoverageInput ClassicCoverageInput();
// The window's iso condition, resolution filter and display ceiling (none
// without scene settings).
CoverageFilters ClassicFilters();
// The size of the window's rig as it is now; 0 without one.
uint32_t ClassicRigCameraCount();

struct CoverageSource;
// The window's state as what a coverage controller computes: its input as
// above, the derived values handed back to the window's rig.
CoverageSource ClassicCoverageSource();
