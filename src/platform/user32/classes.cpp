/*
 * classes.cpp - window classes (classes.h).
 *
 *   RegisterClassA     a class table of this process; names match without
 *                      regard to case (or by atom).
 */
#include "user32/classes.h"

#include <algorithm>
#include <cctype>

std::vector<WindowClass> &window_classes()
{
    static auto *c = new std::vector<WindowClass>; /* never destroyed: usable at exit */
    return *c;
}

static bool same_name(const char *a, const char *b)
{
    for (; *a && *b; ++a, ++b)
        if (std::toupper((unsigned char)*a) != std::toupper((unsigned char)*b))
            return false;
    return *a == *b;
}

std::vector<WindowClass>::iterator find_class(LPCSTR name)
{
    auto &all = window_classes();
    return std::find_if(all.begin(), all.end(), [name](const WindowClass &c) {
        return IS_INTRESOURCE(name) ? c.atom == (ATOM)(ULONG_PTR)name : same_name(c.name.c_str(), name);
    });
}

ATOM WINAPI RegisterClassA(const WNDCLASSA *lpWndClass)
{
    static ATOM nextatom = 0xC000; /* Win32's range for registered names */
    if (!lpWndClass || !lpWndClass->lpfnWndProc || !lpWndClass->lpszClassName ||
        IS_INTRESOURCE(lpWndClass->lpszClassName) || !*lpWndClass->lpszClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (find_class(lpWndClass->lpszClassName) != window_classes().end()) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    WindowClass c{nextatom++, lpWndClass->lpszClassName, *lpWndClass, {}};
    if (c.wc.lpszMenuName && !IS_INTRESOURCE(c.wc.lpszMenuName))
        c.menuname = c.wc.lpszMenuName;
    c.wc.lpszClassName = nullptr; /* `name` holds it */
    window_classes().push_back(std::move(c));
    return window_classes().back().atom;
}
