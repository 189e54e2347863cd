#pragma once

#include "coverage/PlanningMeasures.h"
#include "coverage/QualityDisplay.h"

#include <QImage>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CCameraSet;
class CCoverageDifference;
class CCoverageVolume;
class CObstacleSet;
class COffscreenContext;
class CSceneRenderer;
struct CoverageInput;
struct Plan;

// The volume display the pictures show, as the window or the render
// command choose it.
struct ReportDisplay {
    bool view2d = false;
    bool selective = false;
    bool quality = false;
    PlanningMeasure measure = PlanningMeasure::Cameras;
    std::optional<QualityThreshold> threshold;
    int resolutionCamera = 0; // 0-based
    bool testMode = false;    // coverage from the imported calibration
};

// How the display is named under a picture: "resolution map of camera 2",
// "Quality display: Expected 3D error (mm), only where <= 1".
std::string DisplayName(const ReportDisplay& display);

// A camera as the plan marks it: its number at its place and an arrow along
// its aim, user frame, metres.
struct PlanMark {
    uint32_t number = 0;
    double x = 0.0, z = 0.0;
    double aimX = 0.0, aimZ = 0.0; // unit length across the floor; 0, 0 for straight down
    bool counted = true;
    // What the mark reads: the number, or the numbers of every camera at
    // this place ("5-8") as the window's view groups them; empty for the number.
    std::string text;
};
struct CameraRow;
// The marks of the report's cameras: one per camera, those sharing a place
// reading "5-8", each with its own arrow.
std::vector<PlanMark> PlanMarks(const std::vector<CameraRow>& cameras);

// The offscreen renderer of the render command, kept for one report: it
// computes the coverage and the planning measures of a plan (the report's
// figures are read from them) and draws the pictures. The renderer owns the
// shared scene it draws from Compute on, so the figures must be read before
// this object goes.
class CReportScene
{
  public:
    CReportScene();
    ~CReportScene();
    CReportScene(const CReportScene&) = delete;
    CReportScene& operator=(const CReportScene&) = delete;

    // The context and the first frame, which computes the plan (in test mode
    // with the matrices of `calibration`) with the obstacles (null or empty for none) and draws them; the message for
    // the user on failure. The plan must have passed CheckPlan.
    std::optional<std::string> Compute(const Plan& plan, const CCameraSet& calibration, const ReportDisplay& display,
                                       std::shared_ptr<const CObstacleSet> obstacles = nullptr);
    const CCoverageVolume& Volume() const;
    // What the coverage was computed from.
    const CoverageInput& Input() const;
    const CPlanningMeasures& Planning() const;

    // The frame the window shows, from above at an angle with the whole room in sight.
    QImage DrawPerspective();
    // The room from straight above, orthographic, at one scale along both
    // axes, the lowest `shownLayers` layers drawn, with rulers along X
    // and Z, the cameras' numbers and aim arrows, and the legend beside the
    // room rather than over it.
    QImage DrawPlan(const std::vector<PlanMark>& marks, int shownLayers);
    // The Difference display of `difference` (computed on this grid) from
    // both sides, the perspective and the plan; the chosen display after.
    std::vector<QImage> DrawDifference(std::shared_ptr<const CCoverageDifference> difference);

  private:
    // The frame with its status strip left blank: the report's captions say what it shows.
    QImage Frame();
    QImage PlanFrame();
    // The legend inset of the chosen display alone; null when it has none.
    QImage Legend();

    std::unique_ptr<COffscreenContext> m_context;
    std::unique_ptr<CSceneRenderer> m_renderer;
    ReportDisplay m_display;
};
