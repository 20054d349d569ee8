/*
 * getdirectory.cpp - File/Open: ask for a directory, then survey it, the
 * window alive meanwhile.
 *
 * While the survey runs the main window is disabled, as the owner of a modal
 * box is, so that it takes no input and no second survey can start; and the
 * scan lets the messages waiting for the window through about every 100 ms,
 * as a modal box's own loop would: the window repaints what the report holds
 * so far and answers the desktop, which would otherwise take it for hung
 * after a few seconds. A request to close it stops the scan at the next
 * directory, and the window then closes. The report's figures, lines and
 * boxes are those of a survey without the pauses.
 */
#include <windows.h>

#include "tarvel/report.h"
#include "tarvel/select.h"
#include "tarvel/survey.h"

/* How often the scan lets waiting messages through, in milliseconds. */
static const DWORD PUMPEVERY = 100;
static DWORD lastpump;

/* The scan's question at each directory: whether to go on. */
static BOOL keepgoing(void)
{
    const DWORD now = GetTickCount();
    if (now - lastpump >= PUMPEVERY) {
        lastpump = now;
        MSG msg;
        while (!dgl.closing && PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                /* For the main loop, once the survey is over. */
                PostQuitMessage((int)msg.wParam);
                dgl.closing = 1;
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return !dgl.closing;
}

static const struct scanwatch_ alive = {NULL, NULL, NULL, NULL, keepgoing};

void windowsurvey(const char *path, DWORD clusterbytes)
{
    if (dgl.busy)
        return; /* one survey at a time */
    dgl.busy = 1;
    dgl.closing = 0;
    EnableWindow(gl.hwnd, FALSE);
    const struct scanwatch_ *before = scanwatch;
    scanwatch = &alive;
    lastpump = GetTickCount();
    survey(path, clusterbytes);
    scanwatch = before;
    EnableWindow(gl.hwnd, TRUE);
    dgl.busy = 0;
    if (dgl.closing)
        DestroyWindow(gl.hwnd); /* asked to close meanwhile: now */
}

void getdirectory(void)
{
    if (dgl.busy)
        return;
    HINSTANCE hinst = (HINSTANCE)GetWindowLongPtrA(gl.hwnd, GWLP_HINSTANCE);

    /* Only Select ends the dialog with IDOK, the chosen path in szTmp. Cancel
     * (0) and a dialog that could not be shown (-1) end the survey. The path
     * stays in the buffer rather than travelling as the dialog's result, which
     * 64-bit Windows cuts to 32 bits. */
    if (DialogBoxParamA(hinst, "SelectDir", gl.hwnd, selectdirDlgProc, 0) != IDOK)
        return;
    windowsurvey(szTmp);
}
