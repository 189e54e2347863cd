#include "classic/ClassicState.h"

#include "cameras/CameraSet.h"
#include "classic/ClassicParameters.h"
#include "coverage/CoverageController.h"
#include "scene/SceneSettings.h"

CoverageInput ClassicCoverageInput()
{
    CoverageInput input;
    const SceneSettings* settings = GetSceneSettings();
    const CCameraSet* cameras = CCameraSet::Current();
    if (settings) {
        input.roomLength = settings->GetRoomLength();
        input.roomWidth = settings->GetRoomWidth();
        input.roomHeight = settings->GetRoomHeight();
        input.firstCamera = settings->GetFirstCamera();
        input.endCamera = settings->GetEndCamera();
        if (cameras && cameras->IsAllocated())
            input.cameraCount = settings->GetCameraCount();
    } else {
        // No room to cover: the grid is refused.
        input.roomLength = input.roomWidth = input.roomHeight = 0.0f;
    }
    input.voxelSizeCm = g_fVoxelSizeCm;
    input.filters = ClassicFilters();
    input.planning = GetPlanningSettings();
    if (cameras)
        input.cameras = *cameras;
    return input;
}

CoverageFilters ClassicFilters()
{
    CoverageFilters filters;
    filters.isoThreshold = g_nIsoThreshold;
    filters.isoOperator = g_nIsoOperator;
    filters.resOperator1 = g_nResOperator1;
    filters.resBound1 = g_fResBound1;
    filters.resOperator2 = g_nResOperator2;
    filters.resBound2 = g_fResBound2;
    if (const SceneSettings* settings = GetSceneSettings())
        filters.displayCeiling = settings->GetDisplayCeiling();
    return filters;
}

uint32_t ClassicRigCameraCount()
{
    const SceneSettings* settings = GetSceneSettings();
    const CCameraSet* cameras = CCameraSet::Current();
    if (!settings || !cameras || !cameras->IsAllocated())
        return 0;
    return settings->GetCameraCount();
}

CoverageSource ClassicCoverageSource()
{
    return {ClassicCoverageInput, [](const CCameraSet& computed) {
                if (CCameraSet* cameras = CCameraSet::Current())
                    cameras->TakeDerivedValues(computed);
            }};
}
