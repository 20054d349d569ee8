/*
 * drawing.cpp - the resolution, the font and the text of the report.
 *
 * On Windows the text is turned into UTF-16 and drawn with the wide call:
 * GDI's ANSI calls decode with the system's code page and ignore the one the
 * program's manifest asks for (UTF-8), so names outside ASCII would be drawn
 * garbled. The window declares itself aware of each screen's resolution, so
 * Windows scales nothing: the report scales its own pixel figures, and on a
 * screen whose resolution differs from the system's, where the device
 * context's font still has the system's size, draws with a copy of that font
 * made for the screen. Elsewhere the platform scales for the program, and
 * text is drawn as the bytes it is.
 */
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "tarvel/report.h"
#include "drawing.h"

#ifdef _WIN32

int reportdpi(HDC hdc)
{
    /* Windows 10 1607 and later know each window's screen; earlier ones
     * have one resolution for every screen, the device context's. */
    typedef UINT(WINAPI * dpiforwindow)(HWND);
    static const dpiforwindow getdpi =
        (dpiforwindow)(void (*)(void))GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    UINT dpi = getdpi ? getdpi(gl.hwnd) : 0;
    return dpi ? (int)dpi : GetDeviceCaps(hdc, LOGPIXELSX);
}

HFONT selectfont(HDC hdc, int dpi)
{
    const int fontdpi = GetDeviceCaps(hdc, LOGPIXELSY);
    LOGFONTA lf;
    if (fontdpi <= 0 || dpi == fontdpi || !GetObjectA(GetCurrentObject(hdc, OBJ_FONT), sizeof lf, &lf))
        return NULL;
    lf.lfHeight = MulDiv(lf.lfHeight, dpi, fontdpi);
    lf.lfWidth = MulDiv(lf.lfWidth, dpi, fontdpi);
    HFONT font = CreateFontIndirectA(&lf);
    return font ? (HFONT)SelectObject(hdc, font) : NULL;
}

void unselectfont(HDC hdc, HFONT old)
{
    if (old)
        DeleteObject(SelectObject(hdc, old));
}

void drawline(HDC hdc, int x, int y, const char *text)
{
    const int len = (int)strlen(text);
    WCHAR small[512];
    WCHAR *wide = small;
    /* Never more UTF-16 units than bytes. */
    if (len > (int)(sizeof small / sizeof small[0]))
        wide = (WCHAR *)malloc((size_t)len * sizeof(WCHAR));
    int n = wide ? MultiByteToWideChar(CP_ACP, 0, text, len, wide, len) : 0;
    if (n > 0 || len == 0)
        TextOutW(hdc, x, y, wide, n);
    else
        TextOutA(hdc, x, y, text, len); /* no memory: the bytes as GDI reads them */
    if (wide != small)
        free(wide);
}

#else

int reportdpi(HDC hdc)
{
    return GetDeviceCaps(hdc, LOGPIXELSX);
}

HFONT selectfont(HDC, int)
{
    return NULL;
}

void unselectfont(HDC, HFONT) {}

void drawline(HDC hdc, int x, int y, const char *text)
{
    TextOutA(hdc, x, y, text, (int)strlen(text));
}

#endif
