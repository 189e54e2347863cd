#include "app/BoxTooltips.h"

#include "app/DialogLayout.h"
#include "app/VolumePlannerDlg.h"

namespace
{

struct BoxTip {
    int id;
    const char* tip;
};

const BoxTip kBoxTips[] = {
    {kIdCameraCount, "Number of cameras, 1 to 1000; Enter sets up a new rig of them"},
    {kIdUnits, "Unit of the room sides: M for metres, F for feet (converted with 0.3048 m)"},
    {kIdVoxelSize, "Edge of one voxel in centimetres; the room is cut into voxels of this size"},
    {kIdRoomLength, "Room length (along X) in the unit above; RENDER stores it"},
    {kIdRoomWidth, "Room width (along Z) in the unit above; RENDER stores it"},
    {kIdRoomHeight, "Room height (along Y, floor to ceiling) in the unit above; RENDER stores it"},
    {kIdScaleX, "Drawing scale of the X axis (1 = true size); not 0"},
    {kIdScaleY, "Drawing scale of the Y axis (1 = true size); not 0"},
    {kIdScaleZ, "Drawing scale of the Z axis (1 = true size); not 0"},
    {kIdCameraSelector, "The camera whose settings the boxes below show and Update Settings stores"},
    {kIdPositionX, "Camera X in metres from the room corner, along the room length"},
    {kIdPositionY, "Camera Y in metres above the floor"},
    {kIdPositionZ, "Camera Z in metres from the room corner, across the room width"},
    {kIdFocalLength, "Lens focal length in millimetres"},
    {kIdFrameWidth, "Film frame (sensor) width in millimetres"},
    {kIdFrameHeight, "Film frame (sensor) height in millimetres"},
    {kIdHTilt, "The pan: degrees about the vertical; 0 looks along +X (the room length), 90 along +Z (the width)"},
    {kIdVTilt, "The tilt: degrees below the horizontal; 0 looks level, 90 straight down"},
    {kIdSpin, "Degrees the camera turns about its own optical axis"},
    {kIdFStop, "The lens's f-number N (F/N), above 0"},
    {kIdCameraType, "Camera type: fills in its sensor pixels for the pixel calculator"},
    {kIdPixelsX, "Sensor pixels across the frame width (pixel calculator)"},
    {kIdPixelsY, "Sensor pixels across the frame height (pixel calculator)"},
    {kIdSensorLength, "A length on the sensor in millimetres: the pixels it covers appear beside it"},
    {kIdResultPixelsX, "Pixels across the frame width that the length covers"},
    {kIdResultPixelsY, "Pixels across the frame height that the length covers"},
    {kIdRangeCount, "How many cameras the volume is computed for"},
    {kIdRangeFirst, "The first of them, counted from camera 1"},
    {kIdIsoOperator, "Iso volume: voxels whose camera count compares so with the number beside"},
    {kIdIsoThreshold, "Number of cameras that must see a voxel for the iso volume"},
    {kIdResOperator1, "Resolution filter: how the resolution value compares with the first bound"},
    {kIdResBound1, "First bound of the resolution value (the program's own value, no unit)"},
    {kIdResOperator2, "Resolution filter: how the resolution value compares with the second bound"},
    {kIdResBound2, "Second bound of the resolution value (the program's own value, no unit)"},
};

} // namespace

void SetBoxTooltips(const CVolumePlannerDlg& dialog)
{
    for (const BoxTip& box : kBoxTips)
        if (QWidget* control = dialog.Control(box.id))
            control->setToolTip(box.tip);
}
