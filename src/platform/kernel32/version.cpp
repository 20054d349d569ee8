/*
 * version.cpp - GetVersion.
 *
 * Differences from Win32: the layer reports the NT family (the high bit
 * clear), whose habits are the ones that hold here: the volume's own figures
 * (GetDiskFreeSpaceA, from statvfs) are exact, so a disk checker that fails
 * leaves no doubt about the cluster size worth a warning. The version
 * numbers are 0: no Windows version would be true.
 */
#include <windows.h>

#include "seams.h"

DWORD WINAPI GetVersion(void)
{
    return seams::windows_9x && seams::windows_9x() ? 0x80000000u : 0;
}
