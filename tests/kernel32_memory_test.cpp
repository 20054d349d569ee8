// GlobalAlloc / GlobalFree on real blocks.
#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

// GPTR blocks are zero-filled even in reused memory; only live blocks are
// released, once.
TEST(GlobalMemory, ZeroFilledAndReleasedOnce)
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
    HGLOBAL b = GlobalAlloc(GPTR, 8);
    EXPECT_EQ(GlobalFree(b), nullptr);
    EXPECT_EQ(GlobalFree(b), b) << "released twice";
}
