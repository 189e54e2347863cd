// A calibration file fills all twelve slots or none, and says why it did not.
#include "FuzzFile.h"

#include "cameras/CameraSet.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CCameraSet& cameras = CCameraSet::Instance();
    const CalibrationMatrix before = cameras.GetCalibration(kCalibrationSlots - 1);
    if (!cameras.ImportCalibration(FuzzFile(data, size))) {
        if (cameras.GetFileError().empty() || cameras.GetCalibration(kCalibrationSlots - 1) != before)
            std::abort();
    }
    return 0;
}
