// The Quality display in whole frames: its legend, voxels in the colour of
// their value, the threshold, and the classic frames left as they were.
#include "GlTestSupport.h"

#include "cameras/CameraSet.h"
#include "classic/ClassicParameters.h"
#include "coverage/CoverageVolume.h"
#include "coverage/PlanningMeasures.h"
#include "coverage/QualityDisplay.h"
#include "render/QualityLegend.h"
#include "render/QualityLists.h"
#include "render/SceneRenderer.h"
#include "scene/SceneSettings.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace
{

// Where a scene point lands in the initial view (see the scene frame tests).
std::pair<int, int> ProjectInitialView(double x, double y, double z)
{
    const double depth = 10.0 - z;
    const double f = 1.0 / std::tan(30.0 * std::numbers::pi / 180.0);
    const double xNdc = f / (1000.0 / 725.0) * x / depth;
    const double yNdc = f * y / depth;
    return {static_cast<int>(std::floor((xNdc + 1.0) * 500.0)), static_cast<int>(std::floor((yNdc + 1.0) * 340.0))};
}

CRgb8 ToRgb8(const QualityRgb& rgb)
{
    const double d[3] = {rgb[0], rgb[1], rgb[2]};
    return ::ToRgb8(d);
}

constexpr int kLegendX = kQualityLegendViewport[0];
constexpr int kLegendW = kQualityLegendViewport[2];
constexpr int kLegendH = kQualityLegendViewport[3];
// The backing grey 0.08 as stored.
constexpr CRgb8 kBacking{20, 20, 20};

// A lit face shows its colour scaled alike in every channel (white light, a
// material without shine): the pixel is `rgb` times one factor.
::testing::AssertionResult IsLitShadeOf(const std::array<std::uint8_t, 4>& p, const QualityRgb& rgb)
{
    double lo = 1e9, hi = 0.0;
    for (int c = 0; c < 3; ++c) {
        const double k = p[c] / (255.0 * rgb[c]);
        lo = std::min(lo, k);
        hi = std::max(hi, k);
    }
    if (lo > 0.2 && hi < 1.0 && hi / lo < 1.12)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel " << int(p[0]) << "," << int(p[1]) << "," << int(p[2])
                                         << " is no shade of " << rgb[0] << "," << rgb[1] << "," << rgb[2];
}

int CountDifferences(const CFrameImage& a, const CFrameImage& b, int x0, int y0, int x1, int y1)
{
    int count = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            count += a.Pixel(x, y) != b.Pixel(x, y) ? 1 : 0;
    return count;
}

// The default four-camera rig in the default 5 m room.
class QualityFrameTest : public CGlPixelTest
{
  protected:
    void SetUp() override
    {
        CGlPixelTest::SetUp();
        if (HasFatalFailure())
            return;
        ResetCoverageParameters();
        CreateSceneSettings();
        GetSceneSettings()->SetCameraCount(4);
        m_renderer = std::make_unique<CSceneRenderer>();
        m_renderer->InitGL();
        m_renderer->ResetCameras();
    }

    void TearDown() override
    {
        CGlPixelTest::TearDown();
        if (m_renderer) {
            m_renderer->ReleaseGL();
            m_renderer.reset();
        }
        ResetCoverageParameters();
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

    std::unique_ptr<CSceneRenderer> m_renderer;
};

TEST_F(QualityFrameTest, LegendHasBackingBarTicksAndTitleInsideTheFrame)
{
    m_renderer->SetQualityDisplay(true);
    const CFrameImage frame = ComputeAndDraw();
    const QualityScale& scale = m_renderer->GetQualityLists().GetScale();
    ASSERT_EQ(scale.ticks.size(), 5u); // 0 .. 4 cameras

    const QualityLegendLayout layout;
    // The bar: a swatch per count, each in the colour of that count's voxels.
    const int barX = kLegendX + (layout.barLeft + layout.barRight) / 2;
    const double swatch = (layout.barTop - layout.barBottom) / (scale.high - scale.low + 1.0);
    for (const int y : {layout.barBottom, 40, 60, 105, 150, 180, layout.barTop - 1}) {
        const float count = static_cast<float>(scale.low + std::floor((y + 0.5 - layout.barBottom) / swatch));
        EXPECT_TRUE(PixelNear(frame, barX, y, ToRgb8(scale.ColorOf(count)), 2)) << "bar at " << y;
    }
    // A white mark and a label beside the bar at every tick.
    for (const double tick : scale.ticks) {
        const int y = static_cast<int>(std::floor(layout.BarY(scale, tick)));
        EXPECT_TRUE(PixelNear(frame, kLegendX + layout.barRight + 3, y, {255, 255, 255}, 2)) << tick;
        EXPECT_GT(kLegendW * 12 - CountPixelsNear(frame, kLegendX + layout.labelLeft, y - 6,
                                                  kLegendX + layout.labelLeft + 10, y + 6, kBacking, 2),
                  0)
            << tick;
    }
    // The title in the top rows: "Cameras seeing a marker", 23 glyphs of 10 pixels.
    const int titleTop = layout.titleBaseline + 11;
    const int lit = (23 * 10 + 1) * 14 - CountPixelsNear(frame, kLegendX + layout.titleX, layout.titleBaseline - 2,
                                                         kLegendX + layout.titleX + 230, titleTop, kBacking, 2);
    EXPECT_GT(lit, 150);
    // The backing between bar labels and title, and along every edge of the
    // panel: nothing of the legend reaches the frame's or the panel's border.
    EXPECT_TRUE(PixelNear(frame, kLegendX + 200, 100, kBacking, 1));
    for (int y = 0; y < kLegendH; ++y)
        for (const int x : {kLegendX, kLegendX + 1, kLegendX + kLegendW - 2, kLegendX + kLegendW - 1})
            ASSERT_TRUE(PixelNear(frame, x, y, kBacking, 1));
    for (int x = kLegendX; x < kLegendX + kLegendW; ++x)
        for (const int y : {0, 1, kLegendH - 2, kLegendH - 1})
            ASSERT_TRUE(PixelNear(frame, x, y, kBacking, 1));
    // The classic legend's squares are gone.
    EXPECT_EQ(CountPixelsNear(frame, 890, 20, 910, 220, {148, 0, 211}, 2), 0);
}

TEST_F(QualityFrameTest, FrontVoxelsShowTheColourOfTheirCameraCount)
{
    m_renderer->SetQualityDisplay(true);
    const CFrameImage frame = ComputeAndDraw();
    const CCoverageVolume& volume = m_renderer->GetVolume();
    const CPlanningMeasures& planning = m_renderer->GetPlanning();
    const QualityScale& scale = m_renderer->GetQualityLists().GetScale();
    ASSERT_TRUE(planning.HasResults());
    // The front slab (k = 0) faces the viewer; its faces lie on z = +W/2.
    int checked[5] = {};
    for (uint32_t i = 3; i <= 21; i += 2)
        for (uint32_t j = 1; j <= 21; j += 2) {
            const size_t t = volume.VoxelIndex(i, j, 0);
            const uint32_t count = planning.MarkerCount(t);
            if (count == 0)
                continue;
            const auto c = volume.Centre(t);
            const auto [x, y] = ProjectInitialView(c[0], c[1], c[2] + volume.GetHalfEdge());
            EXPECT_TRUE(IsLitShadeOf(frame.Pixel(x, y), scale.ColorOf(static_cast<float>(count))))
                << "voxel " << i << ", " << j << " seen with a marker by " << count;
            ++checked[count];
        }
    // Both one and two cameras occur on the front slab: their colours differ.
    EXPECT_GT(checked[1], 0);
    EXPECT_GT(checked[2], 0);
}

TEST_F(QualityFrameTest, TheShellIsCutAtTheShownLayersAsTheVolumeIs)
{
    m_renderer->SetQualityDisplay(true);
    const CFrameImage all = ComputeAndDraw();
    const CCoverageVolume& volume = m_renderer->GetVolume();
    // Cut above the eye's height, so no voxel behind the front slab and below
    // the cut is seen through where the cut-away front voxels were.
    const int cut = m_renderer->GetLayerTotal() / 2 + 2;
    m_renderer->SetShownLayers(0);
    const CFrameImage none = Draw();
    m_renderer->SetShownLayers(cut);
    const CFrameImage half = Draw();
    // Front faces below the cut are drawn as in the whole shell; above it
    // nothing of the shell is left, at any depth.
    int below = 0, above = 0;
    for (uint32_t i = 3; i <= 21; i += 2)
        for (uint32_t j = 1; j < volume.GetCountY(); j += 2) {
            if (static_cast<int>(j) == cut)
                continue;
            const auto c = volume.Centre(volume.VoxelIndex(i, j, 0));
            const auto [x, y] = ProjectInitialView(c[0], c[1], c[2] + volume.GetHalfEdge());
            const bool shown = static_cast<int>(j) < cut;
            EXPECT_EQ(half.Pixel(x, y), (shown ? all : none).Pixel(x, y)) << "voxel " << i << ", " << j;
            ++(shown ? below : above);
        }
    EXPECT_GT(below, 20);
    EXPECT_GT(above, 20);
    EXPECT_GT(CountDifferences(all, half, 0, 0, kLegendX - 1, 679), 1000);
}

TEST_F(QualityFrameTest, ThresholdHidesTheVoxelsThatFailIt)
{
    m_renderer->SetQualityDisplay(true);
    const CFrameImage all = ComputeAndDraw();
    m_renderer->SetShownLayers(0);
    const CFrameImage none = Draw();
    m_renderer->SetShownLayers(m_renderer->GetLayerTotal());
    ASSERT_GT(CountDifferences(all, none, 0, 0, 999, 679), 10000);

    // A threshold nothing meets leaves the frame of no layers; the legend
    // names the threshold.
    m_renderer->SetQualityThreshold(QualityThreshold{4, 100.0f});
    const CFrameImage hidden = Draw();
    EXPECT_EQ(CountDifferences(hidden, none, 0, 0, kLegendX - 1, 679), 0);
    const QualityLegendLayout layout;
    EXPECT_EQ(CountDifferences(hidden, none, kLegendX, 0, 999, layout.thresholdBaseline - 3), 0);
    EXPECT_GT(
        CountDifferences(hidden, none, kLegendX, layout.thresholdBaseline - 2, 999, layout.thresholdBaseline + 11), 50);

    // At least two cameras: the voxels one camera sees are gone, the others stay.
    m_renderer->SetQualityThreshold(QualityThreshold{3, 2.0f});
    const CFrameImage two = Draw();
    const CCoverageVolume& volume = m_renderer->GetVolume();
    const CPlanningMeasures& planning = m_renderer->GetPlanning();
    const QualityRgb oneColor = m_renderer->GetQualityLists().GetScale().ColorOf(1.0f);
    int gone = 0;
    for (uint32_t i = 3; i <= 21; i += 2)
        for (uint32_t j = 1; j <= 21; j += 2) {
            const size_t t = volume.VoxelIndex(i, j, 0);
            const auto c = volume.Centre(t);
            const auto [x, y] = ProjectInitialView(c[0], c[1], c[2] + volume.GetHalfEdge());
            if (planning.MarkerCount(t) == 1) {
                EXPECT_TRUE(IsLitShadeOf(all.Pixel(x, y), oneColor));
                EXPECT_FALSE(IsLitShadeOf(two.Pixel(x, y), oneColor)) << i << ", " << j;
                ++gone;
            } else if (planning.MarkerCount(t) >= 2) {
                EXPECT_EQ(two.Pixel(x, y), all.Pixel(x, y)) << i << ", " << j;
            }
        }
    EXPECT_GT(gone, 0);
}

TEST_F(QualityFrameTest, ClassicFramesStayAsTheyWereWithPlanningAndQualityOff)
{
    const CFrameImage classic = ComputeAndDraw();
    EXPECT_FALSE(m_renderer->GetPlanning().HasResults());
    EXPECT_FALSE(m_renderer->GetQualityLists().IsBuilt());

    m_renderer->SetQualityDisplay(true);
    const CFrameImage quality = Draw();
    EXPECT_TRUE(m_renderer->LastRenderComputed());
    EXPECT_GT(CountDifferences(classic, quality, 0, 0, 999, 724), 1000);
    m_renderer->SetQualityDisplay(false);
    EXPECT_EQ(CountDifferences(classic, Draw(), 0, 0, 999, 724), 0);

    // Planning on: the reach lines are the only change, in cyan.
    m_renderer->SetPlanningEnabled(true);
    const CFrameImage reach = Draw();
    int changed = 0;
    for (int y = 0; y < 680; ++y)
        for (int x = 0; x < 1000; ++x) {
            const auto p = reach.Pixel(x, y);
            if (p == classic.Pixel(x, y))
                continue;
            ++changed;
            ASSERT_TRUE(p[0] < 40 && p[1] > 60 && std::abs(p[1] - p[2]) < 40) << x << ", " << y;
        }
    EXPECT_GT(changed, 100);
    m_renderer->SetPlanningEnabled(false);
    EXPECT_EQ(CountDifferences(classic, Draw(), 0, 0, 999, 724), 0);
}

TEST_F(QualityFrameTest, QualityListsAreCompiledOnlyWhenShownAndAnewOnRequest)
{
    m_renderer->SetPlanningEnabled(true);
    ComputeAndDraw();
    EXPECT_TRUE(m_renderer->LastRenderComputed());
    ASSERT_TRUE(m_renderer->GetPlanning().HasResults());
    EXPECT_FALSE(m_renderer->GetQualityLists().IsBuilt());
    Draw();
    EXPECT_FALSE(m_renderer->LastRenderComputed());

    m_renderer->SetQualityDisplay(true);
    const CFrameImage before = Draw();
    EXPECT_TRUE(m_renderer->GetQualityLists().IsBuilt());
    const uint64_t markersBefore = m_renderer->GetPlanning().MarkerAtLeast()[1];

    // New settings are not seen until asked for; then without a new coverage.
    PlanningSettings settings = GetPlanningSettings();
    settings.minImagePx = 6.0;
    ASSERT_TRUE(SetPlanningSettings(settings));
    EXPECT_EQ(CountDifferences(before, Draw(), 0, 0, 999, 724), 0);
    m_renderer->RequestPlanningUpdate();
    const CFrameImage after = Draw();
    EXPECT_TRUE(m_renderer->LastRenderComputed());
    EXPECT_FALSE(GetSceneSettings()->GetRecalculate());
    EXPECT_EQ(m_renderer->GetPlanning().GetSettings().minImagePx, 6.0);
    EXPECT_LT(m_renderer->GetPlanning().MarkerAtLeast()[1], markersBefore);
    EXPECT_GT(CountDifferences(before, after, 0, 0, kLegendX - 1, 679), 1000);

    // Another measure recompiles the lists from the same measures.
    m_renderer->SetQualityMeasure(PlanningMeasure::Sigma);
    const CFrameImage sigma = Draw();
    EXPECT_FALSE(m_renderer->LastRenderComputed());
    EXPECT_GT(CountDifferences(after, sigma, 0, 0, 999, 724), 1000);
}

} // namespace
