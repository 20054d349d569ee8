/*
 * report.h - the report line list and the display record `gl`.
 *
 * The report is an append-only chain of lines. Each directory line carries a
 * bar value (bytes used by that directory tree); lines without a bar carry a
 * negative value (-1.0). Only llprintf appends; only the survey empties it.
 */
#ifndef TARVEL_REPORT_H
#define TARVEL_REPORT_H

#include <windows.h>

/* One report line. The node and its text are two GlobalAlloc(GPTR) blocks. */
typedef struct ll_ {
    char *str;        /* the line's text, in a block exactly strlen + 1 long */
    double bytesused; /* bar value in bytes; negative: no bar */
    struct ll_ *next; /* following line, NULL for the last */
} ll;

/* The one display and list record. */
struct gl_ {
    int nDspLines;          /* rows shown: whole rows that fit + 1 (resize) */
    int nNumItems;          /* lines in the chain (llprintf +1; survey resets) */
    int nCurPos;            /* index of the line in the top row (vScroll; survey resets) */
    int rowsperline;        /* row height in pixels, 8/7 of "A" (paint) */
    int colsperchar;        /* horizontal scroll unit in pixels, 8/7 of "A" (paint) */
    char prevdir[MAX_PATH]; /* directory of the latest survey (survey; nobody reads it) */
    ll *head;               /* first line (llprintf on an empty chain; survey resets) */
    ll *tail;               /* last line (llprintf; survey resets) */
    int hcurpos;            /* horizontal scroll position, 0..221 (hScroll; never reset) */
    HWND hwnd;              /* the main window (WndProc, on every message) */
    double totalbytesused;  /* scale of the bars: bytes of the whole tree (survey, after the scan) */
};
extern struct gl_ gl;

/* Appends one line with bar value `bu`, formatted printf-style (floating-point
 * conversions included, any length). Keeps the vertical scroll bar in step and
 * asks for a repaint. Returns 1, or 0 after telling the user memory ran out. */
int llprintf(double bu, const char *szFmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

/* Recomputes gl.nDspLines from the client height and updates the vertical bar. */
void resize(void);

/* One scroll action on the vertical or horizontal bar (scroll code, thumb position). */
void vScroll(WORD wScroll, WORD thumbpos);
void hScroll(WORD wScroll, WORD thumbpos);

/* Home and End: the view straight to the first line, or to the last page
 * (`last`), moved and clamped as a scroll action moves it. The bars' own
 * SB_TOP and SB_BOTTOM change nothing, as they always have. */
void vScrollEnd(BOOL last);

/* The wheel and the keys (WM_MOUSEWHEEL, WM_MOUSEHWHEEL, WM_KEYDOWN): send
 * the main window the scroll messages its bars would send, while the bar
 * can move. A wheel's `delta` on bar `nBar` is in WHEEL_DELTA units a notch,
 * positive towards the start (up, or left); keys are virtual-key codes.
 * keyscroll is FALSE for a key that does not scroll. */
void wheelscroll(int nBar, int delta);
BOOL keyscroll(WPARAM vk);

/* Shows both bars and sets up the horizontal one (WM_CREATE). */
void setupscrollbars(void);

/* Paints the visible lines with their bars (WM_PAINT). */
void paintreport(void);

#endif
