#pragma once

#include "scene/Vec3d.h"

#include <string>
#include <vector>

class CRoomModel;
struct GLUquadric;

// One tick of a scale row: where it stands along the row's axis and the
// label drawn beside it (empty for the tick at the corner).
struct ScaleTick {
    double position = 0.0;
    std::string label;
};

// The ticks of one row from `start` over `length` metres in `divisions`
// steps, positions decreasing along the axis when `decreasing` is set. The
// step and the label values are accumulated in single precision, the
// position in double, as the row is drawn; 0 divisions gives the corner tick only.
std::vector<ScaleTick> ComputeTickRow(double start, float length, unsigned divisions, bool decreasing);

// The red/green/blue arrow triad with its X, Y, Z labels and the scale rows
// with their tick marks and distance labels along the room's edges.
class CAxesDrawer
{
  public:
    CAxesDrawer();
    ~CAxesDrawer();
    CAxesDrawer(const CAxesDrawer&) = delete;
    CAxesDrawer& operator=(const CAxesDrawer&) = delete;

    // The triad with its origin at (x, y, z).
    void DrawAxes(double x, double y, double z) const;
    // Two rows along x, four along y, two along z, in the given colour; each
    // leaves lighting on and the colour white.
    void DrawXScale(const CRoomModel& room, const double* color) const;
    void DrawYScale(const CRoomModel& room, const double* color) const;
    void DrawZScale(const CRoomModel& room, const double* color) const;
    void DrawTickRowX(Vec3d start, bool side, float length) const;
    void DrawTickRowY(Vec3d start, bool side, float length) const;
    void DrawTickRowZ(Vec3d start, bool side, float length) const;

    unsigned GetDivisions() const { return m_nDivisions; }
    void SetDivisions(unsigned n) { m_nDivisions = n; }

  private:
    void DrawArrow(const double* color, double x, double y, double z, double angle, double ax, double ay, double az,
                   double tipX, double tipY, double tipZ) const;

    GLUquadric* m_quadric = nullptr;
    unsigned m_nDivisions = 1;
};
