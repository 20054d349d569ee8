/*
 * defwindow.cpp - DefWindowProcA, what a window procedure leaves to the
 * system: WM_CLOSE destroys the window; every other message gives 0.
 */
#include <windows.h>

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM, LPARAM)
{
    if (Msg == WM_CLOSE)
        DestroyWindow(hWnd);
    return 0;
}
