/*
 * menu.cpp - a window's menu bar from the program's menu resource
 * (rc::find_menu): pull-downs, items and separators; an item chosen reaches
 * the window procedure as a posted WM_COMMAND with its id, as Win32 posts it
 * once the menu has closed.
 */
#include "user32/menu.h"
#include "user32/window.h"
#include "resources/resources.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

void add_menu_items(Win32Window *win, QWidget *menu, const std::vector<rc::MenuItem> &items)
{
    for (const rc::MenuItem &item : items) {
        QString text = QString::fromUtf8(item.text.c_str());
        if (item.separator) {
            if (auto *m = qobject_cast<QMenu *>(menu))
                m->addSeparator();
            continue;
        }
        if (!item.popup.empty()) {
            QMenu *sub = nullptr;
            if (auto *bar = qobject_cast<QMenuBar *>(menu))
                sub = bar->addMenu(text);
            else if (auto *m = qobject_cast<QMenu *>(menu))
                sub = m->addMenu(text);
            if (sub)
                add_menu_items(win, sub, item.popup);
            continue;
        }
        auto *action = new QAction(text, menu);
        menu->addAction(action);
        const int id = item.id;
        /* Win32 posts the command once the menu has closed, so the handler
         * (a whole survey, or the window's end) runs outside Qt's menu code. */
        QObject::connect(action, &QAction::triggered, win, [win, id] {
            if (!win->destroyed)
                PostMessageA(win->hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        });
    }
}

} // namespace

void build_menu_bar(Win32Window *win, const char *menuname)
{
    if (const rc::Menu *m = menuname ? rc::find_menu(menuname) : nullptr)
        add_menu_items(win, win->menuBar(), m->items);
}
