/*
 * rcscript.h - the resource script (resources/tarvel.rc), read the way the
 * Windows resource compiler would for the statements Tarvel uses: ICON, MENU
 * (POPUP, MENUITEM, SEPARATOR), DIALOG (STYLE, EXSTYLE, CAPTION, FONT and
 * CONTROL lines), #include of resource.h for the #define'd ids, C comments.
 * Resource names match without regard to case; a name may also be given
 * as MAKEINTRESOURCE(id).
 */
#ifndef TARVEL_PLATFORM_RCSCRIPT_H
#define TARVEL_PLATFORM_RCSCRIPT_H

#include <windows.h>

#include <string>
#include <vector>

namespace rc {

struct MenuItem {
    std::string text; /* with its '&' mnemonic marks */
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

/* What a script holds. */
struct Script {
    std::vector<Menu> menus;
    std::vector<Dialog> dialogs;
    std::vector<std::pair<std::string, std::string>> icons; /* name, file name */
};

/* Reads a script's text (any text: what cannot be read leaves the resources
 * after the fault out). The program's own is read once, on first use. */
Script read_script(const char *text);

/* Each returns nullptr when the script has no such resource. */
const Menu *find_menu(LPCSTR name);
const Dialog *find_dialog(LPCSTR name);
/* The .ico file's bytes of the ICON resource `name`. */
const std::string *find_icon(LPCSTR name);

} // namespace rc

#endif
