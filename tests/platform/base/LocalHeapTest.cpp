#include "LastError.h"
#include "LocalHeap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

TEST(LocalHeap, BlocksAreZeroFilledAndGrowZeroFilled)
{
    auto* block = static_cast<unsigned char*>(LocalAlloc(LPTR, 8));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(block[i], 0);
    std::memset(block, 0xAB, 8);
    block = static_cast<unsigned char*>(LocalReAlloc(block, 64, LMEM_MOVEABLE | LMEM_ZEROINIT));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(LocalSize(block), 64u);
    EXPECT_EQ(block[7], 0xAB);
    for (int i = 8; i < 64; ++i)
        EXPECT_EQ(block[i], 0) << i;
    EXPECT_EQ(LocalFree(block), nullptr);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
}

TEST(LastError, IsPerThread)
{
    SetLastError(ERROR_DISK_FULL);
    DWORD seenByOtherThread = 1;
    std::thread([&] { seenByOtherThread = GetLastError(); }).join();
    EXPECT_EQ(seenByOtherThread, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
}
