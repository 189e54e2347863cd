#include "app/DialogRules.h"
#include "app/DialogText.h"
#include "app/ReplaceQuestion.h"
#include "ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

TEST(DialogTextTest, ReadsNumbersAsTheCLibraryDoes)
{
    EXPECT_EQ(ReadIntText("4"), 4);
    EXPECT_EQ(ReadIntText("3abc"), 3);
    EXPECT_EQ(ReadIntText("abc"), 0);
    EXPECT_EQ(ReadIntText("  -2"), -2);
    EXPECT_EQ(ReadIntText(""), 0);
    EXPECT_DOUBLE_EQ(ReadDoubleText("6.52mm"), 6.52);
    EXPECT_DOUBLE_EQ(ReadDoubleText(" .5"), 0.5);
    EXPECT_EQ(ReadDoubleText("x1"), 0.0);
    EXPECT_TRUE(std::isnan(ReadDoubleText("nan")));
}

TEST(DialogTextTest, HugeCountsClampInsteadOfWrappingToSmallOnes)
{
    // 2^32 + 4 would wrap to 4 cameras if cut to int.
    EXPECT_EQ(ReadIntText("4294967300"), std::numeric_limits<int>::max());
    EXPECT_EQ(ReadIntText("-4294967300"), std::numeric_limits<int>::min());
}

TEST(DialogTextTest, FormatsWithAPointWhateverTheLocale)
{
    // A comma locale, where one is installed, must not leak into the boxes or the reading.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    const bool commaLocale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    EXPECT_EQ(FormatFixed(6.5241, 2), "6.52");
    EXPECT_EQ(FormatFixed(2.8, 10), "2.8000000000");
    EXPECT_EQ(FormatFixed(-0.005, 2), "-0.01");
    EXPECT_DOUBLE_EQ(ReadDoubleText("2.5"), 2.5);
    EXPECT_EQ(FormatUnsigned(4294967295u), "4294967295");
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!commaLocale)
        GTEST_LOG_(INFO) << "no comma locale installed; checked in the C locale only";
}

TEST(DialogRulesTest, SliderMaximumIsTheVoxelsAlongTheLength)
{
    EXPECT_EQ(DimensionsSliderMaximum(20.0f, 5.0f), 25);
    EXPECT_EQ(DimensionsSliderMaximum(30.0f, 5.0f), 16); // 16.67 truncated
    EXPECT_EQ(DimensionsSliderMaximum(0.0f, 5.0f), 0);
    EXPECT_EQ(DimensionsSliderMaximum(20.0f, -5.0f), 0);
    EXPECT_EQ(DimensionsSliderMaximum(std::nanf(""), 5.0f), 0);
}

TEST(DialogRulesTest, RoomAndVoxelMustBeFiniteAndAboveZero)
{
    EXPECT_TRUE(IsUsableRoomAndVoxel(5.0f, 4.0f, 3.0f, 20.0f));
    EXPECT_TRUE(IsUsableRoomAndVoxel(0.01f, 0.01f, 0.01f, 0.5f));
    const float bad[] = {0.0f, -1.0f, -0.0f, std::nanf(""), std::numeric_limits<float>::infinity()};
    for (const float v : bad) {
        EXPECT_FALSE(IsUsableRoomAndVoxel(v, 4.0f, 3.0f, 20.0f)) << v;
        EXPECT_FALSE(IsUsableRoomAndVoxel(5.0f, v, 3.0f, 20.0f)) << v;
        EXPECT_FALSE(IsUsableRoomAndVoxel(5.0f, 4.0f, v, 20.0f)) << v;
        EXPECT_FALSE(IsUsableRoomAndVoxel(5.0f, 4.0f, 3.0f, v)) << v;
    }
}

TEST(DialogRulesTest, CameraRange)
{
    struct Case {
        int n, m;
        uint32_t count;
        CameraRangeCheck expected;
    };
    const Case cases[] = {
        {3, 6, 8, CameraRangeCheck::Ok},        // cameras 6 to 8
        {4, 6, 8, CameraRangeCheck::Exceeding}, // would end at 9
        {8, 1, 8, CameraRangeCheck::Ok},
        {1, 0, 8, CameraRangeCheck::BelowOne}, // first index would be -1
        {0, 1, 8, CameraRangeCheck::BelowOne},
        {-3, 5, 8, CameraRangeCheck::BelowOne},
        {1, 1, 0, CameraRangeCheck::Exceeding},
        // Large values must not overflow into an accepted range.
        {std::numeric_limits<int>::max(), std::numeric_limits<int>::max(), 8, CameraRangeCheck::Exceeding},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckCameraRange(c.n, c.m, c.count), c.expected) << c.n << " from " << c.m << " of " << c.count;
}

TEST(DialogRulesTest, SensorPixels)
{
    EXPECT_EQ(SensorPixels(1000, 0.5f, 6.52f), 76u);
    EXPECT_EQ(SensorPixels(1024, 0.5f, 4.89f), 104u);
    EXPECT_EQ(SensorPixels(1280, 0.0f, 6.52f), 0u);
    // A frame of no size is no answer rather than a division by zero.
    EXPECT_FALSE(SensorPixels(1000, 0.5f, 0.0f));
    EXPECT_FALSE(SensorPixels(1000, 0.5f, -6.52f));
    EXPECT_FALSE(SensorPixels(1000, 0.5f, std::nanf("")));
    // Lengths that give no pixel count.
    EXPECT_FALSE(SensorPixels(1000, -0.5f, 6.52f));
    EXPECT_FALSE(SensorPixels(1000, std::nanf(""), 6.52f));
    EXPECT_FALSE(SensorPixels(4294967295u, 1.0e9f, 1.0f));
}

TEST(DialogRulesTest, FileFiltersInQtForm)
{
    EXPECT_EQ(ToQtFileFilter("Camera Data Files (*.txt)|*.txt|*.dat||"), "Camera Data Files (*.txt);;*.dat (*.dat)");
    EXPECT_EQ(ToQtFileFilter("ZARVO Data File for testing(*.txt)|*.txt|*.dat||"),
              "ZARVO Data File for testing(*.txt);;*.dat (*.dat)");
    EXPECT_EQ(ToQtFileFilter("Text|*.txt;*.text|All Files|*.*||"), "Text (*.txt *.text);;All Files (*.*)");
}

TEST(ReplaceQuestionTest, AsksOnlyAboutAFileThatIsThereAndTakesOnlyYes)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("vp_replace_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string there = (dir / "rig.txt").string(), absent = (dir / "new.txt").string();
    std::ofstream(there) << "kept";
    CScriptedPrompts prompts;

    EXPECT_TRUE(MayReplaceFile(prompts, absent, "Save File"));
    EXPECT_TRUE(prompts.messages.empty());

    prompts.answers = {PromptAnswer::No, PromptAnswer::Yes};
    EXPECT_FALSE(MayReplaceFile(prompts, there, "Save File"));
    EXPECT_TRUE(MayReplaceFile(prompts, there, "Save File"));
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].text, "rig.txt already exists.\nDo you want to replace it?");
    EXPECT_EQ(prompts.messages[0].caption, "Save File");
    EXPECT_EQ(prompts.messages[0].buttons, PromptButtons::YesNo);

    // Choosing: a cancelled dialog asks nothing; a No gives no file.
    const FileDialogRequest request{"Export Report", "report", "pdf", "PDF Report (*.pdf)|*.pdf||"};
    prompts.messages.clear();
    prompts.files = {std::nullopt, there, absent};
    prompts.answers = {PromptAnswer::No};
    EXPECT_EQ(ChooseFileToWrite(prompts, request), std::nullopt);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(ChooseFileToWrite(prompts, request), std::nullopt);
    EXPECT_EQ(prompts.messages.back().caption, "Export Report");
    EXPECT_EQ(ChooseFileToWrite(prompts, request), absent);
    EXPECT_EQ(prompts.messages.size(), 1u);
    std::filesystem::remove_all(dir);
}
