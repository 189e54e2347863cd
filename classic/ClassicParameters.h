#pragma once

#include "coverage/CoverageFilters.h"
#include "coverage/CoverageVolume.h"
#include "coverage/PlanningMeasures.h"

// The coverage parameters of the classic window: process-wide, set by its
// boxes and read by its frames. A computation reads the values of its
// CoverageInput instead; ClassicCoverageInput gathers them.

extern float g_fVoxelSizeCm; // voxel edge in centimetres, 20 at start
float GetVoxelSize();
void SetVoxelSize(float centimetres);

// Point size while a volume display is drawn (takes effect in see-through mode).
extern float g_fVoxelPointSize;

extern unsigned g_nIsoThreshold; // 1 at start
extern unsigned g_nIsoOperator;  // 2 ("==") at start
unsigned GetIsoThreshold();
// A threshold above the end of the active camera range is refused: the end is
// stored instead and false returned; the caller then shows
// kIsoThresholdClampedMessage with the caption "Warning".
bool SetIsoThreshold(unsigned n);
unsigned GetIsoOperator();
void SetIsoOperator(unsigned k); // k > 5 is ignored
// Whether a voxel seen by `count` cameras satisfies the iso condition as
// the window has it now (CoverageFilters::IsoHolds of its filters).
inline bool IsoConditionHolds(unsigned count)
{
    CoverageFilters filters;
    filters.isoThreshold = g_nIsoThreshold;
    filters.isoOperator = g_nIsoOperator;
    return filters.IsoHolds(count);
}

// Resolution filter: a range between two bounds, the first operator naming
// which bound comes first.
extern unsigned g_nResOperator1; // 3 (">=")
extern float g_fResBound1;       // 0.7
extern unsigned g_nResOperator2; // 1 ("<=")
extern float g_fResBound2;       // 0.8
unsigned GetResOperator1();
void SetResOperator1(unsigned k);
unsigned GetResOperator2();
void SetResOperator2(unsigned k);
float GetResBound1();
void SetResBound1(float b);
float GetResBound2();
void SetResBound2(float b);

// The planning settings the window edits.
const PlanningSettings& GetPlanningSettings();
// Refuses settings CheckPlanningSettings refuses (nothing changes then).
bool SetPlanningSettings(const PlanningSettings& settings);
// Back to the start values; ResetCoverageParameters calls it too.
void ResetPlanningSettings();

// Puts the voxel size, the iso condition, the resolution filter and the
// planning settings back to their start values, as a fresh program has them.
void ResetCoverageParameters();
