#include "cameras/CameraTypes.h"

namespace
{
bool Valid(int index)
{
    return index >= 0 && index < kCameraTypeCount;
}
} // namespace

std::string CameraTypeName(int index)
{
    return Valid(index) ? kCameraTypes[index].name : "Invalid Camera";
}
int CameraTypePixelsX(int index)
{
    return Valid(index) ? kCameraTypes[index].pixelsX : -1;
}
int CameraTypePixelsY(int index)
{
    return Valid(index) ? kCameraTypes[index].pixelsY : -1;
}
