// The tree scan: report lines, figures and their order for real trees.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/sysmacros.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
        dgl.bpc = bpc;
        std::string pat = pattern_of(tree.path(rel));
        std::vector<char> buf(pat.begin(), pat.end());
        buf.push_back('\0');
        double w = -1;
        double t = doitto(buf.data(), &w);
        if (waste) *waste = w;
        return t;
    }
    std::string pat(const std::string &rel) { return pattern_of(tree.path(rel)); }
    size_t index_of(const std::string &prefix)
    {
        auto lines = report_lines();
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].rfind(prefix + " ", 0) == 0) return i;
        return std::string::npos;
    }
};

// An empty directory: the short form with zeros, and a bar of 0.
TEST_F(ScanTest, EmptyDirectoryGetsZeroLine)
{
    double w;
    EXPECT_EQ(scan("", 4096, &w), 0u);
    EXPECT_EQ(w, 0.0);
    ASSERT_EQ(report_lines(), std::vector<std::string>{pat("") + " 0K used, 0K wasted"});
    EXPECT_EQ(report_bars(), std::vector<double>{0.0});
    EXPECT_TRUE(boxes().empty());
}

// Waste of empty, exact-multiple and one-over files, and kilobyte rounding.
TEST_F(ScanTest, WasteAndKilobyteRounding)
{
    tree.file("empty", 0);
    tree.file("exact", 4096);
    tree.file("oneover", 4097);
    double w;
    EXPECT_EQ(scan("", 4096, &w), 8193u);
    EXPECT_EQ(w, 4095.0) << "empty and exact files waste nothing, 4097 bytes waste 4095";
    // 8193 / 1024 = 8.0009 -> 8K; 4095 / 1024 = 3.999 -> 4K
    EXPECT_EQ(report_lines(), std::vector<std::string>{pat("") + " 8K used, 4K wasted"});
    EXPECT_EQ(report_bars(), std::vector<double>{8193.0});
}

// One byte on 32 KiB clusters: 0K used, 32K wasted.
TEST_F(ScanTest, OneByteOnLargeClusters)
{
    tree.file("a", 1);
    scan("", 32768);
    EXPECT_EQ(report_lines(), std::vector<std::string>{pat("") + " 0K used, 32K wasted"});
}

// Long form: here and sub dir split; lines in post-order with their bars.
TEST_F(ScanTest, LongFormAndPostOrder)
{
    tree.file("top/f", 100);
    tree.file("top/b/c/g", 2000);
    tree.dir("top/d");
    double w;
    EXPECT_EQ(scan("top", 4096, &w), 2100u);
    EXPECT_EQ(w, 3996.0 + 2096.0);

    auto lines = report_lines();
    ASSERT_EQ(lines.size(), 4u);
    size_t c = index_of(pat("top/b/c")), b = index_of(pat("top/b")), d = index_of(pat("top/d"));
    ASSERT_NE(c, std::string::npos);
    ASSERT_NE(b, std::string::npos);
    ASSERT_NE(d, std::string::npos);
    EXPECT_LT(c, b) << "a sub-directory's line comes before its parent's";
    EXPECT_EQ(b, c + 1) << "C is B's only sub-directory";
    EXPECT_EQ(lines[3], pat("top") +
                            " 2K used (0K here, 2K sub dir), 6K wasted (4K here, 2K sub dir)");
    EXPECT_EQ(lines[c], pat("top/b/c") + " 2K used, 2K wasted");
    EXPECT_EQ(lines[b], pat("top/b") +
                            " 2K used (0K here, 2K sub dir), 2K wasted (0K here, 2K sub dir)");
    EXPECT_EQ(lines[d], pat("top/d") + " 0K used, 0K wasted");
    auto bars = report_bars();
    EXPECT_EQ(bars[3], 2100.0);
    EXPECT_EQ(bars[b], 2000.0);
    EXPECT_EQ(bars[d], 0.0);
    EXPECT_EQ(testhooks::live_find_handles(), 0u) << "every enumeration is closed";
}

// A parent whose sub-directories are all empty (at any depth) keeps the short form.
TEST_F(ScanTest, EmptySubdirectoriesAddNothing)
{
    tree.dir("p/e1");
    tree.dir("p/e2/e3");
    tree.file("p/f", 10);
    scan("p", 4096);
    auto lines = report_lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines.back(), pat("p") + " 0K used, 4K wasted");
}

// "." and ".." are skipped; names that merely begin with dots are counted.
TEST_F(ScanTest, DotNamesCounted)
{
    tree.file(".hidden", 1024);
    tree.file("...", 2048);
    tree.file("..x/f", 3072);
    scan("", 1024);
    auto lines = report_lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], pat("..x") + " 3K used, 0K wasted");
    EXPECT_EQ(lines[1], pat("") + " 6K used (3K here, 3K sub dir), 0K wasted (0K here, 0K sub dir)");
}

// Names with conversions, markup, blanks and bytes that are not UTF-8 appear verbatim.
TEST_F(ScanTest, OddNamesVerbatim)
{
    const std::vector<std::string> names = {"100%d %s %n", "<b>bold</b>", " lead and trail ",
                                            std::string("bad\xff\xfe-utf8"), "line\nbreak"};
    for (auto &n : names) tree.file(n + "/f", 1);
    scan("", 512);
    for (auto &n : names)
        EXPECT_NE(index_of(pat(n)), std::string::npos) << "no line for " << n;
    EXPECT_TRUE(boxes().empty());
}

// Links are files of their own size and never entered; FIFOs and sockets are
// files too and never opened (an open FIFO without writer would block).
TEST_F(ScanTest, LinksAndSpecialFilesAreFiles)
{
    tree.file("real/big", 10000);
    tree.symlink("t/link", "../real");      // 7 bytes of target
    tree.symlink("t/dangling", "nowhere");  // 7 bytes
    tree.fifo("t/fifo");
    tree.socket("t/sock");
    double w;
    EXPECT_EQ(scan("t", 4096, &w), 14u);
    EXPECT_EQ(w, 2.0 * (4096 - 7));
    EXPECT_EQ(report_lines(), std::vector<std::string>{pat("t") + " 0K used, 8K wasted"});
}

// A device node counts as a file of its size (0) and is never opened.
TEST_F(ScanTest, DeviceNodeIsAFile)
{
    if (mknod(tree.path("null").c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make a device node here: " << strerror(errno);
    EXPECT_EQ(scan("", 4096), 0u);
    EXPECT_EQ(report_lines(), std::vector<std::string>{pat("") + " 0K used, 0K wasted"});
}

// A mount below the directory is neither entered nor given a line.
TEST_F(ScanTest, OtherMountNotEntered)
{
    tree.file("src/data", 8192);
    tree.dir("m/mnt");
    tree.file("m/own", 1024);
    if (mount(tree.path("src").c_str(), tree.path("m/mnt").c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "bind mounts are not permitted here: " << strerror(errno);
    scan("m", 1024);
    umount2(tree.path("m/mnt").c_str(), MNT_DETACH);
    EXPECT_EQ(report_lines(), std::vector<std::string>{pat("m") + " 1K used, 0K wasted"});
}

// A 5 GiB sparse file two levels down is exact in every ancestor: totals
// are not reduced to 32 bits.
TEST_F(ScanTest, FiveGibibytesExactInAncestors)
{
    const double five = 5ull << 30;
    tree.sparse("a/b/c/big", five);
    EXPECT_EQ(scan("a", 4096), five);
    auto lines = report_lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], pat("a/b/c") + " 5242880K used, 0K wasted");
    EXPECT_EQ(lines[1], pat("a/b") +
                            " 5242880K used (0K here, 5242880K sub dir), 0K wasted (0K here, 0K sub dir)");
    EXPECT_EQ(lines[2], pat("a") +
                            " 5242880K used (0K here, 5242880K sub dir), 0K wasted (0K here, 0K sub dir)");
    EXPECT_EQ(report_bars(), (std::vector<double>{(double)five, (double)five, (double)five}));
}

// Path limit: a sub-directory is entered while dir + name <= MAX_PATH - 2;
// one character more gives "Directory Path too long" and it is left out.
TEST_F(ScanTest, PathLengthBoundary)
{
    // Reach a parent pattern long enough with 200-character components.
    std::string rel;
    std::string parentpat = pat("");
    while (MAX_PATH - 2 - parentpat.size() > 150) {
        size_t len = std::min<size_t>(200, MAX_PATH - 2 - parentpat.size() - 101);
        rel += (rel.empty() ? "" : "/") + std::string(len, 'p');
        parentpat = pat(rel);
    }
    size_t fitting = (MAX_PATH - 2) - parentpat.size();
    ASSERT_GT(fitting, 1u);
    ASSERT_LT(fitting, 255u);
    std::string ok = std::string(fitting, 'k'), over = std::string(fitting + 1, 'o');
    tree.file(rel + "/" + ok + "/f", 1024);
    tree.file(rel + "/" + over + "/f", 1024);

    scan(rel, 1024);
    auto lines = report_lines();
    ASSERT_EQ(lines.size(), 2u) << "the over-long sub-directory has no line";
    std::string okpat = parentpat.substr(0, parentpat.size() - 3) + ok + "/*.*";
    EXPECT_EQ(okpat.size(), (size_t)MAX_PATH - 1);
    EXPECT_EQ(lines[0], okpat + " 1K used, 0K wasted");
    EXPECT_EQ(lines[1], parentpat +
                            " 1K used (0K here, 1K sub dir), 0K wasted (0K here, 0K sub dir)")
        << "the skipped sub-directory is not counted";
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].caption, "Failure");
    EXPECT_EQ(boxes()[0].text, "Directory Path too long");
    EXPECT_EQ(boxes()[0].type, (UINT)MB_ICONEXCLAMATION);
}

// A tree 2,000 levels deep is scanned on the default stack.
TEST_F(ScanTest, TwoThousandLevels)
{
    // Made level by level from descriptors: the whole path nears PATH_MAX.
    std::string rel = "d";
    int fd = open(tree.root().c_str(), O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < 2000; ++i) {
        if (i) rel += "/d";
        ASSERT_EQ(mkdirat(fd, "d", 0755), 0) << "level " << i;
        int next = openat(fd, "d", O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = next;
    }
    int f = openat(fd, "f", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(ftruncate(f, 3000), 0);
    close(f);
    close(fd);
    scan("", 1024);
    auto lines = report_lines();
    ASSERT_EQ(lines.size(), 2001u);
    EXPECT_EQ(lines.front(), pat(rel) + " 3K used, 0K wasted");
    EXPECT_EQ(lines.back(), pat("") + " 3K used (0K here, 3K sub dir), 0K wasted (0K here, 0K sub dir)");
    EXPECT_TRUE(boxes().empty());
}

// An allocation failure loses exactly that line, once, with one message;
// the lines before and after are all there and the figures still count it.
TEST_F(ScanTest, AllocationFailureLosesOneLine)
{
    tree.file("r/x/f", 2048);
    scan("r", 1024);  // learn the order and the lines when nothing fails
    auto whole = report_lines();
    ASSERT_EQ(whole.size(), 2u);
    for (int nth : {1, 2}) {  // the node, then the text block
        reset_report();
        testhooks::clear_recorded_message_boxes();
        testhooks::fail_global_alloc(nth);
        scan("r", 1024);
        EXPECT_EQ(report_lines(), std::vector<std::string>{whole[1]}) << "nth=" << nth;
        expect_chain_consistent();
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].caption, "Error");
        EXPECT_EQ(boxes()[0].type, (UINT)MB_ICONHAND);
        EXPECT_EQ(boxes()[0].text, "Memory allocation failed <8>");
    }
}

// A directory that vanished or never existed still gets its 0K line.
TEST_F(ScanTest, MissingDirectoryGetsZeroLine)
{
    double w = -1;
    EXPECT_EQ(scan("gone", 4096, &w), 0u);
    EXPECT_EQ(w, 0.0);
    EXPECT_EQ(report_lines(), std::vector<std::string>{pat("gone") + " 0K used, 0K wasted"});
}

// A directory swapped for a link while the scan is inside the tree is never
// followed, whether it is the one about to be entered or one higher up. The
// swap happens as the first of two siblings gets its line. Without read-ahead
// the other then counts as gone; with it, it may have been read already and
// counts as it was. Either way nothing of the link's target is counted.
namespace swap {
std::string b, c, parent, target; /* the siblings' patterns; the parent to swap, or "" */
bool done;
void directory(const char *dir, double, double, double, double)
{
    if (done || (dir != b && dir != c))
        return;
    done = true;
    std::string victim = parent;
    if (victim.empty()) {
        victim = dir == b ? c : b;
        victim.resize(victim.size() - 4); /* the directory, not its pattern */
    }
    if (rename(victim.c_str(), (victim + ".old").c_str()) != 0 || symlink(target.c_str(), victim.c_str()) != 0)
        ADD_FAILURE() << "could not swap " << victim;
}
const struct scanwatch_ watch = {directory, nullptr};
} // namespace swap

TEST_F(ScanTest, SwappedForALinkIsNotFollowed)
{
    tree.file("elsewhere/b/big", 100000);
    tree.file("elsewhere/c/big", 100000);
    for (const char *readahead : {"0", "1"})
        for (const char *which : {"sibling", "parent"}) {
            SCOPED_TRACE(std::string(which) + ", TARVEL_READAHEAD=" + readahead);
            reset_report();
            const std::string a = std::string(which) + readahead + "/a";
            tree.file(a + "/b/f", 1000);
            tree.file(a + "/c/f", 1000);
            swap::b = pat(a + "/b");
            swap::c = pat(a + "/c");
            swap::parent = std::string(which) == "parent" ? tree.path(a) : "";
            swap::target = tree.path("elsewhere");
            swap::done = false;
            setenv("TARVEL_READAHEAD", readahead, 1);
            scanwatch = &swap::watch;
            scan(a, 1024);
            scanwatch = nullptr;
            unsetenv("TARVEL_READAHEAD");
            const auto lines = report_lines();
            ASSERT_EQ(lines.size(), 3u);
            const std::string gone = " 0K used, 0K wasted", whole = " 1K used, 0K wasted";
            const std::string other = lines[1].substr(lines[1].find(" "));
            EXPECT_TRUE(other == gone || (other == whole && readahead[0] == '1')) << lines[1];
            const std::string k = other == gone ? "1K" : "2K";
            EXPECT_EQ(lines[2], pat(a) + " " + k + " used (0K here, " + k + " sub dir), 0K wasted (0K here, 0K sub dir)")
                << "nothing of the link's target counted";
        }
}

// A directory that cannot be listed because the machine ran out of file
// descriptors is no silent 0K line: one error box with ERROR_TOO_MANY_OPEN_FILES,
// and the line is missing, as when a line cannot be stored.
TEST_F(ScanTest, OutOfDescriptorsIsTold)
{
    tree.file("d/sub/f", 100);
    std::string pattern = pat("d");
    /* In the child, nothing but plain calls: the sanitizers' own checks need
     * descriptors there is none of. */
    ChildResult r = run_in_child([pattern]() mutable {
        testhooks::record_message_boxes();
        testhooks::clear_recorded_message_boxes();
        int lowest = dup(0); /* every descriptor below it is in use */
        close(lowest);
        struct rlimit lim;
        getrlimit(RLIMIT_NOFILE, &lim);
        lim.rlim_cur = (rlim_t)lowest;
        if (setrlimit(RLIMIT_NOFILE, &lim) != 0) return std::string("setrlimit failed");
        dgl.bpc = 1024;
        double w;
        double used = doitto(pattern.data(), &w);
        std::string out = std::to_string(used) + " " + std::to_string(report_lines().size());
        for (const auto &b : testhooks::recorded_message_boxes()) out += " | " + b.caption + ": " + b.text;
        return out;
    });
    EXPECT_EQ(r.output, "0.000000 0 | Error: Memory allocation failed <4>");
}

// Sums beyond 2^64 bytes (three sparse files of 8 EiB on a tmpfs) stay
// consistent: the parent's "sub dir" is what its sub-directory's line says.
TEST_F(ScanTest, SumsBeyondSixtyFourBits)
{
    ChildResult r = run_in_child([&] {
        std::string why = private_mounts();
        if (!why.empty()) return "SKIP " + why;
        if (mount("tarvel", tree.root().c_str(), "tmpfs", 0, "size=1m") != 0) return std::string("SKIP tmpfs");
        for (int i = 0; i < 3; ++i) {
            tree.dir("d/sub");
            int fd = open(tree.path("d/sub/f" + std::to_string(i)).c_str(), O_CREAT | O_WRONLY, 0600);
            if (fd < 0 || ftruncate(fd, INT64_MAX) != 0) return std::string("SKIP no 8 EiB files here");
            close(fd);
        }
        double w;
        double used = scan("d", 4096, &w);
        auto lines = report_lines();
        std::string out;
        for (auto &l : lines) out += l.substr(tree.root().size()) + "\n";
        return out + (used == 3.0 * INT64_MAX ? "total exact" : "total " + std::to_string(used));
    });
    if (r.output.rfind("SKIP", 0) == 0) GTEST_SKIP() << r.output;
    const std::string k = "27021597764222976K"; /* 3 x (2^63 - 1) bytes / 1024 */
    EXPECT_EQ(r.output, "/d/sub/*.* " + k + " used, 0K wasted\n/d/*.* " + k + " used (0K here, " + k +
                            " sub dir), 0K wasted (0K here, 0K sub dir)\ntotal exact");
}

}  // namespace
