// CreateFileA, CloseHandle, DeleteFileA, GetTempPathA and GetTempFileNameA on real files.
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

/* The content of a file, or "<absent>" when there is nothing at `path`. */
std::string slurp(const std::string &path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return "<absent>";
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

void spit(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

/* This process's descriptor open on `path`, or -1. */
int fd_of(const std::string &path)
{
    char target[MAX_PATH];
    for (int fd = 0; fd < 1024; fd++) {
        ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, MAX_PATH);
        if (n > 0 && path == std::string(target, (size_t)n))
            return fd;
    }
    return -1;
}

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

// Each creation disposition creates, truncates or refuses as in Win32; a refusal changes nothing.
TEST(CreateFile, Dispositions)
{
    TempTree t;
    const DWORD R = GENERIC_READ, W = GENERIC_WRITE;
    const char *none = "<absent>";
    struct {
        const char *what, *before;
        DWORD access, disposition, error;
        const char *after;
    } cases[] = {
        {"CREATE_NEW, file", "old", W, CREATE_NEW, ERROR_FILE_EXISTS, "old"},
        {"OPEN_EXISTING, file", "old", R, OPEN_EXISTING, 0, "old"},
        {"OPEN_ALWAYS, file", "old", W, OPEN_ALWAYS, 0, "old"},
        {"CREATE_ALWAYS, file", "old", W, CREATE_ALWAYS, 0, ""},
        {"TRUNCATE_EXISTING, file", "old", W, TRUNCATE_EXISTING, 0, ""},
        {"OPEN_EXISTING, none", none, R, OPEN_EXISTING, ERROR_FILE_NOT_FOUND, none},
        {"TRUNCATE_EXISTING, none", none, W, TRUNCATE_EXISTING, ERROR_FILE_NOT_FOUND, none},
        {"OPEN_ALWAYS, none", none, W, OPEN_ALWAYS, 0, ""},
        {"CREATE_NEW, none", none, W, CREATE_NEW, 0, ""},
        {"disposition 99", none, W, 99, ERROR_INVALID_PARAMETER, none},
    };
    for (const auto &c : cases) {
        std::string f = t.path(c.what);
        if (c.before != none)
            spit(f, c.before);
        SetLastError(12345);
        HANDLE h = create(f, c.access, c.disposition);
        EXPECT_EQ(GetLastError(), c.error) << c.what;
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.error == 0) << c.what;
        EXPECT_TRUE(h == INVALID_HANDLE_VALUE || CloseHandle(h)) << c.what;
        EXPECT_EQ(slurp(f), c.after) << c.what;
    }
}

// Mode 0666 less the umask, a blocking close-on-exec descriptor that CloseHandle closes just once.
TEST(CreateFile, DescriptorAndCloseHandle)
{
    TempTree t;
    std::string f = t.path("made");
    mode_t old = umask(022);
    HANDLE h = create(f, GENERIC_WRITE, CREATE_ALWAYS);
    umask(old);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    struct stat st;
    ASSERT_EQ(stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u) << std::oct << (st.st_mode & 0777);
    int fd = fd_of(f);
    ASSERT_GE(fd, 0) << "no descriptor found for " << f;
    EXPECT_EQ(fcntl(fd, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
    EXPECT_EQ(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);

    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(fd_of(f), -1) << "descriptor still open";
    for (HANDLE bad : {h, (HANDLE)NULL, INVALID_HANDLE_VALUE}) {
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(bad)) << bad;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE) << bad;
    }
}

// Directories and links are refused, the target untouched; a FIFO without a writer never blocks.
TEST(CreateFile, DirectoriesLinksAndFifos)
{
    TempTree t;
    t.dir("d");
    spit(t.path("target"), "precious");
    t.symlink("link", t.path("target"));
    t.fifo("fifo");
    EXPECT_EQ(create(t.path("d"), GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(create(t.path("link"), GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(slurp(t.path("target")), "precious");

    ChildResult r = run_in_child([&]() -> std::string {
        alarm(20); /* a regression ends the child instead of hanging the suite */
        HANDLE h = create(t.path("fifo"), GENERIC_READ, OPEN_EXISTING);
        return h != INVALID_HANDLE_VALUE && CloseHandle(h) ? "opened" : "refused";
    });
    EXPECT_EQ(r.status, 0) << "the child was killed: " << r.status;
    EXPECT_EQ(r.output, "opened");
}

// DeleteFileA removes files and links (never their targets), refuses directories.
TEST(DeleteFile, FilesOnly)
{
    TempTree t;
    spit(t.path("f"), "x");
    spit(t.path("target"), "kept");
    t.symlink("link", t.path("target"));
    t.dir("d");
    const std::pair<const char *, DWORD> cases[] = {
        {"f", 0}, {"link", 0}, {"d", ERROR_ACCESS_DENIED}, {"missing", ERROR_FILE_NOT_FOUND}};
    for (const auto &[name, error] : cases) {
        SetLastError(0);
        EXPECT_EQ(DeleteFileA(t.path(name).c_str()), error == 0) << name;
        EXPECT_EQ(error ? GetLastError() : 0, error) << name;
        EXPECT_EQ(slurp(t.path(name)) == "<absent>", error != ERROR_ACCESS_DENIED) << name;
    }
    EXPECT_EQ(slurp(t.path("target")), "kept");
}

// GetTempPathA: $TMPDIR if set and non-empty, else /tmp, with a '/'; a small buffer gets nothing.
TEST(TempPath, FromEnvironment)
{
    ChildResult r = run_in_child([]() -> std::string { /* so TMPDIR changes stay there */
        std::string out;
        char buf[MAX_PATH];
        for (const char *tmpdir : {"/var/scratch", "/already/", (const char *)nullptr, ""}) {
            tmpdir ? setenv("TMPDIR", tmpdir, 1) : unsetenv("TMPDIR");
            UINT n = GetTempPathA(sizeof buf, buf);
            out += std::to_string(n) + " " + buf + "\n";
        }
        setenv("TMPDIR", "/var/scratch", 1);
        memset(buf, 'Q', sizeof buf);
        out += std::to_string(GetTempPathA(8, buf)) + " " + buf[0] + " ";
        out += std::to_string(GetTempPathA(0, nullptr)) + " ";
        UINT n = GetTempPathA(14, buf); /* exactly enough room */
        return out + std::to_string(n) + " " + buf;
    });
    EXPECT_EQ(r.output,
              "13 /var/scratch/\n9 /already/\n5 /tmp/\n5 /tmp/\n14 Q 14 13 /var/scratch/");
}

// uUnique 0 makes a new empty file of mode 0600 whatever the umask; a given number only names one.
TEST(TempFileName, CreatesNewPrivateFile)
{
    TempTree t;
    char name[MAX_PATH], second[MAX_PATH];
    mode_t old = umask(0);
    UINT n = GetTempFileNameA(t.root().c_str(), "tarvel", 0, name);
    umask(old);
    ASSERT_NE(n, 0u) << GetLastError();
    EXPECT_EQ(name, temp_name(t.root(), "tar", n));
    struct stat st;
    ASSERT_EQ(lstat(name, &st), 0);
    EXPECT_EQ(st.st_mode, S_IFREG | 0600u) << std::oct << st.st_mode;
    EXPECT_EQ(st.st_size, 0);
    ASSERT_NE(GetTempFileNameA((t.root() + "/").c_str(), "tarvel", 0, second), 0u);
    EXPECT_STRNE(name, second) << "each call makes a new file";

    EXPECT_EQ(GetTempFileNameA(t.root().c_str(), "ab", 0x2A, name), 0x2Au);
    EXPECT_EQ(name, t.root() + "/ab2A.tmp");
    EXPECT_EQ(slurp(name), "<absent>");
    EXPECT_EQ(GetTempFileNameA(t.path("nothere").c_str(), "x", 0, name), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(slurp(t.path("nothere")), "<absent>");
}

// An existing file or link is never opened or changed: the one free name is found, or none.
TEST(TempFileName, NeverTouchesExistingFiles)
{
    TempTree t;
    const std::string &dir = t.root();
    for (unsigned i = 1; i <= 0xFFFF; i++) {
        if (i % 1000 == 7) { /* a dangling link: creating through it would make the target */
            ASSERT_EQ(symlink(t.path("victim").c_str(), temp_name(dir, "x", i).c_str()), 0);
        } else {
            int fd = open(temp_name(dir, "x", i).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            ASSERT_EQ(write(fd, "keep", 4), 4);
            close(fd);
        }
    }
    char name[MAX_PATH];
    SetLastError(0);
    EXPECT_EQ(GetTempFileNameA(dir.c_str(), "x", 0, name), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
    EXPECT_EQ(slurp(t.path("victim")), "<absent>") << "a link was followed";

    ASSERT_EQ(unlink(temp_name(dir, "x", 0xBEEF).c_str()), 0);
    EXPECT_EQ(GetTempFileNameA(dir.c_str(), "x", 0, name), 0xBEEFu);
    EXPECT_EQ(name, temp_name(dir, "x", 0xBEEF));
    EXPECT_EQ(slurp(temp_name(dir, "x", 0x1234)), "keep");
    EXPECT_EQ(slurp(t.path("victim")), "<absent>");
}
