/*
 * window.h - the layer's top-level window (CreateWindowExA) as the other
 * USER32/GDI32 files see it: a QMainWindow with a menu bar and a client area
 * that is a QAbstractScrollArea whose viewport is painted opaquely, plus the
 * Win32 state of its two window scroll bars.
 */
#ifndef TARVEL_PLATFORM_WINDOW_H
#define TARVEL_PLATFORM_WINDOW_H

#include <windows.h>

#include <QAbstractScrollArea>
#include <QMainWindow>
#include <QPointer>
#include <QRect>

#include <string>

#include "user32/screentext.h"

class QScrollBar;
class QWheelEvent;

/* One window scroll bar as Win32 keeps it. This is the authoritative state;
 * the QScrollBar only shows it (sync_scroll_bar). */
struct ScrollBarState {
    SCROLLINFO si{sizeof(SCROLLINFO), 0, 0, 100, 0, 0, 0}; /* Win32's default range 0-100 */
    bool shown = false;
    bool enabled = true;
    bool tracking = false; /* the thumb is being dragged; si.nTrackPos follows it */
};

class Win32Window;

/* The client area. Its viewport is the Win32 client rectangle. */
class ClientArea : public QAbstractScrollArea {
public:
    explicit ClientArea(Win32Window *owner);
    QScrollBar *bar(int nBar) const;
    /* Sends WM_SIZE when the client size differs from the one last sent. */
    void sendsize();
    /* A Win32 client area may shrink to nothing. */
    QSize minimumSizeHint() const override { return QSize(0, 0); }

    ScreenText screen;       /* what the viewport shows, for assistive technology */
    bool painting = false;   /* inside the viewport's paint event */
    QRect paintrect;         /* that paint's update rectangle */
    HDC openpaint = nullptr; /* the context of this paint's BeginPaint, until its EndPaint */

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    Win32Window *win_;
    QSize lastsize_;
};

class Win32Window : public QMainWindow {
public:
    Win32Window(WNDPROC proc, HINSTANCE instance);

    /* Calls the window procedure; 0 once the window has been destroyed. */
    LRESULT send(UINT msg, WPARAM wParam, LPARAM lParam);
    /* A wheel over the window, client or bars: WM_MOUSEWHEEL, WM_MOUSEHWHEEL. */
    void wheel(QWheelEvent *event);

    HWND hwnd = NULL;
    WNDPROC proc;
    HINSTANCE instance;
    ClientArea *client;
    ScrollBarState bars[2];    /* [SB_HORZ], [SB_VERT] */
    bool created = false;      /* WM_CREATE has been answered: Qt events may become messages */
    bool destroyed = false;    /* WM_DESTROY has been sent */
    QPointer<QWidget> refocus; /* where the keyboard focus was when EnableWindow disabled it */

protected:
    void closeEvent(QCloseEvent *event) override;
};

/* The live window of `hwnd`, or nullptr (a null, stale or foreign handle). */
Win32Window *win32_window(HWND hwnd);

#endif
