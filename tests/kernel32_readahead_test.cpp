// The read-ahead under FindFirstFileA: the same report with it on and off,
// a tree changed while it is read, few descriptors, and its bounds.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "childrun.h"
#include "report_fixture.h"
#include "temptree.h"

namespace {

/* The scan of `dir` with TARVEL_READAHEAD as given: its lines, then its boxes. */
std::vector<std::string> survey_with(const std::string &dir, const char *readahead)
{
    reset_report();
    testhooks::clear_recorded_message_boxes();
    setenv("TARVEL_READAHEAD", readahead, 1);
    scan_tree(dir, 4096);
    unsetenv("TARVEL_READAHEAD");
    std::vector<std::string> out = report_lines(), boxes = box_texts();
    out.insert(out.end(), boxes.begin(), boxes.end());
    reset_report();
    return out;
}

/* "OK" when `dir` reads the same both ways and gives `lines` lines and boxes. */
std::string same_both_ways(const std::string &dir, size_t lines)
{
    auto off = survey_with(dir, "0");
    return survey_with(dir, "1") != off ? "differ" : off.size() == lines ? "OK" : std::to_string(off.size()) + " lines";
}

/* Makes `count` empty files named <prefix><n> in `dir`. */
void files(const std::string &dir, int count, const std::string &prefix = "f")
{
    int d = open(dir.c_str(), O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < count; ++i)
        close(openat(d, (prefix + std::to_string(i)).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    close(d);
}

/* In a child with a tmpfs at `dir` (fast for trees of 100,000s of files); skips the test where none mounts. */
std::string on_tmpfs(const std::string &dir, const std::function<std::string()> &fn)
{
    return child_output([&] {
        std::string why = private_tmpfs(dir, "size=64m,nr_inodes=400k");
        return why.empty() ? fn() : why;
    });
}

class ReadAhead : public ReportTest {
protected:
    TempTree tree;
    void SetUp() override
    {
        ReportTest::SetUp();
        testhooks::watch_waiting_listings();
        testhooks::pretend_processors(4); /* workers, whatever the host */
    }
    void TearDown() override
    {
        testhooks::pretend_processors(0);
        ReportTest::TearDown();
    }
};

/* Holds the walk still at its first line until the workers have settled
 * (nothing left to read, or no room for it), and notes what waits then. */
size_t most_listings, most_bytes;
void stand_still(const char *, double, double, double, double)
{
    size_t bytes = 0, listings = 0;
    bool settled = false;
    for (int i = 0; i < 60000 && !settled && !most_listings; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        listings = testhooks::waiting_listings(&bytes, &settled);
    }
    most_listings = std::max<size_t>(std::max(most_listings, listings), 1);
    most_bytes = std::max(most_bytes, bytes);
}
const struct scanwatch_ still = {stand_still, nullptr, nullptr, nullptr, nullptr};

} // namespace

// The same lines and messages with and without read-ahead: a tree 2,000
// levels deep with names that are not UTF-8, links to directories, another
// mount; a missing directory; 200,000 entries in one directory.
TEST_F(ReadAhead, SameReportOnAndOff)
{
    int fd = open(tree.root().c_str(), O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < 2000; ++i) {
        mkdirat(fd, "d", 0755);
        int next = openat(fd, "d", O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = next;
    }
    close(fd);
    for (const char *name : {"caf\xe9", "new\nline", "\xff\xfe"})
        tree.file(std::string("odd/") + name + "/f", 5000);
    tree.symlink("odd/tolink", tree.path("d"));
    tree.dir("mnt/point");
    const bool mounted = !mount(tree.path("odd").c_str(), tree.path("mnt/point").c_str(), nullptr, MS_BIND, nullptr);
    /* 2,000 levels, odd and its three, mnt (and point where it is no mount), the root */
    EXPECT_EQ(same_both_ways(tree.root(), 2000 + 4 + 1 + (mounted ? 0 : 1) + 1), "OK");
    EXPECT_EQ(same_both_ways(tree.path("missing"), 1), "OK");
    if (mounted)
        umount2(tree.path("mnt/point").c_str(), MNT_DETACH);

    TempTree wide; /* last: skips the test where no tmpfs mounts */
    std::string r = on_tmpfs(wide.root(), [&] {
        wide.dir("w/sub");
        files(wide.path("w"), 200000);
        return same_both_ways(wide.root(), 3);
    });
    EXPECT_TRUE(IsSkipped() || r == "OK") << "200,000 entries: " << r;
}

// A tree changed while it is read (directories made, removed and renamed,
// files made and removed): every scan ends and every line is well formed.
TEST_F(ReadAhead, TreeChangedWhileRead)
{
    for (int i = 0; i < 40; ++i) {
        tree.dir("t/a" + std::to_string(i) + "/b/c");
        files(tree.path("t/a" + std::to_string(i) + "/b"), 20);
    }
    std::atomic<bool> stop{false};
    std::thread changer([&] {
        for (unsigned n = 0; !stop; ++n) {
            const std::string a = tree.path("t/a" + std::to_string(n % 40));
            const std::string x = tree.path("t/x" + std::to_string(n % 7));
            mkdir(x.c_str(), 0755);
            files(x, 5, "g");
            rename((a + "/b").c_str(), (a + "/moved").c_str());
            rename((a + "/moved").c_str(), (a + "/b").c_str());
            if (std::system(("rm -rf '" + x + "'").c_str()) != 0)
                break;
        }
    });
    /* A pattern under the tree, then one of the two forms, whole. */
    auto well_formed = [&](const std::string &l) {
        const size_t at = l.find("/*.* ");
        const char *rest = at == std::string::npos ? "" : l.c_str() + at + 5;
        unsigned long long k[6];
        int n = 0;
        return l.rfind(tree.path("t"), 0) == 0 && at != std::string::npos &&
               ((sscanf(rest, "%lluK used, %lluK wasted%n", k, k + 1, &n) == 2 && !rest[n]) ||
                (sscanf(rest, "%lluK used (%lluK here, %lluK sub dir), %lluK wasted (%lluK here, %lluK sub dir)%n", k,
                        k + 1, k + 2, k + 3, k + 4, k + 5, &n) == 6 &&
                 !rest[n]));
    };
    for (int round = 0; round < 10; ++round)
        for (const std::string &l : survey_with(tree.path("t"), "1"))
            EXPECT_TRUE(well_formed(l)) << l;
    stop = true;
    changer.join();
}

// Enumerations hold no descriptor while the walk is below them, and with a
// single descriptor to spare the workers never cost the walk a directory: a
// tree 300 levels deep and 100 wide reads whole both ways, nothing told.
// Whether the walk meets a worker holding it is a matter of timing: ten
// walks meet one almost surely.
TEST_F(ReadAhead, OneDescriptorToSpare)
{
    for (int i = 0; i < 100; ++i)
        tree.file("d" + std::to_string(i) + "/e/f", 10);
    std::string deep = "deep";
    for (int i = 0; i < 300; i++, deep += "/d")
        tree.file(deep + "/f", 1);
    const auto whole = survey_with(tree.root(), "0");
    ChildResult r = run_in_child([&] {
        if (std::string why = leave_descriptors(1); !why.empty())
            return why;
        for (int round = 0; round < 10; ++round)
            if (survey_with(tree.root(), round ? "1" : "0") != whole)
                return std::string(round ? "differ" : "differ without read-ahead");
        return std::string("OK");
    });
    EXPECT_EQ(r.output, "OK");
}

// Listings read ahead and not taken stay within their bounds while the walk
// stands still: 1,024 of 3,000 small ones; 64 MiB of 77 MB (300 listings of
// 1,000 long names). A few reads under way may end beyond a bound.
TEST_F(ReadAhead, BoundsOnWhatWaits)
{
    auto stand_still_in = [&](const std::string &dir) {
        most_listings = most_bytes = 0;
        scanwatch = &still;
        survey_with(dir, "1");
        scanwatch = nullptr;
    };
    for (int i = 0; i < 3000; ++i)
        tree.dir("many/d" + std::to_string(i));
    stand_still_in(tree.path("many"));
    EXPECT_LE(most_listings, 1024u + 16);
    EXPECT_GE(most_listings, 512u);

    std::string r = on_tmpfs(tree.path("many"), [&] {
        for (int i = 0; i < 300; ++i) {
            tree.dir("many/d" + std::to_string(i));
            files(tree.path("many/d" + std::to_string(i)), 1000, std::string(236, 'n'));
        }
        stand_still_in(tree.path("many"));
        return std::to_string(most_bytes >> 20);
    });
    if (IsSkipped())
        return;
    EXPECT_LE(std::stoul(r), 64u + 5);
    EXPECT_GE(std::stoul(r), 32u);
}
