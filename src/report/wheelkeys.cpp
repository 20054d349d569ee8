/*
 * wheelkeys.cpp - the mouse wheel and the keys scroll the report.
 *
 * Each becomes the scroll message a bar would send, sent to the main window,
 * so the wheel and the keys scroll exactly as the bars do: a wheel notch is
 * the system's wheel lines (three by default) of SB_LINEUP or SB_LINEDOWN,
 * or a page where the user has set the wheel to pages; Up, Down, PageUp and
 * PageDown are the vertical line and page codes, Left and Right the
 * horizontal line codes; Home and End (with Ctrl or without) go to the first
 * line and the last page. Nothing is sent for a bar that cannot move: the
 * vertical one is greyed out, with a stale range, while every line fits.
 */
#include <windows.h>

#include "tarvel/report.h"

/* Wheel movement not yet worth a notch, per bar: a touchpad sends a notch
 * in many small steps. */
static int pending[2];

static BOOL canmove(int nBar)
{
    /* The horizontal bar is never disabled; the vertical one is enabled
     * exactly while the lines do not fit (resize, llprintf). */
    return nBar == SB_HORZ || gl.nDspLines < gl.nNumItems;
}

static void sendscroll(int nBar, WORD code)
{
    SendMessageA(gl.hwnd, nBar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, 0), 0);
}

void wheelscroll(int nBar, int delta)
{
    if (!canmove(nBar)) {
        pending[nBar] = 0; /* nothing is saved up for a bar that cannot move */
        return;
    }
    pending[nBar] += delta;
    const int notches = pending[nBar] / WHEEL_DELTA;
    pending[nBar] -= notches * WHEEL_DELTA;
    if (notches == 0)
        return;

    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    WORD code;
    int count = notches < 0 ? -notches : notches;
    if (lines == WHEEL_PAGESCROLL) {
        code = notches > 0 ? SB_PAGEUP : SB_PAGEDOWN;
    } else {
        code = notches > 0 ? SB_LINEUP : SB_LINEDOWN;
        count *= (int)lines;
    }
    /* The window may go while a message is handled: stop sending then. */
    for (HWND hwnd = gl.hwnd; count > 0 && IsWindow(hwnd); count--)
        sendscroll(nBar, code);
}

BOOL keyscroll(WPARAM vk)
{
    int nBar = SB_VERT;
    WORD code;
    switch (vk) {
    case VK_UP: code = SB_LINEUP; break;
    case VK_DOWN: code = SB_LINEDOWN; break;
    case VK_PRIOR: code = SB_PAGEUP; break;
    case VK_NEXT: code = SB_PAGEDOWN; break;
    case VK_LEFT:
        nBar = SB_HORZ;
        code = SB_LINELEFT;
        break;
    case VK_RIGHT:
        nBar = SB_HORZ;
        code = SB_LINERIGHT;
        break;
    case VK_HOME:
    case VK_END:
        if (canmove(SB_VERT))
            vScrollEnd(vk == VK_END);
        return TRUE;
    default: return FALSE;
    }
    if (canmove(nBar))
        sendscroll(nBar, code);
    return TRUE;
}
