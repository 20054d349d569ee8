// CreateProcessA, WaitForSingleObject, GetExitCodeProcess, TerminateProcess
// with fake programs: shell scripts in a temporary directory put first on PATH.
#include <windows.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "temptree.h"

namespace {

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

/* The state letter of /proc/<pid>/stat, or 0 when there is no such process. */
char proc_state(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() ? line[close + 2] : 0;
}

/* Polls for up to 10 s until `done` holds. */
template <class F> void await(F done)
{
    for (int i = 0; i < 1000 && !done(); i++)
        usleep(10000);
}

/* Fake programs in <tree>/bin, which is first on PATH for the test. */
class ProcessTest : public ::testing::Test {
protected:
    TempTree t;
    std::string bin = t.path("bin"), oldpath = getenv("PATH") ? getenv("PATH") : "";

    void SetUp() override
    {
        t.dir("bin");
        setenv("PATH", (bin + ":" + oldpath).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", oldpath.c_str(), 1); }

    void script(const std::string &rel, const std::string &body, mode_t mode = 0755)
    {
        std::ofstream(t.path(rel)) << "#!/bin/sh\n" << body << "\n";
        chmod(t.path(rel).c_str(), mode);
    }

    /* Starts `cmdline` with its standard output in `out` (none when empty). */
    BOOL start(const std::string &cmdline, PROCESS_INFORMATION *pi, const std::string &out = "",
               const char *cwd = nullptr, const char *app = nullptr, void *env = nullptr)
    {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
        si.wShowWindow = SW_SHOWMINIMIZED;
        if (!out.empty()) {
            si.hStdOutput = CreateFileA(out.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, NULL);
            EXPECT_NE(si.hStdOutput, INVALID_HANDLE_VALUE);
        }
        std::vector<char> line(cmdline.c_str(), cmdline.c_str() + cmdline.size() + 1);
        memset(pi, 0x55, sizeof *pi); /* so that a NULL must really be written */
        BOOL ok = CreateProcessA(app, line.data(), NULL, NULL, TRUE, 0, env, cwd, &si, pi);
        DWORD error = GetLastError();
        if (si.hStdOutput)
            CloseHandle(si.hStdOutput);
        SetLastError(error);
        return ok;
    }

    /* Runs to the end; the exit code. */
    DWORD run(const std::string &cmdline, const std::string &out = "")
    {
        PROCESS_INFORMATION pi;
        if (!start(cmdline, &pi, out))
            return 0xDEADu;
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
        DWORD code = 0xBADu;
        EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
        EXPECT_TRUE(CloseHandle(pi.hProcess));
        return code;
    }
};

} // namespace

// Standard output goes to the given file, standard error does not; the
// arguments are the command line split on blanks and tabs; exit codes come back
// as the program gave them, 128 + the signal for one killed by a signal.
TEST_F(ProcessTest, OutputArgumentsAndExitCodes)
{
    struct {
        std::string body, cmdline;
        DWORD code;
        std::string out;
    } cases[] = {
        {"echo \"out $#:$1:$2\"; echo err >&2", "prog  C: \tsecond", 0, "out 2:C::second\n"},
        {"exit 3", "prog", 3, ""},
        {"exit 255", "prog", 255, ""},
        {"echo before; kill -TERM $$; echo after", "prog", 128 + SIGTERM, "before\n"},
    };
    for (const auto &c : cases) {
        script("bin/prog", c.body);
        EXPECT_EQ(run(c.cmdline, t.path("out")), c.code) << c.body;
        EXPECT_EQ(slurp(t.path("out")), c.out) << c.body;
    }
}

// Standard input and error are /dev/null, and standard output too without a
// handle; no other descriptor reaches the child, not even one opened without
// close-on-exec.
TEST_F(ProcessTest, ChildGetsOnlyItsStandardDescriptors)
{
    script("bin/fds", "for f in /proc/$$/fd/*; do echo \"${f##*/} $(readlink $f)\"; done");
    HANDLE kept = CreateFileA(t.path("other").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(kept, INVALID_HANDLE_VALUE);
    int leaky = open(t.path("leaky").c_str(), O_CREAT | O_WRONLY, 0600); /* no O_CLOEXEC */
    ASSERT_GE(leaky, 0);
    std::string out = t.path("out");
    EXPECT_EQ(run("fds", out), 0u);
    close(leaky);
    CloseHandle(kept);
    std::string listing = slurp(out); /* the shell may hold its script open too */
    for (std::string line : std::vector<std::string>{"0 /dev/null\n", "1 " + out + "\n", "2 /dev/null\n"})
        EXPECT_NE(listing.find(line), std::string::npos) << line << " not in:\n" << listing;
    for (const char *name : {"other", "leaky"})
        EXPECT_EQ(listing.find(t.path(name)), std::string::npos) << listing;

    script("bin/where", "x=$(readlink /proc/$$/fd/1); echo \"$x\" > " + t.path("seen"));
    EXPECT_EQ(run("where"), 0u);
    EXPECT_EQ(slurp(t.path("seen")), "/dev/null\n");
}

// PATH search: a program not found gives FALSE, a null process handle and
// ERROR_FILE_NOT_FOUND; the current directory, empty and relative entries are
// never searched, a name with '/' is not run from the command line, and a file
// that is not executable is passed over.
TEST_F(ProcessTest, PathSearch)
{
    t.dir("rel");
    t.dir("bin2");
    script("rel/sneaky", "echo ran >> " + t.path("ran"));
    script("sneaky", "echo ran >> " + t.path("ran"));
    script("bin/dual", "exit 1", 0644);
    script("bin2/dual", "exit 42");
    char old[MAX_PATH];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(t.root().c_str()), 0);
    setenv("PATH", ("rel::.:" + bin + ":" + t.path("bin2") + ":/usr/bin:/bin").c_str(), 1);
    for (std::string cmd : {"no-such-program-anywhere C:", "", "sneaky", "./sneaky", "rel/sneaky"}) {
        PROCESS_INFORMATION pi;
        SetLastError(0);
        EXPECT_FALSE(start(cmd, &pi, t.path("out"))) << cmd;
        EXPECT_EQ(pi.hProcess, nullptr) << cmd;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND) << cmd;
        EXPECT_EQ(slurp(t.path("out")), "") << cmd;
    }
    EXPECT_EQ(run("dual"), 42u);
    ASSERT_EQ(chdir(old), 0);
    EXPECT_EQ(slurp(t.path("ran")), "") << "a script outside PATH ran";
}

// lpApplicationName runs that program, lpCurrentDirectory is the child's working
// directory (one that does not exist is refused), an environment block replaces
// the parent's.
TEST_F(ProcessTest, ApplicationDirectoryAndEnvironment)
{
    t.dir("work");
    script("elsewhere", "pwd; echo \"$1 [$TARVEL_A][$TARVEL_B][$HOME]\"");
    std::string out = t.path("out"), app = t.path("elsewhere");
    char block[] = "TARVEL_A=one\0TARVEL_B=two words\0";
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(start("elsewhere arg", &pi, out, t.path("work").c_str(), app.c_str(), block));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(slurp(out), t.path("work") + "\narg [one][two words][]\n");

    EXPECT_FALSE(start("elsewhere", &pi, "", t.path("gone").c_str(), app.c_str()));
    EXPECT_EQ(pi.hProcess, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_DIRECTORY);
}

// While a child runs: STILL_ACTIVE and timed waits time out. TerminateProcess
// ends it with the given code, and only once. Closing the handle of a running
// child neither blocks nor leaves it a zombie for good: a later call reaps it.
TEST_F(ProcessTest, RunningTerminatedAndClosed)
{
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(start("sleep 60", &pi));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 50), WAIT_TIMEOUT);
    EXPECT_TRUE(TerminateProcess(pi.hProcess, 7));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
    EXPECT_FALSE(TerminateProcess(pi.hProcess, 8)) << "an ended process cannot be terminated";
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(CloseHandle(pi.hProcess));

    ASSERT_TRUE(start("sleep 60", &pi));
    pid_t pid = (pid_t)pi.dwProcessId;
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    EXPECT_FALSE(CloseHandle(pi.hProcess)) << "closed twice";
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    await([&] { return proc_state(pid) == 'Z'; });
    ASSERT_EQ(proc_state(pid), 'Z') << "the killed child should wait as a zombie";
    EXPECT_EQ(run("true"), 0u);
    EXPECT_EQ(proc_state(pid), 0) << "the zombie was not reaped";
}

// The child leads a process group of its own, and TerminateProcess takes the
// whole group along.
TEST_F(ProcessTest, TerminateKillsTheGroup)
{
    script("bin/parent", "sleep 60 & echo $! $$ $(cut -d' ' -f5 /proc/$$/stat); wait");
    std::string out = t.path("out");
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(start("parent", &pi, out));
    await([&] { return slurp(out).find('\n') != std::string::npos; });
    std::istringstream in(slurp(out));
    long grandchild = 0, pid = 0, pgrp = -1;
    in >> grandchild >> pid >> pgrp;
    ASSERT_GT(grandchild, 0) << slurp(out);
    EXPECT_EQ(pid, pgrp);
    EXPECT_NE(pgrp, (long)getpgrp());
    EXPECT_TRUE(TerminateProcess(pi.hProcess, 1));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
    CloseHandle(pi.hProcess);
    char state = 0;
    await([&] { return (state = proc_state(grandchild)) == 0 || state == 'Z'; });
    EXPECT_TRUE(state == 0 || state == 'Z') << "grandchild still in state " << state;
    if (state != 0 && state != 'Z')
        kill(grandchild, SIGKILL);
}

// Handles that are not live processes are refused.
TEST_F(ProcessTest, InvalidHandles)
{
    DWORD code;
    int local;
    EXPECT_EQ(WaitForSingleObject(NULL, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_FALSE(GetExitCodeProcess(&local, &code));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_FALSE(TerminateProcess(INVALID_HANDLE_VALUE, 1));
}
