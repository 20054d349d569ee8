/*
 * resize.cpp - the rows the client area shows, and the vertical bar's state.
 *
 * Called for WM_SIZE, at every paint once the row height is measured, and by
 * the survey after it has emptied the report. Never changes gl.nCurPos: a
 * position beyond the new last page is clamped by the next scroll action.
 */
#include <windows.h>

#include <string.h>

#include "tarvel/report.h"
#include "setbar.h"

void resize(void)
{
    RECT rect;
    memset(&rect, 0, sizeof rect); /* no window yet: a height of 0 */
    GetClientRect(gl.hwnd, &rect);

    /* A font too small to measure would make the row height 0: count it as
     * one pixel, so the division stands. */
    const int rowheight = gl.rowsperline < 1 ? 1 : gl.rowsperline;
    /* The partly visible row below the last whole one is counted too. */
    gl.nDspLines = rect.bottom / rowheight + 1;

    if (gl.nDspLines < gl.nNumItems) {
        EnableScrollBar(gl.hwnd, SB_VERT, ESB_ENABLE_BOTH);
        setbar(SB_VERT, SIF_RANGE | SIF_PAGE | SIF_POS, gl.nNumItems - 1, gl.nDspLines, gl.nCurPos);
    } else {
        /* Everything fits: greyed out, keeping range, page and position. */
        EnableScrollBar(gl.hwnd, SB_VERT, ESB_DISABLE_BOTH);
    }
}
