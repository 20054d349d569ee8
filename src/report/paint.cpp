/*
 * paint.cpp - painting the report (WM_PAINT).
 *
 * Each visible line gets its row; a line with a bar value (0 or more) gets a
 * bar from x = 10 whose length is its share of the tree's total, 120 pixels
 * for the whole, plus one pixel that every bar has, and its text at x = 140;
 * a line without a bar has its text at x = 10. Everything moves left by the
 * horizontal position. Row height and scroll step come from the font, 8/7 of
 * the size of "A", measured at every paint.
 *
 * Those pixel figures are for a screen of 96 dots per inch, where they hold
 * exactly; on any other they scale with the screen, as the font does, so
 * that every resolution shows the same picture at its own size.
 */
#include <windows.h>

#include <string.h>

#include "tarvel/report.h"
#include "drawing.h"

enum { BARLEFT = 10, BARTEXT = 140, BARFULL = 120, BAREND = 1, BASEDPI = 96 };

/* A length of the 96-dpi picture at `dpi`. */
static LONG scaled(LONG px, int dpi)
{
    return dpi == BASEDPI ? px : (LONG)(((LONGLONG)px * dpi + BASEDPI / 2) / BASEDPI);
}

/* The bar's right edge, for a whole bar `full` pixels long and the pixel
 * `end` that every bar has. With no total (an empty tree, or lines painted
 * before the first total is known) every bar is that one pixel. Edges beyond
 * the 32-bit range are held at its ends, so the conversion cannot fail. */
static LONG barright(LONG left, LONG full, LONG end, double bytesused)
{
    double right;
    if (gl.totalbytesused > 0.0)
        right = (double)full * bytesused / gl.totalbytesused + left + end;
    else
        right = (double)left + end;
    if (right != right) /* NaN (an infinite share of an infinite total) */
        right = (double)left + end;
    if (right >= 2147483647.0)
        return 2147483647;
    if (right <= -2147483648.0)
        return (LONG)-2147483647 - 1;
    return (LONG)right; /* truncates toward zero */
}

void paintreport(void)
{
    PAINTSTRUCT ps;
    SIZE sz;
    RECT rect;

    HDC hdc = BeginPaint(gl.hwnd, &ps);
    const int dpi = reportdpi(hdc);
    HFONT oldfont = selectfont(hdc, dpi);
    const LONG barleft = scaled(BARLEFT, dpi), bartext = scaled(BARTEXT, dpi), barfull = scaled(BARFULL, dpi),
               barend = scaled(BAREND, dpi);
    memset(&sz, 0, sizeof sz);
    GetTextExtentPoint32A(hdc, "A", 1, &sz);
    gl.rowsperline = (sz.cy * 8) / 7;
    gl.colsperchar = (sz.cx * 8) / 7;
    resize();

    LONGLONG end = (LONGLONG)gl.nCurPos + gl.nDspLines;
    const int nNumPaint = end < gl.nNumItems ? (int)end : gl.nNumItems;

    FillRect(hdc, &ps.rcPaint, (HBRUSH)(COLOR_WINDOW + 1));

    /* No index into the chain: walk it from the start every time. */
    ll *llp = gl.head;
    for (int i = 0; i < gl.nCurPos && llp; i++)
        llp = llp->next;

    const LONG shift = gl.hcurpos * gl.colsperchar;
    for (int i = gl.nCurPos, j = 0; i < nNumPaint && llp; i++, j++, llp = llp->next) {
        const LONG y = j * gl.rowsperline;
        LONG x;
        if (llp->bytesused >= 0.0) { /* false for NaN: no bar */
            rect.left = barleft - shift;
            rect.top = y;
            rect.right = barright(rect.left, barfull, barend, llp->bytesused);
            rect.bottom = y + sz.cy + barend;
            FillRect(hdc, &rect, (HBRUSH)(COLOR_HIGHLIGHT + 1));
            x = bartext - shift;
        } else {
            x = barleft - shift;
        }
        /* After the bar: where they overlap, the text lies on top. */
        drawline(hdc, x, y, llp->str);
    }

    unselectfont(hdc, oldfont);
    EndPaint(gl.hwnd, &ps);
}
