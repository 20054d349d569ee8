/*
 * mbprintf.cpp - the one way the program tells the user about a failure.
 */
#include <windows.h>

#include "tarvel/report.h"
#include "tarvel/shell.h"

void mbprintf(const char *caption, const char *szFmt, ...)
{
    char buff[1024];
    va_list args;

    va_start(args, szFmt);
    wvsprintfA(buff, szFmt, args); /* cuts at 1023 characters */
    va_end(args);

    /* The icon follows the caption pointer, not its text: only the shared
     * captions get one, so a caption that merely reads "Error" gets none. */
    UINT bits = MB_OK;
    if (caption == err)
        bits |= MB_ICONHAND;
    else if (caption == fail)
        bits |= MB_ICONEXCLAMATION;

    MessageBoxA(gl.hwnd, buff, caption, bits);
}
