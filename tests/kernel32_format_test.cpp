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

/* A 1024-byte buffer followed by sentinel bytes that must survive. */
struct Guarded {
    char bytes[1024 + 64];
    Guarded() { memset(bytes, 0x5A, sizeof bytes); }
    bool sentinelIntact() const
    {
        for (size_t i = 1024; i < sizeof bytes; i++)
            if (bytes[i] != 0x5A)
                return false;
        return true;
    }
};
} // namespace

// Output longer than 1023 characters is cut there, terminated, and nothing
// is written past the 1024th byte.
TEST(Wsprintf, CutAt1023Characters)
{
    for (size_t len : {1022u, 1023u, 1024u, 1025u, 5000u}) {
        Guarded g;
        std::string s(len, 'x');
        int n = wsprintfA(g.bytes, "%s", s.c_str());
        size_t expect = len < 1023 ? len : 1023;
        EXPECT_EQ(n, (int)expect) << "length " << len;
        EXPECT_EQ(strlen(g.bytes), expect) << "length " << len;
        EXPECT_TRUE(g.sentinelIntact()) << "wrote past 1024 bytes for length " << len;
    }
}

TEST(Wsprintf, VariantWithListCutsTheSame)
{
    Guarded g;
    std::string s(3000, 'y');
    EXPECT_EQ(viaList(g.bytes, "<%s>", s.c_str()), 1023);
    EXPECT_EQ(g.bytes[0], '<');
    EXPECT_EQ(g.bytes[1022], 'y');
    EXPECT_EQ(g.bytes[1023], '\0');
    EXPECT_TRUE(g.sentinelIntact());
}

// The result counts the characters stored; the conversions the program uses work.
TEST(Wsprintf, ConversionsAndCount)
{
    char buf[1024];
    EXPECT_EQ(wsprintfA(buf, "chkdsk %c:", 'C'), 9);
    EXPECT_STREQ(buf, "chkdsk C:");
    EXPECT_EQ(wsprintfA(buf, "Memory Freeing error %d", 6), 22);
    EXPECT_STREQ(buf, "Memory Freeing error 6");
    EXPECT_EQ(wsprintfA(buf, "Drive name screwed up <%s>", "100%"), 28);
    EXPECT_STREQ(buf, "Drive name screwed up <100%>");
    EXPECT_EQ(wsprintfA(buf, "%1.0fK", 1536.0 / 1024), 2);
    EXPECT_EQ(wsprintfA(buf, ""), 0);
    EXPECT_STREQ(buf, "");
}
