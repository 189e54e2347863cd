#pragma once

#include <cstddef>

// The main dialog's controls: ids, kinds, captions and places in dialog units.

inline constexpr int kIdQuit = 2;
inline constexpr int kIdTruncate = 1003;
inline constexpr int kIdSelectCameraLabel = 1036;
inline constexpr int kIdTranslate = 1039;
inline constexpr int kIdCameraCount = 1041;
inline constexpr int kIdEnter = 1042;
inline constexpr int kIdUnits = 1043;
inline constexpr int kIdVoxelSize = 1044;
inline constexpr int kIdRoomLength = 1045;
inline constexpr int kIdRoomWidth = 1046;
inline constexpr int kIdRoomHeight = 1047;
inline constexpr int kIdScaleX = 1048;
inline constexpr int kIdScaleY = 1049;
inline constexpr int kIdScaleZ = 1050;
inline constexpr int kIdCameraSelector = 1051;
inline constexpr int kIdSeeThrough = 1052;
inline constexpr int kIdRender = 1053;
inline constexpr int kIdPositionX = 1055;
inline constexpr int kIdPositionY = 1056;
inline constexpr int kIdPositionZ = 1057;
inline constexpr int kIdFocalLength = 1058;
inline constexpr int kIdFrameWidth = 1059;
inline constexpr int kIdFrameHeight = 1060;
inline constexpr int kIdHTilt = 1063;
inline constexpr int kIdVTilt = 1064;
inline constexpr int kIdEnableCamera = 1065;
inline constexpr int kIdUpdateSettings = 1066;
inline constexpr int kIdPerspective = 1067;
inline constexpr int kIdDimensions = 1068;
inline constexpr int kIdToggleXScale = 1069;
inline constexpr int kIdToggleYScale = 1070;
inline constexpr int kIdToggleZScale = 1071;
inline constexpr int kIdHome = 1072;
inline constexpr int kIdViewRes = 1073;
inline constexpr int kIdLoadFile = 1074;
inline constexpr int kIdPixelsX = 1079;
inline constexpr int kIdPixelsY = 1080;
inline constexpr int kIdSensorLength = 1081;
inline constexpr int kIdResultPixelsX = 1082;
inline constexpr int kIdFStop = 1083;
inline constexpr int kIdOrthographic = 1085;
inline constexpr int kIdSpin = 1086;
inline constexpr int kIdCameraType = 1087;
inline constexpr int kIdRangeCount = 1088;
inline constexpr int kIdRangeFirst = 1089;
inline constexpr int kIdClick = 1090;
inline constexpr int kIdHFov = 1091;
inline constexpr int kIdVFov = 1092;
inline constexpr int kIdViewAllCams = 1094;
inline constexpr int kIdSetHome = 1095;
inline constexpr int kIdResetHome = 1096;
inline constexpr int kIdSaveFile = 1097;
inline constexpr int kIdIsoOperator = 1098;
inline constexpr int kIdIsoThreshold = 1099;
inline constexpr int kIdIsoVolume = 1100;
inline constexpr int kIdRoomOnOff = 1101;
inline constexpr int kId2D3DView = 1102;
inline constexpr int kIdResOperator1 = 1103;
inline constexpr int kIdResBound1 = 1104;
inline constexpr int kIdResOperator2 = 1105;
inline constexpr int kIdResBound2 = 1106;
inline constexpr int kIdResultPixelsY = 1107;
inline constexpr int kIdTest = 1108;
inline constexpr int kIdTestOnOff = 1109;
inline constexpr int kIdLegend = 1110;
inline constexpr int kIdSelectiveCams = 1111;

// Labels without an id.
inline constexpr int kIdNone = -1;

enum class ControlKind { PushButton, IconButton, Edit, ComboBox, CheckBox, Slider, UpDown, Label };

// What an icon button's picture shows.
enum class ButtonIcon {
    None,
    Window,
    Home,
    Perspective,
    Orthographic,
    SeeThrough,
    ResetHome,
    Render,
    LoadFile,
    SaveFile,
    SetHome,
    RoomOnOff,
    Legend
};

struct DialogControl {
    int id;
    ControlKind kind;
    const char* caption;
    int x, y, width, height; // dialog units
    ButtonIcon icon;
};

// Dialog size in dialog units.
inline constexpr int kDialogWidthDu = 834;
inline constexpr int kDialogHeightDu = 513;
// The view's place in pixels of the dialog's client area.
inline constexpr int kViewLeftPx = 7;
inline constexpr int kViewTopPx = 7;

// Dialog units to pixels as a dialog font of 6 x 13 pixel base units maps them.
int DuToPixelsX(int du);
int DuToPixelsY(int du);

extern const DialogControl kDialogControls[];
extern const size_t kDialogControlCount;
