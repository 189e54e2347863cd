#include "render/AxesDrawer.h"
#include "render/ResolutionLegend.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

std::vector<std::string> Labels(const std::vector<ScaleTick>& ticks)
{
    std::vector<std::string> labels;
    for (const ScaleTick& tick : ticks)
        labels.push_back(tick.label);
    return labels;
}

TEST(ScaleTicksTest, RowHasOneTickMoreThanDivisionsAndNoLabelAtTheCorner)
{
    struct Case {
        float length;
        unsigned divisions;
        std::vector<std::string> labels;
    };
    const Case cases[] = {
        {5.0f, 1, {"", "5.0"}}, {5.0f, 5, {"", "1.0", "2.0", "3.0", "4.0", "5.0"}}, {5.0f, 0, {""}},
        {0.0f, 0, {""}},        {3.0f, 4, {"", "0.8", "1.5", "2.2", "3.0"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Labels(ComputeTickRow(0.0, c.length, c.divisions, false)), c.labels)
            << c.length << " m in " << c.divisions;
}

TEST(ScaleTicksTest, PositionsRunFromTheCornerToTheFarEndInEitherDirection)
{
    const std::vector<ScaleTick> up = ComputeTickRow(-2.5, 5.0f, 5, false);
    ASSERT_EQ(up.size(), 6u);
    for (size_t i = 0; i < up.size(); ++i)
        EXPECT_DOUBLE_EQ(up[i].position, -2.5 + static_cast<double>(i));

    const std::vector<ScaleTick> down = ComputeTickRow(2.5, 5.0f, 2, true);
    ASSERT_EQ(down.size(), 3u);
    EXPECT_DOUBLE_EQ(down[0].position, 2.5);
    EXPECT_DOUBLE_EQ(down[1].position, 0.0);
    EXPECT_DOUBLE_EQ(down[2].position, -2.5);
    EXPECT_EQ(down[2].label, "5.0");

    // The step is a float: a tenth of a metre lands where the float step does.
    const std::vector<ScaleTick> fine = ComputeTickRow(0.0, 1.0f, 10, false);
    EXPECT_EQ(fine[1].position, static_cast<double>(0.1f));
    EXPECT_EQ(fine.back().label, "1.0");
}

TEST(LegendRowsTest, RowsPrintBandTopsBottomUpInBandColours)
{
    const auto rows = ComputeLegendRows(0.5, 0.1, 1.2);
    const char* labels[] = {"0.50", "0.70", "0.80", "0.90", "1.00", "1.10", "1.20", "1.20", ">1.20"};
    const ColorName colors[] = {ColorName::DarkViolet, ColorName::Indigo, ColorName::Blue,
                                ColorName::Green,      ColorName::Yellow, ColorName::Orange,
                                ColorName::Red,        ColorName::Grey,   ColorName::Chocolate};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].label, labels[i]) << "row " << i + 1;
        EXPECT_EQ(rows[i].color, colors[i]) << "row " << i + 1;
        EXPECT_EQ(rows[i].centreY, -3.0 + static_cast<double>(i)) << "row " << i + 1;
    }
}

TEST(LegendRowsTest, ValuesRoundHalfAwayFromZeroBeforeFormatting)
{
    struct Case {
        double value;
        const char* printed;
    };
    const Case cases[] = {{0.7051, "0.71"}, {-0.7051, "-0.71"}, {0.705, "0.70"}, {0.7149, "0.71"}, {0.0, "0.00"}};
    for (const Case& c : cases) {
        const auto rows = ComputeLegendRows(c.value, 0.0, c.value);
        EXPECT_EQ(rows[0].label, c.printed) << c.value;
        EXPECT_EQ(rows[8].label, std::string(">") + c.printed) << c.value;
    }
}

} // namespace
