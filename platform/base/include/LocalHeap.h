#pragma once
// The local heap: zero-filled blocks that one owner frees with LocalFree.
// Record-store reads hand such blocks to the caller, and string, stream and
// blob buffers live in them, so a buffer can change hands across layers.

#include <cstddef>

enum : unsigned {
    LMEM_FIXED = 0x0000,
    LMEM_MOVEABLE = 0x0002,
    LMEM_ZEROINIT = 0x0040,
    LPTR = LMEM_FIXED | LMEM_ZEROINIT,
};

// Returns a zero-filled block of at least `bytes` (a 0-byte request still
// yields a unique block), or null when memory is exhausted.
void* LocalAlloc(unsigned flags, std::size_t bytes);
// Resizes a block; bytes beyond the old size are zero-filled. Returns null and
// leaves the old block untouched when memory is exhausted.
void* LocalReAlloc(void* block, std::size_t bytes, unsigned flags);
// Frees a block from LocalAlloc/LocalReAlloc; null is allowed. Returns null.
void* LocalFree(void* block);
// The usable size of a block (0 for null).
std::size_t LocalSize(const void* block);
