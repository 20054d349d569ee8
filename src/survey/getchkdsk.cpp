/*
 * getchkdsk.cpp - the cluster size probe.
 *
 * Runs the disk checker "chkdsk X:" with its standard output in a temporary
 * file and reads three figures from its report. The checker is started by its
 * full path in the system directory and never searched for: a search would
 * look in the current directory, which the dialog has made the tree about to
 * be measured, and a file planted there must never run. The temporary file is
 * a new, unique file in the system's temporary folder, removed on every path
 * once made: it never replaces a file of the user's, never lands in the tree
 * about to be measured, and the probe works when that tree is on a read-only
 * medium.
 *
 * The report is read back through the very handle the checker was given,
 * never by opening the name again: a console the checker gets for itself may
 * still hold its copy of the handle (Windows then refuses a second open), and
 * whatever another user puts in place of the name meanwhile is never read.
 * The file is deleted when the last handle on it closes.
 */
#include <windows.h>

#include <string.h>

#include "tarvel/paths.h"
#include "tarvel/survey.h"

/* A checker still running after this long is stopped and the probe fails, so
 * a checker that never ends cannot hang the program. Far longer than any
 * honest report takes. */
static const DWORD CHKDSKTIMEOUT = 60000;

/* Makes the unique temporary file; its name goes to `name`. */
static BOOL maketempfile(char *name)
{
    char dir[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, dir);
    if (n == 0 || n >= MAX_PATH)
        return FALSE;
    return GetTempFileNameA(dir, "trv", 0, name) != 0;
}

/* The checker's full path: the system directory and its file name. */
static BOOL checkerpath(char *path)
{
    UINT n = GetSystemDirectoryA(path, MAX_PATH);
    if (n == 0 || n + sizeof PATHSEPSTR CHECKERNAME > MAX_PATH)
        return FALSE;
    strcat(path, PATHSEPSTR CHECKERNAME);
    return TRUE;
}

/* Runs the checker with its output going to `hstdout` and waits for its end,
 * polling its exit code once a second. FALSE when it could not be started or
 * had to be stopped. */
static BOOL runchecker(char *cmdline, HANDLE hstdout)
{
    char program[MAX_PATH];
    if (!checkerpath(program))
        return FALSE;
    STARTUPINFOA si;
    PROCESS_INFORMATION pi;
    DWORD dwExitCode = STILL_ACTIVE;
    DWORD waited = 0;

    memset(&si, 0, sizeof si);
    memset(&pi, 0, sizeof pi);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    si.wShowWindow = SW_SHOWMINIMIZED;
    si.hStdOutput = hstdout;
    si.hStdInput = NULL;
    si.hStdError = NULL;

    CreateProcessA(program, cmdline, NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi);
    if (pi.hProcess == NULL)
        return FALSE;

    BOOL ended = TRUE;
    while (dwExitCode == STILL_ACTIVE) {
        WaitForSingleObject(pi.hProcess, 1000);
        if (!GetExitCodeProcess(pi.hProcess, &dwExitCode))
            break;
        if (dwExitCode == STILL_ACTIVE && (waited += 1000) >= CHKDSKTIMEOUT) {
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, INFINITE);
            ended = FALSE;
            break;
        }
    }
    CloseHandle(pi.hProcess);
    if (pi.hThread)
        CloseHandle(pi.hThread);
    return ended;
}

int getchkdsk(char *drive, ULONG *spc, ULONG *bps, ULONG *fc, ULONG *tc)
{
    char buff[MAX_PATH];
    char tmpname[MAX_PATH];

    if (!maketempfile(tmpname))
        return 0;

    SECURITY_ATTRIBUTES sa = {sizeof sa, NULL, TRUE};
    HANDLE hreport =
        CreateFileA(tmpname, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa,
                    CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (hreport == INVALID_HANDLE_VALUE) {
        DeleteFileA(tmpname);
        return 0;
    }

    wsprintfA(buff, "chkdsk %c:", drive[0]);
    /* The checker wrote through a copy of this handle, which shares its file
     * pointer: back to the start to read what it wrote. */
    int ok = runchecker(buff, hreport) && SetFilePointer(hreport, 0, NULL, FILE_BEGIN) == 0 &&
             chkdskreport(hreport, spc, bps, fc, tc);
    CloseHandle(hreport);
    return ok;
}
