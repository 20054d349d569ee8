/*
 * setbar.h - setting a window scroll bar of the main window in one call.
 */
#ifndef TARVEL_REPORT_SETBAR_H
#define TARVEL_REPORT_SETBAR_H

#include <windows.h>

/* Sets the fields of `fMask` (SIF_RANGE: 0 to nMax; SIF_PAGE; SIF_POS) on
 * bar `nBar` of gl.hwnd and redraws it. */
void setbar(int nBar, UINT fMask, int nMax, int nPage, int nPos);

#endif
