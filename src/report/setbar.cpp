/*
 * setbar.cpp - setting a scroll bar of the main window in one call.
 */
#include <windows.h>

#include <string.h>

#include "tarvel/report.h"
#include "setbar.h"

void setbar(int nBar, UINT fMask, int nMax, int nPage, int nPos)
{
    SCROLLINFO si;
    memset(&si, 0, sizeof si);
    si.cbSize = sizeof si;
    si.fMask = fMask;
    si.nMin = 0;
    si.nMax = nMax;
    si.nPage = (UINT)nPage;
    si.nPos = nPos;
    SetScrollInfo(gl.hwnd, nBar, &si, TRUE);
}
