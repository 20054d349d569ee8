/*
 * update.cpp - what needs painting in a window's client area.
 *
 *   InvalidateRect    marks a rectangle (NULL: the whole client area) for the
 *                     next WM_PAINT. Nothing is ever erased, whatever bErase
 *                     says: the client area paints opaquely. Unlike Win32, a
 *                     null window is not "every window" but fails quietly.
 *   ScrollWindowEx    moves the pixels already drawn (viewport()->scroll) and
 *                     marks only the uncovered strip; prcScroll limits the
 *                     moved area, prcUpdate receives the strip's bounds.
 *                     Qt always marks the strip, with or without
 *                     SW_INVALIDATE, and never erases it.
 *   UpdateWindow      paints at once what is marked.
 */
#include "user32/hwnd.h"
#include "user32/window.h"

#include <QWidget>

#include <algorithm>

namespace {

/* The widget that stands for the client area of `hwnd`. */
QWidget *client_of(HWND hwnd)
{
    QWidget *w = hwnd_widget(hwnd);
    if (auto *win = dynamic_cast<Win32Window *>(w))
        return win->client->viewport();
    return w;
}

/* Win32 rectangles have their right and bottom edges outside. */
QRect qrect(const RECT &r)
{
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

} // namespace

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT *lpRect, BOOL)
{
    QWidget *w = client_of(hWnd);
    if (!w)
        return FALSE;
    if (lpRect)
        w->update(qrect(*lpRect).intersected(w->rect()));
    else
        w->update();
    return TRUE;
}

int WINAPI ScrollWindowEx(HWND hWnd, int dx, int dy, const RECT *prcScroll, const RECT *prcClip, HRGN, LPRECT prcUpdate,
                          UINT)
{
    enum { ERROR_REGION = 0, NULLREGION = 1, SIMPLEREGION = 2 };
    QWidget *w = client_of(hWnd);
    if (!w)
        return ERROR_REGION;
    QRect area = prcScroll ? qrect(*prcScroll).intersected(w->rect()) : w->rect();
    if (prcClip)
        area = area.intersected(qrect(*prcClip));
    /* A move further than the area is wide or high uncovers all of it; the
     * limit keeps Qt's arithmetic inside int. */
    dx = std::clamp(dx, -(area.width() + 1), area.width() + 1);
    dy = std::clamp(dy, -(area.height() + 1), area.height() + 1);

    QRect strip;
    if (dy > 0)
        strip = QRect(area.left(), area.top(), area.width(), dy);
    else if (dy < 0)
        strip = QRect(area.left(), area.bottom() + 1 + dy, area.width(), -dy);
    if (dx > 0)
        strip |= QRect(area.left(), area.top(), dx, area.height());
    else if (dx < 0)
        strip |= QRect(area.right() + 1 + dx, area.top(), -dx, area.height());
    strip = strip.intersected(area);
    if (prcUpdate)
        *prcUpdate =
            strip.isEmpty() ? RECT{0, 0, 0, 0} : RECT{strip.left(), strip.top(), strip.right() + 1, strip.bottom() + 1};
    if (area.isEmpty() || (dx == 0 && dy == 0))
        return NULLREGION;

    if (area == w->rect())
        w->scroll(dx, dy);
    else
        w->scroll(dx, dy, area);
    if (auto *win = dynamic_cast<Win32Window *>(hwnd_widget(hWnd))) {
        win->client->screen.scrolled(dx, dy, area);
        win->client->screen.tell();
    }
    return strip.isEmpty() ? NULLREGION : SIMPLEREGION;
}

BOOL WINAPI UpdateWindow(HWND hWnd)
{
    QWidget *w = client_of(hWnd);
    if (!w)
        return FALSE;
    if (w->isVisible())
        w->repaint();
    return TRUE;
}
