// The files and disks of the cluster size probe: CreateFileA, CloseHandle
// and GetTempFileNameA on real files; GetDiskFreeSpaceA and
// GetVolumePathNameA on mounts made for the test.
#include <windows.h>

#include <platform_testing.h>

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "childrun.h"
#include "temptree.h"

namespace {

/* The name GetTempFileNameA forms: <dir>/<prefix><number in hex>.tmp */
std::string temp_name(const std::string &dir, const char *prefix, unsigned n)
{
    char p[MAX_PATH];
    snprintf(p, sizeof p, "%s/%s%X.tmp", dir.c_str(), prefix, n);
    return p;
}

HANDLE create(const std::string &path, DWORD access, DWORD disposition)
{
    return CreateFileA(path.c_str(), access, 0, NULL, disposition, FILE_ATTRIBUTE_NORMAL, NULL);
}

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

} // namespace

// CREATE_ALWAYS truncates; CloseHandle closes the descriptor once;
// directories and links are refused, their targets untouched.
TEST(CreateFile, WhatTheProbeReliesOn)
{
    TempTree t;
    std::ofstream(t.path("f")) << "old";
    HANDLE h = create(t.path("f"), GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(slurp(t.path("f")), "");
    const int fd = dup(0); /* the lowest free descriptor, which the next open takes */
    close(fd);
    HANDLE made = create(t.path("new"), GENERIC_WRITE, CREATE_ALWAYS);
    EXPECT_TRUE(CloseHandle(made));
    EXPECT_EQ(fcntl(fd, F_GETFD), -1) << "descriptor still open";
    for (HANDLE bad : {made, (HANDLE)NULL, INVALID_HANDLE_VALUE}) {
        EXPECT_FALSE(CloseHandle(bad)) << bad;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE) << bad;
    }
    EXPECT_TRUE(CloseHandle(h));

    t.dir("d");
    t.symlink("link", t.path("f"));
    EXPECT_EQ(create(t.path("d"), GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    std::ofstream(t.path("f")) << "precious";
    EXPECT_EQ(create(t.path("link"), GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(slurp(t.path("f")), "precious");
}

// uUnique 0 makes a new empty file of mode 0600 whatever the umask, each
// call another; an existing file or link is never opened or changed: the one
// free name is found, or none.
TEST(TempFileName, NewPrivateFileNeverAnExistingOne)
{
    TempTree t;
    const std::string &dir = t.root();
    char name[MAX_PATH], second[MAX_PATH];
    mode_t old = umask(0);
    UINT n = GetTempFileNameA(dir.c_str(), "tarvel", 0, name);
    umask(old);
    ASSERT_NE(n, 0u) << GetLastError();
    EXPECT_EQ(name, temp_name(dir, "tar", n));
    struct stat st;
    ASSERT_EQ(lstat(name, &st), 0);
    EXPECT_EQ(st.st_mode, S_IFREG | 0600u) << std::oct << st.st_mode;
    ASSERT_NE(GetTempFileNameA((dir + "/").c_str(), "tarvel", 0, second), 0u);
    EXPECT_STRNE(name, second);
    EXPECT_EQ(GetTempFileNameA(t.path("nothere").c_str(), "x", 0, name), 0u);

    for (unsigned i = 1; i <= 0xFFFF; i++) {
        if (i % 1000 == 7) { /* a dangling link: creating through it would make the target */
            ASSERT_EQ(symlink(t.path("victim").c_str(), temp_name(dir, "x", i).c_str()), 0);
        } else {
            int fd = open(temp_name(dir, "x", i).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            ASSERT_EQ(write(fd, "keep", 4), 4);
            close(fd);
        }
    }
    SetLastError(0);
    EXPECT_EQ(GetTempFileNameA(dir.c_str(), "x", 0, name), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
    ASSERT_EQ(unlink(temp_name(dir, "x", 0xBEEF).c_str()), 0);
    EXPECT_EQ(GetTempFileNameA(dir.c_str(), "x", 0, name), 0xBEEFu);
    EXPECT_EQ(slurp(temp_name(dir, "x", 0x1234)), "keep");
    EXPECT_NE(access(t.path("victim").c_str(), F_OK), 0) << "a link was followed";
}

// Mounts made for the test: a 64 KiB tmpfs's geometry; mount points by absolute and relative paths.
TEST(DiskMounts, GeometryAndVolumePaths)
{
    TempTree t;
    for (const char *d : {"m", "src/deep", "b"})
        t.dir(d);
    std::string m = t.path("m") + "/", outer = mount_point(t.root()), want;
    const std::pair<std::string, std::string> cases[] = {{t.path("m/sub"), m},
                                                         {t.path("b/deep"), t.path("b") + "/"},
                                                         {"../sub/./", m} /* in m/sub */,
                                                         {"..//..", outer}};
    std::string out = child_output([&]() -> std::string {
        if (std::string why = private_tmpfs(t.path("m"), "size=64k"); !why.empty())
            return why;
        if (std::string why = private_bind(t.path("src"), t.path("b")); !why.empty())
            return why;
        if (mkdir(t.path("m/sub").c_str(), 0755) != 0 || chdir(t.path("m/sub").c_str()) != 0)
            return "cannot prepare m/sub";
        Geometry g = geometry(m.c_str());
        std::ostringstream s;
        s << g.ok << ' ' << g.spc << ' ' << g.bps << ' ' << g.fc << ' ' << g.tc << '\n';
        for (const auto &c : cases)
            s << c.first << " -> " << volume_of(c.first) << '\n';
        return s.str();
    });
    if (IsSkipped())
        return;
    std::string geo = out.substr(0, out.find('\n') + 1);
    EXPECT_TRUE(sysconf(_SC_PAGESIZE) != 4096 || geo == "1 8 512 16 16\n") /* tmpfs fragments are pages */
        << "ok spc bps free total: " << geo;
    for (const auto &c : cases)
        want += c.first + " -> " + c.second + "\n";
    EXPECT_EQ(out.substr(geo.size()), want);
}
