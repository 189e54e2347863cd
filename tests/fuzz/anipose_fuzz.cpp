// An Anipose-family TOML gives a whole rig or a message.
#include "AsBuiltFuzz.h"

#include "cameras/asbuilt/AniposeReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckAsBuiltRead(ReadAniposeCalibration(FuzzFile(data, size, ".toml"), 1.0));
    return 0;
}
