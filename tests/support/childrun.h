/* childrun.h - a piece of a test in a forked child: lost privileges, private mounts, limits. */
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

/* In a child: become uid/gid 65534, or get private mounts. "" or the reason it failed. */
std::string drop_to_nobody();
std::string private_mounts();

#endif
