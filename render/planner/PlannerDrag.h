#pragma once

#include "cameras/CameraSet.h"
#include "coverage/placement/SurfaceSlide.h"
#include "render/planner/PlannerProjection.h"

#include <optional>

// What a drag in the planner view made of one camera, in the values a plan
// holds: its user-frame position and its aim.
struct PlannerDragResult {
    int camera = 0;
    Vec3d position;
    float hTilt = 0.0f;
    float vTilt = 0.0f;
};

// A camera picked by its glyph and slid on its wall or ceiling, or the aim
// target of the selected camera moved over the floor with the camera's aim
// following. While the drag lasts the camera set shows the camera where the
// pointer has it (and its field of view turned with it); the end puts the
// set back as it was and hands over the result, for the caller to make it a
// step of the plan.
class CPlannerDrag
{
  public:
    // Pixels beyond a glyph's drawn radius that still pick it.
    static constexpr double kPickSlack = 6.0;
    static constexpr double kTargetPickRadius = 10.0;

    // Starts at a viewport pixel (origin bottom left) on the glyph of a camera
    // in [first, end) or on `aimCamera`'s target (-1 for none); `sphere` is the
    // glyphs' radius in scene units. False, and nothing changes, elsewhere.
    bool Begin(const CPlannerProjection& view, CCameraSet& cameras, int first, int end, int aimCamera, double sphere,
               const RoomSize& room, double px, double py);
    void Move(const CPlannerProjection& view, CCameraSet& cameras, double px, double py);
    // None when the drag moved nothing.
    std::optional<PlannerDragResult> End(CCameraSet& cameras);
    // The camera where the drag has it now; none without a drag.
    std::optional<PlannerDragResult> Current(const CCameraSet& cameras) const;
    // The steps positions snap to along the surface (metres) and aims to
    // (degrees; 0 leaves the aim as the pointer has it).
    void SetSnap(double metres, float degrees);
    bool IsActive() const { return m_before.has_value(); }
    bool IsAiming() const { return IsActive() && m_bAiming; }

    // The target of a camera, in the scene frame: where the drag holds it, or
    // where the camera's axis meets the floor.
    Vec3d Target(const CCameraSet& cameras, int camera, const RoomSize& room) const;

  private:
    std::optional<CCameraSet> m_before;
    int m_nCamera = -1;
    bool m_bAiming = false;
    SlidePlane m_plane;
    RoomSize m_room;
    std::optional<Vec3d> m_target; // user frame
    double m_dSnapMetres = kSlideSnap;
    float m_fSnapDegrees = 0.0f;
};
