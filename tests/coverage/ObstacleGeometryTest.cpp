#include "coverage/obstacles/OccupancyGrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

TEST(ObstacleGeometryTest, TriangleBoxOverlap)
{
    const Vec3d lo{0, 0, 0}, hi{1, 1, 1};
    const struct {
        const char* what;
        Triangle triangle;
        bool overlaps;
    } rows[] = {
        {"inside", {{{0.2, 0.2, 0.2}, {0.8, 0.2, 0.2}, {0.2, 0.8, 0.2}}}, true},
        {"far away", {{{3, 3, 3}, {4, 3, 3}, {3, 4, 3}}}, false},
        // No corner in the box: the triangle slices through it.
        {"slicing", {{{-5, 0.5, -5}, {5, 0.5, -5}, {0, 0.5, 10}}}, true},
        {"on a face", {{{0.2, 1.0, 0.2}, {0.8, 1.0, 0.2}, {0.2, 1.0, 0.8}}}, true},
        {"plane misses the box", {{{-5, 1.5, -5}, {5, 1.5, -5}, {0, 1.5, 10}}}, false},
        // Bounding boxes overlap but an edge axis separates them.
        {"past the corner", {{{1.6, 0.5, -0.5}, {0.5, 1.6, -0.5}, {1.05, 1.05, 2.0}}}, false},
        {"touching an edge", {{{2.0, 0.0, 0.5}, {0.0, 2.0, 0.5}, {2.0, 2.0, 0.5}}}, true},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TriangleOverlapsBox(row.triangle, lo, hi), row.overlaps) << row.what;
}

TEST(ObstacleGeometryTest, SegmentAgainstTriangle)
{
    const Triangle tri{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}};
    const struct {
        const char* what;
        Vec3d from, to;
        bool meets;
    } rows[] = {
        {"through", {0.2, 0.2, -1}, {0.2, 0.2, 1}, true},    {"short of it", {0.2, 0.2, -1}, {0.2, 0.2, -0.1}, false},
        {"ends on it", {0.2, 0.2, -1}, {0.2, 0.2, 0}, true}, {"beside it", {0.8, 0.8, -1}, {0.8, 0.8, 1}, false},
        {"through a corner", {0, 0, -1}, {0, 0, 1}, true},   {"in its plane", {-1, 0.2, 0}, {2, 0.2, 0}, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SegmentMeetsTriangle(row.from, row.to - row.from, tri), row.meets) << row.what;
}

// The octahedron |x| + |y| + |z| <= r, volume 4 r^3 / 3, as 8 triangles.
std::vector<Triangle> Octahedron(double r, const Vec3d& c)
{
    std::vector<Triangle> triangles;
    for (int sx : {-1, 1})
        for (int sy : {-1, 1})
            for (int sz : {-1, 1})
                triangles.push_back({{{c.x + sx * r, c.y, c.z}, {c.x, c.y + sy * r, c.z}, {c.x, c.y, c.z + sz * r}}});
    return triangles;
}

TEST(ObstacleGeometryTest, OccupancyCoversTheSolidAndLittleElse)
{
    const double r = 0.83, edge = 0.1;
    const Vec3d c{0.013, 0.027, -0.041};
    const COccupancyGrid grid(Octahedron(r, c), {0, 0, 0}, edge);
    size_t occupied = 0;
    for (uint32_t k = 0; k < grid.GetCount(2); ++k) {
        for (uint32_t j = 0; j < grid.GetCount(1); ++j) {
            for (uint32_t i = 0; i < grid.GetCount(0); ++i) {
                const double lo[3] = {grid.GetMin().x + i * edge - c.x, grid.GetMin().y + j * edge - c.y,
                                      grid.GetMin().z + k * edge - c.z};
                // Nearest and farthest |x| + |y| + |z| over the cell.
                double nearest = 0.0, farthest = 0.0;
                for (double a : lo) {
                    const double b = a + edge;
                    nearest += a > 0.0 ? a : b < 0.0 ? -b : 0.0;
                    farthest += std::max(std::fabs(a), std::fabs(b));
                }
                const bool occupiedCell = grid.Occupied(i, j, k);
                occupied += occupiedCell ? 1 : 0;
                if (nearest < r - 1e-9) {
                    ASSERT_TRUE(occupiedCell) << "a cell reaching into the solid is left out " << i << j << k;
                }
                if (nearest > r + 1e-9) {
                    ASSERT_FALSE(occupiedCell) << "a cell clear of the solid is occupied " << i << j << k;
                }
                if (farthest < r - 1e-9) {
                    ASSERT_TRUE(
                        grid.CentreInside({grid.GetMin().x + (i + 0.5) * edge, grid.GetMin().y + (j + 0.5) * edge,
                                           grid.GetMin().z + (k + 0.5) * edge}));
                }
            }
        }
    }
    const double volume = 4.0 * r * r * r / 3.0;
    EXPECT_GE(occupied * edge * edge * edge, volume);
    EXPECT_EQ(occupied, grid.OccupiedCount());
}

TEST(ObstacleGeometryTest, GridWalkFindsTheSolidFromEverySide)
{
    const double r = 0.5;
    const COccupancyGrid grid(Octahedron(r, {0, 0, 0}), {0.05, 0.05, 0.05}, 0.1);
    const struct {
        Vec3d from, to;
        bool hits;
    } rows[] = {
        {{-2, 0.01, 0.02}, {2, 0.01, 0.02}, true},
        {{-2, -2, -2}, {2, 2, 2}, true},
        {{-2, -2, -2}, {-0.3, -0.3, -0.3}, false}, // ends short, outside
        {{-2, 0, 0}, {0, 0, 0}, true},             // ends in the middle
        {{-2, 0.6, 0}, {2, 0.6, 0}, false},        // passes above
        {{0.3, 0.3, 2}, {0.3, 0.3, -2}, false},    // within the bounds, beside the faces
        {{0.2, 0.2, 2}, {0.2, 0.2, -2}, true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(grid.SegmentHits(row.from, row.to - row.from), row.hits);
        EXPECT_EQ(grid.SegmentHits(row.to, row.from - row.to), row.hits) << "walked the other way";
    }
}

// A grid kept to a box that cuts the solid: beside and above the box
// nothing is kept, and below it the triangles still decide what is inside.
TEST(ObstacleGeometryTest, AGridWithinABoxDecidesAsTheWholeGrid)
{
    const double r = 0.83, edge = 0.1;
    const Vec3d c{0.013, 0.027, -0.041};
    const COccupancyGrid whole(Octahedron(r, c), {0, 0, 0}, edge);
    const GridBounds box{{-0.25, 0.3, -0.55}, {2.0, 0.61, 0.15}};
    const COccupancyGrid part(Octahedron(r, c), {0, 0, 0}, edge, box);
    EXPECT_LT(part.GetCellCount() * 8, whole.GetCellCount());
    EXPECT_GE(part.GetMin().y, box.lo.y - edge);
    EXPECT_LE(part.GetMax().x, box.hi.x + edge);
    size_t inside = 0;
    for (uint32_t k = 0; k < part.GetCount(2); ++k) {
        for (uint32_t j = 0; j < part.GetCount(1); ++j) {
            for (uint32_t i = 0; i < part.GetCount(0); ++i) {
                const Vec3d p{part.GetMin().x + (i + 0.5) * edge, part.GetMin().y + (j + 0.5) * edge,
                              part.GetMin().z + (k + 0.5) * edge};
                ASSERT_EQ(part.CentreInside(p), whole.CentreInside(p)) << i << " " << j << " " << k;
                inside += part.CentreInside(p) ? 1 : 0;
            }
        }
    }
    EXPECT_GT(inside, 10u);
    const Vec3d through{0.05, 0.45, -2}, along{0, 0, 4};
    EXPECT_EQ(part.SegmentHits(through, along), whole.SegmentHits(through, along));
    EXPECT_TRUE(part.SegmentHits(through, along));

    // Wholly outside the box: nothing kept at all.
    const COccupancyGrid none(Octahedron(r, c), {0, 0, 0}, edge, GridBounds{{5, 5, 5}, {6, 6, 6}});
    EXPECT_EQ(none.GetCellCount(), 0u);
    EXPECT_FALSE(none.SegmentHits({5.5, 0, 5.5}, {0, 10, 0}));
}

TEST(ObstacleGeometryTest, AGridPastItsBudgetIsRefusedBeforeItIsFilled)
{
    try {
        const COccupancyGrid grid(Octahedron(0.83, {0, 0, 0}), {0, 0, 0}, 0.01, std::nullopt, 100000);
        FAIL() << "a grid of " << grid.GetBytes() << " bytes was built";
    } catch (const GridTooLarge& tooLarge) {
        // 167^3 cells of five bytes.
        EXPECT_GT(tooLarge.neededBytes, 20'000'000u);
    }
    const COccupancyGrid fits(Octahedron(0.83, {0, 0, 0}), {0, 0, 0}, 0.1, std::nullopt, 100000);
    EXPECT_LE(fits.GetBytes(), 100000u);
}

} // namespace
