/*
 * find.cpp - FindFirstFileA, FindNextFileA, FindClose.
 *
 * The pattern is a directory, '/', and a last component. "*.*" (or "*")
 * yields every entry, "." and ".." included; any other last component is
 * matched against each name with fnmatch. "*.*" alone is the current
 * directory, and "/" followed by "*.*" the root.
 *
 * FindFirstFileA reads the whole directory while it holds the descriptor and
 * closes it before it returns; FindNextFileA yields from memory. A scan that
 * keeps one enumeration open per level of a tree thousands of levels deep
 * therefore holds no descriptors. The entries of one enumeration live in one
 * block: small fixed records and one area of names.
 *
 * Differences from Win32:
 *  - No link is followed anywhere in the directory's path (openat2 with
 *    RESOLVE_NO_SYMLINKS, or a walk component by component where the kernel
 *    lacks it): a directory swapped for a link during a scan, at any level,
 *    is refused like one that has gone (ERROR_PATH_NOT_FOUND), so a scan can
 *    never be led out of its tree. Callers give real paths, as getcwd does.
 *  - A listing that fails for lack of memory or of descriptors says so
 *    (ERROR_NOT_ENOUGH_MEMORY, ERROR_TOO_MANY_OPEN_FILES).
 *  - Each entry gets one statx relative to the directory, not following links
 *    and never opening the entry (a FIFO without a writer cannot block it):
 *      directory        FILE_ATTRIBUTE_DIRECTORY, size 0; one that is the root
 *                       of another mount (another device, or
 *                       STATX_ATTR_MOUNT_ROOT, so bind mounts too) also gets
 *                       FILE_ATTRIBUTE_REPARSE_POINT (tag: mount point)
 *      symbolic link    FILE_ATTRIBUTE_REPARSE_POINT alone (tag: symlink), the
 *                       link's own size
 *      anything else    FILE_ATTRIBUTE_NORMAL with its size (regular files,
 *                       FIFOs, sockets, devices alike)
 *    "." and ".." are directories without a statx. An entry that vanishes
 *    before its statx is left out; one that cannot be examined for another
 *    reason is yielded with the kind the directory listing gave and size 0.
 *  - No times and no short names: those fields are zero and empty.
 *  - Reading a directory that fails part way (an I/O error) yields what was
 *    read before; running out of memory for it fails the call.
 */
#include <windows.h>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <linux/openat2.h>
#include <limits.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <new>

#include "k32.h"

namespace {

constexpr DWORD reparse_tag_mount_point = 0xA0000003; /* IO_REPARSE_TAG_MOUNT_POINT */
constexpr DWORD reparse_tag_symlink = 0xA000000C;     /* IO_REPARSE_TAG_SYMLINK */

/* One entry: 16 bytes plus its name in the shared name area. */
struct Record {
    uint64_t size;
    uint32_t name;       /* offset of the terminated name in the name area */
    uint16_t namelen;    /* without the terminator; names are at most NAME_MAX */
    uint16_t attributes; /* FILE_ATTRIBUTE_* bits, all below 0x10000 */
};

/* One enumeration: this header, then the records, then the names, in one block. */
struct Find : k32::Object {
    size_t count;
    size_t next;
    Record *records;
    char *names;
};

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
 * the bytes read, or -1 with errno set when nothing could be read. */
ssize_t read_whole_directory(int dfd)
{
    size_t used = 0;
    for (;;) {
        /* getdents64 needs room for at least one full entry (about 280 bytes). */
        if (scratch.size - used < 32 * 1024 && !scratch.grow()) {
            /* Part of a directory is no listing of it: the whole call fails. */
            errno = ENOMEM;
            return -1;
        }
        ssize_t n = getdents64(dfd, scratch.data + used, scratch.size - used);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (used) /* keep what was read before the failure */
                break;
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

/* The last component of the pattern: either every name, or an fnmatch pattern. */
struct NameFilter {
    const char *mask;
    bool all;
    bool matches(const char *name) const { return all || fnmatch(mask, name, 0) == 0; }
};

/* The attributes of an entry whose statx failed for a reason other than its
 * disappearance: what the listing's type says, no size. */
uint16_t attributes_from_dtype(unsigned char type)
{
    if (type == DT_DIR)
        return FILE_ATTRIBUTE_DIRECTORY;
    if (type == DT_LNK)
        return FILE_ATTRIBUTE_REPARSE_POINT;
    return FILE_ATTRIBUTE_NORMAL;
}

/* Fills one record from a statx of `name` relative to the directory. Returns
 * false for an entry that has vanished since the listing. `dirdev` is the
 * directory's own device, looked up on first need. */
bool examine(int dfd, const char *name, unsigned char dtype, Record &r, bool &dirdev_known,
             uint32_t &dirmajor, uint32_t &dirminor)
{
    struct statx sx;
    r.size = 0;
    if (statx(dfd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC,
              STATX_TYPE | STATX_MODE | STATX_SIZE, &sx) != 0) {
        if (errno == ENOENT)
            return false;
        r.attributes = attributes_from_dtype(dtype);
        return true;
    }
    mode_t type = (sx.stx_mask & STATX_TYPE) ? (sx.stx_mode & S_IFMT) : DTTOIF(dtype);
    if (S_ISDIR(type)) {
        r.attributes = FILE_ATTRIBUTE_DIRECTORY;
        bool mount_root = (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) &&
                          (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT);
        if (!mount_root) {
            if (!dirdev_known) {
                struct statx self;
                if (statx(dfd, "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC, STATX_TYPE, &self) == 0) {
                    dirmajor = self.stx_dev_major;
                    dirminor = self.stx_dev_minor;
                    dirdev_known = true;
                }
            }
            mount_root = dirdev_known &&
                         (sx.stx_dev_major != dirmajor || sx.stx_dev_minor != dirminor);
        }
        if (mount_root)
            r.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    } else if (S_ISLNK(type)) {
        r.attributes = FILE_ATTRIBUTE_REPARSE_POINT;
        r.size = sx.stx_size;
    } else {
        r.attributes = FILE_ATTRIBUTE_NORMAL;
        r.size = sx.stx_size;
    }
    return true;
}

void fill(LPWIN32_FIND_DATAA d, const Find *f, const Record &r)
{
    d->dwFileAttributes = r.attributes;
    d->ftCreationTime = FILETIME{0, 0};
    d->ftLastAccessTime = FILETIME{0, 0};
    d->ftLastWriteTime = FILETIME{0, 0};
    d->nFileSizeHigh = static_cast<DWORD>(r.size >> 32);
    d->nFileSizeLow = static_cast<DWORD>(r.size);
    d->dwReserved0 = 0;
    if (r.attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        d->dwReserved0 = (r.attributes & FILE_ATTRIBUTE_DIRECTORY) ? reparse_tag_mount_point
                                                                    : reparse_tag_symlink;
    d->dwReserved1 = 0;
    memcpy(d->cFileName, f->names + r.name, static_cast<size_t>(r.namelen) + 1);
    d->cAlternateFileName[0] = '\0';
}

/* Builds the enumeration from the listing in the scratch buffer. NULL with
 * errno set when memory runs out. */
Find *collect(int dfd, size_t listed, const NameFilter &filter)
{
    /* First pass: how many entries match and how much room their names need. */
    size_t count = 0, namebytes = 0;
    for (size_t pos = 0; pos < listed; pos += entry_at(pos)->d_reclen) {
        const dirent64 *e = entry_at(pos);
        size_t len = strlen(e->d_name);
        if (len >= MAX_PATH || !filter.matches(e->d_name))
            continue;
        count++;
        namebytes += len + 1;
    }
    if (namebytes > UINT32_MAX) {
        errno = ENOMEM;
        return nullptr;
    }
    void *block = malloc(sizeof(Find) + count * sizeof(Record) + namebytes);
    if (!block) {
        errno = ENOMEM;
        return nullptr;
    }
    Find *f = new (block) Find;
    f->kind = k32::Kind::find;
    f->records = reinterpret_cast<Record *>(f + 1);
    f->names = reinterpret_cast<char *>(f->records + count);
    f->next = 0;

    /* Second pass: one statx per entry while the directory is open. */
    bool dirdev_known = false;
    uint32_t dirmajor = 0, dirminor = 0;
    size_t n = 0, namepos = 0;
    for (size_t pos = 0; pos < listed && n < count; pos += entry_at(pos)->d_reclen) {
        const dirent64 *e = entry_at(pos);
        size_t len = strlen(e->d_name);
        if (len >= MAX_PATH || !filter.matches(e->d_name))
            continue;
        Record &r = f->records[n];
        if (is_dot_or_dotdot(e->d_name)) {
            r.size = 0;
            r.attributes = FILE_ATTRIBUTE_DIRECTORY;
        } else if (!examine(dfd, e->d_name, e->d_type, r, dirdev_known, dirmajor, dirminor)) {
            continue; /* vanished */
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

/* Opens `dir` for listing, following no link in any component. */
int open_directory(const char *dir)
{
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    static std::atomic<bool> have_openat2{true};
    if (have_openat2) {
        struct open_how how = {};
        /* RESOLVE_NO_SYMLINKS refuses a link as the last component too, with
         * ELOOP (O_NOFOLLOW would say ENOTDIR, as for a file). */
        how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
        how.resolve = RESOLVE_NO_SYMLINKS;
        int fd = static_cast<int>(syscall(SYS_openat2, AT_FDCWD, dir, &how, sizeof how));
        if (fd >= 0 || errno != ENOSYS)
            return fd;
        have_openat2 = false;
    }
    /* A kernel before 5.6: one component at a time, each without following. */
    int fd = open(dir[0] == '/' ? "/" : ".", flags);
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
        int next = openat(fd, part, flags);
        int e = errno;
        close(fd);
        errno = e;
        fd = next;
        p = end;
    }
    return fd;
}

/* Where FindFirstFileA could not open or read the directory. */
DWORD open_error(int e)
{
    switch (e) {
    case ENOENT:
    case ELOOP: return ERROR_PATH_NOT_FOUND; /* gone, or a link now: not ours to enter */
    case ENOTDIR: return ERROR_DIRECTORY;     /* a file */
    default: return k32::error_from_errno(e);
    }
}

} // namespace

HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData)
{
    if (lpFileName == NULL || lpFindFileData == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }

    /* Split "dir/mask": no '/' is the current directory, a leading one alone the root. */
    char dir[MAX_PATH];
    const char *slash = strrchr(lpFileName, '/');
    const char *mask = slash ? slash + 1 : lpFileName;
    size_t dirlen = slash ? static_cast<size_t>(slash - lpFileName) : 0;
    if (dirlen >= sizeof dir) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    if (!slash) {
        strcpy(dir, ".");
    } else if (dirlen == 0) {
        strcpy(dir, "/");
    } else {
        memcpy(dir, lpFileName, dirlen);
        dir[dirlen] = '\0';
    }
    NameFilter filter{mask, strcmp(mask, "*.*") == 0 || strcmp(mask, "*") == 0};

    int dfd = open_directory(dir);
    if (dfd < 0) {
        SetLastError(open_error(errno));
        return INVALID_HANDLE_VALUE;
    }
    ssize_t listed = read_whole_directory(dfd);
    Find *f = nullptr;
    int saved = errno;
    if (listed >= 0) {
        f = collect(dfd, static_cast<size_t>(listed), filter);
        saved = errno;
    }
    close(dfd);
    scratch.trim();

    if (!f) {
        SetLastError(open_error(saved));
        return INVALID_HANDLE_VALUE;
    }
    if (f->count == 0) { /* nothing matched */
        free(f);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (!k32::register_object(f)) {
        free(f);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    fill(lpFindFileData, f, f->records[0]);
    f->next = 1;
    return f;
}

BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData)
{
    auto *f = static_cast<Find *>(k32::lookup_object(hFindFile, k32::Kind::find));
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (lpFindFileData == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (f->next >= f->count) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    fill(lpFindFileData, f, f->records[f->next++]);
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE hFindFile)
{
    auto *f = static_cast<Find *>(k32::lookup_object(hFindFile, k32::Kind::find));
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    k32::unregister_object(f);
    f->~Find();
    free(f);
    return TRUE;
}
