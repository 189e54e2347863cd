#include "coverage/CoverageVolume.h"

#include "scene/SceneSettings.h"

#include <limits>
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

namespace {

// The resolution filter as the parameters set it, decoded once per display
// rather than once per voxel. It is a range between a lower and an upper
// bound, the first operator naming which bound comes first ("<", "<=" the
// upper, ">", ">=" the lower); the bounds must be in that order and the
// second operator must name the other side, else nothing passes.
class ResolutionFilter {
public:
    ResolutionFilter()
    {
        const std::string op1 = ComparisonOpText(g_nResOperator1);
        const std::string op2 = ComparisonOpText(g_nResOperator2);
        const float b1 = g_fResBound1;
        const float b2 = g_fResBound2;
        if (op1 == "==") {
            m_kind = Kind::Equal;
            m_upper = Rounded(b1);
        } else if ((op1 == "<" || op1 == "<=") && b1 >= b2 && (op2 == ">" || op2 == ">=")) {
            m_kind = Kind::Range;
            m_upperStrict = op1 == "<";
            m_lowerStrict = op2 == ">";
            m_upper = Rounded(b1);
            m_lower = Rounded(b2);
        } else if ((op1 == ">" || op1 == ">=") && b2 >= b1 && (op2 == "<" || op2 == "<=")) {
            m_kind = Kind::Range;
            m_lowerStrict = op1 == ">";
            m_upperStrict = op2 == "<";
            m_lower = Rounded(b1);
            m_upper = Rounded(b2);
        }
    }

    // The upper bound compares with the rounded value, the lower bound with
    // the value itself.
    bool Passes(float r) const
    {
        switch (m_kind) {
        case Kind::Equal:
            return Rounded(r) == m_upper;
        case Kind::Range:
            if (!(m_lowerStrict ? r > m_lower : r >= m_lower))
                return false;
            return m_upperStrict ? Rounded(r) < m_upper : Rounded(r) <= m_upper;
        case Kind::Nothing:
            break;
        }
        return false;
    }

private:
    // Both rounded sides are held as float, so that "==" 0.71 matches the
    // values that round to 0.71 and a bound compares with the float nearest it.
    static float Rounded(float v) { return static_cast<float>(RoundTo(v, 2, 10)); }

    enum class Kind { Nothing, Equal, Range };
    Kind m_kind = Kind::Nothing;
    bool m_lowerStrict = false;
    bool m_upperStrict = false;
    float m_lower = 0.0f;
    float m_upper = 0.0f;
};

} // namespace

bool CCoverageVolume::PassesResolutionFilter(float r) const
{
    return ResolutionFilter().Passes(r);
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
            if (InsideObstacle(t))
                continue;
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
    const ResolutionFilter filter;
    for (uint32_t i = 0; i < m_nCountX; ++i) {
        for (uint32_t k = 0; k < m_nCountZ; ++k) {
            const size_t t = VoxelIndex(i, j, k);
            if (!IsoConditionHolds(m_pSeenCount[t]) || InsideObstacle(t))
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
std::vector<int8_t> CCoverageVolume::MapBands() const
{
    std::vector<int8_t> bands(m_bComputed ? GetVoxelCount() : 0, -1);
    const ResolutionFilter filter;
    const long long n = static_cast<long long>(bands.size());
#pragma omp parallel for schedule(static, 65536) num_threads(ThreadCount())
    for (long long t = 0; t < n; ++t) {
        if (!IsoConditionHolds(m_pSeenCount[t]))
            continue;
        const float r = ResolutionOfMapCamera(static_cast<size_t>(t));
        if (filter.Passes(r))
            bands[t] = static_cast<int8_t>(ResolutionBand(r));
    }
    return bands;
}

bool CCoverageVolume::MapIsEmpty() const
{
    if (!m_bComputed)
        return true;
    const ResolutionFilter filter;
    const size_t n = GetVoxelCount();
    for (size_t t = 0; t < n; ++t) {
        if (IsoConditionHolds(m_pSeenCount[t]) && filter.Passes(ResolutionOfMapCamera(t)))
            return false;
    }
    return true;
}
