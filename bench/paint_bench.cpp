// tarvel-bench-paint: how long one full paint of the real main window takes
// with the view at the end of a 100,000-line report (offscreen), and how
// large the strip is that a one-line scroll has repainted.
//
//   QT_QPA_PLATFORM=offscreen tarvel-bench-paint [LINES] [PAINTS]
//
// Prints one line per figure: the median and the fastest and slowest of the
// full paints in milliseconds, and the repainted strips of a one-line scroll
// up and down against the client size.
#include <windows.h>

#include "tarvel/tarvel.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMainWindow>
#include <QPaintEvent>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

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

void run_events()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

std::string strips(const std::vector<QRect> &rects)
{
    std::string s;
    for (const QRect &r : rects)
        s += (s.empty() ? "" : " + ") + std::to_string(r.width()) + "x" + std::to_string(r.height()) + " at y " +
             std::to_string(r.y());
    return s.empty() ? "nothing" : s;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int paints = argc > 2 ? std::atoi(argv[2]) : 201;

    HWND hwnd = createmainwindow(GetModuleHandleA(NULL), WndProc);
    if (!hwnd) {
        std::fprintf(stderr, "tarvel-bench-paint: no window\n");
        return 1;
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    run_events();

    QAbstractScrollArea *area = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *mw = qobject_cast<QMainWindow *>(w); mw && mw->isVisible()) {
            mw->resize(1000, 800); /* the same window on every host */
            area = mw->findChild<QAbstractScrollArea *>();
        }
    if (!area)
        return 1;
    run_events();
    QWidget *view = area->viewport();

    /* A report like a survey's: a heading, directory lines with bars of all
     * sizes and long paths, a closing line. */
    gl.totalbytesused = 1e9;
    llprintf(-1.0, "Drive / has a cluster size of %d bytes", 4096);
    for (int i = 1; i < lines - 1; ++i)
        llprintf((double)(i * 7919L % 1000000000L),
                 "/home/ann/projects/tarvel/tree/dir%06d/sub/*.*  used %dK here + %dK sub dir, wasted %dK", i, i % 977,
                 i % 4099, i % 31);
    llprintf(-1.0, "%s", "");
    run_events();

    /* To the end: the thumb carries 16 bits, then page by page. */
    SendMessageA(hwnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 65535), 0);
    for (int before = -1; before != gl.nCurPos;) {
        before = gl.nCurPos;
        SendMessageA(hwnd, WM_VSCROLL, SB_PAGEDOWN, 0);
    }
    run_events();

    QElapsedTimer t;
    /* Sorted paint times in milliseconds: WM_PAINT over the whole client area, now. */
    auto full_paints = [&] {
        std::vector<double> ms;
        for (int i = 0; i < paints; ++i) {
            t.start();
            view->repaint();
            ms.push_back(t.nsecsElapsed() / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        return ms;
    };
    std::vector<double> ms = full_paints();
    std::printf("report of %d lines, view at line %d, client %dx%d, %d rows of %d px\n", gl.nNumItems, gl.nCurPos,
                view->width(), view->height(), gl.nDspLines, gl.rowsperline);
    std::printf("full paint at the end: median %.3f ms, fastest %.3f ms, slowest %.3f ms (%d paints)\n",
                ms[ms.size() / 2], ms.front(), ms.back(), paints);

    PaintSpy spy;
    view->installEventFilter(&spy);
    SendMessageA(hwnd, WM_VSCROLL, SB_LINEUP, 0);
    run_events();
    std::printf("one line up repainted: %s of %dx%d\n", strips(spy.rects).c_str(), view->width(), view->height());
    spy.rects.clear();
    SendMessageA(hwnd, WM_VSCROLL, SB_LINEDOWN, 0);
    run_events();
    std::printf("one line down repainted: %s of %dx%d\n", strips(spy.rects).c_str(), view->width(), view->height());

    /* A one-line scroll with its strip painted, timed the same way. */
    std::vector<double> sms;
    for (int i = 0; i < paints; ++i) {
        t.start();
        SendMessageA(hwnd, WM_VSCROLL, i % 2 ? SB_LINEDOWN : SB_LINEUP, 0);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        sms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(sms.begin(), sms.end());
    std::printf("one-line scroll and its repaint: median %.3f ms\n", sms[sms.size() / 2]);
    view->removeEventFilter(&spy);

    /* For comparison: the same paint at the top, where no chain is walked. */
    SendMessageA(hwnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    run_events();
    ms = full_paints();
    std::printf("full paint at the top: median %.3f ms\n", ms[ms.size() / 2]);
    DestroyWindow(hwnd);
    return 0;
}
