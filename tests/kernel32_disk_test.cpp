// GetDiskFreeSpaceA and GetVolumePathNameA against statvfs, findmnt and mounts made for the test.
#include <windows.h>

#include <platform_testing.h>

#include <gtest/gtest.h>

#include <errno.h>
#include <sys/stat.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <sstream>
#include <string>

#include "childrun.h"
#include "temptree.h"

namespace {

struct Geometry { BOOL ok; DWORD spc, bps, fc, tc; };

Geometry geometry(const char *root)
{
    Geometry g{};
    g.ok = GetDiskFreeSpaceA(root, &g.spc, &g.bps, &g.fc, &g.tc);
    return g;
}

std::string volume_of(const std::string &path, DWORD size = MAX_PATH)
{
    char buf[MAX_PATH];
    if (!GetVolumePathNameA(path.c_str(), buf, size)) return "FALSE " + std::to_string(GetLastError());
    return buf;
}

} // namespace

// statvfs's figures (512-byte sectors, fragment clusters, NULL the cwd); failures and the hook.
TEST(DiskFreeSpace, MatchesStatvfsOrFails)
{
    TempTree t;
    char old[MAX_PATH];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(t.root().c_str()), 0);
    for (const char *path : {"/", t.root().c_str(), (const char *)nullptr}) {
        SCOPED_TRACE(path ? path : "NULL");
        struct statvfs before, after; /* free space moves with other work: between the two */
        ASSERT_EQ(statvfs(path ? path : ".", &before), 0);
        Geometry g = geometry(path);
        ASSERT_EQ(statvfs(path ? path : ".", &after), 0);
        EXPECT_TRUE(g.ok) << GetLastError();
        EXPECT_EQ(std::make_pair((unsigned long)g.bps, (unsigned long)g.spc * g.bps), std::make_pair(512ul, before.f_frsize));
        EXPECT_EQ(g.tc, (DWORD)std::min<unsigned long long>(before.f_blocks, 0xFFFFFFFFu));
        unsigned long long slack = before.f_blocks / 100, lo = std::min(before.f_bavail, after.f_bavail);
        EXPECT_GE(g.fc + slack, std::min(lo, 0xFFFFFFFFull));
        EXPECT_LE(g.fc, std::max(before.f_bavail, after.f_bavail) + slack);
    }
    ASSERT_EQ(chdir(old), 0);
    EXPECT_FALSE(geometry(t.path("nothere").c_str()).ok);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    testhooks::fail_disk_free_space(true);
    EXPECT_FALSE(geometry("/").ok);
    testhooks::fail_disk_free_space(false);
    EXPECT_TRUE(geometry("/").ok) << "the hook must be undone by false";
}

// Mounts made for the test: a 64 KiB tmpfs's geometry; mount points by absolute and relative paths.
TEST(DiskMounts, GeometryAndVolumePaths)
{
    TempTree t;
    for (const char *d : {"m", "src/deep", "b"}) t.dir(d);
    std::string m = t.path("m") + "/", outer = mount_point(t.root()), want;
    const std::pair<std::string, std::string> cases[] = {
        {t.path("m/sub"), m}, {t.path("b/deep"), t.path("b") + "/"}, {"../sub/./", m} /* in m/sub */, {"..//..", outer}};
    std::string out = child_output([&]() -> std::string {
        if (std::string why = private_mounts(); !why.empty()) return "SKIP " + why;
        if (mount("tarvel-test", t.path("m").c_str(), "tmpfs", 0, "size=64k") != 0 ||
            mount(t.path("src").c_str(), t.path("b").c_str(), nullptr, MS_BIND, nullptr) != 0)
            return std::string("SKIP mount: ") + strerror(errno);
        if (mkdir(t.path("m/sub").c_str(), 0755) != 0 || chdir(t.path("m/sub").c_str()) != 0)
            return "cannot prepare m/sub";
        Geometry g = geometry(m.c_str());
        std::ostringstream s;
        s << g.ok << ' ' << g.spc << ' ' << g.bps << ' ' << g.fc << ' ' << g.tc << '\n';
        for (const auto &c : cases) s << c.first << " -> " << volume_of(c.first) << '\n';
        return s.str();
    });
    if (IsSkipped()) return;
    std::string geo = out.substr(0, out.find('\n') + 1);
    if (sysconf(_SC_PAGESIZE) == 4096) /* tmpfs fragments are pages */
        EXPECT_EQ(geo, "1 8 512 16 16\n") << "ok spc bps free total";
    for (const auto &c : cases) want += c.first + " -> " + c.second + "\n";
    EXPECT_EQ(out.substr(geo.size()), want);
}
