/*
 * tarvel-scan - the report of one directory, without a window.
 *
 *     tarvel-scan [--cluster-size N] DIR
 *
 * Runs the same survey as File/Open on DIR and prints every report line, one
 * per output line, as the window shows it. What would be a message box goes
 * to standard error as "Caption: text". DIR becomes the current directory
 * and is surveyed under its full path, as the dialog hands it over.
 *
 * Exit status: 0 for a complete report; 1 when anything left it incomplete
 * (a message of failure, a directory that could not be read, DIR that
 * cannot be surveyed, a failed write); 2 for a bad command line.
 */
#include <windows.h>

#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "scan.h"
#include "tarvel/report.h"
#include "tarvel/survey.h"

static const char usage[] = "usage: tarvel-scan [--cluster-size N] DIR\n";

static int badusage(const char *why, const char *what = "")
{
    if (why)
        fprintf(stderr, "tarvel-scan: %s%s\n", why, what);
    fputs(usage, stderr);
    return 2;
}

/* A cluster size: a whole number from 1 to 2^31 - 1. */
static BOOL parsesize(const char *s, DWORD *out)
{
    if (*s < '0' || *s > '9')
        return FALSE;
    errno = 0;
    char *end;
    unsigned long long v = strtoull(s, &end, 10);
    if (errno || *end || v == 0 || v > 0x7FFFFFFF)
        return FALSE;
    *out = (DWORD)v;
    return TRUE;
}

static int run(int argc, char **argv)
{
    static const char sizewords[] = "--cluster-size takes a whole number of bytes from 1 to 2147483647";
    DWORD clusterbytes = 0;
    const char *dir = NULL;

    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--cluster-size") == 0) {
            if (i + 1 >= argc || !parsesize(argv[++i], &clusterbytes))
                return badusage(sizewords);
        } else if (strncmp(argv[i], "--cluster-size=", 15) == 0) {
            if (!parsesize(argv[i] + 15, &clusterbytes))
                return badusage(sizewords);
        } else if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            fputs(usage, stdout);
            return 0;
        } else if (strcmp(argv[i], "--") == 0 && i + 2 == argc && !dir) {
            dir = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return badusage("unknown option ", argv[i]);
        } else if (dir) {
            return badusage("only one directory at a time");
        } else {
            dir = argv[i];
        }
    }
    if (!dir)
        return badusage(NULL);

    /* As the dialog leaves it: DIR current, and its full path the one surveyed. */
    char full[MAX_PATH];
    if (!SetCurrentDirectoryA(dir)) {
        complain(dir, GetLastError());
        return 1;
    }
    DWORD n = GetCurrentDirectoryA(MAX_PATH, full);
    if (n == 0 || n >= MAX_PATH) {
        complain(dir, n ? ERROR_FILENAME_EXCED_RANGE : GetLastError());
        return 1;
    }

    watchscan();
    survey(full, clusterbytes);
    BOOL written = writereport();
    return written && !incomplete && !stderrlost ? 0 : 1;
}

int main(int argc, char **argv)
{
#ifdef SIGPIPE
    /* A closed pipe is a write error to report, not a signal to die of. */
    signal(SIGPIPE, SIG_IGN);
#endif
    /* Nothing may end the tool without its report: what was gathered is
     * printed, and the status says it is not whole. */
    try {
        return run(argc, argv);
    } catch (...) {
        writereport();
        fputs("tarvel-scan: out of memory: the report is incomplete\n", stderr);
        return 1;
    }
}
