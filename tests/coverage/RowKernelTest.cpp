#include "CoverageFixture.h"

#include "coverage/FieldTest.h"
#include "coverage/RowKernel.h"

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr VectorPath kPaths[] = {VectorPath::Portable, VectorPath::Avx2, VectorPath::Avx512};

uint32_t Bits(float v)
{
    return std::bit_cast<uint32_t>(v);
}

Vec3d RandomUnit(std::mt19937_64& random)
{
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    return Normalized({unit(random), unit(random), unit(random)});
}

// A row of 37 layers (no multiple of any width) seen by a camera whose edges
// are random but for one layer, which lies exactly on edge 0's boundary and
// well inside the other three: each kind of verdict occurs.
struct Row {
    RowCamera camera;
    std::vector<double> ys;
    double dx, dz;
};

Row MakeRow(std::mt19937_64& random, const double (&above)[2], const double (&below)[2], double field)
{
    std::uniform_real_distribution<double> offset(-4.0, 4.0);
    Row row;
    const uint32_t n = 37;
    row.ys.assign(PaddedRow(n), 0.0);
    double y = offset(random);
    for (uint32_t j = 0; j < n; ++j) {
        row.ys[j] = static_cast<float>(y);
        y += 0.11;
    }
    std::fill(row.ys.begin() + n, row.ys.end(), row.ys[n - 1]);
    row.dx = offset(random);
    row.dz = offset(random);
    row.camera.py = static_cast<float>(offset(random));
    const uint32_t boundary = static_cast<uint32_t>(random() % n);
    const Vec3d d = Normalized({row.dx, row.ys[boundary] - row.camera.py, row.dz});
    Vec3d w = RandomUnit(random);
    const double along = Dot(w, d);
    w = Normalized({w.x - along * d.x, w.y - along * d.y, w.z - along * d.z});
    const double radians = field / kDegreesPerRadian;
    Vec3d edges[4] = {{std::cos(radians) * d.x + std::sin(radians) * w.x,
                       std::cos(radians) * d.y + std::sin(radians) * w.y,
                       std::cos(radians) * d.z + std::sin(radians) * w.z},
                      d, RandomUnit(random), RandomUnit(random)};
    if (random() % 2)
        edges[2] = edges[3] = d;
    row.camera.dxx = row.dx * row.dx;
    row.camera.dzz = row.dz * row.dz;
    for (int e = 0; e < 4; ++e) {
        row.camera.rowDot[e] = edges[e].x * row.dx + edges[e].z * row.dz;
        row.camera.ey[e] = edges[e].y;
    }
    for (int p = 0; p < 2; ++p) {
        row.camera.above[p] = above[p];
        row.camera.below[p] = below[p];
    }
    return row;
}

TEST(RowKernelTest, EveryPathDecidesAsTheScalarEdgeTests)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Bounds {
        const char* name;
        double field; // degrees, of the boundary layer
        double above[2], below[2];
        bool leavesOpen; // a zero bound decides every layer but q = 0
    };
    const double c30 = FieldCosine(30.0), c61 = FieldCosine(61.7), c90 = FieldCosine(90.0);
    const double c120 = FieldCosine(120.0);
    const Bounds cases[] = {
        {"narrow", 30.0, {FieldAbove(c30), FieldAbove(c61)}, {FieldBelow(c30), FieldBelow(c61)}, true},
        {"quarter turn", 90.0, {FieldAbove(c90), FieldAbove(c30)}, {FieldBelow(c90), FieldBelow(c30)}, true},
        {"wide", 120.0, {FieldAbove(c120), FieldAbove(c61)}, {FieldBelow(c120), FieldBelow(c61)}, true},
        {"zero bounds", 61.7, {0.0, FieldAbove(c61)}, {0.0, FieldBelow(c61)}, false},
        {"no cosine", 179.0, {nan, FieldAbove(c30)}, {nan, FieldBelow(c30)}, true},
    };
    std::mt19937_64 random(8);
    for (const Bounds& b : cases) {
        SCOPED_TRACE(b.name);
        int verdicts[3] = {}; // seen, open, neither
        for (int trial = 0; trial < 200; ++trial) {
            const Row row = MakeRow(random, b.above, b.below, b.field);
            const uint32_t n = 37;
            std::vector<float> expectedValues(n);
            std::vector<bool> expectedSeen(n), expectedOpen(n);
            for (uint32_t j = 0; j < n; ++j) {
                const double dy = row.ys[j] - row.camera.py;
                const double s2 = (row.camera.dxx + dy * dy) + row.camera.dzz;
                bool in = true, out = false;
                for (int e = 0; e < 4; ++e) {
                    const double q = row.camera.rowDot[e] + row.camera.ey[e] * dy;
                    in = in && DotWithin(q, s2, b.above[e / 2]);
                    out = out || DotOutside(q, s2, b.below[e / 2]);
                }
                expectedSeen[j] = in && !out;
                expectedOpen[j] = !in && !out;
                ++verdicts[expectedSeen[j] ? 0 : expectedOpen[j] ? 1 : 2];
                expectedValues[j] = static_cast<float>((1.0 + 8.5 / (std::sqrt(s2) * 1000.0)) * 6.3);
            }
            for (VectorPath path : kPaths) {
                if (!VectorPathRuns(path))
                    continue;
                SCOPED_TRACE(VectorPathName(path));
                std::vector<int64_t> seen(PaddedRow(n), 5), open(PaddedRow(n), 7);
                const bool anyOpen = ClassifyRow(path, row.camera, row.ys.data(), n, seen.data(), open.data());
                bool sawOpen = false;
                for (uint32_t j = 0; j < n; ++j) {
                    ASSERT_EQ(seen[j], expectedSeen[j] ? 6 : 5) << "layer " << j;
                    ASSERT_EQ(open[j] != 0, expectedOpen[j]) << "layer " << j;
                    sawOpen = sawOpen || expectedOpen[j];
                }
                if (sawOpen) {
                    ASSERT_TRUE(anyOpen);
                }
                std::vector<float> values(n + 1, -1.0f);
                ResolveRow(path, row.camera.dxx, row.camera.dzz, row.camera.py, 8.5, 6.3, row.ys.data(), n,
                           values.data());
                for (uint32_t j = 0; j < n; ++j)
                    ASSERT_EQ(Bits(values[j]), Bits(expectedValues[j])) << "layer " << j;
                EXPECT_EQ(values[n], -1.0f) << "wrote past the row";
            }
        }
        // A bound that is not a number never lets the squared test see.
        EXPECT_EQ(verdicts[0] > 0, !std::isnan(b.above[0]));
        EXPECT_EQ(verdicts[1] > 0, b.leavesOpen);
        EXPECT_GT(verdicts[2], 0);
    }
}

TEST(RowKernelTest, FastestPathIsOneThisProcessorRuns)
{
    EXPECT_TRUE(VectorPathRuns(FastestVectorPath()));
    EXPECT_TRUE(VectorPathRuns(VectorPath::Portable));
    CCoverageVolume volume;
    EXPECT_EQ(volume.GetVectorPath(), FastestVectorPath());
    volume.SetVectorPath(VectorPath::Portable);
    EXPECT_EQ(volume.GetVectorPath(), VectorPath::Portable);
}

TEST_F(CoverageTest, EveryVectorPathGivesWhatThePortableOneGives)
{
    // Disabled cameras, a partial range, a wide lens (bounds at or below
    // zero) and a layer count no width divides.
    MakeRig(8, 6.0f, 4.0f, 3.1f);
    for (int c = 0; c < 8; ++c) {
        Rig().SetSpin(c, 13.0f * static_cast<float>(c));
        Rig().SetFrameWidth(c, 5.0f + static_cast<float>(c));
    }
    Rig().SetFrameWidth(4, 30.0f);
    Rig().SetEnabled(2, 0);
    Scene().SetFirstCamera(1);
    Scene().SetEndCamera(7);
    g_fVoxelSizeCm = 7.0f;
    SetIsoThreshold(2);
    SetIsoOperator(3); // ">="
    volume.SetResolutionCamera(4);
    volume.SetVectorPath(VectorPath::Portable);
    Compute();
    const size_t n = volume.GetVoxelCount();
    ASSERT_NE(volume.GetCountY() % 8, 0u);
    std::vector<uint32_t> counts(n), iso(volume.GetIsoCount());
    std::vector<std::vector<float>> values(8, std::vector<float>(n));
    for (size_t t = 0; t < n; ++t)
        counts[t] = volume.SeenCount(t);
    for (uint32_t e = 0; e < iso.size(); ++e)
        iso[e] = volume.IsoIndex(e);
    for (int c = 0; c < 8; ++c)
        volume.FillResolution(c, 0, n, values[c].data());
    ASSERT_GT(iso.size(), 0u);

    for (VectorPath path : {VectorPath::Avx2, VectorPath::Avx512}) {
        if (!VectorPathRuns(path))
            continue;
        SCOPED_TRACE(VectorPathName(path));
        volume.SetVectorPath(path);
        Compute();
        for (size_t t = 0; t < n; ++t)
            ASSERT_EQ(volume.SeenCount(t), counts[t]) << "voxel " << t;
        ASSERT_EQ(volume.GetIsoCount(), iso.size());
        for (uint32_t e = 0; e < iso.size(); ++e)
            ASSERT_EQ(volume.IsoIndex(e), iso[e]) << "entry " << e;
        std::vector<float> out(n);
        for (int c = 0; c < 8; ++c) {
            volume.FillResolution(c, 0, n, out.data());
            for (size_t t = 0; t < n; ++t)
                ASSERT_EQ(Bits(out[t]), Bits(values[c][t])) << "camera " << c << " voxel " << t;
        }
    }
}

} // namespace
