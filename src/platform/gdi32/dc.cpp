/*
 * dc.cpp - device contexts, and drawing text into them.
 *
 *   TextOutA      draws opaquely: the text's cell (advance width by the
 *                 font's line height) covers what lies beneath in the base
 *                 colour, the text in the text colour. Bytes are shown as
 *                 gdi32/text.h says: UTF-8, control bytes as visible marks.
 *                 A context with nothing to paint draws nowhere, as in Win32.
 *   GetTextExtentPoint32A   the advance width and the font's full line height.
 *   GetDeviceCaps LOGPIXELSX and LOGPIXELSY only: always 96. Sizes here are
 *                 Qt's logical pixels, which Qt scales to the screen itself,
 *                 so the program draws as on a 96-dpi screen everywhere.
 * Colours are the active palette's, whatever the window's activation. The
 * contexts themselves are made by USER32's BeginPaint (dc.h).
 */
#include <windows.h>

#include "gdi32/dc.h"
#include "gdi32/text.h"

#include <QFontMetrics>

#include <unordered_set>

namespace {

std::unordered_set<HDC__ *> &live()
{
    static auto *s = new std::unordered_set<HDC__ *>;
    return *s;
}

} // namespace

HDC create_dc(QPainter *painter, const QFont &font, const QPalette &palette)
{
    auto *dc = new HDC__{painter, font, palette, {}, {}};
    live().insert(dc);
    return dc;
}

HDC__ *live_dc(HDC hdc)
{
    return live().count(hdc) ? hdc : nullptr;
}

bool delete_dc(HDC hdc)
{
    if (!live().erase(hdc))
        return false;
    if (hdc->painter) {
        hdc->painter->end();
        delete hdc->painter;
    }
    delete hdc;
    return true;
}

BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c)
{
    HDC__ *dc = live_dc(hdc);
    if (!dc || c < 0 || (!lpString && c > 0))
        return FALSE;
    if (!dc->painter || c == 0)
        return TRUE;
    const QString text = shown_text(lpString, c);
    const QFontMetrics fm(dc->font);
    /* Qt's opaque mode fills the text's cell (its advance by the font's
     * height) as it draws, laying the text out once. */
    dc->painter->setBackgroundMode(Qt::OpaqueMode);
    dc->painter->setBackground(dc->colour(QPalette::Base));
    dc->painter->setPen(dc->colour(QPalette::Text));
    dc->painter->drawText(QPoint(x, y + fm.ascent()), text);
    if (dc->drawn)
        dc->drawn(x, y, text);
    return TRUE;
}

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl)
{
    HDC__ *dc = live_dc(hdc);
    if (!dc || !psizl || c < 0 || (!lpString && c > 0))
        return FALSE;
    const QFontMetrics fm(dc->font);
    psizl->cx = fm.horizontalAdvance(shown_text(lpString, c));
    psizl->cy = fm.height();
    return TRUE;
}

int WINAPI GetDeviceCaps(HDC hdc, int index)
{
    if (!live_dc(hdc) || (index != LOGPIXELSX && index != LOGPIXELSY))
        return 0;
    return 96;
}
