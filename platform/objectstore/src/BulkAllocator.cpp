#include "BulkAllocator.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace objectstore {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

std::size_t RoundUp(std::size_t bytes)
{
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}

} // namespace

void* MapBulk(std::size_t bytes)
{
    const std::size_t size = RoundUp(bytes);
    // One huge page more than needed, so that an aligned start can be cut out.
    const std::size_t mapped = size + kHugePage;
    void* raw = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
    if (aligned > start)
        munmap(raw, aligned - start);
    const std::uintptr_t end = start + mapped;
    if (end > aligned + size)
        munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
    auto* p = reinterpret_cast<void*>(aligned);
    madvise(p, size, MADV_HUGEPAGE);
    return p;
}

void UnmapBulk(void* p, std::size_t bytes)
{
    munmap(p, RoundUp(bytes));
}

} // namespace objectstore
