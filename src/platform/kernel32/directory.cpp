/*
 * directory.cpp - SetCurrentDirectoryA, GetCurrentDirectoryA, GetSystemDirectoryA.
 *
 * Differences from Win32:
 *  - The current directory is the process's (chdir/getcwd), so it is the one
 *    a child process starts in and the one relative names resolve against.
 *  - GetCurrentDirectoryA gives the directory's real path: the kernel's,
 *    with every link resolved, as getcwd gives it.
 *  - SetCurrentDirectoryA follows links, as chdir does; a file is
 *    ERROR_DIRECTORY, a missing directory ERROR_FILE_NOT_FOUND (a missing
 *    directory above it ERROR_PATH_NOT_FOUND).
 *  - The path GetCurrentDirectoryA gives is remembered: a directory listed
 *    by that path, or below it, is opened from the current directory itself
 *    (listing.cpp), so that the directory entered is the one listed even
 *    where that path has come to name another since.
 *  - GetSystemDirectoryA names Tarvel's own system directory, where the disk
 *    checker is: $TARVEL_SYSTEM_DIR when set, else <prefix>/lib/tarvel/system
 *    beside an installed program's bin, or "system" beside a program run
 *    from its build directory.
 */
#include <windows.h>

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <string>

#include "k32.h"

namespace {

/* What remember_current_directory was last told; guarded by its lock, which
 * the read-ahead's workers take too. */
std::mutex remembered_lock;
char remembered[PATH_MAX];
size_t remembered_len = 0;

} // namespace

namespace k32 {

void remember_current_directory(const char *path)
{
    std::lock_guard<std::mutex> hold(remembered_lock);
    const size_t len = path ? strlen(path) : 0;
    remembered_len = len < sizeof remembered ? len : 0;
    if (remembered_len)
        memcpy(remembered, path, remembered_len);
}

bool beneath_current_directory(const char *dir, char *rest, size_t size)
{
    std::lock_guard<std::mutex> hold(remembered_lock);
    size_t len = remembered_len;
    if (len == 0 || dir[0] != '/' || strncmp(dir, remembered, len) != 0)
        return false;
    const char *tail = dir + len;
    if (len > 1 && *tail == '/')
        tail++;
    else if (*tail != '\0' && len > 1)
        return false; /* "/home/annex" is not below "/home/ann" */
    if (*tail == '\0')
        tail = ".";
    const size_t n = strlen(tail);
    if (n >= size)
        return false;
    memcpy(rest, tail, n + 1);
    return true;
}

} // namespace k32

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
    k32::remember_current_directory(nullptr); /* its path is not known yet */
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
    k32::remember_current_directory(cwd);
    return static_cast<DWORD>(len);
}

namespace {

bool is_directory(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

/* Tarvel's system directory (see the top of this file); "" when the
 * program's own place cannot be learnt. */
std::string system_directory()
{
    if (const char *env = getenv("TARVEL_SYSTEM_DIR"); env && *env)
        return env;
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return "";
    exe[n] = '\0';
    std::string bin(exe);
    bin.erase(bin.rfind('/'));
    std::string installed = bin, built = bin;
    installed += "/../lib/tarvel/system";
    built += "/system";
    if (!is_directory(installed) && is_directory(built))
        return built;
    /* "<prefix>/bin/../lib" is "<prefix>/lib"; say it so. */
    size_t slash = bin.rfind('/');
    return (slash == std::string::npos ? std::string() : bin.substr(0, slash)) + "/lib/tarvel/system";
}

} // namespace

UINT WINAPI GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize)
{
    try {
        std::string dir = system_directory();
        if (dir.empty()) {
            SetLastError(k32::error_gen_failure);
            return 0;
        }
        /* Win32: the length copied, or the size needed (terminator included). */
        if (lpBuffer == NULL || dir.size() + 1 > uSize)
            return static_cast<UINT>(dir.size() + 1);
        memcpy(lpBuffer, dir.c_str(), dir.size() + 1);
        return static_cast<UINT>(dir.size());
    } catch (const std::bad_alloc &) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}
