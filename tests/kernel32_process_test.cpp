// CreateProcessA and the calls on its process handle, with shell scripts as fake programs.
#include <windows.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "temptree.h"

namespace {

/* The state letter of /proc/<pid>/stat (0: no such process), after waiting
 * up to 10 s for the process to end (gone or 'Z') when asked to. */
char proc_state(pid_t pid, bool wait_for_end = false)
{
    for (int i = 0;; i++) {
        std::string line = slurp("/proc/" + std::to_string(pid) + "/stat");
        size_t close = line.rfind(')');
        char state = close != std::string::npos && close + 2 < line.size() ? line[close + 2] : 0;
        if (!wait_for_end || state == 0 || state == 'Z' || i == 1000)
            return state;
        usleep(10000);
    }
}

/* Fake programs in <tree>/bin. */
class ProcessTest : public ::testing::Test {
protected:
    TempTree t;

    void script(const std::string &rel, const std::string &body)
    {
        t.file(rel, 0);
        std::ofstream(t.path(rel)) << "#!/bin/sh\n" << body << "\n";
        chmod(t.path(rel).c_str(), 0755);
    }

    /* Starts `cmdline` with its standard output in `out` (none when empty);
     * the program is `app`, else bin/ and the command line's first word. */
    BOOL start(const std::string &cmdline, PROCESS_INFORMATION *pi, const std::string &out = "",
               const char *app = nullptr)
    {
        const std::string program = app ? app : t.path("bin/" + cmdline.substr(0, cmdline.find(' ')));
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
        si.wShowWindow = SW_SHOWMINIMIZED;
        if (!out.empty())
            si.hStdOutput = CreateFileA(out.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        std::vector<char> line(cmdline.c_str(), cmdline.c_str() + cmdline.size() + 1);
        memset(pi, 0x55, sizeof *pi); /* so that a NULL must really be written */
        BOOL ok = CreateProcessA(program.c_str(), line.data(), NULL, NULL, TRUE, 0, NULL, NULL, &si, pi);
        if (si.hStdOutput)
            CloseHandle(si.hStdOutput);
        return ok;
    }

    /* Runs to the end; the exit code. */
    DWORD run(const std::string &cmdline, const std::string &out = "", const char *app = nullptr)
    {
        PROCESS_INFORMATION pi;
        DWORD code = 0xBADu;
        if (!start(cmdline, &pi, out, app))
            return 0xDEADu;
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
        EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code) && CloseHandle(pi.hProcess));
        return code;
    }
};

} // namespace

// Stdout goes to the given file, stderr does not; arguments and exit codes
// (128 + signal) as given; the program runs by its path, relative to the
// current directory, and a missing one gives a null hProcess.
TEST_F(ProcessTest, OutputArgumentsAndExitCodes)
{
    const struct {
        std::string body, cmdline;
        DWORD code;
        std::string out;
    } cases[] = {
        {"echo \"out $#:$1:$2\"; echo err >&2", "prog  C: \tsecond", 0, "out 2:C::second\n"},
        {"exit 255", "prog", 255, ""},
        {"echo before; kill -TERM $$; echo after", "prog", 128 + SIGTERM, "before\n"},
    };
    for (const auto &c : cases) {
        script("bin/prog", c.body);
        EXPECT_EQ(run(c.cmdline, t.path("out")), c.code) << c.body;
        EXPECT_EQ(slurp(t.path("out")), c.out) << c.body;
    }
    script("elsewhere", "echo \"$1\"");
    ASSERT_EQ(chdir(t.root().c_str()), 0);
    EXPECT_EQ(run("elsewhere arg", t.path("out"), "elsewhere"), 0u);
    EXPECT_EQ(chdir("/"), 0);
    EXPECT_EQ(slurp(t.path("out")), "arg\n");
    PROCESS_INFORMATION pi;
    EXPECT_FALSE(start("prog", &pi, "", t.path("missing").c_str()));
    EXPECT_EQ(pi.hProcess, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}

// The child gets /dev/null but for a stdout handle, and no other descriptor, even non-O_CLOEXEC.
TEST_F(ProcessTest, ChildGetsOnlyItsStandardDescriptors)
{
    /* $$ in the substitution is still the script's shell, whose descriptors are listed */
    script("bin/fds", "x=$(for f in /proc/$$/fd/*; do echo \"${f##*/} $(readlink $f)\"; done)\necho \"$x\" > \"$1\"");
    HANDLE kept = CreateFileA(t.path("other").c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
    int leaky = open(t.path("leaky").c_str(), O_CREAT | O_WRONLY, 0600); /* no O_CLOEXEC */
    ASSERT_TRUE(kept != INVALID_HANDLE_VALUE && leaky >= 0);
    for (std::string out : {t.path("out"), std::string()}) {
        EXPECT_EQ(run("fds " + t.path("fds"), out), 0u);
        const std::string listing = slurp(t.path("fds")), one = "1 " + (out.empty() ? "/dev/null" : out) + "\n";
        for (const std::string &line : {std::string("0 /dev/null\n"), one, std::string("2 /dev/null\n")})
            EXPECT_NE(listing.find(line), std::string::npos) << line << " not in:\n" << listing;
        for (const char *name : {"other", "leaky"}) /* the shell may hold its script open too */
            EXPECT_EQ(listing.find(t.path(name)), std::string::npos) << listing;
    }
    close(leaky);
    CloseHandle(kept);
}

// STILL_ACTIVE while running; TerminateProcess ends the child's whole process
// group, once; a child closed while running is no zombie for ever.
TEST_F(ProcessTest, RunningTerminatedAndClosed)
{
    script("bin/parent", "sleep 60 & echo $! $$ $(cut -d' ' -f5 /proc/$$/stat); wait");
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(start("parent", &pi, t.path("out")));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 50), WAIT_TIMEOUT);
    for (int i = 0; i < 1000 && slurp(t.path("out")).find('\n') == std::string::npos; i++)
        usleep(10000);
    long grandchild = 0, pid = 0, pgrp = -1;
    std::istringstream(slurp(t.path("out"))) >> grandchild >> pid >> pgrp;
    ASSERT_GT(grandchild, 0) << slurp(t.path("out"));
    EXPECT_TRUE(pid == pgrp && pgrp != (long)getpgrp()) << "a process group of its own";
    EXPECT_TRUE(TerminateProcess(pi.hProcess, 7));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
    EXPECT_FALSE(TerminateProcess(pi.hProcess, 8)) << "an ended process cannot be terminated";
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code) && CloseHandle(pi.hProcess));
    EXPECT_EQ(code, 7u);
    char state = proc_state(grandchild, true);
    EXPECT_TRUE(state == 0 || state == 'Z') << "grandchild still in state " << state;
    if (state != 0 && state != 'Z')
        kill(grandchild, SIGKILL);

    script("bin/sleep", "exec sleep 60");
    ASSERT_TRUE(start("sleep", &pi));
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    EXPECT_FALSE(CloseHandle(pi.hProcess)) << "closed twice";
    ASSERT_EQ(kill((pid_t)pi.dwProcessId, SIGKILL), 0);
    ASSERT_EQ(proc_state((pid_t)pi.dwProcessId, true), 'Z') << "the killed child should wait as a zombie";
    script("bin/true", "exit 0");
    EXPECT_EQ(run("true"), 0u);
    EXPECT_EQ(proc_state((pid_t)pi.dwProcessId), 0) << "the zombie was not reaped";
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_FAILED) << "a closed handle";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}
