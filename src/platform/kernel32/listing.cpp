/*
 * listing.cpp - one read of a directory (listing.h).
 *
 * The directory is opened without following a link anywhere in its path,
 * read whole while the descriptor is held, and closed before the call
 * returns: a walk that keeps one enumeration open per level of a tree
 * thousands of levels deep holds no descriptors. Each entry gets one statx
 * relative to the directory, not following links and never opening the
 * entry (a FIFO without a writer cannot block it). FindFirstFileA's comment
 * (find.cpp) says what the records hold.
 *
 * A directory below the current one is opened from the current directory
 * itself, not by its path from the root again: the directory the program
 * entered is the one listed, even where its path has come to name another
 * (a mount laid over it, a rename). A directory's own statx, once it is
 * open, tells its mount, so that one mounted where its parent's listing saw
 * a plain directory is refused. A directory removed after it was opened is
 * one that has gone: reading it fails with ENOENT.
 */
#include "listing.h"
#include "mounts/mounts.h"
#include "seams.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <new>

namespace k32 {

namespace {

/* The raw directory listing of one FindFirstFileA, kept per thread between
 * calls so that reading a directory costs no allocation. A buffer grown for a
 * huge directory is given back afterwards. */
struct Scratch {
    char *data = nullptr;
    size_t size = 0;
    ~Scratch() { free(data); }
    bool grow()
    {
        size_t want = size ? size * 2 : 64 * 1024;
        char *p = static_cast<char *>(realloc(data, want));
        if (!p)
            return false;
        data = p;
        size = want;
        return true;
    }
    void trim()
    {
        if (size > 1024 * 1024) {
            free(data);
            data = nullptr;
            size = 0;
        }
    }
};
thread_local Scratch scratch;

/* Reads every entry of the open directory into the scratch buffer; returns
 * the bytes read, or -1 with errno set when nothing could be read. A read
 * that fails after others succeeded keeps what they read, its errno in
 * *partial. */
ssize_t read_whole_directory(int dfd, int *partial)
{
    size_t used = 0;
    for (unsigned reads = 0;; reads++) {
        /* getdents64 needs room for at least one full entry (about 280 bytes). */
        if (scratch.size - used < 32 * 1024 && !scratch.grow()) {
            /* Part of a directory is no listing of it: the whole call fails. */
            errno = ENOMEM;
            return -1;
        }
        int injected = seams::getdents_fault ? seams::getdents_fault(reads) : 0;
        ssize_t n = injected ? (errno = injected, -1) : getdents64(dfd, scratch.data + used, scratch.size - used);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (used) { /* keep what was read before the failure, and say so */
                *partial = errno;
                break;
            }
            return -1;
        }
        used += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(used);
}

inline const dirent64 *entry_at(size_t pos)
{
    return reinterpret_cast<const dirent64 *>(scratch.data + pos);
}

inline bool is_dot_or_dotdot(const char *n)
{
    return n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'));
}

/* The listed directory's own statx. */
struct Self {
    bool known = false;
    struct statx sx;
};

/* statx, again when a signal interrupts it. */
int statx_again(int dfd, const char *name, int flags, unsigned mask, struct statx *sx)
{
    int r;
    do
        r = statx(dfd, name, flags, mask, sx);
    while (r != 0 && errno == EINTR);
    return r;
}

/* Fills one record from a statx of `name` relative to the directory.
 * Returns 0, or the errno of an entry that could not be examined (ENOENT
 * for one that has vanished since the listing). */
int examine(int dfd, const char *name, unsigned char dtype, Record &r, const Self &self)
{
    struct statx sx;
    r.size = 0;
    r.allocated = 0;
    int injected = seams::statx_fault ? seams::statx_fault(name) : 0;
    if (injected || statx_again(dfd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC,
                                STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_BLOCKS, &sx) != 0)
        return injected ? injected : errno;
    if (sx.stx_mask & STATX_BLOCKS)
        r.allocated = sx.stx_blocks * 512;
    mode_t type = (sx.stx_mask & STATX_TYPE) ? (sx.stx_mode & S_IFMT) : DTTOIF(dtype);
    if (S_ISDIR(type)) {
        r.attributes = FILE_ATTRIBUTE_DIRECTORY;
        if (mounts::is_mount_root(sx, self.known ? &self.sx : nullptr))
            r.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    } else if (S_ISLNK(type)) {
        r.attributes = FILE_ATTRIBUTE_REPARSE_POINT;
        r.size = sx.stx_size;
    } else {
        r.attributes = FILE_ATTRIBUTE_NORMAL;
        r.size = sx.stx_size;
    }
    return 0;
}

/* Why an entry could not be examined. Only ENOENT means it has gone, and is
 * no failure: no other errno may read as the directory's having gone. */
DWORD entry_error(int e)
{
    const DWORD code = error_from_errno(e);
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? errno_error(e) : code;
}

/* Builds the enumeration from the listing in the scratch buffer. NULL with
 * errno set when memory runs out. An entry that cannot be examined is left
 * out, and the first such failure becomes the listing's error. */
Find *collect(int dfd, const char *dir, size_t listed, const Self &self)
{
    /* First pass: how many entries match and how much room their names need. */
    size_t count = 0, namebytes = 0;
    for (size_t pos = 0; pos < listed; pos += entry_at(pos)->d_reclen) {
        const dirent64 *e = entry_at(pos);
        size_t len = strlen(e->d_name);
        if (len >= MAX_PATH)
            continue;
        count++;
        namebytes += len + 1;
    }
    if (namebytes > UINT32_MAX) {
        errno = ENOMEM;
        return nullptr;
    }
    const size_t dirbytes = strlen(dir) + 1;
    const size_t bytes = sizeof(Find) + count * sizeof(Record) + namebytes + dirbytes;
    void *block = malloc(bytes);
    if (!block) {
        errno = ENOMEM;
        return nullptr;
    }
    Find *f = new (block) Find;
    f->kind = Kind::find;
    f->bytes = bytes;
    f->records = reinterpret_cast<Record *>(f + 1);
    f->names = reinterpret_cast<char *>(f->records + count);
    f->dir = static_cast<const char *>(memcpy(f->names + namebytes, dir, dirbytes));
    f->next = 0;
    f->error = 0;

    /* Second pass: one statx per entry while the directory is open. */
    size_t n = 0, namepos = 0;
    for (size_t pos = 0; pos < listed && n < count; pos += entry_at(pos)->d_reclen) {
        const dirent64 *e = entry_at(pos);
        size_t len = strlen(e->d_name);
        if (len >= MAX_PATH)
            continue;
        Record &r = f->records[n];
        if (is_dot_or_dotdot(e->d_name)) {
            r.size = r.allocated = 0;
            r.attributes = FILE_ATTRIBUTE_DIRECTORY;
        } else if (int failed = examine(dfd, e->d_name, e->d_type, r, self)) {
            if (failed != ENOENT && f->error == 0) /* a vanished entry is no failure */
                f->error = entry_error(failed);
            continue;
        }
        r.name = static_cast<uint32_t>(namepos);
        r.namelen = static_cast<uint16_t>(len);
        memcpy(f->names + namepos, e->d_name, len + 1);
        namepos += len + 1;
        n++;
    }
    f->count = n;
    return f;
}

/* Opens `dir` for listing, following no link in any component; one below
 * the current directory from the current directory itself. */
int open_directory(const char *dir)
{
    char below[MAX_PATH];
    if (beneath_current_directory(dir, below, sizeof below))
        dir = below;
    static std::atomic<bool> have_openat2{true};
    if (have_openat2 && !(seams::openat2_missing && seams::openat2_missing())) {
        struct open_how how = {};
        /* RESOLVE_NO_SYMLINKS refuses a link as the last component too, with
         * ELOOP (O_NOFOLLOW would say ENOTDIR, as for a file). */
        how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
        how.resolve = RESOLVE_NO_SYMLINKS;
        int fd;
        do
            fd = static_cast<int>(syscall(SYS_openat2, AT_FDCWD, dir, &how, sizeof how));
        while (fd < 0 && errno == EINTR);
        if (fd >= 0 || errno != ENOSYS)
            return fd;
        have_openat2 = false;
    }
    /* A kernel before 5.6: one component at a time, each without following.
     * The components above the directory are only passed through, so they
     * are opened as paths: search permission suffices, as with openat2. */
    constexpr int through = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    constexpr int listed = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = open(dir[0] == '/' ? "/" : ".", through);
    for (const char *p = dir; fd >= 0 && *p;) {
        while (*p == '/')
            p++;
        const char *end = strchrnul(p, '/');
        if (end == p)
            break;
        char part[NAME_MAX + 1];
        size_t len = static_cast<size_t>(end - p);
        if (len > NAME_MAX) {
            close(fd);
            errno = ENAMETOOLONG;
            return -1;
        }
        memcpy(part, p, len);
        part[len] = '\0';
        const bool last = end[strspn(end, "/")] == '\0';
        int next = openat(fd, part, last ? listed : through);
        struct stat st;
        /* O_PATH opens a link as a non-directory: tell it as the link it is. */
        if (next < 0 && errno == ENOTDIR && fstatat(fd, part, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
            errno = ELOOP;
        int e = errno;
        close(fd);
        errno = e;
        fd = next;
        p = end;
    }
    /* "/" or "." itself: what was opened to pass through must be listed. */
    if (fd >= 0 && (fcntl(fd, F_GETFL) & O_PATH)) {
        int listable = openat(fd, ".", listed);
        int e = errno;
        close(fd);
        errno = e;
        fd = listable;
    }
    return fd;
}

/* Where FindFirstFileA could not open or read the directory. */
DWORD open_error(int e)
{
    switch (e) {
    case ENOENT:
    case ELOOP: return ERROR_PATH_NOT_FOUND; /* gone, or a link now: not ours to enter */
    case ENOTDIR: return ERROR_DIRECTORY;    /* a file */
    default: return error_from_errno(e);
    }
}

} // namespace

Find *read_listing(const char *dir, DWORD *error, const MountId *parent)
{
    if (seams::directory_opening)
        seams::directory_opening(dir);
    int dfd = open_directory(dir);
    if (dfd < 0) {
        *error = open_error(errno);
        return nullptr;
    }
    Self self;
    self.known = statx_again(dfd, "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC, STATX_TYPE | STATX_MNT_ID, &self.sx) == 0;
    MountId mount;
    if (self.known) {
        mount.known = true;
        mount.dev = (static_cast<uint64_t>(self.sx.stx_dev_major) << 32) | self.sx.stx_dev_minor;
        mount.id = (self.sx.stx_mask & STATX_MNT_ID) ? self.sx.stx_mnt_id : 0;
    }
    if (parent && !mount.same(*parent)) {
        /* Mounted there since the parent's listing: not ours, as one seen there. */
        close(dfd);
        *error = ERROR_NOT_SAME_DEVICE;
        return nullptr;
    }
    int partial = 0;
    ssize_t listed = read_whole_directory(dfd, &partial);
    Find *f = nullptr;
    int saved = errno;
    if (listed >= 0) {
        f = collect(dfd, dir, static_cast<size_t>(listed), self);
        saved = errno;
        if (f && partial) /* the read's own failure comes before any entry's */
            f->error = error_from_errno(partial);
        if (f)
            f->mount = mount;
    }
    close(dfd);
    scratch.trim();
    if (!f)
        *error = open_error(saved);
    return f;
}

void free_listing(Find *f)
{
    f->~Find();
    free(f);
}

bool is_subdirectory(const Find *f, const Record &r)
{
    const char *name = f->names + r.name;
    return (r.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == FILE_ATTRIBUTE_DIRECTORY &&
           !is_dot_or_dotdot(name);
}

} // namespace k32
