// tarvel-scan.exe as a user runs it: Windows paths, the same report lines.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "wintree.h"

namespace {

std::string scan(const std::string &args, std::string *err, DWORD *status)
{
    std::string out;
    *status = run_program("\"" TARVEL_SCAN_EXE "\" " + args, &out, err);
    return out;
}

// The report of a tree, each line ended as a Windows text file ends it.
TEST(Win32Tool, PrintsTheReport)
{
    WinTree tree;
    tree.file("sub/f", 5000);
    char drive[MAX_PATH];
    ASSERT_TRUE(GetVolumePathNameA(tree.root().c_str(), drive, MAX_PATH));
    std::string err;
    DWORD status;
    std::string out = scan("--cluster-size 4096 \"" + tree.root() + "\"", &err, &status);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(err, "");
    EXPECT_EQ(out, "Drive " + std::string(drive) + " has a cluster size of 4096 bytes\r\n" +
                       tree.pattern("sub") + " 5K used, 3K wasted\r\n" + tree.pattern("") +
                       " 5K used (0K here, 5K sub dir), 3K wasted (0K here, 3K sub dir)\r\n\r\n");
}

// A directory that is not there: the reason, status 1, no report.
TEST(Win32Tool, MissingDirectory)
{
    WinTree tree;
    std::string err;
    DWORD status;
    std::string missing = tree.path("missing");
    EXPECT_EQ(scan("\"" + missing + "\"", &err, &status), "");
    EXPECT_EQ(status, 1u);
    EXPECT_EQ(err, "tarvel-scan: " + missing + ": No such file or directory\r\n");
}

} // namespace
