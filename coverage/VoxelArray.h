#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>

// Per-voxel arrays of a computation, left uninitialised (every entry is
// written before it is read). Large ones lie on huge pages where the system
// offers them, so that first touching 2 MiB costs one page fault, not 512.
struct VoxelArrayFree {
    void operator()(void* p) const;
};
template <class T> using VoxelArray = std::unique_ptr<T[], VoxelArrayFree>;

// Throws std::bad_alloc when the memory cannot be had.
void* AllocateVoxelBytes(size_t bytes);

template <class T> VoxelArray<T> AllocateVoxelArray(size_t n)
{
    static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);
    if (n > static_cast<size_t>(-1) / sizeof(T))
        throw std::bad_alloc();
    return VoxelArray<T>(static_cast<T*>(AllocateVoxelBytes(n * sizeof(T))));
}
