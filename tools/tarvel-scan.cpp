/*
 * tarvel-scan - the report of one directory, without a window.
 *
 *     tarvel-scan [--cluster-size N] DIR
 *
 * Runs the same survey as File/Open on DIR and prints every report line, one
 * per output line, as the window shows it. What would be a message box goes
 * to standard error as "Caption: text". Control characters in a line (a name
 * may hold a newline) are written as \ooo octal escapes, so each report line
 * is exactly one output line.
 */
#include <windows.h>

#include <errno.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <string>

#include "platform_testing.h"
#include "tarvel/report.h"
#include "tarvel/survey.h"

static const char usage[] = "usage: tarvel-scan [--cluster-size N] DIR\n";

static int badusage(const char *why)
{
    if (why)
        fprintf(stderr, "tarvel-scan: %s\n", why);
    fputs(usage, stderr);
    return 2;
}

/* A cluster size: a whole number from 1 to 2^31 - 1. */
static bool parsesize(const char *s, DWORD *out)
{
    if (*s < '0' || *s > '9')
        return false;
    errno = 0;
    char *end;
    unsigned long long v = strtoull(s, &end, 10);
    if (errno || *end || v == 0 || v > 0x7FFFFFFF)
        return false;
    *out = (DWORD)v;
    return true;
}

static void putline(const char *s, std::string &out)
{
    for (const unsigned char *p = (const unsigned char *)s; *p; p++) {
        if (*p < 32 || *p == 127) {
            char esc[5];
            snprintf(esc, sizeof esc, "\\%03o", *p);
            out += esc;
        } else {
            out += (char)*p;
        }
    }
    out += '\n';
}

int main(int argc, char **argv)
{
    DWORD clusterbytes = 0;
    const char *dir = NULL;

    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--cluster-size") == 0) {
            if (i + 1 >= argc || !parsesize(argv[++i], &clusterbytes))
                return badusage("--cluster-size takes a whole number of bytes from 1 to 2147483647");
        } else if (strncmp(argv[i], "--cluster-size=", 15) == 0) {
            if (!parsesize(argv[i] + 15, &clusterbytes))
                return badusage("--cluster-size takes a whole number of bytes from 1 to 2147483647");
        } else if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            fputs(usage, stdout);
            return 0;
        } else if (strcmp(argv[i], "--") == 0 && i + 2 == argc && !dir) {
            dir = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return badusage((std::string("unknown option ") + argv[i]).c_str());
        } else if (dir) {
            return badusage("only one directory at a time");
        } else {
            dir = argv[i];
        }
    }
    if (!dir)
        return badusage(NULL);

    struct stat st;
    if (stat(dir, &st) != 0) {
        fprintf(stderr, "tarvel-scan: %s: %s\n", dir, strerror(errno));
        return 1;
    }
    if (!S_ISDIR(st.st_mode)) {
        fprintf(stderr, "tarvel-scan: %s: Not a directory\n", dir);
        return 1;
    }
    /* The survey takes a full path, as the dialog gives it. */
    char *full = realpath(dir, NULL);
    if (!full) {
        fprintf(stderr, "tarvel-scan: %s: %s\n", dir, strerror(errno));
        return 1;
    }

    testhooks::answer_message_boxes([](const testhooks::MessageBoxRecord &box) {
        fprintf(stderr, "%s: %s\n", box.caption.c_str(), box.text.c_str());
        return IDOK;
    });

    survey(full, clusterbytes);
    free(full);

    /* A closed pipe is a write error to report, not a signal to die of. */
    signal(SIGPIPE, SIG_IGN);
    std::string out;
    for (ll *lp = gl.head; lp != NULL; lp = lp->next) {
        putline(lp->str, out);
        if (out.size() >= (1 << 16)) {
            fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    fwrite(out.data(), 1, out.size(), stdout);
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "tarvel-scan: cannot write the report: %s\n", strerror(errno));
        return 1;
    }
    return 0;
}
