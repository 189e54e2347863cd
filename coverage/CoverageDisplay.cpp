#include "coverage/CoverageVolume.h"

#include <string>

int CCoverageVolume::ResolutionBand(float r) const
{
    // Band bounds are formed in extended precision from the double scale.
    const long double c = m_dResolutionMin;
    const long double w = m_dBandWidth;
    const long double v = r;
    for (int band = 1; band <= 7; ++band) {
        if (c + (band - 1) * w <= v && v < c + band * w)
            return band;
    }
    if (c + 7 * w <= v && v < m_dResolutionMax)
        return 8;
    if (v >= m_dResolutionMax)
        return kBandChocolate;
    return kBandBlack; // below the scale, or no value
}

const double* CCoverageVolume::ResolutionColor(float r, DrawColor& color) const
{
    return ApplyColor(color, BandColor(ResolutionBand(r)));
}

bool CCoverageVolume::PassesResolutionFilter(float r, const CoverageFilters& filters) const
{
    return CResolutionFilter(filters).Passes(r);
}

std::vector<VoxelPaint> CCoverageVolume::IsoListPaint(const CoverageFilters& filters) const
{
    std::vector<VoxelPaint> paint;
    if (!m_bComputed)
        return paint;
    const float ceiling = filters.displayCeiling;
    paint.reserve(m_nIsoCount);
    for (uint32_t e = 0; e < m_nIsoCount; ++e) {
        // Only a centre above the ceiling is cut; a comparison with a value
        // that is not a number keeps the voxel.
        if (IsoCentre(e)[1] > ceiling)
            continue;
        const uint32_t t = IsoIndex(e);
        paint.push_back({t, BandColor(ResolutionBand(ResolutionOfMapCamera(t)))});
    }
    return paint;
}

std::vector<VoxelPaint> CCoverageVolume::CountLayerPaint(uint32_t j, const CoverageFilters& filters) const
{
    std::vector<VoxelPaint> paint;
    if (!m_bComputed || j >= m_nCountY)
        return paint;
    paint.reserve(static_cast<size_t>(m_nCountX) * m_nCountZ);
    for (uint32_t i = 0; i < m_nCountX; ++i) {
        for (uint32_t k = 0; k < m_nCountZ; ++k) {
            const size_t t = VoxelIndex(i, j, k);
            if (InsideObstacle(t))
                continue;
            paint.push_back(
                {static_cast<uint32_t>(t), filters.IsoHolds(m_pSeenCount[t]) ? ColorName::Red : ColorName::Green});
        }
    }
    return paint;
}

std::vector<VoxelPaint> CCoverageVolume::MapLayerPaint(uint32_t j, const CoverageFilters& filters) const
{
    std::vector<VoxelPaint> paint;
    if (!m_bComputed || j >= m_nCountY)
        return paint;
    const CResolutionFilter filter(filters);
    for (uint32_t i = 0; i < m_nCountX; ++i) {
        for (uint32_t k = 0; k < m_nCountZ; ++k) {
            const size_t t = VoxelIndex(i, j, k);
            if (!IsoHoldsAt(t, filters))
                continue;
            const float r = ResolutionOfMapCamera(t);
            if (filter.Passes(r))
                paint.push_back({static_cast<uint32_t>(t), BandColor(ResolutionBand(r))});
        }
    }
    return paint;
}

// In voxel order rather than layer by layer: the grid is read once, in the
// order it lies in memory.
std::vector<int8_t> CCoverageVolume::MapBands(const CoverageFilters& filters) const
{
    std::vector<int8_t> bands(m_bComputed ? GetVoxelCount() : 0, -1);
    const CResolutionFilter filter(filters);
    const long long n = static_cast<long long>(bands.size());
#pragma omp parallel for schedule(static, 65536) num_threads(ThreadCount())
    for (long long t = 0; t < n; ++t) {
        if (!IsoHoldsAt(static_cast<size_t>(t), filters))
            continue;
        const float r = ResolutionOfMapCamera(static_cast<size_t>(t));
        if (filter.Passes(r))
            bands[t] = static_cast<int8_t>(ResolutionBand(r));
    }
    return bands;
}

bool CCoverageVolume::MapIsEmpty(const CoverageFilters& filters) const
{
    if (!m_bComputed)
        return true;
    const CResolutionFilter filter(filters);
    const size_t n = GetVoxelCount();
    for (size_t t = 0; t < n; ++t) {
        if (IsoHoldsAt(t, filters) && filter.Passes(ResolutionOfMapCamera(t)))
            return false;
    }
    return true;
}
