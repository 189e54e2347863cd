// A COLMAP text model, cameras.txt and images.txt, gives a whole rig or a message.
#include "AsBuiltFuzz.h"

#include "cameras/asbuilt/ColmapReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto [cameras, images] = FuzzFilePair(data, size, "-cameras.txt", "-images.txt");
    CheckAsBuiltRead(ReadColmapCalibration(cameras, images, 1.0));
    return 0;
}
