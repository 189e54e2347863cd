#pragma once

#include "coverage/CoverageVolume.h"

#include <optional>
#include <string>

class CRoomModel;
class CAxesDrawer;
class CCameraGlyphs;
class CVolumeLists;

// Key codes the renderer understands (the view translates its toolkit's keys).
inline constexpr unsigned kKeyShift = 16;
inline constexpr unsigned kKeyEscape = 27;
inline constexpr unsigned kKeyLeft = 37;
inline constexpr unsigned kKeyUp = 38;
inline constexpr unsigned kKeyRight = 39;
inline constexpr unsigned kKeyDown = 40;
// Key-state flags of a button press.
inline constexpr unsigned kButtonFlagLeft = 0x1;
inline constexpr unsigned kButtonFlagRight = 0x2;
inline constexpr unsigned kButtonFlagShift = 0x4;
inline constexpr unsigned kButtonFlagControl = 0x8;
inline constexpr unsigned kButtonFlagMiddle = 0x10;

// The frame is laid out for this window size.
inline constexpr int kViewWidth = 1000;
inline constexpr int kViewHeight = 725;

inline constexpr const char* kWaitingMessage = "Performing Calculations. Please Wait...";

// Turns the program's state into one OpenGL frame and keeps the view state
// and its navigation. The navigation and view-state operations are plain
// arithmetic and need no GL context; InitGL, Render, Resize and
// DrawWaitingMessage need a current compatibility-profile context.
class CSceneRenderer {
public:
    CSceneRenderer();
    ~CSceneRenderer();
    CSceneRenderer(const CSceneRenderer&) = delete;
    CSceneRenderer& operator=(const CSceneRenderer&) = delete;

    // GL state, the font, the shared singletons, the room corners.
    void InitGL();
    // Runs the pending computations the flags ask for, then draws the frame.
    void Render();
    void Resize(int width, int height);
    // The waiting text at the status strip's lower edge, drawn over the last
    // frame (the caller swaps buffers afterwards).
    void DrawWaitingMessage();
    // A message the last computation left for the user ("Not Enough Memory
    // Pool"), taken once; the caller shows it in a box captioned "Fatal Error".
    std::optional<std::string> TakeComputationMessage();

    // Navigation.
    void OnButtonDown(unsigned keyStateFlags);
    void OnLeftButtonUp();
    void OnRightButtonUp();
    void OnMouseMove(int x, int y);
    // Returns true when the key asks the program to end (Escape).
    bool OnKeyDown(unsigned key);
    void OnKeyUp(unsigned key);

    // View commands.
    void ZoomIn();
    void ZoomOut();
    void SetPerspective();
    void SetOrthographic();
    void ToggleXScale();
    void ToggleYScale();
    void ToggleZScale();
    void ToggleSeeThrough();
    void ResetCameras();
    void ShowResolutionMap(int camera);
    void SetScaleDivisions(int n);
    void GoHome();
    void SetHome();
    void ResetHome();
    int GetLayerTotal() const;
    void SetShownLayers(int n);
    int GetShownLayers() const;
};
