/*
 * survey.h - the tree scan, the cluster size probe and the survey driver.
 */
#ifndef TARVEL_SURVEY_H
#define TARVEL_SURVEY_H

#include <windows.h>

#include "tarvel/paths.h"

/* The drive record. */
struct dgl_ {
    DWORD bpc;   /* bytes per allocation unit of the surveyed drive (survey; read by doitto) */
    int unread;  /* directories the scan could not read completely (doitto; survey zeroes and tells it) */
    int notices; /* boxes of this survey that leave its report whole: the probe's fallback (survey) */
    int halted;  /* the scan was stopped by its watcher: no line after that (doitto; survey zeroes it) */
    int busy;    /* a survey of File/Open runs: the window takes no input (getdirectory) */
    int closing; /* the window was asked to close meanwhile (WndProc; getdirectory carries it out) */
};
extern struct dgl_ dgl;

// doitto(dir, &waste) scans the directory whose search pattern is `dir`
// ("/home/ann/*.*", the root as "/*.*") depth first and appends one line per
// directory, each after the lines of all its sub-directories (post-order).
// For the tree
//
//     A/  B/  C/
//         D/
//
// where the enumeration yields B before D, the calls and lines run:
//
//     doitto(A) -> doitto(B) -> doitto(C)   line C
//                                           line B
//               -> doitto(D)                line D
//                                           line A
//
// Returns the bytes used in the whole tree; the bytes wasted in the tails of
// the last clusters go through `waste`.
double doitto(char *dir, double *waste);

/* Whoever else wants to know what the scan finds, besides the report: the
 * headless tool, for its exact figures and its exit status; the window, to
 * stay alive during a survey. Each call names the directory itself, not its
 * search pattern ("/home/ann", the root "/"); a member may be NULL. */
struct scanwatch_ {
    /* A directory's figures, in bytes, as its line is appended: used and
     * wasted by its own files, and by everything below it. */
    void (*directory)(const char *dir, double bytesused, double byteswasted, double sdbytesused, double sdbyteswasted);
    /* A directory that could not be listed, or not completely (its line
     * shows what was read), with the platform's error code. */
    void (*unreadable)(const char *dir, DWORD code);
    /* A sub-directory `name` of `dir` left out because its path would be too
     * long; NULL shows the program's box instead. */
    void (*toolong)(const char *dir, const char *name);
    /* Each entry the report counts as a file, as it is counted; NULL in the
     * program. */
    void (*file)(const char *dir, const WIN32_FIND_DATAA *fd);
    /* Asked as each directory is entered: FALSE stops the scan there, the
     * lines appended so far staying as they are (the window, asked to close
     * during a survey, stops it). */
    BOOL (*keepgoing)(void);
};
extern const struct scanwatch_ *scanwatch;

/* Bytes lost in the unfilled tail of the last cluster of a file of `size`
 * bytes on clusters of `cluster` bytes: (cluster - size mod cluster) mod
 * cluster, so an empty file and one that fills its last cluster exactly lose
 * nothing. The one rule of waste, for the scan and for the headless tool. */
ULONGLONG tailwaste(ULONGLONG size, ULONGLONG cluster);

/* An entry's size in bytes, its two 32-bit halves joined. */
ULONGLONG entrysize(const WIN32_FIND_DATAA *fd);

/* The scan's enumeration: FindFirstFileA and FindNextFileA, except that on
 * Windows a name is never altered by Windows' path rules (a trailing dot or
 * blank). */
HANDLE findfirst(const char *pattern, WIN32_FIND_DATAA *fd);
BOOL findnext(HANDLE h, WIN32_FIND_DATAA *fd);

#ifdef _WIN32
/* `path` (full, in the program's code page) in the "\\?\" form the wide calls
 * take as it is, into `wide` of `size` units; FALSE when it does not fit
 * (ERROR_FILENAME_EXCED_RANGE). */
BOOL widepath(const char *path, WCHAR *wide, int size);
#endif

/* Runs the disk checker on the drive of `drive` and reads sectors per cluster,
 * bytes per sector, free and total clusters from its report. 1 on success. */
int getchkdsk(char *drive, ULONG *spc, ULONG *bps, ULONG *fc, ULONG *tc);

/* Reads the checker's report from the file `hreport`, from where its file
 * pointer stands: bytes per sector 512, and sectors per cluster, free and
 * total clusters as the report gives them (0 where it does not). 1 when all
 * three were found and none is 0. */
int chkdskreport(HANDLE hreport, ULONG *spc, ULONG *bps, ULONG *fc, ULONG *tc);

/* The number ahead of the first letter of `cp`; separators inside it are skipped. */
ULONG fetchint(char *cp);

/* File/Open: asks for a directory, then surveys it with windowsurvey. */
void getdirectory(void);

/* One survey of `path` for the window, which stays alive meanwhile: disabled
 * for input, its messages let through about every 100 ms, a close carried
 * out once the scan has stopped at the next directory. `clusterbytes` as
 * survey's. */
void windowsurvey(const char *path, DWORD clusterbytes = 0);

/* One survey of `path` (as the dialog returns it), from the wait cursor to
 * the closing empty line. A non-zero `clusterbytes` is taken as the cluster
 * size instead of probing the drive (the headless tool's override). */
void survey(const char *path, DWORD clusterbytes = 0);

#endif
