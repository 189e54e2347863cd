#include "cameras/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <random>

namespace
{

std::string PrintfG(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

TEST(NumberTextTest, FormatMatchesPrintfG)
{
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    for (double v : {0.0, -0.0, 12.0, 8.5, 6.524099826812744, 22.123456, 0.0001, 0.00009999995, 123456.5, 999999.5, 1e6,
                     -1234567.0, 1e-5, 4.440892098500626e-16, 3.4e38})
        EXPECT_EQ(FormatG6(v), PrintfG(v)) << v;
    std::mt19937 random(20261207);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-8, 8);
    for (int i = 0; i < 20000; ++i) {
        const double v = static_cast<float>(mantissa(random) * std::pow(10.0, exponent(random)));
        ASSERT_EQ(FormatG6(v), PrintfG(v)) << v;
    }
}

TEST(NumberTextTest, WholeTokensOnly)
{
    struct Case {
        const char* text;
        bool ok;
        float value;
    };
    const Case cases[] = {{"12", true, 12},     {"-.5e-3", true, -0.0005f}, {"+4.5", true, 4.5f}, {"1E+05", true, 1e5f},
                          {"1.5abc", false, 0}, {"1,5", false, 0},          {"nan", false, 0},    {"inf", false, 0},
                          {"1e39", false, 0},   {"++1", false, 0},          {"", false, 0}};
    for (const Case& k : cases) {
        float value = -99.0f;
        EXPECT_EQ(ParseFloatToken(k.text, value), k.ok) << k.text;
        EXPECT_EQ(value, k.ok ? k.value : -99.0f) << k.text;
    }
    uint32_t n = 7;
    EXPECT_TRUE(ParseUnsignedToken("+42", n));
    EXPECT_EQ(n, 42u);
    for (const char* bad : {"-1", "4294967296", "2.5", "", "12abc"})
        EXPECT_FALSE(ParseUnsignedToken(bad, n)) << bad;
    EXPECT_EQ(n, 42u);
}

} // namespace
