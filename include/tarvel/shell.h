/*
 * shell.h - program start, the main window procedure and message boxes.
 */
#ifndef TARVEL_SHELL_H
#define TARVEL_SHELL_H

#include <windows.h>

/* Captions, passed by pointer: mbprintf picks the icon by pointer identity. */
extern const char *err;  /* "Error": hard errors, stop icon */
extern const char *fail; /* "Failure": degraded results, exclamation icon */

extern const char *lpszAppName; /* "Tarv": class, menu and icon name */
extern const char *lpszTitle;   /* "Directory Sizes": initial title */

/* Formats with wvsprintfA (%d and %s; cut at 1023 characters) and shows the
 * text in a modal box owned by gl.hwnd. */
void mbprintf(const char *caption, const char *szFmt, ...);

/* Registers the window class "Tarv" with procedure `proc` (WndProc in the
 * program) and creates the main window, as the program starts; NULL when
 * either fails. */
HWND createmainwindow(HINSTANCE hInstance, WNDPROC proc);

LRESULT CALLBACK WndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

/* The About box texts. */
extern const char *aboutcaption;
extern const char *abouttext;

#endif
