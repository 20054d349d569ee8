// wsprintfA / wvsprintfA: the 1024-character limit and what is returned.
#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <string>

namespace {
int viaList(char *out, const char *fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    int n = wvsprintfA(out, fmt, args);
    va_end(args);
    return n;
}
} // namespace

// Both forms cut at 1023 characters, terminated, never writing past the
// 1024th byte; the result counts what was stored; a %c of 0 (found by
// fuzzing) stores a NUL inside, the count still ending at the terminator.
TEST(Wsprintf, LimitAndCount)
{
    for (bool list : {false, true})
        for (size_t len : {1021u, 1022u, 5000u}) {
            char bytes[1024 + 64];
            memset(bytes, 'Z', sizeof bytes);
            std::string s(len, 'x'), want = ("<" + s + ">").substr(0, 1023);
            int n = list ? viaList(bytes, "<%s>", s.c_str()) : wsprintfA(bytes, "<%s>", s.c_str());
            EXPECT_EQ(n, (int)want.size()) << len;
            EXPECT_EQ(std::string(bytes), want) << len;
            EXPECT_EQ(std::string(bytes + 1024, 64), std::string(64, 'Z')) << "overrun: " << len;
        }
    char buf[1024];
    EXPECT_EQ(wsprintfA(buf, "Drive name screwed up <%s> %d", "100%", -6), 31);
    EXPECT_STREQ(buf, "Drive name screwed up <100%> -6");
    EXPECT_EQ(wsprintfA(buf, "chkdsk %c:", 0), 9);
    EXPECT_EQ(std::string(buf, 10), std::string("chkdsk \0:\0", 10));
}
