#include "coverage/placement/PlacementFigures.h"

#include "coverage/OccludedAngle.h"

#include <algorithm>
#include <cmath>
#include <limits>

PlacementFigures EvaluateRig(const std::vector<PlanningCamera>& cameras, const CTargetSamples& samples,
                             const ScoreRule& rule)
{
    PlacementFigures figures;
    figures.markerCounts.assign(samples.Count(), 0);
    figures.minMarkerCameras = figures.minSeenCameras = std::numeric_limits<uint32_t>::max();
    double total = 0.0, plain = 0.0, robust = 0.0, seen = 0.0, atLeast = 0.0, lacking = 0.0, occluded = 0.0,
           unoccluded = 0.0;
    COccludedAngle occludedAngle;
    std::vector<double> sigmas;
    std::vector<std::array<double, 3>> rays;
    std::vector<double> noise;
    std::vector<uint32_t> who;
    for (size_t s = 0; s < samples.Count(); ++s) {
        if (!samples.Valid(s))
            continue;
        const Vec3d p = samples.Point(s);
        rays.clear();
        noise.clear();
        who.clear();
        uint32_t seenBy = 0;
        for (uint32_t c = 0; c < cameras.size(); ++c) {
            const PlanningCamera& camera = cameras[c];
            const MarkerSight sight = SightOf(camera, p);
            if (!sight.inField || samples.Blocked(camera.position, s))
                continue;
            ++seenBy;
            if (!sight.marker)
                continue;
            rays.push_back({sight.ray.x, sight.ray.y, sight.ray.z});
            noise.push_back(camera.sigmaPerDepth * sight.depthMm);
            who.push_back(c);
        }
        const auto count = static_cast<uint32_t>(rays.size());
        // The pairs within the angle range and the cameras every one of them shares.
        bool anyPair = false;
        uint32_t shared[2] = {0, 0};
        int sharedCount = 0;
        for (size_t a = 0; a + 1 < rays.size(); ++a) {
            const double u[3] = {rays[a][0], rays[a][1], rays[a][2]};
            for (size_t b = a + 1; b < rays.size(); ++b) {
                const double v[3] = {rays[b][0], rays[b][1], rays[b][2]};
                const double angle = RayAngleDeg(u, v);
                if (!(angle >= rule.minAngleDeg && angle <= rule.maxAngleDeg))
                    continue;
                if (!anyPair) {
                    anyPair = true;
                    shared[0] = who[a];
                    shared[1] = who[b];
                    sharedCount = 2;
                    continue;
                }
                int kept = 0;
                for (int q = 0; q < sharedCount; ++q) {
                    if (shared[q] == who[a] || shared[q] == who[b])
                        shared[kept++] = shared[q];
                }
                sharedCount = kept;
            }
        }
        const bool plainCounts = anyPair && count >= rule.minCameras;
        const bool robustCounts = anyPair && sharedCount == 0 && count >= rule.minCameras + 1;
        const double w = samples.Weight(s);
        total += w;
        plain += plainCounts ? w : 0.0;
        robust += robustCounts ? w : 0.0;
        seen += w * count;
        atLeast += count >= rule.minCameras ? w : 0.0;
        lacking += seenBy < rule.minViews ? w * (rule.minViews - seenBy) : 0.0;
        const double occludedDeg = occludedAngle.Measure(rays, rule.minAngleDeg, rule.maxAngleDeg);
        occluded += w * occludedDeg;
        unoccluded += occludedDeg == 0.0 ? w : 0.0;
        figures.markerCounts[s] = static_cast<uint16_t>(std::min<uint32_t>(count, 0xffff));
        figures.minMarkerCameras = std::min(figures.minMarkerCameras, count);
        figures.minSeenCameras = std::min(figures.minSeenCameras, seenBy);
        ++figures.samples;
        if (rule.robust ? robustCounts : plainCounts) {
            const double sigma = Sigma3dMm(rays, noise);
            if (!std::isnan(sigma))
                sigmas.push_back(sigma);
        }
    }
    if (figures.samples == 0) {
        figures.minMarkerCameras = figures.minSeenCameras = 0;
        figures.medianSigmaMm = std::numeric_limits<double>::quiet_NaN();
        return figures;
    }
    figures.plainObjective = plain / total;
    figures.robustObjective = robust / total;
    figures.objective = rule.robust ? figures.robustObjective : figures.plainObjective;
    figures.meanMarkerCameras = seen / total;
    figures.shareAtLeastK = atLeast / total;
    figures.viewsLacking = lacking / total;
    figures.meanOccludedDeg = occluded / total;
    figures.shareUnoccluded = unoccluded / total;
    if (sigmas.empty()) {
        figures.medianSigmaMm = std::numeric_limits<double>::quiet_NaN();
    } else {
        // Nearest rank, as the planning measures take their median.
        const size_t rank = std::clamp<size_t>(static_cast<size_t>(std::ceil(0.5 * sigmas.size())), 1, sigmas.size());
        const auto nth = sigmas.begin() + static_cast<std::ptrdiff_t>(rank - 1);
        std::nth_element(sigmas.begin(), nth, sigmas.end());
        figures.medianSigmaMm = *nth;
    }
    return figures;
}

const char* PlacementObjectiveKey(PlacementObjective objective)
{
    return objective == PlacementObjective::Occlusion ? "occlusion" : "coverage";
}

bool BetterFigures(const PlacementFigures& a, const PlacementFigures& b, PlacementObjective objective)
{
    if (a.viewsLacking != b.viewsLacking)
        return a.viewsLacking < b.viewsLacking;
    if (objective == PlacementObjective::Occlusion && a.meanOccludedDeg != b.meanOccludedDeg)
        return a.meanOccludedDeg < b.meanOccludedDeg;
    if (a.objective != b.objective)
        return a.objective > b.objective;
    if (a.meanMarkerCameras != b.meanMarkerCameras)
        return a.meanMarkerCameras > b.meanMarkerCameras;
    if (std::isnan(b.medianSigmaMm))
        return !std::isnan(a.medianSigmaMm);
    return !std::isnan(a.medianSigmaMm) && a.medianSigmaMm < b.medianSigmaMm;
}
