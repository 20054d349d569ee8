/*
 * version.cpp - GetVersion.
 *
 * Differences from Win32: the layer is not Windows NT, and says so with the
 * high bit that marks the non-NT family. Callers use that bit to tell whether
 * NT's habits apply; they do not here: the disk checker is Tarvel's own, runs
 * for every user and never fails on a healthy system, so its failure is news
 * worth telling. The version numbers are 0: no Windows version would be true.
 */
#include <windows.h>

DWORD WINAPI GetVersion(void)
{
    return 0x80000000u;
}
