// Appending report lines against the real window's vertical bar, view and repaints.
#include "window_fixture.h"

class ReportListWindowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        const int rpl = gl.rowsperline; /* four whole rows and a partial one */
        set_client_size(400, 4 * rpl + rpl / 2);
        ASSERT_EQ(gl.nDspLines, 5);
    }
};

// nDspLines 5: lines 1-5 leave the bar, line 6 enables it 0-5 page 5, line 7
// sets 0-6 only; appends never move the view (the first line stays on top)
// and ask for one whole-area repaint, when the loop runs.
TEST_F(ReportListWindowTest, BarViewAndRepaint)
{
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
    for (int i = 0; i < 30; ++i) llprintf(0.0, "more %d", i);
    run_events();
    EXPECT_EQ(gl.nCurPos, 0);
    expect_bar(SB_VERT, 0, 36, 5, 0, true);
    EXPECT_EQ(grab().pixelColor(130, 1), highlight()) << "the first line's full bar on top";
    EXPECT_EQ(gl.nNumItems, 37);
    expect_chain_consistent();
}

// A failed allocation: one error box, the line missing, the bar untouched, the others all there.
TEST_F(ReportListWindowTest, FailedAllocationLeavesBarAsItWas)
{
    for (int i = 0; i < 6; ++i) llprintf(1.0, "line %d", i);
    testhooks::fail_global_alloc(2); /* the text block of the next line */
    EXPECT_EQ(llprintf(1.0, "lost"), 0);
    expect_bar(SB_VERT, 0, 5, 5, 0, true);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].caption + ": " + boxes()[0].text, "Error: Memory allocation failed <8>");
    EXPECT_EQ(std::make_pair(boxes()[0].type, boxes()[0].owner), std::make_pair((UINT)MB_ICONHAND, hwnd));
    EXPECT_EQ(llprintf(1.0, "line 6"), 1);
    expect_bar(SB_VERT, 0, 6, 5, 0, true);
    EXPECT_EQ(gl.nNumItems, 7);
    expect_chain_consistent();
}
