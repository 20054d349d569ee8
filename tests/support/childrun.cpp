#include "childrun.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

ChildResult run_in_child(const std::function<std::string()> &fn)
{
    int p[2];
    if (pipe2(p, O_CLOEXEC) != 0)
        return {-1, "pipe failed"};
    pid_t pid = fork();
    if (pid < 0) {
        close(p[0]);
        close(p[1]);
        return {-1, "fork failed"};
    }
    if (pid == 0) {
        close(p[0]);
        std::string out;
        int code = 0;
        try {
            out = fn();
        } catch (...) {
            out = "exception in child";
            code = 1;
        }
        size_t done = 0;
        while (done < out.size()) {
            ssize_t w = write(p[1], out.data() + done, out.size() - done);
            if (w <= 0)
                break;
            done += (size_t)w;
        }
        _exit(code);
    }
    close(p[1]);
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = read(p[0], buf, sizeof buf)) != 0) {
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        out.append(buf, (size_t)n);
    }
    close(p[0]);
    int st = 0;
    while (waitpid(pid, &st, 0) < 0 && errno == EINTR) {
    }
    return {WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st), out};
}

std::string drop_to_nobody()
{
    if (setgroups(0, nullptr) != 0)
        return std::string("setgroups: ") + strerror(errno);
    if (setresgid(65534, 65534, 65534) != 0)
        return std::string("setresgid: ") + strerror(errno);
    if (setresuid(65534, 65534, 65534) != 0)
        return std::string("setresuid: ") + strerror(errno);
    return "";
}

std::string private_mounts()
{
    if (unshare(CLONE_NEWNS) != 0)
        return std::string("unshare(CLONE_NEWNS): ") + strerror(errno);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("making mounts private: ") + strerror(errno);
    return "";
}
