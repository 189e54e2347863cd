#include "classic/ClassicParameters.h"

#include "scene/SceneSettings.h"

namespace
{
constexpr float kStartVoxelSizeCm = 20.0f;
constexpr unsigned kStartIsoThreshold = 1;
constexpr unsigned kStartIsoOperator = 2;  // "=="
constexpr unsigned kStartResOperator1 = 3; // ">="
constexpr float kStartResBound1 = 0.7f;
constexpr unsigned kStartResOperator2 = 1; // "<="
constexpr float kStartResBound2 = 0.8f;
} // namespace

float g_fVoxelSizeCm = kStartVoxelSizeCm;
float g_fVoxelPointSize = 4.0f;
unsigned g_nIsoThreshold = kStartIsoThreshold;
unsigned g_nIsoOperator = kStartIsoOperator;
unsigned g_nResOperator1 = kStartResOperator1;
float g_fResBound1 = kStartResBound1;
unsigned g_nResOperator2 = kStartResOperator2;
float g_fResBound2 = kStartResBound2;

void ResetCoverageParameters()
{
    g_fVoxelSizeCm = kStartVoxelSizeCm;
    g_nIsoThreshold = kStartIsoThreshold;
    g_nIsoOperator = kStartIsoOperator;
    g_nResOperator1 = kStartResOperator1;
    g_fResBound1 = kStartResBound1;
    g_nResOperator2 = kStartResOperator2;
    g_fResBound2 = kStartResBound2;
    ResetPlanningSettings();
}

float GetVoxelSize()
{
    return g_fVoxelSizeCm;
}
// Any value is stored; BuildGrid refuses the ones that give no grid.
void SetVoxelSize(float centimetres)
{
    g_fVoxelSizeCm = centimetres;
}

unsigned GetIsoThreshold()
{
    return g_nIsoThreshold;
}

bool SetIsoThreshold(unsigned n)
{
    // Without scene settings there is no camera range to hold the threshold to.
    const SceneSettings* settings = GetSceneSettings();
    if (settings && n > settings->GetEndCamera()) {
        g_nIsoThreshold = settings->GetEndCamera();
        return false;
    }
    g_nIsoThreshold = n;
    return true;
}

unsigned GetIsoOperator()
{
    return g_nIsoOperator;
}

void SetIsoOperator(unsigned k)
{
    if (k < static_cast<unsigned>(kComparisonOpCount))
        g_nIsoOperator = k;
}

unsigned GetResOperator1()
{
    return g_nResOperator1;
}
void SetResOperator1(unsigned k)
{
    g_nResOperator1 = k;
}
unsigned GetResOperator2()
{
    return g_nResOperator2;
}
void SetResOperator2(unsigned k)
{
    g_nResOperator2 = k;
}
float GetResBound1()
{
    return g_fResBound1;
}
void SetResBound1(float b)
{
    g_fResBound1 = b;
}
float GetResBound2()
{
    return g_fResBound2;
}
void SetResBound2(float b)
{
    g_fResBound2 = b;
}

namespace
{
PlanningSettings g_planningSettings;
} // namespace

const PlanningSettings& GetPlanningSettings()
{
    return g_planningSettings;
}

bool SetPlanningSettings(const PlanningSettings& settings)
{
    if (CheckPlanningSettings(settings))
        return false;
    g_planningSettings = settings;
    return true;
}

void ResetPlanningSettings()
{
    g_planningSettings = PlanningSettings{};
}
