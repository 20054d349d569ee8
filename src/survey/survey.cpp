/*
 * survey.cpp - one whole survey of a chosen directory.
 *
 * Order: wait cursor, the directory's volume, its cluster size (the disk
 * checker, else the free-space query, else fixed values), the old report
 * released, the heading lines, the scan, the scale of the bars, a closing
 * empty line, the cursor put back. The old report is touched only once the
 * path has proved usable.
 */
#include <windows.h>

#include <ctype.h>
#include <string.h>

#include "tarvel/paths.h"
#include "tarvel/report.h"
#include "tarvel/shell.h"
#include "tarvel/survey.h"

/* Whether the free-space query may misstate the cluster size: only Windows
 * 9x did (it capped large FAT32 volumes' figures), and there the checker's
 * failure is worth a warning. The NT family's query is exact, and its checker
 * refuses to run without elevation, so a box there would call correct figures
 * invalid in nearly every survey. GetVersion's high bit marks the non-NT
 * family. */
static BOOL fallbackinexact(void)
{
    return (GetVersion() & 0x80000000) != 0;
}

/* The drive record, as it starts. */
struct dgl_ dgl = {
    0, /* bpc, until the first survey sets it */
    0, /* unread */
    0, /* notices */
    0, /* halted */
    0, /* busy */
    0, /* closing */
};

/* Sectors per cluster, bytes per sector, free and total clusters of `drive`,
 * telling the user each time a source fails where that matters. */
static void clustersize(char *drive, ULONG *spc, ULONG *bps, ULONG *fc, ULONG *tc)
{
    if (getchkdsk(drive, spc, bps, fc, tc))
        return;
    if (fallbackinexact()) {
        mbprintf(fail, "Using CHKDSK failed, wastage results not valid with FAT32");
        dgl.notices++; /* the volume's own figures follow: nothing is missing */
    }
    if (GetDiskFreeSpaceA(drive, spc, bps, fc, tc))
        return;
    mbprintf(fail, "Failed to get Drive <%s> characteristics, wastage results invalid", drive);
    *bps = 512;
    *spc = 8;
    *tc = 0xFFFF;
}

/* Releases every line of the report. When a release fails the survey stops:
 * the lines not yet released stay in the chain, counted, and none that was
 * released can be reached. */
static BOOL emptyreport(void)
{
    ll *lp, *nlp;
    for (lp = gl.head; lp != NULL; lp = nlp) {
        nlp = lp->next;
        if (GlobalFree(lp->str) != NULL) {
            gl.head = lp; /* this line is still whole */
        } else if (GlobalFree(lp) != NULL) {
            gl.head = nlp; /* its text is gone: the line cannot stay */
        } else {
            continue;
        }
        DWORD code = GetLastError();
        gl.nNumItems = 0;
        for (ll *p = gl.head; p != NULL; p = p->next)
            gl.nNumItems++;
        if (gl.head == NULL)
            gl.tail = NULL;
        gl.nCurPos = 0;
        resize();
        InvalidateRect(gl.hwnd, NULL, FALSE);
        mbprintf(err, "Memory Freeing error %d", (int)code);
        return FALSE;
    }
    gl.tail = NULL;
    gl.head = NULL;
    gl.nCurPos = 0;
    gl.nNumItems = 0;
    resize();
    return TRUE;
}

void survey(const char *path, DWORD clusterbytes)
{
    char buff[MAX_PATH];
    char drive[MAX_PATH];
    ULONG spc = 0, bps = 0, fc = 0, tc = 0;
    double dt;

    dgl.notices = 0;
    HCURSOR hcurr = GetCursor();
    SetCursor(LoadCursorA(NULL, IDC_WAIT));

    size_t len = strlen(path);
    // The pattern tail: "/*.*", or "*.*" after a root, which ends in the separator.
    const char *tail = (len > 0 && path[len - 1] == PATHSEP) ? PATTERNTAIL : PATHSEPSTR PATTERNTAIL;
    if (len + strlen(tail) >= MAX_PATH) {
        mbprintf(fail, "Directory Path too long");
        SetCursor(hcurr);
        return;
    }
    strcpy(buff, path);

    /* The drive is the volume that holds the path: its mount point. */
    if (strchr(buff, PATHSEP) == NULL || !GetVolumePathNameA(buff, drive, MAX_PATH)) {
        mbprintf(err, "Drive name screwed up <%s>", buff);
        SetCursor(hcurr);
        return;
    }
    /* The drive letter as the path has it ("z:\" from the dialog, which shows
     * paths in lower case), so that the heading and the lines agree. */
    if (drive[0] != '\0' && drive[1] == ':' && buff[1] == ':' &&
        toupper((unsigned char)drive[0]) == toupper((unsigned char)buff[0]))
        drive[0] = buff[0];

    if (clusterbytes != 0) {
        bps = 1;
        spc = clusterbytes;
    } else {
        clustersize(drive, &spc, &bps, &fc, &tc);
    }
    dgl.bpc = bps * spc;
    /* The figures are exact up to 2^53 bytes, the limit of whole numbers in
     * a double; only a drive beyond that may make them inexact. */
    BOOL large = (ULONGLONG)tc * dgl.bpc >= (1ULL << 53);

    strcpy(gl.prevdir, buff);
    strcat(buff, tail);

    if (!emptyreport()) {
        SetCursor(hcurr);
        return;
    }

    if (large)
        llprintf(-1.0, "Drive %s is larger than 4 Gbytes, Tarvel may produce inaccurate data", drive);
    llprintf(-1.0, "Drive %s has a cluster size of %lu bytes", drive, (unsigned long)(spc * bps));

    dgl.unread = 0;
    dgl.halted = 0;
    gl.totalbytesused = doitto(buff, &dt);
    if (dgl.halted) {
        /* Stopped by the window's close: the program ends, and says nothing more. */
        SetCursor(hcurr);
        return;
    }
    llprintf(-1.0, "%s", "");

    SetCursor(hcurr);
    /* One box for the whole survey: a survey of "/" as an ordinary user
     * meets dozens of such directories. */
    if (dgl.unread > 0)
        mbprintf(fail, "%d directories could not be read completely; their figures are incomplete", dgl.unread);
}
