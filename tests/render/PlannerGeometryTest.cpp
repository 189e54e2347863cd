// The planner view's arithmetic: framing, zoom and pan, ruler steps, legend
// values, label grouping and camera pyramids. No GL.
#include "render/planner/PlannerFrustums.h"
#include "render/planner/PlannerLabels.h"
#include "render/planner/PlannerLegend.h"
#include "render/planner/PlannerProjection.h"
#include "render/planner/PlannerRulers.h"
#include "render/planner/PlannerStatus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace
{

std::vector<Vec3d> BoxCorners(double l, double h, double w)
{
    std::vector<Vec3d> points;
    for (const double x : {-l / 2, l / 2})
        for (const double y : {-h / 2, h / 2})
            for (const double z : {-w / 2, w / 2})
                points.push_back({x, y, z});
    return points;
}

constexpr PixelRect kTarget{80.0, 50.0, 750.0, 650.0};

bool Inside(const Vec3d& p, const PixelRect& r, double slack = 1e-6)
{
    return p.x >= r.left - slack && p.x <= r.right + slack && p.y >= r.bottom - slack && p.y <= r.top + slack;
}

} // namespace

TEST(PlannerProjectionTest, FitHoldsEveryRoomInsideTheTargetAndFillsItInBothProjections)
{
    struct Case {
        double l, h, w, yaw, pitch;
    };
    for (const Case c : {Case{1.0, 1.0, 1.0, 0, 0}, Case{1.5, 1.5, 1.5, 30, 20}, Case{20, 6, 20, 0, 0},
                         Case{100, 10, 60, -40, 35}, Case{12, 4, 8, 90, -15}}) {
        for (const bool perspective : {true, false}) {
            CPlannerProjection view;
            view.SetViewport(1000, 680);
            view.SetPerspective(perspective);
            view.SetPose(c.yaw, c.pitch, {1.0, 1.0, 1.0});
            const std::vector<Vec3d> corners = BoxCorners(c.l, c.h, c.w);
            view.Fit(corners, kTarget);
            double left = 1e9, right = -1e9, bottom = 1e9, top = -1e9;
            for (const Vec3d& p : corners) {
                const Vec3d s = view.Plan(p);
                EXPECT_GT(s.z, view.DepthRange()[0]) << c.l << (perspective ? " persp" : " ortho");
                EXPECT_LT(s.z, view.DepthRange()[1]);
                EXPECT_TRUE(Inside(s, kTarget, 1e-3)) << c.l << " at " << s.x << "," << s.y;
                left = std::min(left, s.x), right = std::max(right, s.x);
                bottom = std::min(bottom, s.y), top = std::max(top, s.y);
            }
            // Filled along one axis: not a small picture in a big frame.
            const bool fillsWidth = right - left > 0.99 * (kTarget.right - kTarget.left);
            const bool fillsHeight = top - bottom > 0.99 * (kTarget.top - kTarget.bottom);
            EXPECT_TRUE(fillsWidth || fillsHeight) << c.l << " x " << c.h << (perspective ? " persp" : " ortho");
        }
    }
}

TEST(PlannerProjectionTest, SquareFacingTheViewerStaysSquareAndMatricesAgreeWithProject)
{
    for (const bool perspective : {true, false}) {
        CPlannerProjection view;
        view.SetViewport(1000, 680);
        view.SetPerspective(perspective);
        view.SetPose(0.0, 0.0, {1.0, 1.0, 1.0});
        view.Fit(BoxCorners(6, 6, 6), kTarget);
        const Vec3d a = view.Plan({-3, -3, 3}), b = view.Plan({3, 3, 3});
        EXPECT_NEAR((b.x - a.x) / (b.y - a.y), 1.0, 1e-9);

        // The GL matrices put a point where Project says.
        const auto m = view.ModelViewMatrix();
        const auto pm = view.ProjectionMatrix();
        const Vec3d p{1.2, -0.7, 2.5};
        double e[4], c[4];
        for (int r = 0; r < 4; ++r)
            e[r] = m[r] * p.x + m[4 + r] * p.y + m[8 + r] * p.z + m[12 + r];
        for (int r = 0; r < 4; ++r)
            c[r] = pm[r] * e[0] + pm[4 + r] * e[1] + pm[8 + r] * e[2] + pm[12 + r] * e[3];
        const Vec3d s = view.Plan(p);
        EXPECT_NEAR((c[0] / c[3] + 1) * 500.0, s.x, 1e-6);
        EXPECT_NEAR((c[1] / c[3] + 1) * 340.0, s.y, 1e-6);
        EXPECT_NEAR(-e[2], s.z, 1e-9);
    }
}

TEST(PlannerProjectionTest, WheelZoomKeepsThePointUnderTheCursorAndPanFollowsTheMouse)
{
    for (const bool perspective : {true, false}) {
        CPlannerProjection view;
        view.SetViewport(1000, 680);
        view.SetPerspective(perspective);
        view.SetPose(0.0, 0.0, {1.0, 1.0, 1.0});
        view.Fit(BoxCorners(10, 4, 10), kTarget);
        // A point on the pivot's plane under the cursor stays under it.
        const Vec3d onPlane{2.0, 1.0, 0.0};
        const Vec3d before = view.Plan(onPlane);
        const double span = view.Plan({5, 0, 0}).x - view.Plan({-5, 0, 0}).x;
        const double distance = view.GetDistance(), half = view.GetOrthoHalfHeight();
        view.ZoomAt(before.x, before.y, 0.5);
        const Vec3d after = view.Plan(onPlane);
        EXPECT_NEAR(after.x, before.x, 1e-6);
        EXPECT_NEAR(after.y, before.y, 1e-6);
        if (perspective)
            EXPECT_NEAR(view.GetDistance(), distance * 0.5, 1e-9);
        else
            EXPECT_NEAR(view.GetOrthoHalfHeight(), half * 0.5, 1e-9);
        // The room's extent on screen grew: zoomed in.
        const Vec3d l = view.Plan({-5, 0, 0}), r = view.Plan({5, 0, 0});
        EXPECT_GT(r.x - l.x, 1.5 * span);

        view.PanPixels(37.0, -12.0);
        const Vec3d panned = view.Plan(onPlane);
        EXPECT_NEAR(panned.x - after.x, 37.0, 1e-6);
        EXPECT_NEAR(panned.y - after.y, -12.0, 1e-6);
        // Nonsense factors change nothing.
        const double d = view.GetDistance();
        view.ZoomAt(10, 10, 0.0);
        view.ZoomAt(10, 10, std::nan(""));
        EXPECT_EQ(view.GetDistance(), d);
    }
}

TEST(PlannerRulerTest, StepsRunOneTwoFiveAndLabelsCarryDecimalsAndTheUnitOnTheLast)
{
    EXPECT_DOUBLE_EQ(NextRulerStep(1.0), 2.0);
    EXPECT_DOUBLE_EQ(NextRulerStep(2.0), 5.0);
    EXPECT_DOUBLE_EQ(NextRulerStep(5.0), 10.0);
    EXPECT_NEAR(NextRulerStep(0.05), 0.1, 1e-12);
    EXPECT_DOUBLE_EQ(RulerStepAtMost(6.0), 5.0);
    EXPECT_DOUBLE_EQ(RulerStepAtMost(19.9), 10.0);
    EXPECT_NEAR(RulerStepAtMost(1.5), 1.0, 1e-12);
    EXPECT_EQ(RulerDecimals(0.2), 1);
    EXPECT_EQ(RulerDecimals(0.05), 2);
    EXPECT_EQ(RulerDecimals(5.0), 0);

    const std::vector<RulerLabel> labels = RulerLabels(6.0, 2.0, "m");
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[0].text, "2");
    EXPECT_EQ(labels[2].text, "6 m");
    const std::vector<RulerLabel> fine = RulerLabels(1.5, 0.5, "ft");
    ASSERT_EQ(fine.size(), 3u);
    EXPECT_EQ(fine[0].text, "0.5");
    EXPECT_EQ(fine[2].text, "1.5 ft");
    EXPECT_TRUE(RulerLabels(0.0, 1.0, "m").empty());
}

TEST(PlannerRulerTest, ChosenStepKeepsLabelsApartAtAnyScale)
{
    // Labels side by side along x at `pxPerUnit`: the step must leave room for the widest.
    for (const double pxPerUnit : {2.0, 10.0, 45.0, 300.0, 4000.0}) {
        for (const double length : {1.5, 6.0, 20.0, 100.0}) {
            auto place = [&](const RulerLabel& l) { return TextRect(l.value * pxPerUnit, 0.0, l.text); };
            const double step = ChooseRulerStep(length, "m", place);
            const std::vector<RulerLabel> labels = RulerLabels(length, step, "m");
            ASSERT_FALSE(labels.empty()) << length << " at " << pxPerUnit;
            for (size_t i = 1; i < labels.size(); ++i)
                EXPECT_FALSE(Overlaps(place(labels[i - 1]), place(labels[i]))) << length << " at " << pxPerUnit;
            // Not coarser than needed: the step before it in the series collides.
            double finer = 0.0;
            for (double t = RulerStepAtMost(length / 100.0); t < step * 0.999; t = NextRulerStep(t))
                finer = t;
            if (finer > 0.0) {
                const std::vector<RulerLabel> more = RulerLabels(length, finer, "m");
                bool collides = false;
                for (size_t i = 1; i < more.size(); ++i)
                    collides = collides || Overlaps(place(more[i - 1]), place(more[i]), 6.0);
                EXPECT_TRUE(collides) << length << " at " << pxPerUnit << " step " << step;
            }
        }
    }
}

TEST(PlannerLegendTest, ResolutionBandsPrintDistinctRangesWithEnoughDecimals)
{
    // A narrow scale that two decimals print as one value repeated.
    const LegendPanel tight = ResolutionLegendPanel(0.7251, 0.0008, 0.7315, 3);
    EXPECT_EQ(tight.title, "Resolution, camera 3 (mm)");
    ASSERT_EQ(tight.rows.size(), 9u);
    std::set<std::string> texts;
    for (const LegendEntry& row : tight.rows)
        texts.insert(row.text);
    EXPECT_EQ(texts.size(), 9u);
    EXPECT_EQ(tight.rows.back().text, "0.7251 to 0.7259");
    EXPECT_EQ(tight.rows.front().text, ">= 0.7315");

    // min + 7 band reaching max leaves the grey band empty: no row for it.
    const LegendPanel full = ResolutionLegendPanel(0.5, 0.1, 1.2, 1);
    ASSERT_EQ(full.rows.size(), 8u);
    EXPECT_EQ(full.rows.front().text, ">= 1.20");
    EXPECT_EQ(full.rows[1].text, "1.10 to 1.20");
    EXPECT_EQ(full.rows.back().text, "0.50 to 0.60");

    EXPECT_EQ(DistinctDecimals({0.7, 0.7}), 6);
    EXPECT_EQ(DistinctDecimals({0.71, 0.72}), 2);
    EXPECT_EQ(DistinctDecimals({0.7001, 0.7002}), 4);
}

TEST(PlannerLegendTest, CountAndQualityKeysAndTheirWholeSquares)
{
    const LegendPanel count = CountLegendPanel(3, 2);
    ASSERT_EQ(count.rows.size(), 2u);
    EXPECT_EQ(count.rows[0].text, "meets: count >= 2");
    EXPECT_EQ(count.rows[0].color, (std::array<float, 3>{1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(count.rows[1].text, "does not");
    EXPECT_EQ(count.rows[1].color, (std::array<float, 3>{0.0f, 1.0f, 0.0f}));

    QualityScale scale;
    scale.low = 0.0;
    scale.high = 4.0;
    scale.ticks = {0.0, 1.0, 2.0, 3.0, 4.0};
    const LegendPanel quality = QualityLegendPanel(PlanningMeasure::Sigma, scale, QualityThreshold{1, 1.5f});
    EXPECT_EQ(quality.title, "Expected 3D error (mm)");
    EXPECT_EQ(quality.note, "shown where <= 1.5");
    ASSERT_EQ(quality.rows.size(), 5u);
    EXPECT_EQ(quality.rows.front().text, "4");
    EXPECT_EQ(quality.rows.front().color, QualityColor(1.0));
    EXPECT_EQ(quality.rows.back().color, QualityColor(0.0));

    // Every square lies whole inside the panel, one under the other.
    const LegendLayout layout = LayoutLegendPanel(quality, 992.0, 8.0);
    EXPECT_EQ(layout.panel.right, 992.0);
    EXPECT_EQ(layout.panel.bottom, 8.0);
    for (size_t i = 0; i < layout.squares.size(); ++i) {
        const PixelRect& s = layout.squares[i];
        EXPECT_GE(s.left, layout.panel.left);
        EXPECT_LE(s.top, layout.panel.top);
        EXPECT_GE(s.bottom, layout.panel.bottom);
        EXPECT_DOUBLE_EQ(s.top - s.bottom, s.right - s.left);
        if (i > 0) {
            EXPECT_LE(s.top, layout.squares[i - 1].bottom);
        }
    }
    EXPECT_GE(layout.panel.right - layout.panel.left, TextWidth(quality.title));
}

TEST(PlannerLabelTest, CamerasAtOnePointShareOneLabel)
{
    const std::vector<Vec3d> at{{0, 0, 0}, {1, 0, 0}, {1, 0, 0.0004}, {1, 0, 0}, {0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    const std::vector<uint32_t> numbers{1, 5, 6, 7, 3, 8, 9};
    const std::vector<CameraLabel> labels = GroupCameraLabels(at, numbers);
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[0].text, "1,3");
    EXPECT_EQ(labels[1].text, "5-8");
    EXPECT_EQ(labels[2].text, "9");
    EXPECT_EQ(NumberRanges({1, 2, 3, 5, 7, 8}), "1-3,5,7-8");
    EXPECT_EQ(NumberRanges({}), "");

    // A label set off to the right starts `offset` right of its anchor, to the left ends there.
    const auto right = OffsetLabel(100, 100, 1, 0, 5, "12");
    EXPECT_NEAR(TextRect(right[0], right[1], "12").left + 1.0, 105.0, 0.51);
    const auto left = OffsetLabel(100, 100, -1, 0, 5, "12");
    EXPECT_NEAR(TextRect(left[0], left[1], "12").right - 1.0, 95.0, 0.51);
}

TEST(PlannerFrustumTest, PyramidOfTheSensorRectangleReachesTheGivenDistance)
{
    // Looking straight down, 30 degrees half-width about z, 20 about x.
    const double h = 30.0 * M_PI / 180.0, v = 20.0 * M_PI / 180.0;
    const Vec3d hp{std::sin(h), -std::cos(h), 0}, hm{-std::sin(h), -std::cos(h), 0};
    const Vec3d vp{0, -std::cos(v), std::sin(v)}, vm{0, -std::cos(v), -std::sin(v)};
    const auto pyramid = MakeCameraPyramid({0, 3, 0}, hp, hm, vp, vm, 2.0);
    ASSERT_TRUE(pyramid);
    EXPECT_NEAR(pyramid->axis.y, -1.0, 1e-12);
    for (const Vec3d& c : pyramid->base) {
        EXPECT_NEAR(c.y, 1.0, 1e-12);
        EXPECT_NEAR(std::abs(c.x), 2.0 * std::tan(h), 1e-12);
        EXPECT_NEAR(std::abs(c.z), 2.0 * std::tan(v), 1e-12);
    }
    // The edges before any computation coincide in pairs: no pyramid.
    EXPECT_FALSE(MakeCameraPyramid({0, 0, 0}, {0, -1, 0}, {0, -1, 0}, {1, 0, 0}, {1, 0, 0}, 2.0));
    EXPECT_FALSE(MakeCameraPyramid({0, 0, 0}, {}, {}, {}, {}, 2.0));
    EXPECT_FALSE(MakeCameraPyramid({0, 3, 0}, hp, hm, vp, vm, std::nan("")));

    // From a ceiling corner towards the opposite floor corner of a 4 x 2 x 4 box.
    const Vec3d half{2, 1, 2};
    const Vec3d corner{-2, 1, 2};
    const Vec3d diagonal = Normalized(Vec3d{4, -2, -4});
    EXPECT_NEAR(FarWallDistance(corner, diagonal, half), 6.0, 1e-9);
    EXPECT_NEAR(FarWallDistance({0, 0, 0}, {1, 0, 0}, half), 2.0, 1e-12);
    EXPECT_EQ(FarWallDistance({5, 0, 0}, {1, 0, 0}, half), 0.0);
}

TEST(PlannerStatusTest, LinesSayTheDisplayLayersVoxelsTheirVolumeAndTestMode)
{
    PlannerStatus s;
    s.display = "2D count view";
    s.criteria = "count == 4";
    s.computed = true;
    s.shownLayers = 10;
    s.layerTotal = 30;
    s.cutHeight = 2.0;
    s.voxelCm = 20.0;
    s.voxelEdgeM = 0.2;
    s.voxelsDrawn = 1250;
    s.testMode = true;
    const std::vector<std::string> lines = PlannerStatusLines(s);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Display: 2D count view   Criteria: count == 4");
    EXPECT_NE(lines[1].find("Layers: 10 of 30, cut at 2.00 m"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("1250 voxels, 10.000 m3"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("Test mode: on"), std::string::npos) << lines[1];
    s.layered = false;
    s.testMode = false;
    EXPECT_NE(PlannerStatusLines(s)[1].find("Layers: all 30 (not cut)"), std::string::npos);
    EXPECT_NE(PlannerStatusLines(s)[1].find("Test mode: off"), std::string::npos);
    for (const std::string& line : lines)
        EXPECT_LE(TextWidth(line), 988) << line;

    // A narrow view: the lines break between their figures, every figure whole and in sight.
    const std::vector<std::string> narrow = WrapPlannerStatus(lines, 500);
    ASSERT_EQ(narrow.size(), 3u);
    std::string joined;
    for (const std::string& line : narrow) {
        EXPECT_LE(TextWidth(line), 500) << line;
        EXPECT_NE(line.front(), ' ') << line;
        joined += (joined.empty() ? "" : "   ") + line;
    }
    EXPECT_EQ(joined, lines[0] + "   " + lines[1]);
    // Lines that fit are left as they are; the strip keeps three; a part wider than the view stays whole.
    EXPECT_EQ(WrapPlannerStatus(lines, 988), lines);
    EXPECT_EQ(WrapPlannerStatus(lines, 350).size(), kPlannerStatusLines);
    // A third line (the map's diagnosis) keeps its place: the second then stays one line.
    const std::vector<std::string> diagnosed = WrapPlannerStatus({lines[0], lines[1], "Map empty"}, 500);
    EXPECT_EQ(diagnosed, (std::vector<std::string>{lines[0], lines[1], "Map empty"}));
    EXPECT_EQ(WrapPlannerStatus({"Display: x   "}, 50), std::vector<std::string>{"Display: x   "});
}

TEST(PlannerProjectionTest, PixelRayPassesThroughWhatProjectsThereAndTheEyeGoesWherePlaced)
{
    const std::vector<Vec3d> points{{1.0, -2.0, 3.0}, {-4.0, 1.5, -2.0}, {0.3, 0.0, 0.2}};
    for (const Vec3d scale : {Vec3d{1.0, 1.0, 1.0}, Vec3d{1.0, 2.0, 0.5}}) {
        for (const bool perspective : {true, false}) {
            CPlannerProjection view;
            view.SetViewport(1000, 680);
            view.SetPerspective(perspective);
            view.SetPose(35.0, -25.0, scale);
            view.Fit(BoxCorners(12, 4, 8), kTarget);
            view.PanPixels(40.0, -25.0);
            for (const Vec3d& p : points) {
                const Vec3d s = view.Plan(p);
                const auto [origin, direction] = view.PixelRay(s.x, s.y);
                // p lies on the ray, in front of its origin.
                const Vec3d d = Normalized(direction), op = p - origin;
                const double along = Dot(op, d);
                EXPECT_GT(along, 0.0);
                const Vec3d off{op.x - d.x * along, op.y - d.y * along, op.z - d.z * along};
                EXPECT_LT(Length(off), 1e-9) << (perspective ? "persp" : "ortho") << " scale y " << scale.y;
            }
            if (perspective) {
                // The perspective eye is the rays' common origin.
                EXPECT_LT(Length(view.EyePosition() - view.PixelRay(10.0, 600.0)[0]), 1e-9);
            }
        }
    }
    // The eye placed at a point: it stands there, and the point straight ahead projects to the centre.
    CPlannerProjection view;
    view.SetViewport(1000, 680);
    view.SetPose(-60.0, -30.0, {1.0, 1.0, 1.0});
    view.Fit(BoxCorners(12, 4, 8), kTarget);
    view.SetFieldOfView(30.0);
    const Vec3d eye{-5.0, 1.8, 3.5};
    view.PlaceEye(eye);
    EXPECT_LT(Length(view.EyePosition() - eye), 1e-9);
    const Vec3d ahead = view.Unturn({0.0, 0.0, -1.0});
    const Vec3d c = view.Plan({eye.x + 4.0 * ahead.x, eye.y + 4.0 * ahead.y, eye.z + 4.0 * ahead.z});
    EXPECT_NEAR(c.x, 500.0, 1e-6);
    EXPECT_NEAR(c.y, 340.0, 1e-6);
    EXPECT_NEAR(c.z, 4.0, 1e-9);
    // The narrower field of view spans more pixels a metre.
    EXPECT_NEAR(view.PixelsPerUnitAt(4.0), 680.0 / (2.0 * 4.0 * std::tan(15.0 * M_PI / 180.0)), 1e-9);
}
