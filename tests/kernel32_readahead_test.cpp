// The read-ahead under FindFirstFileA: the same report with it on and off,
// trees that change while they are read, few descriptors, and its bounds.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <chrono>
#include <thread>

#include "../src/platform/kernel32/readahead.h"
#include "childrun.h"
#include "report_fixture.h"
#include "temptree.h"

namespace {

/* The scan of `dir` with TARVEL_READAHEAD as given: its lines, then its boxes. */
std::vector<std::string> survey_with(const std::string &dir, const char *readahead)
{
    reset_report();
    testhooks::record_message_boxes();
    testhooks::clear_recorded_message_boxes();
    setenv("TARVEL_READAHEAD", readahead, 1);
    dgl.bpc = 4096;
    std::string pattern = pattern_of(dir);
    double waste;
    doitto(pattern.data(), &waste);
    unsetenv("TARVEL_READAHEAD");
    std::vector<std::string> out = report_lines();
    for (const auto &b : testhooks::recorded_message_boxes())
        out.push_back(b.caption + ": " + b.text);
    reset_report();
    return out;
}

/* Makes `count` empty files named <prefix><n> in `dir`. */
void files(const std::string &dir, int count, const std::string &prefix = "f")
{
    int d = open(dir.c_str(), O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < count; ++i)
        close(openat(d, (prefix + std::to_string(i)).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    close(d);
}

class ReadAhead : public ReportTest {
protected:
    TempTree tree;
};

} // namespace

/* Runs `fn` in a child with a fresh tmpfs at `dir`: files are made there fast
 * enough for trees of hundreds of thousands of entries. "SKIP why" where the
 * machine will not mount one. */
ChildResult on_tmpfs(const std::string &dir, const std::function<std::string()> &fn)
{
    return run_in_child([&] {
        std::string why = private_mounts();
        if (!why.empty()) return "SKIP " + why;
        if (mount("tarvel", dir.c_str(), "tmpfs", 0, "size=64m,nr_inodes=400k") != 0)
            return std::string("SKIP cannot mount a tmpfs");
        return fn();
    });
}

// The same lines and messages with and without read-ahead: a tree 2,000
// levels deep, names that are not UTF-8, links to directories, a missing
// directory, another mount.
TEST_F(ReadAhead, SameReportOnAndOff)
{
    tree.dir("deep");
    int fd = open(tree.path("deep").c_str(), O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < 2000; ++i) {
        mkdirat(fd, "d", 0755);
        int next = openat(fd, "d", O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = next;
    }
    close(fd);
    for (const char *name : {"caf\xe9", "new\nline", "\xff\xfe"})
        tree.file(std::string("odd/") + name + "/f", 5000);
    tree.symlink("odd/tolink", tree.path("deep"));
    tree.dir("mnt/point");
    const bool mounted = mount(tree.path("odd").c_str(), tree.path("mnt/point").c_str(), nullptr, MS_BIND, nullptr) == 0;
    for (const std::string &dir : {tree.root(), tree.path("missing")}) {
        auto off = survey_with(dir, "0"), on = survey_with(dir, "1");
        EXPECT_EQ(on, off) << dir;
        EXPECT_GT(off.size(), dir == tree.root() ? 2000u : 0u);
    }
    if (mounted)
        umount2(tree.path("mnt/point").c_str(), MNT_DETACH);
}

// 200,000 entries in one directory read the same either way.
TEST_F(ReadAhead, WideDirectorySameOnAndOff)
{
    ChildResult r = on_tmpfs(tree.root(), [&] {
        tree.dir("wide/sub");
        files(tree.path("wide"), 200000);
        auto off = survey_with(tree.root(), "0"), on = survey_with(tree.root(), "1");
        return on == off && off.size() == 3 ? std::string("OK") : "differ: " + std::to_string(on.size());
    });
    if (r.output.rfind("SKIP", 0) == 0) GTEST_SKIP() << r.output;
    EXPECT_EQ(r.output, "OK");
}

// An unreadable directory (for an unprivileged user) reads the same either way.
TEST_F(ReadAhead, UnreadableDirectorySameOnAndOff)
{
    tree.file("open/f", 100);
    tree.file("locked/inner/f", 100);
    tree.chmod("locked", 0);
    ChildResult r = run_in_child([&] {
        std::string why = drop_to_nobody();
        if (!why.empty()) return "SKIP " + why;
        auto off = survey_with(tree.root(), "0"), on = survey_with(tree.root(), "1");
        return on == off && off.size() == 3 ? std::string("OK") : "differ: " + std::to_string(off.size());
    });
    if (r.output.rfind("SKIP", 0) == 0) GTEST_SKIP() << r.output;
    EXPECT_EQ(r.output, "OK");
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
    /* A line: a pattern under the tree, then one of the two forms, whole. */
    const std::string prefix = tree.path("t");
    auto well_formed = [&](const std::string &l) {
        size_t at = l.find("*.* ");
        if (l.compare(0, prefix.size(), prefix) != 0 || at == std::string::npos)
            return false;
        const char *rest = l.c_str() + at + 4;
        unsigned long long n[6];
        int end = -1;
        sscanf(rest, "%lluK used, %lluK wasted%n", &n[0], &n[1], &end);
        if (end >= 0 && rest[end] == '\0')
            return true;
        end = -1;
        sscanf(rest, "%lluK used (%lluK here, %lluK sub dir), %lluK wasted (%lluK here, %lluK sub dir)%n", &n[0], &n[1],
               &n[2], &n[3], &n[4], &n[5], &end);
        return end >= 0 && rest[end] == '\0';
    };
    for (int round = 0; round < 10; ++round)
        for (const std::string &l : survey_with(tree.path("t"), "1"))
            EXPECT_TRUE(well_formed(l)) << l;
    stop = true;
    changer.join();
}

// With a single descriptor to spare, the workers never cost the walk a
// directory: the report is whole and nothing is told.
TEST_F(ReadAhead, OneDescriptorToSpare)
{
    for (int i = 0; i < 100; ++i)
        tree.file("d" + std::to_string(i) + "/e/f", 10);
    const auto off = survey_with(tree.root(), "0");
    ChildResult r = run_in_child([&] {
        int lowest = dup(0);
        close(lowest);
        struct rlimit lim;
        getrlimit(RLIMIT_NOFILE, &lim);
        lim.rlim_cur = (rlim_t)lowest + 1;
        if (setrlimit(RLIMIT_NOFILE, &lim) != 0) return std::string("setrlimit failed");
        /* Whether the walk meets a worker holding the one descriptor is a
         * matter of timing: ten walks meet one almost surely. */
        for (int round = 0; round < 10; ++round) {
            auto on = survey_with(tree.root(), "1");
            if (on != off)
                return "differ: " + (on.empty() ? "" : on.back());
        }
        return std::string("OK");
    });
    EXPECT_EQ(r.output, "OK");
}

// Listings read ahead and not taken stay within their bounds (1024 of them,
// 64 MiB) while the walk stands still; the read-ahead reaches them.
namespace {
size_t most_listings, most_bytes;
void stand_still(const char *, double, double, double, double)
{
    if (most_listings)
        return;
    size_t bytes = 0, listings = 0, before = ~(size_t)0;
    for (int i = 0; i < 300 && listings != before; ++i) {
        before = listings;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        listings = k32::readahead::waiting_listings(&bytes);
    }
    most_listings = std::max<size_t>(listings, 1);
    most_bytes = bytes;
}
const struct scanwatch_ still = {stand_still, nullptr};
} // namespace

TEST_F(ReadAhead, BoundsOnWhatWaits)
{
    /* 3,000 small listings, more than may wait. */
    for (int i = 0; i < 3000; ++i)
        tree.dir("many/d" + std::to_string(i));
    most_listings = most_bytes = 0;
    scanwatch = &still;
    survey_with(tree.path("many"), "1");
    scanwatch = nullptr;
    EXPECT_LE(most_listings, 1024u + 16) << "a few reads under way may end beyond it";
    EXPECT_GE(most_listings, 512u);

    /* 300 listings of 1,000 long names each, 77 MB in all: more bytes than may wait. */
    ChildResult r = on_tmpfs(tree.path("many"), [&] {
        const std::string name(236, 'n');
        for (int i = 0; i < 300; ++i) {
            tree.dir("many/d" + std::to_string(i));
            files(tree.path("many/d" + std::to_string(i)), 1000, name);
        }
        most_listings = most_bytes = 0;
        scanwatch = &still;
        survey_with(tree.path("many"), "1");
        scanwatch = nullptr;
        return std::to_string(most_bytes >> 20);
    });
    if (r.output.rfind("SKIP", 0) == 0) GTEST_SKIP() << r.output;
    const size_t mib = std::stoul(r.output);
    EXPECT_LE(mib, 64u + 5) << "a few reads under way may end beyond it";
    EXPECT_GE(mib, 32u);
}
