#include "support/CoverageFixture.h"

#include "coverage/FieldTest.h"

#include <bit>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace
{

// Bit patterns, so that NaN compares with NaN and -0 differs from 0.
uint32_t Bits(float v)
{
    return std::bit_cast<uint32_t>(v);
}

// A rig with cameras disabled and a range that leaves some out, its aims and
// lenses varied so that every count from 0 to all occurs.
void MixRig(SceneSettings& scene, CCameraSet& rig)
{
    for (int c = 0; c < 8; ++c) {
        rig.SetSpin(c, 11.0f * static_cast<float>(c));
        rig.SetFrameWidth(c, 5.0f + static_cast<float>(c));
    }
    rig.SetEnabled(2, 0);
    rig.SetEnabled(5, 0);
    scene.SetFirstCamera(1);
    scene.SetEndCamera(7);
}

TEST_F(CoverageTest, ThreadedPassGivesWhatOneThreadGives)
{
    MakeRig(8, 6.0f, 4.0f, 3.0f);
    MixRig(Scene(), Rig());
    voxelCm = 7.0f;
    filters.isoThreshold = 3;
    filters.isoOperator = 3; // ">="
    volume.SetResolutionCamera(3);
    volume.SetThreadCount(1);
    Compute();
    const size_t n = volume.GetVoxelCount();
    std::vector<uint32_t> counts(n);
    std::vector<std::vector<uint32_t>> values(8, std::vector<uint32_t>(n));
    for (size_t t = 0; t < n; ++t) {
        counts[t] = volume.SeenCount(t);
        for (int c = 0; c < 8; ++c)
            values[c][t] = Bits(volume.Resolution(c, t));
    }
    std::vector<uint32_t> iso(volume.GetIsoCount());
    for (uint32_t e = 0; e < iso.size(); ++e)
        iso[e] = volume.IsoIndex(e);
    const double scale[] = {volume.GetResolutionMin(), volume.GetResolutionMax(), volume.GetBandWidth()};
    ASSERT_GT(iso.size(), 0u);
    ASSERT_LT(iso.size(), n);

    for (int threads : {2, 3, 0}) {
        SCOPED_TRACE(threads);
        volume.SetThreadCount(threads);
        Compute();
        ASSERT_EQ(volume.GetVoxelCount(), n);
        for (size_t t = 0; t < n; ++t) {
            ASSERT_EQ(volume.SeenCount(t), counts[t]) << "voxel " << t;
            for (int c = 0; c < 8; ++c)
                ASSERT_EQ(Bits(volume.Resolution(c, t)), values[c][t]) << "camera " << c << " voxel " << t;
        }
        ASSERT_EQ(volume.GetIsoCount(), iso.size());
        for (uint32_t e = 0; e < iso.size(); ++e)
            ASSERT_EQ(volume.IsoIndex(e), iso[e]) << "entry " << e;
        EXPECT_EQ(volume.GetResolutionMin(), scale[0]);
        EXPECT_EQ(volume.GetResolutionMax(), scale[1]);
        EXPECT_EQ(volume.GetBandWidth(), scale[2]);
    }
}

TEST_F(CoverageTest, ValuesOnDemandMatchTheHeldOnesToTheBit)
{
    MakeRig(8, 6.0f, 4.0f, 3.0f);
    MixRig(Scene(), Rig());
    voxelCm = 9.0f;
    Compute();
    const size_t n = volume.GetVoxelCount();
    // Blocks that start and end inside a row of layers, and run past the end.
    struct Block {
        size_t first, count;
    };
    const Block blocks[] = {{0, n}, {5, 37}, {n - 3, 10}, {n + 2, 4}};
    for (int c = 0; c < 8; ++c) {
        SCOPED_TRACE(testing::Message() << "camera " << c);
        std::vector<uint32_t> onDemand(n);
        for (size_t t = 0; t < n; ++t)
            onDemand[t] = Bits(volume.Resolution(c, t));
        for (const Block& b : blocks) {
            std::vector<float> out(b.count, 1.0f);
            volume.FillResolution(c, b.first, b.count, out.data());
            for (size_t q = 0; q < b.count; ++q) {
                const size_t t = b.first + q;
                ASSERT_EQ(Bits(out[q]), t < n ? onDemand[t] : Bits(std::nanf(""))) << "voxel " << t;
            }
        }
        // Held for the map: the same values, and the map drawn from them.
        volume.SetResolutionCamera(c);
        for (size_t t = 0; t < n; ++t)
            ASSERT_EQ(Bits(volume.Resolution(c, t)), onDemand[t]) << "voxel " << t;
        const bool hasValues = c >= 1 && c < 7 && c != 2 && c != 5;
        EXPECT_EQ(std::isnan(volume.Resolution(c, n / 2)), !hasValues);
    }
}

TEST_F(CoverageTest, SeparableCentresMatchTheRepeatedAdditionOverTheWholeGrid)
{
    struct Case {
        float voxelCm, length, width, height;
    };
    const Case cases[] = {{20.0f, 5.0f, 5.0f, 5.0f}, {7.0f, 6.0f, 4.0f, 3.0f}, {3.0f, 1.3f, 2.9f, 0.7f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.voxelCm << " cm in " << c.length << " x " << c.width << " x " << c.height);
        MakeRig(1, c.length, c.width, c.height);
        voxelCm = c.voxelCm;
        ASSERT_EQ(volume.BuildGrid(Input()), CCoverageVolume::GridStatus::Ok);
        // The grid as one walk over every voxel, each position carried on
        // from the previous voxel's.
        const Vec3d corner = Scene().GetRoomCorner();
        const double edge = volume.GetVoxelEdge(), half = volume.GetHalfEdge();
        Vec3d p = corner;
        for (uint32_t j = 0; j < volume.GetCountY(); ++j) {
            for (uint32_t i = 0; i < volume.GetCountX(); ++i) {
                for (uint32_t k = 0; k < volume.GetCountZ(); ++k) {
                    const auto centre = volume.Centre(volume.VoxelIndex(i, j, k));
                    ASSERT_EQ(Bits(centre[0]), Bits(static_cast<float>(p.x + half))) << i << ' ' << j << ' ' << k;
                    ASSERT_EQ(Bits(centre[1]), Bits(static_cast<float>(p.y + half))) << i << ' ' << j << ' ' << k;
                    ASSERT_EQ(Bits(centre[2]), Bits(static_cast<float>(p.z - half))) << i << ' ' << j << ' ' << k;
                    p.z -= edge;
                }
                p.x += edge;
                p.z = corner.z;
            }
            p.y += edge;
            p.x = corner.x;
        }
    }
}

TEST(SquaredFieldTest, DecidesOnlyWhereTheUnitVectorTestAgrees)
{
    // Directions at the field's angle from an edge, off by tiny amounts either
    // way, at lengths from a millimetre to a kilometre: wherever the squared
    // test decides, the literal test on the unit vector must
    // give the same; close enough to the boundary it must leave it open.
    std::mt19937_64 random(14);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const double fields[] = {0.5, 30.0, 61.7, 90.0, 120.0, 176.0};
    const double offsets[] = {-1e-6, -1e-8, -1e-9, -3e-10, 0.0, 3e-10, 1e-9, 1e-8, 1e-6};
    int decided = 0, open = 0;
    for (double field : fields) {
        const double cosF = FieldCosine(field);
        for (double offset : offsets) {
            for (int trial = 0; trial < 400; ++trial) {
                // An edge and a unit vector perpendicular to it.
                const Vec3d e = Normalized({unit(random), unit(random), unit(random)});
                Vec3d w{unit(random), unit(random), unit(random)};
                const double along = Dot(w, e);
                w = Normalized({w.x - along * e.x, w.y - along * e.y, w.z - along * e.z});
                const double angle = field / kDegreesPerRadian + offset;
                const double scale = std::pow(10.0, unit(random) * 3.0);
                const Vec3d d{scale * (std::cos(angle) * e.x + std::sin(angle) * w.x),
                              scale * (std::cos(angle) * e.y + std::sin(angle) * w.y),
                              scale * (std::cos(angle) * e.z + std::sin(angle) * w.z)};
                const double l = Length(d);
                const bool literal = WithinField(Dot(e, {d.x / l, d.y / l, d.z / l}), field, cosF);
                const double q = Dot(e, d), squared = Dot(d, d);
                const bool within = DotWithin(q, squared, FieldAbove(cosF));
                const bool outside = DotOutside(q, squared, FieldBelow(cosF));
                ASSERT_FALSE(within && outside);
                // The pass's shorter forms for positive bounds agree with the general ones.
                if (FieldBelow(cosF) > 0.0) {
                    const double above = FieldAbove(cosF), below = FieldBelow(cosF);
                    ASSERT_EQ(DotExceedsPositive(q, squared, above * above), within);
                    ASSERT_EQ(DotFallsShortOfPositive(q, squared, below * below) && DotAboveFloor(q, squared), outside);
                }
                if (within) {
                    ASSERT_TRUE(literal) << field << " degrees, offset " << offset;
                }
                if (outside) {
                    ASSERT_FALSE(literal) << field << " degrees, offset " << offset;
                }
                if (std::abs(offset) <= 1e-9 && field > 1.0) {
                    ASSERT_FALSE(within || outside) << field << " degrees, offset " << offset;
                }
                decided += within || outside ? 1 : 0;
                open += within || outside ? 0 : 1;
            }
        }
    }
    EXPECT_GT(decided, 0);
    EXPECT_GT(open, 0);

    // Opposite the edge the dot product may round below -1, where the
    // literal test does not reject; nor may the squared test.
    const Vec3d e{0.0, 1.0, 0.0};
    for (double l : {1e-3, 1.0, 1e3})
        EXPECT_FALSE(DotOutside(Dot(e, {0.0, -l, 0.0}), l * l, FieldBelow(FieldCosine(30.0))));
    // A camera at the voxel (no length) and fields the cosine cannot decide stay open.
    EXPECT_FALSE(DotWithin(0.0, 0.0, FieldAbove(FieldCosine(30.0))) ||
                 DotOutside(0.0, 0.0, FieldBelow(FieldCosine(30.0))));
    EXPECT_FALSE(DotWithin(0.5, 1.0, FieldAbove(FieldCosine(180.02))) ||
                 DotOutside(0.5, 1.0, FieldBelow(FieldCosine(180.02))));
}

} // namespace

namespace
{

TEST_F(CoverageTest, WholeGridMapBandsAreTheLayerPaint)
{
    MakeRig(8, 6.0f, 4.0f, 3.0f);
    MixRig(Scene(), Rig());
    voxelCm = 9.0f;
    volume.SetResolutionCamera(3);
    Compute();
    struct Filter {
        unsigned isoOp, isoThreshold, op1;
        float bound1;
        unsigned op2;
        float bound2;
    };
    // The default band, an "==" band, every band, and one no value lies in.
    const Filter cases[] = {{3, 2, 3, 0.7f, 1, 0.8f},
                            {2, 3, 2, 0.71f, 1, 0.0f},
                            {5, 0, 3, 0.0f, 1, 9.0f},
                            {3, 1, 3, 5.0f, 1, 6.0f},
                            {0, 0, 3, 0.0f, 1, 9.0f}};
    int empty = 0;
    for (const Filter& f : cases) {
        SCOPED_TRACE(testing::Message() << "iso " << f.isoOp << ',' << f.isoThreshold << " res " << f.op1 << ','
                                        << f.bound1 << ',' << f.op2 << ',' << f.bound2);
        filters.isoOperator = f.isoOp;
        filters.isoThreshold = f.isoThreshold;
        filters.resOperator1 = f.op1;
        filters.resBound1 = f.bound1;
        filters.resOperator2 = f.op2;
        filters.resBound2 = f.bound2;
        std::vector<int> expected(volume.GetVoxelCount(), -1);
        size_t drawn = 0;
        for (uint32_t j = 0; j < volume.GetCountY(); ++j) {
            for (const VoxelPaint& paint : volume.MapLayerPaint(j, filters)) {
                expected[paint.voxel] = volume.ResolutionBand(volume.Resolution(3, paint.voxel));
                ++drawn;
            }
        }
        const std::vector<int8_t> bands = volume.MapBands(filters);
        ASSERT_EQ(bands.size(), expected.size());
        for (size_t t = 0; t < bands.size(); ++t)
            ASSERT_EQ(bands[t], expected[t]) << "voxel " << t;
        EXPECT_EQ(volume.MapIsEmpty(filters), drawn == 0);
        empty += drawn == 0 ? 1 : 0;
    }
    EXPECT_EQ(empty, 2);
    volume.Release();
    EXPECT_TRUE(volume.MapBands(filters).empty());
    EXPECT_TRUE(volume.MapIsEmpty(filters));
}

} // namespace

namespace
{

TEST(VoxelArrayTest, HoldsWhatIsWrittenAndRefusesSizesBeyondTheAddressSpace)
{
    for (size_t n : {size_t{0}, size_t{1}, size_t{1000}, size_t{3} << 20}) {
        SCOPED_TRACE(n);
        VoxelArray<uint32_t> a = AllocateVoxelArray<uint32_t>(n);
        ASSERT_NE(a.get(), nullptr);
        for (size_t t = 0; t < n; t += 4093)
            a[t] = static_cast<uint32_t>(t);
        for (size_t t = 0; t < n; t += 4093)
            ASSERT_EQ(a[t], t);
    }
    EXPECT_THROW(AllocateVoxelArray<float>(static_cast<size_t>(-1) / 2), std::bad_alloc);
}

} // namespace
