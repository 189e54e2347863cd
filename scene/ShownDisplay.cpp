#include "scene/ShownDisplay.h"

#include "scene/SceneSettings.h"

WindowDisplay ShownDisplay(const SceneSettings& settings, bool qualityDisplay)
{
    if (qualityDisplay)
        return WindowDisplay::Quality;
    if (settings.GetSelectiveCameras())
        return WindowDisplay::SelectiveCameras;
    return settings.Get2DView() ? WindowDisplay::CameraCount2D : WindowDisplay::ResolutionMap;
}
