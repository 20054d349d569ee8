/*
 * paint.cpp - drawing into a window's client area during WM_PAINT.
 *
 *   BeginPaint    a drawing context over the client area, clipped to what
 *                 needs painting, with the update rectangle in rcPaint and
 *                 the application's default font; sizes are Qt's logical
 *                 pixels. Outside a paint (nothing to paint) rcPaint is
 *                 empty and drawing goes nowhere, as in Win32.
 *   EndPaint      ends it.
 *   FillRect      the system-colour brushes COLOR_WINDOW + 1 (the palette's
 *                 base colour) and COLOR_HIGHLIGHT + 1 (its highlight colour)
 *                 only; left and top edges inside, right and bottom outside;
 *                 an empty or inverted rectangle fills nothing.
 *   TextOutA      draws opaquely: the text's cell (advance width by the
 *                 font's line height) covers what lies beneath in the base
 *                 colour, the text in the text colour. Bytes are shown as
 *                 gdi32/text.h says: UTF-8, control bytes as visible marks.
 *   GetTextExtentPoint32A   the advance width and the font's full line height.
 * Colours are the active palette's, whatever the window's activation.
 */
#include <windows.h>

#include "gdi32/text.h"
#include "user32/window.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <unordered_set>

struct HDC__ {
    HWND hwnd;
    QPainter *painter; /* null: nothing to paint */
    QFont font;
    QPalette palette;
};

namespace {

std::unordered_set<HDC__ *> &live()
{
    static auto *s = new std::unordered_set<HDC__ *>;
    return *s;
}

HDC__ *dc_of(HDC hdc)
{
    return live().count(hdc) ? hdc : nullptr;
}

void release(HDC__ *dc)
{
    if (!live().erase(dc))
        return;
    if (dc->painter) {
        dc->painter->end();
        delete dc->painter;
        if (Win32Window *w = win32_window(dc->hwnd))
            w->client->openpaint = nullptr;
    }
    delete dc;
}

QColor colour(const HDC__ *dc, QPalette::ColorRole role)
{
    return dc->palette.color(QPalette::Active, role);
}

} // namespace

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint)
{
    Win32Window *w = win32_window(hWnd);
    if (!w || !lpPaint)
        return NULL;
    QWidget *view = w->client->viewport();
    auto *dc = new HDC__{hWnd, nullptr, view->font(), view->palette()};
    live().insert(dc);

    *lpPaint = PAINTSTRUCT{};
    lpPaint->hdc = dc;
    lpPaint->fErase = FALSE; /* nothing was erased */
    if (w->client->painting && !w->client->openpaint) {
        dc->painter = new QPainter(view);
        dc->painter->setFont(dc->font);
        const QRect r = w->client->paintrect;
        lpPaint->rcPaint = RECT{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
        w->client->openpaint = [dc] { release(dc); };
    }
    return dc;
}

BOOL WINAPI EndPaint(HWND, const PAINTSTRUCT *lpPaint)
{
    if (!lpPaint)
        return FALSE;
    if (HDC__ *dc = dc_of(lpPaint->hdc))
        release(dc);
    return TRUE;
}

int WINAPI FillRect(HDC hDC, const RECT *lprc, HBRUSH hbr)
{
    HDC__ *dc = dc_of(hDC);
    if (!dc || !lprc)
        return 0;
    QPalette::ColorRole role;
    switch ((UINT_PTR)hbr) {
    case COLOR_WINDOW + 1:
        role = QPalette::Base;
        break;
    case COLOR_HIGHLIGHT + 1:
        role = QPalette::Highlight;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
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
    if (r > l && b > t)
        dc->painter->fillRect(QRect((int)l, (int)t, (int)(r - l), (int)(b - t)), colour(dc, role));
    return 1;
}

BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c)
{
    HDC__ *dc = dc_of(hdc);
    if (!dc || c < 0 || (!lpString && c > 0))
        return FALSE;
    if (!dc->painter || c == 0)
        return TRUE;
    const QString text = shown_text(lpString, c);
    const QFontMetrics fm(dc->font);
    const int width = fm.horizontalAdvance(text);
    dc->painter->fillRect(QRect(x, y, width, fm.height()), colour(dc, QPalette::Base));
    dc->painter->setPen(colour(dc, QPalette::Text));
    dc->painter->drawText(QPoint(x, y + fm.ascent()), text);
    return TRUE;
}

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl)
{
    HDC__ *dc = dc_of(hdc);
    if (!dc || !psizl || c < 0 || (!lpString && c > 0))
        return FALSE;
    const QFontMetrics fm(dc->font);
    psizl->cx = fm.horizontalAdvance(shown_text(lpString, c));
    psizl->cy = fm.height();
    return TRUE;
}
