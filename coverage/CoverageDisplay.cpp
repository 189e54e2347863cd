#include "coverage/CoverageVolume.h"

#include "scene/SceneSettings.h"

#include <limits>

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

const double* CCoverageVolume::ResolutionColor(float r) const
{
    const ColorName name = BandColor(ResolutionBand(r));
    if (DrawColor* color = GetDrawColor())
        return ApplyColor(*color, name);
    // Without the process-wide colour (tests, the command line) a colour of
    // our own holds the doubles.
    static DrawColor local;
    return ApplyColor(local, name);
}

bool CCoverageVolume::PassesResolutionFilter(float r) const
{
    // Both rounded sides are held as float, so that "==" 0.71 matches the
    // values that round to 0.71 and a bound compares with the float nearest it.
    const auto rho = [](float v) { return static_cast<float>(RoundTo(v, 2, 10)); };
    const float b1 = g_fResBound1;
    const float b2 = g_fResBound2;
    const float rr = rho(r);
    const float lo1 = rho(b1);
    const float lo2 = rho(b2);
    const std::string op1 = ComparisonOpText(g_nResOperator1);
    const std::string op2 = ComparisonOpText(g_nResOperator2);

    if (op1 == "==")
        return rr == lo1;
    // The first operator names the upper bound ("<", "<=") or the lower one
    // (">", ">="); the bounds must be in that order.
    if (op1 == "<" || op1 == "<=") {
        if (!(b1 >= b2))
            return false;
        const bool below = op1 == "<" ? rr < lo1 : rr <= lo1;
        if (op2 == ">")
            return below && r > lo2;
        if (op2 == ">=")
            return below && r >= lo2;
        return false;
    }
    if (op1 == ">" || op1 == ">=") {
        if (!(b2 >= b1))
            return false;
        const bool above = op1 == ">" ? r > lo1 : r >= lo1;
        if (op2 == "<")
            return above && rr < lo2;
        if (op2 == "<=")
            return above && rr <= lo2;
        return false;
    }
    return false;
}

std::vector<VoxelPaint> CCoverageVolume::IsoListPaint() const
{
    std::vector<VoxelPaint> paint;
    if (!m_bComputed)
        return paint;
    const SceneSettings* settings = GetSceneSettings();
    const float ceiling = settings ? settings->GetDisplayCeiling() : std::numeric_limits<float>::infinity();
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

std::vector<VoxelPaint> CCoverageVolume::CountLayerPaint(uint32_t j) const
{
    std::vector<VoxelPaint> paint;
    if (!m_bComputed || j >= m_nCountY)
        return paint;
    paint.reserve(static_cast<size_t>(m_nCountX) * m_nCountZ);
    for (uint32_t i = 0; i < m_nCountX; ++i) {
        for (uint32_t k = 0; k < m_nCountZ; ++k) {
            const size_t t = VoxelIndex(i, j, k);
            paint.push_back(
                {static_cast<uint32_t>(t), IsoConditionHolds(m_pSeenCount[t]) ? ColorName::Red : ColorName::Green});
        }
    }
    return paint;
}

std::vector<VoxelPaint> CCoverageVolume::MapLayerPaint(uint32_t j) const
{
    std::vector<VoxelPaint> paint;
    if (!m_bComputed || j >= m_nCountY)
        return paint;
    for (uint32_t i = 0; i < m_nCountX; ++i) {
        for (uint32_t k = 0; k < m_nCountZ; ++k) {
            const size_t t = VoxelIndex(i, j, k);
            if (!IsoConditionHolds(m_pSeenCount[t]))
                continue;
            const float r = ResolutionOfMapCamera(t);
            if (PassesResolutionFilter(r))
                paint.push_back({static_cast<uint32_t>(t), BandColor(ResolutionBand(r))});
        }
    }
    return paint;
}
