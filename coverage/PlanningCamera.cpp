#include "coverage/PlanningCamera.h"

#include <cmath>
#include <limits>

PlanningCamera MakePlanningCamera(const Vec3d& position, const FrustumEdges& edges, float hFov, float vFov,
                                  float focalMm, double pitchMm, const PlanningSettings& settings)
{
    PlanningCamera cam{};
    cam.position = position;
    cam.edges[0] = Normalized(edges.hPlus);
    cam.edges[1] = Normalized(edges.hMinus);
    cam.edges[2] = Normalized(edges.vPlus);
    cam.edges[3] = Normalized(edges.vMinus);
    const double h = hFov, v = vFov;
    cam.fov[0] = cam.fov[1] = h;
    cam.fov[2] = cam.fov[3] = v;
    cam.cosFov[0] = cam.cosFov[1] = FieldCosine(h);
    cam.cosFov[2] = cam.cosFov[3] = FieldCosine(v);
    cam.axis = OpticalAxis(edges);
    cam.focal = focalMm;
    cam.pitch = pitchMm;
    cam.sigmaPerDepth = settings.pixelNoisePx * pitchMm / cam.focal;
    cam.markerMm = settings.markerDiameterMm;
    cam.minImagePx = settings.minImagePx;
    return cam;
}

PlanningCamera MakePlanningCamera(const CCameraSet& cameras, int i, const PlanningSettings& settings)
{
    const double pitch = PixelPitchMm(cameras.GetFrameWidth(i), cameras.GetFrameHeight(i), cameras.GetSensorPixelsX(i),
                                      cameras.GetSensorPixelsY(i));
    return MakePlanningCamera(cameras.GetPosition(i), EdgesOf(cameras, i), cameras.GetHFov(i), cameras.GetVFov(i),
                              cameras.GetFocalLength(i), pitch, settings);
}

double CameraReachOf(const CCameraSet& cameras, int i, const PlanningSettings& settings)
{
    const double pitch = PixelPitchMm(cameras.GetFrameWidth(i), cameras.GetFrameHeight(i), cameras.GetSensorPixelsX(i),
                                      cameras.GetSensorPixelsY(i));
    const double focal = cameras.GetFocalLength(i);
    const auto usable = [](double v) { return std::isfinite(v) && v > 0.0; };
    return usable(pitch) && usable(focal) ? CameraReachMm(focal, settings.markerDiameterMm, settings.minImagePx, pitch)
                                          : std::numeric_limits<double>::quiet_NaN();
}
