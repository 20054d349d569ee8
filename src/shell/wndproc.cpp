/*
 * wndproc.cpp - the main window procedure and the menu commands.
 *
 * Painting, sizing and scrolling, by the bars, the wheel and the keys, belong
 * to the report (src/report); the commands are carried out here. Open runs a whole survey inside the
 * WM_COMMAND handling, so nothing else is handled until it has finished.
 */
#include <windows.h>

#include "resource.h"
#include "tarvel/report.h"
#include "tarvel/shell.h"
#include "tarvel/survey.h"

static void cmdexit(void)
{
    DestroyWindow(gl.hwnd); /* WM_DESTROY then ends the message loop */
}

static void cmdabout(void)
{
    /* Neither err nor fail: a plain box without an icon. The text is the
     * format itself, so it holds no % sign. */
    mbprintf(aboutcaption, abouttext);
}

#ifdef _WIN32
/* The window moved to a screen of another resolution: take the size Windows
 * suggests for it there, and paint again at the new scale. */
static void dpichanged(const RECT *suggested)
{
    SetWindowPos(gl.hwnd, NULL, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(gl.hwnd, NULL, FALSE);
}
#endif

static const struct {
    WORD id;
    void (*run)(void);
} commands[] = {
    {IDM_EXIT, cmdexit},
    {IDM_OPEN, getdirectory},
    {IDM_ABOUT, cmdabout},
};

/* Unknown ids are ignored; they are not passed to the default procedure. */
static void docommand(WORD id)
{
    for (const auto &c : commands) {
        if (c.id == id) {
            c.run();
            return;
        }
    }
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    /* First, for every message, even those before WM_CREATE: every other
     * routine reaches the window through gl.hwnd. */
    gl.hwnd = hwnd;

    switch (uMsg) {
    case WM_CREATE: setupscrollbars(); return 0;
    case WM_CLOSE:
        if (dgl.busy) { /* a survey runs: it stops at the next directory, then the window closes */
            dgl.closing = 1;
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if (dgl.busy) { /* the wait cursor over the whole window while a survey runs */
            SetCursor(LoadCursorA(NULL, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_SIZE:
        resize(); /* asks for the client rectangle itself */
        return 0;
    case WM_PAINT: paintreport(); return 0;
    case WM_COMMAND: docommand(LOWORD(wParam)); return 0;
    case WM_HSCROLL: hScroll(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_VSCROLL: vScroll(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_MOUSEWHEEL:
        /* Shift turns the wheel sideways, whichever way the device turns. */
        wheelscroll(GET_KEYSTATE_WPARAM(wParam) & MK_SHIFT ? SB_HORZ : SB_VERT, GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_MOUSEHWHEEL: wheelscroll(SB_HORZ, -GET_WHEEL_DELTA_WPARAM(wParam)); return 0; /* positive: right */
    case WM_KEYDOWN:
        if (keyscroll(wParam))
            return 0;
        break;
#ifdef _WIN32
    case WM_DPICHANGED: dpichanged((const RECT *)lParam); return 0;
#endif
    }
    return DefWindowProcA(gl.hwnd, uMsg, wParam, lParam);
}
