/*
 * window.cpp - top-level windows.
 *
 *   CreateWindowExA    a Qt main window (clientarea.cpp): a menu bar built
 *                      from the class's menu resource (menu.cpp), a client
 *                      area whose viewport is painted opaquely (nothing is
 *                      erased for it) and two window scroll bars, shown from
 *                      the start for WS_HSCROLL/WS_VSCROLL. WM_CREATE, then
 *                      WM_SIZE, are sent before it returns; -1 from
 *                      WM_CREATE fails the creation. Only top-level windows;
 *                      WM_CREATE's lParam is 0 (no CREATESTRUCT). A
 *                      CW_USEDEFAULT width gives three quarters of the
 *                      screen's work area.
 *   EnableWindow       a disabled window takes no input (Qt's own rule) and
 *                      its menus are greyed; it still paints, and a close
 *                      asked for by the desktop still reaches it as WM_CLOSE.
 *   ShowWindow, DestroyWindow (WM_DESTROY, then the handle is invalid; the
 *                      widget goes once Qt is back in its event loop),
 *   IsWindow, SetWindowTextA (the title is kept as raw bytes and shown as
 *                      gdi32/text.h says), GetWindowLongPtrA (GWLP_HINSTANCE
 *                      only), GetClientRect.
 */
#include "user32/classes.h"
#include "user32/menu.h"
#include "user32/scrollbar.h"
#include "user32/window.h"
#include "user32/dlgcontrols.h"
#include "user32/hwnd.h"
#include "user32/icons.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QPointer>
#include <QScreen>

#include <algorithm>
#include <cstring>
#include <string>

/* ---- windows --------------------------------------------------------- */

HWND WINAPI CreateWindowExA(DWORD, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y, int nWidth,
                            int nHeight, HWND, HMENU, HINSTANCE hInstance, LPVOID)
{
    auto cls = lpClassName ? find_class(lpClassName) : window_classes().end();
    if (cls == window_classes().end()) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return NULL;
    }
    if ((dwStyle & WS_CHILD) || !qobject_cast<QApplication *>(QCoreApplication::instance())) {
        SetLastError(ERROR_INVALID_PARAMETER); /* only top-level windows, and only with Qt up */
        return NULL;
    }
    const WNDCLASSA wc = cls->wc;
    const std::string menuname = cls->menuname;

    /* This loop ends the program through WM_QUIT, never Qt's last-window rule. */
    QGuiApplication::setQuitOnLastWindowClosed(false);

    auto *win = new Win32Window(wc.lpfnWndProc, hInstance ? hInstance : wc.hInstance);
    win->hwnd = hwnd_register(win);
    SetWindowTextA(win->hwnd, lpWindowName ? lpWindowName : "");

    const char *menu = menuname.empty() ? wc.lpszMenuName : menuname.c_str();
    if (menu) {
        build_menu_bar(win, menu);
    }
    if (wc.hIcon)
        win->setWindowIcon(icon_image(wc.hIcon));
    if (wc.hCursor && wc.hCursor->cursor)
        win->client->viewport()->setCursor(static_cast<Qt::CursorShape>(wc.hCursor->shape));

    for (int nBar : {SB_HORZ, SB_VERT}) {
        win->bars[nBar].shown = (dwStyle & (nBar == SB_VERT ? WS_VSCROLL : WS_HSCROLL)) != 0;
        wire_scroll_bar(win, nBar);
        sync_scroll_bar(win, nBar);
    }

    /* CW_USEDEFAULT in x leaves the place to the window system (y is then
     * ignored); in the width it gives the default size (the height is then
     * ignored): as Win32 sizes such a window, three quarters of the screen's
     * work area, less the distance of a given position from its corner. */
    if (nWidth == CW_USEDEFAULT) {
        const QScreen *screen = QGuiApplication::primaryScreen();
        const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 853, 640);
        const int dx = X == CW_USEDEFAULT ? 0 : std::max(X - work.left(), 0);
        const int dy = X == CW_USEDEFAULT ? 0 : std::max(Y - work.top(), 0);
        win->resize(std::max(work.width() * 3 / 4 - dx, 1), std::max(work.height() * 3 / 4 - dy, 1));
    } else {
        win->resize(std::max(nWidth, 1), std::max(nHeight, 1));
    }
    if (X != CW_USEDEFAULT)
        win->move(X, Y);
    /* Lay the window out now, so WM_CREATE and WM_SIZE see the real client size. */
    win->ensurePolished();
    if (QLayout *layout = win->layout())
        layout->activate();

    HWND hwnd = win->hwnd;
    if (win->send(WM_CREATE, 0, 0) == -1) {
        DestroyWindow(hwnd);
        return NULL;
    }
    if (!IsWindow(hwnd)) /* destroyed while it was being created */
        return NULL;
    win->created = true;
    win->client->sendsize();
    if (!IsWindow(hwnd))
        return NULL;
    if (dwStyle & WS_VISIBLE)
        ShowWindow(hwnd, SW_SHOWNORMAL);
    return hwnd;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow)
{
    QWidget *w = hwnd_widget(hWnd);
    if (!w)
        return FALSE;
    const BOOL wasvisible = w->isVisible();
    switch (nCmdShow) {
    case SW_HIDE: w->hide(); break;
    case SW_SHOWMINIMIZED: w->showMinimized(); break;
    case SW_SHOWMAXIMIZED: w->showMaximized(); break;
    default: w->showNormal(); break;
    }
    if (auto *win = dynamic_cast<Win32Window *>(w); win && nCmdShow != SW_HIDE) {
        win->activateWindow();
        win->client->setFocus();
    }
    return wasvisible;
}

BOOL WINAPI DestroyWindow(HWND hWnd)
{
    Win32Window *win = win32_window(hWnd);
    if (!win)
        return FALSE;
    if (win->destroyed)
        return TRUE;
    win->destroyed = true;
    win->send(WM_DESTROY, 0, 0);
    hwnd_unregister(hWnd);
    win->hide();
    /* Not deleted here: DestroyWindow may run inside one of the window's own
     * Qt event handlers (the close box, a menu item). */
    win->deleteLater();
    return TRUE;
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable)
{
    QWidget *w = hwnd_widget(hWnd);
    if (!w)
        return FALSE;
    const BOOL wasdisabled = !w->isEnabled();
    /* Qt drops the keyboard focus of a disabled window and does not give it
     * back: the window gets it back where it was, as in Win32. */
    if (auto *win = dynamic_cast<Win32Window *>(w); win && !bEnable && !wasdisabled)
        win->refocus = win->focusWidget() ? win->focusWidget() : win->client;
    w->setEnabled(bEnable != FALSE);
    if (auto *win = dynamic_cast<Win32Window *>(w); win && bEnable && wasdisabled && win->refocus)
        win->refocus->setFocus();
    return wasdisabled;
}

BOOL WINAPI IsWindow(HWND hWnd)
{
    return hwnd_widget(hWnd) != nullptr;
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString)
{
    QWidget *w = hwnd_widget(hWnd);
    if (!w)
        return FALSE;
    /* One store of a window's text for windows, dialogs and controls alike. */
    set_control_text(w, QByteArray(lpString ? lpString : ""));
    return TRUE;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex)
{
    QWidget *w = hwnd_widget(hWnd);
    if (!w)
        return 0;
    auto *win = dynamic_cast<Win32Window *>(w);
    switch (nIndex) {
    case GWLP_HINSTANCE: return win ? (LONG_PTR)win->instance : (LONG_PTR)GetModuleHandleA(NULL);
    default: SetLastError(ERROR_INVALID_PARAMETER); return 0;
    }
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect)
{
    QWidget *w = hwnd_widget(hWnd);
    if (!w || !lpRect)
        return FALSE;
    if (auto *win = dynamic_cast<Win32Window *>(w))
        w = win->client->viewport();
    *lpRect = RECT{0, 0, w->width(), w->height()};
    return TRUE;
}
