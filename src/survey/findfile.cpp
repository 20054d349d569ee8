/*
 * findfile.cpp - the directory enumeration the scan walks with.
 *
 * On Windows the search goes through the "\\?\" form of the path, which
 * Windows takes as it is: without it, a name that ends in a dot or a blank
 * (such directories exist on NTFS, made through WSL or Cygwin, or copied
 * from elsewhere) is cut by Windows' path rules, so that "dup.\*.*" lists
 * "dup", another directory, which would be counted twice. That form exists
 * only for the wide calls; the names come back in the program's code page.
 * Elsewhere the ANSI calls take every name as it is.
 */
#include <windows.h>

#include <string.h>

#include "tarvel/survey.h"

#ifdef _WIN32

BOOL widepath(const char *path, WCHAR *wide, int size)
{
    /* A path in that form already ("\\?\", "\\.\"), or a relative one, stays
     * as it is. */
    const WCHAR *prefix = L"";
    const BOOL network = path[0] == '\\' && path[1] == '\\';
    if (network && path[2] != '?' && path[2] != '.') {
        prefix = L"\\\\?\\UNC"; /* \\server\share: \\?\UNC\server\share */
        path++;
    } else if (!network && path[0] != '\0' && path[1] == ':') {
        prefix = L"\\\\?\\"; /* C:\dir: \\?\C:\dir */
    }
    const int n = lstrlenW(prefix);
    if (n >= size || MultiByteToWideChar(CP_ACP, 0, path, -1, wide + n, size - n) == 0) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    memcpy(wide, prefix, n * sizeof(WCHAR));
    return TRUE;
}

/* The entry in the program's code page. A name longer than the record's
 * field there (255 UTF-16 units may take 765 bytes) keeps as many whole
 * characters as fit, which is longer than any path may be: a directory so
 * named is told as too long, a file counts with its size. */
static void narrow(const WIN32_FIND_DATAW *w, WIN32_FIND_DATAA *a)
{
    a->dwFileAttributes = w->dwFileAttributes;
    a->ftCreationTime = w->ftCreationTime;
    a->ftLastAccessTime = w->ftLastAccessTime;
    a->ftLastWriteTime = w->ftLastWriteTime;
    a->nFileSizeHigh = w->nFileSizeHigh;
    a->nFileSizeLow = w->nFileSizeLow;
    a->dwReserved0 = w->dwReserved0;
    a->dwReserved1 = w->dwReserved1;
    int len = lstrlenW(w->cFileName), n;
    while ((n = WideCharToMultiByte(CP_ACP, 0, w->cFileName, len, a->cFileName, MAX_PATH - 1, NULL, NULL)) == 0 &&
           len > 0)
        len--;
    a->cFileName[n] = '\0';
    if (!WideCharToMultiByte(CP_ACP, 0, w->cAlternateFileName, -1, a->cAlternateFileName, sizeof a->cAlternateFileName,
                             NULL, NULL))
        a->cAlternateFileName[0] = '\0';
}

HANDLE findfirst(const char *pattern, WIN32_FIND_DATAA *fd)
{
    WCHAR wide[MAX_PATH + 8];
    WIN32_FIND_DATAW w;
    if (!widepath(pattern, wide, MAX_PATH + 8))
        return INVALID_HANDLE_VALUE;
    /* "*.*" means every name only where Windows rewrites the pattern; "*"
     * means it everywhere. */
    const int len = lstrlenW(wide);
    if (len >= 3 && lstrcmpW(wide + len - 3, L"*.*") == 0)
        wide[len - 2] = L'\0';
    HANDLE h = FindFirstFileW(wide, &w);
    if (h != INVALID_HANDLE_VALUE)
        narrow(&w, fd);
    return h;
}

BOOL findnext(HANDLE h, WIN32_FIND_DATAA *fd)
{
    WIN32_FIND_DATAW w;
    if (!FindNextFileW(h, &w))
        return FALSE;
    narrow(&w, fd);
    return TRUE;
}

#else

HANDLE findfirst(const char *pattern, WIN32_FIND_DATAA *fd)
{
    return FindFirstFileA(pattern, fd);
}

BOOL findnext(HANDLE h, WIN32_FIND_DATAA *fd)
{
    return FindNextFileA(h, fd);
}

#endif
