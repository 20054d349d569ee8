/*
 * classes.h - the window classes of this process (RegisterClassA), as
 * classes.cpp keeps them. The table lives as long as the process does; the
 * tests' library empties it where a process would have ended.
 */
#ifndef TARVEL_PLATFORM_CLASSES_H
#define TARVEL_PLATFORM_CLASSES_H

#include <windows.h>

#include <string>
#include <vector>

struct WindowClass {
    ATOM atom;
    std::string name;
    WNDCLASSA wc;
    std::string menuname; /* wc.lpszMenuName points here when it is a string */
};

std::vector<WindowClass> &window_classes();

/* The class of that name (without regard to case) or atom, or end(). */
std::vector<WindowClass>::iterator find_class(LPCSTR name);

#endif
