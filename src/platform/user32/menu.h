/*
 * menu.h - a window's menu bar from the program's resources (menu.cpp).
 */
#ifndef TARVEL_PLATFORM_MENU_H
#define TARVEL_PLATFORM_MENU_H

class Win32Window;

/* Builds `win`'s menu bar from the menu resource `menuname` (nothing for
 * none or an unknown one). */
void build_menu_bar(Win32Window *win, const char *menuname);

#endif
