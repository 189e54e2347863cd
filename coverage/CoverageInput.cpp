#include "coverage/CoverageInput.h"

#include "coverage/CoverageVolume.h"
#include "scene/SceneSettings.h"

CoverageInput CoverageInput::FromProcessState()
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
    input.filters = CoverageFilters::FromProcessState();
    input.planning = GetPlanningSettings();
    if (cameras)
        input.cameras = *cameras;
    return input;
}
