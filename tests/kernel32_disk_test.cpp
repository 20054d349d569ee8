// GetDiskFreeSpaceA and GetVolumePathNameA against statvfs, findmnt and mounts
// made for the test (in a private mount namespace).
#include <windows.h>

#include <platform_testing.h>

#include <gtest/gtest.h>

#include <errno.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <sstream>
#include <string>

#include "childrun.h"
#include "temptree.h"

namespace {

struct Geometry {
    BOOL ok;
    DWORD spc, bps, fc, tc;
};

Geometry geometry(const char *root)
{
    Geometry g{};
    g.ok = GetDiskFreeSpaceA(root, &g.spc, &g.bps, &g.fc, &g.tc);
    return g;
}

std::string volume_of(const std::string &path, DWORD size = MAX_PATH)
{
    char buf[MAX_PATH];
    if (!GetVolumePathNameA(path.c_str(), buf, size))
        return "FALSE " + std::to_string(GetLastError());
    return buf;
}

/* What findmnt says is the mount point of `path`, with a '/' added. */
std::string findmnt_target(const std::string &path)
{
    std::string out;
    if (run_command("findmnt -n -o TARGET -T '" + path + "'", &out, nullptr) != 0)
        return "";
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out == "/" ? out : out + "/";
}

} // namespace

// The figures are statvfs's: 512-byte sectors making up a fragment, available
// and total fragments as clusters.
TEST(DiskFreeSpace, MatchesStatvfs)
{
    TempTree t;
    for (std::string path : {std::string("/"), t.root()}) {
        struct statvfs before, after;
        ASSERT_EQ(statvfs(path.c_str(), &before), 0);
        Geometry g = geometry(path.c_str());
        ASSERT_EQ(statvfs(path.c_str(), &after), 0);
        ASSERT_TRUE(g.ok) << path << ": " << GetLastError();
        ASSERT_EQ(before.f_frsize % 512, 0u) << "this machine's fragment size is unusual";
        EXPECT_EQ(g.bps, 512u) << path;
        EXPECT_EQ((unsigned long)g.spc * g.bps, before.f_frsize) << path;
        EXPECT_EQ(g.tc, before.f_blocks > 0xFFFFFFFFu ? 0xFFFFFFFFu : (DWORD)before.f_blocks) << path;
        /* Free space moves with the other work on the machine: between the two readings. */
        unsigned long long lo = before.f_bavail < after.f_bavail ? before.f_bavail : after.f_bavail;
        unsigned long long hi = before.f_bavail < after.f_bavail ? after.f_bavail : before.f_bavail;
        unsigned long long slack = before.f_blocks / 100;
        EXPECT_GE((unsigned long long)g.fc + slack, lo > 0xFFFFFFFFu ? 0xFFFFFFFFu : lo) << path;
        EXPECT_LE((unsigned long long)g.fc, hi + slack) << path;
    }
}

// NULL means the current directory.
TEST(DiskFreeSpace, NullIsCurrentDirectory)
{
    TempTree t;
    char old[MAX_PATH];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(t.root().c_str()), 0);
    Geometry g = geometry(nullptr);
    struct statvfs v;
    int r = statvfs(".", &v);
    ASSERT_EQ(chdir(old), 0);
    ASSERT_EQ(r, 0);
    ASSERT_TRUE(g.ok);
    EXPECT_EQ((unsigned long)g.spc * g.bps, v.f_frsize);
    EXPECT_EQ(g.tc, (DWORD)v.f_blocks);
}

// A tmpfs of 64 KiB has sixteen 4096-byte clusters: 8 sectors of 512 each.
TEST(DiskFreeSpace, KnownSmallFilesystem)
{
    TempTree t;
    t.dir("m");
    ChildResult r = run_in_child([&]() -> std::string {
        std::string why = private_mounts();
        if (!why.empty())
            return "skip " + why;
        if (mount("tarvel-test", t.path("m").c_str(), "tmpfs", 0, "size=64k") != 0)
            return std::string("skip mount tmpfs: ") + strerror(errno);
        Geometry g = geometry((t.path("m") + "/").c_str());
        std::ostringstream out;
        out << g.ok << ' ' << g.spc << ' ' << g.bps << ' ' << g.fc << ' ' << g.tc;
        return out.str();
    });
    ASSERT_EQ(r.status, 0) << r.output;
    if (r.output.rfind("skip", 0) == 0)
        GTEST_SKIP() << r.output;
    if (sysconf(_SC_PAGESIZE) != 4096)
        GTEST_SKIP() << "tmpfs fragments are pages, and pages here are not 4096 bytes";
    EXPECT_EQ(r.output, "1 8 512 16 16") << "ok spc bps free total";
}

// A path that does not exist, and the testing hook, make the query fail.
TEST(DiskFreeSpace, Failures)
{
    TempTree t;
    Geometry g = geometry(t.path("nothere").c_str());
    EXPECT_FALSE(g.ok);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);

    testhooks::fail_disk_free_space(true);
    g = geometry("/");
    testhooks::fail_disk_free_space(false);
    EXPECT_FALSE(g.ok);
    EXPECT_TRUE(geometry("/").ok) << "the hook must be undone by false";
}

// The mount point holding a path, with a trailing '/', as findmnt sees it.
TEST(VolumePathName, AgreesWithFindmnt)
{
    TempTree t;
    t.file("sub/file", 1);
    EXPECT_EQ(volume_of("/"), "/");
    std::string expected = findmnt_target(t.root());
    if (expected.empty())
        GTEST_SKIP() << "findmnt gave no answer";
    EXPECT_EQ(volume_of(t.root()), expected);
    EXPECT_EQ(volume_of(t.path("sub/file")), expected);
    EXPECT_EQ(volume_of("/proc/self"), "/proc/");
}

// Mount points below a directory, reached by absolute and relative paths, with
// "." and ".." taken by their text.
TEST(VolumePathName, MountsRelativePathsAndDots)
{
    TempTree t;
    t.dir("m");
    t.dir("src/deep");
    t.dir("b");
    ChildResult r = run_in_child([&]() -> std::string {
        std::string why = private_mounts();
        if (!why.empty())
            return "skip " + why;
        if (mount("tarvel-test", t.path("m").c_str(), "tmpfs", 0, "size=64k") != 0)
            return std::string("skip mount tmpfs: ") + strerror(errno);
        if (mount(t.path("src").c_str(), t.path("b").c_str(), nullptr, MS_BIND, nullptr) != 0)
            return std::string("skip mount --bind: ") + strerror(errno);
        if (mkdir(t.path("m/sub").c_str(), 0755) != 0 || chdir(t.path("m/sub").c_str()) != 0)
            return "cannot prepare m/sub";
        std::ostringstream out;
        out << volume_of(t.path("m")) << '\n'
            << volume_of(t.path("m/sub")) << '\n'
            << volume_of(t.path("b/deep")) << '\n'
            << volume_of(".") << '\n'
            << volume_of("../sub/./") << '\n'
            << volume_of("..//..") << '\n'
            << volume_of(t.path("m/sub/../..")) << '\n';
        return out.str();
    });
    ASSERT_EQ(r.status, 0) << r.output;
    if (r.output.rfind("skip", 0) == 0)
        GTEST_SKIP() << r.output;
    std::string outer = findmnt_target(t.root());
    std::string m = t.path("m") + "/";
    std::string expected =
        m + "\n" + m + "\n" + t.path("b") + "/\n" + m + "\n" + m + "\n" + outer + "\n" + outer + "\n";
    EXPECT_EQ(r.output, expected);
}

// A path that does not exist, or a buffer too small, gives FALSE.
TEST(VolumePathName, Failures)
{
    TempTree t;
    EXPECT_EQ(volume_of(t.path("nothere")), "FALSE " + std::to_string(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(volume_of("/proc/self", 6), "FALSE " + std::to_string(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(volume_of("/proc/self", 7), "/proc/") << "exactly enough room";
    EXPECT_EQ(volume_of(""), "FALSE " + std::to_string(ERROR_FILE_NOT_FOUND));
}
