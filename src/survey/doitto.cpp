/*
 * doitto.cpp - the directory tree scan.
 *
 * Walks one tree depth first and appends one report line per directory after
 * the lines of its sub-directories. Only files count: a sub-directory adds
 * what its own scan returns, nothing of its own. Directories that are other
 * mounts, and links of any kind, are never entered, so one scan measures one
 * filesystem with one cluster size and cannot run away along a link cycle.
 *
 * A directory that cannot be listed, or not to its end, gets a line of what
 * was read, and is counted in dgl.unread for the survey to tell; one that has
 * gone is no failure. One that cannot be listed because the machine ran out
 * (of memory, of file descriptors) gets no line, and the user is told at
 * once, as when a line cannot be stored. Sums stay doubles all the way up: exact to 2^53 bytes,
 * never converted where they could overflow.
 */
#include <windows.h>

#include <new>
#include <string.h>

#include "tarvel/paths.h"
#include "tarvel/report.h"
#include "tarvel/shell.h"
#include "tarvel/survey.h"

const struct scanwatch_ *scanwatch = NULL;

/* What one level of the walk keeps off the stack: with MAX_PATH at 4096 the
 * record and the pattern buffer would otherwise cost 8 KiB per level, and a
 * tree 2,000 levels deep must fit the default stack. */
struct level {
    WIN32_FIND_DATAA fd;
    char sdir[MAX_PATH];
    char name[MAX_PATH]; /* the directory itself, for the watchers */
};

// The directory a search pattern names: "/a/b/*.*" gives "/a/b", a root
// keeps its separator ("/", "C:\").
static void patterndir(const char *pattern, char *dir)
{
    size_t len = strlen(pattern) - strlen(PATTERNTAIL);
    BOOL driveroot = PATHSEP == '\\' && len == 3 && pattern[1] == ':';
    if (len > 1 && pattern[len - 1] == PATHSEP && !driveroot)
        len--;
    memcpy(dir, pattern, len);
    dir[len] = '\0';
}

ULONGLONG tailwaste(ULONGLONG size, ULONGLONG cluster)
{
    if (cluster == 0)
        return 0;
    if ((cluster & (cluster - 1)) == 0) /* a power of two, as clusters are: no division */
        return (0 - size) & (cluster - 1);
    return (cluster - size % cluster) % cluster;
}

ULONGLONG entrysize(const WIN32_FIND_DATAA *fd)
{
    return ((ULONGLONG)fd->nFileSizeHigh << 32) | fd->nFileSizeLow;
}

static bool isdotordotdot(const char *name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

static void appendline(const char *dir, const char *name, double bytesused, double byteswasted, double sdbytesused,
                       double sdbyteswasted)
{
    const double k = 1.0 / 1024;
    if (sdbytesused != 0 || sdbyteswasted != 0)
        llprintf(bytesused + sdbytesused,
                 "%s %1.0fK used (%1.0fK here, %1.0fK sub dir), %1.0fK wasted (%1.0fK here, %1.0fK sub dir)", dir,
                 (bytesused + sdbytesused) * k, bytesused * k, sdbytesused * k, (byteswasted + sdbyteswasted) * k,
                 byteswasted * k, sdbyteswasted * k);
    else
        llprintf(bytesused + sdbytesused, "%s %1.0fK used, %1.0fK wasted", dir, bytesused * k, byteswasted * k);
    if (scanwatch && scanwatch->directory)
        scanwatch->directory(name, bytesused, byteswasted, sdbytesused, sdbyteswasted);
}

/* The machine's resources, not the directory, failed the listing. */
static BOOL outofresources(DWORD code)
{
    return code == ERROR_NOT_ENOUGH_MEMORY || code == ERROR_TOO_MANY_OPEN_FILES;
}

/* The enumeration ended as a whole one ends: at its last entry, at no entry
 * (an empty root), or, below the directory surveyed, at a directory that has
 * gone meanwhile. The directory surveyed itself must be there to be read. */
static BOOL listingdone(DWORD code, BOOL top)
{
    return code == ERROR_NO_MORE_FILES || code == ERROR_FILE_NOT_FOUND || (!top && code == ERROR_PATH_NOT_FOUND);
}

/* How deep the walk is: 0 while the directory surveyed is listed. */
static int depth = 0;

double doitto(char *dir, double *waste)
{
    double bytesused = 0, byteswasted = 0, sdbytesused = 0, sdbyteswasted = 0, w;
    size_t dirlen = strlen(dir);

    *waste = 0;
    /* Whoever watches may stop the scan: what was appended stays, no line
     * follows. */
    if (!dgl.halted && scanwatch && scanwatch->keepgoing && !scanwatch->keepgoing())
        dgl.halted = 1;
    if (dgl.halted)
        return 0;
    level *lv = new (std::nothrow) level;
    if (!lv) {
        mbprintf(err, "Memory allocation failed <%d>", ERROR_NOT_ENOUGH_MEMORY);
        return 0; /* no line, as when llprintf runs out */
    }

    if (scanwatch)
        patterndir(dir, lv->name);
    const BOOL top = depth == 0;
    DWORD stopped = ERROR_NO_MORE_FILES; /* why the enumeration ended */
    HANDLE hFind = findfirst(dir, &lv->fd);
    if (hFind == INVALID_HANDLE_VALUE) {
        stopped = GetLastError();
        if (stopped == ERROR_NOT_SAME_DEVICE && !top) {
            /* another filesystem, mounted here since the parent was listed */
            delete lv;
            return 0;
        }
        if (outofresources(stopped)) {
            if (scanwatch && scanwatch->unreadable)
                scanwatch->unreadable(lv->name, stopped);
            delete lv;
            mbprintf(err, "Memory allocation failed <%d>", (int)stopped);
            return 0;
        }
    }
    BOOL searching = TRUE;
    while (hFind != INVALID_HANDLE_VALUE && searching && !dgl.halted) {
        WIN32_FIND_DATAA *fd = &lv->fd;
        if (isdotordotdot(fd->cFileName)) {
            /* the directory itself and its parent */
        } else if (fd->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (fd->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                /* another filesystem mounted here: not ours to measure */
            } else if (dirlen + strlen(fd->cFileName) <= MAX_PATH - 2) {
                // "<dir minus *.*><name>/*.*" is at most MAX_PATH - 1 long
                memcpy(lv->sdir, dir, dirlen - 3);
                strcpy(lv->sdir + dirlen - 3, fd->cFileName);
                strcat(lv->sdir, PATHSEPSTR PATTERNTAIL);
                depth++;
                sdbytesused += doitto(lv->sdir, &w);
                depth--;
                sdbyteswasted += w;
            } else if (scanwatch && scanwatch->toolong) {
                scanwatch->toolong(lv->name, fd->cFileName);
            } else {
                mbprintf(fail, "Directory Path too long");
            }
        } else {
            /* Any other entry is a file: links count with their own size,
             * FIFOs, sockets and devices with theirs. */
            ULONGLONG size = entrysize(fd);
            bytesused += (double)size;
            byteswasted += (double)tailwaste(size, dgl.bpc);
            if (scanwatch && scanwatch->file)
                scanwatch->file(lv->name, fd);
        }
        if (!(searching = findnext(hFind, &lv->fd)))
            stopped = GetLastError();
    }
    if (hFind != INVALID_HANDLE_VALUE)
        FindClose(hFind);
    if (dgl.halted) {
        delete lv;
        return 0;
    }

    if (!listingdone(stopped, top)) {
        dgl.unread++;
        if (scanwatch && scanwatch->unreadable)
            scanwatch->unreadable(lv->name, stopped);
    }

    appendline(dir, lv->name, bytesused, byteswasted, sdbytesused, sdbyteswasted);
    delete lv;
    *waste = byteswasted + sdbyteswasted;
    return bytesused + sdbytesused;
}
