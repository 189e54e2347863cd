#include "scene/DrawColor.h"

#include <gtest/gtest.h>

namespace
{

class DrawColorTest : public ::testing::Test
{
  protected:
    void SetUp() override { CreateDrawColor(); }
    void TearDown() override { DestroyDrawColor(); }
    DrawColor& c() { return *GetDrawColor(); }
};

TEST_F(DrawColorTest, BytePresetsSetTheirBytesAndPlainPresetsLeaveThem)
{
    struct Case {
        ColorName name;
        int r, g, b;
    };
    const Case bytePresets[] = {
        {ColorName::DarkViolet, 148, 0, 211},  {ColorName::Indigo, 75, 0, 130},
        {ColorName::Orange, 255, 165, 0},      {ColorName::Grey, 190, 190, 190},
        {ColorName::Brown, 165, 42, 42},       {ColorName::AliceBlue, 240, 248, 255},
        {ColorName::RosyBrown, 188, 143, 143}, {ColorName::Chocolate, 210, 105, 30},
    };
    for (const Case& k : bytePresets) {
        const double* rgb = ApplyColor(c(), k.name);
        ASSERT_EQ(rgb, c().Rgb());
        const int bytes[] = {k.r, k.g, k.b};
        for (int ch = 0; ch < 3; ++ch) {
            EXPECT_EQ(c().Byte(ch), bytes[ch]);
            EXPECT_NEAR(rgb[ch], bytes[ch] / 255.0, 1e-15);
        }
    }
    EXPECT_EQ(ApplyColor(c(), ColorName::Orange)[0], 1.0); // a byte of 255 is exactly 1

    const double* cyan = ApplyColor(c(), ColorName::Cyan);
    EXPECT_EQ(cyan[0] + 2 * cyan[1] + 4 * cyan[2], 6.0);
    EXPECT_EQ(c().Byte(1), 165);                                   // still Orange's bytes
    EXPECT_EQ(c().FromBytes()[1], 1.0 - 90 * 0.00392156862745098); // and they bring Orange back
    EXPECT_EQ(c().Alpha(), 1.0);
}

} // namespace
