#pragma once
// An allocator for the large buffers of the in-memory order indices. Fresh
// memory costs a page fault per 4 KiB page on first touch, and on virtual
// machines a fault is expensive (tens of microseconds): an index of 100,000
// records would spend most of its build time in faults. Buffers from 1 MiB on
// are mapped on their own and marked for transparent huge pages, so the
// kernel fills them 2 MiB at a time (where it has no huge page to give, the
// mapping simply uses small pages). Smaller buffers come from the heap.
// Stateless and thread-safe.

#include <cstddef>
#include <memory>

namespace objectstore {

void* MapBulk(std::size_t bytes);
void UnmapBulk(void* p, std::size_t bytes);
inline constexpr std::size_t kBulkThreshold = std::size_t(1) << 20;

template <class T> class BulkAllocator {
public:
    using value_type = T;
    BulkAllocator() = default;
    template <class U> BulkAllocator(const BulkAllocator<U>&) { }

    T* allocate(std::size_t n)
    {
        if (n * sizeof(T) < kBulkThreshold)
            return std::allocator<T>().allocate(n);
        return static_cast<T*>(MapBulk(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n)
    {
        if (n * sizeof(T) < kBulkThreshold)
            std::allocator<T>().deallocate(p, n);
        else
            UnmapBulk(p, n * sizeof(T));
    }
    template <class U> bool operator==(const BulkAllocator<U>&) const { return true; }
};

} // namespace objectstore
