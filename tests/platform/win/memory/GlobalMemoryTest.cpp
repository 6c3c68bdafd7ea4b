// Movable global memory: handles, zero-filling, lock counts, unknown handles,
// reuse of a freed large block, and handles shared between threads.
#include "platform/win/memory/GlobalMemory.h"
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

TEST(GlobalMemory, BlocksAreNamedByNonzeroHandlesAndZeroFilledOnRequest)
{
    size_t before = GlobalBlockCount();
    HGLOBAL a = GlobalAlloc(GHND, 6);
    HGLOBAL b = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(GlobalSize(a), 6u);
    EXPECT_EQ(GlobalSize(b), 0u);
    auto* bytes = static_cast<unsigned char*>(GlobalLock(a));
    ASSERT_NE(bytes, nullptr);
    EXPECT_TRUE(std::all_of(bytes, bytes + 6, [](unsigned char c) { return c == 0; }));
    EXPECT_NE(GlobalLock(b), nullptr) << "an empty block still has an address";
    EXPECT_EQ(GlobalBlockCount(), before + 2);
    EXPECT_EQ(GlobalFree(a), 0u);
    EXPECT_EQ(GlobalFree(b), 0u);
    EXPECT_EQ(GlobalBlockCount(), before);
}

TEST(GlobalMemory, LocksAreCounted)
{
    HGLOBAL h = GlobalAlloc(GHND, 16);
    void* first = GlobalLock(h);
    EXPECT_EQ(GlobalLock(h), first) << "the block does not move while locked";
    EXPECT_EQ(GlobalLockCount(h), 2u);
    EXPECT_TRUE(GlobalUnlock(h));
    EXPECT_FALSE(GlobalUnlock(h));
    EXPECT_FALSE(GlobalUnlock(h)) << "not locked any more";
    EXPECT_EQ(GlobalLockCount(h), 0u);
    GlobalFree(h);
}

TEST(GlobalMemory, UnknownAndFreedHandles)
{
    HGLOBAL h = GlobalAlloc(GHND, 4);
    GlobalFree(h);
    for (HGLOBAL bad : { HGLOBAL(0), h, HGLOBAL(0xDEAD) }) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(GlobalLock(bad), nullptr);
        EXPECT_FALSE(GlobalUnlock(bad));
        EXPECT_EQ(GlobalSize(bad), 0u);
        EXPECT_EQ(GlobalFree(bad), bad) << "freeing twice is refused, not a crash";
    }
}

TEST(GlobalMemory, AReusedLargeBlockIsStillZeroFilledWhenAsked)
{
    const size_t size = 3u << 20;
    HGLOBAL first = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memset(GlobalLock(first), 0xAB, size);
    GlobalUnlock(first);
    GlobalFree(first);
    HGLOBAL second = GlobalAlloc(GHND, size - 1000);
    auto* bytes = static_cast<unsigned char*>(GlobalLock(second));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(GlobalSize(second), size - 1000);
    EXPECT_TRUE(std::all_of(bytes, bytes + size - 1000, [](unsigned char c) { return c == 0; }));
    GlobalUnlock(second);
    GlobalFree(second);
}

TEST(GlobalMemory, HandlesPassBetweenThreads)
{
    size_t before = GlobalBlockCount();
    std::vector<HGLOBAL> handles(4000);
    std::thread producer([&] {
        for (size_t i = 0; i < handles.size(); ++i) {
            handles[i] = GlobalAlloc(GHND, 8);
            *static_cast<uint32_t*>(GlobalLock(handles[i])) = uint32_t(i);
            GlobalUnlock(handles[i]);
        }
    });
    producer.join();
    std::vector<HGLOBAL> sorted = handles;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "every handle is unique";
    std::thread consumer([&] {
        for (size_t i = 0; i < handles.size(); ++i) {
            EXPECT_EQ(*static_cast<uint32_t*>(GlobalLock(handles[i])), uint32_t(i));
            GlobalUnlock(handles[i]);
            GlobalFree(handles[i]);
        }
    });
    consumer.join();
    EXPECT_EQ(GlobalBlockCount(), before);
}

}
