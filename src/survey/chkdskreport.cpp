/*
 * chkdskreport.cpp - reading the disk checker's report.
 */
#include <windows.h>

#include <string.h>

#include "tarvel/survey.h"

/* The report file, read through the handle the checker wrote it through. */
struct reportfile {
    HANDLE h;
    char buf[4096];
    DWORD pos, len;
};

/* As fgets: at most size - 1 bytes, up to and including a newline; FALSE
 * at the end of the report or when it cannot be read further. */
static BOOL readline(reportfile *rf, char *line, int size)
{
    int n = 0;
    while (n < size - 1) {
        if (rf->pos == rf->len) {
            rf->pos = 0;
            if (!ReadFile(rf->h, rf->buf, sizeof rf->buf, &rf->len, NULL))
                rf->len = 0;
            if (rf->len == 0)
                break;
        }
        char c = rf->buf[rf->pos++];
        line[n++] = c;
        if (c == '\n')
            break;
    }
    line[n] = '\0';
    return n > 0;
}

int chkdskreport(HANDLE hreport, ULONG *spc, ULONG *bps, ULONG *fc, ULONG *tc)
{
    char buff[MAX_PATH];
    reportfile rf;
    rf.h = hreport;
    rf.pos = rf.len = 0;

    *bps = 512;
    *fc = 0;
    *tc = 0;
    *spc = 0;
    /* A line longer than the buffer is read, and tested, in pieces; the last
     * matching line wins. */
    while (readline(&rf, buff, MAX_PATH)) {
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
