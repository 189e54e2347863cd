#include "TestSupport.h"

#include <sstream>

namespace
{

// A leading word, then `count` numbers: number k (from 1) is k itself.
std::string CalibrationText(const std::string& word, int count)
{
    std::ostringstream text;
    text << word << "\n";
    for (int k = 1; k <= count; ++k)
        text << k << (k % 9 == 0 ? "\r\n" : " \t ");
    return text.str();
}

constexpr int kNumbersInFile = 7 + 12 * 9 + 11 * 25;

class CalibrationImportTest : public RigFixture
{
  protected:
    TempDir m_dir;
};

TEST_F(CalibrationImportTest, SlotsTakeTheirNumbersInRowOrder)
{
    Settings().SetCameraCount(4);
    const std::string path = m_dir.File("calibration.txt");
    // A number in the word's place is skipped like a word, and so is a word
    // longer than any number; text after the last slot is never read.
    for (const std::string& word : {std::string("3.5"), std::string(1000, 'W')}) {
        WriteBytes(path, CalibrationText(word, kNumbersInFile) + " trailing words");
        ASSERT_TRUE(Cameras().ImportCalibration(path)) << word.size();
        for (int k = 0; k < kCalibrationSlots; ++k) {
            const float first = static_cast<float>(8 + 34 * k); // 8, 42, ...
            for (int e = 0; e < 9; ++e)
                EXPECT_EQ(Cameras().GetCalibration(k)[static_cast<size_t>(e)], first + static_cast<float>(e))
                    << "slot " << k << " entry " << e;
        }
    }
}

TEST_F(CalibrationImportTest, ShortOrNonNumericFilesLeaveTheSlots)
{
    const std::string good = m_dir.File("good.txt");
    WriteBytes(good, CalibrationText("Calibration", kNumbersInFile));
    ASSERT_TRUE(Cameras().ImportCalibration(good));
    const auto slotsOf = [&] {
        std::vector<CalibrationMatrix> slots;
        for (int k = 0; k < kCalibrationSlots; ++k)
            slots.push_back(Cameras().GetCalibration(k));
        return slots;
    };
    const auto before = slotsOf();

    std::string nonNumeric = CalibrationText("w", kNumbersInFile);
    nonNumeric.replace(nonNumeric.rfind("390"), 3, "3x0");
    const std::string cases[] = {
        "", "OnlyAWord", CalibrationText("w", kNumbersInFile - 1), CalibrationText("w", 7 + 9), nonNumeric,
    };
    for (const std::string& text : cases) {
        const std::string path = m_dir.File("bad.txt");
        WriteBytes(path, text);
        EXPECT_FALSE(Cameras().ImportCalibration(path)) << text.substr(0, 40);
        EXPECT_EQ(slotsOf(), before);
    }
    EXPECT_FALSE(Cameras().ImportCalibration(m_dir.File("missing.txt")));
    EXPECT_EQ(slotsOf(), before);
}

} // namespace
