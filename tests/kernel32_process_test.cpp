// CreateProcessA, WaitForSingleObject, GetExitCodeProcess, TerminateProcess
// with fake programs: shell scripts in a temporary directory put first on PATH.
#include <windows.h>

#include <gtest/gtest.h>

#include <errno.h>
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
    if (!std::getline(in, line))
        return 0;
    size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() ? line[close + 2] : 0;
}

/* Fake programs in <tree>/bin, which is first on PATH for the test. */
class ProcessTest : public ::testing::Test {
protected:
    TempTree t;
    std::string bin;
    std::string oldpath;

    void SetUp() override
    {
        t.dir("bin");
        bin = t.path("bin");
        oldpath = getenv("PATH") ? getenv("PATH") : "";
        setenv("PATH", (bin + ":" + oldpath).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", oldpath.c_str(), 1); }

    void script(const std::string &rel, const std::string &body, mode_t mode = 0755)
    {
        std::string p = t.path(rel);
        std::ofstream(p) << "#!/bin/sh\n" << body << "\n";
        chmod(p.c_str(), mode);
    }

    /* Starts `cmdline` with its standard output in `out` (none when empty). */
    BOOL start(const std::string &cmdline, PROCESS_INFORMATION *pi, const std::string &out = "",
               const char *cwd = nullptr, const char *app = nullptr, void *env = nullptr)
    {
        STARTUPINFOA si;
        memset(&si, 0, sizeof si);
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
        si.wShowWindow = SW_SHOWMINIMIZED;
        HANDLE h = NULL;
        if (!out.empty()) {
            h = CreateFileA(out.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
            EXPECT_NE(h, INVALID_HANDLE_VALUE);
            si.hStdOutput = h;
        }
        std::vector<char> line(cmdline.begin(), cmdline.end());
        line.push_back('\0');
        memset(pi, 0x55, sizeof *pi); /* so that a NULL must really be written */
        BOOL ok = CreateProcessA(app, line.data(), NULL, NULL, TRUE, 0, env, cwd, &si, pi);
        DWORD error = GetLastError();
        if (h)
            CloseHandle(h);
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
// arguments are the command line split on blanks and tabs.
TEST_F(ProcessTest, StdoutCapturedStderrNot)
{
    script("bin/fakeprog", "echo \"out $#:$1:$2\"; echo err >&2");
    std::string out = t.path("out");
    EXPECT_EQ(run("fakeprog  C: \tsecond", out), 0u);
    EXPECT_EQ(slurp(out), "out 2:C::second\n");
}

// Standard input and error are /dev/null; the layer's other descriptors, and
// even ones opened elsewhere without close-on-exec, do not reach the child.
TEST_F(ProcessTest, ChildGetsOnlyItsStandardDescriptors)
{
    script("bin/fds", "for f in /proc/$$/fd/*; do echo \"${f##*/} $(readlink $f)\"; done");
    std::string other = t.path("other");
    HANDLE kept = CreateFileA(other.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(kept, INVALID_HANDLE_VALUE);
    int leaky = open(t.path("leaky").c_str(), O_CREAT | O_WRONLY, 0600); /* no O_CLOEXEC */
    ASSERT_GE(leaky, 0);

    std::string out = t.path("out");
    EXPECT_EQ(run("fds", out), 0u);
    close(leaky);
    CloseHandle(kept);
    std::string listing = slurp(out);
    EXPECT_NE(listing.find("0 /dev/null\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("1 " + out + "\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("2 /dev/null\n"), std::string::npos) << listing;
    EXPECT_EQ(listing.find(other), std::string::npos) << listing;
    EXPECT_EQ(listing.find("leaky"), std::string::npos) << listing;
}

// Without a handle, standard output is /dev/null too.
TEST_F(ProcessTest, NoStdoutHandleMeansDevNull)
{
    script("bin/where", "x=$(readlink /proc/$$/fd/1); echo \"$x\" > " + t.path("seen"));
    EXPECT_EQ(run("where"), 0u);
    EXPECT_EQ(slurp(t.path("seen")), "/dev/null\n");
}

// Exit codes come back as the program gave them.
TEST_F(ProcessTest, ExitCodes)
{
    script("bin/ok", "exit 0");
    script("bin/three", "exit 3");
    script("bin/most", "exit 255");
    EXPECT_EQ(run("ok"), 0u);
    EXPECT_EQ(run("three"), 3u);
    EXPECT_EQ(run("most"), 255u);
}

// A program nowhere on PATH: FALSE, a null process handle, ERROR_FILE_NOT_FOUND.
TEST_F(ProcessTest, MissingProgram)
{
    PROCESS_INFORMATION pi;
    SetLastError(0);
    EXPECT_FALSE(start("no-such-program-anywhere C:", &pi, t.path("out")));
    EXPECT_EQ(pi.hProcess, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(slurp(t.path("out")), "");

    EXPECT_FALSE(start("", &pi));
    EXPECT_EQ(pi.hProcess, nullptr);
}

// The current directory, empty and relative PATH entries are never searched,
// and a name with '/' is not run from the command line.
TEST_F(ProcessTest, OnlyAbsolutePathDirectoriesSearched)
{
    t.dir("rel");
    script("rel/sneaky", "touch " + t.path("ran"));
    script("sneaky", "touch " + t.path("ran"));
    char old[MAX_PATH];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(t.root().c_str()), 0);
    setenv("PATH", ("rel::.:" + bin + ":/usr/bin:/bin").c_str(), 1);

    PROCESS_INFORMATION pi;
    EXPECT_FALSE(start("sneaky", &pi));
    EXPECT_EQ(pi.hProcess, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(start("./sneaky", &pi));
    EXPECT_EQ(pi.hProcess, nullptr);
    EXPECT_FALSE(start("rel/sneaky", &pi));
    EXPECT_EQ(pi.hProcess, nullptr);

    ASSERT_EQ(chdir(old), 0);
    struct stat st;
    EXPECT_NE(lstat(t.path("ran").c_str(), &st), 0) << "a script outside PATH ran";
}

// A file in an earlier PATH directory that is not executable is passed over.
TEST_F(ProcessTest, NonExecutableSkipped)
{
    t.dir("bin2");
    script("bin/dual", "exit 1", 0644);
    script("bin2/dual", "exit 42");
    setenv("PATH", (bin + ":" + t.path("bin2") + ":" + oldpath).c_str(), 1);
    EXPECT_EQ(run("dual"), 42u);
}

// lpApplicationName runs that program; lpCurrentDirectory is the child's
// working directory; a directory that does not exist is refused.
TEST_F(ProcessTest, ApplicationNameAndDirectory)
{
    t.dir("work");
    script("elsewhere", "pwd; echo \"$1\"");
    std::string out = t.path("out");
    PROCESS_INFORMATION pi;
    std::string app = t.path("elsewhere");
    ASSERT_TRUE(start("elsewhere arg", &pi, out, t.path("work").c_str(), app.c_str()));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(slurp(out), t.path("work") + "\narg\n");

    EXPECT_FALSE(start("elsewhere", &pi, "", t.path("gone").c_str(), app.c_str()));
    EXPECT_EQ(pi.hProcess, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_DIRECTORY);
}

// A given environment block replaces the parent's.
TEST_F(ProcessTest, EnvironmentBlock)
{
    script("bin/showenv", "echo \"[$TARVEL_A][$TARVEL_B][$HOME]\"");
    char block[] = "TARVEL_A=one\0TARVEL_B=two words\0";
    std::string out = t.path("out");
    PROCESS_INFORMATION pi;
    std::string app = bin + "/showenv";
    ASSERT_TRUE(start("showenv", &pi, out, nullptr, app.c_str(), block));
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(slurp(out), "[one][two words][]\n");
}

// The child leads a process group of its own.
TEST_F(ProcessTest, OwnProcessGroup)
{
    script("bin/group", "echo $$ $(cut -d' ' -f5 /proc/$$/stat)");
    std::string out = t.path("out");
    EXPECT_EQ(run("group", out), 0u);
    std::istringstream in(slurp(out));
    long pid = 0, pgrp = -1;
    in >> pid >> pgrp;
    EXPECT_EQ(pid, pgrp);
    EXPECT_NE(pgrp, (long)getpgrp());
}

// While the child runs: STILL_ACTIVE, and a timed wait times out; after
// TerminateProcess it has ended with the given code.
TEST_F(ProcessTest, StillActiveThenTerminated)
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
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_FALSE(TerminateProcess(pi.hProcess, 8)) << "an ended process cannot be terminated";
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(CloseHandle(pi.hProcess));
}

// TerminateProcess takes the child's own children along (its process group).
TEST_F(ProcessTest, TerminateKillsTheGroup)
{
    script("bin/parent", "sleep 60 & echo $!; wait");
    std::string out = t.path("out");
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(start("parent", &pi, out));
    pid_t grandchild = 0;
    for (int i = 0; i < 1000 && grandchild == 0; i++) { /* until the script has said it */
        grandchild = atoi(slurp(out).c_str());
        if (!grandchild)
            usleep(10000);
    }
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(TerminateProcess(pi.hProcess, 1));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
    CloseHandle(pi.hProcess);
    char state = proc_state(grandchild);
    for (int i = 0; i < 1000 && state != 0 && state != 'Z'; i++) {
        usleep(10000);
        state = proc_state(grandchild);
    }
    EXPECT_TRUE(state == 0 || state == 'Z') << "grandchild still in state " << state;
    if (state != 0 && state != 'Z')
        kill(grandchild, SIGKILL);
}

// A child killed by a signal has ended: 128 + the signal, never STILL_ACTIVE.
TEST_F(ProcessTest, KilledBySignalHasEnded)
{
    script("bin/selfkill", "kill -TERM $$");
    EXPECT_EQ(run("selfkill"), 128u + SIGTERM);

    PROCESS_INFORMATION pi;
    ASSERT_TRUE(start("sleep 60", &pi));
    ASSERT_EQ(kill((pid_t)pi.dwProcessId, SIGKILL), 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 128u + SIGKILL);
    CloseHandle(pi.hProcess);
}

// Closing the handle of a running child neither blocks nor leaves it a zombie
// for good: once it ends, a later call of the family reaps it.
TEST_F(ProcessTest, ClosedRunningChildIsReapedLater)
{
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(start("sleep 60", &pi));
    pid_t pid = (pid_t)pi.dwProcessId;
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    EXPECT_FALSE(CloseHandle(pi.hProcess)) << "closed twice";
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    char state = proc_state(pid);
    for (int i = 0; i < 1000 && state != 'Z'; i++) {
        usleep(10000);
        state = proc_state(pid);
    }
    ASSERT_EQ(state, 'Z') << "the killed child should wait as a zombie";
    script("bin/ok", "exit 0");
    EXPECT_EQ(run("ok"), 0u);
    EXPECT_EQ(proc_state(pid), 0) << "the zombie was not reaped";
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
