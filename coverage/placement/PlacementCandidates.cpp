#include "coverage/placement/PlacementCandidates.h"

#include <omp.h>

#include <algorithm>

namespace
{

// Bits of the samples `camera` sees a marker at and of those in its field,
// leaving out those set in `blocked`.
void MarkerBits(const PlanningCamera& camera, const CTargetSamples& samples, const uint64_t* blocked, uint64_t* out,
                uint64_t* view)
{
    const size_t words = samples.Count() / 64;
    std::fill_n(out, words, 0);
    std::fill_n(view, words, 0);
    for (size_t s = 0; s < samples.Count(); ++s) {
        if (!samples.Valid(s) || (blocked && ((blocked[s >> 6] >> (s & 63)) & 1u)))
            continue;
        const MarkerSight sight = SightOf(camera, samples.Point(s));
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

void CPlacementCandidates::Build(const std::vector<FixedCamera>& fixed, const std::vector<MountPlace>& places,
                                 const std::vector<Vec3d>& aims, const std::vector<CameraModel>& models, int threads,
                                 const std::atomic<bool>* cancel)
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
    const int threadCount = threads > 0 ? threads : omp_get_max_threads();
#pragma omp parallel num_threads(threadCount)
    {
        std::vector<uint64_t> blocked(words);
#pragma omp for schedule(dynamic, 1)
        for (size_t p = 0; p < places.size(); ++p) {
            const size_t first = firstOfPlace[p], end = firstOfPlace[p + 1];
            if (first == end || (cancel && cancel->load(std::memory_order_relaxed)))
                continue;
            BlockedBits(InternalPosition(all[first].pose.position, m_userOrigin), m_samples, blocked.data());
            for (size_t c = first; c < end; ++c) {
                cameras[c] = PlacedPlanningCamera(models[all[c].lens], all[c].pose, m_userOrigin, m_settings);
                MarkerBits(cameras[c], m_samples, blocked.data(), bits.data() + c * words, views.data() + c * words);
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
