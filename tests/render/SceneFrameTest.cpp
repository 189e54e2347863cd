#include "GlTestSupport.h"

#include "cameras/CameraSet.h"
#include "classic/ClassicParameters.h"
#include "coverage/CoverageVolume.h"
#include "render/BitmapFontTable.h"
#include "render/SceneRenderer.h"
#include "render/VolumeLists.h"
#include "scene/DrawColor.h"
#include "scene/SceneSettings.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <numbers>
#include <string>

namespace
{

struct ScreenPoint {
    double x = 0.0;
    double y = 0.0;
    int Px() const { return static_cast<int>(std::floor(x)); }
    int Py() const { return static_cast<int>(std::floor(y)); }
};

// Where a scene point lands in the initial view: 10 units in front of the
// room's centre, 60 degree perspective of aspect 1000/725, main viewport
// 1000 x 680 at the bottom of the frame.
ScreenPoint ProjectInitialView(double x, double y, double z)
{
    const double depth = 10.0 - z;
    const double f = 1.0 / std::tan(30.0 * std::numbers::pi / 180.0);
    const double xNdc = f / (1000.0 / 725.0) * x / depth;
    const double yNdc = f * y / depth;
    return {(xNdc + 1.0) * 500.0, (yNdc + 1.0) * 340.0};
}

// Status strip lines: raster heights in window pixels, the glyphs hang 2 below.
constexpr double kStatusLineY[3] = {711.5, 695.75, 680.0};
constexpr int kTextLeft = 5;

bool IsText(const std::array<std::uint8_t, 4>& p)
{
    return std::abs(p[0] - kBackgroundRgb8.r) > 3 || std::abs(p[1] - kBackgroundRgb8.g) > 3 ||
           std::abs(p[2] - kBackgroundRgb8.b) > 3;
}

// Rightmost column with a text pixel in the band of a status line; -1 when empty.
int TextExtent(const CFrameImage& frame, double rasterY, int x0 = kTextLeft, int x1 = 999)
{
    const int y0 = static_cast<int>(std::floor(rasterY)) - 3;
    int extent = -1;
    for (int y = y0; y <= y0 + 15; ++y)
        for (int x = x0; x <= x1; ++x)
            if (IsText(frame.Pixel(x, y)))
                extent = std::max(extent, x);
    return extent;
}

bool IsLitRed(const std::array<std::uint8_t, 4>& p)
{
    return p[0] > 60 && p[1] == 0 && p[2] == 0;
}
bool IsLitGreen(const std::array<std::uint8_t, 4>& p)
{
    return p[1] > 60 && p[0] == 0 && p[2] == 0;
}

int CountDifferences(const CFrameImage& a, const CFrameImage& b, int yMax)
{
    int count = 0;
    for (int y = 0; y < yMax; ++y)
        for (int x = 0; x < a.m_nWidth; ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                ++count;
    return count;
}

// The default four-camera rig in the default 5 m room, drawn by a renderer
// in the offscreen context, as the window shows it after Enter and RENDER.
class SceneFrameTest : public CGlPixelTest
{
  protected:
    void SetUp() override
    {
        CGlPixelTest::SetUp();
        if (HasFatalFailure())
            return;
        m_nSavedThreshold = g_nIsoThreshold;
        m_nSavedOperator = g_nIsoOperator;
        m_fSavedBound1 = g_fResBound1;
        CreateSceneSettings();
        GetSceneSettings()->SetCameraCount(4);
        m_renderer = std::make_unique<CSceneRenderer>();
        m_renderer->InitGL();
        m_renderer->ResetCameras();
        SetIsoThreshold(4);
    }

    void TearDown() override
    {
        CGlPixelTest::TearDown();
        if (m_renderer) {
            m_renderer->ReleaseGL();
            m_renderer.reset();
        }
        g_nIsoThreshold = m_nSavedThreshold;
        g_nIsoOperator = m_nSavedOperator;
        g_fResBound1 = m_fSavedBound1;
    }

    CFrameImage ComputeAndDraw()
    {
        GetSceneSettings()->SetRecalculate(true);
        return Draw();
    }

    CFrameImage Draw()
    {
        m_renderer->Render();
        return Frame();
    }

    SceneSettings& Settings() { return *GetSceneSettings(); }

    std::unique_ptr<CSceneRenderer> m_renderer;

  private:
    unsigned m_nSavedThreshold = 0;
    unsigned m_nSavedOperator = 0;
    float m_fSavedBound1 = 0.0f;
};

TEST_F(SceneFrameTest, LegendSquaresShowTheBandColoursOverTheGreyBackground)
{
    const CFrameImage frame = ComputeAndDraw();
    ASSERT_TRUE(m_renderer->GetVolume().HasResults());
    for (auto [x, y] : {std::pair{3, 3}, {990, 670}, {500, 15}, {5, 600}})
        EXPECT_TRUE(IsBackground(frame, x, y));

    // Inset 200 x 225 at (800, 0): a unit at z = -1 is 20 x 22.5 pixels, the
    // column centred at x = 900, row centres at 112.5 + 22.5 * (-3 .. +5).
    DrawColor& colors = *GetDrawColor();
    const ColorName bands[] = {ColorName::DarkViolet, ColorName::Indigo, ColorName::Blue,
                               ColorName::Green,      ColorName::Yellow, ColorName::Orange,
                               ColorName::Red,        ColorName::Grey,   ColorName::Chocolate};
    for (int row = 0; row < 9; ++row) {
        const CRgb8 expected = ToRgb8(ApplyColor(colors, bands[row]));
        const int centreY = static_cast<int>(112.5 + 22.5 * (row - 3));
        // The top square is cut by the inset's upper edge at y = 225.
        const int top = row == 8 ? 224 - centreY : 9;
        for (int dx : {-8, 0, 8}) {
            EXPECT_TRUE(PixelNear(frame, 900 + dx, centreY - 9, expected, 1)) << "row " << row + 1;
            EXPECT_TRUE(PixelNear(frame, 900 + dx, centreY + std::min(top, 9), expected, 1)) << "row " << row + 1;
        }
    }
    // Beside the squares, left of them nothing is drawn in the inset.
    EXPECT_TRUE(IsBackground(frame, 870, 45));
}

TEST_F(SceneFrameTest, StatusStripLinesStandAtTheirRasterPositions)
{
    const CFrameImage normal = ComputeAndDraw();
    const char* lines[] = {"Resolution for camera : 1", "Selective Cameras Volume: OFF", "Volume Truncation: ON"};
    for (int i = 0; i < 3; ++i) {
        const int extent = TextExtent(normal, kStatusLineY[i]);
        const int expectedEnd = kTextLeft + 10 * static_cast<int>(std::string(lines[i]).size());
        EXPECT_GT(extent, expectedEnd - 10) << lines[i];
        EXPECT_LE(extent, expectedEnd) << lines[i];
    }
    // Between the lines and above the top one the strip stays empty.
    for (int x = 0; x < 300; ++x) {
        EXPECT_FALSE(IsText(normal.Pixel(x, 724)));
        EXPECT_FALSE(IsText(normal.Pixel(x, 707)));
    }

    Settings().SetSelectiveCameras(true);
    const CFrameImage selective = Draw();
    EXPECT_LT(TextExtent(selective, kStatusLineY[1]), TextExtent(normal, kStatusLineY[1]));
    EXPECT_GT(TextExtent(selective, kStatusLineY[2]), TextExtent(normal, kStatusLineY[2]));
    EXPECT_EQ(TextExtent(selective, kStatusLineY[0]), TextExtent(normal, kStatusLineY[0]));
}

TEST_F(SceneFrameTest, CameraNumberIsDrawnWithTheFontGlyph)
{
    m_renderer->ShowResolutionMap(2);
    const CFrameImage frame = ComputeAndDraw();
    // "Resolution for camera : 3": the digit is the 25th character.
    const int cellX = kTextLeft + 10 * 24;
    const int cellY = static_cast<int>(std::floor(kStatusLineY[0])) - 2;
    const unsigned char* glyph = kBitmapFontGlyphs['3' - kBitmapFontFirstCode];
    bool found = false;
    for (int dy = -1; dy <= 1 && !found; ++dy)
        for (int dx = -1; dx <= 1 && !found; ++dx) {
            bool same = true;
            for (int row = 0; row < kBitmapFontRows && same; ++row)
                for (int col = 0; col < 8 && same; ++col) {
                    const bool bit = (glyph[row] >> (7 - col)) & 1;
                    same = bit == IsText(frame.Pixel(cellX + dx + col, cellY + dy + row));
                }
            found = same;
        }
    EXPECT_TRUE(found) << "the glyph of '3' was not found near (" << cellX << ", " << cellY << ")";
}

TEST_F(SceneFrameTest, CameraSphereAndRedNumberStandAtTheCamerasProjection)
{
    ComputeAndDraw();
    m_renderer->SetShownLayers(0);
    const CFrameImage shown = Draw();

    const Vec3d p = CCameraSet::Current()->GetPosition(0);
    const ScreenPoint centre = ProjectInitialView(p.x, p.y, p.z);
    const ScreenPoint label = ProjectInitialView(p.x, p.y + 0.1, p.z);
    // A sphere of radius 0.1 at 7.5 units is about 8 pixels across each way.
    const auto sphere = shown.Pixel(centre.Px() + 3, centre.Py() + 3);
    EXPECT_FALSE(IsBackground(shown, centre.Px() + 3, centre.Py() + 3));
    EXPECT_GE(sphere[2], sphere[0]);
    const CRgb8 red{255, 0, 0};
    EXPECT_GT(CountPixelsNear(shown, label.Px() - 1, label.Py() - 3, label.Px() + 10, label.Py() + 12, red, 2), 5);

    // A disabled camera keeps its sphere and number but loses its frustum edges.
    const auto yellowEdges = [&](const CFrameImage& frame) {
        int count = 0;
        for (int y = centre.Py() - 80; y <= centre.Py(); ++y)
            for (int x = centre.Px(); x <= centre.Px() + 80; ++x) {
                const auto p = frame.Pixel(x, y);
                count += p[0] > 60 && p[1] > 60 && p[2] == 0 ? 1 : 0;
            }
        return count;
    };
    EXPECT_GT(yellowEdges(shown), 10);
    CCameraSet::Current()->SetEnabled(0, 0);
    const CFrameImage disabled = Draw();
    EXPECT_EQ(yellowEdges(disabled), 0);
    EXPECT_EQ(disabled.Pixel(centre.Px() + 3, centre.Py() + 3), sphere);
    EXPECT_GT(CountPixelsNear(disabled, label.Px() - 1, label.Py() - 3, label.Px() + 10, label.Py() + 12, red, 2), 5);

    // Outside the active range the camera is not drawn at all.
    Settings().SetFirstCamera(1);
    const CFrameImage hidden = Draw();
    EXPECT_EQ(CountPixelsNear(hidden, label.Px() - 1, label.Py() - 3, label.Px() + 10, label.Py() + 12, red, 2), 0);
    EXPECT_NE(hidden.Pixel(centre.Px() + 3, centre.Py() + 3), sphere);
    const Vec3d q = CCameraSet::Current()->GetPosition(1);
    const ScreenPoint second = ProjectInitialView(q.x, q.y + 0.1, q.z);
    EXPECT_GT(CountPixelsNear(hidden, second.Px() - 1, second.Py() - 3, second.Px() + 10, second.Py() + 12, red, 2), 5);
}

TEST_F(SceneFrameTest, CountLayersAreRedWhereTheIsoConditionHoldsAndGreenElsewhere)
{
    // Red for the voxels seen by as many cameras as one in the middle of the
    // front slab, so that slab shows both colours.
    Settings().Set2DView(true);
    ComputeAndDraw();
    const CCoverageVolume& volume = m_renderer->GetVolume();
    ASSERT_TRUE(volume.HasResults());
    SetIsoOperator(2);
    SetIsoThreshold(volume.SeenCount(volume.VoxelIndex(12, 6, 0)));
    const CFrameImage frame = ComputeAndDraw();

    // The front slab (k = 0) faces the viewer; its faces lie on z = +W/2.
    int red = 0;
    int green = 0;
    for (uint32_t i = 3; i <= 21; i += 2)
        for (uint32_t j = 3; j <= 21; j += 2) {
            const size_t t = volume.VoxelIndex(i, j, 0);
            const auto c = volume.Centre(t);
            const ScreenPoint s = ProjectInitialView(c[0], c[1], c[2] + volume.GetHalfEdge());
            const auto pixel = frame.Pixel(s.Px(), s.Py());
            if (IsoConditionHolds(volume.SeenCount(t))) {
                EXPECT_TRUE(IsLitRed(pixel)) << "voxel " << i << ", " << j << " seen by " << volume.SeenCount(t);
                ++red;
            } else {
                EXPECT_TRUE(IsLitGreen(pixel)) << "voxel " << i << ", " << j << " seen by " << volume.SeenCount(t);
                ++green;
            }
        }
    EXPECT_GT(red, 0);
    EXPECT_GT(green, 0);
    // The 2D view has no legend inset.
    EXPECT_TRUE(IsBackground(frame, 900, 45));

    // Truncated to the lowest ten layers: nothing above y0 + 2 m.
    m_renderer->SetShownLayers(10);
    const CFrameImage cut = Draw();
    const auto low = volume.Centre(volume.VoxelIndex(12, 9, 0));
    const auto high = volume.Centre(volume.VoxelIndex(12, 15, 0));
    const ScreenPoint lowPoint = ProjectInitialView(low[0], low[1], low[2] + volume.GetHalfEdge());
    const ScreenPoint highPoint = ProjectInitialView(high[0], high[1], high[2] + volume.GetHalfEdge());
    EXPECT_FALSE(IsBackground(cut, lowPoint.Px(), lowPoint.Py()));
    EXPECT_TRUE(IsBackground(cut, highPoint.Px(), highPoint.Py()));
}

TEST_F(SceneFrameTest, OrthographicViewIsTenUnitsWideWhateverTheZoom)
{
    // Columns of the cyan front-left post on the main viewport's middle row.
    const auto postColumns = [](const CFrameImage& frame) {
        std::pair<int, int> columns{1000, -1};
        for (int x = 0; x < 500; ++x) {
            const auto p = frame.Pixel(x, 340);
            if (p[0] == 0 && p[1] > 60 && p[2] > 60)
                columns = {std::min(columns.first, x), std::max(columns.second, x)};
        }
        return columns;
    };
    m_renderer->SetOrthographic();
    const auto flat = postColumns(Draw());
    // x from -2.55 to -2.5 over a window of -5 .. 5 on 1000 pixels.
    EXPECT_NEAR(flat.first, 245, 1);
    EXPECT_NEAR(flat.second, 249, 1);
    m_renderer->ZoomIn();
    m_renderer->ZoomIn();
    m_renderer->ZoomIn();
    EXPECT_EQ(postColumns(Draw()), flat);

    // In perspective the zoom brings the post closer and further out.
    m_renderer->SetPerspective();
    const auto nearer = postColumns(Draw());
    m_renderer->ResetHome();
    const auto initial = postColumns(Draw());
    const ScreenPoint front = ProjectInitialView(-2.5, 0.0, 2.55);
    EXPECT_NEAR(initial.second, front.Px(), 1);
    EXPECT_LT(nearer.second, initial.second - 20);
}

TEST_F(SceneFrameTest, SeeThroughDrawsTheVolumeAsPoints)
{
    const CFrameImage filled = ComputeAndDraw();
    m_renderer->ToggleSeeThrough();
    const CFrameImage points = Draw();
    EXPECT_GT(CountDifferences(filled, points, 680), 1000);
    // The room, the rulers and the texts stay filled: the strip is the same.
    for (int y = 680; y < 725; ++y)
        for (int x = 0; x < 1000; x += 7)
            ASSERT_EQ(filled.Pixel(x, y), points.Pixel(x, y)) << x << ", " << y;
}

TEST_F(SceneFrameTest, OrdinaryFramesReplayTheListsUntilAFlagAsksForMore)
{
    const CFrameImage before = ComputeAndDraw();
    // A changed filter is not seen until something asks for a recompilation.
    SetResBound1(0.75f);
    const CFrameImage replayed = Draw();
    EXPECT_EQ(CountDifferences(before, replayed, 725), 0);

    m_renderer->ShowResolutionMap(0);
    const CFrameImage recompiled = Draw();
    EXPECT_FALSE(m_renderer->IsResolutionMapDirty());
    EXPECT_GT(CountDifferences(before, recompiled, 680), 100);

    SetResBound1(0.7f);
    Settings().SetRecalculate(true);
    const CFrameImage recomputed = Draw();
    EXPECT_FALSE(Settings().GetRecalculate());
    EXPECT_EQ(CountDifferences(before, recomputed, 725), 0);
}

TEST_F(SceneFrameTest, LegendWaitsForTheFirstComputation)
{
    const CFrameImage frame = Draw();
    EXPECT_FALSE(m_renderer->GetVolume().HasResults());
    EXPECT_TRUE(IsBackground(frame, 900, 45));
    EXPECT_TRUE(IsBackground(frame, 900, 180));
    // The status strip is there all the same.
    EXPECT_GT(TextExtent(frame, kStatusLineY[0]), kTextLeft);
}

TEST_F(SceneFrameTest, UnusableRoomLeavesAMessageAndAnEmptyVolume)
{
    ComputeAndDraw();
    ASSERT_GT(m_renderer->GetLayerTotal(), 0);
    Settings().SetRoomLength(0.0f);
    const CFrameImage frame = ComputeAndDraw();
    EXPECT_EQ(m_renderer->TakeComputationMessage(), std::optional<std::string>(kInvalidGridMessage));
    EXPECT_EQ(m_renderer->TakeComputationMessage(), std::nullopt);
    EXPECT_EQ(m_renderer->GetLayerTotal(), 0);
    EXPECT_FALSE(m_renderer->GetVolumeLists().IsBuilt());
    EXPECT_GT(TextExtent(frame, kStatusLineY[0]), kTextLeft);
}

// A grid the core could hold but whose display lists could not fit the memory
// left: refused before computing, with the memory message, the window usable.
TEST_F(SceneFrameTest, GridWhoseListsCannotFitMemoryIsRefusedBeforeComputing)
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    double availableKib = 0;
    while (meminfo >> key >> availableKib && key != "MemAvailable:")
        meminfo.ignore(1 << 20, '\n');
    ASSERT_EQ(key, "MemAvailable:");
    // Twice the voxels the lists could take, 10 layers of 20 cm: the grid
    // arrays themselves need only about a hundredth of the memory.
    const double voxels = 2.0 * availableKib / 3.0;
    const float side = static_cast<float>(std::ceil(std::sqrt(voxels / 10.0)) * 0.2);
    Settings().SetRoomLength(side);
    Settings().SetRoomWidth(side);
    Settings().SetRoomHeight(2.0f);
    const CFrameImage frame = ComputeAndDraw();
    EXPECT_EQ(m_renderer->TakeComputationMessage(), std::optional<std::string>(kNotEnoughMemoryMessage));
    EXPECT_EQ(m_renderer->GetLayerTotal(), 0);
    EXPECT_FALSE(m_renderer->GetVolumeLists().IsBuilt());
    EXPECT_GT(TextExtent(frame, kStatusLineY[0]), kTextLeft);
}

TEST_F(SceneFrameTest, WaitingMessageStartsAtTheStripCentreOverTheLastFrame)
{
    const CFrameImage frame = ComputeAndDraw();
    EXPECT_EQ(TextExtent(frame, kStatusLineY[2], 480, 999), -1);
    m_renderer->DrawWaitingMessage();
    const CFrameImage waiting = Frame();
    const int extent = TextExtent(waiting, kStatusLineY[2], 480, 999);
    const int expectedEnd = 500 + 10 * static_cast<int>(std::string(kWaitingMessage).size());
    EXPECT_GT(extent, expectedEnd - 10);
    EXPECT_LE(extent, expectedEnd);
    EXPECT_EQ(TextExtent(waiting, kStatusLineY[2], 480, 498), -1);
    // Nothing else of the frame changes.
    EXPECT_EQ(CountDifferences(frame, waiting, 676), 0);
}

TEST_F(SceneFrameTest, AnEmptyMapSaysWhyOnTheTopLineOfTheStripOnlyWhileTheMapIsShown)
{
    EXPECT_EQ(TextExtent(ComputeAndDraw(), kStatusLineY[0], 290, 999), -1);
    CCameraSet::Instance().SetEnabled(0, 0);
    SetIsoThreshold(3);
    const CFrameImage frame = ComputeAndDraw();
    const std::string reason = "Map empty: camera 1 is disabled";
    EXPECT_EQ(m_renderer->GetMapDiagnosis(), reason);
    const int extent = TextExtent(frame, kStatusLineY[0], 290, 999);
    const int expectedEnd = 300 + 10 * static_cast<int>(reason.size());
    EXPECT_GT(extent, expectedEnd - 10);
    EXPECT_LE(extent, expectedEnd);
    EXPECT_EQ(TextExtent(frame, kStatusLineY[1], 300, 999), -1);

    // The count layers and the selective volume are no map: no reason.
    Settings().Set2DView(true);
    EXPECT_EQ(TextExtent(Draw(), kStatusLineY[0], 290, 999), -1);
    Settings().Set2DView(false);
    // Another map camera with values: the reason goes.
    m_renderer->ShowResolutionMap(1);
    EXPECT_EQ(TextExtent(Draw(), kStatusLineY[0], 290, 999), -1);
    EXPECT_EQ(m_renderer->GetMapDiagnosis(), "");
}

} // namespace
