#include "support/CoverageFixture.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <string>

namespace
{

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

enum Op : unsigned { Less, LessEqual, Equal, GreaterEqual, Greater, NotEqual };

TEST(RoundTo, RoundsHalfAwayFromZeroInExtendedPrecision)
{
    // The float nearest 0.705 lies below it and stays at 0.70; so does the
    // double nearest 0.705, which a double-precision scaling would round up.
    EXPECT_EQ(RoundTo(0.7051f, 2, 10), 71.0L / 100);
    EXPECT_EQ(RoundTo(0.7049f, 2, 10), 70.0L / 100);
    EXPECT_EQ(RoundTo(-0.7051f, 2, 10), -71.0L / 100);
    EXPECT_EQ(RoundTo(0.7f, 2, 10), 70.0L / 100);
    EXPECT_EQ(RoundTo(0.705f, 2, 10), 70.0L / 100);
    EXPECT_EQ(RoundTo(0.715f, 2, 10), 71.0L / 100);
    EXPECT_EQ(RoundTo(0.705, 2, 10), 70.0L / 100);
    EXPECT_EQ(RoundTo(0.7051, 2, 10), 71.0L / 100);
    EXPECT_EQ(RoundTo(-0.7051, 2, 10), -71.0L / 100);
    EXPECT_EQ(RoundTo(1.2, 2, 10), 120.0L / 100);
    EXPECT_EQ(RoundTo(0.0f, 2, 10), 0.0L);
    EXPECT_TRUE(std::isnan(RoundTo(kNaN, 2, 10)));
}

TEST(IsoCondition, ComparesTheCountWithTheThresholdByOperatorText)
{
    struct Case {
        unsigned op, threshold, count;
        bool holds;
    };
    const Case cases[] = {
        {LessEqual, 2, 0, false},
        {LessEqual, 2, 1, true},
        {LessEqual, 2, 2, true},
        {LessEqual, 2, 3, false},
        {Less, 2, 0, true},
        {Less, 2, 1, true},
        {Less, 2, 2, false},
        {Equal, 4, 4, true},
        {Equal, 4, 3, false},
        {GreaterEqual, 2, 2, true},
        {GreaterEqual, 2, 1, false},
        {Greater, 2, 2, false},
        {Greater, 2, 3, true},
        {NotEqual, 2, 0, true},
        {NotEqual, 2, 2, false},
        {9, 3, 3, true}, // an index outside the table reads as "=="
        {9, 3, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "op " << c.op << " T " << c.threshold << " count " << c.count);
        CoverageFilters filters;
        filters.isoOperator = c.op;
        filters.isoThreshold = c.threshold;
        EXPECT_EQ(filters.IsoHolds(c.count), c.holds);
    }
    EXPECT_EQ(ComparisonOpText(5), "!=");
    EXPECT_EQ(ComparisonOpText(6), "Invalid Control");
}

TEST_F(CoverageTest, BandBoundsSplitTheScaleExactly)
{
    MakeRig(4);
    Compute();
    const long double c = volume.GetResolutionMin();
    const long double w = volume.GetBandWidth();
    // The floats on either side of each bound fall in adjacent bands.
    auto firstFloatAtOrAbove = [](long double bound) {
        float f = static_cast<float>(bound);
        while (f < bound)
            f = std::nextafter(f, 2.0f);
        while (std::nextafter(f, 0.0f) >= bound)
            f = std::nextafter(f, 0.0f);
        return f;
    };
    for (int k = 0; k < 7; ++k) {
        SCOPED_TRACE(k);
        const float at = firstFloatAtOrAbove(c + k * w);
        EXPECT_EQ(volume.ResolutionBand(at), k + 1);
        EXPECT_EQ(volume.ResolutionBand(std::nextafter(at, 0.0f)), k == 0 ? kBandBlack : k);
    }
    const float top = firstFloatAtOrAbove(volume.GetResolutionMax());
    EXPECT_EQ(volume.ResolutionBand(top), kBandChocolate);
    // c + 7w and the top coincide up to rounding: grey is all but empty.
    const int belowTop = volume.ResolutionBand(std::nextafter(top, 0.0f));
    EXPECT_TRUE(belowTop == 7 || belowTop == 8) << belowTop;
    EXPECT_EQ(volume.ResolutionBand(0.7113437652587891f), 1);
    EXPECT_EQ(volume.ResolutionBand(std::numeric_limits<float>::infinity()), kBandChocolate);
    EXPECT_EQ(volume.ResolutionBand(kNaN), kBandBlack);
    EXPECT_EQ(volume.ResolutionBand(0.1f), kBandBlack);

    const ColorName expected[] = {ColorName::Black, ColorName::DarkViolet, ColorName::Indigo, ColorName::Blue,
                                  ColorName::Green, ColorName::Yellow,     ColorName::Orange, ColorName::Red,
                                  ColorName::Grey,  ColorName::Chocolate};
    for (int band = 0; band <= kBandChocolate; ++band)
        EXPECT_EQ(BandColor(band), expected[band]);
}

TEST_F(CoverageTest, ResolutionColorSetsTheDrawingColourOfTheBand)
{
    MakeRig(4);
    Compute();
    const float violet = 0.7113437652587891f;
    DrawColor reference;
    const double* want = ApplyColor(reference, ColorName::DarkViolet);
    DrawColor color;
    const double* got = volume.ResolutionColor(violet, color);
    EXPECT_EQ(got, color.Rgb());
    EXPECT_EQ(std::vector<double>(got, got + 3), std::vector<double>(want, want + 3));
    EXPECT_EQ(color.Byte(0), 148);
    EXPECT_EQ(color.Byte(2), 211);

    got = volume.ResolutionColor(kNaN, color);
    EXPECT_EQ(std::vector<double>(got, got + 3), std::vector<double>({0.0, 0.0, 0.0}));
}

TEST_F(CoverageTest, ResolutionFilterIsARangeWithRoundedUpperAndRawLowerComparisons)
{
    struct Case {
        unsigned op1;
        float b1;
        unsigned op2;
        float b2;
        float r;
        bool drawn;
    };
    const Case cases[] = {
        // The default band, at least 0.70 and at most 0.80.
        {GreaterEqual, 0.7f, LessEqual, 0.8f, 0.7113f, true},
        {GreaterEqual, 0.7f, LessEqual, 0.8f, 0.6999f, false},
        {GreaterEqual, 0.7f, LessEqual, 0.8f, 0.7f, true}, // the float nearest the bound is on it
        {GreaterEqual, 0.7f, LessEqual, 0.8f, 0.8049f, true},
        {GreaterEqual, 0.7f, LessEqual, 0.8f, 0.8051f, false},
        {GreaterEqual, 0.7f, LessEqual, 0.8f, kNaN, false},
        // The same band from the upper bound, and both bounds exclusive.
        {LessEqual, 0.8f, GreaterEqual, 0.7f, 0.7f, true},
        {LessEqual, 0.8f, GreaterEqual, 0.7f, 0.8049f, true},
        {Less, 0.8f, Greater, 0.7f, 0.75f, true},
        {Less, 0.8f, Greater, 0.7f, 0.7f, false},
        {Less, 0.8f, Greater, 0.7f, 0.7949f, true},
        {Less, 0.8f, Greater, 0.7f, 0.7951f, false},
        {Greater, 0.7f, Less, 0.8f, 0.75f, true},
        {Greater, 0.7f, Less, 0.8f, 0.7f, false},
        // Bounds in the wrong order for the first operator draw nothing.
        {Less, 0.7f, Greater, 0.8f, 0.75f, false},
        {Greater, 0.8f, Less, 0.7f, 0.75f, false},
        {GreaterEqual, 0.8f, LessEqual, 0.7f, 0.75f, false},
        // "==" matches the rounded value, whatever the second operator says.
        {Equal, 0.71f, NotEqual, 0.0f, 0.71f, true},
        {Equal, 0.71f, Less, 9.0f, 0.7149f, true},
        {Equal, 0.71f, Less, 9.0f, 0.7051f, true},
        {Equal, 0.71f, Less, 9.0f, 0.7049f, false},
        {Equal, 0.71f, Less, 9.0f, 0.7151f, false},
        // Upper bound 0.71: compared rounded, and the float nearest 0.715 rounds down.
        {GreaterEqual, 0.7f, LessEqual, 0.71f, 0.7149f, true},
        {GreaterEqual, 0.7f, LessEqual, 0.71f, 0.715f, true},
        {GreaterEqual, 0.7f, LessEqual, 0.71f, 0.7151f, false},
        // Lower bound 0.71: compared unrounded.
        {GreaterEqual, 0.71f, LessEqual, 0.8f, 0.7050f, false},
        {GreaterEqual, 0.71f, LessEqual, 0.8f, 0.71f, true},
        // Pairs outside the table draw nothing.
        {NotEqual, 0.7f, LessEqual, 0.8f, 0.75f, false},
        {GreaterEqual, 0.7f, Greater, 0.8f, 0.75f, false},
        {LessEqual, 0.8f, LessEqual, 0.7f, 0.75f, false},
        {GreaterEqual, 0.7f, 7, 0.8f, 0.75f, false},
        {8, 0.7f, LessEqual, 0.8f, 0.75f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << ComparisonOpText(c.op1) << " " << c.b1 << " " << ComparisonOpText(c.op2)
                                        << " " << c.b2 << " r " << c.r);
        CoverageFilters band;
        band.resOperator1 = c.op1;
        band.resBound1 = c.b1;
        band.resOperator2 = c.op2;
        band.resBound2 = c.b2;
        EXPECT_EQ(volume.PassesResolutionFilter(c.r, band), c.drawn);
    }
}

TEST_F(CoverageTest, DisplayDataFollowsTheConditionsInLayerOrder)
{
    MakeRig(4);
    filters.isoThreshold = 4;
    Compute();
    const uint32_t nx = volume.GetCountX(), nz = volume.GetCountZ();
    size_t mapped = 0;
    for (uint32_t j = 0; j < volume.GetCountY(); ++j) {
        const auto counts = volume.CountLayerPaint(j, Filters());
        ASSERT_EQ(counts.size(), static_cast<size_t>(nx) * nz);
        const auto map = volume.MapLayerPaint(j, Filters());
        auto next = map.begin();
        for (uint32_t i = 0; i < nx; ++i) {
            for (uint32_t k = 0; k < nz; ++k) {
                const size_t t = volume.VoxelIndex(i, j, k);
                const VoxelPaint& p = counts[i * nz + k];
                ASSERT_EQ(p.voxel, t);
                const bool all = volume.SeenCount(t) == 4;
                EXPECT_EQ(p.color, all ? ColorName::Red : ColorName::Green);
                const float r = volume.Resolution(0, t);
                if (all && r >= 0.7f && RoundTo(r, 2, 10) <= 0.8L) {
                    ASSERT_NE(next, map.end());
                    EXPECT_EQ(next->voxel, t);
                    EXPECT_EQ(next->color, BandColor(volume.ResolutionBand(r)));
                    ++next;
                }
            }
        }
        EXPECT_EQ(next, map.end());
        mapped += map.size();
    }
    EXPECT_GT(mapped, 0u);
    EXPECT_TRUE(volume.CountLayerPaint(volume.GetCountY(), Filters()).empty());
    EXPECT_TRUE(volume.MapLayerPaint(volume.GetCountY(), Filters()).empty());

    // The iso list in list order, in camera 1's bands, cut at the ceiling.
    auto iso = volume.IsoListPaint(Filters());
    ASSERT_EQ(iso.size(), volume.GetIsoCount());
    for (uint32_t e = 0; e < iso.size(); ++e) {
        EXPECT_EQ(iso[e].voxel, volume.IsoIndex(e));
        EXPECT_EQ(iso[e].color, BandColor(volume.ResolutionBand(volume.Resolution(0, iso[e].voxel))));
    }
    Scene().SetDisplayCeiling(-1.0f);
    iso = volume.IsoListPaint(Filters());
    EXPECT_LT(iso.size(), volume.GetIsoCount());
    for (const VoxelPaint& p : iso)
        EXPECT_LE(volume.Centre(p.voxel)[1], -1.0f);
}

TEST_F(CoverageTest, ResolutionCameraWithoutValuesDrawsBlackAndNoMap)
{
    MakeRig(4);
    filters.isoThreshold = 3;
    Rig().SetEnabled(2, 0);
    volume.SetResolutionCamera(2);
    Compute();
    ASSERT_GT(volume.GetIsoCount(), 0u);
    for (const VoxelPaint& p : volume.IsoListPaint(Filters()))
        ASSERT_EQ(p.color, ColorName::Black);
    for (uint32_t j = 0; j < volume.GetCountY(); ++j)
        ASSERT_TRUE(volume.MapLayerPaint(j, Filters()).empty());

    // Another camera: the lists change, the scale stays that of the computation.
    const double min = volume.GetResolutionMin();
    volume.SetResolutionCamera(1);
    EXPECT_EQ(volume.GetResolutionMin(), min);
    size_t mapped = 0;
    for (uint32_t j = 0; j < volume.GetCountY(); ++j)
        mapped += volume.MapLayerPaint(j, Filters()).size();
    EXPECT_GT(mapped, 0u);
}

TEST_F(CoverageTest, ComputationLoadsNoGraphicsLibrary)
{
    MakeRig(4);
    Compute();
    ASSERT_TRUE(volume.HasResults());
    std::ifstream maps("/proc/self/maps");
    ASSERT_TRUE(maps.good());
    std::string line;
    while (std::getline(maps, line)) {
        for (const char* lib : {"libGL", "libEGL", "libOpenGL", "libGLX", "libQt"})
            EXPECT_EQ(line.find(lib), std::string::npos) << line;
    }
}

} // namespace
