#include "coverage/placement/RigScorer.h"

#include <bit>
#include <cmath>
#include <numbers>

namespace
{

// The weight of the samples set in bits & ~without & within over the words
// listed (a null mask leaves the bits as they are).
VP_POPCOUNT_CLONES int64_t WeightOfSet(const CSightMatrix& matrix, const std::vector<uint32_t>& words,
                                       const uint64_t* bits, const uint64_t* without, const uint64_t* within)
{
    int64_t sum = 0;
    for (const uint32_t w : words) {
        uint64_t v = bits[w];
        if (without)
            v &= ~without[w];
        if (within)
            v &= within[w];
        sum += matrix.WordWeight(w) * std::popcount(v);
    }
    return sum;
}

} // namespace

CRigScorer::CRigScorer(const CSightMatrix& matrix, const ScoreRule& rule)
    : m_matrix(matrix), m_rule(rule), m_nNeed(rule.robust ? rule.minCameras + 1 : rule.minCameras),
      m_dCosLow(std::cos(rule.maxAngleDeg * std::numbers::pi / 180.0)),
      m_dCosHigh(std::cos(rule.minAngleDeg * std::numbers::pi / 180.0))
{
    Assign({});
}

bool CRigScorer::PairInRange(const std::array<float, 3>& a, const std::array<float, 3>& b) const
{
    const double dot =
        static_cast<double>(a[0]) * b[0] + static_cast<double>(a[1]) * b[1] + static_cast<double>(a[2]) * b[2];
    return dot >= m_dCosLow && dot <= m_dCosHigh;
}

void CRigScorer::UpdateBits(size_t s)
{
    const size_t w = s >> 6;
    const uint64_t bit = uint64_t{1} << (s & 63);
    const bool settled = m_aPairs[s] > 0 && (!m_rule.robust || m_aSharedCount[s] == 0);
    const bool ready = m_aCount[s] + 1u >= m_nNeed;
    const bool covered = settled && m_aCount[s] >= m_nNeed;
    m_aSettled[w] = settled ? m_aSettled[w] | bit : m_aSettled[w] & ~bit;
    m_aReady[w] = ready ? m_aReady[w] | bit : m_aReady[w] & ~bit;
    m_aCovered[w] = covered ? m_aCovered[w] | bit : m_aCovered[w] & ~bit;
    m_aFull[w] = m_aCount[s] >= m_nNeed ? m_aFull[w] | bit : m_aFull[w] & ~bit;
}

void CRigScorer::Recompute()
{
    const size_t n = m_matrix.SampleCount(), words = m_matrix.WordCount();
    m_aCount.assign(n, 0);
    m_aPairs.assign(n, 0);
    m_aShared.assign(n, {kNoMember, kNoMember});
    m_aSharedCount.assign(n, 0);
    m_aCovered.assign(words, 0);
    m_aReady.assign(words, 0);
    m_aSettled.assign(words, 0);
    m_aFull.assign(words, 0);
    m_aShort.assign(words, 0);
    m_aViews.assign(n, 0);
    m_aShortWords.clear();
    m_nMemberWords = (m_aRows.size() + 63) / 64;
    m_aMembers.assign(n * m_nMemberWords, 0);
    m_score = {};
    if (m_rule.minViews > 0) {
        for (const uint32_t row : m_aRows) {
            const uint64_t* view = m_matrix.ViewBits(row);
            for (size_t w = 0; w < words; ++w) {
                for (uint64_t v = view[w]; v != 0; v &= v - 1)
                    ++m_aViews[64 * w + static_cast<size_t>(std::countr_zero(v))];
            }
        }
        const uint64_t* valid = m_matrix.Valid();
        for (size_t w = 0; w < words; ++w) {
            int64_t lacking = 0;
            for (uint64_t v = valid[w]; v != 0; v &= v - 1) {
                const size_t s = 64 * w + static_cast<size_t>(std::countr_zero(v));
                if (m_aViews[s] >= m_rule.minViews)
                    continue;
                m_aShort[w] |= uint64_t{1} << (s & 63);
                lacking += m_rule.minViews - m_aViews[s];
            }
            if (m_aShort[w] != 0)
                m_aShortWords.push_back(static_cast<uint32_t>(w));
            m_score.lacking += lacking * m_matrix.WordWeight(w);
        }
    }
    for (size_t m = 0; m < m_aRows.size(); ++m) {
        const uint64_t* bits = m_matrix.Bits(m_aRows[m]);
        m_score.seen += m_matrix.SeenWeight(m_aRows[m]);
        for (size_t w = 0; w < words; ++w) {
            for (uint64_t v = bits[w]; v != 0; v &= v - 1) {
                const size_t s = 64 * w + static_cast<size_t>(std::countr_zero(v));
                for (size_t i = 0; i < m; ++i) {
                    if (!m_matrix.Sees(m_aRows[i], s) || !PairInRange(m_aRays[m][s], m_aRays[i][s]))
                        continue;
                    const auto a = static_cast<uint16_t>(i), b = static_cast<uint16_t>(m);
                    std::array<uint16_t, 2>& shared = m_aShared[s];
                    if (m_aPairs[s]++ == 0) {
                        shared = {a, b};
                        m_aSharedCount[s] = 2;
                    } else {
                        uint8_t kept = 0;
                        for (uint8_t q = 0; q < m_aSharedCount[s]; ++q) {
                            if (shared[q] == a || shared[q] == b)
                                shared[kept++] = shared[q];
                        }
                        m_aSharedCount[s] = kept;
                    }
                }
                m_aMembers[s * m_nMemberWords + (m >> 6)] |= uint64_t{1} << (m & 63);
                ++m_aCount[s];
            }
        }
    }
    for (size_t s = 0; s < n; ++s)
        UpdateBits(s);
    for (size_t w = 0; w < words; ++w)
        m_score.covered += m_matrix.WordWeight(w) * std::popcount(m_aCovered[w]);
}

void CRigScorer::Assign(const std::vector<uint32_t>& rows)
{
    m_aRows = rows;
    m_aRays.clear();
    for (const uint32_t row : m_aRows) {
        std::vector<std::array<float, 3>> rays(m_matrix.SampleCount());
        for (size_t s = 0; s < rays.size(); ++s)
            rays[s] = m_matrix.Ray(row, s);
        m_aRays.push_back(std::move(rays));
    }
    Recompute();
}

void CRigScorer::Add(uint32_t row)
{
    std::vector<uint32_t> rows = m_aRows;
    rows.push_back(row);
    std::vector<std::array<float, 3>> rays(m_matrix.SampleCount());
    for (size_t s = 0; s < rays.size(); ++s)
        rays[s] = m_matrix.Ray(row, s);
    m_aRows = std::move(rows);
    m_aRays.push_back(std::move(rays));
    Recompute();
}

void CRigScorer::RemoveAt(size_t slot)
{
    m_aRows.erase(m_aRows.begin() + static_cast<std::ptrdiff_t>(slot));
    m_aRays.erase(m_aRays.begin() + static_cast<std::ptrdiff_t>(slot));
    Recompute();
}

bool CRigScorer::Completes(uint32_t row, size_t s) const
{
    if (m_rule.robust && m_aPairs[s] == 0)
        return false;
    const std::array<float, 3> ray = m_matrix.Ray(row, s);
    int partners = 0;
    uint16_t partner = kNoMember;
    // The members that see a marker at s, in their order.
    const uint64_t* members = m_aMembers.data() + s * m_nMemberWords;
    for (size_t word = 0; word < m_nMemberWords; ++word) {
        for (uint64_t bits = members[word]; bits != 0; bits &= bits - 1) {
            const size_t i = 64 * word + static_cast<size_t>(std::countr_zero(bits));
            if (!PairInRange(ray, m_aRays[i][s]))
                continue;
            if (!m_rule.robust)
                return true;
            // Two new pairs share only the new camera, which no earlier pair has:
            // no camera is then common to every pair.
            if (++partners == 2)
                return true;
            partner = static_cast<uint16_t>(i);
        }
    }
    if (partners == 0)
        return false;
    // One new pair: the earlier pairs' common cameras must not include its partner.
    for (uint8_t q = 0; q < m_aSharedCount[s]; ++q) {
        if (m_aShared[s][q] == partner)
            return false;
    }
    return true;
}

int64_t CRigScorer::ViewGain(uint32_t row) const
{
    return WeightOfSet(m_matrix, m_aShortWords, m_matrix.ViewBits(row), nullptr, m_aShort.data());
}

RigScore CRigScorer::Exact(uint32_t row) const
{
    const uint64_t* bits = m_matrix.Bits(row);
    int64_t gain = 0;
    for (const uint32_t w : m_matrix.Words(row)) {
        const uint64_t open = bits[w] & ~m_aCovered[w] & m_aReady[w];
        if (open == 0)
            continue;
        int64_t completed = std::popcount(open & m_aSettled[w]);
        for (uint64_t v = open & ~m_aSettled[w]; v != 0; v &= v - 1) {
            if (Completes(row, 64 * w + static_cast<size_t>(std::countr_zero(v))))
                ++completed;
        }
        gain += completed * m_matrix.WordWeight(w);
    }
    return {m_score.covered + gain, m_score.seen + m_matrix.SeenWeight(row), m_score.lacking - ViewGain(row)};
}

RigScore CRigScorer::ScoreWith(uint32_t row) const
{
    ++m_nEvaluations;
    return Exact(row);
}

bool CRigScorer::ScoresAbove(uint32_t row, const RigScore& floor, RigScore& score) const
{
    ++m_nEvaluations;
    // The views come first: fewer lacking than the floor wins whatever the rest.
    const int64_t lacking = m_score.lacking - ViewGain(row);
    if (lacking > floor.lacking)
        return false;
    if (lacking < floor.lacking) {
        score = Exact(row);
        return true;
    }
    return MarkersAbove(row, floor, lacking, score);
}

bool CRigScorer::MarkersScoreAbove(uint32_t row, const RigScore& floor, RigScore& score) const
{
    ++m_nEvaluations;
    return MarkersAbove(row, floor, m_score.lacking - ViewGain(row), score);
}

bool CRigScorer::MarkersAbove(uint32_t row, const RigScore& floor, int64_t lacking, RigScore& score) const
{
    const uint64_t* bits = m_matrix.Bits(row);
    const std::vector<uint32_t>& words = m_matrix.Words(row);
    const int64_t seen = m_score.seen + m_matrix.SeenWeight(row);
    // What the row could complete at most: every open sample.
    int64_t bound = m_score.covered + WeightOfSet(m_matrix, words, bits, m_aCovered.data(), m_aReady.data());
    auto short_of = [&](int64_t covered) {
        return covered < floor.covered || (covered == floor.covered && seen <= floor.seen);
    };
    if (short_of(bound))
        return false;
    for (const uint32_t w : words) {
        const uint64_t unsettled = bits[w] & ~m_aCovered[w] & m_aReady[w] & ~m_aSettled[w];
        for (uint64_t v = unsettled; v != 0; v &= v - 1) {
            if (Completes(row, 64 * w + static_cast<size_t>(std::countr_zero(v))))
                continue;
            bound -= m_matrix.WordWeight(w);
            if (short_of(bound))
                return false;
        }
    }
    score = {bound, seen, lacking};
    return true;
}

int64_t CRigScorer::ShortfallGain(uint32_t row) const
{
    return WeightOfSet(m_matrix, m_matrix.Words(row), m_matrix.Bits(row), m_aFull.data(), nullptr);
}
