// GlobalAlloc / GlobalFree, their failure hooks, and the per-thread last error.
#include <windows.h>

#include <platform_testing.h>

#include <gtest/gtest.h>

#include <string.h>

#include <thread>

namespace {
struct HooksOff { /* disarms both hooks whatever a test leaves behind */
    ~HooksOff() { testhooks::fail_global_alloc(0), testhooks::fail_global_free(0); }
};
} // namespace

// GPTR blocks are zero-filled even in reused memory, 0 bytes too; only live blocks are released.
TEST(GlobalMemory, ZeroFilledBlocksAndRelease)
{
    for (int round = 0; round < 20; round++) {
        char *p = (char *)GlobalAlloc(GPTR, 1000);
        ASSERT_NE(p, nullptr);
        for (int i = 0; i < 1000; i++)
            ASSERT_EQ(p[i], 0) << "byte " << i << " in round " << round;
        memset(p, 0xAB, 1000);
        ASSERT_EQ(GlobalFree(p), nullptr);
    }
    HGLOBAL a = GlobalAlloc(GPTR, 0), b = GlobalAlloc(GPTR, 0);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    EXPECT_EQ(GlobalFree(a), nullptr);
    EXPECT_EQ(GlobalFree(b), nullptr);

    int local = 0; /* what is not a live block comes back, NULL does nothing */
    for (HGLOBAL bad : {(HGLOBAL)&local, b}) {
        SetLastError(0);
        EXPECT_EQ(GlobalFree(bad), bad) << (bad == b ? "released twice" : "never allocated");
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    }
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
}

// The hooks fail exactly the nth call from now, 0 disarms them; a failed release frees nothing.
TEST(GlobalMemoryHooks, NthCallFails)
{
    HooksOff off;
    testhooks::fail_global_alloc(1);
    testhooks::fail_global_alloc(0);
    testhooks::fail_global_free(1);
    testhooks::fail_global_free(0);
    EXPECT_EQ(GlobalFree(GlobalAlloc(GPTR, 8)), nullptr) << "0 must disarm both hooks";

    testhooks::fail_global_alloc(3);
    for (int i = 0; i < 5; i++) {
        SetLastError(0);
        HGLOBAL p = GlobalAlloc(GPTR, 8);
        EXPECT_EQ(p == nullptr, i == 2) << "call " << i + 1;
        EXPECT_EQ(GetLastError(), i == 2 ? (DWORD)ERROR_NOT_ENOUGH_MEMORY : 0u) << "call " << i + 1;
        EXPECT_EQ(GlobalFree(p), nullptr);
    }

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
