// tarvel-scan.exe as a user runs it on real Win32: Windows paths and line
// ends, the 260-character path limit, and the probe running the system
// directory's checker. Whole reports are compared with the Linux build's by
// same_report.sh.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "wintree.h"

namespace {

struct Scan {
    DWORD status;
    std::string out, err;
};

Scan scan(const std::string &args, const char *cwd = NULL)
{
    Scan r;
    r.status = run_program("\"" TARVEL_SCAN_EXE "\" " + args, &r.out, &r.err, cwd);
    return r;
}

std::string drive_of(const std::string &path)
{
    char drive[MAX_PATH] = "";
    return GetVolumePathNameA(path.c_str(), drive, MAX_PATH) ? drive : "";
}

// The report of a tree, each line ended as a Windows text file ends it; a
// directory that is not there: the reason, status 1, no report.
TEST(Win32Tool, ReportAndMissingDirectory)
{
    WinTree tree;
    tree.file("sub/f", 5000);
    Scan r = scan("--cluster-size 4096 \"" + tree.root() + "\"");
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "Drive " + drive_of(tree.root()) + " has a cluster size of 4096 bytes\r\n" + tree.pattern("sub") +
                         " 5K used, 3K wasted\r\n" + tree.pattern("") +
                         " 5K used (0K here, 5K sub dir), 3K wasted (0K here, 3K sub dir)\r\n\r\n");
    const std::string missing = tree.path("missing");
    r = scan("\"" + missing + "\"");
    EXPECT_EQ(r.status, 1u);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "tarvel-scan: " + missing + ": No such file or directory\r\n");
}

// Names Windows' path rules would cut: a directory whose name ends in a dot
// or a blank is surveyed under its own name, never as the one without them.
TEST(Win32Tool, NamesEndingInDotsAndBlanks)
{
    WinTree tree;
    tree.file("dup/f", 10240);
    tree.file("dup./f", 20480);
    tree.file("dup /f", 30720);
    Scan r = scan("--cluster-size 1024 \"" + tree.root() + "\"");
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.err, "");
    for (const auto &[name, kbytes] : {std::pair("dup", "10"), std::pair("dup.", "20"), std::pair("dup ", "30")})
        EXPECT_NE(r.out.find(tree.pattern(name) + " " + kbytes + "K used, 0K wasted"), std::string::npos)
            << "[" << name << "] in\n" << r.out;
    EXPECT_NE(r.out.find(tree.pattern("") + " 60K used (0K here, 60K sub dir)"), std::string::npos) << r.out;
}

// In a console, whatever its own code page, names show as the characters
// they are; to a file they are the program's UTF-8 bytes.
TEST(Win32Tool, ConsoleShowsEveryName)
{
    WinTree tree, shots;
    const std::string names[] = {"caf\xc3\xa9", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e"};
    for (const std::string &name : names)
        tree.dir(name);
    std::string out, err;
    ASSERT_EQ(run_program("\"" TARVEL_CONSOLESHOT "\" \"" + shots.path("screen") + "\" \"" TARVEL_SCAN_EXE
                          "\" --cluster-size 4096 \"" + tree.root() + "\"",
                          &out, &err),
              0u)
        << err;
    std::ifstream file(shots.path("screen"), std::ios::binary);
    const std::string screen((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Scan r = scan("--cluster-size 4096 \"" + tree.root() + "\"");
    for (const std::string &name : names) {
        const std::string line = tree.pattern(name) + " 0K used, 0K wasted";
        EXPECT_NE(screen.find(line + "\n"), std::string::npos) << line << " not on the screen:\n" << screen;
        EXPECT_NE(r.out.find(line + "\r\n"), std::string::npos) << line << " not in the file:\n" << r.out;
    }
}

// Windows' own ways: /? asks for the help; a name Windows cannot take at all
// (error 123) is told in words.
TEST(Win32Tool, HelpAndAnImpossibleName)
{
    Scan r = scan("/?");
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.out.rfind("usage: tarvel-scan", 0), 0u) << r.out;
    r = scan("\"bad|name\"");
    EXPECT_EQ(r.status, 1u);
    EXPECT_EQ(r.err, "tarvel-scan: bad|name: The file name, directory name, or volume label syntax is incorrect\r\n");
}

// Windows' 260-character paths: a sub-directory whose pattern takes 259
// characters is scanned; one character more is told, by its path, and gets
// no line.
TEST(Win32Tool, PatternLengthBoundary)
{
    WinTree tree;
    const std::string pattern = tree.pattern("");
    const std::string fits(258 - pattern.size(), 'f'); /* the longest name that is scanned */
    tree.dir(fits);
    tree.dir(fits + "o");
    ASSERT_EQ(tree.pattern(fits).size(), 259u);
    Scan r = scan("--cluster-size 512 \"" + tree.root() + "\"");
    EXPECT_EQ(r.status, 1u);
    EXPECT_EQ(r.err, "Failure: Directory Path too long <" + tree.path(fits + "o") + ">\r\n");
    EXPECT_EQ(r.out.substr(r.out.find('\n') + 1),
              tree.pattern(fits) + " 0K used, 0K wasted\r\n" + pattern + " 0K used, 0K wasted\r\n\r\n");
}

// The probe runs the checker of the system directory as "chkdsk C:", reads
// its report in either wording whatever its exit code, and falls back on the
// volume's figures, without a box on this NT-family system, for a report
// without the three figures or a checker that refuses as an unelevated one
// does. A chkdsk.exe planted in the current directory (the surveyed tree, as
// the dialog leaves it) never runs.
TEST(Win32Tool, ProbeRunsTheSystemChecker)
{
    WinTree tree;
    ASSERT_TRUE(CopyFileA(TARVEL_FAKE_CHECKER, tree.path("chkdsk.exe").c_str(), FALSE));
    char sysdir[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(sysdir, MAX_PATH), 0u);
    const std::string report = tree.path("report.txt"), drive = drive_of(tree.root());
    SetEnvironmentVariableA("TARVEL_FAKE_REPORT", report.c_str());
    const std::string unit = "   4,096 bytes in each allocation unit.\r\n";
    DWORD spc, bps, fc, tc;
    ASSERT_TRUE(GetDiskFreeSpaceA(drive.c_str(), &spc, &bps, &fc, &tc));
    const std::string volume = std::to_string(spc * bps);
    const struct {
        std::string text, status, heading;
    } cases[] = {
        {unit + "   1,000 total allocation units on disk.\r\n      10 available allocation units on disk.\r\n", "3",
         "4096"},
        {"  16,384 bytes in each allocation unit.\r\n   1,000 total allocation units on disk.\r\n"
         "      10 allocation units available on disk.\r\n",
         "0", "16384"},
        {unit, "0", volume},
        {"Access Denied as you do not have sufficient privileges or\r\nthe disk may be locked by another process.\r\n"
         "You have to invoke this utility running in elevated mode\r\nand make sure the disk is unlocked.\r\n",
         "3", volume},
    };
    for (const auto &c : cases) {
        std::ofstream(report, std::ios::binary) << c.text;
        SetEnvironmentVariableA("TARVEL_FAKE_STATUS", c.status.c_str());
        Scan r = scan("\"" + tree.root() + "\"", tree.root().c_str());
        EXPECT_EQ(r.status, 0u);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.substr(0, r.out.find('\r')),
                  "Drive " + drive + " has a cluster size of " + c.heading + " bytes");
        std::ifstream args(report + ".args");
        std::string self, line;
        std::getline(args, self);
        std::getline(args, line);
        EXPECT_EQ(lstrcmpiA(self.c_str(), (std::string(sysdir) + "\\chkdsk.exe").c_str()), 0) << self;
        EXPECT_EQ(line, "chkdsk " + drive.substr(0, 2));
    }
    SetEnvironmentVariableA("TARVEL_FAKE_REPORT", NULL);
    SetEnvironmentVariableA("TARVEL_FAKE_STATUS", NULL);
}

// --what-if on Windows: the same sums as everywhere, and the allocated
// figure from GetCompressedFileSizeA, rounded up to the drive's clusters.
TEST(Win32Tool, WhatIf)
{
    WinTree tree;
    tree.file("a", 5000);
    tree.file("sub/b", 1);
    Scan r = scan("--what-if=1M,4K --format=tsv --cluster-size 4096 \"" + tree.root() + "\"");
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.substr(r.out.find('\n') + 1), "# allocated by the filesystem: 12288 bytes\r\n"
                                                  "cluster_size\tfiles\tused\twasted\ton_disk\r\n"
                                                  "4096\t2\t5001\t7287\t12288\r\n"
                                                  "1048576\t2\t5001\t2092151\t2097152\r\n");
}

} // namespace
