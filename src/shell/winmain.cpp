/*
 * winmain.cpp - program start: the window class, the main window and the
 * message loop. The command line is not used.
 */
#include <windows.h>

#include "tarvel/shell.h"

const char *lpszAppName = "Tarv";
const char *lpszTitle = "Directory Sizes";

HWND createmainwindow(HINSTANCE hInstance, WNDPROC proc)
{
    WNDCLASSA wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIconA(hInstance, lpszAppName);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszMenuName = lpszAppName;
    wc.lpszClassName = lpszAppName;
    if (!RegisterClassA(&wc))
        return NULL;

    return CreateWindowExA(0, lpszAppName, lpszTitle, WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL, CW_USEDEFAULT, 0,
                           CW_USEDEFAULT, 0, NULL, NULL, hInstance, NULL);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    (void)hPrevInstance; /* every start is independent */
    (void)lpCmdLine;

    /* Fails silently: without a window there is nobody to tell. */
    HWND hwnd = createmainwindow(hInstance, WndProc);
    if (!hwnd)
        return 0;

    ShowWindow(hwnd, nCmdShow);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
