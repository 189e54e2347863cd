#pragma once

#include "scene/Vec3d.h"

#include <array>

// The room's half extents and its eight corners in the internal scene frame
// (origin at the room's centre, x along the length, y up, z along the width):
//   0 (-hl,-hh,+hw) floor front left    4 (-hl,-hh,-hw) floor back left
//   1 (+hl,-hh,+hw) floor front right   5 (+hl,-hh,-hw) floor back right
//   2 (+hl,+hh,+hw) ceiling front right 6 (+hl,+hh,-hw) ceiling back right
//   3 (-hl,+hh,+hw) ceiling front left  7 (-hl,+hh,-hw) ceiling back left
// The drawing side (CRoomModel) adds the room's drawing and the scene light.
class CRoomBox
{
  public:
    static constexpr int kCornerCount = 8;

    // Half extents and corners from the scene settings' room size.
    void Update();
    // Same, from explicit dimensions in metres (length x, width z, height y).
    void Update(float length, float width, float height);

    const Vec3d& Corner(int i) const { return m_corner[static_cast<size_t>(i)]; }
    float HalfLength() const { return m_fHalfLength; }
    float HalfWidth() const { return m_fHalfWidth; }
    float HalfHeight() const { return m_fHalfHeight; }

  protected:
    float m_fHalfLength = 0.0f;
    float m_fHalfWidth = 0.0f;
    float m_fHalfHeight = 0.0f;
    std::array<Vec3d, kCornerCount> m_corner{};
};
