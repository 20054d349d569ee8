/*
 * wintree.h - real directory trees for the Windows tests, made with the
 * Win32 calls in a new folder under GetTempPathA and removed afterwards.
 */
#ifndef TARVEL_WINTEST_WINTREE_H
#define TARVEL_WINTEST_WINTREE_H

#include <windows.h>

#include <string>

class WinTree {
public:
    WinTree();
    ~WinTree();
    WinTree(const WinTree &) = delete;
    WinTree &operator=(const WinTree &) = delete;

    const std::string &root() const { return root_; }
    std::string path(const std::string &rel) const; /* root + "\" + rel ('/' in rel become '\') */
    std::string pattern(const std::string &rel) const { return path(rel) + "\\*.*"; }

    /* Parents are made as needed, also beyond the path length CreateDirectoryA takes. */
    void dir(const std::string &rel);
    void file(const std::string &rel, DWORD size);

private:
    std::string root_;
};

/* Runs `cmdline` with standard output and error captured; returns the exit code. */
DWORD run_program(const std::string &cmdline, std::string *out, std::string *err, const char *cwd = NULL);

#endif
