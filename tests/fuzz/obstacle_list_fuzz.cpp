// An obstacle list file (--obstacles) is read whole or refused with a reason
// that names the file; a list that is read writes JSON that reads back to the
// same boxes and mesh placements.
#include "FuzzFile.h"

#include "project/ProjectObstacles.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = FuzzFile(data, size);
    const ObstacleListResult read = ReadObstacleListFile(path);
    if (!read.list) {
        if (read.error.rfind(path, 0) != 0)
            std::abort();
        return 0;
    }
    const Json written = ObstacleListJson(*read.list);
    const ObstacleListResult again = ReadObstacleList(written);
    if (!again.list || ObstacleListJson(*again.list) != written)
        std::abort();
    return 0;
}
