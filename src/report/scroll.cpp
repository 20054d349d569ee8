/*
 * scroll.cpp - the window's scroll bars: set-up at creation and the user's
 * scroll actions.
 *
 * The vertical bar moves the view one line per position; the horizontal bar
 * shifts the drawing in steps of gl.colsperchar pixels over a fixed range.
 * A scroll moves the pixels already drawn; only the uncovered strip is
 * painted again.
 */
#include <windows.h>

#include <string.h>

#include "tarvel/report.h"
#include "setbar.h"

/* The horizontal range is fixed: it does not follow the length of the lines. */
enum { HMAX = 260, HPAGE = 40 };

void setupscrollbars(void)
{
    ShowScrollBar(gl.hwnd, SB_HORZ, TRUE);
    ShowScrollBar(gl.hwnd, SB_VERT, TRUE);
    EnableScrollBar(gl.hwnd, SB_HORZ, ESB_ENABLE_BOTH);

    setbar(SB_HORZ, SIF_RANGE | SIF_PAGE | SIF_POS, HMAX, HPAGE, 0);
    /* The vertical bar gets its state from the first resize. */
}

/* Moves the view on bar `nBar` from the bar's position to `p`, clamped as
 * a scroll action is (upper bound first, then 0), moving the pixels already
 * drawn and setting the bar. `si` holds the bar's state as read before the
 * change, `pos` the position the program keeps, `unit` the pixels per
 * position. */
static void moveview(int nBar, const SCROLLINFO *si, int *pos, int unit, LONGLONG p)
{
    const int oldpos = si->nPos;
    /* Upper bound first, then 0: a negative upper bound gives 0. */
    const LONGLONG top = (LONGLONG)si->nMax - si->nPage + 1;
    if (p > top)
        p = top;
    if (p < 0)
        p = 0;
    /* Measured from the bar's position, not from the one the program kept
     * (which a resize may have left beyond it). Positive moves the drawing
     * down or right, towards the start. */
    LONGLONG d = ((LONGLONG)oldpos - p) * unit;
    *pos = (int)p;

    if (*pos == oldpos)
        return; /* nothing moves and the bar is not touched */

    RECT rect;
    memset(&rect, 0, sizeof rect);
    GetClientRect(gl.hwnd, &rect);
    if (d > 0x7fffffff)
        d = 0x7fffffff;
    if (d < -0x7fffffff)
        d = -0x7fffffff;
    if (nBar == SB_VERT)
        ScrollWindowEx(gl.hwnd, 0, (int)d, NULL, &rect, NULL, NULL, SW_INVALIDATE);
    else
        ScrollWindowEx(gl.hwnd, (int)d, 0, NULL, &rect, NULL, NULL, SW_INVALIDATE);

    setbar(nBar, SIF_POS, 0, 0, *pos);
}

static void readbar(int nBar, SCROLLINFO *si)
{
    memset(si, 0, sizeof *si);
    si->cbSize = sizeof *si;
    si->fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    GetScrollInfo(gl.hwnd, nBar, si);
}

/* One scroll action on one bar: `pos` is the position it mirrors (gl.nCurPos
 * or gl.hcurpos), `unit` the pixels per position. */
static void scrollbar(int nBar, int *pos, int unit, WORD wScroll, WORD thumbpos)
{
    SCROLLINFO si;
    readbar(nBar, &si);

    /* The change applies to the position the program keeps, not to the one
     * the bar reports. In 64 bits: a page added near the end of a huge
     * range must not overflow. */
    LONGLONG p = *pos;
    switch (wScroll) {
    case SB_LINEUP: p -= 1; break;
    case SB_LINEDOWN: p += 1; break;
    case SB_PAGEUP: p -= si.nPage; break;
    case SB_PAGEDOWN: p += si.nPage; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        /* The message carries only 16 bits of the thumb's position; a
         * longer range (more than 65,536 lines) takes the whole position
         * from the bar itself. */
        p = si.nMax > 0xFFFF ? si.nTrackPos : thumbpos;
        break;
    default: break; /* SB_TOP, SB_BOTTOM, SB_ENDSCROLL: no change, but still clamped */
    }
    moveview(nBar, &si, pos, unit, p);
}

void vScroll(WORD wScroll, WORD thumbpos)
{
    scrollbar(SB_VERT, &gl.nCurPos, gl.rowsperline, wScroll, thumbpos);
}

void hScroll(WORD wScroll, WORD thumbpos)
{
    scrollbar(SB_HORZ, &gl.hcurpos, gl.colsperchar, wScroll, thumbpos);
}

void vScrollEnd(BOOL last)
{
    SCROLLINFO si;
    readbar(SB_VERT, &si);
    moveview(SB_VERT, &si, &gl.nCurPos, gl.rowsperline, last ? (LONGLONG)si.nMax : 0);
}
