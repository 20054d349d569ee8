// One whole survey of a chosen path: cluster size sources, heading lines,
// the scan, the scale, and what happens to the old report.
#include <gtest/gtest.h>

#include <errno.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "fakechecker.h"
#include "report_fixture.h"
#include "temptree.h"

namespace {

class SurveyTest : public ReportTest {
protected:
    TempTree tree;
    FakeChecker fake;
    std::string drive;

    void SetUp() override
    {
        ReportTest::SetUp();
        drive = mount_point(tree.root());
    }
    std::string clusterline(ULONG bytes)
    {
        return "Drive " + drive + " has a cluster size of " + std::to_string(bytes) + " bytes";
    }
};

// A working checker: its cluster size heads the report; the scan follows in
// post-order and an empty line closes it; the total is the bar scale. The
// report it replaces is released: new lines only, the top of the view, the
// horizontal position kept. A path ending in the separator gets no second.
TEST_F(SurveyTest, CheckerFiguresUsed)
{
    fake.prints(FakeChecker::report("4,096", "1000", "10"));
    tree.file("s/f", 5000);
    tree.file("old/a/f", 1);
    survey(tree.path("old").c_str());
    gl.nCurPos = 2;
    gl.hcurpos = 7;
    survey((tree.path("s") + "/").c_str()); /* no separator doubled in the pattern */
    EXPECT_EQ(report_lines(),
              (std::vector<std::string>{clusterline(4096), pattern_of(tree.path("s")) + " 5K used, 3K wasted", ""}));
    EXPECT_EQ(report_bars(), (std::vector<double>{-1.0, 5000.0, -1.0}));
    EXPECT_EQ(std::vector<double>({gl.totalbytesused, (double)gl.nCurPos, (double)gl.hcurpos, (double)dgl.bpc}),
              std::vector<double>({5000, 0, 7, 4096}))
        << "scale, top line, horizontal position, cluster size";
    EXPECT_STREQ(gl.prevdir, (tree.path("s") + "/").c_str());
    EXPECT_TRUE(boxes().empty()) << box_texts()[0];
    EXPECT_EQ(fake.files_in_tmpdir(), 0) << "the checker's report file is removed";
    expect_chain_consistent();
}

// Directories that could not be read completely get no box each (a survey of
// "/" meets dozens) but one for the whole survey, once it is over, with their
// count, one as well as two; their lines show what was read. A whole survey
// shows none.
TEST_F(SurveyTest, OneBoxForDirectoriesNotReadCompletely)
{
    fake.prints(FakeChecker::report("4,096", "1000", "10"));
    tree.file("a/bad", 10);
    tree.file("a/ok", 4096);
    tree.file("b/c/bad", 10);
    tree.file("d/f", 1);
    testhooks::fail_directory_reads("bad", EIO, 0, 0);
    survey(tree.root().c_str());
    testhooks::fail_directory_reads("", 0, 0, 0);
    EXPECT_EQ(box_texts(), std::vector<std::string>{
                               "Failure: 2 directories could not be read completely; their figures are incomplete"});
    const std::vector<std::string> lines = report_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), pattern_of(tree.path("a")) + " 4K used, 0K wasted"), lines.end());
    testhooks::clear_recorded_message_boxes();
    survey(tree.root().c_str());
    EXPECT_TRUE(boxes().empty()) << box_texts()[0];
    testhooks::fail_directory_reads("ok", EIO, 0, 0);
    survey(tree.root().c_str());
    testhooks::fail_directory_reads("", 0, 0, 0);
    EXPECT_EQ(box_texts(), std::vector<std::string>{
                               "Failure: 1 directories could not be read completely; their figures are incomplete"});
}

// The drive-size warning comes first only where the drive's bytes reach 2^53,
// beyond which sums in doubles may be inexact: 4 MiB units times 2^31 do,
// one unit fewer does not. A unit size beyond 2^31 prints unsigned.
TEST_F(SurveyTest, DriveSizeWarningAndUnitSize)
{
    const std::string warning = "Drive " + drive + " is larger than 4 Gbytes, Tarvel may produce inaccurate data";
    const struct {
        const char *unit, *total;
        ULONG bytes;
        bool warned;
    } cases[] = {{"4,194,304", "2,147,483,648", 4194304, true},
                 {"4,194,304", "2,147,483,647", 4194304, false},
                 {"32768", "131071", 32768, false},
                 {"4,294,967,295", "2", 4294966784u, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.unit) + " x " + c.total);
        reset_report();
        fake.prints(FakeChecker::report(c.unit, c.total, "5"));
        survey(tree.root().c_str());
        auto lines = report_lines();
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[0] == warning, c.warned);
        EXPECT_EQ(lines[c.warned ? 1 : 0], clusterline(c.bytes));
    }
    EXPECT_TRUE(boxes().empty());
}

// No checker: the free-space query's cluster size (and the size warning when
// the volume reaches 2^53 bytes), with a Failure box saying so only on the
// Windows 9x family, whose query misstated large FAT32 volumes; that failing
// too, a box and fixed 4096-byte clusters, no warning.
TEST_F(SurveyTest, FallbacksWhenTheSourcesFail)
{
    struct statvfs vfs;
    ASSERT_EQ(statvfs(drive.c_str(), &vfs), 0);
    const std::string checker = "Failure: Using CHKDSK failed, wastage results not valid with FAT32",
                      disk = "Failure: Failed to get Drive <" + drive + "> characteristics, wastage results invalid";
    const bool warned = std::min<unsigned long long>(vfs.f_blocks, 0xFFFFFFFFu) * vfs.f_frsize >= (1ULL << 53);
    tree.file("f", 1);
    const struct {
        bool ninex, diskfails;
        std::vector<std::string> boxes;
    } cases[] = {
        {false, false, {}},
        {true, false, {checker}},
        {false, true, {disk}},
        {true, true, {checker, disk}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.ninex ? "9x" : "NT") + (c.diskfails ? ", no volume figures" : ""));
        testhooks::clear_recorded_message_boxes();
        testhooks::pretend_windows_9x(c.ninex);
        testhooks::fail_disk_free_space(c.diskfails);
        survey(tree.root().c_str());
        EXPECT_EQ(box_texts(), c.boxes);
        for (const auto &b : boxes())
            EXPECT_EQ(b.type, (UINT)MB_ICONEXCLAMATION);
        if (c.diskfails) {
            EXPECT_EQ(report_lines(), (std::vector<std::string>{clusterline(4096),
                                                                pattern_of(tree.root()) + " 0K used, 4K wasted", ""}));
        } else {
            EXPECT_EQ(report_lines().at(warned ? 1 : 0), clusterline((ULONG)vfs.f_frsize));
            EXPECT_TRUE(!warned ||
                        report_lines()[0] ==
                            "Drive " + drive + " is larger than 4 Gbytes, Tarvel may produce inaccurate data");
        }
    }
    EXPECT_EQ(fake.files_in_tmpdir(), 0);
}

// Paths that cannot be surveyed leave the old report, its view and scale;
// a message's text is cut at 1023 characters.
TEST_F(SurveyTest, UnusablePathsKeepOldReport)
{
    fake.prints(FakeChecker::report("4096", "10", "5"));
    survey(tree.root().c_str());
    auto before = report_lines();
    gl.nCurPos = 1;
    gl.totalbytesused = 42.0;
    testhooks::clear_recorded_message_boxes();

    /* "sub" is there, in the current directory, but a chosen path is whole. */
    tree.dir("sub");
    char cwd[MAX_PATH];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(tree.root().c_str()), 0);
    survey("sub");
    ASSERT_EQ(chdir(cwd), 0);
    EXPECT_EQ(GetCursor(), LoadCursorA(NULL, IDC_ARROW)) << "the cursor is put back";
    std::string toolong = "/" + std::string(MAX_PATH - 5, 'x'); // no room for "/*.*"
    survey(toolong.c_str());
    std::string rootfits = "/" + std::string(MAX_PATH - 6, 'y') + "/"; // room for "*.*", but missing
    survey(rootfits.c_str());

    EXPECT_EQ(box_texts(),
              (std::vector<std::string>{"Error: Drive name screwed up <sub>", "Failure: Directory Path too long",
                                        ("Error: Drive name screwed up <" + rootfits + ">").substr(0, 7 + 1023)}));
    EXPECT_EQ(boxes()[0].type, (UINT)MB_ICONHAND);
    EXPECT_EQ(report_lines(), before);
    EXPECT_EQ(gl.nCurPos, 1);
    EXPECT_EQ(gl.totalbytesused, 42.0);
}

// A dialog that cannot be shown (its owner is gone) gives -1: no path was
// chosen, and nothing happens.
TEST_F(SurveyTest, DialogThatCannotBeShownChoosesNothing)
{
    llprintf(-1.0, "%s", "old");
    gl.hwnd = (HWND)0x10001; /* no window of this process */
    getdirectory();
    EXPECT_EQ(report_lines(), std::vector<std::string>{"old"});
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(GetCursor(), LoadCursorA(NULL, IDC_ARROW));
}

// A release that fails stops the survey: one message, the unreleased lines
// still counted and reachable, none that was released.
TEST_F(SurveyTest, FailedReleaseStopsSurvey)
{
    fake.prints(FakeChecker::report("4096", "10", "5"));
    tree.file("a/f", 1);
    tree.file("b/f", 1);
    survey(tree.root().c_str()); // heading, a, b, root, empty: 5 lines
    ASSERT_EQ(report_lines().size(), 5u);
    auto before = report_lines();
    testhooks::clear_recorded_message_boxes();

    testhooks::fail_global_free(3); // the second line's text
    survey(tree.root().c_str());
    EXPECT_EQ(box_texts(), std::vector<std::string>{"Error: Memory Freeing error 6"});
    EXPECT_EQ(report_lines(), std::vector<std::string>(before.begin() + 1, before.end()));
    EXPECT_EQ(gl.nCurPos, 0);
    expect_chain_consistent();

    // The node of a line whose text was released cannot stay in the chain.
    testhooks::clear_recorded_message_boxes();
    ll *second = gl.head->next;
    testhooks::fail_global_free(4); // the second line's node
    survey(tree.root().c_str());
    EXPECT_EQ(box_texts(), std::vector<std::string>{"Error: Memory Freeing error 6"});
    EXPECT_EQ(report_lines(), std::vector<std::string>(before.begin() + 3, before.end()));
    for (ll *lp = gl.head; lp; lp = lp->next)
        EXPECT_NE(lp, second);
    expect_chain_consistent();
    GlobalFree(second); // the block the failing release kept
}

} // namespace
