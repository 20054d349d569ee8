// The application code on real Win32: the tree scan, the report list, the
// checker's report, with real trees and real message boxes.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "boxes.h"
#include "tarvel/tarvel.h"
#include "wintree.h"

namespace {

std::vector<std::string> lines()
{
    std::vector<std::string> v;
    for (ll *p = gl.head; p; p = p->next)
        v.push_back(p->str);
    return v;
}

void clear_report()
{
    for (ll *p = gl.head, *n; p; p = n) {
        n = p->next;
        GlobalFree(p->str);
        GlobalFree(p);
    }
    gl.head = gl.tail = NULL;
    gl.nNumItems = gl.nCurPos = 0;
}

class Win32Scan : public ::testing::Test {
protected:
    WinTree tree;
    void SetUp() override
    {
        clear_report();
        record_boxes();
    }
    void TearDown() override { clear_report(); }
    double scan(const std::string &pattern, DWORD bpc, double *waste)
    {
        dgl.bpc = bpc;
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        return (double)doitto(buf.data(), waste);
    }
};

// Whole lines in post-order: empty, exact-multiple and one-over files, a
// sparse 5 GiB file counted exactly in every ancestor.
TEST_F(Win32Scan, WholeReportInPostOrder)
{
    tree.file("a/b/c/empty", 0);
    tree.file("a/b/exact", 4096);
    tree.file("a/d/over", 4097);
    tree.file("a/d/big", 5ULL << 30);
    double waste;
    double used = scan(tree.pattern("a"), 4096, &waste);
    EXPECT_EQ(used, 4096.0 + 4097 + (5ULL << 30));
    EXPECT_EQ(waste, 4095.0);
    const std::string c = tree.pattern("a/b/c") + " 0K used, 0K wasted",
                      b = tree.pattern("a/b") + " 4K used, 0K wasted",
                      d = tree.pattern("a/d") + " 5242884K used, 4K wasted",
                      a = tree.pattern("a") + " 5242888K used (0K here, 5242888K sub dir), 4K wasted (0K here, 4K sub dir)";
    /* Siblings come in the order the volume lists them. */
    auto got = lines();
    if (got.size() == 4 && got[0] == d)
        EXPECT_EQ(got, (std::vector<std::string>{d, c, b, a}));
    else
        EXPECT_EQ(got, (std::vector<std::string>{c, b, d, a}));
    EXPECT_EQ(gl.nNumItems, 4);
    EXPECT_EQ(gl.tail->next, (ll *)NULL);
    EXPECT_TRUE(recorded_boxes().empty());
}

// Windows' 260-character paths: a sub-directory whose pattern takes 259
// characters is scanned; one character more gives one box and no line.
TEST_F(Win32Scan, PatternLengthBoundary)
{
    std::string pattern = tree.pattern("");
    size_t room = 258 - pattern.size(); /* the longest name that is scanned */
    std::string fits(room, 'f'), over(room + 1, 'o');
    tree.dir(fits);
    tree.dir(over);
    double waste;
    scan(pattern, 512, &waste);
    std::string fitpattern = tree.pattern(fits);
    EXPECT_EQ(fitpattern.size(), 259u);
    EXPECT_EQ(lines(), (std::vector<std::string>{fitpattern + " 0K used, 0K wasted",
                                                 pattern + " 0K used, 0K wasted"}));
    EXPECT_EQ(recorded_boxes(), std::vector<std::string>{"Failure: Directory Path too long"});
}

// The number ahead of the first word of a report line.
TEST(Win32Fetchint, ReadsTheLeadingCount)
{
    const struct {
        const char *text;
        ULONG value;
    } cases[] = {{"   4,096 bytes in each allocation unit.", 4096}, {"1.5 units", 15},
                 {"units 12", 0}, {"", 0}, {"99999999999 wraps", 1215752191}};
    for (const auto &c : cases) {
        std::vector<char> buf(c.text, c.text + strlen(c.text) + 1);
        EXPECT_EQ(fetchint(buf.data()), c.value) << c.text;
    }
}

// The probe runs the checker of the system directory, reads its report
// whatever its exit code, and fails on a report without the three figures.
// A chkdsk.exe planted in the current directory (the surveyed tree, as the
// dialog leaves it) is never run.
TEST(Win32Probe, ReadsTheSystemCheckersReport)
{
    WinTree tree;
    ASSERT_TRUE(CopyFileA(TARVEL_FAKE_CHECKER, tree.path("chkdsk.exe").c_str(), FALSE));
    char old[MAX_PATH], sysdir[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, old);
    ASSERT_TRUE(SetCurrentDirectoryA(tree.root().c_str()));
    ASSERT_GT(GetSystemDirectoryA(sysdir, MAX_PATH), 0u);
    std::string report = tree.path("report.txt");
    SetEnvironmentVariableA("TARVEL_FAKE_REPORT", report.c_str());
    const struct {
        const char *text;
        const char *status;
        int result;
        ULONG spc, fc, tc;
    } cases[] = {
        {"   4,096 bytes in each allocation unit.\r\n   1,000 total allocation units on disk.\r\n"
         "      10 available allocation units on disk.\r\n", "3", 1, 8, 10, 1000},
        {"   4,096 bytes in each allocation unit.\r\n", "0", 0, 8, 0, 0},
    };
    for (const auto &c : cases) {
        std::ofstream(report, std::ios::binary) << c.text;
        SetEnvironmentVariableA("TARVEL_FAKE_STATUS", c.status);
        ULONG spc = 0, bps = 0, fc = 0, tc = 0;
        char drive[] = "C:\\";
        EXPECT_EQ(getchkdsk(drive, &spc, &bps, &fc, &tc), c.result) << c.text;
        EXPECT_EQ(bps, 512u);
        EXPECT_EQ(spc, c.spc);
        EXPECT_EQ(fc, c.fc);
        EXPECT_EQ(tc, c.tc);
        std::ifstream args(report + ".args");
        std::string self, line;
        std::getline(args, self);
        std::getline(args, line);
        EXPECT_EQ(lstrcmpiA(self.c_str(), (std::string(sysdir) + "\\chkdsk.exe").c_str()), 0) << self;
        EXPECT_EQ(line, "chkdsk C:");
    }
    SetCurrentDirectoryA(old);
    SetEnvironmentVariableA("TARVEL_FAKE_REPORT", NULL);
    SetEnvironmentVariableA("TARVEL_FAKE_STATUS", NULL);
}

} // namespace
