#include "coverage/placement/OcclusionSwap.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace
{

constexpr double kArcDeg = 360.0 / COcclusionSwap::kArcs;
constexpr size_t kOverhead = 360;
// How often the candidate loops look at the clock and the flag.
constexpr uint32_t kSwapCheckEvery = 64;

int ArcCount(const COcclusionSwap::ArcMask& mask)
{
    return std::popcount(mask[0]) + std::popcount(mask[1]);
}

bool SwapStopped(const SearchSettings& settings)
{
    if (settings.cancel && settings.cancel->load(std::memory_order_relaxed))
        return true;
    return settings.deadline != std::chrono::steady_clock::time_point::max() &&
           std::chrono::steady_clock::now() >= settings.deadline;
}

} // namespace

COcclusionSwap::COcclusionSwap(const CSightMatrix& matrix, const ScoreRule& rule)
    : m_matrix(matrix), m_rule(rule), m_dCosLow(std::cos(rule.maxAngleDeg * std::numbers::pi / 180.0)),
      m_dCosHigh(std::cos(rule.minAngleDeg * std::numbers::pi / 180.0)), m_aHalfTurns(kOverhead + 1)
{
    // A camera whose ray has azimuth a stays visible with the normal at t
    // for (a - t) mod 360 in [180, 360).
    for (size_t degree = 0; degree < kOverhead; ++degree) {
        const double a = static_cast<double>(degree) + 0.5;
        for (int arc = 0; arc < kArcs; ++arc) {
            const double d = std::fmod(a - (arc + 0.5) * kArcDeg + 720.0, 360.0);
            if (d >= 180.0)
                m_aHalfTurns[degree][static_cast<size_t>(arc) >> 6] |= uint64_t{1} << (arc & 63);
        }
    }
    for (int arc = 0; arc < kArcs; ++arc)
        m_aHalfTurns[kOverhead][static_cast<size_t>(arc) >> 6] |= uint64_t{1} << (arc & 63);
}

const COcclusionSwap::ArcMask& COcclusionSwap::HalfTurn(const std::array<float, 3>& ray) const
{
    if (std::hypot(ray[0], ray[2]) <= 1e-9)
        return m_aHalfTurns[kOverhead];
    double degrees = std::atan2(ray[2], ray[0]) * 180.0 / std::numbers::pi;
    degrees = degrees < 0.0 ? degrees + 360.0 : degrees;
    return m_aHalfTurns[std::min<size_t>(static_cast<size_t>(degrees), kOverhead - 1)];
}

bool COcclusionSwap::PairInRange(const std::array<float, 3>& a, const std::array<float, 3>& b) const
{
    const double dot =
        static_cast<double>(a[0]) * b[0] + static_cast<double>(a[1]) * b[1] + static_cast<double>(a[2]) * b[2];
    return dot >= m_dCosLow && dot <= m_dCosHigh;
}

COcclusionSwap::ArcMask COcclusionSwap::MaskAt(size_t s) const
{
    ArcMask mask{0, 0};
    for (size_t a = 0; a < m_aRows.size(); ++a) {
        if (!m_matrix.Sees(m_aRows[a], s))
            continue;
        const std::array<float, 3> u = m_matrix.Ray(m_aRows[a], s);
        for (size_t b = a + 1; b < m_aRows.size(); ++b) {
            if (!m_matrix.Sees(m_aRows[b], s))
                continue;
            const std::array<float, 3> v = m_matrix.Ray(m_aRows[b], s);
            if (!PairInRange(u, v))
                continue;
            const ArcMask &hu = HalfTurn(u), &hv = HalfTurn(v);
            mask[0] |= hu[0] & hv[0];
            mask[1] |= hu[1] & hv[1];
        }
    }
    return mask;
}

void COcclusionSwap::Rebuild()
{
    const size_t n = m_matrix.SampleCount();
    m_aMask.assign(n, {0, 0});
    m_aViews.assign(n, 0);
    m_nFree = 0;
    for (const uint32_t row : m_aRows) {
        const uint64_t* view = m_matrix.ViewBits(row);
        for (size_t w = 0; w < m_matrix.WordCount(); ++w)
            for (uint64_t v = view[w]; v != 0; v &= v - 1)
                ++m_aViews[64 * w + static_cast<size_t>(std::countr_zero(v))];
    }
    const uint64_t* valid = m_matrix.Valid();
    for (size_t w = 0; w < m_matrix.WordCount(); ++w) {
        for (uint64_t v = valid[w]; v != 0; v &= v - 1) {
            const size_t s = 64 * w + static_cast<size_t>(std::countr_zero(v));
            m_aMask[s] = MaskAt(s);
            m_nFree += m_matrix.WordWeight(w) * ArcCount(m_aMask[s]);
        }
    }
}

int64_t COcclusionSwap::Gain(uint32_t row) const
{
    const uint64_t* bits = m_matrix.Bits(row);
    int64_t gain = 0;
    for (size_t w = 0; w < m_matrix.WordCount(); ++w) {
        for (uint64_t v = bits[w]; v != 0; v &= v - 1) {
            const size_t s = 64 * w + static_cast<size_t>(std::countr_zero(v));
            const ArcMask& mask = m_aMask[s];
            if (ArcCount(mask) == kArcs)
                continue;
            const std::array<float, 3> u = m_matrix.Ray(row, s);
            const ArcMask& hu = HalfTurn(u);
            ArcMask grown = mask;
            for (const uint32_t member : m_aRows) {
                if (!m_matrix.Sees(member, s))
                    continue;
                const std::array<float, 3> m = m_matrix.Ray(member, s);
                if (!PairInRange(u, m))
                    continue;
                const ArcMask& hm = HalfTurn(m);
                grown[0] |= hu[0] & hm[0];
                grown[1] |= hu[1] & hm[1];
            }
            gain += m_matrix.WordWeight(w) * (ArcCount(grown) - ArcCount(mask));
        }
    }
    return gain;
}

int64_t COcclusionSwap::ViewDelta(uint32_t in, uint32_t out) const
{
    // With `out` taken from the rig: the views lacking are fewer where `in`
    // sees a sample short of the need, more where `out` saw one.
    int64_t delta = 0;
    const uint64_t *add = m_matrix.ViewBits(in), *drop = m_matrix.ViewBits(out);
    for (size_t w = 0; w < m_matrix.WordCount(); ++w) {
        for (uint64_t v = add[w] ^ drop[w]; v != 0; v &= v - 1) {
            const size_t s = 64 * w + static_cast<size_t>(std::countr_zero(v));
            const bool adds = (add[w] >> (s & 63)) & 1u;
            const uint32_t views = m_aViews[s];
            if (adds && views < m_rule.minViews)
                delta -= m_matrix.WordWeight(w);
            else if (!adds && views < m_rule.minViews)
                delta += m_matrix.WordWeight(w);
        }
    }
    return delta;
}

void COcclusionSwap::Run(const std::vector<uint32_t>& fixed, std::vector<uint32_t>& slots,
                         const std::vector<std::vector<uint32_t>>& slotCandidates, const SearchSettings& settings)
{
    m_aRows = fixed;
    m_aRows.insert(m_aRows.end(), slots.begin(), slots.end());
    Rebuild();
    const double limit = settings.minSpacing * settings.minSpacing;
    uint32_t sinceCheck = 0;
    for (bool improved = true; improved;) {
        improved = false;
        for (size_t k = 0; k < slots.size(); ++k) {
            const uint32_t current = slots[k];
            const size_t member = fixed.size() + k;
            m_aRows.erase(m_aRows.begin() + static_cast<std::ptrdiff_t>(member));
            Rebuild();
            uint32_t best = current;
            int64_t bestGain = Gain(current);
            for (const uint32_t row : slotCandidates[k]) {
                if (++sinceCheck == kSwapCheckEvery) {
                    sinceCheck = 0;
                    if (SwapStopped(settings)) {
                        m_aRows.insert(m_aRows.begin() + static_cast<std::ptrdiff_t>(member), best);
                        slots[k] = best;
                        Rebuild();
                        return;
                    }
                }
                if (row == current || ViewDelta(row, current) > 0)
                    continue;
                const std::array<float, 3>& p = m_matrix.Camera(row).position;
                const bool spaced = std::all_of(m_aRows.begin(), m_aRows.end(), [&](uint32_t other) {
                    const std::array<float, 3>& q = m_matrix.Camera(other).position;
                    const double dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
                    return dx * dx + dy * dy + dz * dz >= limit;
                });
                if (!spaced)
                    continue;
                const int64_t gain = Gain(row);
                if (gain > bestGain) {
                    bestGain = gain;
                    best = row;
                }
            }
            m_aRows.insert(m_aRows.begin() + static_cast<std::ptrdiff_t>(member), best);
            if (best != current) {
                slots[k] = best;
                improved = true;
            }
        }
        Rebuild();
    }
}
