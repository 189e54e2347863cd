#include "project/Plan.h"

#include "cameras/CameraTypes.h"

namespace
{

void DropLensOfOtherPixels(PlanCamera& camera, int pixelsX, int pixelsY)
{
    if (SensorPixelsX(camera) != pixelsX || SensorPixelsY(camera) != pixelsY)
        camera.lens.reset();
}

} // namespace

int SensorPixelsX(const PlanCamera& camera)
{
    return camera.cameraType == kCustomCameraType ? camera.pixelsX : CameraTypePixelsX(camera.cameraType);
}

int SensorPixelsY(const PlanCamera& camera)
{
    return camera.cameraType == kCustomCameraType ? camera.pixelsY : CameraTypePixelsY(camera.cameraType);
}

bool SetCameraType(PlanCamera& camera, int type)
{
    if (type < 0 || type >= kCameraTypeCount)
        return false;
    const int pixelsX = SensorPixelsX(camera), pixelsY = SensorPixelsY(camera);
    camera.cameraType = type;
    camera.pixelsX = camera.pixelsY = 0;
    DropLensOfOtherPixels(camera, pixelsX, pixelsY);
    return true;
}

bool SetCustomPixels(PlanCamera& camera, int pixelsX, int pixelsY)
{
    if (pixelsX < 1 || pixelsY < 1)
        return false;
    const int beforeX = SensorPixelsX(camera), beforeY = SensorPixelsY(camera);
    camera.cameraType = kCustomCameraType;
    camera.pixelsX = pixelsX;
    camera.pixelsY = pixelsY;
    DropLensOfOtherPixels(camera, beforeX, beforeY);
    return true;
}
