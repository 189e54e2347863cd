#pragma once

#include "render/ViewNavigation.h"
#include "render/ViewStyle.h"
#include "render/ViewStyleControl.h"
#include "render/planner/PlannerDrag.h"
#include "render/planner/PlannerProjection.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class CCoverageVolume;

// The planner's picture: a projection of the view's true aspect with the
// room fitted into it, calm turns that keep the eye above the floor, wheel
// zoom towards the cursor, cameras and targets dragged, the fixed views and
// the view through a camera; camera numbers, rulers, legend and status
// keyed so that none covers another. It fills the view at any size.
class CPlannerStyle : public CViewStyleControl
{
  public:
    explicit CPlannerStyle(CViewNavigation& navigation) : m_navigation(navigation) {}

    // A press with Shift held starts a pan.
    void OnButtonDown(unsigned keyStateFlags) override;
    void OnLeftButtonUp() override { m_bShiftDrag = false; }
    void OnMouseMove(int x, int y) override;
    // The arrow keys move the view by a share of its size.
    bool OnKeyDown(unsigned key) override;
    void OnWheel(int x, int y, int angleDelta) override;
    void ZoomIn() override;
    void ZoomOut() override;
    // The eye distance and the orthographic window chosen so the whole room
    // with its cameras fills the view with a margin.
    void FitRoom() override;
    void Draw(const ViewFrame& frame) override;

    // The view's size in pixels; a new size fits the room again at the next frame.
    void SetViewSize(int width, int height);
    int GetViewWidth() const { return m_nViewWidth; }
    int GetViewHeight() const { return m_nViewHeight; }
    // A switch of style ends a pan begun with Shift.
    void EndShiftDrag() { m_bShiftDrag = false; }

    void SetPreset(PlannerPreset preset);
    // False, and nothing changes, for a camera out of the rig or without a field of view yet.
    bool LookThroughCamera(int camera);
    void SetPyramidShow(PyramidShow show) { m_ePyramids = show; }
    PyramidShow GetPyramidShow() const { return m_ePyramids; }
    // The unit of the rulers, noted for the room's dimensions as they are.
    void SetRulerUnit(LengthUnit unit);
    LengthUnit GetRulerUnit() const { return m_eRulerUnit; }
    // A room the frame converts from feet sets the rulers to feet, a new room in metres back to metres.
    void NoteEntryUnit(const SceneSettings& settings);
    const CPlannerProjection& GetProjection() const { return m_view; }
    void SetSelectedCamera(int camera) { m_nSelectedCamera = camera; }
    int GetSelectedCamera() const { return m_nSelectedCamera; }
    void SetHighlightedCamera(int camera) { m_nHighlightedCamera = camera; }
    int GetHighlightedCamera() const { return m_nHighlightedCamera; }

    bool BeginDrag(int x, int y);
    void DragTo(int x, int y);
    bool IsDragging() const { return m_drag.IsActive(); }
    std::optional<PlannerDragResult> EndDrag();
    std::optional<PlannerDragResult> GetDrag() const;
    void SetDragSnap(double metres, float degrees) { m_drag.SetSnap(metres, degrees); }
    // The line of sight through a client pixel (y down) in the scene frame,
    // as the last frame projected it: a point and the direction away from the eye.
    std::array<Vec3d, 2> PixelRay(int x, int y) const;
    // The selected camera's target in the scene frame.
    Vec3d GetTarget() const;
    // The camera numbers and ruler values the last frame wrote.
    const std::vector<LabelPlacement>& GetLabels() const { return m_aLabels; }
    // The status strip's lines the last frame wrote.
    const std::vector<std::string>& GetStatusLines() const { return m_aStatusLines; }

  private:
    void UpdatePose();
    // A turn by a mouse motion (pixels right and up): calmer than the
    // classic degree a pixel, and never with the eye below the floor.
    void Turn(int dx, int up);
    std::vector<Vec3d> FitPoints() const;
    std::array<float, 6> RoomKey() const;
    // Client pixels from the view's top to the middle of the scene.
    int SceneMiddleY() const;
    // Voxels the shown display draws, counted once per change of what it shows.
    uint64_t CountDrawnVoxels(const ViewFrame& frame);

    CViewNavigation& m_navigation;
    CPlannerProjection m_view;
    // The room (and scale factors) the view was last fitted to.
    std::array<float, 6> m_aFittedRoom{};
    int m_nViewWidth = kViewWidth;
    int m_nViewHeight = kViewHeight;
    LengthUnit m_eRulerUnit = LengthUnit::Metres;
    // The room dimensions the ruler unit was last decided for.
    std::array<float, 3> m_aUnitRoom{};
    // A drag that started with Shift held pans.
    bool m_bShiftDrag = false;
    std::vector<LabelPlacement> m_aLabels;
    std::vector<std::string> m_aStatusLines;
    std::vector<double> m_aDrawnCountKey;
    uint64_t m_nDrawnCount = 0;
    int m_nHighlightedCamera = -1;
    int m_nSelectedCamera = -1;
    CPlannerDrag m_drag;
    PyramidShow m_ePyramids = PyramidShow::All;
};
