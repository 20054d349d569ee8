/*
 * llprintf.cpp - appending a line to the report.
 *
 * Each line is two zero-filled GlobalAlloc blocks: the node and its text,
 * the text block exactly as long as the formatted text plus its terminator.
 * Lines may be of any length: paths alone reach MAX_PATH - 1 bytes.
 */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "tarvel/report.h"
#include "tarvel/shell.h"
#include "setbar.h"

/* The vertical bar follows the line count: enabled by the first line that
 * does not fit, its range grown by every line after that. The position is
 * never touched, so the view stays where it is. */
static void keepscrollbar(void)
{
    if (gl.nDspLines == gl.nNumItems)
        EnableScrollBar(gl.hwnd, SB_VERT, ESB_ENABLE_BOTH);
    gl.nNumItems++;
    if (gl.nDspLines < gl.nNumItems) {
        setbar(SB_VERT, SIF_RANGE | SIF_PAGE, gl.nNumItems - 1, gl.nDspLines, 0);
    }
}

int llprintf(double bu, const char *szFmt, ...)
{
    char buff[1024];
    va_list args, again;
    va_start(args, szFmt);
    va_copy(again, args);
    int len = vsnprintf(buff, sizeof buff, szFmt, args);
    va_end(args);

    ll *node = NULL;
    char *text = NULL;
    if (len >= 0)
        node = (ll *)GlobalAlloc(GPTR, sizeof(ll));
    if (node)
        text = (char *)GlobalAlloc(GPTR, (size_t)len + 1);
    if (!text) {
        DWORD code = GetLastError();
        if (node)
            GlobalFree(node);
        va_end(again);
        /* Nothing was linked: the chain, the counters and the bar are as before. */
        mbprintf(err, "Memory allocation failed <%d>", (int)code);
        return 0;
    }
    /* Most lines fit the buffer; a longer one is formatted again, whole. */
    if ((size_t)len < sizeof buff)
        memcpy(text, buff, (size_t)len + 1);
    else
        vsnprintf(text, (size_t)len + 1, szFmt, again);
    va_end(again);

    node->str = text;
    node->bytesused = bu;
    node->next = NULL;
    if (gl.head == NULL)
        gl.head = node;
    else
        gl.tail->next = node;
    gl.tail = node;

    keepscrollbar();
    InvalidateRect(gl.hwnd, NULL, FALSE);
    return 1;
}
