#include "support/CoverageFixture.h"

#include "coverage/FieldTest.h"
#include "coverage/RowKernel.h"

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace
{

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
                      d,
                      RandomUnit(random),
                      RandomUnit(random)};
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
    voxelCm = 7.0f;
    filters.isoThreshold = 2;
    filters.isoOperator = 3; // ">="
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

namespace
{

TEST(RowKernelTest, LayersOutsideTheNarrowSpanFailTheEdgeTest)
{
    // Rows of random cameras with narrow fields, some grazing the field or
    // passing the camera closely: outside the span no voxel may be seen or
    // left open, and the span must also cut rows short and skip whole ones.
    std::mt19937_64 random(21);
    std::uniform_real_distribution<double> offset(-6.0, 6.0), unit(0.0, 1.0);
    const uint32_t n = 90;
    std::vector<double> ys(PaddedRow(n));
    for (uint32_t j = 0; j < n; ++j)
        ys[j] = static_cast<float>(-4.0 + 0.1 * j);
    int cut = 0, skipped = 0, whole = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        const double fields[2] = {1e-3 + 80.0 * unit(random), 1e-3 + 80.0 * unit(random)};
        const Vec3d axis = RandomUnit(random);
        Vec3d edges[4];
        for (int e = 0; e < 4; ++e) {
            const Vec3d w = RandomUnit(random);
            const double spread = fields[e / 2] * 0.5 / kDegreesPerRadian;
            edges[e] = Normalized({axis.x + spread * w.x, axis.y + spread * w.y, axis.z + spread * w.z});
        }
        RowCamera row;
        // Now and then a row right next to the camera's vertical.
        const double scale = trial % 10 == 0 ? 1e-4 : 1.0;
        const double dx = scale * offset(random), dz = scale * offset(random);
        row.dxx = dx * dx;
        row.dzz = dz * dz;
        row.py = static_cast<float>(offset(random) * 0.5);
        for (int e = 0; e < 4; ++e) {
            row.rowDot[e] = edges[e].x * dx + edges[e].z * dz;
            row.ey[e] = edges[e].y;
        }
        for (int p = 0; p < 2; ++p) {
            const double cosF = FieldCosine(fields[p]);
            row.above[p] = FieldAbove(cosF);
            row.below[p] = FieldBelow(cosF);
        }
        uint32_t first = 0, end = n;
        if (!NarrowRowSpan(row, ys.data(), n, first, end))
            continue;
        ASSERT_LE(first, end);
        ASSERT_LE(end, n);
        for (uint32_t j = 0; j < n; ++j) {
            if (j >= first && j < end)
                continue;
            const double dy = ys[j] - row.py;
            const double s2 = (row.dxx + dy * dy) + row.dzz;
            bool out = false;
            for (int e = 0; e < 4; ++e) {
                const double q = row.rowDot[e] + row.ey[e] * dy;
                out = out || DotOutside(q, s2, row.below[e / 2]);
            }
            ASSERT_TRUE(out) << "trial " << trial << " layer " << j << " span " << first << ".." << end;
        }
        skipped += first == end ? 1 : 0;
        cut += first < end && end - first < n ? 1 : 0;
        whole += end - first == n ? 1 : 0;
    }
    EXPECT_GT(skipped, 1000);
    EXPECT_GT(cut, 1000);
    EXPECT_GT(whole, 10);
}

TEST_F(CoverageTest, RandomNarrowRigsCountAsTheAngleTest)
{
    // Cameras anywhere in and around the room, on voxel columns, aimed
    // straight down or up, with fields from a hundredth of a degree to 80
    // degrees: every count must be what the literal test on the unit vector gives.
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    constexpr int kCameras = 12;
    for (int rig = 0; rig < 4; ++rig) {
        SCOPED_TRACE(rig);
        MakeRig(kCameras, 4.0f, 3.0f, 2.5f);
        voxelCm = 9.0f;
        ASSERT_EQ(volume.BuildGrid(Input()), CCoverageVolume::GridStatus::Ok);
        for (int c = 0; c < kCameras; ++c) {
            const double sensor = c == 0 ? 0.0015 : 0.1 + 10.0 * unit(random);
            Rig().SetFrameWidth(c, static_cast<float>(sensor));
            Rig().SetFrameHeight(c, static_cast<float>(0.1 + 10.0 * unit(random)));
            Rig().SetSpin(c, static_cast<float>(360.0 * unit(random)));
            Rig().SetHTilt(c, static_cast<float>(360.0 * unit(random)));
            Rig().SetVTilt(c, c == 1 ? 90.0f : c == 2 ? -90.0f : static_cast<float>(180.0 * unit(random) - 90.0));
            if (c < 4) {
                // On the column of a voxel, at a voxel centre for camera 3.
                const auto centre = volume.Centre(volume.VoxelIndex(7 * c + 3, c == 3 ? 9 : 0, 5 * c + 2));
                PlaceCamera(c, centre[0], c == 3 ? centre[1] : 3.0 * unit(random) - 1.5, centre[2]);
            } else {
                PlaceCamera(c, 5.0 * unit(random) - 2.5, 3.0 * unit(random) - 1.5, 4.0 * unit(random) - 2.0);
            }
        }
        Compute();
        for (size_t t = 0; t < volume.GetVoxelCount(); ++t) {
            const Vec3d p{volume.Centre(t)[0], volume.Centre(t)[1], volume.Centre(t)[2]};
            uint32_t expected = 0;
            for (int c = 0; c < kCameras; ++c) {
                const Vec3d d = p - Rig().GetPosition(c);
                const double dist = Length(d);
                const Vec3d u = dist != 0.0 ? Vec3d{d.x / dist, d.y / dist, d.z / dist} : Vec3d{};
                const Vec3d edges[] = {Rig().GetEdgeHPlus(c), Rig().GetEdgeHMinus(c), Rig().GetEdgeVPlus(c),
                                       Rig().GetEdgeVMinus(c)};
                bool seen = true;
                for (int e = 0; e < 4; ++e) {
                    const double field = e < 2 ? Rig().GetHFov(c) : Rig().GetVFov(c);
                    seen = seen && !(field < std::acos(Dot(Normalized(edges[e]), u)) * kDegreesPerRadian);
                }
                expected += seen ? 1 : 0;
            }
            ASSERT_EQ(volume.SeenCount(t), expected) << "voxel " << t;
        }
    }
}

} // namespace
