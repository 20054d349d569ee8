/*
 * resources.h - the program's resources (resources/tarvel.rc) as the
 * resource compiler made them, the same compiler for every build (MinGW's
 * windres, into a .res compiled into the layer), read as Windows reads a
 * program's resources (resfile.cpp): menus from their MENUITEMTEMPLATEs,
 * dialogs from their DLGTEMPLATEs, icons from their icon groups. Names match
 * without regard to case; a name may also be MAKEINTRESOURCE(id).
 */
#ifndef TARVEL_PLATFORM_RESOURCES_H
#define TARVEL_PLATFORM_RESOURCES_H

#include <windows.h>

#include <string>
#include <vector>

namespace rc {

struct MenuItem {
    std::string text; /* UTF-8, with its '&' mnemonic marks */
    int id = 0;       /* command id; 0 for separators and pop-ups */
    bool separator = false;
    std::vector<MenuItem> popup; /* non-empty for a POPUP */
};

struct Menu {
    std::string name;
    std::vector<MenuItem> items; /* the menu bar's pull-downs */
};

struct Control {
    std::string text;
    int id = 0;
    std::string cls; /* "EDIT", "LISTBOX", "BUTTON", ... upper case */
    DWORD style = 0;
    int x = 0, y = 0, cx = 0, cy = 0; /* dialog units */
};

struct Dialog {
    std::string name;
    int x = 0, y = 0, cx = 0, cy = 0; /* dialog units */
    DWORD style = 0, exstyle = 0;
    std::string caption;
    int fontsize = 8;
    std::string fontname;
    std::vector<Control> controls; /* in template order */
};

/* Each returns nullptr when the program has no such resource. The program's
 * resources are read once, on first use. */
const Menu *find_menu(LPCSTR name);
const Dialog *find_dialog(LPCSTR name);
/* The icon group `name` as an .ico file's bytes, every image in it. */
const std::string *find_icon(LPCSTR name);

} // namespace rc

#endif
