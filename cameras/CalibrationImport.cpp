// The calibration test file: one leading word, seven numbers, then for each
// of the twelve slots nine numbers (row by row) followed, for all but the
// last slot, by twenty-five numbers that are skipped.
#include "cameras/CameraSet.h"
#include "cameras/NumberText.h"

#include <fstream>

namespace
{
constexpr int kSkippedAfterWord = 7;
constexpr int kSkippedAfterSlot = 25;
} // namespace

bool CCameraSet::ImportCalibration(const std::string& path)
{
    m_strFileError = CheckNumberFile(path);
    if (!m_strFileError.empty())
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        m_strFileError = path + " cannot be opened";
        return false;
    }
    TokenReader reader(in);

    // The leading word, a title, is not kept.
    if (!reader.Skip()) {
        m_strFileError = reader.Failure("the leading word");
        return false;
    }
    const auto fail = [&](const std::string& what) {
        m_strFileError = reader.Failure("a number (" + what + ")");
        return false;
    };
    float ignored = 0.0f;
    for (int i = 0; i < kSkippedAfterWord; ++i) {
        if (!reader.NextFloat(ignored))
            return fail("header");
    }
    // Only a file that holds every number fills the slots.
    std::array<CalibrationMatrix, kCalibrationSlots> slots{};
    for (int k = 0; k < kCalibrationSlots; ++k) {
        const std::string slot = "slot " + std::to_string(k + 1);
        for (float& value : slots[static_cast<size_t>(k)]) {
            if (!reader.NextFloat(value))
                return fail(slot);
        }
        if (k + 1 < kCalibrationSlots) {
            for (int i = 0; i < kSkippedAfterSlot; ++i) {
                if (!reader.NextFloat(ignored))
                    return fail("after " + slot);
            }
        }
    }
    m_calibration = slots;
    m_strFileError.clear();
    return true;
}
