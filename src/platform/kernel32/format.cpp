/*
 * format.cpp - wsprintfA, wvsprintfA.
 *
 * As in Win32 the output is cut at 1024 characters including the terminator
 * (1023 characters at most), nothing is written past that, and the result is
 * the number of characters stored, terminator not counted.
 * Differences from Win32: the conversions are the C library's, so floating
 * point and every printf flag work; a format the library rejects stores an
 * empty string and returns 0.
 */
#include <windows.h>

#include <stdio.h>

static const int wsprintf_limit = 1024; /* Win32's buffer limit, terminator included */

int WINAPI wvsprintfA(LPSTR lpOut, LPCSTR lpFmt, va_list arglist)
{
    if (lpOut == NULL)
        return 0;
    if (lpFmt == NULL) {
        lpOut[0] = '\0';
        return 0;
    }
    int n = vsnprintf(lpOut, wsprintf_limit, lpFmt, arglist);
    if (n < 0) {
        lpOut[0] = '\0';
        return 0;
    }
    return n < wsprintf_limit ? n : wsprintf_limit - 1;
}

int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...)
{
    va_list args;
    va_start(args, lpFmt);
    int n = wvsprintfA(lpOut, lpFmt, args);
    va_end(args);
    return n;
}
