/*
 * cursor.cpp - the system cursors.
 *
 *   LoadCursorA   IDC_ARROW and IDC_WAIT of the system (hInstance NULL);
 *                 the program has no cursor resources of its own.
 *   SetCursor     makes the cursor the application's: the wait cursor (and
 *                 NULL, no cursor) as a Qt override cursor, sent to the window
 *                 system at once, since a long operation runs without the
 *                 event loop that would otherwise send it; the arrow removes
 *                 the override. Returns the previous cursor.
 *   GetCursor     the cursor last set (the arrow at start).
 * Before any window or without a QGuiApplication these only keep the handle.
 * A message box or dialog shows the arrow while it is up (ModalArrow,
 * modal.h); the cursor the program set is back when it has gone.
 */
#include <windows.h>

#include "user32/icons.h"
#include "user32/modal.h"

#include <QCursor>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace {

HICON__ arrow{true, Qt::ArrowCursor, {}};
HICON__ hourglass{true, Qt::WaitCursor, {}};
HCURSOR current = &arrow;
bool overriding = false; /* our override cursor is on Qt's stack */

/* Sends what Qt has asked of the X server so far, so that the wait cursor is
 * on screen while the survey keeps the event loop from running. Qt's own
 * QGuiApplication::sync() would first dispatch pending events, re-entering
 * the program in the middle of its survey; xcb_flush only sends. Under
 * other platforms (offscreen, Wayland) there is no X connection: nothing to
 * send. */
void flush_window_system()
{
#if QT_CONFIG(xcb)
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 && x11->connection())
        xcb_flush(x11->connection());
#endif
}

} // namespace

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName)
{
    if (!hInstance && lpCursorName == IDC_ARROW)
        return &arrow;
    if (!hInstance && lpCursorName == IDC_WAIT)
        return &hourglass;
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return NULL;
}

HCURSOR WINAPI SetCursor(HCURSOR hCursor)
{
    if (hCursor && !hCursor->cursor)
        return current; /* an icon handle is no cursor; nothing changes */
    HCURSOR previous = current;
    current = hCursor;
    if (!qGuiApp)
        return previous;

    if (hCursor == &arrow) {
        if (overriding) {
            QGuiApplication::restoreOverrideCursor();
            overriding = false;
        }
    } else {
        const QCursor shape(hCursor ? static_cast<Qt::CursorShape>(hCursor->shape) : Qt::BlankCursor);
        if (overriding)
            QGuiApplication::changeOverrideCursor(shape);
        else
            QGuiApplication::setOverrideCursor(shape);
        overriding = true;
    }
    flush_window_system();
    return previous;
}

HCURSOR WINAPI GetCursor(void)
{
    return current;
}

ModalArrow::ModalArrow() : pushed_(qGuiApp && overriding)
{
    /* Only over the program's own override: without one the arrow shows anyway. */
    if (pushed_) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
        flush_window_system();
    }
}

ModalArrow::~ModalArrow()
{
    if (pushed_ && qGuiApp) {
        QGuiApplication::restoreOverrideCursor();
        flush_window_system();
    }
}
