/*
 * find.cpp - FindFirstFileA, FindNextFileA, FindClose, GetCompressedFileSizeA.
 *
 * The pattern is a directory, '/', and "*.*" (or "*"), which yields every
 * entry, "." and ".." included: the one pattern the program asks for, and
 * the only one taken (another fails with ERROR_INVALID_PARAMETER). "*.*"
 * alone is the current directory, and "/" followed by "*.*" the root.
 *
 * FindFirstFileA reads the whole directory (listing.cpp), or takes the
 * listing that the read-ahead has made of it (readahead.cpp); FindNextFileA
 * yields from memory. No descriptor stays open between calls.
 *
 * Differences from Win32:
 *  - No link is followed anywhere in the directory's path (openat2 with
 *    RESOLVE_NO_SYMLINKS, or a walk component by component where the kernel
 *    lacks it): a directory swapped for a link during a scan, at any level,
 *    is refused like one that has gone (ERROR_PATH_NOT_FOUND), so a scan can
 *    never be led out of its tree. Callers give real paths, as getcwd does.
 *  - A listing that fails for lack of memory or of descriptors says so
 *    (ERROR_NOT_ENOUGH_MEMORY, ERROR_TOO_MANY_OPEN_FILES).
 *  - A directory at or below the current one is opened from the current
 *    directory itself (directory.cpp). The sub-directory an enumeration has
 *    just yielded must lie on the mount that listing saw it on: one mounted
 *    there since fails with ERROR_NOT_SAME_DEVICE, and so does it when its
 *    listing was read ahead. A directory removed once opened is
 *    ERROR_PATH_NOT_FOUND like one that has gone.
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
 *    before its statx is left out, as if it had never been there.
 *  - A listing that is not whole says so at its end: when reading the
 *    directory fails part way (an I/O error), or an entry cannot be examined
 *    (an I/O error, no search permission), the entries read are yielded and
 *    then FindNextFileA fails with that error instead of
 *    ERROR_NO_MORE_FILES (FindFirstFileA, where none was read). Running out
 *    of memory for a listing fails the call.
 *  - No times and no short names: those fields are zero and empty.
 */
#include <windows.h>

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>

#include "k32.h"
#include "listing.h"
#include "readahead.h"

namespace {

/* The entry this thread's enumeration yielded last: GetCompressedFileSizeA
 * of it, the usual next question, is answered from the listing's statx. The
 * handle is looked up again before use, so a closed one is never read. */
thread_local const k32::Find *last_find = nullptr;
thread_local size_t last_index = 0;

constexpr DWORD reparse_tag_mount_point = 0xA0000003; /* IO_REPARSE_TAG_MOUNT_POINT */
constexpr DWORD reparse_tag_symlink = 0xA000000C;     /* IO_REPARSE_TAG_SYMLINK */

void fill(LPWIN32_FIND_DATAA d, const k32::Find *f, const k32::Record &r)
{
    d->dwFileAttributes = r.attributes;
    d->ftCreationTime = FILETIME{0, 0};
    d->ftLastAccessTime = FILETIME{0, 0};
    d->ftLastWriteTime = FILETIME{0, 0};
    d->nFileSizeHigh = static_cast<DWORD>(r.size >> 32);
    d->nFileSizeLow = static_cast<DWORD>(r.size);
    d->dwReserved0 = 0;
    if (r.attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        d->dwReserved0 = (r.attributes & FILE_ATTRIBUTE_DIRECTORY) ? reparse_tag_mount_point : reparse_tag_symlink;
    d->dwReserved1 = 0;
    memcpy(d->cFileName, f->names + r.name, static_cast<size_t>(r.namelen) + 1);
    d->cAlternateFileName[0] = '\0';
}

bool is_last_yielded(const char *path);

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
    if (strcmp(mask, "*.*") != 0 && strcmp(mask, "*") != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }

    /* A sub-directory just yielded by an enumeration lies on its parent's
     * mount, as that listing saw it: one mounted there since is not read. */
    const k32::MountId *parent = is_last_yielded(dir) ? &last_find->mount : nullptr;

    /* The listing a walk asks for, which the read-ahead may have made already. */
    DWORD error = 0;
    k32::Find *f = k32::readahead::list(dir, &error, parent);
    if (!f) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    if (f->count == 0) { /* nothing could be read */
        const DWORD why = f->error ? f->error : ERROR_FILE_NOT_FOUND;
        k32::readahead::closed(f);
        k32::free_listing(f);
        SetLastError(why);
        return INVALID_HANDLE_VALUE;
    }
    if (!k32::register_object(f)) {
        k32::readahead::closed(f);
        k32::free_listing(f);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    fill(lpFindFileData, f, f->records[0]);
    f->next = 1;
    last_find = f;
    last_index = 0;
    return f;
}

BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData)
{
    auto *f = static_cast<k32::Find *>(k32::lookup_object(hFindFile, k32::Kind::find));
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (lpFindFileData == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (f->next >= f->count) {
        SetLastError(f->error ? f->error : ERROR_NO_MORE_FILES);
        return FALSE;
    }
    last_find = f;
    last_index = f->next;
    fill(lpFindFileData, f, f->records[f->next++]);
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE hFindFile)
{
    auto *f = static_cast<k32::Find *>(k32::lookup_object(hFindFile, k32::Kind::find));
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (last_find == f)
        last_find = nullptr;
    k32::unregister_object(f);
    k32::readahead::closed(f);
    k32::free_listing(f);
    return TRUE;
}

namespace {

/* Whether `path` names the entry yielded last (its directory joined to its name). */
bool is_last_yielded(const char *path)
{
    auto *f = static_cast<const k32::Find *>(k32::lookup_object(const_cast<k32::Find *>(last_find), k32::Kind::find));
    if (!f || f != last_find || last_index >= f->count)
        return false;
    return k32::is_child_path(path, f->dir, f->names + f->records[last_index].name);
}

} // namespace

/* Differences from Win32: the bytes the filesystem allocated for the entry
 * itself (st_blocks x 512: sparse, compressed, inline and shared extents show),
 * not following a link; for the entry an enumeration has just yielded, from
 * its listing, with no system call. */
DWORD WINAPI GetCompressedFileSizeA(LPCSTR lpFileName, LPDWORD lpFileSizeHigh)
{
    if (lpFileName == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_SIZE;
    }
    uint64_t bytes;
    if (is_last_yielded(lpFileName)) {
        bytes = last_find->records[last_index].allocated;
    } else {
        struct statx sx;
        if (statx(AT_FDCWD, lpFileName, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_BLOCKS, &sx) != 0) {
            k32::set_error_from_errno(errno);
            return INVALID_FILE_SIZE;
        }
        bytes = (sx.stx_mask & STATX_BLOCKS) ? sx.stx_blocks * 512 : 0;
    }
    if (lpFileSizeHigh)
        *lpFileSizeHigh = static_cast<DWORD>(bytes >> 32);
    /* Win32: a low part of 0xFFFFFFFF is a failure only with an error set. */
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(bytes);
}
