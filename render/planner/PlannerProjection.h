#pragma once

#include "scene/Vec3d.h"

#include <array>
#include <string>
#include <vector>

// A rectangle of the viewport in pixels, origin at its bottom left.
struct PixelRect {
    double left = 0.0;
    double bottom = 0.0;
    double right = 0.0;
    double top = 0.0;
};

// A label as a frame placed it: a camera's number or a ruler's value.
struct LabelPlacement {
    PixelRect rect;
    std::string text;
    bool camera = false;
};

// The planner's projection and its framing, plain arithmetic without GL.
// The scene, turned by yaw and tilted by pitch, is drawn at
// T(panX, panY, -distance) * Rx(-pitch) * S(scale) * Ry(yaw) * p, with a
// projection of the viewport's own aspect: perspective with a fixed vertical
// field of view, or an orthographic window of half height m_dOrthoHalfHeight.
// The pan is along the screen, so zooming and panning are proportional to
// what the view shows.
class CPlannerProjection
{
  public:
    static constexpr double kFieldOfViewDeg = 45.0;

    void SetViewport(int width, int height);
    int GetViewportWidth() const { return m_nWidth; }
    int GetViewportHeight() const { return m_nHeight; }
    double GetAspect() const { return static_cast<double>(m_nWidth) / m_nHeight; }
    void SetPerspective(bool perspective) { m_bPerspective = perspective; }
    bool IsPerspective() const { return m_bPerspective; }
    // The perspective's vertical field of view, kFieldOfViewDeg unless a
    // camera's own is looked through.
    void SetFieldOfView(double degrees) { m_dFieldOfView = degrees; }
    double GetFieldOfView() const { return m_dFieldOfView; }
    // Yaw and pitch in degrees, the display scale factors of x, y and z.
    void SetPose(double yaw, double pitch, const Vec3d& scale);

    double GetDistance() const { return m_dDistance; }
    double GetOrthoHalfHeight() const { return m_dOrthoHalfHeight; }
    double GetPanX() const { return m_dPanX[Mode()]; }
    double GetPanY() const { return m_dPanY[Mode()]; }
    bool IsFitted() const { return m_bFitted; }

    // Chooses the eye distance, the orthographic window and the pan so that
    // every point lies inside `target` in both projections (the projection
    // chosen fills it on one axis). Each projection keeps its own framing.
    void Fit(const std::vector<Vec3d>& points, const PixelRect& target);
    // Zoom towards a viewport pixel (origin bottom left): the scene point
    // under it stays there. A factor below 1 brings the scene closer.
    void ZoomAt(double px, double py, double factor);
    // Moves the scene by a distance of pixels on screen.
    void PanPixels(double dx, double dy);

    // The scene point as the eye sees it before the pan and the eye distance.
    Vec3d Turn(const Vec3d& p) const;
    // Where a scene point falls in the viewport, pixels from the bottom left;
    // z is the eye distance along the view (positive in front).
    Vec3d Plan(const Vec3d& p) const;
    // Perspective: the pan and eye distance that put the eye at a scene
    // point, looking the way yaw and pitch turn it.
    void PlaceEye(const Vec3d& p);
    // Where the eye stands in scene coordinates.
    Vec3d EyePosition() const;
    // The inverse of Turn.
    Vec3d Unturn(const Vec3d& q) const;
    // The line of sight through a viewport pixel (origin bottom left) in
    // scene coordinates: a point at the eye's plane and the direction away
    // from the eye.
    std::array<Vec3d, 2> PixelRay(double px, double py) const;
    // Viewport pixels a scene unit spans at an eye distance.
    double PixelsPerUnitAt(double depth) const;
    // Near and far planes that hold the fitted scene.
    std::array<double, 2> DepthRange() const;
    // Column-major 4x4 matrices as OpenGL takes them.
    std::array<double, 16> ProjectionMatrix() const;
    std::array<double, 16> ModelViewMatrix() const;

  private:
    int Mode() const { return m_bPerspective ? 0 : 1; }
    double HalfTanY() const;
    double EyeDistance() const;
    // Scene units per viewport pixel at the pivot's depth.
    double UnitsPerPixel() const;

    int m_nWidth = 1000;
    int m_nHeight = 680;
    bool m_bPerspective = true;
    double m_dYaw = 0.0;
    double m_dPitch = 0.0;
    Vec3d m_scale{1.0, 1.0, 1.0};
    double m_dFieldOfView = kFieldOfViewDeg;
    double m_dDistance = 10.0;
    double m_dOrthoHalfHeight = 5.0;
    // Pan of the perspective [0] and the orthographic [1] framing.
    double m_dPanX[2] = {0.0, 0.0};
    double m_dPanY[2] = {0.0, 0.0};
    double m_dReach = 5.0;
    bool m_bFitted = false;
};
