// FindFirstFileA / FindNextFileA / FindClose on real trees.
#include <windows.h>

#include <gtest/gtest.h>

#include <errno.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

#include <map>
#include <string>

#include "childrun.h"
#include "platform_testing.h"
#include "temptree.h"

namespace {

const DWORD DIR = FILE_ATTRIBUTE_DIRECTORY, REPARSE = FILE_ATTRIBUTE_REPARSE_POINT;

/* name -> "kind size" as lines, sorted by name: a listing comparable as a whole. */
std::string lines(const std::map<std::string, std::string> &entries)
{
    std::string out;
    for (const auto &[name, kind_size] : entries)
        out += name + " " + kind_size + "\n";
    return out;
}

/* The whole enumeration as lines (a name yielded twice shows two kinds), or "error N". */
std::string listing(const std::string &pattern)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return "error " + std::to_string(GetLastError()) + "\n";
    const std::map<DWORD, std::string> kinds = {
        {FILE_ATTRIBUTE_NORMAL, "file"}, {DIR, "dir"}, {REPARSE, "link"}, {DIR | REPARSE, "mount"}};
    std::map<std::string, std::string> entries;
    do {
        DWORD a = fd.dwFileAttributes;
        uint64_t size = (uint64_t)fd.nFileSizeHigh << 32 | fd.nFileSizeLow;
        entries[fd.cFileName] +=
            (kinds.count(a) ? kinds.at(a) : "attr" + std::to_string(a)) + " " + std::to_string(size);
    } while (FindNextFileA(h, &fd));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_MORE_FILES) << pattern;
    EXPECT_TRUE(FindClose(h));
    return lines(entries);
}

/* Walks as the survey does, one enumeration open per level: files found, or -error. */
long walk(const std::string &dir, int depth, int *maxdepth)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern_of(dir).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return -(long)GetLastError();
    *maxdepth = std::max(*maxdepth, depth);
    long files = 0, n = 0;
    do {
        if (strcmp(fd.cFileName, ".") && strcmp(fd.cFileName, ".."))
            files += n = fd.dwFileAttributes & DIR ? walk(dir + "/" + fd.cFileName, depth + 1, maxdepth) : 1;
    } while (n >= 0 && FindNextFileA(h, &fd));
    FindClose(h);
    return n < 0 ? n : files;
}

} // namespace

// The root's listing (other mounts as reparse points); what cannot be listed
// (missing, a link anywhere in the path, a file); stale and made-up handles.
TEST(FindPatterns, RootAndFailures)
{
    TempTree t;
    t.file("a.txt", 1);
    t.symlink("link", t.root());
    std::string root = "\n" + listing("/*.*"), tmpname = t.root().substr(0, t.root().find('/', 1));
    for (std::string line :
         {std::string("\n. dir 0\n"), std::string("\nproc mount 0\n"), "\n" + tmpname.substr(1) + " "})
        EXPECT_NE(root.find(line), std::string::npos) << line << " not in" << root;
    const std::string gone = "error " + std::to_string(ERROR_PATH_NOT_FOUND) + "\n";
    EXPECT_EQ(listing(t.path("nothere") + "/*.*"), gone);
    EXPECT_EQ(listing(t.path("link") + "/*.*"), gone) << "a link is not followed: as if gone";
    EXPECT_EQ(listing(t.path("link/link") + "/*.*"), gone) << "nor one higher up";
    EXPECT_EQ(listing(t.path("a.txt") + "/*.*"), "error " + std::to_string(ERROR_DIRECTORY) + "\n");
    WIN32_FIND_DATAA fd;
    EXPECT_EQ(FindFirstFileA(nullptr, &fd), INVALID_HANDLE_VALUE);
    HANDLE h = FindFirstFileA(pattern_of(t.root()).c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(FindClose(h));
    for (HANDLE bad : {h, (HANDLE)&fd}) {
        EXPECT_FALSE(FindNextFileA(bad, &fd));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        EXPECT_FALSE(FindClose(bad));
    }
    EXPECT_FALSE(CloseHandle(h)) << "a find handle is closed with FindClose only";
}

// Without openat2 (a kernel before 5.6, a seccomp filter), the walk component
// by component refuses links alike, and needs no more than search permission
// on the directories above: an ordinary user lists a directory below a home
// of mode 711.
TEST(FindPatterns, WithoutOpenat2)
{
    TempTree t;
    t.file("home/d/f", 1);
    t.symlink("link", t.root());
    t.chmod("home", 0711);
    std::string out = child_output([&] {
        testhooks::lack_openat2(true);
        std::string seen = listing(t.path("link/home") + "/*.*") + listing(t.path("home/link") + "/*.*") +
                           listing("/*.*").substr(0, 8);
        if (setgid(65534) != 0 || setuid(65534) != 0)
            return "SKIP cannot become nobody: " + std::string(strerror(errno));
        return seen + listing(t.path("home/d") + "/*.*");
    });
    if (IsSkipped())
        return;
    const std::string gone = "error " + std::to_string(ERROR_PATH_NOT_FOUND) + "\n";
    EXPECT_EQ(out, gone + gone + listing("/*.*").substr(0, 8) + listing(t.path("home/d") + "/*.*"));
}

// Enumerations hold no descriptor: 300 levels open at once under RLIMIT_NOFILE 32.
TEST(FindDescriptors, DeepWalkUnderLowLimit)
{
    TempTree t;
    std::string rel = "d";
    for (int i = 0; i < 300; i++, rel += "/d")
        t.file(rel + "/f", 1);
    std::string out = child_output([&]() -> std::string {
        struct rlimit lim = {32, 32};
        if (setrlimit(RLIMIT_NOFILE, &lim) != 0)
            return std::string("setrlimit: ") + strerror(errno);
        int depth = 0;
        long files = walk(t.root(), 0, &depth);
        return std::to_string(files) + " " + std::to_string(depth);
    });
    EXPECT_EQ(out, "300 300") << "files (or -error), deepest level";
}
