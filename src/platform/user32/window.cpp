/*
 * window.cpp - window classes and top-level windows.
 *
 *   RegisterClassA     a class table of this process (classes.h); names
 *                      match without regard to case (or by atom).
 *   CreateWindowExA    a Qt main window: a menu bar built from the class's
 *                      menu resource (rc::find_menu), a client area whose
 *                      viewport is painted opaquely (nothing is erased for
 *                      it) and two window scroll bars, shown from the start
 *                      for WS_HSCROLL/WS_VSCROLL. WM_CREATE, then WM_SIZE, are
 *                      sent before it returns; -1 from WM_CREATE fails the
 *                      creation. Only top-level windows; WM_CREATE's lParam
 *                      is 0 (no CREATESTRUCT). A CW_USEDEFAULT width
 *                      gives three quarters of the screen's work area.
 *   EnableWindow       a disabled window takes no input (Qt's own rule) and
 *                      its menus are greyed; it still paints, and a close
 *                      asked for by the desktop still reaches it as WM_CLOSE.
 *   ShowWindow, DestroyWindow (WM_DESTROY, then the handle is invalid; the
 *                      widget goes once Qt is back in its event loop),
 *   IsWindow, SetWindowTextA/GetWindowTextA (the title is kept as raw bytes
 *                      and shown as gdi32/text.h says), GetWindowLongPtrA
 *                      (GWLP_HINSTANCE, GWL_STYLE), GetClientRect,
 *                      GetModuleHandleA (the program's own module only).
 * Qt events arrive at the window procedure as messages: the viewport's paint
 * as WM_PAINT, its resize as WM_SIZE, a menu item as a posted WM_COMMAND with
 * the item's id (as Win32 posts it once the menu has closed), the close box as
 * WM_CLOSE, the wheel over the window as WM_MOUSEWHEEL (WM_MOUSEHWHEEL
 * sideways), the keys the program reads (arrows, PageUp, PageDown, Home,
 * End) as WM_KEYDOWN with their virtual-key codes. What they do is the
 * window procedure's business, as in Win32.
 */
#include "user32/classes.h"
#include "user32/scrollbar.h"
#include "user32/window.h"
#include "gdi32/dc.h"
#include "gdi32/text.h"
#include "user32/dlgcontrols.h"
#include "user32/hwnd.h"
#include "user32/icons.h"
#include "resources/resources.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPointer>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <vector>

std::vector<WindowClass> &window_classes()
{
    static auto *c = new std::vector<WindowClass>; /* never destroyed: usable at exit */
    return *c;
}

namespace {

bool same_name(const char *a, const char *b)
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

/* The module handle of the program: a fixed value, Win32's classic image base. */
const HINSTANCE self_module = reinterpret_cast<HINSTANCE>(0x400000);

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

/* ---- the client area ------------------------------------------------- */

/* Assistive technology reads a client area as the text it shows. */
static QAccessibleInterface *client_accessible(const QString &, QObject *object)
{
    auto *view = qobject_cast<QWidget *>(object);
    auto *area = view ? dynamic_cast<ClientArea *>(view->parentWidget()) : nullptr;
    return area && area->viewport() == view ? screen_text_accessible(view, &area->screen) : nullptr;
}

ClientArea::ClientArea(Win32Window *owner) : QAbstractScrollArea(owner), screen(viewport()), win_(owner)
{
    static const bool installed = (QAccessible::installFactory(client_accessible), true);
    (void)installed;
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    /* The window procedure paints every pixel of what it is asked for, and
     * nothing is erased first: no background fill, scrolled pixels kept. */
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QScrollBar *ClientArea::bar(int nBar) const
{
    return nBar == SB_VERT ? verticalScrollBar() : horizontalScrollBar();
}

void ClientArea::paintEvent(QPaintEvent *event)
{
    painting = true;
    paintrect = event->rect();
    win_->send(WM_PAINT, 0, 0);
    painting = false;
    screen.tell();
    if (openpaint) {
        /* A BeginPaint without EndPaint: its painter must not outlive the event. */
        HDC dc = openpaint;
        openpaint = nullptr;
        delete_dc(dc);
    }
}

void ClientArea::sendsize()
{
    /* Both the area's own resize and its viewport's arrive here; the client
     * rectangle is the viewport, and WM_SIZE goes out when that changes. */
    const QSize s = viewport()->size();
    if (!win_->created || s == lastsize_)
        return;
    lastsize_ = s;
    win_->send(WM_SIZE, 0 /* SIZE_RESTORED */, MAKELPARAM(s.width(), s.height()));
}

void ClientArea::resizeEvent(QResizeEvent *)
{
    sendsize();
}

void ClientArea::wheelEvent(QWheelEvent *event)
{
    win_->wheel(event);
}

void ClientArea::keyPressEvent(QKeyEvent *event)
{
    static const std::pair<int, WPARAM> keys[] = {
        {Qt::Key_Up, VK_UP},        {Qt::Key_Down, VK_DOWN},     {Qt::Key_Left, VK_LEFT}, {Qt::Key_Right, VK_RIGHT},
        {Qt::Key_PageUp, VK_PRIOR}, {Qt::Key_PageDown, VK_NEXT}, {Qt::Key_Home, VK_HOME}, {Qt::Key_End, VK_END},
    };
    for (const auto &[key, vk] : keys) {
        if (event->key() == key) {
            win_->send(WM_KEYDOWN, vk, 1); /* a repeat count of 1 */
            event->accept();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void ClientArea::scrollContentsBy(int, int)
{
    /* Qt would repaint the whole viewport when a bar's value changes; here
     * only the window procedure moves pixels (ScrollWindowEx). */
}

/* ---- the window ------------------------------------------------------ */

Win32Window::Win32Window(WNDPROC p, HINSTANCE inst, DWORD st)
    : proc(p), instance(inst), style(st), client(new ClientArea(this))
{
    setCentralWidget(client);
}

LRESULT Win32Window::send(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (destroyed && msg != WM_DESTROY)
        return 0;
    return proc ? proc(hwnd, msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
}

void Win32Window::wheel(QWheelEvent *event)
{
    /* Win32's signs: up (away from the user) and right are positive; Qt's
     * x is positive to the left. */
    const QPoint d = event->angleDelta();
    const QPoint at = event->globalPosition().toPoint();
    const LPARAM where = MAKELPARAM(at.x(), at.y());
    WORD keys = 0;
    if (event->modifiers() & Qt::ShiftModifier)
        keys |= MK_SHIFT;
    if (event->modifiers() & Qt::ControlModifier)
        keys |= MK_CONTROL;
    if (d.y() != 0)
        send(WM_MOUSEWHEEL, MAKEWPARAM(keys, (WORD)(short)d.y()), where);
    if (d.x() != 0)
        send(WM_MOUSEHWHEEL, MAKEWPARAM(keys, (WORD)(short)-d.x()), where);
    event->accept();
}

void Win32Window::closeEvent(QCloseEvent *event)
{
    /* The window procedure decides: DefWindowProcA destroys the window. */
    event->ignore();
    if (!destroyed)
        send(WM_CLOSE, 0, 0);
}

Win32Window *win32_window(HWND hwnd)
{
    return dynamic_cast<Win32Window *>(hwnd_widget(hwnd));
}

/* ---- classes --------------------------------------------------------- */

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

/* ---- windows --------------------------------------------------------- */

HWND WINAPI CreateWindowExA(DWORD, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y, int nWidth,
                            int nHeight, HWND, HMENU, HINSTANCE hInstance, LPVOID)
{
    auto cls = lpClassName ? find_class(lpClassName) : window_classes().end();
    if (cls == window_classes().end()) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return NULL;
    }
    if ((dwStyle & WS_CHILD) || !qobject_cast<QApplication *>(QCoreApplication::instance())) {
        SetLastError(ERROR_INVALID_PARAMETER); /* only top-level windows, and only with Qt up */
        return NULL;
    }
    const WNDCLASSA wc = cls->wc;
    const std::string menuname = cls->menuname;

    /* This loop ends the program through WM_QUIT, never Qt's last-window rule. */
    QGuiApplication::setQuitOnLastWindowClosed(false);

    auto *win = new Win32Window(wc.lpfnWndProc, hInstance ? hInstance : wc.hInstance, dwStyle);
    win->hwnd = hwnd_register(win);
    SetWindowTextA(win->hwnd, lpWindowName ? lpWindowName : "");

    const char *menu = menuname.empty() ? wc.lpszMenuName : menuname.c_str();
    if (menu) {
        if (const rc::Menu *m = rc::find_menu(menu))
            add_menu_items(win, win->menuBar(), m->items);
    }
    if (wc.hIcon)
        win->setWindowIcon(icon_image(wc.hIcon));
    if (wc.hCursor && wc.hCursor->cursor)
        win->client->viewport()->setCursor(static_cast<Qt::CursorShape>(wc.hCursor->shape));

    for (int nBar : {SB_HORZ, SB_VERT}) {
        win->bars[nBar].shown = (dwStyle & (nBar == SB_VERT ? WS_VSCROLL : WS_HSCROLL)) != 0;
        wire_scroll_bar(win, nBar);
        sync_scroll_bar(win, nBar);
    }

    /* CW_USEDEFAULT in x leaves the place to the window system (y is then
     * ignored); in the width it gives the default size (the height is then
     * ignored): as Win32 sizes such a window, three quarters of the screen's
     * work area, less the distance of a given position from its corner. */
    if (nWidth == CW_USEDEFAULT) {
        const QScreen *screen = QGuiApplication::primaryScreen();
        const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 853, 640);
        const int dx = X == CW_USEDEFAULT ? 0 : std::max(X - work.left(), 0);
        const int dy = X == CW_USEDEFAULT ? 0 : std::max(Y - work.top(), 0);
        win->resize(std::max(work.width() * 3 / 4 - dx, 1), std::max(work.height() * 3 / 4 - dy, 1));
    } else {
        win->resize(std::max(nWidth, 1), std::max(nHeight, 1));
    }
    if (X != CW_USEDEFAULT)
        win->move(X, Y);
    /* Lay the window out now, so WM_CREATE and WM_SIZE see the real client size. */
    win->ensurePolished();
    if (QLayout *layout = win->layout())
        layout->activate();

    HWND hwnd = win->hwnd;
    if (win->send(WM_CREATE, 0, 0) == -1) {
        DestroyWindow(hwnd);
        return NULL;
    }
    if (!IsWindow(hwnd)) /* destroyed while it was being created */
        return NULL;
    win->created = true;
    win->client->sendsize();
    if (!IsWindow(hwnd))
        return NULL;
    if (dwStyle & WS_VISIBLE)
        ShowWindow(hwnd, SW_SHOWNORMAL);
    return hwnd;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow)
{
    QWidget *w = hwnd_widget(hWnd);
    if (!w)
        return FALSE;
    const BOOL wasvisible = w->isVisible();
    switch (nCmdShow) {
    case SW_HIDE: w->hide(); break;
    case SW_SHOWMINIMIZED: w->showMinimized(); break;
    case SW_SHOWMAXIMIZED: w->showMaximized(); break;
    default: w->showNormal(); break;
    }
    if (auto *win = dynamic_cast<Win32Window *>(w); win && nCmdShow != SW_HIDE) {
        win->activateWindow();
        win->client->setFocus();
    }
    return wasvisible;
}

BOOL WINAPI DestroyWindow(HWND hWnd)
{
    Win32Window *win = win32_window(hWnd);
    if (!win)
        return FALSE;
    if (win->destroyed)
        return TRUE;
    win->destroyed = true;
    win->send(WM_DESTROY, 0, 0);
    hwnd_unregister(hWnd);
    win->hide();
    /* Not deleted here: DestroyWindow may run inside one of the window's own
     * Qt event handlers (the close box, a menu item). */
    win->deleteLater();
    return TRUE;
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable)
{
    QWidget *w = hwnd_widget(hWnd);
    if (!w)
        return FALSE;
    const BOOL wasdisabled = !w->isEnabled();
    /* Qt drops the keyboard focus of a disabled window and does not give it
     * back: the window gets it back where it was, as in Win32. */
    if (auto *win = dynamic_cast<Win32Window *>(w); win && !bEnable && !wasdisabled)
        win->refocus = win->focusWidget() ? win->focusWidget() : win->client;
    w->setEnabled(bEnable != FALSE);
    if (auto *win = dynamic_cast<Win32Window *>(w); win && bEnable && wasdisabled && win->refocus)
        win->refocus->setFocus();
    return wasdisabled;
}

BOOL WINAPI IsWindow(HWND hWnd)
{
    return hwnd_widget(hWnd) != nullptr;
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString)
{
    QWidget *w = hwnd_widget(hWnd);
    if (!w)
        return FALSE;
    /* One store of a window's text for windows, dialogs and controls alike. */
    set_control_text(w, QByteArray(lpString ? lpString : ""));
    return TRUE;
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount)
{
    QWidget *w = hwnd_widget(hWnd);
    if (!lpString || nMaxCount <= 0)
        return 0;
    lpString[0] = '\0';
    if (!w)
        return 0;
    const QByteArray text = control_text(w);
    const size_t n = std::min((size_t)text.size(), (size_t)nMaxCount - 1);
    std::memcpy(lpString, text.data(), n);
    lpString[n] = '\0';
    return (int)n;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex)
{
    QWidget *w = hwnd_widget(hWnd);
    if (!w)
        return 0;
    auto *win = dynamic_cast<Win32Window *>(w);
    switch (nIndex) {
    case GWLP_HINSTANCE: return win ? (LONG_PTR)win->instance : (LONG_PTR)self_module;
    case GWL_STYLE: return win ? (LONG_PTR)win->style : 0;
    case GWL_ID: return 0;
    default: SetLastError(ERROR_INVALID_PARAMETER); return 0;
    }
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect)
{
    QWidget *w = hwnd_widget(hWnd);
    if (!w || !lpRect)
        return FALSE;
    if (auto *win = dynamic_cast<Win32Window *>(w))
        w = win->client->viewport();
    *lpRect = RECT{0, 0, w->width(), w->height()};
    return TRUE;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName)
{
    if (lpModuleName) {
        SetLastError(ERROR_FILE_NOT_FOUND); /* no other modules here */
        return NULL;
    }
    return self_module;
}
