/*
 * clientarea.cpp - the layer's top-level window (window.h): its client area,
 * and Qt's events arriving at the window procedure as messages: the
 * viewport's paint as WM_PAINT, its resize as WM_SIZE, the close box as
 * WM_CLOSE, the wheel over the window as WM_MOUSEWHEEL (WM_MOUSEHWHEEL
 * sideways), the keys the program reads (arrows, PageUp, PageDown, Home,
 * End) as WM_KEYDOWN with their virtual-key codes. What they do is the
 * window procedure's business, as in Win32. Assistive technology reads the
 * client area as the text it shows (screentext.h).
 */
#include "user32/window.h"
#include "gdi32/dc.h"
#include "user32/hwnd.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <utility>

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

Win32Window::Win32Window(WNDPROC p, HINSTANCE inst) : proc(p), instance(inst), client(new ClientArea(this))
{
    setCentralWidget(client);
}

LRESULT Win32Window::send(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (destroyed && msg != WM_DESTROY)
        return 0;
    return proc(hwnd, msg, wParam, lParam); /* RegisterClassA takes no class without one */
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
