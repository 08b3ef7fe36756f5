#include "LocalHeap.h"

#include <cstdlib>
#include <cstring>

// Each block carries its requested size in a header so that a reallocation
// can zero exactly the bytes it adds.
namespace {
struct alignas(std::max_align_t) BlockHeader {
    std::size_t size;
};

BlockHeader* headerOf(const void* block)
{
    return static_cast<BlockHeader*>(const_cast<void*>(block)) - 1;
}
}  // namespace

void* LocalAlloc(unsigned /*flags*/, std::size_t bytes)
{
    auto* header = static_cast<BlockHeader*>(std::calloc(1, sizeof(BlockHeader) + bytes));
    if (!header)
        return nullptr;
    header->size = bytes;
    return header + 1;
}

void* LocalReAlloc(void* block, std::size_t bytes, unsigned flags)
{
    if (!block)
        return LocalAlloc(flags, bytes);
    BlockHeader* old = headerOf(block);
    const std::size_t oldSize = old->size;
    auto* header = static_cast<BlockHeader*>(std::realloc(old, sizeof(BlockHeader) + bytes));
    if (!header)
        return nullptr;
    if (bytes > oldSize)
        std::memset(reinterpret_cast<char*>(header + 1) + oldSize, 0, bytes - oldSize);
    header->size = bytes;
    return header + 1;
}

void* LocalFree(void* block)
{
    if (block)
        std::free(headerOf(block));
    return nullptr;
}

std::size_t LocalSize(const void* block) { return block ? headerOf(block)->size : 0; }
