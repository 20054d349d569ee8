// Scrolling the report: vScroll/hScroll on the real window's bars, resize,
// the strips a scroll has repainted, and Qt's bar, wheel and key actions
// arriving as WM_VSCROLL/WM_HSCROLL.
#include "window_fixture.h"

#include <QKeyEvent>
#include <QWheelEvent>

namespace {

std::vector<std::pair<UINT, WPARAM>> scroll_messages()
{
    std::vector<std::pair<UINT, WPARAM>> m;
    for (const SeenMessage &s : seen_messages())
        if (s.msg == WM_VSCROLL || s.msg == WM_HSCROLL)
            m.emplace_back(s.msg, s.wParam);
    return m;
}

} // namespace

class ScrollTest : public MainWindowTest {
protected:
    int rpl = 0, cpc = 0; /* row height and column step of the real font */

    void SetUp() override
    {
        MainWindowTest::SetUp();
        rpl = gl.rowsperline;
        cpc = gl.colsperchar;
        ASSERT_GT(rpl, 1);
        ASSERT_GT(cpc, 1);
    }

    void fill(int n)
    {
        for (int i = 0; i < n; ++i)
            llprintf(0.0, "line %d", i);
    }

    /* A client area showing `rows` rows (whole ones, plus the partial one). */
    void size_rows(int rows, int width = 400)
    {
        set_client_size(width, (rows - 1) * rpl);
        ASSERT_EQ(gl.nDspLines, rows);
    }

    void vscroll(int code, int pos = 0) { SendMessageA(hwnd, WM_VSCROLL, MAKEWPARAM(code, pos), 0); }
    void hscroll(int code, int pos = 0) { SendMessageA(hwnd, WM_HSCROLL, MAKEWPARAM(code, pos), 0); }
};

// SB_LINEUP at the top: the position stays 0 and nothing is repainted.
TEST_F(ScrollTest, LineUpAtTopDoesNothing)
{
    size_rows(10);
    fill(100);
    run_events();
    vscroll(SB_LINEUP);
    EXPECT_EQ(gl.nCurPos, 0);
    EXPECT_TRUE(next_paint().empty());
    expect_bar(SB_VERT, 0, 99, 10, 0, true);
}

// 100 lines, 10 rows: SB_PAGEDOWN from 85 clamps to 90 and moves the drawing
// up 5 rows; only the uncovered bottom strip of 5 rows is repainted.
TEST_F(ScrollTest, PageDownClampsAtTheLastPage)
{
    size_rows(10);
    fill(100);
    vscroll(SB_THUMBPOSITION, 85);
    EXPECT_EQ(gl.nCurPos, 85);
    next_paint();

    vscroll(SB_PAGEDOWN);
    EXPECT_EQ(gl.nCurPos, 90);
    expect_bar(SB_VERT, 0, 99, 10, 90, true);
    std::vector<QRect> strips = next_paint();
    const QRect expected(0, view->height() - 5 * rpl, view->width(), 5 * rpl);
    ASSERT_EQ(strips.size(), 1u);
    EXPECT_EQ(strips[0], expected) << rectstr(strips[0]) << " expected " << rectstr(expected);
}

// One line down repaints one row's strip only.
TEST_F(ScrollTest, LineDownRepaintsOneRow)
{
    size_rows(10);
    fill(100);
    run_events();
    vscroll(SB_LINEDOWN);
    EXPECT_EQ(gl.nCurPos, 1);
    std::vector<QRect> strips = next_paint();
    ASSERT_EQ(strips.size(), 1u);
    EXPECT_EQ(strips[0], QRect(0, view->height() - rpl, view->width(), rpl)) << rectstr(strips[0]);

    vscroll(SB_LINEUP);
    EXPECT_EQ(gl.nCurPos, 0);
    strips = next_paint();
    ASSERT_EQ(strips.size(), 1u);
    EXPECT_EQ(strips[0], QRect(0, 0, view->width(), rpl)) << rectstr(strips[0]);
}

// Horizontal: SB_LINERIGHT at 221 stays at 221 without a repaint;
// SB_PAGERIGHT from 200 gives 221 and uncovers 21 columns on the right.
TEST_F(ScrollTest, HorizontalRangeEndsAt221)
{
    set_client_size(400, 200);
    hscroll(SB_THUMBPOSITION, 221);
    EXPECT_EQ(gl.hcurpos, 221);
    next_paint();
    hscroll(SB_LINERIGHT);
    EXPECT_EQ(gl.hcurpos, 221);
    EXPECT_TRUE(next_paint().empty());
    expect_bar(SB_HORZ, 0, 260, 40, 221, true);

    hscroll(SB_THUMBPOSITION, 200);
    next_paint();
    hscroll(SB_PAGERIGHT);
    EXPECT_EQ(gl.hcurpos, 221);
    expect_bar(SB_HORZ, 0, 260, 40, 221, true);
    std::vector<QRect> strips = next_paint();
    const int moved = std::min(21 * cpc, view->width());
    ASSERT_EQ(strips.size(), 1u);
    EXPECT_EQ(strips[0], QRect(view->width() - moved, 0, moved, view->height())) << rectstr(strips[0]);

    /* A thumb position beyond the end is clamped too. */
    hscroll(SB_THUMBTRACK, 5000);
    EXPECT_EQ(gl.hcurpos, 221);
    hscroll(SB_LEFT);
    hscroll(SB_THUMBTRACK, 0);
    EXPECT_EQ(gl.hcurpos, 0);
}

// Dragging: SB_THUMBTRACK moves the view; the closing SB_THUMBPOSITION at the
// same place then does nothing.
TEST_F(ScrollTest, ThumbTrackThenSamePosition)
{
    size_rows(10);
    fill(100);
    run_events();
    vscroll(SB_THUMBTRACK, 40);
    EXPECT_EQ(gl.nCurPos, 40);
    EXPECT_FALSE(next_paint().empty());
    vscroll(SB_THUMBPOSITION, 40);
    EXPECT_EQ(gl.nCurPos, 40);
    EXPECT_TRUE(next_paint().empty());
    expect_bar(SB_VERT, 0, 99, 10, 40, true);
}

// The real QScrollBar dragged: SB_THUMBTRACK with the drag position while
// held, SB_THUMBPOSITION and SB_ENDSCROLL on release.
TEST_F(ScrollTest, DraggingTheThumbSendsTrackThenPosition)
{
    size_rows(10);
    fill(100);
    run_events();
    seen_messages().clear();
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
    using M = std::pair<UINT, WPARAM>;
    EXPECT_EQ(scroll_messages(), (std::vector<M>{{WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 30)},
                                                  {WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 33)},
                                                  {WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 33)},
                                                  {WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0)}}));
}

// The bar's own buttons: page, line, top and bottom actions arrive as
// their scroll codes followed by SB_ENDSCROLL.
TEST_F(ScrollTest, BarActionsArriveAsScrollCodes)
{
    size_rows(10);
    fill(100);
    run_events();
    seen_messages().clear();
    QScrollBar *q = qbar(SB_VERT);
    q->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(gl.nCurPos, 10);
    q->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(gl.nCurPos, 9);
    q->triggerAction(QAbstractSlider::SliderToMaximum);
    q->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(gl.nCurPos, 9) << "SB_TOP and SB_BOTTOM do not move the view";
    EXPECT_EQ(q->value(), 9) << "the bar moves only where the program puts it";
    using M = std::pair<UINT, WPARAM>;
    EXPECT_EQ(scroll_messages(), (std::vector<M>{{WM_VSCROLL, SB_PAGEDOWN},
                                                  {WM_VSCROLL, SB_ENDSCROLL},
                                                  {WM_VSCROLL, SB_LINEUP},
                                                  {WM_VSCROLL, SB_ENDSCROLL},
                                                  {WM_VSCROLL, SB_BOTTOM},
                                                  {WM_VSCROLL, SB_ENDSCROLL},
                                                  {WM_VSCROLL, SB_TOP},
                                                  {WM_VSCROLL, SB_ENDSCROLL}}));
}

// SB_TOP, SB_BOTTOM and SB_ENDSCROLL leave a position within bounds alone.
TEST_F(ScrollTest, TopBottomEndScrollDoNotMove)
{
    size_rows(10);
    fill(100);
    vscroll(SB_THUMBPOSITION, 50);
    next_paint();
    for (int code : {SB_TOP, SB_BOTTOM, SB_ENDSCROLL, 9, 200}) {
        vscroll(code, 7);
        EXPECT_EQ(gl.nCurPos, 50) << "code " << code;
    }
    EXPECT_TRUE(next_paint().empty());
    expect_bar(SB_VERT, 0, 99, 10, 50, true);
}

// Rows shown with a row height of 18: 180 -> 11, 185 -> 11, 0 -> 1.
TEST_F(ScrollTest, RowsShownFollowTheClientHeight)
{
    fill(30);
    for (auto [height, rows] : {std::pair{180, 11}, {185, 11}, {0, 1}}) {
        set_client_size(300, height);
        gl.rowsperline = 18;
        resize();
        EXPECT_EQ(gl.nDspLines, rows) << "client height " << height;
        expect_bar(SB_VERT, 0, 29, rows, 0, true);
    }
    /* Height 0 through the window's own WM_SIZE and paint. */
    EXPECT_EQ(view->height(), 0);
    run_events();
    EXPECT_EQ(gl.nDspLines, 1);
}

// A row height below 1 counts as 1, so resize never divides by 0.
TEST_F(ScrollTest, RowHeightBelowOneCountsAsOne)
{
    set_client_size(300, 50);
    fill(3);
    for (int height : {0, -5}) {
        gl.rowsperline = height;
        resize();
        EXPECT_EQ(gl.nDspLines, 51) << "row height " << height;
        EXPECT_FALSE(qbar(SB_VERT)->isEnabled());
    }
}

// Enlarging the window until every line fits disables the bar and leaves
// nCurPos as it was; the rows below the last line show background; made
// smaller again the bar comes back at that position.
TEST_F(ScrollTest, EnlargingKeepsThePosition)
{
    size_rows(5);
    fill(20);
    vscroll(SB_THUMBPOSITION, 10);
    EXPECT_EQ(gl.nCurPos, 10);

    size_rows(25);
    EXPECT_EQ(gl.nCurPos, 10);
    EXPECT_FALSE(qbar(SB_VERT)->isEnabled());
    /* Disabling keeps range, page and position. */
    SCROLLINFO si = info(SB_VERT);
    EXPECT_EQ(si.nPos, 10);
    EXPECT_EQ(si.nMax, 19);

    QImage img = grab();
    const int firstempty = 10 * rpl; /* lines 10..19 fill rows 0..9 */
    for (int y = firstempty; y < img.height(); y += 3)
        for (int x = 0; x < img.width(); x += 7)
            ASSERT_EQ(img.pixelColor(x, y), base()) << "at " << x << "," << y;

    size_rows(5);
    expect_bar(SB_VERT, 0, 19, 5, 10, true);
    EXPECT_EQ(gl.nCurPos, 10);
}

// The wheel: a notch is three lines; Shift+wheel scrolls sideways; keys give
// codes 0-3 vertically and 0/1 horizontally; a disabled bar gets nothing.
TEST_F(ScrollTest, WheelAndKeys)
{
    size_rows(10);
    run_events();
    auto wheel = [&](QPoint delta, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWheelEvent ev(QPointF(50, 50), QPointF(50, 50), QPoint(), delta, Qt::NoButton, mods, Qt::NoScrollPhase,
                       false);
        QCoreApplication::sendEvent(view, &ev);
    };
    auto key = [&](int k) {
        QKeyEvent ev(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(area, &ev);
    };

    seen_messages().clear();
    wheel(QPoint(0, -120));
    key(Qt::Key_PageDown);
    EXPECT_TRUE(scroll_messages().empty()) << "the vertical bar is disabled while the lines fit";

    fill(100);
    seen_messages().clear();
    wheel(QPoint(0, -120));
    EXPECT_EQ(gl.nCurPos, 3);
    wheel(QPoint(0, -60));
    EXPECT_EQ(gl.nCurPos, 3) << "half a notch waits for the other half";
    wheel(QPoint(0, -60));
    EXPECT_EQ(gl.nCurPos, 6);
    wheel(QPoint(0, 120));
    EXPECT_EQ(gl.nCurPos, 3);
    key(Qt::Key_PageDown);
    EXPECT_EQ(gl.nCurPos, 13);
    key(Qt::Key_Up);
    key(Qt::Key_PageUp);
    EXPECT_EQ(gl.nCurPos, 2);
    key(Qt::Key_Down);
    EXPECT_EQ(gl.nCurPos, 3);

    wheel(QPoint(0, -120), Qt::ShiftModifier);
    EXPECT_EQ(gl.hcurpos, 3);
    key(Qt::Key_Left);
    EXPECT_EQ(gl.hcurpos, 2);
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    EXPECT_EQ(gl.hcurpos, 4);

    using M = std::pair<UINT, WPARAM>;
    std::vector<M> m = scroll_messages();
    ASSERT_EQ(m.size(), 19u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(m[i], M(WM_VSCROLL, SB_LINEDOWN)) << i;
    for (int i = 6; i < 9; ++i)
        EXPECT_EQ(m[i], M(WM_VSCROLL, SB_LINEUP)) << i;
    EXPECT_EQ(m[9], M(WM_VSCROLL, SB_PAGEDOWN));
    EXPECT_EQ(m[10], M(WM_VSCROLL, SB_LINEUP));
    EXPECT_EQ(m[11], M(WM_VSCROLL, SB_PAGEUP));
    EXPECT_EQ(m[12], M(WM_VSCROLL, SB_LINEDOWN));
    for (int i = 13; i < 16; ++i)
        EXPECT_EQ(m[i], M(WM_HSCROLL, SB_LINERIGHT)) << i;
    EXPECT_EQ(m[16], M(WM_HSCROLL, SB_LINELEFT));
    EXPECT_EQ(m[17], M(WM_HSCROLL, SB_LINERIGHT));
}

/* ---- the scroll-bar calls themselves, on a window whose procedure does
 * nothing with scroll messages ---- */

namespace {
std::vector<WPARAM> plainscrolls;
LRESULT CALLBACK plainproc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_VSCROLL)
        plainscrolls.push_back(wParam);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
} // namespace

class ScrollBarCallTest : public ::testing::Test {
protected:
    HWND hwnd = NULL;
    QScrollBar *vbar = nullptr;
    void SetUp() override
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = plainproc;
        wc.lpszClassName = "PlainScroll";
        ASSERT_NE(RegisterClassA(&wc), 0);
        hwnd = CreateWindowExA(0, "PlainScroll", "plain", WS_OVERLAPPEDWINDOW | WS_VSCROLL, CW_USEDEFAULT, 0,
                               CW_USEDEFAULT, 0, NULL, NULL, NULL, NULL);
        ASSERT_NE(hwnd, (HWND)NULL);
        vbar = hwnd_widget(hwnd)->findChild<QAbstractScrollArea *>()->verticalScrollBar();
        plainscrolls.clear();
    }
    void TearDown() override
    {
        DestroyWindow(hwnd);
        UnregisterClassA("PlainScroll", NULL);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    SCROLLINFO get()
    {
        SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
        EXPECT_TRUE(GetScrollInfo(hwnd, SB_VERT, &si));
        return si;
    }
    int set(UINT mask, int nMin, int nMax, UINT nPage, int nPos)
    {
        SCROLLINFO si{sizeof si, mask, nMin, nMax, nPage, nPos, 0};
        return SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
    }
};

// Win32's rules: page at most the range, position within nMin..nMax-nPage+1,
// an inverted range becomes 0..0; a new bar has the range 0-100.
TEST_F(ScrollBarCallTest, SetScrollInfoKeepsWin32Rules)
{
    SCROLLINFO si = get();
    EXPECT_EQ(si.nMin, 0);
    EXPECT_EQ(si.nMax, 100);
    EXPECT_EQ(si.nPage, 0u);

    EXPECT_EQ(set(SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 95), 90);
    EXPECT_EQ(vbar->maximum(), 90);
    EXPECT_EQ(set(SIF_PAGE, 0, 0, 500, 0), 0) << "page 100 > range leaves nothing to scroll";
    EXPECT_EQ(get().nPage, 100u);
    EXPECT_EQ(vbar->maximum(), 0);
    EXPECT_EQ(set(SIF_RANGE | SIF_PAGE | SIF_POS, 5, 50, 0, 2), 5) << "not below nMin";
    EXPECT_EQ(set(SIF_POS, 0, 0, 0, 60), 50) << "page 0 still shows the last position";
    EXPECT_EQ(set(SIF_RANGE, 10, 3, 0, 0), 0) << "inverted range";
    si = get();
    EXPECT_EQ(si.nMin, 0);
    EXPECT_EQ(si.nMax, 0);
    EXPECT_EQ(si.nPos, 0);
    EXPECT_EQ(vbar->value(), 0);
}

// Disabling keeps range, page and position; the bar stays visible and a
// disabled bar, or a Qt action, moves nothing by itself.
TEST_F(ScrollBarCallTest, EnableDisableKeepState)
{
    ShowWindow(hwnd, SW_SHOWNORMAL);
    set(SIF_RANGE | SIF_PAGE | SIF_POS, 0, 49, 10, 7);
    EXPECT_TRUE(EnableScrollBar(hwnd, SB_VERT, ESB_DISABLE_BOTH));
    EXPECT_FALSE(EnableScrollBar(hwnd, SB_VERT, ESB_DISABLE_BOTH)) << "already disabled";
    SCROLLINFO si = get();
    EXPECT_EQ(si.nMax, 49);
    EXPECT_EQ(si.nPage, 10u);
    EXPECT_EQ(si.nPos, 7);
    EXPECT_FALSE(vbar->isEnabled());
    EXPECT_TRUE(vbar->isVisible());
    EXPECT_TRUE(EnableScrollBar(hwnd, SB_VERT, ESB_ENABLE_BOTH));
    EXPECT_TRUE(vbar->isEnabled());

    /* The procedure ignores the action: the bar must stay at 7. */
    vbar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(vbar->value(), 7);
    EXPECT_EQ(get().nPos, 7);
    EXPECT_EQ(plainscrolls, (std::vector<WPARAM>{SB_PAGEDOWN, SB_ENDSCROLL}));
}

// Calls on a null, stale or foreign window fail quietly.
TEST_F(ScrollBarCallTest, BadWindowsFailQuietly)
{
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 10, 2, 3, 0};
    for (HWND bad : {(HWND)NULL, (HWND)0x1234, (HWND)0x10001}) {
        EXPECT_EQ(SetScrollInfo(bad, SB_VERT, &si, TRUE), 0);
        EXPECT_FALSE(GetScrollInfo(bad, SB_VERT, &si));
        EXPECT_FALSE(EnableScrollBar(bad, SB_VERT, ESB_ENABLE_BOTH));
        EXPECT_FALSE(ShowScrollBar(bad, SB_VERT, TRUE));
        EXPECT_EQ(ScrollWindowEx(bad, 0, 10, NULL, NULL, NULL, NULL, SW_INVALIDATE), 0);
    }
    EXPECT_FALSE(GetScrollInfo(hwnd, SB_CTL, &si));
}
