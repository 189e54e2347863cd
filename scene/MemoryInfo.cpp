#include "scene/MemoryInfo.h"

#include <unistd.h>

#include <cstdio>
#include <limits>

namespace
{

uint64_t PhysicalMemoryBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return std::numeric_limits<uint64_t>::max();
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

} // namespace

uint64_t AvailableMemoryBytes()
{
    std::FILE* file = std::fopen("/proc/meminfo", "r");
    if (!file)
        return PhysicalMemoryBytes();
    char line[256];
    unsigned long long kib = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, file))
        found = std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1;
    std::fclose(file);
    return found ? static_cast<uint64_t>(kib) * 1024u : PhysicalMemoryBytes();
}
