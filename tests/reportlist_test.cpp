// Appending report lines against the real window: the vertical bar is
// enabled by the first line that does not fit and its range grows with each
// line after it; the view never moves; every append asks for a repaint.
#include "window_fixture.h"

class ReportListWindowTest : public MainWindowTest {
protected:
    int rpl = 0;
    void SetUp() override
    {
        MainWindowTest::SetUp();
        rpl = gl.rowsperline;
        /* Five rows: four whole ones and the partial one below them. */
        set_client_size(400, 4 * rpl + rpl / 2);
        ASSERT_EQ(gl.nDspLines, 5);
    }
};

// With nDspLines = 5: lines 1-5 leave the bar alone; line 6 enables it with
// range 0-5 and page 5; line 7 sets range 0-6 with page 5.
TEST_F(ReportListWindowTest, FirstLineBeyondTheRowsEnablesTheBar)
{
    const SCROLLINFO start = info(SB_VERT);
    for (int i = 1; i <= 5; ++i) {
        llprintf(100.0, "line %d", i);
        SCROLLINFO si = info(SB_VERT);
        EXPECT_FALSE(qbar(SB_VERT)->isEnabled()) << "after line " << i;
        EXPECT_EQ(si.nMax, start.nMax) << "after line " << i;
        EXPECT_EQ(si.nPage, start.nPage) << "after line " << i;
    }
    llprintf(100.0, "line 6");
    expect_bar(SB_VERT, 0, 5, 5, 0, true);
    llprintf(-1.0, "line 7");
    expect_bar(SB_VERT, 0, 6, 5, 0, true);
    EXPECT_EQ(gl.nNumItems, 7);
    expect_chain_consistent();
}

// Appending never moves the view: the top row keeps showing the first line
// while lines are added beyond the last row, before and after a paint.
TEST_F(ReportListWindowTest, AppendingNeverMovesTheView)
{
    gl.totalbytesused = 1000;
    llprintf(1000.0, "first");
    for (int i = 0; i < 30; ++i)
        llprintf(0.0, "more %d", i);
    run_events();
    EXPECT_EQ(gl.nCurPos, 0);
    expect_bar(SB_VERT, 0, 30, 5, 0, true);
    for (int i = 0; i < 10; ++i)
        llprintf(0.0, "later %d", i);
    run_events();
    EXPECT_EQ(gl.nCurPos, 0);
    expect_bar(SB_VERT, 0, 40, 5, 0, true);
    /* The full bar of the first line is still in the top row. */
    QImage img = grab();
    EXPECT_EQ(img.pixelColor(130, 1), highlight());
    EXPECT_NE(img.pixelColor(130, rpl + 1), highlight());
}

// Every append asks for a repaint of the whole client area, painted once the
// event loop runs again; an empty text is a line of its own.
TEST_F(ReportListWindowTest, AppendAsksForARepaint)
{
    run_events();
    spy.rects.clear();
    llprintf(-1.0, "%s", "");
    llprintf(-1.0, "x");
    EXPECT_TRUE(spy.rects.empty()) << "nothing paints before the loop runs";
    std::vector<QRect> painted = next_paint();
    ASSERT_EQ(painted.size(), 1u) << "the requests are painted together";
    EXPECT_EQ(painted[0], view->rect()) << rectstr(painted[0]);
    EXPECT_EQ(report_lines(), (std::vector<std::string>{"", "x"}));
}

// A failed allocation: one message, the line missing, the bar untouched; the
// lines before and after are all there.
TEST_F(ReportListWindowTest, FailedAllocationLeavesBarAsItWas)
{
    for (int i = 0; i < 6; ++i)
        llprintf(1.0, "line %d", i);
    testhooks::fail_global_alloc(2); /* the text block of the next line */
    EXPECT_EQ(llprintf(1.0, "lost"), 0);
    expect_bar(SB_VERT, 0, 5, 5, 0, true);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].caption, "Error");
    EXPECT_EQ(boxes()[0].type, (UINT)MB_ICONHAND);
    EXPECT_EQ(boxes()[0].owner, hwnd);
    EXPECT_EQ(llprintf(1.0, "line 6"), 1);
    expect_bar(SB_VERT, 0, 6, 5, 0, true);
    EXPECT_EQ(gl.nNumItems, 7);
    expect_chain_consistent();
}
