// A camera_array.toml gives a whole rig or a message.
#include "AsBuiltFuzz.h"

#include "cameras/asbuilt/CaliscopeReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckAsBuiltRead(ReadCaliscopeCalibration(FuzzFile(data, size, ".toml"), 0.001));
    return 0;
}
