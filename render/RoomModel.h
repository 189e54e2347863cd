#pragma once

#include "render/SceneLight.h"
#include "scene/RoomBox.h"

// The room as drawn: a floor slab, a wider base slab and four corner posts,
// plus the scene light placed from the room's corners.
class CRoomModel : public CRoomBox {
public:
    // Thickness of the slabs and side of the posts, metres.
    static constexpr double kWallThickness = 0.05;

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
