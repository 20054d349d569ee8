/*
 * scrollbar.h - a window's two scroll bars (scrollbar.cpp): their Win32 state
 * shown on the QScrollBars, and the user's actions on them as
 * WM_HSCROLL/WM_VSCROLL.
 */
#ifndef TARVEL_PLATFORM_SCROLLBAR_H
#define TARVEL_PLATFORM_SCROLLBAR_H

class Win32Window;

/* Shows a bar's Win32 state on its QScrollBar (the one place where Win32
 * values become Qt values), and turns the QScrollBar's actions into
 * WM_HSCROLL/WM_VSCROLL. */
void sync_scroll_bar(Win32Window *window, int nBar);
void wire_scroll_bar(Win32Window *window, int nBar);

/* WM_xSCROLL for a bar, with the code in the low word and the 16-bit thumb
 * position in the high word. */
void send_scroll(Win32Window *window, int nBar, int code, int thumbpos = 0);

#endif
