// The cluster size probe against real child processes: fake checkers in the system directory.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "childrun.h"
#include "fakechecker.h"
#include "report_fixture.h"

namespace {

struct Probe {
    int result;
    ULONG spc = 111, bps = 222, fc = 333, tc = 444;  // "untouched" markers
};

Probe probe(const char *drive = "/")
{
    Probe p;
    std::string d(drive);
    p.result = getchkdsk(d.data(), &p.spc, &p.bps, &p.fc, &p.tc);
    return p;
}

std::string slurp(const std::string &path)
{
    std::ifstream f(path);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// A report in the usual words: 4,096 bytes per unit and both counts.
TEST(Probe, ReadsTheThreeFigures)
{
    FakeChecker fake;
    fake.prints(FakeChecker::report("4,096", "523,776", "401,234"));
    Probe p = probe("/home/");
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.spc, 8u);
    EXPECT_EQ(p.bps, 512u);
    EXPECT_EQ(p.tc, 523776u);
    EXPECT_EQ(p.fc, 401234u);
    EXPECT_EQ(slurp(fake.argsfile()), "/:\n") << "the command line is \"chkdsk %c:\" of the drive's first character";
    EXPECT_EQ(fake.files_in_tmpdir(), 0) << "the report file is removed";
}

// The command line takes the drive's first character unchanged.
TEST(Probe, CommandLineFromFirstCharacter)
{
    FakeChecker fake;
    fake.prints("");
    probe("c:\\");
    EXPECT_EQ(slurp(fake.argsfile()), "c:\n");
}

// Reports that do not give three non-zero figures fail, with what was read.
TEST(Probe, IncompleteReportsFail)
{
    struct Case {
        const char *what;
        std::string report;
        ULONG spc, tc, fc;
    };
    const Case cases[] = {
        {"empty report", "", 0, 0, 0},
        {"garbage", "\x01\x02\xff garbage\n%s%n\n\n", 0, 0, 0},
        {"another language", "4096 octets dans chaque unite d'allocation.\n", 0, 0, 0},
        {"no available units", FakeChecker::report("4096", "1000", "0"), 8, 1000, 0},
        {"unit below 512", FakeChecker::report("256", "1000", "10"), 0, 1000, 10},
    };
    for (const Case &c : cases) {
        FakeChecker fake;
        fake.prints(c.report);
        Probe p = probe();
        EXPECT_EQ(p.result, 0) << c.what;
        EXPECT_EQ(p.bps, 512u) << c.what;
        EXPECT_EQ(p.spc, c.spc) << c.what;
        EXPECT_EQ(p.tc, c.tc) << c.what;
        EXPECT_EQ(p.fc, c.fc) << c.what;
        EXPECT_EQ(fake.files_in_tmpdir(), 0) << c.what;
    }
}

// Odd but usable reports: a unit not a multiple of 512 loses its remainder,
// the last matching line wins, a failing exit code still has its report read,
// a slow checker is waited for, and its standard error is not the report.
TEST(Probe, UsableReports)
{
    struct Case {
        const char *what;
        std::string script;
        ULONG spc, tc, fc;
    };
    std::string good = FakeChecker::report("32,768", "131,071", "7");
    const Case cases[] = {
        {"unit of 1000", "cat <<'E'\n" + FakeChecker::report("1000", "5", "6") + "E", 1, 5, 6},
        {"last line wins", "cat <<'E'\n" + good + "  1024 bytes in each allocation unit\nE", 2, 131071, 7},
        {"exit code 3", "cat <<'E'\n" + good + "E\nexit 3", 64, 131071, 7},
        {"slow", "sleep 2\ncat <<'E'\n" + good + "E", 64, 131071, 7},
        {"stderr ignored", "echo '512 bytes in each allocation unit' >&2\ncat <<'E'\n" + good + "E\n"
                           "echo '99 total allocation units' >&2", 64, 131071, 7},
    };
    for (const Case &c : cases) {
        FakeChecker fake;
        fake.install(c.script);
        Probe p = probe();
        EXPECT_EQ(p.result, 1) << c.what;
        EXPECT_EQ(p.spc, c.spc) << c.what;
        EXPECT_EQ(p.tc, c.tc) << c.what;
        EXPECT_EQ(p.fc, c.fc) << c.what;
        EXPECT_EQ(fake.files_in_tmpdir(), 0) << c.what;
    }
}

// A line longer than the read buffer is read and tested in pieces.
TEST(Probe, LinesLongerThanTheBuffer)
{
    FakeChecker fake;
    std::string longunit = std::string(MAX_PATH + 900, ' ') + "4096 bytes in each allocation unit.\n";
    std::string longjunk = std::string(3 * MAX_PATH, 'x') + "\n";
    fake.prints(longjunk + longunit + " 10 total allocation units\n 5 available allocation units\n");
    Probe p = probe();
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.spc, 8u);
}

// No checker in the system directory: the probe fails and leaves its
// outputs and no file behind. Nothing is searched for: a checker first on
// PATH or in the current directory (the surveyed tree) never runs.
TEST(Probe, OnlyTheSystemDirectorysCheckerRuns)
{
    TempTree elsewhere; /* before the fake's $TMPDIR, which must stay empty */
    FakeChecker fake;
    const std::string ran = elsewhere.path("ran");
    for (const char *dir : {"onpath", "cwd"}) {
        elsewhere.dir(dir);
        std::string planted = elsewhere.path(std::string(dir) + "/chkdsk");
        std::ofstream(planted) << "#!/bin/sh\necho " << dir << " >> '" << ran << "'\n"
                               << "printf '4096 bytes in each allocation unit\\n9 total allocation units\\n"
                                  "9 available allocation units\\n'\n";
        chmod(planted.c_str(), 0755);
    }
    const std::string oldpath = getenv("PATH");
    setenv("PATH", (elsewhere.path("onpath") + ":.:" + oldpath).c_str(), 1);
    char old[MAX_PATH];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(elsewhere.path("cwd").c_str()), 0);
    Probe p = probe();
    EXPECT_EQ(chdir(old), 0);
    setenv("PATH", oldpath.c_str(), 1);

    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(std::vector<ULONG>({p.spc, p.bps, p.fc, p.tc}), std::vector<ULONG>({111, 222, 333, 444}));
    EXPECT_EQ(fake.files_in_tmpdir(), 0);
    EXPECT_EQ(slurp(ran), "") << "a checker outside the system directory ran";
}

// What a checker leaves running in its process group is stopped once the
// checker has ended; its report is still read.
TEST(Probe, CheckersLeftoversAreStopped)
{
    FakeChecker fake;
    TempTree t;
    const std::string pidfile = t.path("pid");
    fake.install("sleep 300 &\necho $! > '" + pidfile + "'\ncat <<'E'\n" +
                 FakeChecker::report("4096", "10", "5") + "E");
    EXPECT_EQ(probe().result, 1);
    const std::string pid = slurp(pidfile).substr(0, slurp(pidfile).find('\n'));
    ASSERT_FALSE(pid.empty());
    /* SIGKILL has been sent; it takes effect when the process next runs.
     * Gone then, or a zombie waiting for whoever adopted it. */
    std::string stat;
    for (int i = 0; i < 500; ++i) {
        stat = slurp("/proc/" + pid + "/stat");
        if (stat.empty() || stat.find(") Z ") != std::string::npos) break;
        usleep(10000);
    }
    EXPECT_TRUE(stat.empty() || stat.find(") Z ") != std::string::npos) << stat;
    if (stat.find("(sleep) S") != std::string::npos)
        kill(atoi(pid.c_str()), SIGKILL); /* a failed test leaves nothing running */
}

// A checker that never ends is stopped at the limit (a minute, made to pass
// here in 60 ms): the probe fails, its outputs untouched, the checker gone.
TEST(Probe, CheckerThatNeverEndsIsStopped)
{
    FakeChecker fake;
    TempTree t;
    fake.install("echo $$ > '" + t.path("pid") + "'\nexec sleep 600");
    ChildResult r = run_in_child([] {
        alarm(5); /* without the limit the probe would wait for ever */
        testhooks::speed_up_waits(1000);
        Probe p = probe();
        return std::to_string(p.result) + " " + std::to_string(p.spc);
    });
    EXPECT_EQ(r.output, "0 111") << "status " << r.status;
    const std::string pid = slurp(t.path("pid")).substr(0, slurp(t.path("pid")).find('\n'));
    ASSERT_FALSE(pid.empty());
    EXPECT_EQ(slurp("/proc/" + pid + "/stat").find("(sleep) S"), std::string::npos) << "the checker still runs";
}

// Tarvel's own checker reports the filesystem of its current directory as
// statvfs sees it, and the probe reads it: on a tmpfs of known size where the
// machine lets a test mount one (nothing else writes there), else on the
// temporary folder, whose free space may move meanwhile.
TEST(Probe, RealCheckerReportsTheFilesystem)
{
    const std::string checker = std::string(TARVEL_CHECKER_DIR) + "/chkdsk";
    auto check = [&](const std::string &dir, bool exact) -> std::string {
        struct statvfs vfs;
        std::string out, err;
        if (statvfs(dir.c_str(), &vfs) != 0) return "statvfs failed";
        if (run_command("cd '" + dir + "' && " + checker, &out, &err) != 0) return "checker failed: " + err;
        std::istringstream lines(out);
        std::string volume, unit, total, available;
        std::getline(lines, volume);
        std::getline(lines, unit);
        std::getline(lines, total);
        std::getline(lines, available);
        std::string u = unit, t = total, a = available;
        if (volume.rfind("Volume /", 0) != 0) return "no volume line: " + out;
        if (fetchint(u.data()) != vfs.f_frsize || unit.find(" bytes in each allocation unit.") == std::string::npos)
            return "unit: " + unit;
        if (fetchint(t.data()) != std::min<unsigned long long>(vfs.f_blocks, 0xFFFFFFFFu) ||
            total.find(" total allocation units on disk.") == std::string::npos)
            return "total: " + total;
        if ((exact && fetchint(a.data()) != std::min<unsigned long long>(vfs.f_bavail, 0xFFFFFFFFu)) ||
            available.find(" available allocation units on disk.") == std::string::npos)
            return "available: " + available;
        /* The probe on the same report. */
        setenv("TARVEL_SYSTEM_DIR", TARVEL_CHECKER_DIR, 1);
        if (chdir(dir.c_str()) != 0) return "chdir failed";
        Probe p = probe();
        if (p.result != 1 || p.spc * p.bps != vfs.f_frsize / 512 * 512) return "probe: " + std::to_string(p.spc);
        return "OK";
    };
    TempTree tree;
    ChildResult tmpfs = run_in_child([&] {
        std::string why = private_mounts();
        if (!why.empty()) return "SKIP " + why;
        if (mount("tarvel", tree.root().c_str(), "tmpfs", 0, "size=3m") != 0) return std::string("SKIP mount tmpfs");
        return check(tree.root(), true);
    });
    if (tmpfs.output.rfind("SKIP", 0) != 0) {
        EXPECT_EQ(tmpfs.output, "OK");
    }
    ChildResult plain = run_in_child([&] { return check(tree.root(), false); });
    EXPECT_EQ(plain.output, "OK");
}

// Files named like the report file, in the temporary folder and in the
// current directory, are never touched.
TEST(Probe, ExistingFilesUntouched)
{
    TempTree cwd;
    FakeChecker fake;
    fake.prints(FakeChecker::report("4096", "10", "5"));
    std::ofstream(fake.tmpdir() + "/trvltemp") << "mine";
    for (int i = 0; i < 20; ++i)
        std::ofstream(fake.tmpdir() + "/trv" + std::to_string(i) + ".tmp") << "mine " << i;
    std::ofstream(cwd.path("trvltemp")) << "keep me";
    char old[MAX_PATH];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(cwd.root().c_str()), 0);
    EXPECT_EQ(probe().result, 1);
    EXPECT_EQ(chdir(old), 0);
    EXPECT_EQ(slurp(cwd.path("trvltemp")), "keep me");
    EXPECT_EQ(slurp(fake.tmpdir() + "/trvltemp"), "mine");
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(slurp(fake.tmpdir() + "/trv" + std::to_string(i) + ".tmp"), "mine " + std::to_string(i));
    EXPECT_EQ(fake.files_in_tmpdir(), 21);
}

// fetchint: the number ahead of the first letter, separators skipped, wrapping at 2^32.
TEST(FetchInt, Cases)
{
    struct Case {
        const char *text;
        ULONG value;
    };
    const Case cases[] = {
        {"   4,096 bytes in each allocation unit.\n", 4096},
        {"1.5", 15},
        {"a123", 0},
        {"12 ab 34", 12},
        {"-5", 5},
        {"4294967295", 4294967295u},
        {"4294967296", 0},
        {"4294967297", 1},
        {"\xc2\xa0" "7\xe2\x80\xaf" "1", 71},
        {"", 0},
    };
    for (const Case &c : cases) {
        std::string s(c.text);
        EXPECT_EQ(fetchint(s.data()), c.value) << "text: \"" << c.text << "\"";
    }
}

}  // namespace
