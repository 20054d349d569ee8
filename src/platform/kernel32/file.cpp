/*
 * file.cpp - CreateFileA, ReadFile, SetFilePointer, DeleteFileA, GetTempPathA,
 * GetTempFileNameA.
 *
 * Differences from Win32:
 *  - CreateFileA: what the probe asks for: CREATE_ALWAYS, GENERIC_WRITE with
 *    or without GENERIC_READ (anything else: ERROR_INVALID_PARAMETER); the
 *    sharing mode, security attributes, template and every flag but
 *    FILE_FLAG_DELETE_ON_CLOSE are ignored. A file opened to be deleted on
 *    close must be a regular file (else ERROR_ACCESS_DENIED), and its name
 *    is removed at once rather than at the last close: the descriptor keeps
 *    it readable and writable for its holders, a child given it included,
 *    and nothing is left behind however the program ends. Every file is opened
 *    close-on-exec and without following a link in the last component (a
 *    link there fails with ERROR_ACCESS_DENIED). New files get mode 0666
 *    less the umask. A directory is refused (ERROR_ACCESS_DENIED), and opening
 *    never blocks, not even on a FIFO without a writer. The last error after
 *    a successful CREATE_ALWAYS is 0, not ERROR_ALREADY_EXISTS.
 *  - ReadFile: synchronous only (no OVERLAPPED); a read interrupted by a
 *    signal is retried.
 *  - SetFilePointer: FILE_BEGIN with a 32-bit offset only.
 *  - A file handle is closed by CloseHandle (handles.cpp).
 *  - GetTempPathA: $TMPDIR when it is an absolute path, else /tmp (as
 *    mktemp does: a relative one would name a different folder after each
 *    change of directory), with a '/' added.
 *  - GetTempFileNameA: "<path>[/]<up to 3 characters of prefix><hex>.tmp",
 *    with uUnique 0 only (else ERROR_INVALID_PARAMETER): the file is created
 *    exclusively (O_EXCL, no link followed, mode 0600), trying further
 *    numbers while a name is taken, so an existing file is never touched.
 */
#include <windows.h>

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <new>

#include "k32.h"

namespace {

struct File : k32::Object {
    int fd;
};

/* Opens with O_NONBLOCK so that a FIFO cannot hold the caller, then turns
 * blocking mode back on for the reads and writes that follow. */
int open_file(const char *name, int flags, mode_t mode)
{
    int fd;
    do
        fd = open(name, flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, mode);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat st;
    int e = fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    if (e) {
        close(fd);
        errno = e;
        return -1;
    }
    int fl = fcntl(fd, F_GETFL);
    if (fl >= 0)
        fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    return fd;
}

DWORD file_error(int e)
{
    return e == ENOTDIR ? ERROR_PATH_NOT_FOUND : k32::error_from_errno(e);
}

} // namespace

namespace k32 {

int file_descriptor(HANDLE h)
{
    auto *f = static_cast<File *>(lookup_object(h, Kind::file));
    return f ? f->fd : -1;
}

} // namespace k32

namespace {

/* CloseHandle of a file. */
BOOL close_file(k32::Object *o)
{
    auto *f = static_cast<File *>(o);
    /* The descriptor is gone even when close reports an error (Linux). */
    int r = close(f->fd);
    int e = errno;
    delete f;
    if (r != 0 && e != EINTR) {
        k32::set_error_from_errno(e);
        return FALSE;
    }
    return TRUE;
}

} // namespace

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile)
{
    (void)dwShareMode;
    (void)lpSecurityAttributes;
    (void)hTemplateFile;
    if (lpFileName == NULL || *lpFileName == '\0') {
        SetLastError(lpFileName ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }

    const bool reading = dwDesiredAccess & GENERIC_READ;
    if (dwCreationDisposition != CREATE_ALWAYS || !(dwDesiredAccess & GENERIC_WRITE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const int flags = (reading ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;

    auto *f = new (std::nothrow) File;
    if (!f) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    f->kind = k32::Kind::file;
    f->close = close_file;
    f->fd = open_file(lpFileName, flags, 0666);
    if (f->fd < 0) {
        SetLastError(file_error(errno));
        delete f;
        return INVALID_HANDLE_VALUE;
    }
    if (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) {
        /* A FIFO or device put in the file's place would hold whoever writes
         * or reads it; a temporary file is a regular file or nothing. */
        struct stat st;
        if (fstat(f->fd, &st) != 0 || !S_ISREG(st.st_mode) || unlink(lpFileName) != 0) {
            close(f->fd);
            delete f;
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
    }
    if (!k32::register_object(f)) {
        close(f->fd);
        delete f;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return f;
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped)
{
    const int fd = k32::file_descriptor(hFile);
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = 0;
    if (fd < 0 || lpOverlapped || !lpNumberOfBytesRead || (!lpBuffer && nNumberOfBytesToRead)) {
        SetLastError(fd < 0 ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ssize_t n;
    do
        n = read(fd, lpBuffer, nNumberOfBytesToRead);
    while (n < 0 && errno == EINTR);
    if (n < 0) {
        SetLastError(file_error(errno));
        return FALSE;
    }
    *lpNumberOfBytesRead = (DWORD)n; /* 0 at the end of the file, as Win32 */
    return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG *lpDistanceToMoveHigh, DWORD dwMoveMethod)
{
    const int fd = k32::file_descriptor(hFile);
    if (fd < 0 || lpDistanceToMoveHigh || dwMoveMethod != FILE_BEGIN || lDistanceToMove < 0) {
        SetLastError(fd < 0 ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (lseek(fd, lDistanceToMove, SEEK_SET) < 0) {
        SetLastError(file_error(errno));
        return INVALID_SET_FILE_POINTER;
    }
    return (DWORD)lDistanceToMove;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName)
{
    if (lpFileName == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    /* unlink itself refuses a directory (EISDIR): ERROR_ACCESS_DENIED, as in Win32. */
    if (unlink(lpFileName) != 0) {
        SetLastError(file_error(errno));
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer)
{
    const char *dir = getenv("TMPDIR");
    if (dir == NULL || dir[0] != '/')
        dir = "/tmp";
    size_t len = strlen(dir);
    bool add_slash = dir[len - 1] != '/';
    size_t total = len + (add_slash ? 1 : 0);
    /* Win32: the length copied, or the size needed (terminator included) when
     * the buffer is too small. */
    if (lpBuffer == NULL || total + 1 > nBufferLength)
        return static_cast<DWORD>(total + 1);
    memcpy(lpBuffer, dir, len);
    if (add_slash)
        lpBuffer[len] = '/';
    lpBuffer[total] = '\0';
    return static_cast<DWORD>(total);
}

UINT WINAPI GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName)
{
    if (lpPathName == NULL || lpTempFileName == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t pathlen = strlen(lpPathName);
    const char *sep = pathlen && lpPathName[pathlen - 1] != '/' ? "/" : "";
    char prefix[4] = "";
    if (lpPrefixString)
        snprintf(prefix, sizeof prefix, "%s", lpPrefixString);

    /* Forms the name for one number; false when it does not fit MAX_PATH. */
    auto form = [&](unsigned number) {
        int n = snprintf(lpTempFileName, MAX_PATH, "%s%s%s%X.tmp", lpPathName, sep, prefix, number);
        return n > 0 && n < MAX_PATH;
    };

    if (uUnique != 0) { /* only a new file is asked for */
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }

    /* Start at a random number so that concurrent callers rarely collide,
     * then walk through all 65535 non-zero numbers once. */
    unsigned start = 0;
    if (getrandom(&start, sizeof start, GRND_NONBLOCK) != sizeof start)
        start = static_cast<unsigned>(getpid()) ^ static_cast<unsigned>(time(nullptr));
    for (unsigned i = 0; i < 0xFFFF; i++) {
        unsigned number = (start + i) % 0xFFFF + 1;
        if (!form(number)) {
            lpTempFileName[0] = '\0';
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return 0;
        }
        int fd = open(lpTempFileName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            close(fd);
            return number;
        }
        if (errno != EEXIST && errno != EINTR) {
            SetLastError(file_error(errno));
            return 0;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}
