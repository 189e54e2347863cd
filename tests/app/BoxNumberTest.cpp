#include "app/BoxNumber.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(BoxNumberTest, ReadsTheWholeTextOrNothing)
{
    EXPECT_EQ(ReadBoxNumber("13.5"), 13.5f);
    EXPECT_EQ(ReadBoxNumber(" -2.25 "), -2.25f);
    EXPECT_EQ(ReadBoxNumber("1e3"), 1000.0f);
    // The decimal comma of many locales, never cut short at it.
    EXPECT_EQ(ReadBoxNumber("13,5"), 13.5f);
    EXPECT_EQ(ReadBoxNumber(",5"), 0.5f);
    for (const char* refused :
         {"", " ", "abc", "xyz", "3abc", "13,5,1", "1,234.5", "1 000", "nan", "inf", "1e39", "0x10", "--1", "+-1"})
        EXPECT_FALSE(ReadBoxNumber(refused)) << refused;
}

TEST(BoxNumberTest, CountsAreWholeNumbersWithASign)
{
    EXPECT_EQ(ReadBoxCount("7"), 7);
    EXPECT_EQ(ReadBoxCount(" -1"), -1);
    EXPECT_EQ(ReadBoxCount("+3"), 3);
    for (const char* refused : {"", "abc", "3abc", "2.5", "-+3", "4294967296"})
        EXPECT_FALSE(ReadBoxCount(refused)) << refused;
}

TEST(BoxNumberTest, ShowsEveryDigitTheValueHas)
{
    // Two decimals when they are the value, as the classic boxes show it.
    EXPECT_EQ(FormatBoxNumber(5.0f), "5.00");
    EXPECT_EQ(FormatBoxNumber(0.7f), "0.70");
    EXPECT_EQ(FormatBoxNumber(12.0f), "12.00");
    // Never cut short: storing the text gives the value back.
    EXPECT_EQ(FormatBoxNumber(6.5241f), "6.5241");
    EXPECT_EQ(FormatBoxNumber(4.8807f), "4.8807");
    for (const float value : {1.0f / 3.0f, 1e-7f, 123456.789f, -0.0625f, 3e30f})
        EXPECT_EQ(ReadBoxNumber(FormatBoxNumber(value)), value) << value;
    // A value shown through a conversion reads back through it.
    const float metres = 40.0f * 0.3048f;
    EXPECT_EQ(FormatBoxNumber(metres / 0.3048f, [metres](float typed) { return typed * 0.3048f == metres; }), "40.00");
    EXPECT_EQ(FormatBoxNumber(std::nan("")), "nan");
}
