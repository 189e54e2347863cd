#pragma once

#include <array>
#include <vector>

// How much of a performer's turn hides a marker from every pair that would
// triangulate it. A performer standing at the point is a vertical plane
// through it whose normal has azimuth t; it hides the cameras behind it, so
// a camera whose ray to the point has azimuth a (atan2 of its z and x parts,
// degrees) stays visible for (a - t) mod 360 in [180, 360), and a camera
// straight above or below the point (horizontal part of its ray at most
// 1e-9) is always visible. t is occluded when no visible pair of cameras
// lies within the triangulation angle range.

// The measure in degrees of the occluded t in [0, 360), from the unit rays
// (camera to point) of the cameras that see a marker there: 360 with fewer
// than two. Exact: the visible set only changes at the azimuths a and a + 180,
// so each arc between two sorted events is decided once. The measure does
// not depend on which way z points, so the scene's internal frame serves.
double OccludedAngleDeg(const std::vector<std::array<double, 3>>& rays, double minAngleDeg, double maxAngleDeg);

// Reusable buffers, so that a pass over many points allocates once per thread.
class COccludedAngle
{
  public:
    double Measure(const std::vector<std::array<double, 3>>& rays, double minAngleDeg, double maxAngleDeg);

  private:
    std::vector<double> m_aAzimuth; // degrees in [0, 360); NaN overhead
    std::vector<std::array<unsigned, 2>> m_aPairs;
    std::vector<double> m_aEvents;
    std::vector<unsigned char> m_aVisible;
};
