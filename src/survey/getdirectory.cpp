/*
 * getdirectory.cpp - File/Open: ask for a directory, then survey it.
 */
#include <windows.h>

#include "tarvel/report.h"
#include "tarvel/select.h"
#include "tarvel/survey.h"

void getdirectory(void)
{
    HINSTANCE hinst = (HINSTANCE)GetWindowLongPtrA(gl.hwnd, GWLP_HINSTANCE);

    /* Only Select ends the dialog with IDOK, the chosen path in szTmp. Cancel
     * (0) and a dialog that could not be shown (-1) end the survey. The path
     * stays in the buffer rather than travelling as the dialog's result, which
     * 64-bit Windows cuts to 32 bits. */
    if (DialogBoxParamA(hinst, "SelectDir", gl.hwnd, selectdirDlgProc, 0) != IDOK)
        return;
    survey(szTmp);
}
