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

// nDspLines 5: lines 1-5 leave the bar, line 6 enables it 0-5 page 5, line 7 sets 0-6 only.
TEST_F(ReportListWindowTest, FirstLineBeyondTheRowsEnablesTheBar)
{
    const SCROLLINFO start = info(SB_VERT);
    for (int i = 1; i <= 5; ++i) {
        llprintf(100.0, "line %d", i);
        const SCROLLINFO si = info(SB_VERT);
        EXPECT_EQ(std::vector<int>({qbar(SB_VERT)->isEnabled(), si.nMax, (int)si.nPage}),
                  std::vector<int>({false, start.nMax, (int)start.nPage}))
            << "enabled, nMax, nPage after line " << i;
    }
    llprintf(100.0, "line 6");
    expect_bar(SB_VERT, 0, 5, 5, 0, true);
    EnableScrollBar(hwnd, SB_VERT, ESB_DISABLE_BOTH); /* shows whether line 7 enables it again */
    llprintf(-1.0, "line 7");
    expect_bar(SB_VERT, 0, 6, 5, 0, false);
    EXPECT_EQ(gl.nNumItems, 7);
    expect_chain_consistent();
}

// Appending never moves the view: the first line stays in the top row, before and after paints.
TEST_F(ReportListWindowTest, AppendingNeverMovesTheView)
{
    gl.totalbytesused = 1000;
    llprintf(1000.0, "first");
    for (int i = 0; i < 40; ++i) {
        llprintf(0.0, "more %d", i);
        if (i == 29 || i == 39) {
            run_events();
            EXPECT_EQ(gl.nCurPos, 0);
            expect_bar(SB_VERT, 0, i + 1, 5, 0, true);
        }
    }
    QImage img = grab();
    EXPECT_EQ(img.pixelColor(130, 1), highlight()) << "the first line's full bar";
    EXPECT_NE(img.pixelColor(130, gl.rowsperline + 1), highlight());
}

// Appends ask for one whole-area repaint when the loop runs; an empty text is a line of its own.
TEST_F(ReportListWindowTest, AppendAsksForARepaint)
{
    run_events();
    spy.rects.clear();
    llprintf(-1.0, "%s", "");
    llprintf(-1.0, "x");
    EXPECT_TRUE(spy.rects.empty()) << "nothing paints before the loop runs";
    std::vector<QRect> painted = next_paint();
    ASSERT_EQ(painted.size(), 1u) << "the requests are painted together";
    EXPECT_EQ(painted[0], view->rect());
    EXPECT_EQ(report_lines(), (std::vector<std::string>{"", "x"}));
}

// A failed allocation: one error box, the line missing, the bar untouched, the others all there.
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
