#include "coverage/TargetCoverage.h"

#include "cameras/CameraSet.h"
#include "coverage/CoverageVolume.h"
#include "coverage/PlanningMeasures.h"

#include <algorithm>
#include <array>
#include <limits>

double TargetCoverage::Share() const
{
    return targetVoxels == 0 ? std::numeric_limits<double>::quiet_NaN()
                             : static_cast<double>(metVoxels) / static_cast<double>(targetVoxels);
}

bool TargetCoverage::Passes(double requiredShare) const
{
    return targetVoxels > 0 && Share() >= requiredShare;
}

TargetCoverage ComputeTargetCoverage(const CCoverageVolume& volume, const CPlanningMeasures& planning,
                                     const TargetRule& rule, const CCameraSet& cameras)
{
    TargetCoverage result;
    const double bound = planning.GetSettings().sigmaBoundMm;
    const size_t n = std::min(volume.GetVoxelCount(), planning.GetVoxelCount());
    const auto inTarget = [&rule](const Vec3d& p) {
        for (const TargetBox& box : rule.boxes)
            if (p.x >= box.min.x && p.x <= box.max.x && p.y >= box.min.y && p.y <= box.max.y && p.z >= box.min.z &&
                p.z <= box.max.z)
                return true;
        return false;
    };
    for (size_t t = 0; t < n; ++t) {
        if (volume.InsideObstacle(t))
            continue;
        const std::array<float, 3> centre = volume.Centre(t);
        if (!inTarget(cameras.ToUser({centre[0], centre[1], centre[2]})))
            continue;
        ++result.targetVoxels;
        if (planning.Triangulable(t) && planning.MarkerCount(t) >= rule.minCameras && planning.Sigma3d(t) <= bound)
            ++result.metVoxels;
    }
    result.targetM3 = planning.VolumeOf(result.targetVoxels);
    result.metM3 = planning.VolumeOf(result.metVoxels);
    return result;
}
