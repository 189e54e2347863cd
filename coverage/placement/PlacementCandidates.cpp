#include "coverage/placement/PlacementCandidates.h"

#include <omp.h>

#include <array>
#include <functional>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{

// A word's samples lie in a ball: centre and radius, internal frame.
struct WordBall {
    Vec3d centre;
    double radius = -1.0; // below 0: no valid sample
};

// Beyond the rounding of every ray and edge by far: a word whose ball lies
// this much farther from an edge than the edge's field holds no sample the
// edge test could accept.
constexpr double kBallMarginRad = 1e-6;

std::vector<WordBall> WordBalls(const CTargetSamples& samples)
{
    std::vector<WordBall> balls(samples.Count() / 64);
    for (size_t w = 0; w < balls.size(); ++w) {
        Vec3d sum;
        int count = 0;
        for (size_t s = 64 * w; s < 64 * w + 64; ++s) {
            if (samples.Valid(s)) {
                sum = sum + samples.Point(s);
                ++count;
            }
        }
        if (count == 0)
            continue;
        balls[w].centre = {sum.x / count, sum.y / count, sum.z / count};
        balls[w].radius = 0.0;
        for (size_t s = 64 * w; s < 64 * w + 64; ++s) {
            if (samples.Valid(s))
                balls[w].radius = std::max(balls[w].radius, Length(samples.Point(s) - balls[w].centre));
        }
    }
    return balls;
}

// Seen from one place, each word's ball: the direction to its centre and,
// per camera model and edge, the cosine below which the ball lies outside
// the edge's field; -2 where no cosine tells (the place inside the ball, a
// field too wide).
struct WordCones {
    std::vector<Vec3d> direction;
    std::vector<std::array<double, 4>> below; // word * models + model
};

void ConesFrom(const Vec3d& position, const std::vector<WordBall>& balls, const std::vector<PlanningCamera>& models,
               WordCones& cones)
{
    cones.direction.assign(balls.size(), Vec3d{});
    cones.below.assign(balls.size() * models.size(), {-2.0, -2.0, -2.0, -2.0});
    for (size_t w = 0; w < balls.size(); ++w) {
        const WordBall& ball = balls[w];
        const Vec3d to = ball.centre - position;
        const double distance = Length(to);
        if (ball.radius < 0.0 || !(distance > ball.radius))
            continue;
        cones.direction[w] = {to.x / distance, to.y / distance, to.z / distance};
        const double spread = std::asin(ball.radius / distance) + kBallMarginRad;
        for (size_t m = 0; m < models.size(); ++m) {
            for (int e = 0; e < 4; ++e) {
                const double limit = models[m].fov[e] / kDegreesPerRadian + spread;
                if (limit < std::numbers::pi)
                    cones.below[w * models.size() + m][static_cast<size_t>(e)] = std::cos(limit);
            }
        }
    }
}

// Whether the edge test refuses every sample of word w.
bool OutsideField(const PlanningCamera& camera, const WordCones& cones, size_t models, size_t model, size_t w)
{
    const std::array<double, 4>& below = cones.below[w * models + model];
    for (int e = 0; e < 4; ++e) {
        if (Dot(camera.edges[e], cones.direction[w]) < below[static_cast<size_t>(e)])
            return true;
    }
    return false;
}

// Bits of the samples `camera` sees a marker at and of those in its field,
// leaving out those set in `blocked`; `rays` from its position to every
// sample, where given.
// Words `outside` says the field misses are passed over.
void MarkerBits(const PlanningCamera& camera, const CTargetSamples& samples, const uint64_t* blocked, uint64_t* out,
                uint64_t* view, const Vec3d* rays = nullptr,
                const std::function<bool(size_t)>& outside = std::function<bool(size_t)>())
{
    const size_t words = samples.Count() / 64;
    std::fill_n(out, words, 0);
    std::fill_n(view, words, 0);
    for (size_t s = 0; s < samples.Count(); ++s) {
        if ((s & 63) == 0 && outside && outside(s >> 6)) {
            s += 63;
            continue;
        }
        if (!samples.Valid(s) || (blocked && ((blocked[s >> 6] >> (s & 63)) & 1u)))
            continue;
        const Vec3d p = samples.Point(s);
        const MarkerSight sight = rays ? SightAlong(camera, p, rays[s]) : SightOf(camera, p);
        const uint64_t bit = uint64_t{1} << (s & 63);
        if (sight.inField)
            view[s >> 6] |= bit;
        if (sight.marker)
            out[s >> 6] |= bit;
    }
}

void BlockedBits(const Vec3d& position, const CTargetSamples& samples, uint64_t* out)
{
    std::fill_n(out, samples.Count() / 64, 0);
    for (size_t s = 0; s < samples.Count(); ++s) {
        if (samples.Valid(s) && samples.Blocked(position, s))
            out[s >> 6] |= uint64_t{1} << (s & 63);
    }
}

} // namespace

CPlacementCandidates::CPlacementCandidates(const CMountGeometry& geometry, const CTargetSamples& samples,
                                           const Vec3d& userOrigin, const PlanningSettings& settings)
    : m_geometry(geometry), m_samples(samples), m_userOrigin(userOrigin), m_settings(settings)
{
}

CSightMatrix::RowCamera CPlacementCandidates::RowCameraOf(const PlanningCamera& camera)
{
    CSightMatrix::RowCamera row;
    row.position = {static_cast<float>(camera.position.x), static_cast<float>(camera.position.y),
                    static_cast<float>(camera.position.z)};
    row.axis = {static_cast<float>(camera.axis.x), static_cast<float>(camera.axis.y),
                static_cast<float>(camera.axis.z)};
    row.sigmaPerDepthMm = camera.sigmaPerDepth;
    return row;
}

CPlacementCandidates::CameraSight CPlacementCandidates::SightOfCamera(const PlanningCamera& camera) const
{
    const size_t words = m_samples.Count() / 64;
    std::vector<uint64_t> blocked(words);
    CameraSight sight{std::vector<uint64_t>(words), std::vector<uint64_t>(words)};
    BlockedBits(camera.position, m_samples, blocked.data());
    MarkerBits(camera, m_samples, blocked.data(), sight.marker.data(), sight.view.data());
    return sight;
}

void CPlacementCandidates::StoreRow(uint32_t r, const PlanningCamera& camera)
{
    const CameraSight sight = SightOfCamera(camera);
    m_pMatrix->SetRow(r, sight.marker.data(), RowCameraOf(camera), sight.view.data());
}

bool CPlacementCandidates::Build(const std::vector<FixedCamera>& fixed, const std::vector<MountPlace>& places,
                                 const std::vector<Vec3d>& aims, const std::vector<CameraModel>& models, int threads,
                                 const std::atomic<bool>* cancel, std::chrono::steady_clock::time_point deadline)
{
    m_pMatrix = std::make_unique<CSightMatrix>(m_samples.MakeMatrix());
    m_aPlaces = places;
    m_aModels = models;
    m_aCandidates.clear();
    m_nFixed = fixed.size();
    for (const FixedCamera& camera : fixed) {
        const CameraSight sight = SightOfCamera(camera.planning);
        m_pMatrix->AddRow(sight.marker.data(), RowCameraOf(camera.planning), sight.view.data());
    }

    std::vector<Candidate> all;
    for (uint32_t p = 0; p < places.size(); ++p) {
        const Vec3d from = m_geometry.Position(places[p]);
        for (uint32_t a = 0; a < aims.size(); ++a) {
            if (Length(aims[a] - from) < 1e-6)
                continue;
            const auto [hTilt, vTilt] = AimTowards(from, aims[a]);
            for (uint32_t l = 0; l < models.size(); ++l)
                all.push_back({p, a, l, {from, hTilt, vTilt}});
        }
    }
    // Each place's candidates are consecutive: its blocked samples are found once for all of them.
    std::vector<size_t> firstOfPlace(places.size() + 1, all.size());
    for (size_t c = all.size(); c-- > 0;)
        firstOfPlace[all[c].place] = c;
    for (size_t p = places.size(); p-- > 0;)
        firstOfPlace[p] = std::min(firstOfPlace[p], firstOfPlace[p + 1]);

    const size_t words = m_samples.Count() / 64;
    std::vector<uint64_t> bits(all.size() * words), views(all.size() * words);
    std::vector<PlanningCamera> cameras(all.size());
    // Each model's fields, for the balls' cones.
    std::vector<PlanningCamera> fields;
    fields.reserve(models.size());
    for (const CameraModel& model : models)
        fields.push_back(PlacedPlanningCamera(model, {}, m_userOrigin, m_settings));
    const std::vector<WordBall> balls = WordBalls(m_samples);
    const int threadCount = threads > 0 ? threads : omp_get_max_threads();
    std::atomic<bool> stopped{false};
    const bool timed = deadline != std::chrono::steady_clock::time_point::max();
#pragma omp parallel num_threads(threadCount)
    {
        std::vector<uint64_t> blocked(words);
        std::vector<Vec3d> rays(m_samples.Count());
        WordCones cones;
#pragma omp for schedule(dynamic, 1)
        for (size_t p = 0; p < places.size(); ++p) {
            const size_t first = firstOfPlace[p], end = firstOfPlace[p + 1];
            if (first == end || stopped.load(std::memory_order_relaxed))
                continue;
            if ((cancel && cancel->load(std::memory_order_relaxed)) ||
                (timed && std::chrono::steady_clock::now() >= deadline)) {
                stopped = true;
                continue;
            }
            const Vec3d position = InternalPosition(all[first].pose.position, m_userOrigin);
            BlockedBits(position, m_samples, blocked.data());
            // Every aim and lens at the place has the same rays.
            for (size_t s = 0; s < m_samples.Count(); ++s)
                rays[s] = RayTo(position, m_samples.Point(s));
            ConesFrom(position, balls, fields, cones);
            for (size_t c = first; c < end; ++c) {
                cameras[c] = PlacedPlanningCamera(models[all[c].lens], all[c].pose, m_userOrigin, m_settings);
                const PlanningCamera& camera = cameras[c];
                const size_t model = all[c].lens;
                const auto outside = [&](size_t w) { return OutsideField(camera, cones, models.size(), model, w); };
                MarkerBits(camera, m_samples, blocked.data(), bits.data() + c * words, views.data() + c * words,
                           camera.position == position ? rays.data() : nullptr, outside);
            }
        }
    }
    for (size_t c = 0; c < all.size(); ++c) {
        const uint64_t* row = bits.data() + c * words;
        if (std::all_of(row, row + words, [](uint64_t w) { return w == 0; }))
            continue;
        m_pMatrix->AddRow(row, RowCameraOf(cameras[c]), views.data() + c * words);
        m_aCandidates.push_back(all[c]);
    }
    return !stopped;
}

std::vector<uint32_t> CPlacementCandidates::RowsOfLens(uint32_t lens) const
{
    std::vector<uint32_t> rows;
    for (size_t c = 0; c < m_aCandidates.size(); ++c) {
        if (m_aCandidates[c].lens == lens)
            rows.push_back(static_cast<uint32_t>(m_nFixed + c));
    }
    return rows;
}
