/*
 * process.cpp - CreateProcessA, WaitForSingleObject, GetExitCodeProcess,
 * TerminateProcess, and the process side of CloseHandle.
 *
 * Differences from Win32:
 *  - The command line is split on blanks and tabs into arguments; there is
 *    no quoting and no shell.
 *  - lpApplicationName names the program (made absolute against the current
 *    directory); there is no search of PATH. The child gets the parent's
 *    environment and current directory: lpEnvironment and
 *    lpCurrentDirectory are refused (ERROR_INVALID_PARAMETER), as is a
 *    missing lpApplicationName.
 *  - Standard input and standard error are /dev/null; standard output is
 *    hStdOutput when STARTF_USESTDHANDLES is set and it is a file handle,
 *    else /dev/null too. No other descriptor reaches the child, whatever
 *    bInheritHandles says. Signal dispositions and mask start at their defaults.
 *  - The child leads its own process group, which does not outlive it: once
 *    it has ended, whatever it left running there is killed, as a job object
 *    that kills on close would. The child itself is killed when the program
 *    ends, however it ends (PR_SET_PDEATHSIG). TerminateProcess kills that whole group with
 *    SIGKILL and the exit code becomes uExitCode.
 *  - A program that cannot be found or started: FALSE, hProcess NULL and
 *    ERROR_FILE_NOT_FOUND. Creation flags, window settings and the security
 *    attributes are ignored; there is no thread handle (hThread is NULL).
 *  - A child killed by a signal has ended with exit code 128 + the signal.
 *    One reaped behind the layer's back (SIGCHLD ignored) has ended with 1.
 *  - WaitForSingleObject works on process handles only.
 *  - Closing the handle of a child that still runs never blocks: the child
 *    is reaped by a later call of this family.
 */
#include <windows.h>

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <linux/close_range.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "k32.h"
#include "seams.h"

extern char **environ;

namespace {

struct Process : k32::Object {
    pid_t pid;
    int pidfd; /* -1 where the kernel has no pidfd_open: then waits poll */
    bool ended;
    DWORD exit_code;
    bool terminated; /* TerminateProcess sent the SIGKILL */
    DWORD terminate_code;
};

/* Children whose handles were closed while they ran, reaped on later calls. */
std::mutex orphans_lock;
std::vector<pid_t> orphans;

/* If the child has ended: stops whatever it left running in its process
 * group, then reaps it. Seen ended but not yet reaped, its pid is still
 * reserved, so the group is named without reaching a stranger. `status` is
 * the wait status, or -1 when it was lost (reaped behind the layer's back).
 * False while the child runs. */
bool reap(pid_t pid, int *status)
{
    siginfo_t info;
    memset(&info, 0, sizeof info);
    int r;
    do
        r = waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT);
    while (r < 0 && errno == EINTR);
    if (r == 0 && info.si_pid == 0)
        return false;
    if (r == 0)
        kill(-pid, SIGKILL); /* its leftovers: no group outlives its leader */
    int st = 0;
    pid_t w;
    do
        w = waitpid(pid, &st, 0);
    while (w < 0 && errno == EINTR);
    *status = w == pid ? st : -1;
    return true;
}

void reap_orphans()
{
    std::lock_guard<std::mutex> hold(orphans_lock);
    for (size_t i = 0; i < orphans.size();) {
        int st;
        if (reap(orphans[i], &st)) {
            orphans[i] = orphans.back();
            orphans.pop_back();
        } else {
            i++;
        }
    }
}

void adopt_orphan(pid_t pid)
{
    std::lock_guard<std::mutex> hold(orphans_lock);
    try {
        orphans.push_back(pid);
    } catch (const std::bad_alloc &) {
        /* Left a zombie until the program ends; nothing better without blocking. */
    }
}

/* Collects the child's status if it has ended; true once it has. */
bool collect(Process *p)
{
    if (p->ended)
        return true;
    int st = 0;
    if (!reap(p->pid, &st))
        return false;
    p->ended = true;
    if (st < 0) /* someone else reaped it; the status is lost */
        p->exit_code = 1;
    else if (WIFEXITED(st))
        p->exit_code = static_cast<DWORD>(WEXITSTATUS(st));
    else if (WIFSIGNALED(st) && p->terminated && WTERMSIG(st) == SIGKILL)
        p->exit_code = p->terminate_code;
    else if (WIFSIGNALED(st))
        p->exit_code = 128 + static_cast<DWORD>(WTERMSIG(st));
    else
        p->exit_code = 1;
    return true;
}

int64_t now_ms()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

/* Splits on blanks and tabs. */
std::vector<std::string> split_command_line(const char *line)
{
    std::vector<std::string> args;
    const char *p = line;
    while (*p) {
        while (*p == ' ' || *p == '\t')
            p++;
        const char *start = p;
        while (*p && *p != ' ' && *p != '\t')
            p++;
        if (p > start)
            args.emplace_back(start, p);
    }
    return args;
}

/* In the child, between fork and exec: only calls safe after a fork of a
 * program with threads. Returns only when the program cannot be started. */
[[noreturn]] void become(const char *program, char *const *argv, int stdout_fd, pid_t parent, int report)
{
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; sig++)
        sigaction(sig, &dfl, nullptr);
    setpgid(0, 0);
    /* It dies with the program, however the program ends (killed too): a
     * checker is of no use to anyone else. */
    int failed = prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent ? ESRCH : 0;
    /* Standard output first: the given descriptor may itself be 0 or 2. */
    const int out = stdout_fd >= 0 ? stdout_fd : open("/dev/null", O_WRONLY);
    if (!failed && (out < 0 || dup2(out, 1) < 0))
        failed = errno;
    for (int fd = 0; fd <= 2 && !failed; fd += 2) {
        const int null = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null < 0 || dup2(null, fd) < 0)
            failed = errno;
        else if (null != fd)
            close(null);
    }
    /* The layer's own descriptors are close-on-exec; this also keeps out any
     * that other code opened without it. */
    if (!failed && syscall(SYS_close_range, 3, ~0U, CLOSE_RANGE_CLOEXEC) != 0)
        for (int fd = 3; fd < 1024; fd++)
            fcntl(fd, F_SETFD, FD_CLOEXEC);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (!failed) {
        execve(program, argv, environ);
        failed = errno;
    }
    ssize_t ignored = write(report, &failed, sizeof failed);
    (void)ignored;
    _exit(127);
}

/* Starts the program; the pid, or -1 with errno set. */
pid_t spawn(const std::string &program, std::vector<std::string> &args, int stdout_fd)
{
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    /* The child says why it could not start through this pipe, which its
     * exec closes. */
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return -1;
    /* No handler of the program's may run in the child. */
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0)
        become(program.c_str(), argv.data(), stdout_fd, parent, report[1]);
    const int forkerror = errno;
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    close(report[1]);
    if (pid < 0) {
        close(report[0]);
        errno = forkerror;
        return -1;
    }
    /* Until its exec closes the pipe: by then it leads its group. */
    int childerror = 0;
    ssize_t n;
    do
        n = read(report[0], &childerror, sizeof childerror);
    while (n < 0 && errno == EINTR);
    close(report[0]);
    if (n == sizeof childerror) {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
        errno = childerror;
        return -1;
    }
    return pid;
}

/* A descriptor that becomes readable when the child ends, or -1 where the
 * kernel has none. Called directly: this glibc's <sys/pidfd.h> lacks C linkage. */
int open_pidfd(pid_t pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

Process *process_of(HANDLE h)
{
    return static_cast<Process *>(k32::lookup_object(h, k32::Kind::process));
}

} // namespace

/* CloseHandle of a process: the child is reaped later if it still runs. */
static BOOL close_process(k32::Object *o)
{
    auto *p = static_cast<Process *>(o);
    if (!collect(p))
        adopt_orphan(p->pid);
    if (p->pidfd >= 0)
        close(p->pidfd);
    delete p;
    reap_orphans();
    return TRUE;
}

BOOL WINAPI CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES lpProcessAttributes,
                           LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags,
                           LPVOID lpEnvironment, LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                           LPPROCESS_INFORMATION lpProcessInformation)
{
    (void)lpProcessAttributes;
    (void)lpThreadAttributes;
    (void)bInheritHandles;
    (void)dwCreationFlags;
    reap_orphans();
    if (lpProcessInformation == NULL || lpStartupInfo == NULL || lpApplicationName == NULL || !*lpApplicationName ||
        lpEnvironment != NULL || lpCurrentDirectory != NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    memset(lpProcessInformation, 0, sizeof *lpProcessInformation);

    try {
        std::vector<std::string> args;
        if (lpCommandLine)
            args = split_command_line(lpCommandLine);
        std::string program = k32::absolute_path(lpApplicationName);
        if (args.empty())
            args.push_back(lpApplicationName); /* Win32: no command line runs the program bare */
        if (program.empty()) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }

        int stdout_fd = -1;
        if ((lpStartupInfo->dwFlags & STARTF_USESTDHANDLES) && lpStartupInfo->hStdOutput) {
            stdout_fd = k32::file_descriptor(lpStartupInfo->hStdOutput);
            if (stdout_fd < 0) {
                SetLastError(ERROR_INVALID_HANDLE);
                return FALSE;
            }
        }
        pid_t pid = spawn(program, args, stdout_fd);
        if (pid < 0) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }

        auto *p = new (std::nothrow) Process;
        if (!p || !k32::register_object(p)) {
            delete p;
            kill(-pid, SIGKILL);
            adopt_orphan(pid);
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return FALSE;
        }
        p->kind = k32::Kind::process;
        p->close = close_process;
        p->pid = pid;
        p->pidfd = open_pidfd(pid); /* close-on-exec by nature */
        p->ended = false;
        p->exit_code = STILL_ACTIVE;
        p->terminated = false;
        p->terminate_code = 0;
        lpProcessInformation->hProcess = p;
        lpProcessInformation->hThread = NULL;
        lpProcessInformation->dwProcessId = static_cast<DWORD>(pid);
        lpProcessInformation->dwThreadId = static_cast<DWORD>(pid);
        return TRUE;
    } catch (const std::bad_alloc &) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    reap_orphans();
    Process *p = process_of(hHandle);
    if (!p) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    if (seams::wait_time && dwMilliseconds != INFINITE)
        dwMilliseconds = seams::wait_time(dwMilliseconds);
    bool forever = dwMilliseconds == INFINITE;
    int64_t deadline = now_ms() + dwMilliseconds;
    for (;;) {
        if (collect(p))
            return WAIT_OBJECT_0;
        int64_t left = forever ? INT_MAX : deadline - now_ms();
        if (left <= 0)
            return WAIT_TIMEOUT;
        int slice = static_cast<int>(left < INT_MAX ? left : INT_MAX);
        if (p->pidfd >= 0) {
            struct pollfd pfd = {p->pidfd, POLLIN, 0};
            if (poll(&pfd, 1, forever ? -1 : slice) < 0 && errno != EINTR) {
                k32::set_error_from_errno(errno);
                return WAIT_FAILED;
            }
        } else {
            /* No pidfd: look again every 10 ms. */
            struct timespec ts = {0, (slice < 10 ? slice : 10) * 1000000L};
            nanosleep(&ts, nullptr);
        }
    }
}

BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode)
{
    reap_orphans();
    Process *p = process_of(hProcess);
    if (!p || lpExitCode == NULL) {
        SetLastError(p ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *lpExitCode = collect(p) ? p->exit_code : STILL_ACTIVE;
    return TRUE;
}

BOOL WINAPI TerminateProcess(HANDLE hProcess, UINT uExitCode)
{
    Process *p = process_of(hProcess);
    if (!p) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (collect(p)) { /* Win32: a process that has ended cannot be terminated */
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    /* The group takes the child's own children along; if the child left its
     * group, it is at least killed itself. The zombie keeps its pid reserved,
     * so the signal cannot reach a stranger. */
    if (kill(-p->pid, SIGKILL) != 0 && kill(p->pid, SIGKILL) != 0) {
        k32::set_error_from_errno(errno);
        return FALSE;
    }
    p->terminated = true;
    p->terminate_code = uExitCode;
    return TRUE;
}
