#include "pixels.h"

namespace {

/* A memory context over a top-down 32-bit bitmap. */
struct Canvas {
    HDC dc;
    HBITMAP bitmap, old;
    DWORD *bits = nullptr;
    int w, h;
    Canvas(int width, int height) : w(width), h(height)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        dc = CreateCompatibleDC(NULL);
        bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void **)&bits, NULL, 0);
        old = (HBITMAP)SelectObject(dc, bitmap);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Picture picture()
    {
        GdiFlush();
        Picture p;
        p.w = w;
        p.h = h;
        for (int i = 0; i < w * h; i++) /* 0x00RRGGBB to a COLORREF's 0x00BBGGRR */
            p.px.push_back(RGB((bits[i] >> 16) & 0xFF, (bits[i] >> 8) & 0xFF, bits[i] & 0xFF));
        return p;
    }
};

} // namespace

void PrintTo(const Picture &p, std::ostream *os)
{
    int ink = 0;
    for (COLORREF c : p.px)
        ink += c != RGB(255, 255, 255);
    *os << p.w << "x" << p.h << " pixels, " << ink << " not white";
}

Picture grab(HDC dc, int x, int y, int w, int h)
{
    Canvas c(w, h);
    BitBlt(c.dc, 0, 0, w, h, dc, x, y, SRCCOPY);
    return c.picture();
}

Picture drawn(const std::string &utf8, int x, int w, int h, bool ansi)
{
    Canvas c(w, h);
    RECT all = {0, 0, w, h};
    FillRect(c.dc, &all, (HBRUSH)(COLOR_WINDOW + 1));
    if (ansi) {
        TextOutA(c.dc, x, 0, utf8.data(), (int)utf8.size());
    } else {
        std::wstring text(utf8.size(), L'\0');
        text.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), &text[0], (int)text.size()));
        TextOutW(c.dc, x, 0, text.data(), (int)text.size());
    }
    return c.picture();
}
