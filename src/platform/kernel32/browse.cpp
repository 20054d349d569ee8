/*
 * browse.cpp - a directory as a chooser browses it (browse.h).
 */
#include "browse.h"

#include "k32.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace k32 {

BrowsedDirectory::BrowsedDirectory(const char *path) : fd(open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    if (fd < 0)
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
}

BrowsedDirectory::~BrowsedDirectory()
{
    if (fd >= 0)
        close(fd);
}

bool BrowsedDirectory::entries(std::vector<BrowsedEntry> &out) const
{
    /* readdir on a copy: the descriptor itself is kept for entering. */
    int dupfd = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    DIR *d = dupfd < 0 ? nullptr : fdopendir(dupfd);
    if (!d) {
        if (dupfd >= 0)
            close(dupfd);
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    errno = 0;
    while (struct dirent *e = readdir(d)) {
        const char *name = e->d_name;
        if (!strcmp(name, ".") || !strcmp(name, ".."))
            continue;
        bool isdir = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat st;
            if (fstatat(fd, name, &st, 0) != 0) {
                if (e->d_type == DT_UNKNOWN)
                    continue; /* vanished meanwhile */
            } else {
                isdir = S_ISDIR(st.st_mode);
            }
        }
        out.push_back({name, isdir});
        errno = 0;
    }
    bool whole = errno == 0;
    closedir(d);
    if (!whole)
        SetLastError(ERROR_ACCESS_DENIED);
    return whole;
}

bool BrowsedDirectory::is_root() const
{
    struct stat here, root;
    return fstat(fd, &here) == 0 && stat("/", &root) == 0 && here.st_dev == root.st_dev && here.st_ino == root.st_ino;
}

bool BrowsedDirectory::enter(char *path, size_t size) const
{
    int previous = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    bool entered = fchdir(fd) == 0;
    if (!entered) {
        SetLastError(ERROR_ACCESS_DENIED);
    } else if (!getcwd(path, size)) {
        /* Its path is not known after all: go back. Should that fail too,
         * being stuck here is the failure to tell. */
        if (previous >= 0 && fchdir(previous) != 0) {
            set_error_from_errno(errno);
            remember_current_directory(nullptr);
        } else {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
        }
        entered = false;
    } else {
        remember_current_directory(path);
    }
    if (previous >= 0)
        close(previous);
    return entered;
}

bool is_directory(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace k32
