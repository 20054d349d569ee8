/*
 * paint.cpp - the paint bracket of a window's client area, and filling in it.
 *
 *   BeginPaint    a device context (GDI32's) over the client area, clipped
 *                 to what needs painting, with the update rectangle in
 *                 rcPaint and the application's default font; sizes are Qt's
 *                 logical pixels. Outside a paint (nothing to paint) rcPaint
 *                 is empty and drawing goes nowhere, as in Win32.
 *   EndPaint      ends it. One left open ends with the paint event.
 *   FillRect      the system-colour brushes COLOR_WINDOW + 1 (the palette's
 *                 base colour) and COLOR_HIGHLIGHT + 1 (its highlight colour)
 *                 only; left and top edges inside, right and bottom outside;
 *                 an empty or inverted rectangle fills nothing.
 */
#include <windows.h>

#include "gdi32/dc.h"
#include "user32/window.h"

#include <QPaintDevice>

#include <algorithm>

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint)
{
    Win32Window *w = win32_window(hWnd);
    if (!w || !lpPaint)
        return NULL;
    QWidget *view = w->client->viewport();
    *lpPaint = PAINTSTRUCT{};
    lpPaint->fErase = FALSE; /* nothing was erased */
    QPainter *painter = nullptr;
    if (w->client->painting && !w->client->openpaint) {
        painter = new QPainter(view);
        painter->setFont(view->font());
        const QRect r = w->client->paintrect;
        lpPaint->rcPaint = RECT{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
    }
    HDC dc = create_dc(painter, view->font(), view->palette());
    if (painter) {
        w->client->openpaint = dc;
        ScreenText *screen = &w->client->screen;
        dc->drawn = [screen](int x, int y, const QString &text) { screen->drawn(x, y, text); };
        dc->filled = [screen](const QRect &r) { screen->filled(r); };
    }
    lpPaint->hdc = dc;
    return dc;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT *lpPaint)
{
    if (!lpPaint)
        return FALSE;
    if (Win32Window *w = win32_window(hWnd); w && w->client->openpaint == lpPaint->hdc)
        w->client->openpaint = nullptr;
    delete_dc(lpPaint->hdc);
    return TRUE;
}

int WINAPI FillRect(HDC hDC, const RECT *lprc, HBRUSH hbr)
{
    HDC__ *dc = live_dc(hDC);
    if (!dc || !lprc)
        return 0;
    QPalette::ColorRole role;
    switch ((UINT_PTR)hbr) {
    case COLOR_WINDOW + 1: role = QPalette::Base; break;
    case COLOR_HIGHLIGHT + 1: role = QPalette::Highlight; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return 0;
    }
    if (lprc->right <= lprc->left || lprc->bottom <= lprc->top || !dc->painter)
        return 1; /* nothing to fill */
    /* Edges far outside the device are brought just outside it, so the width
     * and height fit an int and nothing visible changes. */
    const QPaintDevice *dev = dc->painter->device();
    const long long w = dev ? dev->width() : 0, h = dev ? dev->height() : 0;
    const long long l = std::clamp<long long>(lprc->left, -1, w + 1);
    const long long t = std::clamp<long long>(lprc->top, -1, h + 1);
    const long long r = std::clamp<long long>(lprc->right, -1, w + 1);
    const long long b = std::clamp<long long>(lprc->bottom, -1, h + 1);
    if (r > l && b > t) {
        const QRect filled((int)l, (int)t, (int)(r - l), (int)(b - t));
        dc->painter->fillRect(filled, dc->colour(role));
        if (dc->filled)
            dc->filled(filled);
    }
    return 1;
}
