/*
 * output.cpp - the report on standard output, as text.
 *
 * Each report line becomes one output line: a name may hold a newline or
 * another control character, which is written as a \ooo octal escape, and
 * so is a backslash in a name, so that every name reads back unambiguously
 * (on Windows the backslash is the separator and no name can hold one).
 *
 * A Windows console shows characters, not bytes, and reads bytes in a code
 * page of its own: names go to it as UTF-16 (WriteConsoleW), from the
 * program's code page. A file or a pipe gets the bytes as they are.
 */
#include <windows.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
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

#ifdef _WIN32
/* The console `out` writes to, or NULL for a file or a pipe. */
static HANDLE consoleof(FILE *out)
{
    DWORD mode;
    HANDLE h = GetStdHandle(out == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    return (out == stdout || out == stderr) && GetConsoleMode(h, &mode) ? h : NULL;
}

/* Writes n bytes of names to a console as the characters they are: a run
 * of names holds no control byte, so it ends where a character ends. */
static BOOL writeconsole(HANDLE console, FILE *out, const char *p, size_t n)
{
    if (fflush(out) != 0 || n > 0x7FFFFFFF)
        return FALSE;
    WCHAR *wide = (WCHAR *)malloc(n * sizeof(WCHAR)); /* never more units than bytes */
    int w = wide ? MultiByteToWideChar(CP_ACP, 0, p, (int)n, wide, (int)n) : 0;
    DWORD written;
    BOOL ok = w > 0 && WriteConsoleW(console, wide, (DWORD)w, &written, NULL);
    free(wide);
    return ok;
}
#endif

BOOL putescaped(FILE *out, const char *s)
{
#ifdef _WIN32
    static const HANDLE console[2] = {consoleof(stdout), consoleof(stderr)};
    const HANDLE to = out == stdout ? console[0] : out == stderr ? console[1] : NULL;
#endif
    const unsigned char *p = (const unsigned char *)s;
    for (;;) {
        /* A run of ordinary bytes at once, then one escape. */
        size_t n = 0;
        while (p[n] != '\0' && !escaped(p[n]))
            n++;
#ifdef _WIN32
        if (n && to && !writeconsole(to, out, (const char *)p, n))
            return FALSE;
        if (n && !to && fwrite(p, 1, n, out) != n)
            return FALSE;
#else
        if (n && fwrite(p, 1, n, out) != n)
            return FALSE;
#endif
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

BOOL endoutput(BOOL written, const char *what)
{
    const BOOL flushed = fflush(stdout) == 0 && !ferror(stdout);
    if (written && flushed)
        return TRUE;
    if (fprintf(stderr, "tarvel-scan: cannot write %s: %s\n", what, strerror(errno)) < 0 || fflush(stderr) != 0)
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
