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
    const unsigned char *p = (const unsigned char *)s;
    for (;;) {
        /* A run of ordinary bytes at once, then one escape. */
        size_t n = 0;
        while (p[n] >= 32 && p[n] != 127)
            n++;
        if (n && fwrite(p, 1, n, stdout) != n)
            return FALSE;
        p += n;
        if (*p == '\0')
            break;
        if (fprintf(stdout, "\\%03o", *p) < 0)
            return FALSE;
        p++;
    }
    return putc('\n', stdout) != EOF;
}

BOOL writereport(void)
{
    static char buffer[1 << 16];
    setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
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
