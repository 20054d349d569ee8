/*
 * tsv.cpp - the report as exact byte figures, tab-separated, for scripts.
 *
 *     # Drive / has a cluster size of 4096 bytes
 *     used	used_here	used_subdir	wasted	wasted_here	wasted_subdir	path
 *     5000	5000	0	3192	3192	0	/home/ann/games/save
 *     ...
 *
 * The figures come from the same scan as the report's lines: the scan tells
 * its watcher (survey.h) each directory's bytes as it appends the line, and
 * the row is written at once, in the same post-order. The driver's lines
 * (the cluster size, the drive-size warning) come first, as comments. Paths
 * are escaped as in the text report.
 */
#include <windows.h>

#include <stdio.h>

#include "scan.h"
#include "tarvel/report.h"

static BOOL started = FALSE, failed = FALSE;

BOOL tsvcomments(void)
{
    for (ll *lp = gl.head; lp != NULL; lp = lp->next)
        if (lp->bytesused < 0 && lp->str[0] != '\0')
            if (fputs("# ", stdout) == EOF || !putescaped(stdout, lp->str) || putc('\n', stdout) == EOF)
                return FALSE;
    return TRUE;
}

/* The driver's lines as comments, then the heading. */
static void start(void)
{
    bufferoutput();
    started = TRUE;
    failed = !tsvcomments();
    if (!failed)
        failed = fputs("used\tused_here\tused_subdir\twasted\twasted_here\twasted_subdir\tpath\n", stdout) == EOF;
}

void tsvrow(const char *dir, double bytesused, double byteswasted, double sdbytesused, double sdbyteswasted)
{
    if (!started)
        start();
    if (failed)
        return;
    /* Whole numbers of bytes: exact up to 2^53. */
    failed = printf("%.0f\t%.0f\t%.0f\t%.0f\t%.0f\t%.0f\t", bytesused + sdbytesused, bytesused, sdbytesused,
                    byteswasted + sdbyteswasted, byteswasted, sdbyteswasted) < 0 ||
             !putescaped(stdout, dir) || putc('\n', stdout) == EOF;
}

BOOL endtsv(void)
{
    if (!started)
        start();
    return endoutput(!failed);
}
