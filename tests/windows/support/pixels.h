/*
 * pixels.h - what a window shows, read back, and what the same text drawn
 * with the wide call looks like, for the Windows tests' pictures.
 */
#ifndef TARVEL_WINTEST_PIXELS_H
#define TARVEL_WINTEST_PIXELS_H

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

/* A picture: w x h colours, row by row from the top. */
struct Picture {
    int w = 0, h = 0;
    std::vector<COLORREF> px;
    COLORREF at(int x, int y) const { return px[(size_t)y * w + x]; }
    bool operator==(const Picture &o) const { return w == o.w && h == o.h && px == o.px; }
};

/* For a failure's message: the size and the pixels that are not white. */
void PrintTo(const Picture &p, std::ostream *os);

/* The w x h rectangle at x, y of a device context (a window's, the screen's). */
Picture grab(HDC dc, int x, int y, int w, int h);

/* `text` drawn at x, 0 on a w x h field of the window colour, in a device
 * context's default font: with TextOutW from the UTF-16 form of the UTF-8
 * bytes, or (`ansi`) with TextOutA from the bytes themselves. */
Picture drawn(const std::string &utf8, int x, int w, int h, bool ansi = false);

#endif
