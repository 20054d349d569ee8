/* window_fixture.h - the real main window as WinMain makes it, without its loop, under a spy
 * procedure; helpers for sizes, bars, pixels, painted strips, and real message boxes. */
#ifndef TARVEL_TEST_WINDOW_FIXTURE_H
#define TARVEL_TEST_WINDOW_FIXTURE_H

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTimer>

#include <functional>
#include <ostream>
#include <tuple>
#include <vector>

#include "../src/platform/user32/hwnd.h"
#include "report_fixture.h"
#include "tarvel/tarvel.h"

inline void PrintTo(const QRect &r, std::ostream *os)
{
    *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

struct SeenMessage {
    UINT msg;
    WPARAM wParam;
    bool glhwndset; /* gl.hwnd named the window when WndProc returned */
};
inline std::vector<SeenMessage> seen_msgs;
/* When set and returning true, the message is handled there instead of by WndProc. */
inline std::function<bool(HWND, UINT)> intercept;

/* Clears gl.hwnd before each message, so only WndProc itself can set it. */
inline LRESULT CALLBACK spyproc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    gl.hwnd = NULL;
    const size_t at = seen_msgs.size();
    seen_msgs.push_back({msg, wParam, false});
    if (intercept && intercept(hwnd, msg)) {
        gl.hwnd = hwnd;
        return 0;
    }
    LRESULT r = WndProc(hwnd, msg, wParam, lParam);
    seen_msgs[at].glhwndset = gl.hwnd == hwnd;
    return r;
}

/* Takes every posted message and a pending quit off the queue, undispatched. */
inline void drain_queue()
{
    MSG m;
    for (PostQuitMessage(0); GetMessageA(&m, NULL, 0, 0);) {}
}

inline void run_events()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

/* The menu item with this text (its "&" included), or null. */
inline QAction *menu_action(QMainWindow *w, const QString &text)
{
    for (QAction *a : w->findChildren<QAction *>())
        if (a->text() == text && !a->menu())
            return a;
    return nullptr;
}

/* Records the update rectangle of every paint the viewport receives. */
struct PaintSpy : QObject {
    std::vector<QRect> rects;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            rects.push_back(static_cast<QPaintEvent *>(e)->rect());
        return false;
    }
};

/* Watches for the next real message box, notes how it looked and answers it
 * (with OK unless told otherwise); after 10 s without one, answer(nullptr). */
struct BoxWatcher {
    bool seen = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::TextFormat format = Qt::AutoText;
    QString text, title;
    QWidget *parent = nullptr;
    QMessageBox::StandardButtons buttons;
    std::function<void(QMessageBox *)> answer = [](QMessageBox *b) {
        if (b)
            b->button(QMessageBox::Ok)->click();
    };
    QTimer poll;
    int polls = 0;

    BoxWatcher()
    {
        QObject::connect(&poll, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box && ++polls < 2000)
                return;
            poll.stop();
            if (box)
                std::tie(seen, icon, format, text, title, parent, buttons) =
                    std::make_tuple(true, box->icon(), box->textFormat(), box->text(), box->windowTitle(),
                                    box->parentWidget(), box->standardButtons());
            answer(box);
        });
        poll.start(5);
    }
};

class MainWindowTest : public ReportTest {
protected:
    HWND hwnd = NULL;
    QMainWindow *top = nullptr;
    QAbstractScrollArea *area = nullptr;
    QWidget *view = nullptr;
    PaintSpy spy;

    void SetUp() override
    {
        ReportTest::SetUp();
        seen_msgs.clear();
        hwnd = createmainwindow(GetModuleHandleA(NULL), spyproc);
        ASSERT_NE(hwnd, (HWND)NULL);
        top = qobject_cast<QMainWindow *>(hwnd_widget(hwnd));
        ASSERT_NE(top, nullptr);
        area = top->findChild<QAbstractScrollArea *>();
        ASSERT_NE(area, nullptr);
        view = area->viewport();
        view->installEventFilter(&spy);
        ShowWindow(hwnd, SW_SHOWNORMAL);
        UpdateWindow(hwnd);
        run_events();
    }

    void TearDown() override
    {
        intercept = nullptr;
        if (view)
            view->removeEventFilter(&spy);
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
        drain_queue();
        testhooks::forget_window_classes();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        testhooks::answer_message_boxes(nullptr);
        ReportTest::TearDown();
    }

    QScrollBar *qbar(int nBar) { return nBar == SB_VERT ? area->verticalScrollBar() : area->horizontalScrollBar(); }

    SCROLLINFO info(int nBar)
    {
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
        EXPECT_TRUE(GetScrollInfo(hwnd, nBar, &si));
        return si;
    }
    /* The bar as Win32 reports it and as the visible QScrollBar shows it. */
    void expect_bar(int nBar, int nMin, int nMax, UINT nPage, int nPos, bool enabled)
    {
        SCROLLINFO si = info(nBar);
        QScrollBar *q = qbar(nBar);
        const int qmax = std::max<int>(nMin, nMax - std::max<int>((int)nPage - 1, 0)), page = (int)nPage;
        EXPECT_EQ(std::vector<int>({si.nMin, si.nMax, (int)si.nPage, si.nPos, q->minimum(), q->maximum(), q->pageStep(),
                                    q->value(), q->isEnabled(), q->isVisible()}),
                  std::vector<int>({nMin, nMax, page, nPos, nMin, qmax, page, nPos, enabled, true}))
            << (nBar == SB_VERT ? "vertical" : "horizontal")
            << ": nMin nMax nPage nPos, then QScrollBar min max page value enabled visible";
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
    /* How many pixels in rows y0..y1 are (or, with `is` false, are not) colour c. */
    int pixels(const QImage &img, int y0, int y1, QColor c, bool is = true)
    {
        int n = 0;
        for (int y = std::max(y0, 0); y < std::min(y1, img.height()); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += (img.pixelColor(x, y) == c) == is;
        return n;
    }
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
