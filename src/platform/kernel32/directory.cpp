/*
 * directory.cpp - SetCurrentDirectoryA, GetCurrentDirectoryA.
 *
 * Differences from Win32:
 *  - The current directory is the process's (chdir/getcwd), so it is the one
 *    a child process starts in and the one relative names resolve against.
 *  - GetCurrentDirectoryA gives the directory's real path: the kernel's,
 *    with every link resolved, as getcwd gives it.
 *  - SetCurrentDirectoryA follows links, as chdir does; a file is
 *    ERROR_DIRECTORY, a missing directory ERROR_FILE_NOT_FOUND (a missing
 *    directory above it ERROR_PATH_NOT_FOUND).
 */
#include <windows.h>

#include <errno.h>
#include <limits.h>
#include <string.h>
#include <unistd.h>

#include "k32.h"

BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName)
{
    if (lpPathName == NULL || *lpPathName == '\0') {
        SetLastError(lpPathName ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (chdir(lpPathName) != 0) {
        SetLastError(errno == ENOTDIR ? ERROR_DIRECTORY : k32::error_from_errno(errno));
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer)
{
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) {
        k32::set_error_from_errno(errno);
        return 0;
    }
    /* Win32: the length copied, or the size needed (terminator included). */
    size_t len = strlen(cwd);
    if (lpBuffer == NULL || len + 1 > nBufferLength)
        return static_cast<DWORD>(len + 1);
    memcpy(lpBuffer, cwd, len + 1);
    return static_cast<DWORD>(len);
}
