#include "classic/SharedScene.h"

#include "cameras/CameraSet.h"
#include "scene/DrawColor.h"
#include "scene/SceneSettings.h"

void PrepareSharedScene()
{
    CreateSceneSettings();
    CCameraSet::Instance();
    CreateDrawColor();
    SceneSettings* settings = GetSceneSettings();
    settings->ConvertToMetres();
    settings->SetDisplayCeiling(settings->GetRoomHeight() * 0.5f);
}

void EndSharedScene()
{
    DestroySceneSettings();
    CCameraSet::DestroyInstance();
    DestroyDrawColor();
}
