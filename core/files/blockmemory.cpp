#include "core/files/blockmemory.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace core {

void *allocateBlock(std::size_t bytes)
{
    constexpr std::size_t kHuge = std::size_t(2) << 20;
    if (bytes < kHuge)
        return std::malloc(std::max<std::size_t>(bytes, 1));
    const std::size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;
    void *block = std::aligned_alloc(kHuge, rounded);
#ifdef MADV_HUGEPAGE
    if (block)
        ::madvise(block, rounded, MADV_HUGEPAGE);
#endif
    return block;
}

void releaseBlock(void *block) noexcept
{
    std::free(block);
}

void keepUntilExit(void *block)
{
    static std::mutex guard;
    static auto *kept = new std::vector<void *>; // reachable until exit, by design
    const std::lock_guard lock(guard);
    kept->push_back(block);
}

} // namespace core
