// The cluster size probe against real child processes: fake checkers in the system directory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>
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
    ULONG spc = 111, bps = 222, fc = 333, tc = 444; // "untouched" markers
    std::string figures() const
    {
        return std::to_string(result) + ": " + std::to_string(spc) + " " + std::to_string(bps) + " " +
               std::to_string(tc) + " " + std::to_string(fc);
    }
};

Probe probe(const char *drive = "/")
{
    Probe p;
    p.result = getchkdsk(std::string(drive).data(), &p.spc, &p.bps, &p.fc, &p.tc);
    return p;
}

// Each checker's report and the figures the probe makes of it ("result:
// units-per-cluster bytes-per-unit total available"), as the case names say;
// the command line is "chkdsk %c:" of the drive's first character, and the
// report file is always removed.
TEST(Probe, Reports)
{
    const std::string good = FakeChecker::report("32,768", "131,071", "7");
    auto cat = [](const std::string &report) { return "cat <<'E'\n" + report + "E\n"; };
    struct Case {
        const char *what, *drive;
        std::string script, figures;
    } cases[] = {
        {"usual words", "/home/", cat(FakeChecker::report("4,096", "523,776", "401,234")), "1: 8 512 523776 401234"},
        {"today's wording", "/",
         cat(" 4096 bytes in each allocation unit.\n 1000 total allocation units on disk.\n"
             " 10 allocation units available on disk.\n"),
         "1: 8 512 1000 10"},
        {"empty report", "c:\\", "", "0: 0 512 0 0"},
        {"garbage", "/", cat("\x01\x02\xff garbage\n%s%n\n\n"), "0: 0 512 0 0"},
        {"another language", "/", cat("4096 octets dans chaque unite d'allocation.\n"), "0: 0 512 0 0"},
        {"no available units", "/", cat(FakeChecker::report("4096", "1000", "0")), "0: 8 512 1000 0"},
        {"unit below 512", "/", cat(FakeChecker::report("256", "1000", "10")), "0: 0 512 1000 10"},
        {"unit of 1000", "/", cat(FakeChecker::report("1000", "5", "6")), "1: 1 512 5 6"},
        {"last line wins", "/", cat(good + "  1024 bytes in each allocation unit\n 9 total allocation units\n"),
         "1: 2 512 9 7"},
        {"exit code 3", "/", cat(good) + "exit 3", "1: 64 512 131071 7"},
        {"slow", "/", "sleep 2\n" + cat(good), "1: 64 512 131071 7"},
        {"stderr ignored", "/",
         "echo '512 bytes in each allocation unit' >&2\n" + cat(good) + "echo '99 total allocation units' >&2",
         "1: 64 512 131071 7"},
        {"long lines", "/", cat(std::string(3 * MAX_PATH, 'x') + "\n" + std::string(MAX_PATH + 900, ' ') + good),
         "1: 64 512 131071 7"},
    };
    for (const Case &c : cases) {
        FakeChecker fake;
        fake.install(c.script);
        EXPECT_EQ(probe(c.drive).figures(), c.figures) << c.what;
        EXPECT_EQ(slurp(fake.argsfile()), std::string(1, c.drive[0]) + ":\n") << c.what;
        EXPECT_EQ(fake.files_in_tmpdir(), 0) << c.what;
    }
}

// No checker in the system directory: the probe fails and leaves its
// outputs and no file behind. Nothing is searched for: a checker first on
// PATH or in the current directory (the surveyed tree) never runs.
TEST(Probe, OnlyTheSystemDirectorysCheckerRuns)
{
    TempTree elsewhere; /* before the fake's $TMPDIR, which must stay empty */
    FakeChecker fake;
    for (const char *dir : {"onpath", "cwd"}) {
        elsewhere.dir(dir);
        std::string planted = elsewhere.path(std::string(dir) + "/chkdsk");
        std::ofstream(planted) << "#!/bin/sh\necho " << dir << " >> '" << elsewhere.path("ran") << "'\n";
        chmod(planted.c_str(), 0755);
    }
    ChildResult r =
        run_in_child([&] { /* PATH and the current directory changed there only */
                           setenv("PATH", (elsewhere.path("onpath") + ":.:" + getenv("PATH")).c_str(), 1);
                           return chdir(elsewhere.path("cwd").c_str()) == 0 ? probe().figures() : "chdir failed";
        });
    EXPECT_EQ(r.output, "0: 111 222 444 333");
    EXPECT_EQ(fake.files_in_tmpdir(), 0);
    EXPECT_EQ(slurp(elsewhere.path("ran")), "") << "a checker outside the system directory ran";
}

// The checker gets /dev/null for all but its standard output, the report
// file, already without a name, so that nothing is left of it however the
// program ends; and no other descriptor of the program's, even one opened
// without O_CLOEXEC; it runs in a process group of its own.
TEST(Probe, CheckerGetsOnlyItsOwnDescriptors)
{
    FakeChecker fake;
    TempTree t;
    /* $$ in the substitution is still the checker's shell, whose descriptors are listed. */
    fake.install("x=$(for f in /proc/$$/fd/*; do echo \"${f##*/} $(readlink $f)\"; done)\necho \"$x\" > '" +
                 t.path("fds") + "'\necho $$ $(cut -d' ' -f5 /proc/$$/stat) > '" + t.path("group") + "'");
    HANDLE kept = CreateFileA(t.path("other").c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
    const int leaky = open(t.path("leaky").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_TRUE(kept != INVALID_HANDLE_VALUE && leaky >= 0);
    probe();
    close(leaky);
    CloseHandle(kept);
    const std::string fds = slurp(t.path("fds"));
    for (const std::string &line : {std::string("\n0 /dev/null\n"), "\n1 " + fake.tmpdir() + "/trv",
                                    std::string(".tmp (deleted)\n"), std::string("\n2 /dev/null\n")})
        EXPECT_NE(("\n" + fds).find(line), std::string::npos) << line << " not in:\n" << fds;
    for (const char *name : {"other", "leaky"}) /* the shell may hold its script open too */
        EXPECT_EQ(fds.find(t.path(name)), std::string::npos) << fds;
    long pid = 0, group = -1;
    std::istringstream(slurp(t.path("group"))) >> pid >> group;
    EXPECT_TRUE(pid == group && group != (long)getpgrp()) << "group " << group << " of checker " << pid;
}

// Whether the process whose pid is in `pidfile` is gone, or a zombie waiting
// for whoever adopted it (SIGKILL takes effect when the process next runs);
// one still running is killed so that a failed test leaves nothing behind.
bool ended(const std::string &pidfile)
{
    const int pid = atoi(slurp(pidfile).c_str());
    for (int i = 0; pid > 0 && i < 500; ++i) {
        std::string stat = slurp("/proc/" + std::to_string(pid) + "/stat");
        if (stat.empty() || stat.find(") Z ") != std::string::npos)
            return true;
        usleep(10000);
    }
    if (pid > 0)
        kill(pid, SIGKILL);
    return false;
}

// What a checker leaves running in its process group is stopped once the
// checker has ended, its report still read; a checker that never ends is
// stopped at the limit (a minute, made to pass here in 60 ms), the probe
// failing with its outputs untouched.
TEST(Probe, CheckersAndWhatTheyLeaveAreStopped)
{
    FakeChecker fake;
    TempTree t;
    const std::string report = FakeChecker::report("4096", "10", "5");
    fake.install("sleep 300 &\necho $! > '" + t.path("pid") + "'\ncat <<'E'\n" + report + "E");
    EXPECT_EQ(probe().result, 1);
    EXPECT_TRUE(ended(t.path("pid")));
    fake.install("echo $$ > '" + t.path("pid") + "'\nexec sleep 600");
    ChildResult r = run_in_child([] {
        alarm(5); /* without the limit the probe would wait for ever */
        testhooks::speed_up_waits(1000);
        return probe().figures();
    });
    EXPECT_EQ(r.output, "0: 111 222 444 333") << "status " << r.status;
    EXPECT_TRUE(ended(t.path("pid")));
}

// The report file never lands where a relative TMPDIR would put it (in the
// directory about to be surveyed, after the dialog's change of directory):
// the system's /tmp instead. A program killed while its checker runs leaves
// neither the checker nor the file behind.
TEST(Probe, NothingLeftInTheTreeOrBehind)
{
    FakeChecker fake;
    TempTree tree;
    /* The checker notes where its output goes, then kills the program. */
    fake.install("x=$(readlink /proc/$$/fd/1)\necho \"$x\" > '" + tree.path("where") + "'\necho $$ > '" +
                 tree.path("pid") + "'\nkill -KILL $PPID\nexec sleep 600");
    ChildResult r = run_in_child([&] {
        setenv("TMPDIR", ".", 1);
        if (chdir(tree.root().c_str()) != 0)
            return std::string("chdir failed");
        probe();
        return std::string("the probe ended");
    });
    EXPECT_EQ(r.status, 128 + SIGKILL) << r.output;
    EXPECT_TRUE(ended(tree.path("pid"))) << "the checker outlives the program";
    const std::string where = slurp(tree.path("where"));
    EXPECT_TRUE(where.rfind("/tmp/trv", 0) == 0 && where.find(".tmp (deleted)\n") != std::string::npos)
        << "the report file, nameless while the checker runs: " << where;
    std::string files;
    run_command("ls " + quote(tree.root()), &files, nullptr);
    EXPECT_EQ(files, "pid\nwhere\n");
}

// Tarvel's own checker reports the filesystem of its current directory as
// statvfs sees it, available units being those an ordinary user may use
// (the temporary folder's free space may move meanwhile, so the nearer).
TEST(Probe, RealCheckerReportsTheFilesystem)
{
    TempTree tree;
    std::string out = child_output([&]() -> std::string {
        struct statvfs vfs;
        std::string report, err;
        if (statvfs(tree.root().c_str(), &vfs) != 0 || chdir(tree.root().c_str()) != 0)
            return "no tree";
        if (run_command(std::string(TARVEL_CHECKER_DIR) + "/chkdsk", &report, &err) != 0)
            return "failed: " + err;
        if (report.rfind("Volume /", 0) != 0)
            return "no volume line: " + report;
        setenv("TARVEL_SYSTEM_DIR", TARVEL_CHECKER_DIR, 1);
        Probe p = probe();
        auto near = [](double a, double b) { return std::abs(a - b); };
        if (p.result != 1 || p.spc * p.bps != vfs.f_frsize / 512 * 512 ||
            p.tc != std::min<unsigned long long>(vfs.f_blocks, 0xFFFFFFFFu) ||
            near(p.fc, vfs.f_bavail) > near(p.fc, vfs.f_bfree))
            return p.figures() + "\n" + report;
        return "OK";
    });
    EXPECT_EQ(out, "OK");
}

// Files named like the report file, in the temporary folder and in the
// current directory, are never touched.
TEST(Probe, ExistingFilesUntouched)
{
    TempTree cwd;
    FakeChecker fake;
    fake.prints(FakeChecker::report("4096", "10", "5"));
    std::vector<std::string> names = {cwd.path("trvltemp"), fake.tmpdir() + "/trvltemp"};
    for (int i = 0; i < 20; ++i)
        names.push_back(fake.tmpdir() + "/trv" + std::to_string(i) + ".tmp");
    for (const std::string &n : names)
        std::ofstream(n) << n;
    char old[MAX_PATH];
    ASSERT_TRUE(getcwd(old, sizeof old) && chdir(cwd.root().c_str()) == 0);
    EXPECT_EQ(probe().result, 1);
    EXPECT_EQ(chdir(old), 0);
    for (const std::string &n : names)
        EXPECT_EQ(slurp(n), n);
    EXPECT_EQ(fake.files_in_tmpdir(), 21);
}

// fetchint: the number ahead of the first letter, separators skipped, wrapping at 2^32.
TEST(FetchInt, Cases)
{
    const std::pair<std::string, ULONG> cases[] = {
        {"   4,096 bytes in each allocation unit.\n", 4096},
        {"1.5", 15},
        {"a123", 0},
        {"12 ab 34", 12},
        {"-5", 5},
        {"4294967295", 4294967295u},
        {"4294967296", 0},
        {"4294967297", 1},
        {"\xc2\xa0"
         "7\xe2\x80\xaf"
         "1",
         71},
        {"", 0},
    };
    for (auto [text, value] : cases)
        EXPECT_EQ(fetchint(text.data()), value) << "text: \"" << text << "\"";
}

} // namespace
