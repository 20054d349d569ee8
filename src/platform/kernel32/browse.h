/*
 * browse.h - a directory as a person browses it in a chooser (DlgDirListA):
 * links followed, the entries listed and the directory entered the same
 * one (browse.cpp). FindFirstFileA is the walk's view instead: a link is an
 * entry of its own, and never followed.
 */
#ifndef TARVEL_PLATFORM_BROWSE_H
#define TARVEL_PLATFORM_BROWSE_H

#include <windows.h>

#include <string>
#include <vector>

namespace k32 {

struct BrowsedEntry {
    std::string name;
    bool directory; /* a directory, or a link to one */
};

/* The directory at `path`, held open from the listing to the entering, so
 * that a rename meanwhile cannot make them differ. */
class BrowsedDirectory {
public:
    /* Opens it; on failure ok() is false and the Win32 error is set:
     * ERROR_PATH_NOT_FOUND when it is missing, else ERROR_ACCESS_DENIED. */
    explicit BrowsedDirectory(const char *path);
    ~BrowsedDirectory();
    BrowsedDirectory(const BrowsedDirectory &) = delete;
    BrowsedDirectory &operator=(const BrowsedDirectory &) = delete;

    bool ok() const { return fd >= 0; }
    /* Its entries, "." and ".." left out; false with ERROR_ACCESS_DENIED
     * when it cannot be read whole. */
    bool entries(std::vector<BrowsedEntry> &out) const;
    /* Whether it is the root directory, "/". */
    bool is_root() const;
    /* Makes it the current directory and puts its real path in `path`
     * (`size` bytes); when either fails, the current directory stays as
     * it was, with ERROR_ACCESS_DENIED or ERROR_FILENAME_EXCED_RANGE set. */
    bool enter(char *path, size_t size) const;

private:
    int fd;
};

/* Whether `path` is a directory, links followed. */
bool is_directory(const char *path);

} // namespace k32

#endif
