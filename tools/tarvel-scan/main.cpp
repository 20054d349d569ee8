/*
 * tarvel-scan - the report of one directory, without a window.
 *
 *     tarvel-scan [--cluster-size N] [--format=text|tsv] [--what-if[=SIZES]] DIR
 *
 * Runs the same survey as File/Open on DIR and prints the report: every
 * report line, one per output line, as the window shows it, or exact byte
 * figures, tab-separated; or, with --what-if, what the tree's files would
 * take on each of several cluster sizes. What would be a message box goes to standard error
 * as "Caption: text". DIR becomes the current directory and is surveyed under
 * its full path, as the dialog hands it over.
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
#include "tarvel/paths.h"
#include "tarvel/report.h"
#include "tarvel/survey.h"

static const char usage[] = "usage: tarvel-scan [--cluster-size N] [--format=text|tsv] [--what-if[=SIZES]] DIR\n";

static const char help[] = "\n"
                           "Surveys the directory tree DIR as Tarvel's File/Open does and prints its\n"
                           "report: one line per directory, after the lines of its sub-directories, with\n"
                           "the kilobytes its files use and waste in the unfilled tails of their last\n"
                           "allocation units, here and in the sub-directories.\n"
                           "\n"
                           "  --cluster-size N  take N bytes as the cluster size instead of asking the\n"
                           "                    volume\n"
                           "  --format=text     the report as the window shows it (the default)\n"
                           "  --format=tsv      exact bytes, tab-separated: used, used_here, used_subdir,\n"
                           "                    wasted, wasted_here, wasted_subdir, then the directory\n"
                           "  --what-if[=SIZES] instead of the report, what the tree's files would take\n"
                           "                    on each cluster size of SIZES (default: 512 bytes to 2M,\n"
                           "                    the powers of two): files, used, wasted and on-disk\n"
                           "                    bytes, and what the filesystem really allocated for them.\n"
                           "                    SIZES is a comma-separated list of byte counts, each with\n"
                           "                    an optional K (1024) or M (1048576): --what-if=4K,32K,128K\n"
                           "  --help            this text\n"
                           "  --version         the version\n"
                           "\n"
                           "Exit status: 0 when the report is complete; 1 when something is missing from\n"
                           "it, said on standard error; 2 for a bad command line.\n";

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
    BOOL tsv = FALSE, whatif = FALSE;
    const char *dir = NULL;

    BOOL options = TRUE; /* until "--" */
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        /* Windows' own way to ask for help; elsewhere "/?" is a directory. */
        const BOOL slashhelp = options && PATHSEP == '\\' && strcmp(a, "/?") == 0;
        if (!slashhelp && (!options || a[0] != '-' || a[1] == '\0')) {
            if (dir)
                return badusage("only one directory at a time");
            dir = a;
        } else if (strcmp(a, "--") == 0) {
            options = FALSE;
        } else if (strcmp(a, "--cluster-size") == 0) {
            if (i + 1 >= argc || !parsesize(argv[++i], &clusterbytes))
                return badusage(sizewords);
        } else if (strncmp(a, "--cluster-size=", 15) == 0) {
            if (!parsesize(a + 15, &clusterbytes))
                return badusage(sizewords);
        } else if (strcmp(a, "--what-if") == 0 || strncmp(a, "--what-if=", 10) == 0) {
            const char *bad;
            if (!whatifsizes(a[9] == '=' ? a + 10 : NULL, &bad)) {
                fputs("tarvel-scan: --what-if: \"", stderr);
                putescaped(stderr, bad);
                fputs("\" is no cluster size: a whole number of bytes from 1 to 2147483648, with K or M for "
                      "KiB or MiB\n",
                      stderr);
                return badusage(NULL);
            }
            whatif = TRUE;
        } else if (strcmp(a, "--format=text") == 0 || strcmp(a, "--format=tsv") == 0) {
            tsv = strcmp(a, "--format=tsv") == 0;
        } else if (slashhelp || strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
            fputs(usage, stdout);
            fputs(help, stdout);
            return endoutput(TRUE, "the help") ? 0 : 1;
        } else if (strcmp(a, "--version") == 0) {
            puts("tarvel-scan " TARVEL_VERSION);
            return endoutput(TRUE, "the version") ? 0 : 1;
        } else {
            return badusage("unknown option ", a);
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

    watchscan(tsv, whatif);
    survey(full, clusterbytes);
    BOOL written = whatif ? endwhatif(tsv, full) : tsv ? endtsv() : writereport();
    BOOL whole = !incomplete && boxes <= dgl.notices;
    return written && whole && !stderrlost ? 0 : 1;
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
