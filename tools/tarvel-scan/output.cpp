/*
 * output.cpp - the report on standard output.
 *
 * Each report line becomes one output line: a name may hold a newline or
 * another control character, which is written as a \ooo octal escape.
 */
#include <windows.h>

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "scan.h"
#include "tarvel/report.h"

static BOOL putline(const char *s)
{
    for (const unsigned char *p = (const unsigned char *)s; *p; p++) {
        int ok = (*p < 32 || *p == 127) ? fprintf(stdout, "\\%03o", *p) > 0 : putc(*p, stdout) != EOF;
        if (!ok)
            return FALSE;
    }
    return putc('\n', stdout) != EOF;
}

BOOL writereport(void)
{
    BOOL ok = TRUE;
    for (ll *lp = gl.head; lp != NULL && ok; lp = lp->next)
        ok = putline(lp->str);
    if (fflush(stdout) != 0 || ferror(stdout))
        ok = FALSE;
    if (!ok && (fprintf(stderr, "tarvel-scan: cannot write the report: %s\n", strerror(errno)) < 0 ||
                fflush(stderr) != 0))
        stderrlost = TRUE;
    return ok;
}
