#pragma once

struct GLUquadric;
class CPlanningMeasures;

// Draws the cameras of the active range: a lit sphere at each camera, its
// number in red above it and, for an enabled camera, its four frustum edges
// as short lines. Reads the camera set and the scene settings; keeps only the
// quadric the spheres are drawn with.
class CCameraGlyphs
{
  public:
    CCameraGlyphs();
    ~CCameraGlyphs();
    CCameraGlyphs(const CCameraGlyphs&) = delete;
    CCameraGlyphs& operator=(const CCameraGlyphs&) = delete;

    // Leaves lighting on and the colour white (unchanged when no set is
    // allocated). With planning measures, each enabled camera also shows its
    // reach: a line along its optical axis out to R.
    void Draw(const CPlanningMeasures* planning = nullptr) const;

  private:
    GLUquadric* m_quadric = nullptr;
};
