// CreateFileA, CloseHandle, DeleteFileA, GetTempPathA and GetTempFileNameA on
// real files.
#include <windows.h>

#include <gtest/gtest.h>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "childrun.h"
#include "temptree.h"

namespace {

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void spit(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

bool exists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

/* The open flags of this process's descriptor on `path`, from /proc. */
std::optional<unsigned long> open_flags_of(const std::string &path)
{
    DIR *d = opendir("/proc/self/fd");
    if (!d)
        return std::nullopt;
    std::optional<unsigned long> flags;
    while (dirent *e = readdir(d)) {
        char target[MAX_PATH];
        std::string link = std::string("/proc/self/fd/") + e->d_name;
        ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        if (n <= 0)
            continue;
        target[n] = '\0';
        if (path != target)
            continue;
        std::ifstream info(std::string("/proc/self/fdinfo/") + e->d_name);
        std::string key;
        while (info >> key)
            if (key == "flags:") {
                std::string octal;
                info >> octal;
                flags = strtoul(octal.c_str(), nullptr, 8);
            }
    }
    closedir(d);
    return flags;
}

/* Sets an environment variable for one test and puts the old value back. */
struct EnvVar {
    std::string name;
    std::optional<std::string> old;
    EnvVar(const char *n, const char *value) : name(n)
    {
        if (const char *v = getenv(n))
            old = v;
        if (value)
            setenv(n, value, 1);
        else
            unsetenv(n);
    }
    ~EnvVar()
    {
        if (old)
            setenv(name.c_str(), old->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
};

HANDLE create(const std::string &path, DWORD access, DWORD disposition)
{
    return CreateFileA(path.c_str(), access, 0, NULL, disposition, FILE_ATTRIBUTE_NORMAL, NULL);
}

} // namespace

// Each creation disposition creates, truncates or refuses as in Win32.
TEST(CreateFile, Dispositions)
{
    TempTree t;
    std::string f = t.path("f");
    spit(f, "old content");

    SetLastError(0);
    EXPECT_EQ(create(f, GENERIC_WRITE, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
    EXPECT_EQ(slurp(f), "old content") << "a refused CREATE_NEW must not touch the file";

    HANDLE h = create(f, GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(slurp(f), "old content");

    h = create(f, GENERIC_WRITE, OPEN_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(slurp(f), "old content") << "OPEN_ALWAYS keeps an existing file";

    h = create(f, GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(slurp(f), "") << "CREATE_ALWAYS truncates";

    spit(f, "again");
    h = create(f, GENERIC_WRITE, TRUNCATE_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(slurp(f), "");

    std::string missing = t.path("missing");
    EXPECT_EQ(create(missing, GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(create(missing, GENERIC_WRITE, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(exists(missing));

    h = create(missing, GENERIC_WRITE, OPEN_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_TRUE(exists(missing));

    h = create(t.path("new"), GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));

    EXPECT_EQ(create(t.path("x"), GENERIC_WRITE, 99), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

// New files get 0666 less the umask, and every descriptor is close-on-exec.
TEST(CreateFile, ModeAndCloseOnExec)
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
    auto flags = open_flags_of(f);
    ASSERT_TRUE(flags.has_value()) << "no descriptor found for " << f;
    EXPECT_TRUE(*flags & O_CLOEXEC) << std::oct << *flags;
    EXPECT_FALSE(*flags & O_NONBLOCK) << std::oct << *flags;
    EXPECT_TRUE(CloseHandle(h));
}

// Directories, and links in the last component, are refused; the link's target
// stays as it was.
TEST(CreateFile, DirectoriesAndLinksRefused)
{
    TempTree t;
    t.dir("d");
    spit(t.path("target"), "precious");
    t.symlink("link", t.path("target"));

    EXPECT_EQ(create(t.path("d"), GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(create(t.path("link"), GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(slurp(t.path("target")), "precious");
}

// Opening a FIFO that has no writer returns at once instead of blocking.
TEST(CreateFile, FifoDoesNotBlock)
{
    TempTree t;
    t.fifo("fifo");
    ChildResult r = run_in_child([&]() -> std::string {
        alarm(20); /* a regression ends the child instead of hanging the suite */
        HANDLE h = create(t.path("fifo"), GENERIC_READ, OPEN_EXISTING);
        bool opened = h != INVALID_HANDLE_VALUE;
        if (opened)
            CloseHandle(h);
        return opened ? "opened" : "refused";
    });
    EXPECT_EQ(r.status, 0) << "the child was killed: " << r.status;
    EXPECT_EQ(r.output, "opened");
}

// CloseHandle closes a handle once; NULL, INVALID_HANDLE_VALUE and a closed
// handle give FALSE and ERROR_INVALID_HANDLE.
TEST(CloseHandleTest, OnlyLiveHandles)
{
    TempTree t;
    HANDLE h = create(t.path("f"), GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(open_flags_of(t.path("f")).has_value()) << "descriptor still open";
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(NULL));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

// DeleteFileA removes files and links (never their targets), refuses directories.
TEST(DeleteFile, FilesOnly)
{
    TempTree t;
    spit(t.path("f"), "x");
    spit(t.path("target"), "kept");
    t.symlink("link", t.path("target"));
    t.dir("d");

    EXPECT_TRUE(DeleteFileA(t.path("f").c_str()));
    EXPECT_FALSE(exists(t.path("f")));
    EXPECT_TRUE(DeleteFileA(t.path("link").c_str()));
    EXPECT_FALSE(exists(t.path("link")));
    EXPECT_EQ(slurp(t.path("target")), "kept");

    EXPECT_FALSE(DeleteFileA(t.path("d").c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_TRUE(exists(t.path("d")));

    EXPECT_FALSE(DeleteFileA(t.path("missing").c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}

// GetTempPathA: $TMPDIR when set and non-empty, else /tmp, always with a '/'.
TEST(TempPath, FromEnvironment)
{
    char buf[MAX_PATH];
    {
        EnvVar e("TMPDIR", "/var/scratch");
        EXPECT_EQ(GetTempPathA(sizeof buf, buf), 13u);
        EXPECT_STREQ(buf, "/var/scratch/");
    }
    {
        EnvVar e("TMPDIR", "/already/");
        EXPECT_EQ(GetTempPathA(sizeof buf, buf), 9u);
        EXPECT_STREQ(buf, "/already/");
    }
    {
        EnvVar e("TMPDIR", nullptr);
        EXPECT_EQ(GetTempPathA(sizeof buf, buf), 5u);
        EXPECT_STREQ(buf, "/tmp/");
    }
    {
        EnvVar e("TMPDIR", "");
        EXPECT_EQ(GetTempPathA(sizeof buf, buf), 5u);
        EXPECT_STREQ(buf, "/tmp/");
    }
}

// A buffer too small gets nothing; the result is the size needed, terminator included.
TEST(TempPath, BufferTooSmall)
{
    EnvVar e("TMPDIR", "/var/scratch");
    char buf[8];
    memset(buf, 'Q', sizeof buf);
    EXPECT_EQ(GetTempPathA(sizeof buf, buf), 14u);
    EXPECT_EQ(buf[0], 'Q');
    EXPECT_EQ(GetTempPathA(0, nullptr), 14u);
    char exact[14];
    EXPECT_EQ(GetTempPathA(sizeof exact, exact), 13u);
    EXPECT_STREQ(exact, "/var/scratch/");
}

// With uUnique 0: a new empty file of mode 0600 (whatever the umask), named
// from the path, three characters of the prefix and the number returned.
TEST(TempFileName, CreatesNewPrivateFile)
{
    TempTree t;
    char name[MAX_PATH];
    mode_t old = umask(0);
    UINT n = GetTempFileNameA(t.root().c_str(), "tarvel", 0, name);
    umask(old);
    ASSERT_NE(n, 0u) << GetLastError();
    char expected[MAX_PATH];
    snprintf(expected, sizeof expected, "%s/tar%X.tmp", t.root().c_str(), n);
    EXPECT_STREQ(name, expected);
    struct stat st;
    ASSERT_EQ(lstat(name, &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u) << std::oct << (st.st_mode & 0777);
    EXPECT_EQ(st.st_size, 0);

    char second[MAX_PATH];
    UINT m = GetTempFileNameA((t.root() + "/").c_str(), "tarvel", 0, second);
    ASSERT_NE(m, 0u);
    EXPECT_STRNE(name, second) << "each call makes a new file";
}

// An existing file or link is never opened or changed: with every name but one
// taken, the call finds that one; with all taken it fails.
TEST(TempFileName, NeverTouchesExistingFiles)
{
    TempTree t;
    std::string dir = t.path("names");
    t.dir("names");
    for (unsigned i = 1; i <= 0xFFFF; i++) {
        char p[MAX_PATH];
        snprintf(p, sizeof p, "%s/x%X.tmp", dir.c_str(), i);
        if (i % 1000 == 7) {
            /* a dangling link: creating through it would make the target */
            ASSERT_EQ(symlink(t.path("victim").c_str(), p), 0);
        } else {
            int fd = open(p, O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(write(fd, "keep", 4), 4);
            close(fd);
        }
    }
    char name[MAX_PATH];
    SetLastError(0);
    EXPECT_EQ(GetTempFileNameA(dir.c_str(), "x", 0, name), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
    EXPECT_FALSE(exists(t.path("victim"))) << "a link was followed";

    char freed[MAX_PATH];
    snprintf(freed, sizeof freed, "%s/x%X.tmp", dir.c_str(), 0xBEEFu);
    ASSERT_EQ(unlink(freed), 0);
    EXPECT_EQ(GetTempFileNameA(dir.c_str(), "x", 0, name), 0xBEEFu);
    EXPECT_STREQ(name, freed);

    char probe[MAX_PATH];
    snprintf(probe, sizeof probe, "%s/x%X.tmp", dir.c_str(), 0x1234u);
    EXPECT_EQ(slurp(probe), "keep");
    EXPECT_FALSE(exists(t.path("victim")));
}

// With uUnique non-zero only the name is formed; nothing is created.
TEST(TempFileName, GivenNumberOnlyFormsName)
{
    TempTree t;
    char name[MAX_PATH];
    EXPECT_EQ(GetTempFileNameA(t.root().c_str(), "ab", 0x2A, name), 0x2Au);
    EXPECT_EQ(std::string(name), t.root() + "/ab2A.tmp");
    EXPECT_FALSE(exists(name));
}

// A directory that does not exist gives 0 and creates nothing.
TEST(TempFileName, MissingDirectory)
{
    TempTree t;
    char name[MAX_PATH];
    EXPECT_EQ(GetTempFileNameA(t.path("nothere").c_str(), "x", 0, name), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(exists(t.path("nothere")));
}
