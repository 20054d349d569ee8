/*
 * scan.h - what the parts of tarvel-scan share.
 */
#ifndef TARVEL_SCAN_SCAN_H
#define TARVEL_SCAN_SCAN_H

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "tarvel/paths.h"

/* `dir` and `name` joined by the separator, which a root ("/", "C:\")
 * already ends in. */
inline std::string childpath(const char *dir, const char *name)
{
    std::string path = dir;
    if (path.empty() || path.back() != PATHSEP)
        path += PATHSEP;
    return path + name;
}

/* Set when the report lacks something the tool itself saw (a directory that
 * could not be read, a sub-directory left out, an allocation not measured);
 * the exit status is then 1. */
extern BOOL incomplete;

/* The message boxes the survey showed, as lines on standard error. Those
 * beyond the survey's notices (dgl.notices: the probe's fallback on the
 * volume's own figures) each say something is missing: status 1. */
extern int boxes;

/* Set when a write to standard error failed: its messages are lost, and the
 * exit status is 1. */
extern BOOL stderrlost;

/* The words for a Win32 error code, as the tool prints them ("Permission denied"). */
const char *errortext(DWORD code);

/* "tarvel-scan: <what>: <errortext>" on standard error. */
void complain(const char *what, DWORD code);

/* Follows the scan (console.cpp): each directory it cannot read is named on
 * standard error; with `tsv`, each directory's figures become a row (tsv.cpp);
 * with `whatif`, each file is counted instead (whatif.cpp). */
void watchscan(BOOL tsv, BOOL whatif);

/* Writes `s` to `out` with each control character, and each backslash that
 * is no separator, as a \ooo escape; FALSE when the write failed. */
BOOL putescaped(FILE *out, const char *s);

/* Writes every report line to standard output, one line each. FALSE (after
 * saying so) when a write failed. */
BOOL writereport(void);

/* tsv.cpp: each file the scan counts, one row for a directory the scan has
 * just counted (its figures summed exactly from the files, not the report's
 * doubles), and the end of the table (its heading if no row came); FALSE
 * when a write failed. */
void tsvfile(const char *dir, const WIN32_FIND_DATAA *fd);
void tsvrow(const char *dir, double bytesused, double byteswasted, double sdbytesused, double sdbyteswasted);
BOOL endtsv(void);

/* The driver's lines (the cluster size, the drive-size warning) as "# "
 * comments; FALSE when a write failed. */
BOOL tsvcomments(void);

/* whatif.cpp: --what-if. The cluster sizes of a comma-separated list (NULL:
 * the default, 512 bytes to 2 MiB), or FALSE with the item that is no size in
 * *bad; each file the scan counts; the table, as text for people or TSV in
 * exact bytes, once the survey of `dir` is over (FALSE when a write failed). */
BOOL whatifsizes(const char *list, const char **bad);
void whatiffile(const char *dir, const WIN32_FIND_DATAA *fd);
BOOL endwhatif(BOOL tsv, const char *dir);

/* Standard output in blocks of 64 KiB, for a report of many short lines;
 * and its end: TRUE once it has taken every line (`written`), else the
 * failure to write `what` is told and FALSE. */
void bufferoutput(void);
BOOL endoutput(BOOL written, const char *what = "the report");

#endif
