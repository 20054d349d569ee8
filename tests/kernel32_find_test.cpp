// FindFirstFileA / FindNextFileA / FindClose on real trees: kinds, sizes,
// names, mounts, permissions, patterns and descriptor use.
#include <windows.h>

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "childrun.h"
#include "temptree.h"

namespace {

struct Entry {
    DWORD attr = 0;
    uint64_t size = 0;
    int seen = 0;
};

struct Listing {
    bool opened = false;
    DWORD error = 0;     /* last error when FindFirstFileA failed */
    DWORD end_error = 0; /* last error when FindNextFileA said FALSE */
    std::map<std::string, Entry> entries;
};

Listing list(const std::string &pattern)
{
    Listing l;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) {
        l.error = GetLastError();
        return l;
    }
    l.opened = true;
    do {
        Entry &e = l.entries[fd.cFileName];
        e.attr = fd.dwFileAttributes;
        e.size = (uint64_t)fd.nFileSizeHigh << 32 | fd.nFileSizeLow;
        e.seen++;
    } while (FindNextFileA(h, &fd));
    l.end_error = GetLastError();
    EXPECT_TRUE(FindClose(h));
    return l;
}

/* One line per entry, "name attr size", for listings made in a child. */
std::string encode(const Listing &l)
{
    if (!l.opened)
        return "error " + std::to_string(l.error) + "\n";
    std::ostringstream out;
    for (const auto &[name, e] : l.entries)
        out << name << ' ' << e.attr << ' ' << e.size << '\n';
    return out.str();
}

const DWORD DIR = FILE_ATTRIBUTE_DIRECTORY;
const DWORD REPARSE = FILE_ATTRIBUTE_REPARSE_POINT;

/* Plain file: FILE_ATTRIBUTE_NORMAL or ARCHIVE, nothing that marks a directory or link. */
bool plain_file(DWORD attr)
{
    return (attr & (DIR | REPARSE)) == 0 &&
           (attr & (FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_ARCHIVE)) != 0;
}

} // namespace

// Each kind of entry gets the attributes and size the scan relies on.
TEST(FindKinds, AttributesAndSizes)
{
    TempTree t;
    t.file("regular", 1234);
    t.file("empty", 0);
    t.sparse("big", 5ull << 30);
    t.dir("sub");
    std::string target = t.path("sub");
    t.symlink("linkdir", target);
    t.symlink("dangling", "no/such/thing");
    t.fifo("fifo");
    t.socket("sock");

    Listing l = list(pattern_of(t.root()));
    ASSERT_TRUE(l.opened) << "error " << l.error;
    EXPECT_EQ(l.end_error, (DWORD)ERROR_NO_MORE_FILES);
    EXPECT_EQ(l.entries.size(), 10u) << "8 entries plus . and ..";

    auto &reg = l.entries["regular"];
    EXPECT_TRUE(plain_file(reg.attr)) << std::hex << reg.attr;
    EXPECT_EQ(reg.size, 1234u);

    auto &empty = l.entries["empty"];
    EXPECT_TRUE(plain_file(empty.attr)) << std::hex << empty.attr;
    EXPECT_EQ(empty.size, 0u);

    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((t.root() + "/big").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(fd.nFileSizeHigh, 1u);
    EXPECT_EQ(fd.nFileSizeLow, 1u << 30);
    EXPECT_STREQ(fd.cFileName, "big");
    FindClose(h);

    EXPECT_EQ(l.entries["sub"].attr, DIR);

    auto &link = l.entries["linkdir"];
    EXPECT_EQ(link.attr & (DIR | REPARSE), REPARSE) << "a link is a reparse point, never a directory: "
                                                    << std::hex << link.attr;
    EXPECT_EQ(link.size, target.size());

    auto &dangling = l.entries["dangling"];
    EXPECT_EQ(dangling.attr & (DIR | REPARSE), REPARSE) << std::hex << dangling.attr;
    EXPECT_EQ(dangling.size, strlen("no/such/thing"));

    EXPECT_TRUE(plain_file(l.entries["fifo"].attr)) << std::hex << l.entries["fifo"].attr;
    EXPECT_EQ(l.entries["fifo"].size, 0u);
    EXPECT_TRUE(plain_file(l.entries["sock"].attr)) << std::hex << l.entries["sock"].attr;
}

// "." and ".." are yielded once each, as directories.
TEST(FindKinds, DotAndDotDotYielded)
{
    TempTree t;
    Listing l = list(pattern_of(t.root()));
    ASSERT_TRUE(l.opened) << "error " << l.error;
    ASSERT_EQ(l.entries.size(), 2u);
    EXPECT_EQ(l.entries["."].attr, DIR);
    EXPECT_EQ(l.entries["."].seen, 1);
    EXPECT_EQ(l.entries[".."].attr, DIR);
    EXPECT_EQ(l.entries[".."].seen, 1);
}

// A device node is a plain file (made only where mknod is permitted).
TEST(FindKinds, DeviceNodeIsPlainFile)
{
    TempTree t;
    if (mknod(t.path("null").c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0)
        GTEST_SKIP() << "mknod not permitted here: " << strerror(errno);
    Listing l = list(pattern_of(t.root()));
    ASSERT_TRUE(l.opened);
    EXPECT_TRUE(plain_file(l.entries["null"].attr)) << std::hex << l.entries["null"].attr;
    EXPECT_EQ(l.entries["null"].size, 0u);
}

// Names come back byte for byte: '%', blanks, leading dots, "...", non-UTF-8.
TEST(FindNames, ReturnedByteExactly)
{
    TempTree t;
    const std::vector<std::string> names = {"100%", "%s%n%d", " lead and trail ", ".hidden",
                                            "...", "..x", "bad\xff\xfe name", "tab\there"};
    for (const auto &n : names)
        t.file(n, n.size());
    Listing l = list(pattern_of(t.root()));
    ASSERT_TRUE(l.opened);
    EXPECT_EQ(l.entries.size(), names.size() + 2);
    for (const auto &n : names) {
        auto it = l.entries.find(n);
        ASSERT_NE(it, l.entries.end()) << "missing: " << n;
        EXPECT_EQ(it->second.size, n.size()) << n;
        EXPECT_TRUE(plain_file(it->second.attr)) << n;
    }
}

// A directory of many entries (more than one read of the listing) yields each once.
TEST(FindNames, LargeDirectoryComplete)
{
    TempTree t;
    const int n = 5000;
    for (int i = 0; i < n; i++) {
        std::string name = "entry-with-a-rather-long-name-number-" + std::to_string(i);
        int fd = open(t.path(name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        close(fd);
    }
    Listing l = list(pattern_of(t.root()));
    ASSERT_TRUE(l.opened);
    EXPECT_EQ(l.entries.size(), (size_t)n + 2);
    for (const auto &[name, e] : l.entries)
        EXPECT_EQ(e.seen, 1) << name;
}

// A bind mount and a tmpfs mount below the directory are reparse points; a plain
// sub-directory is not. Run in a private mount namespace so nothing leaks.
TEST(FindMounts, MountRootsAreReparsePoints)
{
    TempTree t;
    t.dir("src/inner");
    t.dir("bound");
    t.dir("tmpfs");
    t.dir("plain");
    ChildResult r = run_in_child([&]() -> std::string {
        std::string why = private_mounts();
        if (!why.empty())
            return "skip " + why;
        if (mount(t.path("src").c_str(), t.path("bound").c_str(), nullptr, MS_BIND, nullptr) != 0)
            return std::string("skip mount --bind: ") + strerror(errno);
        if (mount("tarvel-test", t.path("tmpfs").c_str(), "tmpfs", 0, "size=64k") != 0)
            return std::string("skip mount tmpfs: ") + strerror(errno);
        return encode(list(pattern_of(t.root())));
    });
    ASSERT_EQ(r.status, 0) << r.output;
    if (r.output.rfind("skip", 0) == 0)
        GTEST_SKIP() << r.output;
    std::map<std::string, DWORD> attrs;
    std::istringstream in(r.output);
    std::string name;
    DWORD attr;
    uint64_t size;
    while (in >> name >> attr >> size)
        attrs[name] = attr;
    EXPECT_EQ(attrs["bound"], DIR | REPARSE) << r.output;
    EXPECT_EQ(attrs["tmpfs"], DIR | REPARSE) << r.output;
    EXPECT_EQ(attrs["plain"], DIR) << r.output;
    EXPECT_EQ(attrs["src"], DIR) << r.output;
}

// A directory the caller may not read gives INVALID_HANDLE_VALUE and ERROR_ACCESS_DENIED.
TEST(FindPermissions, UnreadableDirectoryRefused)
{
    TempTree t;
    t.file("locked/secret", 10);
    t.chmod("locked", 0700);
    ChildResult r = run_in_child([&]() -> std::string {
        std::string why = drop_to_nobody();
        if (!why.empty())
            return "skip " + why;
        return encode(list(pattern_of(t.path("locked"))));
    });
    ASSERT_EQ(r.status, 0) << r.output;
    if (r.output.rfind("skip", 0) == 0)
        GTEST_SKIP() << r.output;
    EXPECT_EQ(r.output, "error " + std::to_string(ERROR_ACCESS_DENIED) + "\n");
}

// A directory that may be listed but not searched still lists its names; the
// entries that cannot be examined come back as the listing's kind with size 0.
TEST(FindPermissions, ListableButNotSearchable)
{
    TempTree t;
    t.file("listonly/file", 10);
    t.dir("listonly/sub");
    t.chmod("listonly", 0744);
    ChildResult r = run_in_child([&]() -> std::string {
        std::string why = drop_to_nobody();
        if (!why.empty())
            return "skip " + why;
        return encode(list(pattern_of(t.path("listonly"))));
    });
    ASSERT_EQ(r.status, 0) << r.output;
    if (r.output.rfind("skip", 0) == 0)
        GTEST_SKIP() << r.output;
    std::string expected = ". 16 0\n.. 16 0\nfile " + std::to_string(FILE_ATTRIBUTE_NORMAL) +
                           " 0\nsub 16 0\n";
    EXPECT_EQ(r.output, expected);
}

// The forms of the pattern: "*.*" alone, the root, a filter, and what cannot be listed.
TEST(FindPatterns, CurrentDirectoryAndRoot)
{
    TempTree t;
    t.file("here", 3);
    char old[MAX_PATH];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(t.root().c_str()), 0);
    Listing cwd = list("*.*");
    ASSERT_EQ(chdir(old), 0);
    ASSERT_TRUE(cwd.opened) << cwd.error;
    EXPECT_EQ(cwd.entries.size(), 3u);
    EXPECT_EQ(cwd.entries["here"].size, 3u);

    Listing root = list("/*.*");
    ASSERT_TRUE(root.opened) << root.error;
    EXPECT_EQ(root.entries["."].attr, DIR);
    EXPECT_EQ(root.entries[".."].attr, DIR);
    std::string tmpname = t.root().substr(1, t.root().find('/', 1) - 1); /* "tmp" */
    EXPECT_TRUE(root.entries.count(tmpname)) << tmpname;
    EXPECT_EQ(root.entries["proc"].attr, DIR | REPARSE) << "/proc is another mount";
}

TEST(FindPatterns, OtherLastComponentsAreFilters)
{
    TempTree t;
    t.file("a.txt", 1);
    t.file("b.txt", 1);
    t.file("c.dat", 1);
    Listing l = list(t.root() + "/*.txt");
    ASSERT_TRUE(l.opened);
    EXPECT_EQ(l.entries.size(), 2u);
    EXPECT_TRUE(l.entries.count("a.txt") && l.entries.count("b.txt"));

    Listing none = list(t.root() + "/*.none");
    EXPECT_FALSE(none.opened);
    EXPECT_EQ(none.error, (DWORD)ERROR_FILE_NOT_FOUND);
}

TEST(FindPatterns, WhatCannotBeListed)
{
    TempTree t;
    t.file("file", 1);
    t.dir("real");
    t.symlink("link", t.path("real"));

    Listing missing = list(t.path("nothere") + "/*.*");
    EXPECT_FALSE(missing.opened);
    EXPECT_EQ(missing.error, (DWORD)ERROR_PATH_NOT_FOUND);

    Listing link = list(t.path("link") + "/*.*");
    EXPECT_FALSE(link.opened) << "a link to a directory must not be followed";
    EXPECT_EQ(link.error, (DWORD)ERROR_DIRECTORY);

    Listing file = list(t.path("file") + "/*.*");
    EXPECT_FALSE(file.opened);
    EXPECT_EQ(file.error, (DWORD)ERROR_DIRECTORY);

    WIN32_FIND_DATAA fd;
    EXPECT_EQ(FindFirstFileA(nullptr, &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

// Closed and made-up handles are refused, not dereferenced.
TEST(FindHandles, StaleHandlesRefused)
{
    TempTree t;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern_of(t.root()).c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(FindClose(h));
    EXPECT_FALSE(FindNextFileA(h, &fd));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FindClose(h));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    int local = 0;
    EXPECT_FALSE(FindNextFileA(&local, &fd));
    EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(CloseHandle(h)) << "a find handle is closed with FindClose only";
}

namespace {
/* Walks the tree the way the survey does: one enumeration open per level. */
int walk(const std::string &dir, int *files, int *maxdepth, int depth)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern_of(dir).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return (int)GetLastError();
    if (depth > *maxdepth)
        *maxdepth = depth;
    int failure = 0;
    do {
        if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, ".."))
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            failure = walk(dir + "/" + fd.cFileName, files, maxdepth, depth + 1);
        else
            ++*files;
    } while (!failure && FindNextFileA(h, &fd));
    FindClose(h);
    return failure;
}
} // namespace

// Enumerations hold no descriptor: a walk with 300 levels open at once
// succeeds under a limit of 32 descriptors.
TEST(FindDescriptors, DeepWalkUnderLowLimit)
{
    TempTree t;
    std::string rel = "d";
    for (int i = 0; i < 300; i++) {
        t.file(rel + "/f", 1);
        rel += "/d";
    }
    ChildResult r = run_in_child([&]() -> std::string {
        struct rlimit lim = {32, 32};
        if (setrlimit(RLIMIT_NOFILE, &lim) != 0)
            return std::string("setrlimit: ") + strerror(errno);
        int files = 0, depth = 0;
        int failure = walk(t.root(), &files, &depth, 0);
        return std::to_string(failure) + " " + std::to_string(files) + " " + std::to_string(depth);
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "0 300 300") << "failure code, files, deepest level";
}
