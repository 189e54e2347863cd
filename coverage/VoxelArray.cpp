#include "coverage/VoxelArray.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace
{

constexpr size_t kHugePage = size_t{2} << 20;

} // namespace

void VoxelArrayFree::operator()(void* p) const
{
    std::free(p);
}

void* AllocateVoxelBytes(size_t bytes)
{
    if (bytes < 2 * kHugePage) {
        void* p = std::malloc(bytes != 0 ? bytes : 1);
        if (!p)
            throw std::bad_alloc();
        return p;
    }
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (!p)
        throw std::bad_alloc();
    // Only advice: without huge pages the array works as well, more slowly.
    madvise(p, rounded, MADV_HUGEPAGE);
    return p;
}
