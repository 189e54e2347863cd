// The Quality display's data: colour map, scales and ticks, the threshold and
// the layer paint over a computed rig.
#include "support/CoverageFixture.h"

#include "coverage/QualityDisplay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace
{

QualityRgb FromBytes(double r, double g, double b)
{
    return {static_cast<float>(r / 255.0), static_cast<float>(g / 255.0), static_cast<float>(b / 255.0)};
}

void ExpectColorNear(const QualityRgb& actual, const QualityRgb& expected, const std::string& what)
{
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(actual[c], expected[c], 1e-6) << what << " channel " << c;
}

TEST(QualityColorTest, SamplesEndsAndInterpolation)
{
    struct Case {
        double f;
        QualityRgb expected;
    };
    const Case cases[] = {
        {0.0, FromBytes(0x44, 0x01, 0x54)},
        {0.5, FromBytes(0x21, 0x90, 0x8c)},
        {1.0, FromBytes(0xfd, 0xe7, 0x25)},
        {0.125, FromBytes(0x47, 0x2d, 0x7b)},
        // Halfway between the last two samples.
        {0.9375, FromBytes((0xaa + 0xfd) / 2.0, (0xdc + 0xe7) / 2.0, (0x32 + 0x25) / 2.0)},
        // Out of range and NaN take the ends.
        {-3.0, FromBytes(0x44, 0x01, 0x54)},
        {7.0, FromBytes(0xfd, 0xe7, 0x25)},
        {std::nan(""), FromBytes(0x44, 0x01, 0x54)},
    };
    for (const Case& c : cases)
        ExpectColorNear(QualityColor(c.f), c.expected, "f = " + std::to_string(c.f));
    // Perceptually ordered: lightness (a luma proxy) rises along the map.
    double last = -1.0;
    for (int s = 0; s <= 64; ++s) {
        const QualityRgb rgb = QualityColor(s / 64.0);
        const double luma = 0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2];
        EXPECT_GT(luma, last) << s;
        last = luma;
    }
}

TEST(QualityScaleTest, RoundStepsAndWidenedEnds)
{
    struct Case {
        double lo, hi;
        bool integer;
        double step, low, high;
        size_t ticks;
        int decimals;
    };
    const Case cases[] = {
        {0.0, 4.0, true, 1.0, 0.0, 4.0, 5, 0},
        {0.0, 1.0, true, 1.0, 0.0, 1.0, 2, 0},
        {0.0, 12.0, true, 2.0, 0.0, 12.0, 7, 0},
        {0.0, 16.0, true, 5.0, 0.0, 20.0, 5, 0},
        {0.0, 4.8, false, 1.0, 0.0, 5.0, 6, 0},
        {3.0, 11.2, false, 2.0, 2.0, 12.0, 6, 0},
        {0.0, 0.37, false, 0.1, 0.0, 0.4, 5, 1},
        {0.12, 0.31, false, 0.05, 0.1, 0.35, 6, 2},
        {41.3, 138.9, false, 20.0, 40.0, 140.0, 6, 0},
        // Nothing to span: one step above.
        {2.0, 2.0, false, 0.2, 2.0, 3.0, 6, 1},
        {std::nan(""), std::nan(""), false, 0.2, 0.0, 1.0, 6, 1},
    };
    for (const Case& c : cases) {
        const QualityScale scale = MakeQualityScale(c.lo, c.hi, c.integer);
        const std::string what = std::to_string(c.lo) + " .. " + std::to_string(c.hi);
        EXPECT_DOUBLE_EQ(scale.step, c.step) << what;
        EXPECT_NEAR(scale.low, c.low, 1e-12) << what;
        EXPECT_NEAR(scale.high, c.high, 1e-12) << what;
        ASSERT_EQ(scale.ticks.size(), c.ticks) << what;
        EXPECT_EQ(scale.decimals, c.decimals) << what;
        EXPECT_FALSE(scale.low > c.lo) << what;
        EXPECT_FALSE(scale.high < c.hi) << what;
        for (size_t i = 1; i < scale.ticks.size(); ++i)
            EXPECT_NEAR(scale.ticks[i] - scale.ticks[i - 1], c.step, 1e-12) << what;
    }
}

TEST(QualityScaleTest, TickLabelsAndColours)
{
    const QualityScale fine = MakeQualityScale(0.0, 0.37, false);
    EXPECT_EQ(fine.TickLabel(fine.ticks[3]), "0.3");
    EXPECT_EQ(fine.TickLabel(-0.0), "0.0");
    const QualityScale counts = MakeQualityScale(0.0, 4.0, true);
    EXPECT_EQ(counts.TickLabel(3.0), "3");
    ExpectColorNear(counts.ColorOf(2.0f), QualityColor(0.5), "middle");
    ExpectColorNear(counts.ColorOf(9.0f), QualityColor(1.0), "above");
    ExpectColorNear(counts.ColorOf(-1.0f), QualityColor(0.0), "below");
}

TEST(QualityThresholdTest, OperatorsOfTheComparisonTable)
{
    struct Case {
        unsigned op;
        float v;
        bool holds;
    };
    // Against a threshold of 2.
    const Case cases[] = {{0, 1.0f, true},  {0, 2.0f, false},          {1, 2.0f, true},          {1, 2.5f, false},
                          {2, 2.0f, true},  {2, 2.1f, false},          {3, 2.0f, true},          {3, 1.9f, false},
                          {4, 2.1f, true},  {4, 2.0f, false},          {5, 3.0f, true},          {5, 2.0f, false},
                          {6, 2.0f, false}, {3, std::nanf(""), false}, {5, std::nanf(""), false}};
    for (const Case& c : cases)
        EXPECT_EQ(QualityThresholdHolds({c.op, 2.0f}, c.v), c.holds) << "op " << c.op << " v " << c.v;
}

class QualityPaintTest : public CoverageTest
{
  protected:
    void ComputeAll()
    {
        MakeRig(4);
        Compute();
        ASSERT_EQ(planning.Compute(volume, computed), CPlanningMeasures::Status::Ok);
    }
    CPlanningMeasures planning;
};

TEST_F(QualityPaintTest, LayersHoldTheVoxelsWithAValueInMapOrder)
{
    ComputeAll();
    for (const PlanningMeasure measure :
         {PlanningMeasure::Cameras, PlanningMeasure::MarkerPx, PlanningMeasure::Angle, PlanningMeasure::Sigma}) {
        const QualityScale scale = ComputeQualityScale(planning, measure);
        std::set<size_t> painted;
        for (uint32_t j = 0; j < volume.GetCountY(); ++j) {
            size_t last = 0;
            bool first = true;
            for (const QualityVoxelPaint& p : QualityLayerPaint(volume, planning, measure, scale, std::nullopt, j)) {
                // t = j + CountY (i + CountX k): i outer and k inner, the order of the map.
                const size_t i = (p.voxel / volume.GetCountY()) % volume.GetCountX();
                const size_t k = p.voxel / volume.GetCountY() / volume.GetCountX();
                const size_t order = i * volume.GetCountZ() + k;
                EXPECT_EQ(p.voxel % volume.GetCountY(), j);
                EXPECT_TRUE(first || order > last);
                first = false;
                last = order;
                ExpectColorNear(p.color, scale.ColorOf(planning.Value(measure, p.voxel)), "voxel colour");
                painted.insert(p.voxel);
            }
        }
        size_t expected = 0;
        for (size_t t = 0; t < volume.GetVoxelCount(); ++t) {
            const bool hasValue = planning.MarkerCount(t) > 0 && !std::isnan(planning.Value(measure, t));
            expected += hasValue ? 1 : 0;
            EXPECT_EQ(painted.count(t), hasValue ? 1u : 0u) << PlanningMeasureKey(measure) << " voxel " << t;
        }
        EXPECT_EQ(painted.size(), expected) << PlanningMeasureKey(measure);
        EXPECT_GT(expected, 0u) << PlanningMeasureKey(measure);
    }
}

TEST_F(QualityPaintTest, ThresholdKeepsOnlyTheVoxelsMeetingIt)
{
    ComputeAll();
    const QualityScale scale = ComputeQualityScale(planning, PlanningMeasure::Cameras);
    EXPECT_EQ(scale.low, 0.0);
    EXPECT_EQ(scale.high, 4.0);
    const QualityThreshold atLeastTwo{3, 2.0f};
    size_t shown = 0;
    for (uint32_t j = 0; j < volume.GetCountY(); ++j)
        for (const QualityVoxelPaint& p :
             QualityLayerPaint(volume, planning, PlanningMeasure::Cameras, scale, atLeastTwo, j)) {
            EXPECT_GE(planning.MarkerCount(p.voxel), 2u);
            ++shown;
        }
    EXPECT_EQ(shown, planning.MarkerAtLeast()[2]);
    EXPECT_GT(shown, 0u);
    // Nothing past the grid or before a computation.
    EXPECT_TRUE(
        QualityLayerPaint(volume, planning, PlanningMeasure::Cameras, scale, std::nullopt, volume.GetCountY()).empty());
    EXPECT_TRUE(
        QualityLayerPaint(volume, CPlanningMeasures{}, PlanningMeasure::Cameras, scale, std::nullopt, 0).empty());
}

double Luminance(const QualityRgb& c)
{
    return 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2];
}

TEST(QualityColorTest, DivergingMapIsBrightestInTheMiddleAndDarkAtBothEnds)
{
    // Brightness climbs to the middle and falls after it, so 90 degrees stands out and both ends read poor.
    double previous = Luminance(QualityDivergingColor(0.0));
    for (int s = 1; s <= 32; ++s) {
        const double now = Luminance(QualityDivergingColor(s / 64.0));
        EXPECT_GT(now, previous - 1e-9) << "rising at " << s;
        previous = now;
    }
    for (int s = 33; s <= 64; ++s) {
        const double now = Luminance(QualityDivergingColor(s / 64.0));
        EXPECT_LT(now, previous + 1e-9) << "falling at " << s;
        previous = now;
    }
    EXPECT_GT(Luminance(QualityDivergingColor(0.5)), Luminance(QualityDivergingColor(0.0)) + 0.4);
    EXPECT_GT(Luminance(QualityDivergingColor(0.5)), Luminance(QualityDivergingColor(1.0)) + 0.4);
    // The two ends differ in hue: blue below the middle, red above it.
    const QualityRgb low = QualityDivergingColor(0.0), high = QualityDivergingColor(1.0);
    EXPECT_GT(low[2], low[0]);
    EXPECT_GT(high[0], high[2]);
    ExpectColorNear(QualityDivergingColor(std::nan("")), low, "NaN");
    ExpectColorNear(QualityDivergingColor(2.0), high, "above");
}

TEST(QualityScaleTest, ScaleFromAFixedLowEndStartsExactlyThere)
{
    struct Case {
        double lo, hi;
        double step, high;
        int decimals;
    };
    const Case cases[] = {{3.0, 14.0, 5.0, 18.0, 0},
                          {2.5, 13.0, 5.0, 17.5, 1},
                          {4.0, 4.0, 0.2, 5.0, 1},
                          {6.0, 56.0, 10.0, 56.0, 0},
                          {2.0, std::nan(""), 0.2, 3.0, 1}};
    for (const Case& c : cases) {
        const std::string what = "from " + std::to_string(c.lo) + " to " + std::to_string(c.hi);
        const QualityScale scale = MakeQualityScaleFrom(c.lo, c.hi);
        EXPECT_EQ(scale.low, c.lo) << what;
        EXPECT_EQ(scale.ticks.front(), c.lo) << what;
        EXPECT_NEAR(scale.step, c.step, 1e-12) << what;
        EXPECT_NEAR(scale.high, c.high, 1e-9) << what;
        EXPECT_EQ(scale.ticks.back(), scale.high) << what;
        EXPECT_EQ(scale.decimals, c.decimals) << what;
        for (size_t i = 1; i < scale.ticks.size(); ++i)
            EXPECT_NEAR(scale.ticks[i] - scale.ticks[i - 1], scale.step, 1e-9) << what;
    }
    EXPECT_EQ(MakeQualityScaleFrom(2.5, 13.0).TickLabel(2.5), "2.5");
}

TEST_F(QualityPaintTest, EachMeasureHasItsMapItsSpanAndItsBestEnd)
{
    planningSettings.minImagePx = 3.0;
    ComputeAll();

    const QualityScale cameras = ComputeQualityScale(planning, PlanningMeasure::Cameras);
    EXPECT_TRUE(cameras.whole);
    EXPECT_EQ(cameras.map, QualityMap::Sequential);
    EXPECT_EQ(QualityBestValue(PlanningMeasure::Cameras, cameras), cameras.high);

    // The angle: always 0 to 180 degrees on the diverging map, 90 the brightest whatever the rig.
    const QualityScale angle = ComputeQualityScale(planning, PlanningMeasure::Angle);
    EXPECT_EQ(angle.map, QualityMap::Diverging);
    EXPECT_FALSE(angle.whole);
    EXPECT_EQ(angle.low, 0.0);
    EXPECT_EQ(angle.high, 180.0);
    EXPECT_EQ(angle.ticks, (std::vector<double>{0.0, 30.0, 60.0, 90.0, 120.0, 150.0, 180.0}));
    EXPECT_EQ(QualityBestValue(PlanningMeasure::Angle, angle), 90.0);
    for (const float a : {0.0f, 30.0f, 60.0f, 120.0f, 150.0f, 180.0f})
        EXPECT_LT(Luminance(angle.ColorOf(a)), Luminance(angle.ColorOf(90.0f))) << a;
    EXPECT_LT(Luminance(angle.ColorOf(10.0f)), Luminance(angle.ColorOf(45.0f)));
    EXPECT_LT(Luminance(angle.ColorOf(170.0f)), Luminance(angle.ColorOf(135.0f)));
    // The voxels take the diverging colours too.
    bool painted = false;
    for (uint32_t j = 0; j < volume.GetCountY(); ++j)
        for (const QualityVoxelPaint& p : QualityLayerPaint(volume, planning, PlanningMeasure::Angle, angle, {}, j)) {
            ExpectColorNear(p.color, QualityDivergingColor(planning.Value(PlanningMeasure::Angle, p.voxel) / 180.0),
                            "angle voxel");
            painted = true;
        }
    EXPECT_TRUE(painted);

    // Marker size from the least image size itself, not widened below it.
    const QualityScale marker = ComputeQualityScale(planning, PlanningMeasure::MarkerPx);
    EXPECT_EQ(marker.low, 3.0);
    EXPECT_EQ(marker.ticks.front(), 3.0);
    EXPECT_EQ(QualityBestValue(PlanningMeasure::MarkerPx, marker), marker.high);

    // The error is best where it is least.
    const QualityScale sigma = ComputeQualityScale(planning, PlanningMeasure::Sigma);
    EXPECT_EQ(QualityBestValue(PlanningMeasure::Sigma, sigma), sigma.low);
}

} // namespace
