// A camera data file either loads completely, with finite values that save
// and load back to the same file, or changes nothing and says why.
#include "FuzzFile.h"

#include "cameras/CameraSet.h"
#include "scene/SceneSettings.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace
{

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CreateSceneSettings();
    SceneSettings& settings = *GetSceneSettings();
    settings.SetCameraCount(0);
    CCameraSet& cameras = CCameraSet::Instance();
    const std::string& path = FuzzFile(data, size);
    if (!cameras.LoadFromFile(path)) {
        if (cameras.GetFileError().empty() || settings.GetCameraCount() != 0)
            std::abort();
        return 0;
    }
    const uint32_t n = settings.GetCameraCount();
    if (!IsValidCameraCount(n))
        std::abort();
    const std::string saved = path + ".saved";
    if (!cameras.SaveToFile(saved) || !cameras.LoadFromFile(saved) || settings.GetCameraCount() != n)
        std::abort();
    const std::string first = ReadAll(saved);
    if (!cameras.SaveToFile(saved) || ReadAll(saved) != first)
        std::abort();
    std::remove(saved.c_str());
    return 0;
}
