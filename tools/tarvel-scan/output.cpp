/*
 * output.cpp - the report on standard output, as text.
 *
 * Each report line becomes one output line: a name may hold a newline or
 * another control character, which is written as a \ooo octal escape, and
 * so is a backslash in a name, so that every name reads back unambiguously
 * (on Windows the backslash is the separator and no name can hold one).
 */
#include <windows.h>

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "scan.h"
#include "tarvel/paths.h"
#include "tarvel/report.h"

/* Bytes written as an escape: control characters, and the backslash
 * where it is no separator. */
static BOOL escaped(unsigned char c)
{
    return c < 32 || c == 127 || (c == '\\' && PATHSEP != '\\');
}

BOOL putescaped(FILE *out, const char *s)
{
    const unsigned char *p = (const unsigned char *)s;
    for (;;) {
        /* A run of ordinary bytes at once, then one escape. */
        size_t n = 0;
        while (p[n] != '\0' && !escaped(p[n]))
            n++;
        if (n && fwrite(p, 1, n, out) != n)
            return FALSE;
        p += n;
        if (*p == '\0')
            return TRUE;
        if (fprintf(out, "\\%03o", *p) < 0)
            return FALSE;
        p++;
    }
}

void bufferoutput(void)
{
    static char buffer[1 << 16];
    setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
}

BOOL endoutput(BOOL written)
{
    const BOOL flushed = fflush(stdout) == 0 && !ferror(stdout);
    if (written && flushed)
        return TRUE;
    if (fprintf(stderr, "tarvel-scan: cannot write the report: %s\n", strerror(errno)) < 0 || fflush(stderr) != 0)
        stderrlost = TRUE;
    return FALSE;
}

BOOL writereport(void)
{
    bufferoutput();
    BOOL ok = TRUE;
    for (ll *lp = gl.head; lp != NULL && ok; lp = lp->next)
        ok = putescaped(stdout, lp->str) && putc('\n', stdout) != EOF;
    return endoutput(ok);
}
