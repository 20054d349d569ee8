// Painting the report, checked on pixels read back from the real window:
// bars, text positions, the horizontal shift, background, metrics from the
// font; and the GDI calls under it (FillRect edges, opaque TextOutA).
#include "window_fixture.h"

#include <QFontMetrics>

#include <cmath>
#include <limits>

class PaintTest : public MainWindowTest {
protected:
    int cy = 0; /* height of a text cell: the font's line height */

    void SetUp() override
    {
        MainWindowTest::SetUp();
        set_client_size(600, 300);
        cy = QFontMetrics(view->font()).height();
    }

    int rpl() const { return gl.rowsperline; }

    /* Where row j's bar ends: the first x from `from` on that is not bar. */
    int bar_end(const QImage &img, int j, int from = 10)
    {
        const int y = j * rpl() + cy / 2;
        int x = std::max(from, 0);
        while (x < img.width() && img.pixelColor(x, y) == highlight())
            ++x;
        return x;
    }

    bool row_has_bar(const QImage &img, int j)
    {
        for (int y = j * rpl(); y < j * rpl() + cy + 1 && y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixelColor(x, y) == highlight())
                    return true;
        return false;
    }

    /* The leftmost pixel of row j that is neither background nor bar: text. */
    int text_start(const QImage &img, int j)
    {
        for (int x = 0; x < img.width(); ++x)
            for (int y = j * rpl(); y < j * rpl() + cy && y < img.height(); ++y) {
                QColor c = img.pixelColor(x, y);
                if (c != base() && c != highlight() && qGray(c.rgb()) < 160)
                    return x;
            }
        return -1;
    }

    bool only_background(const QImage &img, int y0, int y1)
    {
        for (int y = std::max(y0, 0); y < std::min(y1, img.height()); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixelColor(x, y) != base())
                    return false;
        return true;
    }
};

// Row height and column step are 8/7 of the font's "A", measured at every
// paint: a larger font gives taller rows at the next paint.
TEST_F(PaintTest, RowHeightAndColumnStepFromTheFont)
{
    QFontMetrics fm(view->font());
    EXPECT_EQ(gl.rowsperline, fm.height() * 8 / 7);
    EXPECT_EQ(gl.colsperchar, fm.horizontalAdvance("A") * 8 / 7);

    QFont big = view->font();
    big.setPixelSize(30);
    view->setFont(big);
    view->update();
    run_events();
    QFontMetrics bm(big);
    EXPECT_EQ(gl.rowsperline, bm.height() * 8 / 7);
    EXPECT_EQ(gl.colsperchar, bm.horizontalAdvance("A") * 8 / 7);
    EXPECT_EQ(gl.nDspLines, 300 / gl.rowsperline + 1);
    view->setFont(QFont());
}

// Total 1000: 0 bytes -> bar 10..11, 500 -> 10..71, 1000 -> 10..131; bars
// are one cell plus one pixel high; texts start at 140.
TEST_F(PaintTest, BarExtentsForATotalOf1000)
{
    gl.totalbytesused = 1000;
    llprintf(0, "HHH");
    llprintf(500, "HHH");
    llprintf(1000, "HHH");
    QImage img = grab();
    const int ends[] = {11, 71, 131};
    for (int j = 0; j < 3; ++j) {
        EXPECT_NE(img.pixelColor(9, j * rpl() + 1), highlight()) << "row " << j;
        EXPECT_EQ(img.pixelColor(10, j * rpl() + 1), highlight()) << "row " << j;
        EXPECT_EQ(bar_end(img, j), ends[j]) << "row " << j;
        EXPECT_EQ(img.pixelColor(10, j * rpl()), highlight()) << "bar top, row " << j;
        EXPECT_EQ(img.pixelColor(10, j * rpl() + cy), highlight()) << "bar bottom, row " << j;
        if (rpl() > cy + 1)
            EXPECT_EQ(img.pixelColor(10, j * rpl() + cy + 1), base()) << "gap below row " << j;
        const int t = text_start(img, j);
        EXPECT_GE(t, 140) << "row " << j;
        EXPECT_LE(t, 143) << "row " << j;
    }
    EXPECT_TRUE(only_background(img, 3 * rpl(), img.height())) << "below the last line";
}

// Total 7, one byte: 120/7 + 10 + 1 = 28.14, so the bar ends at 28.
TEST_F(PaintTest, BarEdgeTruncatesForATotalOf7)
{
    gl.totalbytesused = 7;
    llprintf(1, "x");
    EXPECT_EQ(bar_end(grab(), 0), 28);
}

// A line with bar value -1.0 (or NaN) has no bar and its text at x = 10.
TEST_F(PaintTest, NoBarForNegativeOrNaN)
{
    gl.totalbytesused = 1000;
    llprintf(-1.0, "HHH");
    llprintf(std::numeric_limits<double>::quiet_NaN(), "HHH");
    llprintf(-0.5, "HHH");
    QImage img = grab();
    for (int j = 0; j < 3; ++j) {
        EXPECT_FALSE(row_has_bar(img, j)) << "row " << j;
        const int t = text_start(img, j);
        EXPECT_GE(t, 10) << "row " << j;
        EXPECT_LE(t, 13) << "row " << j;
    }
}

// The horizontal position shifts everything left by hcurpos * colsperchar.
TEST_F(PaintTest, HorizontalShiftMovesBarsAndText)
{
    gl.totalbytesused = 1000;
    llprintf(1000, "HHH");
    llprintf(-1.0, "HHHHHHHHHHHH");
    SendMessageA(hwnd, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 5), 0);
    ASSERT_EQ(gl.hcurpos, 5);
    const int shift = 5 * gl.colsperchar;
    QImage img = grab();
    EXPECT_EQ(bar_end(img, 0, 0), 10 - shift + 121);
    EXPECT_EQ(img.pixelColor(0, 1), highlight()) << "the bar starts left of the client area";
    const int t = text_start(img, 0);
    EXPECT_GE(t, 140 - shift);
    EXPECT_LE(t, 143 - shift);
    /* The unbarred line's text starts left of the area: it shows from x = 0. */
    EXPECT_LE(text_start(img, 1), 3);
}

// An empty report paints only background.
TEST_F(PaintTest, EmptyReportIsBackground)
{
    QImage img = grab();
    EXPECT_TRUE(only_background(img, 0, img.height()));
}

// With a total of 0, every line with a bar value of 0 or more gets the
// 1-pixel bar; lines without one stay without.
TEST_F(PaintTest, TotalZeroGivesOnePixelBars)
{
    gl.totalbytesused = 0;
    llprintf(0, "a");
    llprintf(500, "b");
    llprintf(1e12, "c");
    llprintf(-1, "d");
    QImage img = grab();
    for (int j = 0; j < 3; ++j)
        EXPECT_EQ(bar_end(img, j), 11) << "row " << j;
    EXPECT_FALSE(row_has_bar(img, 3));
}

// A bar value many times the total: the edge is held at the 32-bit limit and
// the bar runs to the right border, under its text's cell.
TEST_F(PaintTest, BarFarBeyondTheTotal)
{
    gl.totalbytesused = 1;
    llprintf(1e15, "x");
    llprintf(std::numeric_limits<double>::infinity(), "y");
    llprintf(4e9, "z");
    QImage img = grab();
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(img.pixelColor(139, j * rpl() + 1), highlight()) << "row " << j;
        EXPECT_EQ(img.pixelColor(img.width() - 1, j * rpl() + 1), highlight()) << "row " << j;
    }
    /* An infinite share of an infinite total has no size: the 1-pixel bar. */
    gl.totalbytesused = std::numeric_limits<double>::infinity();
    EXPECT_EQ(bar_end(grab(), 1), 11);
}

// Rows follow the scroll position; the bottom row is clipped by the border;
// 100,000 lines can be scrolled to the end and back.
TEST_F(PaintTest, HundredThousandLinesToTheEndAndBack)
{
    const int k = 40; /* whole rows; half of the next one shows */
    set_client_size(600, k * rpl() + rpl() / 2);
    ASSERT_EQ(gl.nDspLines, k + 1);
    const int n = 100000;
    gl.totalbytesused = 1000;
    for (int i = 0; i < n; ++i)
        llprintf(i == 0 || i == n - 1 ? 1000.0 : 0.0, "line %d", i);
    ASSERT_EQ(gl.nNumItems, n);
    expect_bar(SB_VERT, 0, n - 1, k + 1, 0, true);

    SendMessageA(hwnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 65535), 0);
    EXPECT_EQ(gl.nCurPos, 65535) << "thumb positions are 16 bits";
    int before = -1;
    while (gl.nCurPos != before) {
        before = gl.nCurPos;
        SendMessageA(hwnd, WM_VSCROLL, SB_PAGEDOWN, 0);
    }
    EXPECT_EQ(gl.nCurPos, n - (k + 1));
    expect_bar(SB_VERT, 0, n - 1, k + 1, n - (k + 1), true);
    QImage img = grab();
    EXPECT_EQ(bar_end(img, k - 1), 11) << "line " << n - 2;
    EXPECT_EQ(img.pixelColor(130, k * rpl()), highlight()) << "the last line, half shown";

    while (gl.nCurPos != 0) {
        before = gl.nCurPos;
        SendMessageA(hwnd, WM_VSCROLL, SB_PAGEUP, 0);
        ASSERT_LT(gl.nCurPos, before);
    }
    img = grab();
    EXPECT_EQ(bar_end(img, 0), 131);
    EXPECT_EQ(bar_end(img, 1), 11);
    expect_bar(SB_VERT, 0, n - 1, k + 1, 0, true);
}

// A one-line scroll repaints one row's strip: the rows already drawn are
// moved, not painted again.
TEST_F(PaintTest, OneLineScrollMovesThePixels)
{
    gl.totalbytesused = 100;
    for (int i = 0; i < 50; ++i)
        llprintf(i, "line %d", i);
    run_events();
    const QImage before = grab();
    SendMessageA(hwnd, WM_VSCROLL, SB_LINEDOWN, 0);
    std::vector<QRect> strips = next_paint();
    ASSERT_EQ(strips.size(), 1u);
    EXPECT_EQ(strips[0].height(), rpl());
    const QImage after = grab();
    /* Row 1 of before is row 0 of after. */
    EXPECT_EQ(bar_end(after, 0), bar_end(before, 1));
    EXPECT_EQ(bar_end(after, 3), bar_end(before, 4));
}

// WM_PAINT sent outside a paint has nothing to paint and does no harm.
TEST_F(PaintTest, PaintOutsideAPaintEvent)
{
    llprintf(5, "x");
    EXPECT_EQ(SendMessageA(hwnd, WM_PAINT, 0, 0), 0);
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    ASSERT_NE(hdc, (HDC)NULL);
    EXPECT_EQ(ps.rcPaint.right - ps.rcPaint.left, 0);
    SIZE sz{};
    EXPECT_TRUE(GetTextExtentPoint32A(hdc, "A", 1, &sz));
    EXPECT_EQ(sz.cy, cy);
    RECT r{0, 0, 10, 10};
    EXPECT_EQ(FillRect(hdc, &r, (HBRUSH)(COLOR_HIGHLIGHT + 1)), 1);
    EXPECT_TRUE(EndPaint(hwnd, &ps));
    EXPECT_EQ(BeginPaint((HWND)NULL, &ps), (HDC)NULL);
}

/* ---- the GDI calls on a window of their own ---- */

namespace {

std::function<void(HDC)> drawing;

LRESULT CALLBACK drawproc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_PAINT)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    FillRect(hdc, &ps.rcPaint, (HBRUSH)(COLOR_WINDOW + 1));
    if (drawing)
        drawing(hdc);
    EndPaint(hwnd, &ps);
    return 0;
}

} // namespace

class GdiTest : public ::testing::Test {
protected:
    HWND hwnd = NULL;
    QWidget *view = nullptr;
    void SetUp() override
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = drawproc;
        wc.lpszClassName = "GdiDraw";
        ASSERT_NE(RegisterClassA(&wc), 0);
        hwnd = CreateWindowExA(0, "GdiDraw", "gdi", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, 300, 200, NULL, NULL,
                               NULL, NULL);
        ASSERT_NE(hwnd, (HWND)NULL);
        view = hwnd_widget(hwnd)->findChild<QAbstractScrollArea *>()->viewport();
    }
    void TearDown() override
    {
        drawing = nullptr;
        DestroyWindow(hwnd);
        UnregisterClassA("GdiDraw", NULL);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QImage grab() { return view->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QColor base() const { return view->palette().color(QPalette::Active, QPalette::Base); }
    QColor highlight() const { return view->palette().color(QPalette::Active, QPalette::Highlight); }
};

// FillRect: left and top inside, right and bottom outside; an empty or
// inverted rectangle fills nothing; unknown brushes fail.
TEST_F(GdiTest, FillRectEdges)
{
    int results[4] = {};
    drawing = [&](HDC hdc) {
        RECT r{10, 10, 20, 20}, inverted{60, 60, 50, 70}, empty{80, 80, 80, 90};
        results[0] = FillRect(hdc, &r, (HBRUSH)(COLOR_HIGHLIGHT + 1));
        results[1] = FillRect(hdc, &inverted, (HBRUSH)(COLOR_HIGHLIGHT + 1));
        results[2] = FillRect(hdc, &empty, (HBRUSH)(COLOR_HIGHLIGHT + 1));
        results[3] = FillRect(hdc, &r, (HBRUSH)(UINT_PTR)99);
    };
    QImage img = grab();
    EXPECT_EQ(img.pixelColor(10, 10), highlight());
    EXPECT_EQ(img.pixelColor(19, 19), highlight());
    EXPECT_EQ(img.pixelColor(20, 15), base());
    EXPECT_EQ(img.pixelColor(15, 20), base());
    EXPECT_EQ(img.pixelColor(9, 15), base());
    EXPECT_EQ(img.pixelColor(55, 65), base());
    EXPECT_EQ(img.pixelColor(80, 85), base());
    EXPECT_EQ(results[0], 1);
    EXPECT_EQ(results[3], 0);
}

// TextOutA is opaque: its cell covers a bar beneath in the base colour; the
// text is decoded as UTF-8, invalid bytes measured as replacement marks.
TEST_F(GdiTest, TextOutIsOpaque)
{
    SIZE cell{}, mark{}, two{};
    drawing = [&](HDC hdc) {
        RECT all{0, 0, 300, 200};
        FillRect(hdc, &all, (HBRUSH)(COLOR_HIGHLIGHT + 1));
        GetTextExtentPoint32A(hdc, "MMM", 3, &cell);
        GetTextExtentPoint32A(hdc, "\xff", 1, &mark);
        GetTextExtentPoint32A(hdc, "\xc3\xa9", 2, &two);
        TextOutA(hdc, 20, 30, "MMM", 3);
    };
    QImage img = grab();
    QFontMetrics fm(view->font());
    EXPECT_EQ(cell.cx, fm.horizontalAdvance("MMM"));
    EXPECT_EQ(cell.cy, fm.height());
    EXPECT_EQ(mark.cx, fm.horizontalAdvance(QString(QChar(0xFFFD))));
    EXPECT_EQ(two.cx, fm.horizontalAdvance(QString::fromUtf8("\xc3\xa9")));
    EXPECT_EQ(img.pixelColor(19, 30), highlight());
    EXPECT_EQ(img.pixelColor(20 + cell.cx, 30), highlight());
    EXPECT_EQ(img.pixelColor(20, 30 + cell.cy), highlight());
    int dark = 0, bar = 0;
    for (int y = 30; y < 30 + cell.cy; ++y)
        for (int x = 20; x < 20 + cell.cx; ++x) {
            QColor c = img.pixelColor(x, y);
            dark += qGray(c.rgb()) < 100;
            bar += c == highlight();
        }
    EXPECT_GT(dark, 10) << "the text is drawn";
    EXPECT_EQ(bar, 0) << "the cell covers the bar";
}
