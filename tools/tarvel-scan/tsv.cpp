/*
 * tsv.cpp - the report as exact byte figures, tab-separated, for scripts.
 *
 *     # Drive / has a cluster size of 4096 bytes
 *     used	used_here	used_subdir	wasted	wasted_here	wasted_subdir	path
 *     5000	5000	0	3192	3192	0	/home/ann/games/save
 *     ...
 *
 * The rows follow the same scan as the report's lines, in the same
 * post-order: the scan tells its watcher (survey.h) each file as it counts
 * it, and each directory as it appends the line, and the row is written at
 * once. The report's own figures are doubles, whole to 2^53 bytes; the rows'
 * are summed here from the files, whole at any size. The driver's lines (the
 * cluster size, the drive-size warning) come first, as comments. Paths are
 * escaped as in the text report.
 */
#include <windows.h>

#include <stdio.h>

#include <map>
#include <string>

#include "scan.h"
#include "sum.h"
#include "tarvel/paths.h"
#include "tarvel/report.h"
#include "tarvel/survey.h"

static BOOL started = FALSE, failed = FALSE;

/* A directory's bytes so far: its own files', and its finished
 * sub-directories'. Kept for the directories the scan is in, and for the
 * parent of one that has finished until the parent's own row. */
struct Figures {
    Sum used, wasted, sdused, sdwasted;
};
static std::map<std::string, Figures> unfinished;
/* Files come in runs of one directory: it is looked up once a run. */
static std::string rundir;
static Figures *run = nullptr;

/* The directory that holds `dir`, named as the scan names it: "/a" of
 * "/a/b", "/" of "/a", "C:\" of "C:\a". */
static std::string parentof(const std::string &dir)
{
    const size_t sep = dir.rfind(PATHSEP);
    if (sep == std::string::npos)
        return std::string();
    const BOOL root = sep == 0 || dir[sep - 1] == ':';
    return dir.substr(0, root ? sep + 1 : sep);
}

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

void tsvfile(const char *dir, const WIN32_FIND_DATAA *fd)
{
    if (!run || rundir != dir) {
        rundir = dir;
        run = &unfinished[rundir];
    }
    const ULONGLONG size = entrysize(fd);
    run->used.add(size);
    run->wasted.add(tailwaste(size, dgl.bpc));
}

void tsvrow(const char *dir, double, double, double, double)
{
    const auto it = unfinished.find(dir);
    const Figures f = it == unfinished.end() ? Figures() : it->second;
    if (it != unfinished.end())
        unfinished.erase(it);
    run = nullptr; /* its figures may have been those */
    Figures &parent = unfinished[parentof(dir)];
    parent.sdused = parent.sdused.plus(f.used.plus(f.sdused));
    parent.sdwasted = parent.sdwasted.plus(f.wasted.plus(f.sdwasted));

    if (!started)
        start();
    if (failed)
        return;
    const std::string row = f.used.plus(f.sdused).decimal() + "\t" + f.used.decimal() + "\t" + f.sdused.decimal() +
                            "\t" + f.wasted.plus(f.sdwasted).decimal() + "\t" + f.wasted.decimal() + "\t" +
                            f.sdwasted.decimal() + "\t";
    failed = fputs(row.c_str(), stdout) == EOF || !putescaped(stdout, dir) || putc('\n', stdout) == EOF;
}

BOOL endtsv(void)
{
    if (!started)
        start();
    return endoutput(!failed);
}
