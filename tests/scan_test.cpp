// The tree scan: report lines, figures and their order for real trees.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/sysmacros.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "childrun.h"
#include "report_fixture.h"
#include "temptree.h"

namespace {

class ScanTest : public ReportTest {
protected:
    TempTree tree;

    // Scans `rel` below the tree with the given cluster size.
    double scan(const std::string &rel, DWORD bpc, double *waste = nullptr)
    {
        return scan_tree(tree.path(rel), bpc, waste);
    }
    std::string pat(const std::string &rel) { return pattern_of(tree.path(rel)); }
};

// Short lines: an empty and a missing directory give zeros and a bar of 0
// (the missing one is a directory not read: the survey says so);
// empty and exact-multiple files waste nothing, 4097 bytes waste 4095, and
// kilobytes are rounded (8193 bytes: 8K; 4095: 4K); one byte on 32 KiB
// clusters is 0K used and 32K wasted; on clusters of 1000 bytes, which are no
// power of two, 2000 bytes waste nothing and 1001 waste 999.
TEST_F(ScanTest, ShortLinesWasteAndRounding)
{
    tree.dir("empty");
    tree.file("files/empty", 0);
    tree.file("files/exact", 4096);
    tree.file("files/oneover", 4097);
    tree.file("byte/a", 1);
    tree.file("thousand/a", 2000);
    tree.file("thousand/b", 1001);
    const struct {
        const char *dir;
        DWORD bpc;
        double used, waste;
        const char *line;
    } cases[] = {{"empty", 4096, 0, 0, " 0K used, 0K wasted"},
                 {"gone", 4096, 0, 0, " 0K used, 0K wasted"},
                 {"files", 4096, 8193, 4095, " 8K used, 4K wasted"},
                 {"byte", 32768, 1, 32767, " 0K used, 32K wasted"},
                 {"thousand", 1000, 3001, 999, " 3K used, 1K wasted"}};
    for (const auto &c : cases) {
        reset_report();
        double w = -1;
        EXPECT_EQ(scan(c.dir, c.bpc, &w), c.used) << c.dir;
        EXPECT_EQ(dgl.unread, std::string(c.dir) == "gone") << c.dir;
        EXPECT_EQ(w, c.waste) << c.dir;
        EXPECT_EQ(report_lines(), std::vector<std::string>{pat(c.dir) + c.line});
        EXPECT_EQ(report_bars(), std::vector<double>{c.used}) << c.dir;
    }
    EXPECT_TRUE(boxes().empty());
}

// Long form: here and sub dir split; lines in post-order with their bars; a
// parent whose sub-directories hold no file at any depth keeps the short
// form; every enumeration is closed afterwards.
TEST_F(ScanTest, LongFormAndPostOrder)
{
    tree.file("top/f", 100);
    tree.file("top/b/c/g", 2000);
    tree.dir("top/d/e");
    double w;
    EXPECT_EQ(scan("top", 4096, &w), 2100u);
    EXPECT_EQ(w, 3996.0 + 2096.0);
    const std::string c = pat("top/b/c") + " 2K used, 2K wasted",
                      b = pat("top/b") + " 2K used (0K here, 2K sub dir), 2K wasted (0K here, 2K sub dir)",
                      e = pat("top/d/e") + " 0K used, 0K wasted", d = pat("top/d") + " 0K used, 0K wasted",
                      top = pat("top") + " 2K used (0K here, 2K sub dir), 6K wasted (4K here, 2K sub dir)";
    /* Siblings in the order the directory lists them; each sub-tree before its parent. */
    using L = std::vector<std::string>;
    EXPECT_TRUE(report_lines() == (L{c, b, e, d, top}) || report_lines() == (L{e, d, c, b, top}))
        << ::testing::PrintToString(report_lines());
    auto bars = report_bars();
    EXPECT_EQ(bars.back(), 2100.0);
    EXPECT_EQ(std::count(bars.begin(), bars.end(), 2000.0), 2);
    EXPECT_EQ(testhooks::live_find_handles(), 0u) << "every enumeration is closed";
}

// What counts as a file: names that merely begin with dots ("." and ".."
// never), names with conversions, markup or bytes that are not UTF-8 as they
// are, links at their own size and never entered, FIFOs, sockets and device
// nodes at theirs and never opened (an open FIFO without writer would block),
// sizes beyond 32 bits whole.
TEST_F(ScanTest, WhatCountsAsAFile)
{
    tree.file("t/.hidden", 1024);
    tree.file("t/...", 2048);
    tree.file("t/..x/f", 3072);
    for (const char *odd : {"100%d %s %n", "<b>bold<i>", "bad\xff\xfe-utf8", "line\nbreak"})
        tree.file(std::string("t/") + odd + "/f", 1);
    tree.file("real/big", 10000);
    tree.symlink("t/link", "../real");     // 7 bytes of target
    tree.symlink("t/dangling", "nowhere"); // 7 bytes
    tree.fifo("t/fifo");
    tree.socket("t/sock");
    mknod(tree.path("t/null").c_str(), S_IFCHR | 0600, makedev(1, 3)); /* where the machine lets us */
    tree.sparse("t/huge", 5ull << 30);                                 /* beyond 32 bits */
    double w;
    EXPECT_EQ(scan("t", 1024, &w), 1024 + 2048 + 3072 + 4 + 14 + (5ull << 30));
    auto lines = report_lines();
    ASSERT_EQ(lines.size(), 6u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines.back(), pat("t") + " 5242886K used (5242883K here, 3K sub dir), 6K wasted (2K here, 4K sub dir)");
    std::string all = "\n";
    for (const std::string &l : lines)
        all += l + "\n";
    for (const char *odd : {"..x", "100%d %s %n", "<b>bold<i>", "bad\xff\xfe-utf8", "line\nbreak"})
        EXPECT_NE(all.find("\n" + pat(std::string("t/") + odd) + " "), std::string::npos) << odd;
    EXPECT_TRUE(boxes().empty());
}

// A sub-directory is entered while dir + name <= MAX_PATH - 2 (a pattern of
// MAX_PATH - 1); one character more gives one "Directory Path too long" and
// it is left out of every figure.
TEST_F(ScanTest, PathLengthBoundary)
{
    std::string rel, parentpat = pat(""); /* a parent pattern long enough, in 200-character steps */
    while (MAX_PATH - 2 - parentpat.size() > 150) {
        rel += (rel.empty() ? "" : "/") + std::string(std::min<size_t>(200, MAX_PATH - 103 - parentpat.size()), 'p');
        parentpat = pat(rel);
    }
    const size_t fitting = (MAX_PATH - 2) - parentpat.size();
    tree.file(rel + "/" + std::string(fitting, 'k') + "/f", 1024);
    tree.file(rel + "/" + std::string(fitting + 1, 'o') + "/f", 1024);
    scan(rel, 1024);
    const std::string okpat = parentpat.substr(0, parentpat.size() - 3) + std::string(fitting, 'k') + "/*.*";
    EXPECT_EQ(okpat.size(), (size_t)MAX_PATH - 1);
    EXPECT_EQ(report_lines(), (std::vector<std::string>{
                                  okpat + " 1K used, 0K wasted",
                                  parentpat + " 1K used (0K here, 1K sub dir), 0K wasted (0K here, 0K sub dir)"}));
    ASSERT_EQ(box_texts(), std::vector<std::string>{"Failure: Directory Path too long"});
    EXPECT_EQ(boxes()[0].type, (UINT)MB_ICONEXCLAMATION);
}

// An allocation failure loses exactly that line, once, with one error box;
// the other lines are all there and the figures still count it.
TEST_F(ScanTest, AllocationFailureLosesOneLine)
{
    tree.file("r/x/f", 2048);
    scan("r", 1024);
    auto whole = report_lines();
    ASSERT_EQ(whole.size(), 2u);
    for (int nth : {1, 2}) { /* the node, then the text block */
        reset_report();
        testhooks::clear_recorded_message_boxes();
        testhooks::fail_global_alloc(nth);
        scan("r", 1024);
        EXPECT_EQ(report_lines(), std::vector<std::string>{whole[1]}) << "nth=" << nth;
        expect_chain_consistent();
        ASSERT_EQ(box_texts(), std::vector<std::string>{"Error: Memory allocation failed <8>"});
        EXPECT_EQ(boxes()[0].type, (UINT)MB_ICONHAND);
    }
}

// A directory swapped for a link while the scan is inside the tree is never
// followed, whether it is the one about to be entered or one higher up. The
// swap happens as the first of two siblings gets its line. Without read-ahead
// the other then counts as gone; with it, it may have been read already and
// counts as it was. Either way nothing of the link's target is counted, and
// a directory gone is no failure.
namespace swap {
std::string b, c, victim, target; /* the siblings; the parent to swap, or "" for the sibling */
void directory(const char *dir, double, double, double, double)
{
    if (dir != b && dir != c)
        return;
    const std::string &other = dir == b ? c : b;
    if (victim.empty())
        victim = other;
    if (rename(victim.c_str(), (victim + ".old").c_str()) != 0 || symlink(target.c_str(), victim.c_str()) != 0)
        ADD_FAILURE() << "could not swap " << victim;
    b = c = "";
}
const struct scanwatch_ watch = {directory, nullptr, nullptr, nullptr, nullptr};
} // namespace swap

TEST_F(ScanTest, SwappedForALinkIsNotFollowed)
{
    tree.file("elsewhere/b/big", 100000);
    tree.file("elsewhere/c/big", 100000);
    for (const char *readahead : {"0", "1"})
        for (const std::string which : {"sibling", "parent"}) {
            SCOPED_TRACE(which + ", TARVEL_READAHEAD=" + readahead);
            reset_report();
            const std::string a = which + readahead + "/a";
            tree.file(a + "/b/f", 1000);
            tree.file(a + "/c/f", 1000);
            swap::b = tree.path(a + "/b");
            swap::c = tree.path(a + "/c");
            swap::victim = which == "parent" ? tree.path(a) : "";
            swap::target = tree.path("elsewhere");
            setenv("TARVEL_READAHEAD", readahead, 1);
            scanwatch = &swap::watch;
            scan(a, 1024);
            scanwatch = nullptr;
            unsetenv("TARVEL_READAHEAD");
            const auto lines = report_lines();
            ASSERT_EQ(lines.size(), 3u);
            /* The other sibling: gone (0K), or read ahead before the swap (1K). */
            const bool gone = lines[1].find(" 0K used, 0K wasted") != std::string::npos;
            EXPECT_TRUE(gone || (lines[1].find(" 1K used, 0K wasted") != std::string::npos && readahead[0] == '1'));
            const std::string k = gone ? "1K" : "2K", unwasted = ", 0K wasted (0K here, 0K sub dir)";
            EXPECT_EQ(lines[2], pat(a) + " " + k + " used (0K here, " + k + " sub dir)" + unwasted);
            EXPECT_EQ(dgl.unread, 0) << "a directory gone is no failure";
        }
}

std::vector<std::string> told; /* the directories the scan could not read whole, with the system's words */
void record_unreadable(const char *dir, DWORD code)
{
    char words[256] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code, 0, words,
                             sizeof words, NULL);
    while (n > 0 && (words[n - 1] == '\n' || words[n - 1] == '\r'))
        words[--n] = '\0';
    told.push_back(std::string(dir) + ": " + (n ? words : "code " + std::to_string(code)));
}
const struct scanwatch_ recorder = {nullptr, record_unreadable, nullptr, nullptr, nullptr};

// A directory that cannot be listed because the machine ran out of file
// descriptors is no silent 0K line: one error box with ERROR_TOO_MANY_OPEN_FILES,
// the directory named to whoever watches (the headless tool), and the line is
// missing, as when a line cannot be stored.
TEST_F(ScanTest, OutOfDescriptorsIsTold)
{
    tree.file("d/sub/f", 100);
    std::string pattern = pat("d");
    /* In the child, nothing but plain calls: the sanitizers' own checks need
     * descriptors there is none of. */
    ChildResult r = run_in_child([pattern]() mutable {
        if (std::string why = leave_descriptors(0); !why.empty())
            return why;
        dgl.bpc = 1024;
        scanwatch = &recorder;
        double w, used = doitto(pattern.data(), &w);
        std::string out = std::to_string(used) + " " + std::to_string(report_lines().size());
        for (const auto &b : testhooks::recorded_message_boxes())
            out += " | " + b.caption + ": " + b.text;
        for (const std::string &t : told)
            out += " | " + t;
        return out;
    });
    EXPECT_EQ(r.output,
              "0.000000 0 | Error: Memory allocation failed <4> | " + tree.path("d") + ": Too many open files");
}

// Without openat2 (a kernel before 5.6, a seccomp filter), the walk goes
// component by component: it refuses a link as the directory or higher up,
// as if gone, and needs no more than search permission on the directories
// above, so an ordinary user scans below a home of mode 711.
TEST_F(ScanTest, WithoutOpenat2)
{
    tree.file("home/d/f", 1024);
    tree.symlink("home/link", "d");
    tree.symlink("up", "home");
    tree.chmod("home", 0711);
    std::string out = child_output([&] {
        testhooks::lack_openat2(true);
        if (setgid(65534) != 0 || setuid(65534) != 0)
            return "SKIP cannot become nobody: " + std::string(strerror(errno));
        std::string lines;
        for (const char *rel : {"home/d", "home/link", "up/d"}) {
            reset_report();
            scan(rel, 1024);
            for (const std::string &l : report_lines())
                lines += l + "\n";
        }
        return lines;
    });
    if (IsSkipped())
        return;
    EXPECT_EQ(out, pat("home/d") + " 1K used, 0K wasted\n" + pat("home/link") + " 0K used, 0K wasted\n" + pat("up/d") +
                       " 0K used, 0K wasted\n");
}

// A listing that is not whole is counted as far as it was read, and told once
// per directory with the system's own words, read-ahead on and off: an entry
// whose size cannot be read (EIO or ENOTDIR on its statx: only ENOENT means it
// has gone), a read of a directory that fails part way (EBADMSG, a checksum
// error, on the second of its reads), a directory whose first read fails
// (EAGAIN, ENOSPC). The rest of the tree counts in full.
TEST_F(ScanTest, IncompleteListingsAreCountedAndTold)
{
    tree.file("a/ok", 1000);
    tree.file("a/bad", 3000);
    tree.file("b/f", 10);
    for (int i = 0; i < 5000; i++)
        tree.file("many/f" + std::to_string(10000 + i), 1);
    for (const char *readahead : {"1", "0"}) {
        setenv("TARVEL_READAHEAD", readahead, 1);
        struct {
            const char *rel;
            int statx_errno, getdents_errno;
            unsigned read;
            std::string lines, told; /* the lines' used bytes, and what was told */
        } cases[] = {
            {"a", EIO, 0, 0, "1000", tree.path("a") + ": Input/output error"},
            {"a", ENOTDIR, 0, 0, "1000", tree.path("a") + ": Not a directory"},
            {"many", 0, EBADMSG, 1, "partial", tree.path("many") + ": Bad message"},
            {"b", 0, EAGAIN, 0, "0", tree.path("b") + ": Resource temporarily unavailable"},
            {"b", 0, ENOSPC, 0, "0", tree.path("b") + ": No space left on device"},
        };
        for (const auto &c : cases) {
            SCOPED_TRACE(c.told + ", read-ahead " + readahead);
            reset_report();
            told.clear();
            dgl.unread = 0;
            scanwatch = &recorder;
            testhooks::fail_directory_reads("bad", c.statx_errno, c.read, c.getdents_errno);
            double used = scan(c.rel, 1024);
            testhooks::fail_directory_reads("", 0, 0, 0);
            scanwatch = nullptr;
            EXPECT_EQ(told, std::vector<std::string>{c.told});
            EXPECT_EQ(dgl.unread, 1);
            if (std::string(c.lines) == "partial") /* a large buffer may hold them all at the first read */
                EXPECT_TRUE(used > 0 && used <= 5000) << used;
            else
                EXPECT_EQ(std::to_string((long)used), c.lines);
        }
        reset_report();
        told.clear();
        scanwatch = &recorder;
        EXPECT_EQ(scan("", 1024), 1000 + 3000 + 10 + 5000);
        scanwatch = nullptr;
        EXPECT_EQ(told, std::vector<std::string>{}) << "the whole tree, without faults";
    }
    unsetenv("TARVEL_READAHEAD");
}

// Sizes beyond 32 bits are whole, and sums beyond 2^64 bytes (three sparse
// files of 8 EiB on a tmpfs) stay consistent: the parent's "sub dir" is what
// its sub-directory's line says.
TEST_F(ScanTest, SumsBeyondSixtyFourBits)
{
    std::string out = child_output([&] {
        if (std::string why = private_tmpfs(tree.root(), "size=1m"); !why.empty())
            return why;
        tree.dir("d/sub");
        for (int i = 0; i < 3; ++i) {
            int fd = open(tree.path("d/sub/f" + std::to_string(i)).c_str(), O_CREAT | O_WRONLY, 0600);
            if (fd < 0 || ftruncate(fd, INT64_MAX) != 0)
                return std::string("SKIP no 8 EiB files here");
            close(fd);
        }
        double used = scan("d", 4096);
        std::string lines;
        for (auto &l : report_lines())
            lines += l.substr(tree.root().size()) + "\n";
        return lines + (used == 3.0 * INT64_MAX ? "total exact" : "total " + std::to_string(used));
    });
    if (IsSkipped())
        return;
    const std::string k = "27021597764222976K"; /* 3 x (2^63 - 1) bytes / 1024 */
    EXPECT_EQ(out, "/d/sub/*.* " + k + " used, 0K wasted\n/d/*.* " + k + " used (0K here, " + k +
                       " sub dir), 0K wasted (0K here, 0K sub dir)\ntotal exact");
}

// The directory surveyed must be there to be read: removed, or swapped for a
// link, once the survey has begun, it is a directory not read completely (a
// line of nothing, counted for the survey's box, told to whoever watches),
// where one below it would simply have gone. As the current directory
// (GetCurrentDirectoryA's path) the directory entered is the one listed:
// removed, that is told; swapped for a link, it is still the one surveyed.
TEST_F(ScanTest, SurveyedDirectoryMustBeThere)
{
    tree.file("elsewhere/big", 100000);
    char old[MAX_PATH];
    ASSERT_TRUE(GetCurrentDirectoryA(MAX_PATH, old));
    for (bool current : {false, true})
        for (const std::string change : {"removed", "swapped"}) {
            const std::string rel = change + (current ? "-entered" : ""), top = tree.path(rel);
            SCOPED_TRACE(rel);
            tree.file(rel + "/f", 1024);
            reset_report();
            told.clear();
            dgl.unread = 0;
            if (current) {
                char here[MAX_PATH];
                ASSERT_TRUE(SetCurrentDirectoryA(top.c_str()) && GetCurrentDirectoryA(MAX_PATH, here));
            }
            bool done = false;
            testhooks::before_directory_read([&](const char *dir) {
                if (done || dir != top)
                    return;
                done = true;
                if (change == "removed")
                    run_command("rm -rf " + quote(top), nullptr, nullptr);
                else if (rename(top.c_str(), (top + ".old").c_str()) != 0 ||
                         ::symlink(tree.path("elsewhere").c_str(), top.c_str()) != 0)
                    ADD_FAILURE() << "could not swap " << top;
            });
            scanwatch = &recorder;
            scan(rel, 1024);
            scanwatch = nullptr;
            testhooks::before_directory_read(nullptr);
            SetCurrentDirectoryA(old);
            EXPECT_TRUE(done);
            const bool surveyed = current && change == "swapped";
            EXPECT_EQ(report_lines(),
                      std::vector<std::string>{pat(rel) + (surveyed ? " 1K" : " 0K") + " used, 0K wasted"});
            EXPECT_EQ(dgl.unread, surveyed ? 0 : 1);
            EXPECT_EQ(told, surveyed ? std::vector<std::string>{}
                                     : std::vector<std::string>{top + ": No such file or directory"});
        }
}

// A directory mounted over after its parent was listed (a user may mount a
// FUSE filesystem in a directory of theirs at any time) is left out as one
// mounted before: no line and none of its bytes, whether the walk or the
// read-ahead opens it; one mounted before is not even opened. And where the
// path of the current directory has come to name another (a mount laid over
// it), the directory entered is listed.
TEST_F(ScanTest, MountsMadeDuringTheWalk)
{
    tree.file("mt/a/f", 1024);
    tree.file("mt/b/f", 2048);
    tree.file("other/big", 100000);
    tree.file("entered/f", 1024);
    tree.dir("mt/before");
    std::string out = child_output([&] {
        if (std::string why = private_tmpfs(tree.path("mt/before"), "size=1m"); !why.empty())
            return why;
        std::string lines;
        for (const char *readahead : {"0", "1"}) {
            setenv("TARVEL_READAHEAD", readahead, 1);
            reset_report();
            std::atomic<bool> mounted{false};
            std::atomic<int> failed{0};
            testhooks::before_directory_read([&](const char *dir) {
                if (dir == tree.path("mt/before"))
                    failed = -1;
                if (dir == tree.path("mt/a") && !mounted.exchange(true) &&
                    mount(tree.path("other").c_str(), dir, nullptr, MS_BIND, nullptr) != 0)
                    failed = errno;
            });
            scan("mt", 1024);
            testhooks::before_directory_read(nullptr);
            if (failed < 0)
                return std::string("a mount point was opened");
            if (failed)
                return "SKIP bind mount: " + std::string(strerror(failed));
            umount(tree.path("mt/a").c_str());
            for (const std::string &l : report_lines())
                lines += l + "\n";
        }
        char here[MAX_PATH];
        if (!SetCurrentDirectoryA(tree.path("entered").c_str()) || !GetCurrentDirectoryA(MAX_PATH, here))
            return std::string("cannot enter the directory");
        if (std::string why = private_tmpfs(here, "size=1m"); !why.empty())
            return why;
        reset_report();
        scan("entered", 1024);
        return lines + report_lines().at(0);
    });
    if (IsSkipped())
        return;
    const std::string walk = pat("mt/b") + " 2K used, 0K wasted\n" + pat("mt") +
                             " 2K used (0K here, 2K sub dir), 0K wasted (0K here, 0K sub dir)\n";
    EXPECT_EQ(out, walk + walk + pat("entered") + " 1K used, 0K wasted");
}

} // namespace
