#pragma once

#include "coverage/CoverageController.h"
#include "coverage/CoverageVolume.h"
#include "coverage/PlanningMeasures.h"
#include "coverage/QualityDisplay.h"
#include "render/ClassicStyle.h"
#include "render/ViewNavigation.h"
#include "render/ViewStyle.h"
#include "render/ViewStyleControl.h"
#include "render/planner/PlannerStyle.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CRoomModel;
class ComputationFlags;
class CCameraSet;
struct Plan;
class CAxesDrawer;
class SceneSettings;
class CCameraGlyphs;
class CVolumeListQueue;
class CVolumeLists;
class CQualityLists;
class CCoverageDifference;
class CDifferenceLists;
class CObstacleDrawer;
class CObstacleSet;
class CPlacementDrawer;
struct PlacementPreview;

// Turns the program's state into one OpenGL frame. The coverage it draws,
// and the computations that keep it up to date, are a CCoverageController's:
// a frame runs its stages and rebuilds the display lists when its results
// change. Each view style (CClassicStyle, CPlannerStyle) keeps its own view
// state and answers the input while it is shown; the renderer routes to it
// and keeps the navigation both share. The navigation and
// view-state operations are plain arithmetic and need no GL context;
// InitGL, Render, Resize and DrawWaitingMessage need a current
// compatibility-profile context.
class CSceneRenderer
{
  public:
    // With a controller of its own; InitGL makes the shared scene (settings,
    // camera set, colours) and the renderer ends it.
    CSceneRenderer();
    // Draws what `controller` holds; the shared scene is the caller's, and
    // both outlive the renderer.
    explicit CSceneRenderer(CCoverageController& controller);
    // The same, serving the computations `flags` ask for (a plan document's)
    // rather than the shared scene's; `flags` outlive the renderer too.
    CSceneRenderer(CCoverageController& controller, ComputationFlags& flags);
    ~CSceneRenderer();
    CSceneRenderer(const CSceneRenderer&) = delete;
    CSceneRenderer& operator=(const CSceneRenderer&) = delete;

    // GL state, the font, the room corners; the shared scene when the renderer has its own controller.
    void InitGL();
    // Deletes the font and the volume's display lists; call it while the
    // context InitGL ran in is still current, before that context goes.
    void ReleaseGL();
    // Runs the pending computations the flags ask for, then draws the frame.
    void Render();
    // The view's size in pixels; the planner frame fills it, the classic one keeps its 1000 x 725 layout.
    void Resize(int width, int height);
    int GetViewWidth() const { return m_planner.GetViewWidth(); }
    int GetViewHeight() const { return m_planner.GetViewHeight(); }
    // The waiting text at the status strip's lower edge, drawn over the last
    // frame (the caller swaps buffers afterwards).
    void DrawWaitingMessage();
    // A message the last computation left for the user ("Not Enough Memory
    // Pool"), taken once; the caller shows it in a box captioned "Fatal Error".
    std::optional<std::string> TakeComputationMessage() { return m_controller.TakeMessage(); }
    // The second line of that message: why, and what would do.
    const std::string& GetComputationReason() const { return m_controller.GetReason(); }
    // Whether the last coverage computation was refused its grid (the
    // coverage shown stays that of the run before), taken once.
    bool TakeCoverageRefusal() { return m_controller.TakeCoverageRefusal(); }
    // The computation requests (SceneSettings::GetComputationRequests) the
    // last coverage computation whose end was taken had started from.
    uint64_t GetLastTakenRequests() const { return m_controller.GetLastTakenRequests(); }
    // A coverage computation was cancelled since the coverage shown was
    // computed: the picture and figures are of an earlier rig, until the
    // next computation is in.
    bool AreResultsStale() const { return m_controller.AreResultsStale(); }
    // Why the resolution map shows nothing; empty while it shows voxels.
    const std::string& GetMapDiagnosis() const { return m_controller.GetMapDiagnosis(); }

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
    // The camera (from 0) the map was last asked for.
    int GetMapCamera() const { return m_controller.GetMapCamera(); }
    // The camera (from 0) the Planner view rings in yellow; -1, the start value, for none.
    void SetHighlightedCamera(int camera) { m_planner.SetHighlightedCamera(camera); }
    int GetHighlightedCamera() const { return m_planner.GetHighlightedCamera(); }
    void SetScaleDivisions(int n);
    void GoHome();
    void SetHome();
    void ResetHome();
    int GetLayerTotal() const;
    void SetShownLayers(int n);
    int GetShownLayers() const;

    // Drawing style; Classic is the default. Switching keeps the data and
    // each style's own view state.
    void SetViewStyle(ViewStyle style);
    ViewStyle GetViewStyle() const { return m_eViewStyle; }
    // Planner: the eye distance and the orthographic window chosen so the
    // whole room with its cameras fills the view with a margin. Classic: nothing.
    void FitRoom();
    // Planner: zoom towards the cursor (client pixels, y down; angleDelta in
    // eighths of a degree, 120 a notch). Classic has no wheel zoom.
    void OnWheel(int x, int y, int angleDelta);
    // Planner: one of the fixed views, fitted to the room; the perspective's
    // own field of view again.
    void SetPlannerPreset(PlannerPreset preset);
    // Planner: the eye at a camera looking along its optical axis, with its
    // vertical field of view (its spin aside); false, and nothing changes,
    // for a camera out of the rig or without a field of view yet.
    bool LookThroughCamera(int camera);
    // Planner: the cameras drawn with their pyramids; All at start.
    void SetPyramidShow(PyramidShow show) { m_planner.SetPyramidShow(show); }
    PyramidShow GetPyramidShow() const { return m_planner.GetPyramidShow(); }
    // The unit of the planner's rulers. A room the frame converts from feet
    // sets it to feet, a new room in metres back to metres; a caller that
    // converted the room itself says which it was.
    void SetRulerUnit(LengthUnit unit) { m_planner.SetRulerUnit(unit); }
    LengthUnit GetRulerUnit() const { return m_planner.GetRulerUnit(); }
    const CPlannerProjection& GetPlannerProjection() const { return m_planner.GetProjection(); }
    // The camera (from 0) the window has selected: the Planner view marks
    // the floor point it aims at, a target to drag; -1, the start value, for none.
    void SetSelectedCamera(int camera) { m_planner.SetSelectedCamera(camera); }
    int GetSelectedCamera() const { return m_planner.GetSelectedCamera(); }
    // Planner: a left press at a client pixel (y down) on a camera's glyph or
    // on the selected camera's target starts dragging it; true when it did
    // (the press then neither turns nor pans).
    bool BeginPlannerDrag(int x, int y);
    void PlannerDragTo(int x, int y) { m_planner.DragTo(x, y); }
    bool IsPlannerDragging() const { return m_planner.IsDragging(); }
    // The drag's end: the cameras are back as before it, and what it made
    // is handed over to become a step of the plan; none when it moved nothing.
    std::optional<PlannerDragResult> EndPlannerDrag() { return m_planner.EndDrag(); }
    // Where the drag has its camera now; none without a drag.
    std::optional<PlannerDragResult> GetPlannerDrag() const { return m_planner.GetDrag(); }
    // The steps a drag snaps to: along the surface in metres, the aim in
    // degrees (0: the aim as the pointer has it).
    void SetPlannerDragSnap(double metres, float degrees) { m_planner.SetDragSnap(metres, degrees); }
    // Planner, Quality display: the voxel under a client pixel (y down), the
    // first along the line of sight that the display draws; none elsewhere.
    std::optional<size_t> PickQualityVoxel(int x, int y) const;
    // The selected camera's target in the scene frame (Planner view).
    Vec3d GetPlannerTarget() const { return m_planner.GetTarget(); }
    // The camera numbers and ruler values the last planner frame wrote, and its status strip.
    const std::vector<LabelPlacement>& GetPlannerLabels() const { return m_planner.GetLabels(); }
    const std::vector<std::string>& GetPlannerStatus() const { return m_planner.GetStatusLines(); }

    // The plan into the shared scene the frames draw (the defined point where
    // a plan enters the process-wide state): room and its corners, rig,
    // range, criteria, planning settings, scales; the next Render computes it.
    // The plan must have passed CheckPlan.
    void LoadPlan(const Plan& plan);
    // The plan into the shared scene as LoadPlan writes it, without asking
    // for a computation; the rig drawn takes its frustum edges at once from
    // the derivation a computation runs, so its pyramids follow every edit.
    void ShowPlan(const Plan& plan);
    // The twelve calibration matrices of another set into the shared scene's
    // rig, for the test mode.
    void LoadCalibration(const CCameraSet& from);
    // The input the coverage shown was computed from: the values in force.
    const CoverageInput& GetComputedInput() const { return m_controller.GetComputedInput(); }
    // The display switches of the shared scene: the camera-count layers, the
    // selective-cameras volume, the calibration's test mode, the legend.
    void SetDisplaySwitches(bool view2d, bool selective, bool testMode);
    bool IsLegendShown() const;
    void SetLegendShown(bool shown);
    void SetRoomShown(bool shown);
    // The scene's drawing scale along x, y and z.
    std::array<float, 3> GetSceneScale() const;
    void SetSceneScale(const std::array<float, 3>& scale);

    // Read-only view state, and direct setters for the command line.
    ViewPose GetView() const { return m_navigation.Pose(); }
    ViewPose GetHomeView() const { return m_navigation.Home(); }
    void SetView(const ViewPose& view) { m_navigation.Pose() = view; }
    void SetScaleRows(bool x, bool y, bool z) { m_classic.SetScaleRows(x, y, z); }
    bool IsLeftButtonDown() const { return m_navigation.leftButton; }
    bool IsRightButtonDown() const { return m_navigation.rightButton; }
    bool IsShiftDown() const { return m_navigation.shiftKey; }
    bool IsPerspective() const { return m_navigation.IsPerspective(); }
    bool IsSeeThrough() const { return m_bSeeThrough; }
    bool IsResolutionMapDirty() const { return m_controller.IsResolutionMapDirty(); }
    unsigned GetScaleDivisions() const;
    const CCoverageVolume& GetVolume() const { return m_controller.GetVolume(); }
    const CVolumeLists& GetVolumeLists() const { return *m_lists; }
    const CRoomModel& GetRoom() const { return *m_room; }

    // Planning: every computation is followed by the planning measures, and
    // the camera glyphs show each enabled camera's reach.
    void SetPlanningEnabled(bool on) { m_controller.SetPlanningEnabled(on); }
    bool IsPlanningEnabled() const { return m_controller.IsPlanningEnabled(); }
    // The Quality display replaces the volume display (and computes the
    // planning measures when they are missing).
    void SetQualityDisplay(bool on) { m_controller.SetQualityDisplay(on); }
    bool IsQualityDisplay() const { return m_controller.IsQualityDisplay(); }
    void SetQualityMeasure(PlanningMeasure measure);
    PlanningMeasure GetQualityMeasure() const { return m_eQualityMeasure; }
    void SetQualityThreshold(std::optional<QualityThreshold> threshold);
    std::optional<QualityThreshold> GetQualityThreshold() const { return m_qualityThreshold; }
    // The Difference display of the plan against its rig as built replaces the
    // volume display while one is set (computed on the grid the renderer
    // computes); null for none.
    void SetDifference(std::shared_ptr<const CCoverageDifference> difference);
    const std::shared_ptr<const CCoverageDifference>& GetDifference() const { return m_difference; }
    // The next Render computes the planning measures again from the coverage
    // it has (after a change of the planning settings or a camera's type).
    void RequestPlanningUpdate() { m_controller.RequestPlanningUpdate(); }
    const CPlanningMeasures& GetPlanning() const { return m_controller.GetPlanning(); }
    const CQualityLists& GetQualityLists() const { return *m_quality; }
    // What blocks the cameras' view, drawn from the next frame and computed
    // with at the next recalculation; null for none.
    void SetObstacles(std::shared_ptr<const CObstacleSet> obstacles);
    // Cameras an auto-placement proposes and its target, drawn over the plan
    // from the next frame; null for none. Never computed with.
    void SetPlacementPreview(std::shared_ptr<const PlacementPreview> preview);
    const std::shared_ptr<const PlacementPreview>& GetPlacementPreview() const;
    // Asked at every recalculation for the obstacles to compute and draw with.
    void SetObstacleSource(std::function<std::shared_ptr<const CObstacleSet>()> source)
    {
        m_controller.SetObstacleSource(std::move(source));
    }
    // Whether the last Render ran a computation (coverage or planning); in
    // the background, whether it took the results of one.
    bool LastRenderComputed() const { return m_controller.LastFrameComputed(); }

    // The window computes in the background: Render starts the pending
    // computations on a thread of their own, in their usual order, and draws
    // the last results with the waiting text until the new ones are in; the
    // flags that asked for them are cleared then. Without it (the command
    // line) Render computes before it draws.
    void SetBackgroundComputation(bool on) { m_controller.SetBackground(on); }
    // A computation runs, or the display lists of its results are still being compiled.
    bool IsComputing() const { return m_controller.IsRunning() || IsCompilingLists(); }
    // Display lists of new results are left to compile: the caller renders
    // again soon, each Render compiles some more.
    bool IsCompilingLists() const;
    // Compiles some more of them, about a frame's worth; needs the context
    // current, not a frame: a frame of a large volume costs more than its lists.
    void CompileQueuedLists();
    // Share done of the running computation, 0..1.
    double GetComputationProgress() const;
    // Whether the running computation has ended: the next Render takes its results.
    bool IsComputationFinished() const { return m_controller.IsFinished(); }
    // Whether a computation runs that Cancel can stop (its lists compiling cannot).
    bool IsCancellable() const { return m_controller.IsRunning(); }
    // Stops the running computation; the next Render keeps the results and
    // the picture there were before it.
    void CancelComputation() { m_controller.Cancel(); }

  private:
    CSceneRenderer(std::unique_ptr<CCoverageController> own, CCoverageController* given, ComputationFlags* flags);
    // The flags the frames serve: those given, or the shared scene's (null before it is made).
    ComputationFlags* Flags() const;
    CViewStyleControl& ActiveStyle();
    // The volume lists follow the controller's volume and map: dropped when
    // either changed, then those of the display shown compiled (or queued).
    void FollowVolume();
    void CompileLists();
    // The background's CompileLists: the lists of the display shown first,
    // then the others, compiled by CompileQueuedLists a share at a time.
    void QueueLists();
    // The Quality lists when that display is shown and they are stale.
    void UpdateQualityLists();

    std::unique_ptr<CCoverageController> m_ownController;
    CCoverageController& m_controller;
    ComputationFlags* m_pFlags = nullptr;
    // The controller's volume and map generations the volume lists were made for.
    uint64_t m_nListedVolume = 0;
    uint64_t m_nListedMap = 0;
    CViewNavigation m_navigation;
    CClassicStyle m_classic{m_navigation};
    CPlannerStyle m_planner{m_navigation};
    ViewStyle m_eViewStyle = ViewStyle::Classic;
    bool m_bSeeThrough = false;
    std::unique_ptr<CRoomModel> m_room;
    std::unique_ptr<CAxesDrawer> m_axes;
    std::unique_ptr<CCameraGlyphs> m_glyphs;
    std::unique_ptr<CVolumeLists> m_lists;
    std::unique_ptr<CVolumeListQueue> m_listQueue;
    std::unique_ptr<CQualityLists> m_quality;
    std::unique_ptr<CDifferenceLists> m_differenceLists;
    std::shared_ptr<const CCoverageDifference> m_difference;
    // The result generation the difference lists were built for.
    std::optional<uint64_t> m_differenceListsGeneration;
    std::unique_ptr<CObstacleDrawer> m_obstacles;
    std::unique_ptr<CPlacementDrawer> m_placement;
    PlanningMeasure m_eQualityMeasure = PlanningMeasure::Cameras;
    std::optional<QualityThreshold> m_qualityThreshold;
    // A change of measure or threshold; the Quality lists are also stale
    // when the volume or the planning measures moved on since they were built.
    bool m_bQualityListsStale = true;
    uint64_t m_nQualityVolume = 0;
    uint64_t m_nQualityPlanning = 0;
    // InitGL made the shared scene, which the renderer then ends; its GL objects are not yet released.
    bool m_bOwnsScene = false;
    bool m_bGLLive = false;
};
