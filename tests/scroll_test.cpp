// Scrolling the report: vScroll/hScroll on the real window's bars, resize, the strips a
// scroll repaints, Qt's bar, wheel and keys as WM_VSCROLL/WM_HSCROLL.
#include "window_fixture.h"

#include <QKeyEvent>
#include <QWheelEvent>

using M = std::pair<UINT, WPARAM>;

static std::vector<M> scroll_messages()
{
    std::vector<M> m;
    for (const SeenMessage &s : seen_msgs)
        if (s.msg == WM_VSCROLL || s.msg == WM_HSCROLL) m.emplace_back(s.msg, s.wParam);
    return m;
}

class ScrollTest : public MainWindowTest {
protected:
    int rpl = 0, cpc = 0; /* row height and column step of the real font */

    void SetUp() override
    {
        MainWindowTest::SetUp();
        rpl = gl.rowsperline;
        cpc = gl.colsperchar;
        ASSERT_TRUE(rpl > 1 && cpc > 1) << rpl << " " << cpc;
    }
    void fill(int n)
    {
        for (int i = 0; i < n; ++i) llprintf(0.0, "line %d", i);
    }
    /* A client area showing `rows` rows (whole ones, plus the partial one). */
    void size_rows(int rows)
    {
        set_client_size(400, (rows - 1) * rpl);
        ASSERT_EQ(gl.nDspLines, rows);
    }
    void scroll(int nBar, int code, int pos = 0)
    {
        SendMessageA(hwnd, nBar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, pos), 0);
    }
};

// Each action from a start position, 100 lines in 10 rows: position, bar, and the strip repainted.
TEST_F(ScrollTest, ActionsMoveClampAndRepaintTheUncoveredStrip)
{
    size_rows(10);
    fill(100);
    const struct {
        const char *name;
        int bar, start, code, thumb, pos;
    } cases[] = {
        {"line up at 0", SB_VERT, 0, SB_LINEUP, 0, 0},       {"line down", SB_VERT, 0, SB_LINEDOWN, 0, 1},
        {"page up", SB_VERT, 50, SB_PAGEUP, 0, 40},
        {"page down from 85 clamped", SB_VERT, 85, SB_PAGEDOWN, 0, 90},
        {"thumb track", SB_VERT, 0, SB_THUMBTRACK, 40, 40},
        {"thumb position where the track left it", SB_VERT, 40, SB_THUMBPOSITION, 40, 40},
        {"top", SB_VERT, 50, SB_TOP, 7, 50},                 {"bottom", SB_VERT, 50, SB_BOTTOM, 7, 50},
        {"end scroll", SB_VERT, 50, SB_ENDSCROLL, 7, 50},    {"unknown code 200", SB_VERT, 50, 200, 7, 50},
        {"line left at 0", SB_HORZ, 0, SB_LINELEFT, 0, 0},
        {"line right at 221", SB_HORZ, 221, SB_LINERIGHT, 0, 221},
        {"page right from 200", SB_HORZ, 200, SB_PAGERIGHT, 0, 221},
        {"thumb beyond the end", SB_HORZ, 100, SB_THUMBTRACK, 5000, 221},
        {"thumb back to 0", SB_HORZ, 221, SB_THUMBTRACK, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const bool v = c.bar == SB_VERT;
        scroll(c.bar, SB_THUMBPOSITION, c.start);
        ASSERT_EQ(v ? gl.nCurPos : gl.hcurpos, c.start);
        next_paint();
        scroll(c.bar, c.code, c.thumb);
        EXPECT_EQ(v ? gl.nCurPos : gl.hcurpos, c.pos);
        expect_bar(c.bar, 0, v ? 99 : 260, v ? 10 : 40, c.pos, true);

        const int moved = c.pos - c.start, w = view->width(), h = view->height();
        const int ext = std::min(std::abs(moved) * (v ? rpl : cpc), v ? h : w);
        std::vector<QRect> want;
        if (moved != 0)
            want.push_back(v ? (moved > 0 ? QRect(0, h - ext, w, ext) : QRect(0, 0, w, ext))
                             : (moved > 0 ? QRect(w - ext, 0, ext, h) : QRect(0, 0, ext, h)));
        EXPECT_EQ(next_paint(), want) << "strips painted";
    }
}

// The real QScrollBar dragged and clicked sends scroll codes and never moves by itself.
TEST_F(ScrollTest, QtBarSendsScrollCodesAndMovesOnlyWhereTold)
{
    size_rows(10);
    fill(100);
    run_events();
    seen_msgs.clear();
    QScrollBar *q = qbar(SB_VERT);
    q->setSliderDown(true);
    q->setSliderPosition(30);
    EXPECT_EQ(gl.nCurPos, 30);
    SCROLLINFO si{sizeof si, SIF_TRACKPOS, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(hwnd, SB_VERT, &si));
    EXPECT_EQ(si.nTrackPos, 30);
    q->setSliderPosition(33);
    q->setSliderDown(false);
    EXPECT_EQ(gl.nCurPos, 33);
    expect_bar(SB_VERT, 0, 99, 10, 33, true);

    q->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(gl.nCurPos, 43);
    q->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(gl.nCurPos, 43) << "SB_BOTTOM does not move the view";
    EXPECT_EQ(q->value(), 43) << "the bar moves only where the program puts it";
    std::vector<M> want{{WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 30)}, {WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 33)},
                        {WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 33)}};
    for (WPARAM code : {SB_ENDSCROLL, SB_PAGEDOWN, SB_ENDSCROLL, SB_BOTTOM, SB_ENDSCROLL})
        want.emplace_back(WM_VSCROLL, code);
    EXPECT_EQ(scroll_messages(), want);
}

// Dragging the thumb reaches every line, also beyond the 16 bits of the
// message's thumb position (the classic wrap past 65,535 lines).
TEST_F(ScrollTest, ThumbDragReachesTheLastLineOfLongReports)
{
    size_rows(10);
    for (int n : {65536, 70000}) {
        SCOPED_TRACE(std::to_string(n) + " lines");
        reset_report();
        gl.hwnd = hwnd;
        fill(n);
        run_events();
        QScrollBar *q = qbar(SB_VERT);
        const int last = n - gl.nDspLines;
        for (int target : {last - 3, last}) {
            q->setSliderDown(true);
            q->setSliderPosition(target);
            EXPECT_EQ(gl.nCurPos, target) << "while dragging";
            q->setSliderDown(false);
            EXPECT_EQ(gl.nCurPos, target) << "after the release";
        }
        expect_bar(SB_VERT, 0, n - 1, gl.nDspLines, last, true);
    }
}

// Lines that fill the rows exactly need no bar. Scrolled to the end and the
// window then enlarged part way, gl.nCurPos lies beyond the bar's last
// position: resize keeps it; the next scroll changes gl.nCurPos, clamps it,
// and moves the pixels only as far as the bar's position says the view goes.
// Appending then leaves the view where it is. Enlarged until all lines fit,
// the bar is disabled with its position kept, and comes back there.
TEST_F(ScrollTest, ScrollAfterEnlargingPartWay)
{
    size_rows(10);
    fill(10);
    resize();
    EXPECT_FALSE(qbar(SB_VERT)->isEnabled()) << "10 lines in 10 rows";
    fill(90);
    scroll(SB_VERT, SB_THUMBPOSITION, 90);
    size_rows(20);
    EXPECT_EQ(gl.nCurPos, 90) << "resize leaves the position";
    expect_bar(SB_VERT, 0, 99, 20, 80, true);
    next_paint();
    scroll(SB_VERT, SB_LINEUP);
    EXPECT_EQ(gl.nCurPos, 80) << "89 clamped to 80, where the bar is";
    EXPECT_TRUE(next_paint().empty()) << "nothing moved";
    scroll(SB_VERT, SB_LINEUP);
    EXPECT_EQ(gl.nCurPos, 79);
    EXPECT_EQ(next_paint(), std::vector<QRect>{QRect(0, 0, 400, rpl)}) << "one row";
    llprintf(0.0, "one more");
    EXPECT_EQ(gl.nCurPos, 79);
    expect_bar(SB_VERT, 0, 100, 20, 79, true); /* at once, not only once a paint puts it back */

    size_rows(110);
    EXPECT_EQ(gl.nCurPos, 79);
    expect_bar(SB_VERT, 0, 100, 20, 79, false); /* range, page and position kept */
    EXPECT_EQ(pixels(grab(), 22 * rpl, 110 * rpl, base(), false), 0) << "background below the last line";
    size_rows(20);
    expect_bar(SB_VERT, 0, 100, 20, 79, true);
    EXPECT_EQ(gl.nCurPos, 79);
}

// Wheel (a notch is 3 lines, Shift sideways) and keys arrive as scroll messages while the bar is enabled.
TEST_F(ScrollTest, WheelAndKeys)
{
    size_rows(10);
    run_events();
    auto wheel = [&](int dy, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWheelEvent ev(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, dy), Qt::NoButton, mods,
                       Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view, &ev);
    };
    auto key = [&](int k) {
        QKeyEvent ev(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(area, &ev);
    };

    seen_msgs.clear();
    wheel(-120);
    key(Qt::Key_PageDown);
    EXPECT_TRUE(scroll_messages().empty()) << "the vertical bar is disabled while the lines fit";

    fill(100);
    const struct {
        int dy, key, pos, hpos;
        UINT msg;
        WPARAM code;
        size_t n; /* messages sent: n times msg with code */
    } steps[] = {{-120, 0, 3, 0, WM_VSCROLL, SB_LINEDOWN, 3},
                 {-60, 0, 3, 0, WM_VSCROLL, SB_LINEDOWN, 0} /* half a notch waits for the other half */,
                 {-60, 0, 6, 0, WM_VSCROLL, SB_LINEDOWN, 3},
                 {120, 0, 3, 0, WM_VSCROLL, SB_LINEUP, 3},
                 {0, Qt::Key_PageDown, 13, 0, WM_VSCROLL, SB_PAGEDOWN, 1},
                 {0, Qt::Key_Up, 12, 0, WM_VSCROLL, SB_LINEUP, 1},
                 {0, Qt::Key_PageUp, 2, 0, WM_VSCROLL, SB_PAGEUP, 1},
                 {-120, -1 /* with Shift */, 2, 3, WM_HSCROLL, SB_LINERIGHT, 3},
                 {0, Qt::Key_Left, 2, 2, WM_HSCROLL, SB_LINELEFT, 1}};
    for (const auto &s : steps) {
        SCOPED_TRACE("wheel " + std::to_string(s.dy) + ", key " + std::to_string(s.key));
        seen_msgs.clear();
        s.key > 0 ? key(s.key) : wheel(s.dy, s.key ? Qt::ShiftModifier : Qt::NoModifier);
        EXPECT_EQ(std::vector<int>({gl.nCurPos, gl.hcurpos}), std::vector<int>({s.pos, s.hpos}));
        EXPECT_EQ(scroll_messages(), std::vector<M>(s.n, M(s.msg, s.code)));
    }
}
