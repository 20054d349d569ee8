// CreateFileA, CloseHandle, DeleteFileA, GetTempPathA and GetTempFileNameA on
// real files, as the cluster size probe uses them.
#include <windows.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string.h>
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

} // namespace

// CREATE_ALWAYS truncates into a blocking close-on-exec descriptor of mode
// 0666 less the umask, closed once by CloseHandle; directories and links are
// refused, their targets untouched; a FIFO without a writer never blocks.
TEST(CreateFile, WhatTheProbeReliesOn)
{
    TempTree t;
    std::ofstream(t.path("f")) << "old";
    mode_t old = umask(022);
    HANDLE h = create(t.path("f"), GENERIC_WRITE, CREATE_ALWAYS);
    umask(old);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(slurp(t.path("f")), "");
    const int fd = dup(0); /* the lowest free descriptor, which the next open takes */
    close(fd);
    HANDLE made = create(t.path("new"), GENERIC_WRITE, CREATE_ALWAYS);
    struct stat st;
    ASSERT_EQ(stat(t.path("new").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u) << std::oct << (st.st_mode & 0777);
    EXPECT_EQ(fcntl(fd, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
    EXPECT_EQ(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_TRUE(CloseHandle(made));
    EXPECT_EQ(fcntl(fd, F_GETFD), -1) << "descriptor still open";
    for (HANDLE bad : {made, (HANDLE)NULL, INVALID_HANDLE_VALUE}) {
        EXPECT_FALSE(CloseHandle(bad)) << bad;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE) << bad;
    }
    EXPECT_TRUE(CloseHandle(h));

    t.dir("d");
    t.symlink("link", t.path("f"));
    t.fifo("fifo");
    EXPECT_EQ(create(t.path("d"), GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    std::ofstream(t.path("f")) << "precious";
    EXPECT_EQ(create(t.path("link"), GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(slurp(t.path("f")), "precious");
    ChildResult r = run_in_child([&]() -> std::string {
        alarm(20); /* a regression ends the child instead of hanging the suite */
        HANDLE fifo = create(t.path("fifo"), GENERIC_READ, OPEN_EXISTING);
        return fifo != INVALID_HANDLE_VALUE && CloseHandle(fifo) ? "opened" : "refused";
    });
    EXPECT_EQ(r.output, "opened") << "status " << r.status;
}

// GetTempPathA: $TMPDIR if set and non-empty, else /tmp, with a '/'; a small buffer gets nothing.
TEST(TempPath, FromEnvironment)
{
    ChildResult r = run_in_child([]() -> std::string { /* so TMPDIR changes stay there */
        std::string out;
        char buf[MAX_PATH];
        for (const char *tmpdir : {"/already/", (const char *)nullptr, "", "/var/scratch"}) {
            tmpdir ? setenv("TMPDIR", tmpdir, 1) : unsetenv("TMPDIR");
            out += std::to_string(GetTempPathA(sizeof buf, buf)) + " " + buf + "\n";
        }
        memset(buf, 'Q', sizeof buf);
        out += std::to_string(GetTempPathA(8, buf)) + " " + buf[0] + " ";
        return out + std::to_string(GetTempPathA(14, buf)) + " " + buf; /* exactly enough room */
    });
    EXPECT_EQ(r.output, "9 /already/\n5 /tmp/\n5 /tmp/\n13 /var/scratch/\n14 Q 13 /var/scratch/");
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
