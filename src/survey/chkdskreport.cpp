/*
 * chkdskreport.cpp - reading the disk checker's report.
 */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "tarvel/survey.h"

int chkdskreport(FILE *fp, ULONG *spc, ULONG *bps, ULONG *fc, ULONG *tc)
{
    char buff[MAX_PATH];

    *bps = 512;
    *fc = 0;
    *tc = 0;
    *spc = 0;
    /* A line longer than the buffer is read, and tested, in pieces; the last
     * matching line wins. */
    while (fgets(buff, MAX_PATH, fp) != NULL) {
        if (strstr(buff, "bytes in each allocation unit"))
            *spc = fetchint(buff) / 512;
        if (strstr(buff, "total allocation units"))
            *tc = fetchint(buff);
        /* Older checkers say "available allocation units", today's
         * "allocation units available on disk". */
        if (strstr(buff, "available allocation units") || strstr(buff, "allocation units available"))
            *fc = fetchint(buff);
    }
    return *spc != 0 && *tc != 0 && *fc != 0;
}
