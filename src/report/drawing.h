/*
 * drawing.h - what painting the report needs of the platform's drawing:
 * the resolution it draws at, a font for it, and text from the program's
 * bytes.
 */
#ifndef TARVEL_REPORT_DRAWING_H
#define TARVEL_REPORT_DRAWING_H

#include <windows.h>

/* Dots per inch of the window's screen; 96 where the platform scales the
 * drawing itself (Linux: Qt's logical pixels). */
int reportdpi(HDC hdc);

/* Selects into `hdc` a copy of its font made for `dpi` where its own was made
 * for another resolution (a window on a second screen); NULL when nothing was
 * selected. Whatever it returns goes back through unselectfont. */
HFONT selectfont(HDC hdc, int dpi);
void unselectfont(HDC hdc, HFONT old);

/* Draws one line's text, bytes in the program's code page, at x, y. */
void drawline(HDC hdc, int x, int y, const char *text);

#endif
