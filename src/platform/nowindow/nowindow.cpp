/*
 * nowindow.cpp - the USER32 calls of a program that has no window.
 *
 * The report and survey code keep the main window's scroll bars and repaint
 * requests in step with the report and show the wait cursor. A console
 * program (tarvel-scan) runs that code with gl.hwnd NULL and links no Qt:
 * here every window call fails quietly with ERROR_INVALID_WINDOW_HANDLE, as
 * Win32 does for a null window, and the cursor calls only keep the handle.
 *
 *   ShowScrollBar, EnableScrollBar, SetScrollInfo, GetScrollInfo,
 *   InvalidateRect, ScrollWindowEx, GetClientRect   fail (0/FALSE)
 *   LoadCursorA    IDC_ARROW and IDC_WAIT of the system
 *   SetCursor      returns the previous cursor; GetCursor the current one
 */
#include <windows.h>

namespace {

/* The system cursors: only their addresses matter. */
char arrow, hourglass;
HCURSOR current = reinterpret_cast<HCURSOR>(&arrow);

BOOL nowindow()
{
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

} // namespace

BOOL WINAPI ShowScrollBar(HWND, int, BOOL)
{
    return nowindow();
}
BOOL WINAPI EnableScrollBar(HWND, UINT, UINT)
{
    return nowindow();
}
int WINAPI SetScrollInfo(HWND, int, LPCSCROLLINFO, BOOL)
{
    return nowindow();
}
BOOL WINAPI GetScrollInfo(HWND, int, LPSCROLLINFO)
{
    return nowindow();
}
BOOL WINAPI InvalidateRect(HWND, const RECT *, BOOL)
{
    return nowindow();
}
BOOL WINAPI GetClientRect(HWND, LPRECT)
{
    return nowindow();
}

int WINAPI ScrollWindowEx(HWND, int, int, const RECT *, const RECT *, HRGN, LPRECT, UINT)
{
    return nowindow(); /* ERROR (0) */
}

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName)
{
    if (!hInstance && lpCursorName == IDC_ARROW)
        return reinterpret_cast<HCURSOR>(&arrow);
    if (!hInstance && lpCursorName == IDC_WAIT)
        return reinterpret_cast<HCURSOR>(&hourglass);
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return NULL;
}

HCURSOR WINAPI SetCursor(HCURSOR hCursor)
{
    HCURSOR previous = current;
    current = hCursor;
    return previous;
}

HCURSOR WINAPI GetCursor(void)
{
    return current;
}
