// The report's pieces that decide what a reader sees: the pan a crew sets,
// the histogram bars, the height band of the maps and the maps' orientation
// and colour key.
#include "support/CoverageFixture.h"

#include "coverage/obstacles/ObstacleSet.h"
#include "report/FloorMaps.h"
#include "report/ReportPictures.h"
#include "report/ReportFigures.h"
#include "report/ReportWriter.h"

#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

namespace
{

TEST(ReportPanTest, FromTheInwardNormalOfTheNearestWall)
{
    struct Case {
        double x, z, dx, dz;
        const char* wall;
        double pan;
    };
    // A 10 x 6 room, X right and Z up seen from above; positive pans turn right.
    const Case cases[] = {
        {0.2, 3.0, 1.0, 0.0, "X=0", 0.0},                                        // straight in from the X = 0 wall
        {0.2, 3.0, 1.0, 1.0, "X=0", -45.0},                                      // towards +Z: left of the normal
        {0.2, 3.0, 1.0, -1.0, "X=0", 45.0},  {9.9, 3.0, -1.0, 1.0, "X=L", 45.0}, // facing -X, +Z is on the right
        {5.0, 0.1, 0.0, 1.0, "Z=0", 0.0},    {5.0, 0.1, 1.0, 1.0, "Z=0", 45.0},  // facing +Z, +X is on the right
        {5.0, 5.8, 1.0, -1.0, "Z=W", -45.0}, {5.0, 5.8, 0.0, 1.0, "Z=W", 180.0}, // facing the wall itself
        {0.0, 0.0, 1.0, 1.0, "X=0", -45.0},                                      // a corner: the first wall of a tie
    };
    for (const Case& c : cases) {
        const WallPan pan = PanFromNearestWall(c.x, c.z, 10.0, 6.0, c.dx, c.dz);
        EXPECT_EQ(pan.wall, c.wall) << c.x << "," << c.z;
        EXPECT_NEAR(pan.panDeg, c.pan, 1e-9) << c.x << "," << c.z << " towards " << c.dx << "," << c.dz;
    }
}

TEST(ReportFiguresTest, CeilingCamerasAreListedOnTheCeiling)
{
    // A 10 x 6 x 4 room.
    EXPECT_EQ(MountText({5.0, 4.0, 3.0}, 10.0, 6.0, 4.0, "X=0"), "ceiling, near X=0");
    EXPECT_EQ(MountText({1.0, 3.8, 3.0}, 10.0, 6.0, 4.0, "X=0"), "ceiling, near X=0");
    // On a wall near the top: the wall is closer than the ceiling.
    EXPECT_EQ(MountText({0.0, 3.9, 3.0}, 10.0, 6.0, 4.0, "X=0"), "X=0");
    EXPECT_EQ(MountText({5.0, 2.5, 5.9}, 10.0, 6.0, 4.0, "Z=W"), "Z=W");
}

TEST(ReportPlanMarksTest, CamerasSharingAPlaceReadAsTheViewGroupsThem)
{
    std::vector<CameraRow> rows(5);
    const Vec3d places[] = {{1.0, 3.0, 1.0}, {4.0, 3.0, 2.0}, {1.0, 3.0, 1.0}, {1.0, 3.0, 1.0004}, {1.0, 2.0, 1.0}};
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].number = static_cast<uint32_t>(i + 1);
        rows[i].position = places[i];
        rows[i].aimX = static_cast<double>(i);
    }
    const std::vector<PlanMark> marks = PlanMarks(rows);
    ASSERT_EQ(marks.size(), rows.size());
    // 1, 3 and 4 (within a millimetre) share one place, each with its own arrow;
    // 5 stands below them, 2 elsewhere: their own numbers.
    for (const size_t i : {0u, 2u, 3u})
        EXPECT_EQ(marks[i].text, "1,3-4") << i;
    EXPECT_EQ(marks[1].text, "");
    EXPECT_EQ(marks[4].text, "");
    for (size_t i = 0; i < marks.size(); ++i)
        EXPECT_EQ(marks[i].aimX, static_cast<double>(i));
}

TEST(ReportBarsTest, ValuesFallInTheBarThatStartsAtOrBelowThem)
{
    const std::vector<double> edges{0.0, 1.0, 2.0, 3.0};
    const std::vector<float> values{0.0f, 0.5f, 1.0f, 1.99f, 2.0f, 2.5f, 3.0f, 40.0f, NAN, -1.0f};
    const std::vector<HistogramBar> bars = BarsOf(values, edges, 1);
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(bars[0].label, "0.0-1.0");
    EXPECT_EQ(bars[1].label, "1.0-2.0");
    EXPECT_EQ(bars[2].label, ">= 2.0");
    // -1 below the first edge joins the first bar; the last bar is open above; NaN counts nowhere.
    EXPECT_EQ(bars[0].voxels, 3u);
    EXPECT_EQ(bars[1].voxels, 2u);
    EXPECT_EQ(bars[2].voxels, 4u);
    EXPECT_TRUE(BarsOf(values, {1.0}, 0).empty());
}

TEST(ReportFormatTest, ByExtensionAndPageByLocale)
{
    EXPECT_EQ(ReportFormatOf("a/b.pdf"), ReportFormat::Pdf);
    EXPECT_EQ(ReportFormatOf("B.PDF"), ReportFormat::Pdf);
    EXPECT_EQ(ReportFormatOf("b.html"), ReportFormat::Html);
    EXPECT_EQ(ReportFormatOf("b.htm"), ReportFormat::Html);
    EXPECT_FALSE(ReportFormatOf("b.png"));
    EXPECT_FALSE(ReportFormatOf("pdf"));
    EXPECT_EQ(ReportPageSizeFor(QLocale(QLocale::English, QLocale::UnitedStates)), QPageSize::Letter);
    EXPECT_EQ(ReportPageSizeFor(QLocale(QLocale::English, QLocale::UnitedKingdom)), QPageSize::A4);
    EXPECT_EQ(ReportPageSizeFor(QLocale(QLocale::German, QLocale::Germany)), QPageSize::A4);
}

class ReportMapTest : public CoverageTest
{
};

TEST_F(ReportMapTest, BandAndSliceLayersByHeightAboveTheFloor)
{
    MakeRig(4, 5.0f, 5.0f, 3.0f); // 20 cm voxels: 15 layers, centres at 0.1, 0.3, ... 2.9 m
    Compute();
    const auto band = LayersInBand(volume, 3.0f, 0.5f, 2.0f);
    ASSERT_TRUE(band);
    EXPECT_EQ(band->first, 2u);  // centre 0.5
    EXPECT_EQ(band->second, 9u); // centre 1.9
    EXPECT_FALSE(LayersInBand(volume, 3.0f, 0.45f, 0.48f));
    EXPECT_EQ(LayerAt(volume, 3.0f, 0.0f), 0u);
    EXPECT_EQ(LayerAt(volume, 3.0f, 1.0f), 5u);
    EXPECT_EQ(LayerAt(volume, 3.0f, 3.0f), 14u);
    EXPECT_FALSE(LayerAt(volume, 3.0f, -0.1f));
    EXPECT_FALSE(LayerAt(volume, 3.0f, 3.1f));
}

TEST_F(ReportMapTest, WorstCaseIsTheLeastCountOverTheBand)
{
    MakeRig(4, 5.0f, 5.0f, 3.0f);
    Compute();
    const FloorMap map = WorstCaseMap(volume, 2, 9, "band");
    ASSERT_EQ(map.nx, volume.GetCountX());
    ASSERT_EQ(map.nz, volume.GetCountZ());
    bool someDiffer = false;
    for (uint32_t k = 0; k < map.nz; ++k)
        for (uint32_t i = 0; i < map.nx; ++i) {
            uint32_t least = UINT32_MAX, most = 0;
            for (uint32_t j = 2; j <= 9; ++j) {
                least = std::min(least, volume.SeenCount(volume.VoxelIndex(i, j, k)));
                most = std::max(most, volume.SeenCount(volume.VoxelIndex(i, j, k)));
            }
            ASSERT_EQ(map.Count(i, k), least) << i << "," << k;
            someDiffer = someDiffer || least != most;
        }
    // Otherwise the test could not tell the least from any other layer.
    EXPECT_TRUE(someDiffer);
}

TEST_F(ReportMapTest, VoxelsInsideObstaclesAreNoPlaceForAMarker)
{
    MakeRig(4, 5.0f, 5.0f, 3.0f);
    auto obstacles = std::make_shared<CObstacleSet>();
    // One pillar through the whole band, one low block under part of it.
    ASSERT_FALSE(obstacles->AddBox({"pillar", {0.6, 0.0, 0.6}, {1.4, 2.4, 1.4}}));
    ASSERT_FALSE(obstacles->AddBox({"block", {3.0, 0.0, 3.0}, {4.0, 1.0, 4.0}}));
    obstacleSet = obstacles;
    Compute();
    const FloorMap map = WorstCaseMap(volume, 2, 9, "band");
    size_t blocked = 0, partial = 0;
    for (uint32_t k = 0; k < map.nz; ++k)
        for (uint32_t i = 0; i < map.nx; ++i) {
            uint32_t least = UINT32_MAX, inside = 0;
            for (uint32_t j = 2; j <= 9; ++j) {
                const size_t t = volume.VoxelIndex(i, j, k);
                if (volume.InsideObstacle(t))
                    ++inside;
                else
                    least = std::min(least, volume.SeenCount(t));
            }
            ASSERT_EQ(map.Blocked(i, k), inside == 8) << i << "," << k;
            if (inside < 8) {
                ASSERT_EQ(map.Count(i, k), least) << i << "," << k;
            }
            blocked += inside == 8 ? 1 : 0;
            partial += inside > 0 && inside < 8 ? 1 : 0;
        }
    EXPECT_EQ(blocked, 16u); // the pillar's 4 x 4 columns
    EXPECT_EQ(partial, 25u); // the block's 5 x 5
    const QImage image = DrawFloorMap(map, 4, 5.0f, 5.0f);
    size_t grey = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            grey += image.pixel(x, y) == (FloorMapObstacleRgb() | 0xff000000u) ? 1 : 0;
    EXPECT_GT(grey, 16u * 100u); // the columns and the key's swatch
    // The obstacles' colour is none of the counts'.
    for (uint32_t c = 0; c <= 4; ++c)
        EXPECT_NE(FloorMapRgb(c, 4), FloorMapObstacleRgb());
}

TEST_F(ReportMapTest, DrawnWithXRightZUpAndAKeyFromNoneToAll)
{
    // Counts chosen by hand: a 4 x 3 grid with one column seen by all 6 cameras.
    FloorMap map;
    map.nx = 4;
    map.nz = 3;
    map.edgeM = 1.0f;
    map.counts.assign(12, 0);
    map.counts[0] = 6;         // i = 0, k = 0: the corner X = 0, Z = 0
    map.counts[3 + 4 * 2] = 3; // i = 3, k = 2: the opposite corner
    const QImage image = DrawFloorMap(map, 6, 4.0f, 3.0f);
    ASSERT_FALSE(image.isNull());
    const auto countAt = [&image](QRgb rgb, int x0, int x1, int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += image.pixel(x, y) == (rgb | 0xff000000u) ? 1 : 0;
        return n;
    };
    const int w = image.width(), h = image.height();
    const QRgb all = FloorMapRgb(6, 6), three = FloorMapRgb(3, 6), none = FloorMapRgb(0, 6);
    EXPECT_NE(all, three);
    EXPECT_NE(all, none);
    // The plan sits left of the key: the full count in its lower left, 3 in its upper right.
    const int planRight = w - 300; // the key's margin and width
    EXPECT_GT(countAt(all, 0, planRight / 2, h / 2, h), 1000);
    EXPECT_EQ(countAt(all, planRight / 2, planRight, 0, h), 0);
    EXPECT_GT(countAt(three, planRight / 2, planRight, 0, h / 2), 1000);
    // The key holds every count's colour, the full count above none.
    int yAll = -1, yNone = -1;
    for (int y = 0; y < h; ++y)
        for (int x = planRight; x < w; ++x) {
            if (image.pixel(x, y) == (all | 0xff000000u) && yAll < 0)
                yAll = y;
            if (image.pixel(x, y) == (none | 0xff000000u))
                yNone = y;
        }
    for (uint32_t c = 1; c < 6; ++c)
        EXPECT_GT(countAt(FloorMapRgb(c, 6), planRight, w, 0, h), 100) << c;
    ASSERT_GE(yAll, 0);
    EXPECT_GT(yNone, yAll);
}

} // namespace

int main(int argc, char** argv)
{
    // Painting text needs the application object, not a screen (test discovery runs without one too).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
