/* childrun.h - a piece of a test in a forked child: private mounts, limits. */
#ifndef TARVEL_TEST_CHILDRUN_H
#define TARVEL_TEST_CHILDRUN_H

#include <functional>
#include <string>

struct ChildResult {
    int status;         /* the child's exit status; 128 + signal when killed */
    std::string output; /* the text the function returned */
};

/* Forks, runs `fn` in the child, and hands back what it returned. */
ChildResult run_in_child(const std::function<std::string()> &fn);

/* run_in_child for a piece that needs what the machine may refuse: a child
 * returning "SKIP <why>" skips the test (the caller returns when
 * IsSkipped()); else a status other than 0 fails it. The child's output. */
std::string child_output(const std::function<std::string()> &fn);

/* For a piece that uses Qt and needs a process of its own (private mounts):
 * a fork would inherit Qt's threads' locks held, so the test binary runs this
 * one test again, afresh, where the piece runs in the test's place; its text
 * comes back as child_output's does ("SKIP <why>" skips). */
std::string fresh_process_output(const std::function<std::string()> &fn);

/* In a child: get private mounts, or leave only `spare` descriptors free. "" or the reason it failed. */
std::string private_mounts();

/* In a child with private mounts: a tmpfs (mount options `options`) at
 * `dir`, or `from` bound at `dir`. "" or "SKIP <why>", for child_output. */
std::string private_tmpfs(const std::string &dir, const char *options);
std::string private_bind(const std::string &from, const std::string &dir);
std::string leave_descriptors(int spare);

#endif
