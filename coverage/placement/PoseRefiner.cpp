#include "coverage/placement/PoseRefiner.h"

#include <nlopt.hpp>

#include <algorithm>
#include <functional>
#include <cmath>
#include <stdexcept>

namespace
{

// How far a trial may move from where the camera started, and BOBYQA's first step.
constexpr double kPanReachDeg = 30.0;
constexpr double kTiltReachDeg = 20.0;
constexpr double kPositionStepM = 0.25;
constexpr double kAngleStepDeg = 5.0;
// The weight of the views lacking in the guide BOBYQA follows, against the samples that count.
constexpr double kLackingGuide = 10.0;

} // namespace

CPoseRefiner::CPoseRefiner(CPlacementCandidates& candidates, const ScoreRule& rule, double minSpacing)
    : m_candidates(candidates), m_rule(rule), m_dMinSpacing(minSpacing)
{
    const std::vector<uint64_t> none(candidates.Matrix().WordCount(), 0);
    m_nScratchRow = candidates.Matrix().AddRow(none.data(), {});
}

CameraPose CPoseRefiner::PoseAt(const MountPlace& place, double hTilt, double vTilt) const
{
    return {m_candidates.Geometry().Position(place), static_cast<float>(hTilt), static_cast<float>(vTilt)};
}

bool CPoseRefiner::Fits(const MountPlace& place, const std::vector<uint32_t>& others) const
{
    if (!m_candidates.Geometry().Holds(place))
        return false;
    const Vec3d p = InternalPosition(m_candidates.Geometry().Position(place), m_candidates.UserOrigin());
    for (const uint32_t row : others) {
        const std::array<float, 3>& q = m_candidates.Matrix().Camera(row).position;
        const Vec3d d{p.x - q[0], p.y - q[1], p.z - q[2]};
        if (Dot(d, d) < m_dMinSpacing * m_dMinSpacing)
            return false;
    }
    return true;
}

void CPoseRefiner::StoreRow(const RefinedCamera& camera)
{
    const PlanningCamera planning = PlacedPlanningCamera(m_candidates.Models()[camera.model], camera.pose,
                                                         m_candidates.UserOrigin(), m_candidates.Settings());
    m_candidates.StoreRow(camera.row, planning);
}

bool CPoseRefiner::Round(std::vector<RefinedCamera>& cameras, const std::vector<uint32_t>& fixedRows,
                         int maxEvaluations, std::chrono::steady_clock::time_point deadline,
                         const std::atomic<bool>* cancel)
{
    const CMountGeometry& geometry = m_candidates.Geometry();
    CSightMatrix& matrix = m_candidates.Matrix();
    CRigScorer scorer(matrix, m_rule);
    bool improved = false;
    for (size_t k = 0; k < cameras.size(); ++k) {
        if (std::chrono::steady_clock::now() >= deadline || (cancel && cancel->load()))
            break;
        RefinedCamera& camera = cameras[k];
        std::vector<uint32_t> others = fixedRows;
        for (size_t j = 0; j < cameras.size(); ++j) {
            if (j != k)
                others.push_back(cameras[j].row);
        }
        scorer.Assign(others);
        RigScore best = scorer.ScoreWith(camera.row);
        const int dims = geometry.Dimensions(camera.place);
        const std::array<double, 2> lo = geometry.Lower(camera.place), hi = geometry.Upper(camera.place);
        const double along = camera.place.kind == MountKind::Segment
                                 ? Length(geometry.Mounts().segments[static_cast<size_t>(camera.place.index)].b -
                                          geometry.Mounts().segments[static_cast<size_t>(camera.place.index)].a)
                                 : 1.0;
        const double start[2] = {camera.place.u, camera.place.v};

        // Surface coordinates, then pan and tilt; a range of no width (a band of
        // one height) is held where it is.
        const double full[4] = {start[0], start[1], camera.pose.hTilt, camera.pose.vTilt};
        const double fullLower[4] = {lo[0], lo[1], camera.pose.hTilt - kPanReachDeg,
                                     std::max(-90.0, camera.pose.vTilt - kTiltReachDeg)};
        const double fullUpper[4] = {hi[0], hi[1], camera.pose.hTilt + kPanReachDeg,
                                     std::min(90.0, camera.pose.vTilt + kTiltReachDeg)};
        const double fullStep[4] = {kPositionStepM / along, kPositionStepM / along, kAngleStepDeg, kAngleStepDeg};
        std::vector<int> varied;
        std::vector<double> x, lower, upper, step;
        for (int d = 0; d < 4; ++d) {
            if ((d < 2 && d >= dims) || !(fullUpper[d] - fullLower[d] > 1e-6))
                continue;
            varied.push_back(d);
            lower.push_back(fullLower[d]);
            upper.push_back(fullUpper[d]);
            x.push_back(std::clamp(full[d], fullLower[d], fullUpper[d]));
            // BOBYQA wants twice its first step between the bounds.
            step.push_back(std::min(fullStep[d], 0.5 * (fullUpper[d] - fullLower[d])));
        }
        if (varied.size() < 2)
            continue;

        RefinedCamera trial = camera;
        RefinedCamera bestCamera = camera;
        const double total = static_cast<double>(std::max<int64_t>(1, matrix.TotalWeight()));
        const double seenScale = total * static_cast<double>(fixedRows.size() + cameras.size());
        std::function<double(const double*)> objective = [&](const double* v) {
            // A cancel or the time limit ends the trials at once; the best so far stands.
            if ((cancel && cancel->load(std::memory_order_relaxed)) || std::chrono::steady_clock::now() >= deadline)
                throw nlopt::forced_stop();
            ++m_nEvaluations;
            double values[4];
            std::copy(full, full + 4, values);
            for (size_t f = 0; f < varied.size(); ++f)
                values[varied[f]] = v[f];
            MountPlace place = camera.place;
            place.u = dims > 0 ? values[0] : place.u;
            place.v = dims > 1 ? values[1] : place.v;
            if (!Fits(place, others))
                return 1.0;
            trial.place = place;
            trial.pose = PoseAt(place, values[2], values[3]);
            const PlanningCamera planning = PlacedPlanningCamera(m_candidates.Models()[trial.model], trial.pose,
                                                                 m_candidates.UserOrigin(), m_candidates.Settings());
            m_candidates.StoreRow(m_nScratchRow, planning);
            const RigScore score = scorer.ScoreWith(m_nScratchRow);
            if (score > best) {
                best = score;
                bestCamera = trial;
            }
            // Only a guide for BOBYQA's model: the exact order is kept above.
            // A view lacking weighs well over a sample that comes to count.
            return kLackingGuide * static_cast<double>(score.lacking) / total -
                   (static_cast<double>(score.covered) / total + 1e-3 * static_cast<double>(score.seen) / seenScale);
        };
        nlopt::opt optimiser(nlopt::LN_BOBYQA, static_cast<unsigned>(x.size()));
        optimiser.set_lower_bounds(lower);
        optimiser.set_upper_bounds(upper);
        optimiser.set_initial_step(step);
        optimiser.set_maxeval(maxEvaluations);
        optimiser.set_min_objective(
            [](unsigned, const double* v, double*, void* data) {
                return (*static_cast<std::function<double(const double*)>*>(data))(v);
            },
            &objective);
        double value = 0.0;
        try {
            optimiser.optimize(x, value);
        } catch (const std::exception&) {
            // A stop on rounding, a refused start or a cancel: the best trial so far stands.
        }
        if (!(bestCamera.pose.position == camera.pose.position && bestCamera.pose.hTilt == camera.pose.hTilt &&
              bestCamera.pose.vTilt == camera.pose.vTilt)) {
            camera.place = bestCamera.place;
            camera.pose = bestCamera.pose;
            StoreRow(camera);
            improved = true;
        }
    }
    return improved;
}
