// The calibration test file: one leading word, seven numbers, then for each
// of the twelve slots nine numbers (row by row) followed, for all but the
// last slot, by twenty-five numbers that are skipped.
#include "cameras/CameraSet.h"
#include "cameras/NumberText.h"

#include <fstream>

namespace {
constexpr int kSkippedAfterWord = 7;
constexpr int kSkippedAfterSlot = 25;
}

bool CCameraSet::ImportCalibration(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    TokenReader reader(in);

    // The leading word, a title of any length, is not kept.
    if (!reader.Skip())
        return false;
    float ignored = 0.0f;
    for (int i = 0; i < kSkippedAfterWord; ++i) {
        if (!reader.NextFloat(ignored))
            return false;
    }
    // Only a file that holds every number fills the slots.
    std::array<CalibrationMatrix, kCalibrationSlots> slots{};
    for (int k = 0; k < kCalibrationSlots; ++k) {
        for (float& value : slots[static_cast<size_t>(k)]) {
            if (!reader.NextFloat(value))
                return false;
        }
        if (k + 1 < kCalibrationSlots) {
            for (int i = 0; i < kSkippedAfterSlot; ++i) {
                if (!reader.NextFloat(ignored))
                    return false;
            }
        }
    }
    m_calibration = slots;
    return true;
}
