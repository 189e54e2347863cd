#include "coverage/asbuilt/RigComparison.h"

#include "cameras/asbuilt/AimAngles.h"
#include "coverage/asbuilt/HungarianMatching.h"

#include <Eigen/Geometry>
#include <Eigen/SVD>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace
{

constexpr double kTrueDegreesPerRadian = 180.0 / std::numbers::pi;
// A pair this far off the fit of the others is left out of the fit.
constexpr double kLeastOutlierMm = 10.0;
// More triples than this are sampled, not all tried.
constexpr size_t kMostTriples = 2000;
constexpr int kMostRounds = 20;

struct Pose {
    Eigen::Vector3d centre; // scene frame, metres
    Eigen::Vector3d axis;
    Eigen::Vector3d up;
};

Pose PoseOf(const CCameraSet& cameras, int i)
{
    Vec3d axis, up;
    AxesFromAimAngles({cameras.GetHTilt(i), cameras.GetVTilt(i), cameras.GetSpin(i)}, axis, up);
    const Vec3d& p = cameras.GetPosition(i);
    return {{p.x, p.y, p.z}, {axis.x, axis.y, axis.z}, {up.x, up.y, up.z}};
}

struct Transform {
    double scale = 1.0;
    Eigen::Matrix3d turn = Eigen::Matrix3d::Identity();
    Eigen::Vector3d shift = Eigen::Vector3d::Zero();
    Eigen::Vector3d operator()(const Eigen::Vector3d& p) const { return scale * (turn * p) + shift; }
};

// Pairs: plan camera, camera as built.
using Pairs = std::vector<std::pair<int, int>>;

Transform Fit(const std::vector<Pose>& plan, const std::vector<Pose>& built, const Pairs& pairs,
              const std::vector<size_t>& use, bool scaled)
{
    Eigen::Matrix3Xd from(3, use.size()), to(3, use.size());
    for (size_t k = 0; k < use.size(); ++k) {
        from.col(static_cast<Eigen::Index>(k)) = built[static_cast<size_t>(pairs[use[k]].second)].centre;
        to.col(static_cast<Eigen::Index>(k)) = plan[static_cast<size_t>(pairs[use[k]].first)].centre;
    }
    const Eigen::Matrix4d m = Eigen::umeyama(from, to, scaled);
    Transform t;
    const Eigen::Matrix3d sr = m.topLeftCorner<3, 3>();
    t.scale = scaled ? std::cbrt(sr.determinant()) : 1.0;
    t.turn = sr / t.scale;
    t.shift = m.topRightCorner<3, 1>();
    return t;
}

std::vector<double> ResidualsMm(const std::vector<Pose>& plan, const std::vector<Pose>& built, const Pairs& pairs,
                                const Transform& t)
{
    std::vector<double> r;
    for (const auto& [p, b] : pairs)
        r.push_back(1000.0 * (t(built[static_cast<size_t>(b)].centre) - plan[static_cast<size_t>(p)].centre).norm());
    return r;
}

double Median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>((values.size() - 1) / 2),
                     values.end());
    return values[(values.size() - 1) / 2];
}

// Whether three plan centres span a triangle the fit can turn on.
bool SpanPlane(const std::vector<Pose>& plan, const Pairs& pairs, size_t a, size_t b, size_t c)
{
    const Eigen::Vector3d pa = plan[static_cast<size_t>(pairs[a].first)].centre;
    const Eigen::Vector3d u = plan[static_cast<size_t>(pairs[b].first)].centre - pa;
    const Eigen::Vector3d v = plan[static_cast<size_t>(pairs[c].first)].centre - pa;
    return u.cross(v).norm() > 1e-6 * std::max(1e-12, u.squaredNorm() + v.squaredNorm());
}

// The fit least disturbed by cameras that were moved: of many triples of
// pairs, the fit whose median residual over every pair is least; then refitted
// on the pairs near it until they stay the same.
struct RobustFit {
    Transform transform;
    std::vector<size_t> used;
};

RobustFit FitRobustly(const std::vector<Pose>& plan, const std::vector<Pose>& built, const Pairs& pairs, bool scaled)
{
    const size_t n = pairs.size();
    std::vector<std::array<size_t, 3>> triples;
    if (n * (n - 1) * (n - 2) / 6 <= kMostTriples) {
        for (size_t a = 0; a < n; ++a)
            for (size_t b = a + 1; b < n; ++b)
                for (size_t c = b + 1; c < n; ++c)
                    triples.push_back({a, b, c});
    } else {
        // A fixed seed: the same files give the same answer.
        std::mt19937 random(12345);
        std::uniform_int_distribution<size_t> pick(0, n - 1);
        while (triples.size() < kMostTriples) {
            const size_t a = pick(random), b = pick(random), c = pick(random);
            if (a != b && b != c && a != c)
                triples.push_back({a, b, c});
        }
    }
    std::vector<size_t> all(n);
    for (size_t k = 0; k < n; ++k)
        all[k] = k;
    Transform best = Fit(plan, built, pairs, all, scaled);
    double bestMedian = Median(ResidualsMm(plan, built, pairs, best));
    for (const auto& [a, b, c] : triples) {
        if (!SpanPlane(plan, pairs, a, b, c))
            continue;
        const Transform t = Fit(plan, built, pairs, {a, b, c}, scaled);
        const double median = Median(ResidualsMm(plan, built, pairs, t));
        if (median < bestMedian) {
            bestMedian = median;
            best = t;
        }
    }
    RobustFit fit{best, all};
    for (int round = 0; round < kMostRounds; ++round) {
        const std::vector<double> r = ResidualsMm(plan, built, pairs, fit.transform);
        std::vector<double> usedResiduals;
        for (const size_t k : fit.used)
            usedResiduals.push_back(r[k]);
        const double bound = std::max(3.0 * Median(usedResiduals), kLeastOutlierMm);
        std::vector<size_t> near;
        for (size_t k = 0; k < n; ++k)
            if (r[k] <= bound)
                near.push_back(k);
        if (near.size() < 3 || (round > 0 && near == fit.used))
            break;
        fit.used = near;
        fit.transform = Fit(plan, built, pairs, near, scaled);
    }
    return fit;
}

Pairs PairByLabel(const CCameraSet& plan, uint32_t planCount, const CCameraSet& built, uint32_t builtCount)
{
    Pairs pairs;
    std::vector<bool> taken(builtCount, false);
    for (uint32_t p = 0; p < planCount; ++p) {
        const std::string label = plan.GetLabel(static_cast<int>(p));
        for (uint32_t b = 0; b < builtCount; ++b) {
            if (!taken[b] && built.GetLabel(static_cast<int>(b)) == label) {
                taken[b] = true;
                pairs.emplace_back(static_cast<int>(p), static_cast<int>(b));
                break;
            }
        }
    }
    return pairs;
}

Pairs PairByNearest(const std::vector<Pose>& plan, const std::vector<Pose>& built, const Transform& t)
{
    std::vector<std::vector<double>> cost(plan.size(), std::vector<double>(built.size()));
    for (size_t p = 0; p < plan.size(); ++p)
        for (size_t b = 0; b < built.size(); ++b)
            cost[p][b] = (t(built[b].centre) - plan[p].centre).norm();
    const std::vector<int> match = MatchLeastCost(cost);
    Pairs pairs;
    for (size_t p = 0; p < match.size(); ++p)
        if (match[p] >= 0)
            pairs.emplace_back(static_cast<int>(p), match[p]);
    return pairs;
}

double SignedTurnDeg(const Eigen::Vector3d& from, const Eigen::Vector3d& to, const Eigen::Vector3d& about)
{
    return std::atan2(from.cross(to).dot(about), from.dot(to)) * kTrueDegreesPerRadian;
}

double PixelPitch(const CCameraSet& cameras, int i)
{
    return static_cast<double>(cameras.GetFrameWidth(i)) / cameras.GetSensorPixelsX(i);
}

} // namespace

const char* RigAlignmentKey(RigAlignment alignment)
{
    switch (alignment) {
    case RigAlignment::None:
        return "none";
    case RigAlignment::Rigid:
        return "rigid";
    case RigAlignment::Similarity:
        return "similarity";
    }
    return "rigid";
}

std::optional<RigAlignment> RigAlignmentFromKey(const std::string& key)
{
    for (const RigAlignment a : {RigAlignment::None, RigAlignment::Rigid, RigAlignment::Similarity})
        if (key == RigAlignmentKey(a))
            return a;
    return std::nullopt;
}

const char* RigMatchingKey(RigMatching matching)
{
    return matching == RigMatching::Labels ? "labels" : "nearest";
}

std::optional<RigMatching> RigMatchingFromKey(const std::string& key)
{
    for (const RigMatching m : {RigMatching::Labels, RigMatching::Nearest})
        if (key == RigMatchingKey(m))
            return m;
    return std::nullopt;
}

RigComparisonResult CompareRigs(const CoverageInput& planInput, const CCameraSet& asBuilt, uint32_t asBuiltCount,
                                const RigComparisonOptions& options)
{
    const CCameraSet& planSet = planInput.cameras;
    const uint32_t planCount = planInput.cameraCount;
    if (planCount == 0 || asBuiltCount == 0)
        return {std::nullopt, "there is no camera to compare"};
    std::vector<Pose> plan, built;
    for (uint32_t p = 0; p < planCount; ++p)
        plan.push_back(PoseOf(planSet, static_cast<int>(p)));
    for (uint32_t b = 0; b < asBuiltCount; ++b)
        built.push_back(PoseOf(asBuilt, static_cast<int>(b)));

    const bool aligned = options.alignment != RigAlignment::None;
    const bool scaled = options.alignment == RigAlignment::Similarity;
    RobustFit fit;
    Pairs pairs;
    if (options.matching == RigMatching::Labels) {
        pairs = PairByLabel(planSet, planCount, asBuilt, asBuiltCount);
        if (pairs.empty())
            return {std::nullopt, "no camera of the calibration has the label of a plan camera: compare with "
                                  "--match nearest"};
    } else {
        // Rigs of one size are first paired with their centroids brought together.
        if (aligned && planCount == asBuiltCount) {
            Eigen::Vector3d planMean = Eigen::Vector3d::Zero(), builtMean = Eigen::Vector3d::Zero();
            for (size_t k = 0; k < plan.size(); ++k) {
                planMean += plan[k].centre;
                builtMean += built[k].centre;
            }
            fit.transform.shift = (planMean - builtMean) / static_cast<double>(plan.size());
        }
        pairs = PairByNearest(plan, built, fit.transform);
    }
    if (aligned && pairs.size() < 3)
        return {std::nullopt, "aligning needs at least 3 paired cameras, " + std::to_string(pairs.size()) +
                                  " paired: compare with --align none"};
    if (aligned) {
        bool plane = false;
        for (size_t c = 2; c < pairs.size() && !plane; ++c)
            for (size_t b = 1; b < c && !plane; ++b)
                plane = SpanPlane(plan, pairs, 0, b, c);
        if (!plane)
            return {std::nullopt, "the paired cameras' centres lie on a line, which does not decide the "
                                  "alignment: compare with --align none"};
        fit = FitRobustly(plan, built, pairs, scaled);
        // Nearest centres are paired again in the aligned frame until the pairs stay.
        for (int round = 0; options.matching == RigMatching::Nearest && round < kMostRounds; ++round) {
            const Pairs again = PairByNearest(plan, built, fit.transform);
            if (again == pairs)
                break;
            pairs = again;
            fit = FitRobustly(plan, built, pairs, scaled);
        }
    } else {
        for (size_t k = 0; k < pairs.size(); ++k)
            fit.used.push_back(k);
    }
    const Transform& t = fit.transform;

    RigComparison result;
    result.alignment = options.alignment;
    result.matching = options.matching;
    result.scale = t.scale;
    const std::vector<double> residuals = ResidualsMm(plan, built, pairs, t);
    double sum = 0.0;
    for (const size_t k : fit.used)
        sum += residuals[k] * residuals[k];
    result.fitted = static_cast<uint32_t>(fit.used.size());
    result.rmsMm = fit.used.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(fit.used.size()));

    // The rig as built in the plan's frame: the plan's computation with these cameras.
    CoverageInput& input = result.asBuilt;
    input = planInput;
    input.cameras = asBuilt;
    input.cameras.SetUserOrigin({planSet.GetUserOriginX(), planSet.GetUserOriginY(), planSet.GetUserOriginZ()});
    input.cameraCount = asBuiltCount;
    input.firstCamera = 0;
    input.endCamera = asBuiltCount;
    CCameraSet& moved = input.cameras;
    for (uint32_t b = 0; b < asBuiltCount; ++b) {
        const int i = static_cast<int>(b);
        const Pose& pose = built[b];
        const Eigen::Vector3d centre = t(pose.centre);
        moved.SetFilePosition(i, moved.ToUser({centre.x(), centre.y(), centre.z()}));
        const Eigen::Vector3d axis = t.turn * pose.axis, up = t.turn * pose.up;
        const AimAngles aim = AimAnglesFromAxes({axis.x(), axis.y(), axis.z()}, {up.x(), up.y(), up.z()});
        moved.SetHTilt(i, static_cast<float>(aim.hTilt));
        moved.SetVTilt(i, static_cast<float>(aim.vTilt));
        moved.SetSpin(i, static_cast<float>(aim.spin));
        moved.SetEnabled(i, 1);
    }
    moved.RecomputeFieldOfView();

    std::vector<int> partner(planCount, -1);
    std::vector<bool> paired(asBuiltCount, false);
    for (const auto& [p, b] : pairs) {
        partner[static_cast<size_t>(p)] = b;
        paired[static_cast<size_t>(b)] = true;
        const bool counted = planSet.GetEnabled(p) == 1 && static_cast<uint32_t>(p) >= planInput.firstCamera &&
                             static_cast<uint32_t>(p) < planInput.endCamera;
        moved.SetEnabled(b, counted ? 1 : 0);
    }
    for (uint32_t p = 0; p < planCount; ++p) {
        const int b = partner[p];
        if (b < 0) {
            result.unmatchedPlan.push_back(p + 1);
            continue;
        }
        const int i = static_cast<int>(p);
        const Pose& want = plan[p];
        const Pose& found = built[static_cast<size_t>(b)];
        const Eigen::Vector3d axis = (t.turn * found.axis).normalized(), up = t.turn * found.up;
        const Eigen::Vector3d wantAxis = want.axis.normalized();
        // The image up once the found axis is turned onto the planned one by the shortest turn.
        const Eigen::Vector3d upOnAxis = Eigen::Quaterniond::FromTwoVectors(axis, wantAxis) * up;
        const Eigen::Vector3d wantUp = (want.up - want.up.dot(wantAxis) * wantAxis).normalized();
        const Eigen::Vector3d foundUp = (upOnAxis - upOnAxis.dot(wantAxis) * wantAxis).normalized();
        CameraDelta delta;
        delta.planNumber = p + 1;
        delta.asBuiltNumber = static_cast<uint32_t>(b) + 1;
        delta.asBuiltName = asBuilt.GetLabel(b);
        delta.positionMm = 1000.0 * (t(found.centre) - want.centre).norm();
        delta.aimDeg = std::acos(std::clamp(axis.dot(wantAxis), -1.0, 1.0)) * kTrueDegreesPerRadian;
        delta.rollDeg = SignedTurnDeg(wantUp, foundUp, wantAxis);
        delta.focalPlannedMm = planSet.GetFocalLength(i);
        delta.focalFoundMm = asBuilt.GetFocalLength(b) / PixelPitch(asBuilt, b) * PixelPitch(planSet, i);
        result.cameras.push_back(std::move(delta));
    }
    for (uint32_t b = 0; b < asBuiltCount; ++b)
        if (!paired[b])
            result.unmatchedAsBuilt.push_back(b + 1);
    return {std::move(result), {}};
}
