// An OpenCV intri / extri pair, YAML or XML, gives a whole rig or a message:
// OpenCV's own parser sees only text the nesting scan let through.
#include "AsBuiltFuzz.h"

#include "cameras/asbuilt/OpenCvReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto [intri, extri] = FuzzFilePair(data, size, "-intri.yml", "-extri.yml");
    CheckAsBuiltRead(ReadOpenCvCalibration(intri, extri, 1.0));
    return 0;
}
