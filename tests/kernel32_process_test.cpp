// CreateProcessA and the calls on its process handle, with shell scripts as fake programs.
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
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
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
    for (int i = 0; i < 1000 && !done(); i++) usleep(10000);
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
               const char *app = nullptr)
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
        BOOL ok = CreateProcessA(app, line.data(), NULL, NULL, TRUE, 0, NULL, NULL, &si, pi);
        if (si.hStdOutput) CloseHandle(si.hStdOutput);
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

// Stdout goes to the given file, stderr does not; arguments and exit codes (128 + signal) as given.
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

// The child gets /dev/null but for a stdout handle, and no other descriptor, even non-O_CLOEXEC.
TEST_F(ProcessTest, ChildGetsOnlyItsStandardDescriptors)
{
    /* $$ in the substitution is still the script's shell, whose descriptors are listed */
    script("bin/fds", "x=$(for f in /proc/$$/fd/*; do echo \"${f##*/} $(readlink $f)\"; done)\n"
                      "echo \"$x\" > \"$1\"");
    HANDLE kept = CreateFileA(t.path("other").c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
    int leaky = open(t.path("leaky").c_str(), O_CREAT | O_WRONLY, 0600); /* no O_CLOEXEC */
    ASSERT_TRUE(kept != INVALID_HANDLE_VALUE && leaky >= 0);
    for (std::string out : {t.path("out"), std::string()}) {
        EXPECT_EQ(run("fds " + t.path("fds"), out), 0u);
        std::string listing = slurp(t.path("fds"));
        const std::string one = out.empty() ? "/dev/null" : out,
                          want[] = {"0 /dev/null\n", "1 " + one + "\n", "2 /dev/null\n"};
        for (const std::string &line : want)
            EXPECT_NE(listing.find(line), std::string::npos) << line << " not in:\n" << listing;
        for (const char *name : {"other", "leaky"}) /* the shell may hold its script open too */
            EXPECT_EQ(listing.find(t.path(name)), std::string::npos) << listing;
    }
    close(leaky);
    CloseHandle(kept);
}

// A given program runs by its path, never searched for; a missing one gives a null hProcess.
TEST_F(ProcessTest, ApplicationByItsPath)
{
    script("elsewhere", "echo \"$1\"");
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(start("elsewhere arg", &pi, t.path("out"), t.path("elsewhere").c_str()));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(slurp(t.path("out")), "arg\n");
    EXPECT_FALSE(start("prog", &pi, "", t.path("missing").c_str()));
    EXPECT_EQ(pi.hProcess, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}

// STILL_ACTIVE while running, TerminateProcess once; a closed running child is no zombie forever.
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

    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_FAILED) << "a closed handle";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

// The child leads a process group of its own, and TerminateProcess ends the whole group.
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
