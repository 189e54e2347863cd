#pragma once

#include "coverage/QualityDisplay.h"

#include <memory>
#include <optional>

class CAxesDrawer;
class CCameraGlyphs;
class CCoverageController;
class CCoverageDifference;
class CDifferenceLists;
class CObstacleDrawer;
class CPlacementDrawer;
class CQualityLists;
class CRoomModel;
class CVolumeListQueue;
class DrawColor;
class SceneSettings;

// The frame is laid out for this window size.
inline constexpr int kViewWidth = 1000;
inline constexpr int kViewHeight = 725;

// What a view style draws a frame with: the scene settings, the results and
// the drawers and lists the renderer keeps for them, all brought up to date
// for this frame.
struct ViewFrame {
    const SceneSettings& settings;
    DrawColor& colors;
    const CCoverageController& results;
    CRoomModel& room;
    const CAxesDrawer& axes;
    const CCameraGlyphs& glyphs;
    const CObstacleDrawer& obstacles;
    const CPlacementDrawer& placement;
    CVolumeListQueue& volumeLists;
    // Missing volume lists are queued (the window), not compiled at once.
    bool queueLists;
    const CQualityLists& quality;
    PlanningMeasure qualityMeasure;
    std::optional<QualityThreshold> qualityThreshold;
    // The Difference display's lists, built for this volume; null without one.
    const CDifferenceLists* difference;
    bool seeThrough;
};

// A way of drawing the scene (the classic picture, the planner's) with its
// own view state and its own answer to the mouse, the keys and the wheel.
// Positions are client pixels, y down.
class CViewStyleControl
{
  public:
    virtual ~CViewStyleControl() = default;

    // A press, with the buttons and modifiers held (kButtonFlag*).
    virtual void OnButtonDown(unsigned keyStateFlags) = 0;
    virtual void OnLeftButtonUp() = 0;
    virtual void OnMouseMove(int x, int y) = 0;
    // True when the key was the style's to take.
    virtual bool OnKeyDown(unsigned key) = 0;
    // angleDelta in eighths of a degree, 120 a notch.
    virtual void OnWheel(int x, int y, int angleDelta) = 0;
    virtual void ZoomIn() = 0;
    virtual void ZoomOut() = 0;
    // The whole room in frame, where the style frames it.
    virtual void FitRoom() = 0;
    virtual void Draw(const ViewFrame& frame) = 0;
};
