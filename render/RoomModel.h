#pragma once

#include "render/SceneLight.h"
#include "scene/DrawColor.h"
#include "scene/RoomBox.h"

#include <array>

// One box of the room as drawn: its colour, centre and half extents, in the
// internal scene frame.
struct RoomPiece {
    ColorName color = ColorName::White;
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float hx = 0.0f, hy = 0.0f, hz = 0.0f;
};

// The room as drawn: a floor slab, a wider base slab and four corner posts,
// plus the scene light placed from the room's corners.
class CRoomModel : public CRoomBox
{
  public:
    // Thickness of the slabs and side of the posts, metres.
    static constexpr double kWallThickness = 0.05;

    // Floor slab, base slab, then the posts at the front-left (cyan),
    // front-right, back-left and back-right corners.
    std::array<RoomPiece, 6> Pieces() const;
    // The six boxes, lit; leaves the colour white.
    void Draw() const;
    // Sets up GL_LIGHT0 above the front top edge and enables lighting. The
    // position is taken under the current model-view matrix, so the renderer
    // calls this before any view rotation and the light stays fixed to the eye.
    void ApplyLight();

    const CSceneLight& Light() const { return m_light; }

  private:
    CSceneLight m_light;
};
