/*
 * window_fixture.h - the real main window, made as WinMain makes it but
 * without its message loop, under a spy window procedure that records every
 * message and hands it on to WndProc; helpers to size the client area, run
 * Qt's events, read the bars and the pixels, and see which strips a paint
 * was asked for.
 */
#ifndef TARVEL_TEST_WINDOW_FIXTURE_H
#define TARVEL_TEST_WINDOW_FIXTURE_H

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QMainWindow>
#include <QPaintEvent>
#include <QScrollBar>

#include <string>
#include <vector>

#include "../src/platform/user32/hwnd.h"
#include "report_fixture.h"
#include "tarvel/tarvel.h"

struct SeenMessage {
    UINT msg;
    WPARAM wParam;
    bool glhwndset; /* gl.hwnd named the window when WndProc returned */
};

inline std::vector<SeenMessage> &seen_messages()
{
    static std::vector<SeenMessage> seen;
    return seen;
}

/* Clears gl.hwnd before each message, so only WndProc itself can set it. */
inline LRESULT CALLBACK spyproc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    gl.hwnd = NULL;
    const size_t at = seen_messages().size(); /* in the order they arrive */
    seen_messages().push_back({msg, wParam, false});
    LRESULT r = WndProc(hwnd, msg, wParam, lParam);
    seen_messages()[at].glhwndset = gl.hwnd == hwnd;
    return r;
}

/* Every posted message and a pending quit are taken off the queue (not
 * dispatched), so the next test starts with an empty one. */
inline void drain_queue()
{
    MSG m;
    PostQuitMessage(0);
    while (GetMessageA(&m, NULL, 0, 0)) {
    }
}

/* Records the update rectangle of every paint the viewport receives. */
class PaintSpy : public QObject {
public:
    std::vector<QRect> rects;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            rects.push_back(static_cast<QPaintEvent *>(e)->rect());
        return false;
    }
};

inline void run_events()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

inline std::string rectstr(const QRect &r)
{
    return "(" + std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) +
           "x" + std::to_string(r.height()) + ")";
}

class MainWindowTest : public ReportTest {
protected:
    HWND hwnd = NULL;
    QMainWindow *top = nullptr;
    QAbstractScrollArea *area = nullptr;
    QWidget *view = nullptr;
    PaintSpy spy;

    /* Registers the class and creates the window exactly as WinMain does,
     * with the spy in place of WndProc. */
    HWND create_window(WNDPROC proc = spyproc)
    {
        WNDCLASSA wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.hIcon = LoadIconA(wc.hInstance, lpszAppName);
        wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
        wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
        wc.lpszMenuName = lpszAppName;
        wc.lpszClassName = lpszAppName;
        if (!RegisterClassA(&wc))
            return NULL;
        return CreateWindowExA(0, lpszAppName, lpszTitle, WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL,
                               CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, NULL, NULL, wc.hInstance, NULL);
    }

    void SetUp() override
    {
        ReportTest::SetUp();
        seen_messages().clear();
        hwnd = create_window();
        ASSERT_NE(hwnd, (HWND)NULL);
        find_widgets();
        ShowWindow(hwnd, SW_SHOWNORMAL);
        UpdateWindow(hwnd);
        run_events();
    }

    void TearDown() override
    {
        if (view)
            view->removeEventFilter(&spy);
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
        drain_queue();
        UnregisterClassA(lpszAppName, NULL);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        testhooks::answer_message_boxes(nullptr);
        ReportTest::TearDown();
    }

    void find_widgets()
    {
        top = qobject_cast<QMainWindow *>(hwnd_widget(hwnd));
        ASSERT_NE(top, nullptr);
        area = top->findChild<QAbstractScrollArea *>();
        ASSERT_NE(area, nullptr);
        view = area->viewport();
        view->installEventFilter(&spy);
    }

    QScrollBar *qbar(int nBar) { return nBar == SB_VERT ? area->verticalScrollBar() : area->horizontalScrollBar(); }

    SCROLLINFO info(int nBar)
    {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        EXPECT_TRUE(GetScrollInfo(hwnd, nBar, &si));
        return si;
    }

    /* The bar as Win32 reports it and as the QScrollBar shows it agree, and
     * are as expected. */
    void expect_bar(int nBar, int nMin, int nMax, UINT nPage, int nPos, bool enabled)
    {
        SCROLLINFO si = info(nBar);
        const char *name = nBar == SB_VERT ? "vertical" : "horizontal";
        EXPECT_EQ(si.nMin, nMin) << name;
        EXPECT_EQ(si.nMax, nMax) << name;
        EXPECT_EQ(si.nPage, nPage) << name;
        EXPECT_EQ(si.nPos, nPos) << name;
        QScrollBar *q = qbar(nBar);
        EXPECT_EQ(q->minimum(), nMin) << name;
        EXPECT_EQ(q->maximum(), std::max<int>(nMin, nMax - std::max<int>((int)nPage - 1, 0))) << name;
        EXPECT_EQ(q->pageStep(), (int)nPage) << name;
        EXPECT_EQ(q->value(), nPos) << name;
        EXPECT_EQ(q->isEnabled(), enabled) << name;
        EXPECT_TRUE(q->isVisible()) << name;
    }

    /* Resizes the window so that the client area is w x h pixels. */
    void set_client_size(int w, int h)
    {
        for (int i = 0; i < 3 && view->size() != QSize(w, h); ++i) {
            top->resize(top->size() + (QSize(w, h) - view->size()));
            run_events();
        }
        ASSERT_EQ(view->size(), QSize(w, h)) << "client area could not be sized";
    }

    QImage grab() { return view->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    QColor base() const { return view->palette().color(QPalette::Active, QPalette::Base); }
    QColor highlight() const { return view->palette().color(QPalette::Active, QPalette::Highlight); }

    /* Paints only what is pending and returns the strips that were asked for. */
    std::vector<QRect> next_paint()
    {
        spy.rects.clear();
        run_events();
        return spy.rects;
    }
};

#endif
