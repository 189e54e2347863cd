#pragma once

#include <memory>

class CObstacleSet;

// Draws the obstacles with the room: solid, lit boxes and meshes in a slate
// grey no volume display uses, or their outlines when the view is
// see-through, so the voxels behind stay visible.
class CObstacleDrawer
{
  public:
    // Slate grey: cooler and darker than the map's grey band.
    static constexpr double kColor[3] = {0.56, 0.62, 0.72};

    void SetObstacles(std::shared_ptr<const CObstacleSet> obstacles) { m_pObstacles = std::move(obstacles); }
    // In the scene frame of the camera set's user origin; nothing without obstacles.
    void Draw(bool seeThrough) const;

  private:
    std::shared_ptr<const CObstacleSet> m_pObstacles;
};
