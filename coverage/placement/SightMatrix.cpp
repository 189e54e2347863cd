#include "coverage/placement/SightMatrix.h"

#include <bit>
#include <cmath>
#include <stdexcept>

CSightMatrix::CSightMatrix(std::vector<std::array<float, 3>> samples, std::vector<int64_t> wordWeights,
                           std::vector<uint64_t> valid)
    : m_aSamples(std::move(samples)), m_aWeights(std::move(wordWeights)), m_aValid(std::move(valid))
{
    if (m_aSamples.size() != 64 * m_aWeights.size() || m_aValid.size() != m_aWeights.size())
        throw std::invalid_argument("sight matrix: samples, weights and valid words disagree");
    m_nTotalWeight = WeightOf(m_aValid.data());
}

namespace
{

VP_POPCOUNT_CLONES int64_t WeightedCount(const int64_t* weights, size_t words, const uint64_t* bits)
{
    int64_t sum = 0;
    for (size_t w = 0; w < words; ++w)
        sum += weights[w] * std::popcount(bits[w]);
    return sum;
}

} // namespace

int64_t CSightMatrix::WeightOf(const uint64_t* bits) const
{
    return WeightedCount(m_aWeights.data(), m_aWeights.size(), bits);
}

uint32_t CSightMatrix::AddRow(const uint64_t* bits, const RowCamera& camera, const uint64_t* viewBits)
{
    const auto r = static_cast<uint32_t>(m_aRows.size());
    m_aBits.resize(m_aBits.size() + WordCount());
    m_aViewBits.resize(m_aViewBits.size() + WordCount());
    m_aRows.push_back(camera);
    m_aRowWords.emplace_back();
    m_aSeenWeight.push_back(0);
    SetRow(r, bits, camera, viewBits);
    return r;
}

void CSightMatrix::SetRow(uint32_t r, const uint64_t* bits, const RowCamera& camera, const uint64_t* viewBits)
{
    uint64_t* row = m_aBits.data() + static_cast<size_t>(r) * WordCount();
    uint64_t* view = m_aViewBits.data() + static_cast<size_t>(r) * WordCount();
    std::vector<uint32_t>& words = m_aRowWords[r];
    words.clear();
    for (size_t w = 0; w < WordCount(); ++w) {
        row[w] = bits[w] & m_aValid[w];
        view[w] = ((viewBits ? viewBits[w] : 0) | bits[w]) & m_aValid[w];
        if (row[w] != 0)
            words.push_back(static_cast<uint32_t>(w));
    }
    m_aRows[r] = camera;
    m_aSeenWeight[r] = WeightOf(row);
}

std::array<float, 3> CSightMatrix::UnitRay(float x, float y, float z)
{
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f)
        return {0.0f, 0.0f, 0.0f};
    return {x / length, y / length, z / length};
}
