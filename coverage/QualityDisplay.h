#pragma once

#include "coverage/PlanningMeasures.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CCoverageVolume;

// A voxel of the Quality display is shown only where `value OP value` holds,
// op an index into kComparisonOps.
struct QualityThreshold {
    unsigned op = 3; // ">="
    float value = 0.0f;
    friend bool operator==(const QualityThreshold&, const QualityThreshold&) = default;
};

// Whether `v` meets the threshold; never for a value that is not a number or
// an operator index beyond the table.
bool QualityThresholdHolds(const QualityThreshold& threshold, float v);

using QualityRgb = std::array<float, 3>;

// The perceptually uniform colour map at f in [0, 1] (clamped; NaN gives the
// low end): dark violet through blue and green to yellow.
QualityRgb QualityColor(double f);
// The diverging map at f in [0, 1] (clamped; NaN gives the low end): deep
// blue at 0, pale yellow, the brightest, at 0.5, deep red at 1.
QualityRgb QualityDivergingColor(double f);

// How a scale colours its span: bright at the top (sequential), or bright in
// the middle with both ends dark (diverging).
enum class QualityMap { Sequential, Diverging };

// What the colours of one measure span and the legend's round ticks.
struct QualityScale {
    double low = 0.0;
    double high = 1.0;
    double step = 1.0;
    // From low to high in steps of `step`; both ends are ticks.
    std::vector<double> ticks;
    // Decimals a tick is printed with: as many as the step needs.
    int decimals = 0;
    QualityMap map = QualityMap::Sequential;
    // Whole counts: a legend gives every count from low to high its own swatch.
    bool whole = false;
    std::string TickLabel(double tick) const;
    // The colour of a value; values beyond the span take the end colours.
    QualityRgb ColorOf(float v) const;
    // The colour at f in [0, 1] of the span, in the scale's map.
    QualityRgb ColorAt(double f) const;
};

// A round step (1, 2 or 5 times a power of ten) that divides `span` into at
// most `maxIntervals` parts; whole steps only when `integer`.
double RoundTickStep(double span, int maxIntervals, bool integer);
// The scale over [lo, hi] widened outward to whole steps.
QualityScale MakeQualityScale(double lo, double hi, bool integer);
// The scale from exactly `lo` in round steps up to `hi` or just beyond.
QualityScale MakeQualityScaleFrom(double lo, double hi);

// The scale of a measure over the computed values: cameras from 0 to the
// cameras counted, a swatch per count; best angle from 0 to 180 degrees on the
// diverging map, 90 the brightest; marker size from exactly the settings'
// least image size and expected error from 0, both up to the 95th percentile
// so that a few voxels next to a lens do not take the whole map.
QualityScale ComputeQualityScale(const CPlanningMeasures& planning, PlanningMeasure measure);
// The value where a measure is best on its scale, which the legends mark:
// the top for counts and marker size, 90 degrees for the angle, the bottom
// for the expected error.
double QualityBestValue(PlanningMeasure measure, const QualityScale& scale);

// One voxel of the Quality display and its colour.
struct QualityVoxelPaint {
    uint32_t voxel;
    QualityRgb color;
};

// Whether the Quality display of `measure` draws voxel t of its layer: the
// voxel has a value (no camera sees a marker in it: none, for every measure)
// that meets the threshold.
bool QualityVoxelShown(const CPlanningMeasures& planning, PlanningMeasure measure,
                       const std::optional<QualityThreshold>& threshold, size_t t);

// Layer j of the Quality display: voxels with a value (voxels no camera sees
// a marker in have none, for every measure) that meet the threshold, in their
// scale colours; i over x outer, k over z inner, as the resolution map.
std::vector<QualityVoxelPaint> QualityLayerPaint(const CCoverageVolume& volume, const CPlanningMeasures& planning,
                                                 PlanningMeasure measure, const QualityScale& scale,
                                                 const std::optional<QualityThreshold>& threshold, uint32_t j);
