#pragma once

#include <cstddef>
#include <new>

namespace core {

// Memory for a large block: aligned so that the system can back it with huge
// pages, which fill far faster than small ones. Small blocks come from the
// ordinary heap. Either is released with std::free. Returns null when no
// memory is to be had.
void *allocateBlock(std::size_t bytes);

// Keeps a block from allocateBlock until the program ends.
void keepUntilExit(void *block);

// A standard allocator over allocateBlock, for containers that may grow large.
template <typename T> struct BlockAllocator
{
    using value_type = T;
    BlockAllocator() = default;
    template <typename U> BlockAllocator(const BlockAllocator<U> &) noexcept {}
    T *allocate(std::size_t n)
    {
        if (void *block = allocateBlock(n * sizeof(T)))
            return static_cast<T *>(block);
        throw std::bad_alloc();
    }
    void deallocate(T *block, std::size_t) noexcept;
    friend bool operator==(const BlockAllocator &, const BlockAllocator &) { return true; }
};

void releaseBlock(void *block) noexcept;

template <typename T> void BlockAllocator<T>::deallocate(T *block, std::size_t) noexcept
{
    releaseBlock(block);
}

} // namespace core
