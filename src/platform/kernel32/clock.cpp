/*
 * clock.cpp - GetTickCount.
 *
 *   GetTickCount   milliseconds since an unspecified start, wrapping at
 *                  2^32 as Win32's does: the monotonic clock, at the coarse
 *                  resolution Win32 has too (a few milliseconds), so that a
 *                  call costs no system call.
 */
#include <windows.h>

#include <time.h>

DWORD WINAPI GetTickCount(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
    return (DWORD)((unsigned long long)t.tv_sec * 1000u + (unsigned long long)t.tv_nsec / 1000000u);
}
