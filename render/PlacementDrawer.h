#pragma once

#include "coverage/placement/AutoPlacement.h"

#include <memory>
#include <vector>

struct GLUquadric;

// What an auto-placement proposes, shown over the plan before it is taken:
// the target boxes it places for and the cameras it would add (user frame).
struct PlacementPreview {
    std::vector<TargetBox> target;
    std::vector<PlacedCamera> cameras;
};

// Draws a placement preview: each target box as a green outline, each
// proposed camera as a magenta sphere with its four frustum edges and its
// optical axis, in colours the plan's own cameras and the volume displays do
// not use. Draws nothing without a preview.
class CPlacementDrawer
{
  public:
    static constexpr double kTargetColor[3] = {0.2, 0.85, 0.3};
    static constexpr double kCameraColor[3] = {0.95, 0.2, 0.85};

    CPlacementDrawer();
    ~CPlacementDrawer();
    CPlacementDrawer(const CPlacementDrawer&) = delete;
    CPlacementDrawer& operator=(const CPlacementDrawer&) = delete;

    void SetPreview(std::shared_ptr<const PlacementPreview> preview) { m_pPreview = std::move(preview); }
    const std::shared_ptr<const PlacementPreview>& Preview() const { return m_pPreview; }
    // In the scene frame of the camera set's user origin; leaves lighting on.
    void Draw() const;

  private:
    std::shared_ptr<const PlacementPreview> m_pPreview;
    GLUquadric* m_quadric = nullptr;
};
