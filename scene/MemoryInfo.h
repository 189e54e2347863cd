#pragma once

#include <cstdint>

// Memory that may be allocated now: MemAvailable of /proc/meminfo, which on a
// shared machine is far less than the total; the physical total where the
// kernel does not say, and UINT64_MAX where neither is known.
uint64_t AvailableMemoryBytes();
