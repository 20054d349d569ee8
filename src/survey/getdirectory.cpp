/*
 * getdirectory.cpp - File/Open: ask for a directory, then survey it.
 */
#include <windows.h>

#include "tarvel/report.h"
#include "tarvel/select.h"
#include "tarvel/survey.h"

void getdirectory(void)
{
    HINSTANCE hinst = (HINSTANCE)(LONG_PTR)GetWindowLongA(gl.hwnd, GWL_HINSTANCE);
    INT_PTR chosen = DialogBoxParamA(hinst, "SelectDir", gl.hwnd, selectdirDlgProc, 0);

    /* 0 is Cancel; -1 means the dialog could not be shown, which ends the
     * survey the same way rather than being taken for a path. */
    if (chosen == 0 || chosen == -1)
        return;
    survey((const char *)chosen);
}
