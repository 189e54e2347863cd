#include "coverage/QualityDisplay.h"

#include "coverage/CoverageVolume.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

// Nine evenly spaced samples of the published viridis map (public domain),
// as bytes; colours between them are interpolated linearly.
constexpr int kColorSamples = 9;
constexpr unsigned char kViridisSamples[kColorSamples][3] = {
    {0x44, 0x01, 0x54}, {0x47, 0x2d, 0x7b}, {0x3b, 0x52, 0x8b}, {0x2c, 0x72, 0x8e}, {0x21, 0x90, 0x8c},
    {0x27, 0xad, 0x81}, {0x5d, 0xc8, 0x63}, {0xaa, 0xdc, 0x32}, {0xfd, 0xe7, 0x25},
};
// Nine evenly spaced samples of a published diverging map (red, yellow,
// blue), from blue to red; the pale middle is the brightest.
constexpr unsigned char kDivergingSamples[kColorSamples][3] = {
    {0x45, 0x75, 0xb4}, {0x74, 0xad, 0xd1}, {0xab, 0xd9, 0xe9}, {0xe0, 0xf3, 0xf8}, {0xff, 0xff, 0xbf},
    {0xfe, 0xe0, 0x90}, {0xfd, 0xae, 0x61}, {0xf4, 0x6d, 0x43}, {0xd7, 0x30, 0x27},
};
constexpr double kBestAngleDeg = 90.0;
constexpr double kAngleTickDeg = 30.0;
constexpr double kMaxAngleDeg = 180.0;
// The occluded angle spans a whole turn, ticked every eighth of it.
constexpr double kOccludedTickDeg = 45.0;
constexpr double kWholeTurnDeg = 360.0;

QualityRgb Interpolate(const unsigned char (&samples)[kColorSamples][3], double f)
{
    if (!(f > 0.0))
        f = 0.0;
    f = std::min(f, 1.0) * (kColorSamples - 1);
    const int i = std::min(static_cast<int>(f), kColorSamples - 2);
    const double w = f - i;
    QualityRgb rgb{};
    for (int c = 0; c < 3; ++c)
        rgb[c] = static_cast<float>(((1.0 - w) * samples[i][c] + w * samples[i + 1][c]) / 255.0);
    return rgb;
}

// Decimals (at most 6) that print `v` exactly.
int DecimalsOf(double v)
{
    int d = 0;
    while (d < 6 && std::abs(v * std::pow(10.0, d) - std::round(v * std::pow(10.0, d))) > 1e-6)
        ++d;
    return d;
}

// Legends have room for this many intervals before the ends are widened;
// counts take one more, so that the common rigs of 6, 8 or 12 cameras end on a tick.
constexpr int kTickIntervals = 5;
constexpr int kCountTickIntervals = 6;
constexpr double kScalePercentile = 0.95;

// Nearest-rank percentile of the finite values; NaN when there are none.
double Percentile(std::vector<float> values, double q)
{
    if (values.empty())
        return std::nan("");
    const size_t rank = static_cast<size_t>(std::ceil(q * static_cast<double>(values.size())));
    const size_t index = std::min(values.size() - 1, rank == 0 ? 0 : rank - 1);
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(index), values.end());
    return values[index];
}

} // namespace

bool QualityThresholdHolds(const QualityThreshold& threshold, float v)
{
    if (std::isnan(v))
        return false;
    const float b = threshold.value;
    switch (threshold.op) {
    case 0:
        return v < b;
    case 1:
        return v <= b;
    case 2:
        return v == b;
    case 3:
        return v >= b;
    case 4:
        return v > b;
    case 5:
        return v != b;
    default:
        return false;
    }
}

QualityRgb QualityColor(double f)
{
    return Interpolate(kViridisSamples, f);
}

QualityRgb QualityDivergingColor(double f)
{
    return Interpolate(kDivergingSamples, f);
}

std::string QualityScale::TickLabel(double tick) const
{
    char text[32];
    // A tick of -0.0 after rounding prints as 0.
    std::snprintf(text, sizeof text, "%.*f", decimals, tick == 0.0 ? 0.0 : tick);
    return text;
}

QualityRgb QualityScale::ColorOf(float v) const
{
    return ColorAt((v - low) / (high - low));
}

QualityRgb QualityScale::ColorAt(double f) const
{
    return map == QualityMap::Diverging ? QualityDivergingColor(f) : QualityColor(f);
}

double RoundTickStep(double span, int maxIntervals, bool integer)
{
    if (!(span > 0.0) || !std::isfinite(span) || maxIntervals < 1)
        return 1.0;
    const double raw = span / maxIntervals;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10.0 * power;
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * power >= raw * (1.0 - 1e-9)) {
            step = m * power;
            break;
        }
    }
    return integer ? std::max(1.0, std::round(step)) : step;
}

QualityScale MakeQualityScale(double lo, double hi, bool integer)
{
    if (!std::isfinite(lo))
        lo = 0.0;
    if (!std::isfinite(hi) || hi <= lo)
        hi = lo + 1.0;
    QualityScale scale;
    scale.step = RoundTickStep(hi - lo, integer ? kCountTickIntervals : kTickIntervals, integer);
    const double first = std::floor(lo / scale.step + 1e-9);
    const double last = std::ceil(hi / scale.step - 1e-9);
    for (double k = first; k <= last; k += 1.0)
        scale.ticks.push_back(k * scale.step);
    scale.low = scale.ticks.front();
    scale.high = scale.ticks.back();
    scale.decimals = scale.step >= 1.0 ? 0 : static_cast<int>(std::ceil(-std::log10(scale.step) - 1e-9));
    return scale;
}

QualityScale MakeQualityScaleFrom(double lo, double hi)
{
    if (!std::isfinite(lo))
        lo = 0.0;
    if (!std::isfinite(hi) || hi <= lo)
        hi = lo + 1.0;
    QualityScale scale;
    scale.step = RoundTickStep(hi - lo, kTickIntervals, false);
    const double intervals = std::ceil((hi - lo) / scale.step - 1e-9);
    for (double k = 0.0; k <= intervals; k += 1.0)
        scale.ticks.push_back(lo + k * scale.step);
    scale.low = lo;
    scale.high = scale.ticks.back();
    scale.decimals = std::max(DecimalsOf(scale.step), DecimalsOf(lo));
    return scale;
}

QualityScale ComputeQualityScale(const CPlanningMeasures& planning, PlanningMeasure measure)
{
    if (measure == PlanningMeasure::Cameras) {
        const auto& figures = planning.GetCameraFigures();
        const auto counted = std::count_if(figures.begin(), figures.end(), [](const auto& f) { return f.counted; });
        QualityScale scale = MakeQualityScale(0.0, static_cast<double>(std::max<std::ptrdiff_t>(counted, 1)), true);
        scale.whole = true;
        return scale;
    }
    if (measure == PlanningMeasure::Angle) {
        // Both ends are poor: a fixed span, so that 90 degrees is always the bright middle.
        QualityScale scale;
        scale.low = 0.0;
        scale.high = kMaxAngleDeg;
        scale.step = kAngleTickDeg;
        for (double a = 0.0; a <= kMaxAngleDeg; a += kAngleTickDeg)
            scale.ticks.push_back(a);
        scale.map = QualityMap::Diverging;
        return scale;
    }
    if (measure == PlanningMeasure::Occlusion) {
        // A fixed span: a turn of 360 degrees is the same on every rig.
        QualityScale scale;
        scale.low = 0.0;
        scale.high = kWholeTurnDeg;
        scale.step = kOccludedTickDeg;
        for (double a = 0.0; a <= kWholeTurnDeg; a += kOccludedTickDeg)
            scale.ticks.push_back(a);
        return scale;
    }
    std::vector<float> values;
    for (size_t t = 0; t < planning.GetVoxelCount(); ++t) {
        const float v = planning.Value(measure, t);
        if (std::isfinite(v))
            values.push_back(v);
    }
    const double top = Percentile(std::move(values), kScalePercentile);
    if (measure == PlanningMeasure::MarkerPx)
        return MakeQualityScaleFrom(planning.GetSettings().minImagePx, top);
    return MakeQualityScale(0.0, top, false);
}

double QualityBestValue(PlanningMeasure measure, const QualityScale& scale)
{
    switch (measure) {
    case PlanningMeasure::Angle:
        return kBestAngleDeg;
    case PlanningMeasure::Sigma:
    case PlanningMeasure::Occlusion:
        return scale.low;
    case PlanningMeasure::Cameras:
    case PlanningMeasure::MarkerPx:
        break;
    }
    return scale.high;
}

bool QualityVoxelShown(const CPlanningMeasures& planning, PlanningMeasure measure,
                       const std::optional<QualityThreshold>& threshold, size_t t)
{
    if (planning.MarkerCount(t) == 0)
        return false;
    const float v = planning.Value(measure, t);
    return !std::isnan(v) && (!threshold || QualityThresholdHolds(*threshold, v));
}

std::vector<QualityVoxelPaint> QualityLayerPaint(const CCoverageVolume& volume, const CPlanningMeasures& planning,
                                                 PlanningMeasure measure, const QualityScale& scale,
                                                 const std::optional<QualityThreshold>& threshold, uint32_t j)
{
    std::vector<QualityVoxelPaint> paint;
    if (!volume.HasResults() || !planning.HasResults() || planning.GetVoxelCount() != volume.GetVoxelCount() ||
        j >= volume.GetCountY())
        return paint;
    for (uint32_t i = 0; i < volume.GetCountX(); ++i) {
        for (uint32_t k = 0; k < volume.GetCountZ(); ++k) {
            const size_t t = volume.VoxelIndex(i, j, k);
            if (QualityVoxelShown(planning, measure, threshold, t))
                paint.push_back({static_cast<uint32_t>(t), scale.ColorOf(planning.Value(measure, t))});
        }
    }
    return paint;
}
