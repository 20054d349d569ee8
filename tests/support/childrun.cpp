#include "childrun.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <sched.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "temptree.h"

ChildResult run_in_child(const std::function<std::string()> &fn)
{
    int p[2];
    if (pipe2(p, O_CLOEXEC) != 0)
        return {-1, "pipe failed"};
    pid_t pid = fork();
    if (pid == 0) {
        close(p[0]);
        std::string out = "exception in child";
        int code = 1;
        try {
            out = fn();
            code = 0;
        } catch (...) {
        }
        /* A blocking write to a pipe the parent drains writes it all. */
        _exit(write(p[1], out.data(), out.size()) == (ssize_t)out.size() ? code : 2);
    }
    close(p[1]);
    std::string out;
    char buf[4096];
    for (ssize_t n; pid > 0 && (n = read(p[0], buf, sizeof buf)) != 0;)
        if (n > 0)
            out.append(buf, (size_t)n);
        else if (errno != EINTR)
            break;
    close(p[0]);
    int st = 0;
    if (pid < 0)
        return {-1, "fork failed"};
    while (waitpid(pid, &st, 0) < 0 && errno == EINTR) {}
    return {WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st), out};
}

std::string child_output(const std::function<std::string()> &fn)
{
    ChildResult r = run_in_child(fn);
    if (r.output.rfind("SKIP ", 0) == 0)
        [&] { GTEST_SKIP() << r.output; }();
    else
        EXPECT_EQ(r.status, 0) << r.output;
    return r.output;
}

std::string fresh_process_output(const std::function<std::string()> &fn)
{
    const ::testing::TestInfo *t = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(t->test_suite_name()) + "." + t->name();
    static const char mark[] = "TARVEL_FRESH_PART", separator[] = "\n--- the fresh process says:\n";
    if (const char *part = getenv(mark); part && name == part) {
        /* The fresh process: the piece, its text, and an end before gtest
         * says anything of its own. */
        std::string out;
        try {
            out = fn();
        } catch (...) {
            out = "exception in the fresh process";
        }
        printf("%s%s", separator, out.c_str());
        fflush(stdout);
        _exit(0);
    }
    std::string out;
    const int status = run_command(std::string(mark) + "=" + name + " /proc/" + std::to_string(getpid()) +
                                       "/exe --gtest_filter=" + name,
                                   &out, nullptr);
    /* gtest speaks first: the piece's text follows the separator. */
    const size_t at = out.rfind(separator);
    out = at == std::string::npos ? "no text from the fresh process: " + out : out.substr(at + sizeof separator - 1);
    if (out.rfind("SKIP ", 0) == 0)
        [&] { GTEST_SKIP() << out; }();
    else
        EXPECT_EQ(status, 0) << out;
    return out;
}

static std::string failed(const char *what)
{
    return std::string(what) + ": " + strerror(errno);
}

std::string private_mounts()
{
    if (unshare(CLONE_NEWNS) != 0)
        return failed("unshare(CLONE_NEWNS)");
    return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ? failed("making mounts private") : "";
}

std::string private_tmpfs(const std::string &dir, const char *options)
{
    if (std::string why = private_mounts(); !why.empty())
        return "SKIP " + why;
    return mount("tarvel-test", dir.c_str(), "tmpfs", 0, options) != 0 ? "SKIP " + failed("mounting a tmpfs") : "";
}

std::string private_bind(const std::string &from, const std::string &dir)
{
    if (std::string why = private_mounts(); !why.empty())
        return "SKIP " + why;
    return mount(from.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) != 0 ? "SKIP " + failed("a bind mount") : "";
}

std::string leave_descriptors(int spare)
{
    int lowest = dup(0); /* every descriptor below it is in use */
    close(lowest);
    struct rlimit lim;
    getrlimit(RLIMIT_NOFILE, &lim);
    lim.rlim_cur = (rlim_t)(lowest + spare);
    return setrlimit(RLIMIT_NOFILE, &lim) != 0 ? failed("setrlimit") : "";
}
