#include "scene/DrawColor.h"

#include <gtest/gtest.h>

namespace {

class DrawColorTest : public ::testing::Test {
protected:
    void SetUp() override { CreateDrawColor(); }
    void TearDown() override { DestroyDrawColor(); }
    DrawColor& c() { return *GetDrawColor(); }
};

double FromByte(int b) { return 1.0 - (255 - b) * 0.00392156862745098; }

TEST_F(DrawColorTest, EveryPresetGivesItsColourThroughTheSharedDoubles)
{
    struct Case {
        ColorName name;
        double r, g, b;
    };
    const Case cases[] = {
        {ColorName::White, 1, 1, 1},
        {ColorName::Black, 0, 0, 0},
        {ColorName::Red, 1, 0, 0},
        {ColorName::Green, 0, 1, 0},
        {ColorName::Blue, 0, 0, 1},
        {ColorName::Yellow, 1, 1, 0},
        {ColorName::Cyan, 0, 1, 1},
        {ColorName::DarkViolet, FromByte(148), FromByte(0), FromByte(211)},
        {ColorName::Indigo, FromByte(75), FromByte(0), FromByte(130)},
        {ColorName::Orange, FromByte(255), FromByte(165), FromByte(0)},
        {ColorName::Grey, FromByte(190), FromByte(190), FromByte(190)},
        {ColorName::Brown, FromByte(165), FromByte(42), FromByte(42)},
        {ColorName::AliceBlue, FromByte(240), FromByte(248), FromByte(255)},
        {ColorName::RosyBrown, FromByte(188), FromByte(143), FromByte(143)},
        {ColorName::Chocolate, FromByte(210), FromByte(105), FromByte(30)},
    };
    for (const Case& k : cases) {
        const double* rgb = ApplyColor(c(), k.name);
        ASSERT_EQ(rgb, c().Rgb());
        EXPECT_EQ(rgb[0], k.r) << static_cast<int>(k.name);
        EXPECT_EQ(rgb[1], k.g) << static_cast<int>(k.name);
        EXPECT_EQ(rgb[2], k.b) << static_cast<int>(k.name);
    }
    EXPECT_EQ(c().Alpha(), 1.0);
}

TEST_F(DrawColorTest, ByteLimitsAndPlainPresetsLeaveTheBytes)
{
    c().Orange();
    EXPECT_EQ(c().Rgb()[0], 1.0); // a byte of 255 is exactly 1
    EXPECT_NEAR(c().Rgb()[2], 0.0, 1e-15);

    c().Indigo();
    c().Red();
    EXPECT_EQ(c().Byte(0), 75);
    EXPECT_EQ(c().Byte(1), 0);
    EXPECT_EQ(c().Byte(2), 130);
    EXPECT_EQ(c().FromBytes()[2], FromByte(130));
}

} // namespace
