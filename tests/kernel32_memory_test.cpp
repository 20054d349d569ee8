// GlobalAlloc / GlobalFree and their failure hooks.
#include <windows.h>

#include <platform_testing.h>

#include <gtest/gtest.h>

#include <string.h>

// GPTR blocks are zero-filled even in reused memory; only live blocks are
// released; the hooks fail exactly the nth call, 0 disarms them, and a failed
// release frees nothing.
TEST(GlobalMemory, BlocksReleaseAndHooks)
{
    for (int round = 0; round < 20; round++) {
        char *p = (char *)GlobalAlloc(GPTR, 1000);
        ASSERT_TRUE(p && (p[0] | p[500] | p[999]) == 0) << "round " << round;
        memset(p, 0xAB, 1000);
        ASSERT_EQ(GlobalFree(p), nullptr);
    }
    int local = 0;
    EXPECT_EQ(GlobalFree(&local), &local) << "never allocated";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_EQ(GlobalFree(nullptr), nullptr);

    testhooks::fail_global_alloc(3);
    for (int i = 0; i < 5; i++) {
        HGLOBAL p = GlobalAlloc(GPTR, 8);
        EXPECT_EQ(p == nullptr, i == 2) << "call " << i + 1;
        EXPECT_EQ(GlobalFree(p), nullptr);
    }
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);
    HGLOBAL b = GlobalAlloc(GPTR, 8);
    memset(b, 0x5A, 8);
    testhooks::fail_global_free(1);
    EXPECT_EQ(GlobalFree(b), b);
    EXPECT_EQ(((unsigned char *)b)[7], 0x5A) << "the block must still be usable";
    EXPECT_EQ(GlobalFree(b), nullptr);
    EXPECT_EQ(GlobalFree(b), b) << "released twice";
    testhooks::fail_global_alloc(1);
    testhooks::fail_global_alloc(0);
    EXPECT_EQ(GlobalFree(GlobalAlloc(GPTR, 8)), nullptr) << "0 disarms";
}
