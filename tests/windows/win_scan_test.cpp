// The application code on real Win32: the tree scan's path limit and the
// checker's report, with real trees and real message boxes. Whole reports
// are compared with the Linux build's by same_report.sh.
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
