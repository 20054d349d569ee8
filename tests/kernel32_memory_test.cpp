// GlobalAlloc / GlobalFree on real blocks.
#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

// GPTR blocks are zero-filled even in reused memory, and released.
TEST(GlobalMemory, ZeroFilledAndReleased)
{
    for (int round = 0; round < 20; round++) {
        char *p = (char *)GlobalAlloc(GPTR, 1000);
        ASSERT_TRUE(p && (p[0] | p[500] | p[999]) == 0) << "round " << round;
        memset(p, 0xAB, 1000);
        ASSERT_EQ(GlobalFree(p), nullptr);
    }
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
}
