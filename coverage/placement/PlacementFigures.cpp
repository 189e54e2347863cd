#include "coverage/placement/PlacementFigures.h"

#include "coverage/OccludedAngle.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

// What one sample gives the figures; the samples are judged in parallel and
// summed in their order, so that the figures do not depend on the threads.
struct SampleFigure {
    double sigma = std::numeric_limits<double>::quiet_NaN(); // where it counts
    double occluded = 360.0;
    uint32_t count = 0;  // marker cameras
    uint32_t seenBy = 0; // classic test, not blocked
    bool plain = false;
    bool robust = false;
};

SampleFigure JudgeSample(const std::vector<PlanningCamera>& cameras, const CTargetSamples& samples, size_t s,
                         const ScoreRule& rule, COccludedAngle& occludedAngle, std::vector<std::array<double, 3>>& rays,
                         std::vector<double>& noise, std::vector<uint32_t>& who)
{
    SampleFigure figure;
    const Vec3d p = samples.Point(s);
    rays.clear();
    noise.clear();
    who.clear();
    for (uint32_t c = 0; c < cameras.size(); ++c) {
        const PlanningCamera& camera = cameras[c];
        const MarkerSight sight = SightOf(camera, p);
        if (!sight.inField || samples.Blocked(camera.position, s))
            continue;
        ++figure.seenBy;
        if (!sight.marker)
            continue;
        rays.push_back({sight.ray.x, sight.ray.y, sight.ray.z});
        noise.push_back(camera.sigmaPerDepth * sight.depthMm);
        who.push_back(c);
    }
    figure.count = static_cast<uint32_t>(rays.size());
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
    figure.plain = anyPair && figure.count >= rule.minCameras;
    figure.robust = anyPair && sharedCount == 0 && figure.count >= rule.minCameras + 1;
    if (rule.robust ? figure.robust : figure.plain)
        figure.sigma = Sigma3dMm(rays, noise);
    figure.occluded = occludedAngle.Measure(rays, rule.minAngleDeg, rule.maxAngleDeg);
    return figure;
}

} // namespace

PlacementFigures EvaluateRig(const std::vector<PlanningCamera>& cameras, const CTargetSamples& samples,
                             const ScoreRule& rule)
{
    PlacementFigures figures;
    figures.markerCounts.assign(samples.Count(), 0);
    figures.minMarkerCameras = figures.minSeenCameras = std::numeric_limits<uint32_t>::max();
    std::vector<SampleFigure> judged(samples.Count());
    const auto n = static_cast<std::ptrdiff_t>(samples.Count());
    // A few words of samples are judged faster than threads are woken.
    constexpr std::ptrdiff_t kParallelSamples = 4096;
#pragma omp parallel if (n >= kParallelSamples)
    {
        COccludedAngle occludedAngle;
        std::vector<std::array<double, 3>> rays;
        std::vector<double> noise;
        std::vector<uint32_t> who;
#pragma omp for schedule(dynamic, 256)
        for (std::ptrdiff_t s = 0; s < n; ++s) {
            if (samples.Valid(static_cast<size_t>(s)))
                judged[static_cast<size_t>(s)] =
                    JudgeSample(cameras, samples, static_cast<size_t>(s), rule, occludedAngle, rays, noise, who);
        }
    }
    double total = 0.0, plain = 0.0, robust = 0.0, seen = 0.0, atLeast = 0.0, lacking = 0.0, occluded = 0.0,
           unoccluded = 0.0;
    std::vector<double> sigmas;
    for (size_t s = 0; s < samples.Count(); ++s) {
        if (!samples.Valid(s))
            continue;
        const SampleFigure& f = judged[s];
        const double w = samples.Weight(s);
        total += w;
        plain += f.plain ? w : 0.0;
        robust += f.robust ? w : 0.0;
        seen += w * f.count;
        atLeast += f.count >= rule.minCameras ? w : 0.0;
        lacking += f.seenBy < rule.minViews ? w * (rule.minViews - f.seenBy) : 0.0;
        occluded += w * f.occluded;
        unoccluded += f.occluded == 0.0 ? w : 0.0;
        figures.markerCounts[s] = static_cast<uint16_t>(std::min<uint32_t>(f.count, 0xffff));
        figures.minMarkerCameras = std::min(figures.minMarkerCameras, f.count);
        figures.minSeenCameras = std::min(figures.minSeenCameras, f.seenBy);
        ++figures.samples;
        if (!std::isnan(f.sigma))
            sigmas.push_back(f.sigma);
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
