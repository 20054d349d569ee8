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

// Both forms cut output at 1023 characters, terminated, never writing past the 1024th byte.
TEST(Wsprintf, CutAt1023Characters)
{
    for (bool list : {false, true})
        for (size_t len : {1020u, 1021u, 1022u, 1023u, 5000u}) {
            char bytes[1024 + 64];
            memset(bytes, 'Z', sizeof bytes);
            std::string s(len, 'x');
            std::string what = (list ? "wvsprintfA " : "wsprintfA ") + std::to_string(len);
            int n = list ? viaList(bytes, "<%s>", s.c_str()) : wsprintfA(bytes, "<%s>", s.c_str());
            std::string want = ("<" + s + ">").substr(0, 1023);
            EXPECT_EQ(n, (int)want.size()) << what;
            EXPECT_EQ(std::string(bytes), want) << what;
            EXPECT_EQ(std::string(bytes + 1024, 64), std::string(64, 'Z')) << "overrun: " << what;
        }
}

// The result counts the characters stored; the conversions the program uses work.
TEST(Wsprintf, ConversionsAndCount)
{
    char buf[1024];
    auto result = [&](int n) { return std::to_string(n) + " [" + buf + "]"; };
    EXPECT_EQ(result(wsprintfA(buf, "chkdsk %c:", 'C')), "9 [chkdsk C:]");
    /* Found by fuzzing: a %c of 0 stores a NUL inside, and the count still
     * ends at the terminator the call wrote. */
    EXPECT_EQ(wsprintfA(buf, "chkdsk %c:", 0), 9);
    EXPECT_EQ(std::string(buf, 10), std::string("chkdsk \0:\0", 10));
    EXPECT_EQ(result(wsprintfA(buf, "Memory Freeing error %d", 6)), "22 [Memory Freeing error 6]");
    EXPECT_EQ(result(wsprintfA(buf, "Drive name screwed up <%s>", "100%")),
              "28 [Drive name screwed up <100%>]");
    EXPECT_EQ(result(wsprintfA(buf, "")), "0 []");
    EXPECT_EQ(wsprintfA(buf, "%1.0fK", 1536.0 / 1024), 2) << buf;
}
