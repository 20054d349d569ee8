// tarvel-scan as a user runs it: command line, output forms, exit status, bad input.
#include <gtest/gtest.h>

#include <windows.h>

#include <signal.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cmath>
#include <sstream>
#include <string>

#include "childrun.h"
#include "fakechecker.h"
#include "temptree.h"

namespace {

const std::string scanner = TARVEL_SCAN_PATH;

// A bad command line: usage on standard error, status 2; --help and
// --version answer on standard output with status 0.
TEST(ScanCli, CommandLine)
{
    const std::string usage = "usage: tarvel-scan [--cluster-size N] [--format=text|tsv] [--what-if[=SIZES]] DIR\n";
    for (std::string args : {"", "--cluster-size", "--cluster-size abc /", "--cluster-size 0 /", "--bogus /", "/ /tmp",
                             "--format=csv /", "--", "-- / extra"}) {
        std::string out, err;
        EXPECT_EQ(run_command(scanner + " " + args, &out, &err), 2) << args;
        EXPECT_NE(err.find(usage), std::string::npos) << args;
        EXPECT_EQ(out, "") << args;
    }
    std::string out, err;
    EXPECT_EQ(run_command(scanner + " --help", &out, nullptr), 0);
    EXPECT_TRUE(out.rfind(usage, 0) == 0 && out.find("Exit status: 0 when the report is complete") != std::string::npos)
        << out;
    EXPECT_EQ(run_command(scanner + " --version", &out, nullptr), 0);
    EXPECT_EQ(out, "tarvel-scan " TARVEL_VERSION "\n");
    for (const char *what : {"help", "version"}) { /* and where they cannot be written, that is said */
        EXPECT_EQ(run_command(scanner + " --" + what + " >/dev/full", nullptr, &err), 1) << what;
        EXPECT_EQ(err, "tarvel-scan: cannot write the " + std::string(what) + ": No space left on device\n");
    }
}

// The whole report, one output line per report line, control bytes escaped;
// the exit status says whether it is whole: 0 (a probe that fell back on the
// volume's figures included, without a word: they are exact here), else 1
// with the reason on standard error. A
// relative DIR is surveyed under its full path, and so is one after "--"
// that looks like an option. A link loop as DIR is told as one, and a
// directory left out for its path's length by name.
TEST(ScanCli, ReportAndStatus)
{
    FakeChecker fake; /* none: the probe falls back, which is no loss */
    TempTree whole, tree;
    whole.file("new\nline/f", 2048);
    tree.file("plain", 3);
    const struct {
        std::string args, out, err; /* out: the whole output, or a line it holds when it starts with '~' */
        int status;
    } cases[] = {
        {"--cluster-size 1024 " + quote(whole.root()),
         "Drive " + mount_point(whole.root()) + " has a cluster size of 1024 bytes\n" + whole.root() +
             "/new\\012line/*.* 2K used, 0K wasted\n" + whole.root() +
             "/*.* 2K used (0K here, 2K sub dir), 0K wasted (0K here, 0K sub dir)\n\n",
         "", 0},
        {"--cluster-size 512 sub", "~" + tree.root() + "/sub/*.* 0K used, 0K wasted\n", "", 0},
        {quote(tree.root()), "~\n", "", 0},
        {quote(tree.path("missing")), "", "tarvel-scan: " + tree.path("missing") + ": No such file or directory\n", 1},
        {quote(tree.path("plain")), "", "tarvel-scan: " + tree.path("plain") + ": Not a directory\n", 1},
        {"--cluster-size 512 -- -dash", "~" + tree.root() + "/-dash/*.* 0K used, 0K wasted\n", "", 0},
        {quote(tree.path("loop")), "", "tarvel-scan: " + tree.path("loop") + ": Too many levels of symbolic links\n",
         1},
    };
    tree.dir("sub");
    tree.dir("-dash");
    tree.symlink("loop", "loop");
    for (const auto &c : cases) {
        std::string out, err;
        EXPECT_EQ(run_command("cd " + quote(tree.root()) + " && " + scanner + " " + c.args, &out, &err), c.status)
            << c.args;
        EXPECT_EQ(err, c.err) << c.args;
        EXPECT_TRUE(c.out[0] == '~' ? out.find(c.out.substr(1)) != std::string::npos : out == c.out) << c.args << ":\n"
                                                                                                     << out;
    }
    /* A directory whose path would pass MAX_PATH is left out and named. */
    std::string out, err;
    tree.deep("sub", 17, 'n');
    EXPECT_EQ(run_command(scanner + " --cluster-size 512 " + quote(tree.path("sub")), &out, &err), 1);
    EXPECT_EQ(err.rfind("Failure: Directory Path too long <" + tree.path("sub/" + std::string(250, 'n') + "/"), 0), 0u)
        << err;
}

// --format=tsv is the same scan in exact bytes: the driver's line as a
// comment, the heading, one row per directory in the report's order, each
// rounding to its text line's kilobytes and adding up; names escaped alike,
// the backslash too, so that a newline and a literal "\012" differ; a name
// ending in ':' is no drive root and gets no separator.
TEST(ScanCli, TsvAgreesWithTheText)
{
    TempTree tree;
    tree.file("a/f", 5000);
    tree.file("a/b/g", 1500);
    tree.file("a/b/c/h", 1);
    tree.file("odd\tname\n/x", 2500);
    tree.dir("a/empty");
    tree.dir("odd\\011name\\012:");
    std::string text, tsv;
    ASSERT_EQ(run_command(scanner + " --cluster-size 1000 " + quote(tree.root()), &text, nullptr), 0);
    ASSERT_EQ(run_command(scanner + " --format=tsv --cluster-size 1000 " + quote(tree.root()), &tsv, nullptr), 0);
    std::istringstream lines(text), rows(tsv);
    std::string line, row;
    std::getline(lines, line);
    std::getline(rows, row);
    EXPECT_EQ(row, "# " + line);
    std::getline(rows, row);
    EXPECT_EQ(row, "used\tused_here\tused_subdir\twasted\twasted_here\twasted_subdir\tpath");
    auto kb = [](double bytes) { return std::to_string((long long)std::nearbyint(bytes / 1024)) + "K"; };
    int n = 0;
    for (; std::getline(lines, line) && !line.empty() && std::getline(rows, row); ++n) {
        double f[6];
        char path[4096];
        ASSERT_EQ(
            sscanf(row.c_str(), "%lf\t%lf\t%lf\t%lf\t%lf\t%lf\t%4095[^\n]", f, f + 1, f + 2, f + 3, f + 4, f + 5, path),
            7);
        EXPECT_TRUE(f[0] == f[1] + f[2] && f[3] == f[4] + f[5]) << row;
        const std::string head = std::string(path) + "/*.* " + kb(f[0]) + " used";
        EXPECT_EQ(line, f[2] || f[5] ? head + " (" + kb(f[1]) + " here, " + kb(f[2]) + " sub dir), " + kb(f[3]) +
                                           " wasted (" + kb(f[4]) + " here, " + kb(f[5]) + " sub dir)"
                                     : head + ", " + kb(f[3]) + " wasted");
    }
    EXPECT_EQ(n, 7) << "a row for each line";
    EXPECT_FALSE(std::getline(rows, row)) << row;
    EXPECT_NE(tsv.find("\t" + tree.root() + "/odd\\011name\\012\n"), std::string::npos) << tsv;
    EXPECT_NE(tsv.find("\t" + tree.root() + "/odd\\134011name\\134012:\n"), std::string::npos) << tsv;
    EXPECT_NE(text.find("\n" + tree.root() + "/odd\\134011name\\134012:/*.* 0K"), std::string::npos) << text;
    EXPECT_NE(tsv.find("6501\t5000\t1501\t"), std::string::npos) << "a's figures, exact to the byte\n" << tsv;
}

// TSV's bytes are exact where the report's doubles are not: a sparse file of
// 2^53 + 1 bytes (on a tmpfs, /dev/shm, where one can be made).
TEST(ScanCli, TsvExactBeyondDoubles)
{
    char dir[] = "/dev/shm/tarvel-test-XXXXXX";
    if (!mkdtemp(dir))
        GTEST_SKIP() << "no /dev/shm here: " << strerror(errno);
    const std::string root = dir, sub = root + "/d";
    const bool made = mkdir(sub.c_str(), 0700) == 0 &&
                      run_command("truncate -s 9007199254740993 " + quote(sub + "/big"), nullptr, nullptr) == 0;
    std::string tsv, err;
    const int status = run_command(scanner + " --format=tsv --cluster-size 4096 " + quote(root), &tsv, &err);
    run_command("rm -rf " + quote(root), nullptr, nullptr);
    if (!made)
        GTEST_SKIP() << "a file of 2^53 + 1 bytes cannot be made in /dev/shm";
    EXPECT_EQ(status, 0) << err;
    EXPECT_NE(tsv.find("\n9007199254740993\t9007199254740993\t0\t4095\t4095\t0\t" + sub + "\n"), std::string::npos)
        << tsv;
    EXPECT_NE(tsv.find("\n9007199254740993\t0\t9007199254740993\t4095\t0\t4095\t" + root + "\n"), std::string::npos)
        << tsv;
}

// Tarvel's own checker, found beside the program in the build tree and in an
// installed layout (<prefix>/bin and <prefix>/lib/tarvel/system), gives the
// cluster size: no message at all, no drive-size warning.
TEST(ScanCli, OwnCheckerGivesTheClusterSize)
{
    TempTree tree, prefix;
    tree.file("f", 5000);
    struct statvfs vfs;
    ASSERT_EQ(statvfs(tree.root().c_str(), &vfs), 0);
    const std::string bin = quote(prefix.path("usr/bin")), sys = quote(prefix.path("usr/lib/tarvel/system"));
    ASSERT_EQ(run_command("mkdir -p " + bin + " " + sys + " && cp " + scanner + " " + bin +
                              " && cp " TARVEL_CHECKER_DIR "/chkdsk " + sys,
                          nullptr, nullptr),
              0);
    for (const std::string &program : {scanner, prefix.path("usr/bin/tarvel-scan")}) {
        std::string out, err;
        EXPECT_EQ(run_command("env -u TARVEL_SYSTEM_DIR " + program + " " + quote(tree.root()), &out, &err), 0);
        EXPECT_EQ(err, "") << program;
        EXPECT_EQ(out.substr(0, out.find('\n')), "Drive " + mount_point(tree.root()) + " has a cluster size of " +
                                                     std::to_string(vfs.f_frsize) + " bytes")
            << program;
    }
}

// A directory the user may not read gets its 0K line, and the tool says which
// and why, with status 1 (as an unprivileged user: root reads everything).
TEST(ScanCli, UnreadableDirectoryAsUnprivilegedUser)
{
    if (run_command("command -v setpriv", nullptr, nullptr) != 0)
        GTEST_SKIP() << "setpriv is not installed";
    TempTree tree;
    tree.file("locked/secret", 4096);
    tree.file("listonly/secret", 4096); /* its names can be read, its sizes not */
    tree.file("open/f", 1024);
    tree.chmod("locked", 0);
    tree.chmod("listonly", 0444);
    std::string out, err;
    int st = run_command("setpriv --reuid=65534 --regid=65534 --clear-groups " + scanner + " --cluster-size 1024 " +
                             quote(tree.root()),
                         &out, &err);
    if (st != 0 && err.find("setpriv") != std::string::npos)
        GTEST_SKIP() << "cannot change user here: " << err;
    EXPECT_EQ(st, 1) << err;
    const std::string locked = "tarvel-scan: cannot read directory " + tree.path("locked") + ": Permission denied\n",
                      listonly =
                          "tarvel-scan: cannot read directory " + tree.path("listonly") + ": Permission denied\n";
    EXPECT_TRUE(err == locked + listonly +
                           "Failure: 2 directories could not be read completely; their figures are "
                           "incomplete\n" ||
                err == listonly + locked +
                           "Failure: 2 directories could not be read completely; their figures are "
                           "incomplete\n")
        << err;
    EXPECT_NE(out.find(tree.root() + "/locked/*.* 0K used, 0K wasted\n"), std::string::npos) << out;
    EXPECT_NE(out.find(tree.root() + "/listonly/*.* 0K used, 0K wasted\n"), std::string::npos) << out;
    EXPECT_NE(out.find(tree.root() + "/*.* 1K used (0K here, 1K sub dir)"), std::string::npos) << out;
}

// A directory too large to list in the memory there is (AddressSanitizer's
// limit on one allocation, the only one that can be set from outside): named
// with the reason, one error box, its line missing, the rest printed, status
// 1, and no abort.
TEST(ScanCli, OutOfMemoryForOneDirectory)
{
#ifndef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "needs the AddressSanitizer build";
#endif
    TempTree tree;
    const std::string big = quote(tree.path("big"));
    ASSERT_EQ(run_command("mkdir " + big + " && cd " + big + " && seq -f f%06g 40000 | xargs touch", 0, 0), 0);
    std::string out, err;
    EXPECT_EQ(run_command("ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=1 " + scanner +
                              " --cluster-size 1024 " + quote(tree.root()),
                          &out, &err),
              1);
    std::string told; /* the sanitizer's own warning of the refused allocation aside */
    for (size_t at = 0, end; (end = err.find('\n', at)) != std::string::npos; at = end + 1)
        if (err.compare(at, 2, "==") != 0)
            told += err.substr(at, end + 1 - at);
    EXPECT_EQ(told, "tarvel-scan: cannot read directory " + tree.path("big") +
                        ": Cannot allocate memory\nError: Memory allocation failed <8>\n");
    EXPECT_EQ(out.substr(out.find('\n') + 1), tree.root() + "/*.* 0K used, 0K wasted\n\n");
}

// A failed write (a pipe nobody reads, a full disk) is reported where it can
// be, never a death by SIGPIPE: status 1, the other stream whole.
TEST(ScanCli, FailedWritesAreReported)
{
    TempTree tree;
    tree.deep("", 17, 'n');            /* a directory left out for its path's length: a message on standard error */
    ChildResult r = run_in_child([&] { /* standard error to a pipe whose reader is gone */
                                       int p[2];
                                       if (pipe(p) != 0)
                                           return std::string("no pipe");
                                       close(p[0]);
                                       dup2(p[1], 3);
                                       signal(SIGPIPE, SIG_DFL); /* as a shell would start it */
                                       std::string report;
                                       int status =
                                           run_command(scanner + " --cluster-size 512 " + quote(tree.root()) + " 2>&3",
                                                       &report, nullptr);
                                       return std::to_string(status) + " " + report;
    });
    EXPECT_EQ(r.output.substr(0, 2), "1 ");
    EXPECT_NE(r.output.find(tree.root() + "/*.* 0K used, 0K wasted\n"), std::string::npos) << r.output;
    std::string message;
    TempTree plain;
    EXPECT_EQ(run_command(scanner + " --cluster-size 512 " + quote(plain.root()) + " >/dev/full", nullptr, &message),
              1);
    EXPECT_EQ(message, "tarvel-scan: cannot write the report: No space left on device\n");
}

} // namespace

namespace {

/* --what-if's TSV rows as "cluster files used wasted on_disk" strings, and its allocated figure. */
std::vector<std::string> whatif_rows(const std::string &tsv, std::string *allocated)
{
    std::vector<std::string> rows;
    std::istringstream in(tsv);
    for (std::string line; std::getline(in, line);) {
        const std::string mark = "# allocated by the filesystem: ";
        if (line.rfind(mark, 0) == 0)
            *allocated = line.substr(mark.size());
        if (line.empty() || line[0] == '#')
            continue;
        for (char &c : line)
            c = c == '\t' ? ' ' : c;
        rows.push_back(line);
    }
    return rows;
}

} // namespace

// --what-if: from one scan, the whole tree's files on each cluster size, in
// exact bytes against figures worked out here from the sizes chosen (each
// name of a hard link, a link at its own size, a sparse file beyond 32 bits,
// files below, at and one past a multiple); the allocated figure is the sum
// of stat's own blocks; the text says the same for people, this drive's size
// marked. A list that is no list of sizes is a usage error naming the item.
TEST(ScanCli, WhatIf)
{
    TempTree tree;
    const std::vector<std::pair<std::string, uint64_t>> files = {
        {"empty", 0}, {"one", 1}, {"k4", 4096}, {"k4p1", 4097}, {"sub/k128", 131072}, {"sub/deep/odd", 5000}};
    for (const auto &[name, size] : files)
        tree.file(name, size);
    tree.sparse("sub/big", 5ULL << 30 | 3);
    tree.symlink("link", "k4");
    ASSERT_EQ(link(tree.path("one").c_str(), tree.path("sub/hard").c_str()), 0);
    std::vector<uint64_t> sizes = {0, 1, 4096, 4097, 131072, 5000, 5ULL << 30 | 3, 2 /* link */, 1 /* hard */};
    uint64_t blocks = 0;
    for (const char *name : {"empty", "one", "k4", "k4p1", "sub/k128", "sub/deep/odd", "sub/big", "link", "sub/hard"}) {
        struct stat st;
        ASSERT_EQ(lstat(tree.path(name).c_str(), &st), 0);
        blocks += (uint64_t)st.st_blocks * 512;
    }
    std::vector<std::string> expected;
    for (uint64_t c : {512, 4096, 32768, 131072}) {
        uint64_t used = 0, wasted = 0;
        for (uint64_t s : sizes)
            used += s, wasted += (c - s % c) % c;
        expected.push_back(std::to_string(c) + " 9 " + std::to_string(used) + " " + std::to_string(wasted) + " " +
                           std::to_string(used + wasted));
    }
    std::string out, err, allocated;
    ASSERT_EQ(run_command(scanner + " --what-if=128K,512,32K,4k,512 --format=tsv " + quote(tree.root()), &out, &err), 0)
        << err;
    EXPECT_EQ(whatif_rows(out, &allocated),
              (std::vector<std::string>{"cluster_size files used wasted on_disk", expected[0], expected[1], expected[2],
                                        expected[3]}));
    EXPECT_EQ(allocated, std::to_string(blocks) + " bytes");
    EXPECT_EQ(out.rfind("# Drive ", 0), 0u) << out;

    ASSERT_EQ(run_command(scanner + " --what-if " + quote(tree.root()), &out, &err), 0) << err;
    /* The table: a heading and 13 rows, columns aligned (a row as wide as the heading, bar its mark). */
    std::istringstream text(out);
    std::vector<std::string> table;
    for (std::string line; std::getline(text, line);)
        if (line.rfind("cluster", 0) == 0 || (!table.empty() && !line.empty() && table.size() < 14))
            table.push_back(line);
    ASSERT_EQ(table.size(), 14u) << out;
    for (const std::string &row : table)
        EXPECT_EQ(row.size() - (row.find(" <- ") != std::string::npos ? 15 : 0), table[0].size()) << row;
    EXPECT_NE(out.find("\n     4K      9  "), std::string::npos) << out;
    EXPECT_NE(out.find("  <- this drive\n"), std::string::npos) << out;
    EXPECT_NE(out.find("     2M      9"), std::string::npos) << out;
    EXPECT_NE(out.find("directories' own storage is not included"), std::string::npos) << out;

    for (const char *bad : {"0", "-4K", "4K,,8K", "", "2147483649", "3G", "4KB", "4K,", "2049M"}) {
        EXPECT_EQ(run_command(scanner + " --what-if=" + quote(bad) + " /", &out, &err), 2) << bad;
        EXPECT_NE(err.find("--what-if: \""), std::string::npos) << err;
    }
    EXPECT_EQ(run_command(scanner + " --what-if=2048M --format=tsv " + quote(tree.path("sub/deep")), &out, &err), 0)
        << err;

    /* A file whose whole path is longer than PATH_MAX is measured all the same. */
    TempTree deep;
    deep.deep("", 16, 'd', 5000);
    EXPECT_EQ(run_command(scanner + " --what-if=4K --format=tsv " + quote(deep.root()), &out, &err), 0) << err;
    EXPECT_NE(out.find("\n4096\t1\t5000\t3192\t8192\n"), std::string::npos) << out;
}
