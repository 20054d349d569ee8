// GlobalAlloc / GlobalFree, their failure hooks, and the per-thread last error.
#include <windows.h>

#include <platform_testing.h>

#include <gtest/gtest.h>

#include <string.h>

#include <thread>
#include <vector>

namespace {
/* Disarms both hooks whatever a test leaves behind. */
struct HooksOff {
    ~HooksOff()
    {
        testhooks::fail_global_alloc(0);
        testhooks::fail_global_free(0);
    }
};
} // namespace

// GPTR blocks are zero-filled, also when they reuse memory that held other bytes.
TEST(GlobalMemory, BlocksAreZeroFilled)
{
    for (int round = 0; round < 20; round++) {
        char *p = (char *)GlobalAlloc(GPTR, 1000);
        ASSERT_NE(p, nullptr);
        for (int i = 0; i < 1000; i++)
            ASSERT_EQ(p[i], 0) << "byte " << i << " in round " << round;
        memset(p, 0xAB, 1000);
        ASSERT_EQ(GlobalFree(p), nullptr);
    }
}

// A request for 0 bytes still gives a valid, distinct block that can be released.
TEST(GlobalMemory, ZeroByteBlocksAreValid)
{
    HGLOBAL a = GlobalAlloc(GPTR, 0), b = GlobalAlloc(GPTR, 0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(GlobalFree(a), nullptr);
    EXPECT_EQ(GlobalFree(b), nullptr);
}

// Releasing something that is not a live block fails: the handle comes back
// with ERROR_INVALID_HANDLE, and a double release is caught the same way.
TEST(GlobalMemory, InvalidReleaseRefused)
{
    int local = 0;
    SetLastError(0);
    EXPECT_EQ(GlobalFree(&local), (HGLOBAL)&local);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);

    HGLOBAL p = GlobalAlloc(GPTR, 16);
    ASSERT_EQ(GlobalFree(p), nullptr);
    SetLastError(0);
    EXPECT_EQ(GlobalFree(p), p);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);

    EXPECT_EQ(GlobalFree(nullptr), nullptr) << "releasing NULL does nothing and does not fail";
}

// fail_global_alloc(n): exactly the nth call from now fails, then the hook is spent.
TEST(GlobalMemoryHooks, NthAllocationFails)
{
    HooksOff off;
    testhooks::fail_global_alloc(3);
    std::vector<HGLOBAL> got;
    for (int i = 0; i < 5; i++) {
        SetLastError(0);
        HGLOBAL p = GlobalAlloc(GPTR, 8);
        got.push_back(p);
        if (i == 2) {
            EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);
        }
    }
    EXPECT_NE(got[0], nullptr);
    EXPECT_NE(got[1], nullptr);
    EXPECT_EQ(got[2], nullptr);
    EXPECT_NE(got[3], nullptr);
    EXPECT_NE(got[4], nullptr);
    for (HGLOBAL p : got)
        EXPECT_EQ(GlobalFree(p), nullptr);
}

TEST(GlobalMemoryHooks, ZeroDisarms)
{
    HooksOff off;
    testhooks::fail_global_alloc(1);
    testhooks::fail_global_alloc(0);
    HGLOBAL p = GlobalAlloc(GPTR, 8);
    EXPECT_NE(p, nullptr);
    testhooks::fail_global_free(1);
    testhooks::fail_global_free(0);
    EXPECT_EQ(GlobalFree(p), nullptr);
}

// fail_global_free(n): the nth release fails and frees nothing; the block stays
// live and can be released afterwards.
TEST(GlobalMemoryHooks, NthReleaseFailsAndKeepsBlock)
{
    HooksOff off;
    HGLOBAL a = GlobalAlloc(GPTR, 8), b = GlobalAlloc(GPTR, 8);
    ASSERT_TRUE(a && b);
    memset(b, 0x5A, 8);
    testhooks::fail_global_free(2);
    EXPECT_EQ(GlobalFree(a), nullptr);
    SetLastError(0);
    EXPECT_EQ(GlobalFree(b), b);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_EQ(((unsigned char *)b)[7], 0x5A) << "the block must still be usable";
    EXPECT_EQ(GlobalFree(b), nullptr);
}

// The last error belongs to the thread that set it.
TEST(LastError, PerThread)
{
    SetLastError(1234);
    DWORD seen_in_thread = 0;
    std::thread other([&] {
        seen_in_thread = GetLastError();
        SetLastError(99);
    });
    other.join();
    EXPECT_EQ(seen_in_thread, 0u);
    EXPECT_EQ(GetLastError(), 1234u);
}
