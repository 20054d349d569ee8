// The report on the real window: appends and the vertical bar, vScroll and
// hScroll, resize, the strips a scroll repaints, the thumb dragged through
// long reports.
#include "window_fixture.h"

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
        for (int i = 0; i < n; ++i)
            llprintf(0.0, "line %d", i);
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
        {"line up at 0", SB_VERT, 0, SB_LINEUP, 0, 0},
        {"line down", SB_VERT, 0, SB_LINEDOWN, 0, 1},
        {"page up", SB_VERT, 50, SB_PAGEUP, 0, 40},
        {"page down from 85 clamped", SB_VERT, 85, SB_PAGEDOWN, 0, 90},
        {"thumb track", SB_VERT, 0, SB_THUMBTRACK, 40, 40},
        {"thumb position where the track left it", SB_VERT, 40, SB_THUMBPOSITION, 40, 40},
        {"top", SB_VERT, 50, SB_TOP, 7, 50},
        {"bottom", SB_VERT, 50, SB_BOTTOM, 7, 50},
        {"end scroll", SB_VERT, 50, SB_ENDSCROLL, 7, 50},
        {"unknown code 200", SB_VERT, 50, 200, 7, 50},
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
// and moves the pixels only as far as the bar's position says the view goes
// (a page up from 90 with the bar at 80: 10 rows, not 20).
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
    size_rows(10);
    scroll(SB_VERT, SB_THUMBPOSITION, 90);
    size_rows(20);
    ASSERT_EQ(gl.nCurPos, 90);
    next_paint();
    scroll(SB_VERT, SB_PAGEUP);
    EXPECT_EQ(gl.nCurPos, 70);
    EXPECT_EQ(next_paint(), std::vector<QRect>{QRect(0, 0, 400, 10 * rpl)}) << "ten rows";
    llprintf(0.0, "one more");
    EXPECT_EQ(gl.nCurPos, 70);
    expect_bar(SB_VERT, 0, 100, 20, 70, true); /* at once, not only once a paint puts it back */

    size_rows(110);
    EXPECT_EQ(gl.nCurPos, 70);
    expect_bar(SB_VERT, 0, 100, 20, 70, false); /* range, page and position kept */
    EXPECT_EQ(pixels(grab(), 31 * rpl, 110 * rpl, base(), false), 0) << "background below the last line";
    size_rows(20);
    expect_bar(SB_VERT, 0, 100, 20, 70, true);
    EXPECT_EQ(gl.nCurPos, 70);
}

// nDspLines 5: lines 1-5 leave the bar, line 6 enables it 0-5 page 5, line 7
// sets 0-6 only; appends never move the view (the first line stays on top)
// and ask for one whole-area repaint, when the loop runs.
TEST_F(ScrollTest, AppendsSetTheBarAndRepaintNeverMoveTheView)
{
    size_rows(5);
    run_events();
    spy.rects.clear();
    const SCROLLINFO start = info(SB_VERT);
    gl.totalbytesused = 100;
    for (int i = 1; i <= 5; ++i) {
        llprintf(100.0, "line %d", i);
        const SCROLLINFO si = info(SB_VERT);
        EXPECT_EQ(std::vector<int>({qbar(SB_VERT)->isEnabled(), si.nMax, (int)si.nPage}),
                  std::vector<int>({false, start.nMax, (int)start.nPage}))
            << "enabled, nMax, nPage after line " << i;
    }
    llprintf(0.0, "%s", "");
    expect_bar(SB_VERT, 0, 5, 5, 0, true);
    EXPECT_TRUE(spy.rects.empty()) << "nothing paints before the loop runs";
    EXPECT_EQ(next_paint(), std::vector<QRect>{view->rect()}) << "the requests are painted together";
    EnableScrollBar(hwnd, SB_VERT, ESB_DISABLE_BOTH); /* shows whether line 7 enables it again */
    llprintf(-1.0, "line 7");
    expect_bar(SB_VERT, 0, 6, 5, 0, false);
    for (int i = 0; i < 30; ++i)
        llprintf(0.0, "more %d", i);
    run_events();
    EXPECT_EQ(gl.nCurPos, 0);
    expect_bar(SB_VERT, 0, 36, 5, 0, true);
    EXPECT_EQ(grab().pixelColor(130, 1), highlight()) << "the first line's full bar on top";
    EXPECT_EQ(gl.nNumItems, 37);
    expect_chain_consistent();
}

// A failed allocation: one error box, the line missing, the bar untouched, the others all there.
TEST_F(ScrollTest, FailedAppendLeavesTheBarAsItWas)
{
    size_rows(5);
    for (int i = 0; i < 6; ++i)
        llprintf(1.0, "line %d", i);
    testhooks::fail_global_alloc(2); /* the text block of the next line */
    EXPECT_EQ(llprintf(1.0, "lost"), 0);
    expect_bar(SB_VERT, 0, 5, 5, 0, true);
    ASSERT_EQ(box_texts(), std::vector<std::string>{"Error: Memory allocation failed <8>"});
    EXPECT_EQ(std::make_pair(boxes()[0].type, boxes()[0].owner), std::make_pair((UINT)MB_ICONHAND, hwnd));
    EXPECT_EQ(llprintf(1.0, "line 6"), 1);
    expect_bar(SB_VERT, 0, 6, 5, 0, true);
    EXPECT_EQ(gl.nNumItems, 7);
    expect_chain_consistent();
}
